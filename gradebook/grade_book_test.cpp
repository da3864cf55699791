// The grade book as a teacher meets it: the whole program started (ProgramEntry), signing in, the
// window "Calificaciones" on real widgets driven by the robot, over data files loaded from
// tests/fixtures/grade_book. The grade form, grade sheet and export are stand-ins that record what
// they were asked.
//
// The fixture's teachers: 1001/uno holds (Derecho, 1A) with six grade records (ids 10 to 60, see
// below), (Ingeniería, 1A) with 32 (ids 101 to 132, every fourth ungraded) and (Ingeniería, 1B)
// with two (201 graded, 202 ungraded); 1002/dos holds two records in (Derecho, 1A); 1003/tres holds
// none; 1004/cuatro holds two graded records in (Ingeniería, 2A).
//
//   id  student        registration  average  status
//   10  Olga Díaz      A-005         0        0
//   20  Ángel Núñez    A-003         1e-16    0
//   30  Pablo Ruiz     A-001         80       1
//   40  Zoe Paz        A-002         -5       1
//   50  Eva Martínez   A-004         75       0
//   60  Olga Díaz      A-005         90       1   (another learning unit, weights 25)
#include "gradebook/grade_book.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <memory>

#include "dictionary/dictionary_test_support.h"
#include "gradebook/testing/procedure_doubles.h"
#include "platform/classes/window_controller.h"
#include "platform/layout/colour.h"
#include "platform/ui/message_box.h"
#include "platform/ui/test_robot.h"

namespace gradebook {
namespace {

using platform::ui::MessageDriver;
using platform::ui::WindowDriver;
using Ids = std::vector<int>;
using Texts = std::vector<std::string>;

constexpr const char* kSignIn = "Bienvenido";
constexpr const char* kBook = "Calificaciones";
constexpr const char* kList = "?BROWSE:1";
// Columns of the list.
enum Column { kId = 1, kRegistration = 3, kName, kGroup, kProgramme, kWeight1, kAverage = 15, kStatus, kTeacher = 18 };
constexpr std::int32_t kOddStripe = 0xDEDED0;
constexpr std::int32_t kEvenStripe = 0xEEEEE8;
constexpr std::int32_t kRed = 0x0000FF;

class GradeBookTest : public dictionary::testing::DictionaryTest {
 protected:
  std::string tables() const override { return "grade_book"; }

  void SetUp() override {
    DictionaryTest::SetUp();
    desktop = platform::os::FakeDesktopSettings(1);
  }

  // Runs the program from its start to its end, the robot playing the teacher.
  int runProgram() {
    dictionary::ProgramEnvironment env = environment();
    // The grade book's own Main; the grade form, grade sheet and export record their calls.
    env.procedures = calls.standIns();
    env.procedures.Main = Main;
    env.port = &messages;
    env.makeWindowSystemReady = [this] { messages.useLocale(dictionary::program().locale()); };
    int exitCode = -1;
    robot.run([&] { exitCode = dictionary::ProgramEntry(env); });
    EXPECT_TRUE(robot.done()) << robot.report();
    return exitCode;
  }

  void signIn(const std::string& key, const std::string& password) {
    robot.inWindow(kSignIn, [key, password](WindowDriver& w) {
      w.type("?GS_MAESTRO", key);
      w.type("?LS_TEMCONTRASENA", password);
      w.press("?ACEPTAR");
    });
  }
  void inBook(std::function<void(WindowDriver&)> step) { robot.inWindow(kBook, std::move(step)); }
  // Answers a question, after checking its caption, text, icon and buttons.
  void question(const std::string& text, const std::string& answer) {
    robot.inMessage([text, answer](MessageDriver& m) {
      EXPECT_EQ(m.caption(), "Atención");
      EXPECT_EQ(m.text(), text);
      EXPECT_TRUE(m.showsExclamation());
      EXPECT_EQ(m.buttons(), (Texts{"&Si", "&No"}));
      EXPECT_EQ(m.defaultButton(), "&No");
      m.press(answer);
    });
  }
  // Presses "&Cerrar" when nothing is left ungraded, so that nothing is asked.
  void closeBook() {
    inBook([](WindowDriver& w) { w.press("?CLOSE"); });
  }

  static Ids ids(WindowDriver& w) {
    Ids out;
    for (int row = 1; row <= w.rowCount(kList); ++row) out.push_back(std::stoi(w.cell(kList, row, kId)));
    return out;
  }
  static Texts column(WindowDriver& w, int column) {
    Texts out;
    for (int row = 1; row <= w.rowCount(kList); ++row) out.push_back(w.cell(kList, row, column));
    return out;
  }
  // The six counts: teacher's total, graded, ungraded; pair's total, graded, ungraded.
  static Texts counts(WindowDriver& w) {
    return {w.text("?STRTOTALUMNOS"),       w.text("?STRGCONCALIFICACION"), w.text("?STRGSINCALIFICACION"),
            w.text("?STRTGRUSELECCIONADO"), w.text("?LL_GCONCALIFICACION"), w.text("?LL_TOTGSCALIFICAR")};
  }
  static void search(WindowDriver& w, int pair) {
    w.chooseRow("?LIST2", pair);
    w.press("?BOTBUSCAR");
  }

  platform::ui::QtUserPort messages{spanish};
  platform::ui::Robot robot;
  testing::ProcedureCalls calls;
};

TEST_F(GradeBookTest, ATeacherWithoutGradeRecordsSeesAnEmptyListAndLeavesWithoutAQuestion) {
  signIn("1003", "tres");
  inBook([](WindowDriver& w) {
    EXPECT_EQ(w.dropRowCount("?LIST2"), 0);
    EXPECT_EQ(w.rowCount(kList), 0);
    EXPECT_EQ(counts(w), (Texts{"0", "0", "0", "0", "0", "0"}));
    w.press("?BOTBUSCAR");  // no pair selected: the blank pair again
  });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(w.rowCount(kList), 0);
    w.press("?CLOSE");
  });
  EXPECT_EQ(runProgram(), 0);
  EXPECT_EQ(dictionary::ThisThread().Response, platform::kResponseCompleted);
}

TEST_F(GradeBookTest, TheFirstPairShowsInGradeRecordIdOrderWithItsCountsStatusAndColours) {
  signIn("1001", "uno");
  inBook([](WindowDriver& w) {
    EXPECT_EQ(w.dropRowCount("?LIST2"), 3);
    EXPECT_EQ((Texts{w.dropCell("?LIST2", 1, 1), w.dropCell("?LIST2", 2, 1), w.dropCell("?LIST2", 3, 1)}),
              (Texts{"Derecho", "Ingeniería", "Ingeniería"}));
    EXPECT_EQ((Texts{w.dropCell("?LIST2", 1, 2), w.dropCell("?LIST2", 2, 2), w.dropCell("?LIST2", 3, 2)}),
              (Texts{"1A", "1A", "1B"}));
    EXPECT_EQ(w.dropCell("?LIST2", 1, 3), "2") << "the programme's id, hidden";
    EXPECT_EQ(w.dropSelected("?LIST2"), 1);
    EXPECT_EQ(w.focusLabel(), "?LIST2");
    EXPECT_EQ(w.selectedTab("?CURRENTTAB"), 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the recount's wait cursor is gone";

    // Grade-record id order; registration numbers run against it. Teacher 2's records never show.
    EXPECT_EQ(ids(w), (Ids{10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(column(w, kRegistration), (Texts{"A-005", "A-003", "A-001", "A-002", "A-004", "A-005"}));
    EXPECT_EQ(column(w, kAverage), (Texts{"0", "0", "80", "-5", "75", "90"}));
    // The status follows ACT:STATUS only, whatever the average.
    EXPECT_EQ(column(w, kStatus),
              (Texts{"RECUPERAR", "RECUPERAR", "ACREDITADO", "ACREDITADO", "RECUPERAR", "ACREDITADO"}));
    EXPECT_EQ(column(w, kTeacher), (Texts{"1", "1", "1", "1", "1", "1"}));
    EXPECT_EQ(column(w, kGroup), (Texts{"1A", "1A", "1A", "1A", "1A", "1A"}));
    // The weights' headers are fixed, whatever the learning unit's weights.
    EXPECT_EQ((Texts{w.header(kList, 7), w.header(kList, 9), w.header(kList, 11), w.header(kList, 13)}),
              (Texts{"30", "20", "20", "30"}));
    EXPECT_EQ(w.cell(kList, 6, kWeight1), "25");

    // Graded (above 0): 80, 1e-16, 75, 90; ungraded (equal to 0): 0 and 1e-16, which so counts twice;
    // -5 counts nowhere, not even in the total.
    EXPECT_EQ(counts(w), (Texts{"40", "29", "11", "6", "4", "2"}));

    // The registration number is red while the record has no grade (0 and 1e-16), selected or not;
    // the other columns keep the list's text colours.
    EXPECT_EQ(w.selectedRow(kList), 1);
    for (int row : {1, 2}) {
      const platform::ui::CellColours c = w.cellColours(kList, row, kRegistration);
      EXPECT_EQ(c.normalText, kRed) << row;
      EXPECT_EQ(c.selectedText, kRed) << row;
      EXPECT_EQ(c.selectedBackground, -1) << row;
      EXPECT_EQ(w.shownText(kList, row, kRegistration), kRed) << row;
      EXPECT_EQ(w.cellColours(kList, row, kName).normalText, -1) << row;
    }
    for (int row : {3, 4, 5, 6}) EXPECT_EQ(w.cellColours(kList, row, kRegistration).normalText, -1) << row;
    // Stripes by the loaded position, the first DEDED0h; the selected row takes the highlight.
    const std::int32_t highlight = platform::layout::fromQColor(QApplication::palette().color(QPalette::Highlight));
    for (int column : {kRegistration, kName, kGroup, kProgramme}) {
      EXPECT_EQ(w.shownBackground(kList, 1, column), highlight);
      for (int row = 2; row <= 6; ++row)
        EXPECT_EQ(w.shownBackground(kList, row, column), row % 2 == 1 ? kOddStripe : kEvenStripe)
            << row << "," << column;
    }
    // "ID MAE" takes no colours of its own.
    for (int row = 1; row <= 6; ++row) EXPECT_EQ(w.cellColours(kList, row, kTeacher), platform::ui::CellColours{});
    w.scrollSideways(kList, true);
    EXPECT_EQ(w.shownBackground(kList, 2, kTeacher),
              platform::layout::fromQColor(QApplication::palette().color(QPalette::Base)));
    EXPECT_EQ(w.shownBackground(kList, 2, kStatus), kEvenStripe);
    w.press("?BUTTON6");
  });
  question("11 Alumno(s) no tiene(n) Calificación, Desea Continuar ?", "&No");
  inBook([](WindowDriver& w) { w.press("?CLOSE"); });
  question("11 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);
  EXPECT_TRUE(calls.exports.empty());
}

// Once chosen, the closed "Programa Academico" list shows the programme and the group: two
// groups of one programme do not look the same.
TEST_F(GradeBookTest, TheClosedPairListShowsTheProgrammeAndTheGroup) {
  signIn("1001", "uno");
  inBook([](WindowDriver& w) {
    for (const auto& [row, shown] : std::vector<std::pair<int, Texts>>{
             {2, {"Ingeniería", "1A"}}, {3, {"Ingeniería", "1B"}}, {1, {"Derecho", "1A"}}}) {
      w.chooseRow("?LIST2", row);
      Texts painted;
      for (const platform::ui::PaintedText& run : w.painted("?LIST2")) painted.push_back(run.text);
      EXPECT_EQ(painted, shown) << "row " << row;
    }
    w.press("?CLOSE");
  });
  question("11 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);
}

TEST_F(GradeBookTest, TheSecondTabOrdersByNameThenIdAndOtherPairsShowOnlyTheirRecords) {
  signIn("1001", "uno");
  inBook([](WindowDriver& w) { w.selectTab("?CURRENTTAB", 2); });
  inBook([](WindowDriver& w) {
    // Eva, Olga (10 then 60), Ángel (after Olga, before Pablo), Pablo, Zoe.
    EXPECT_EQ(ids(w), (Ids{50, 10, 60, 20, 30, 40}));
    EXPECT_EQ(column(w, kName),
              (Texts{"Eva Martínez", "Olga Díaz", "Olga Díaz", "Ángel Núñez", "Pablo Ruiz", "Zoe Paz"}));
    // Stripes follow the place, not the record: record 10 is second now.
    EXPECT_EQ(w.shownBackground(kList, 2, kName), kEvenStripe);
    EXPECT_EQ(w.cellColours(kList, 2, kRegistration).normalText, kRed);
    EXPECT_EQ(counts(w), (Texts{"40", "29", "11", "6", "4", "2"})) << "recounted: the same";
    search(w, 3);
  });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(ids(w), (Ids{201, 202}));
    EXPECT_EQ(column(w, kProgramme), (Texts{"Ingeniería", "Ingeniería"}));
    EXPECT_EQ(column(w, kGroup), (Texts{"1B", "1B"}));
    EXPECT_EQ(counts(w), (Texts{"40", "29", "11", "2", "1", "1"}));
    w.selectTab("?CURRENTTAB", 1);
  });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(ids(w), (Ids{201, 202}));
    search(w, 2);
  });
  inBook([](WindowDriver& w) {
    const Ids shown = ids(w);
    ASSERT_FALSE(shown.empty());
    ASSERT_LT(shown.size(), 32u) << "the list holds only its page";
    EXPECT_EQ(shown.front(), 101);
    EXPECT_EQ(shown.back(), 100 + static_cast<int>(shown.size()));
    for (const std::string& group : column(w, kGroup)) EXPECT_EQ(group, "1A");
    for (const std::string& programme : column(w, kProgramme)) EXPECT_EQ(programme, "Ingeniería");
    EXPECT_EQ(counts(w), (Texts{"40", "29", "11", "32", "24", "8"}));
    w.press("?CLOSE");
  });
  question("11 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);
}

TEST_F(GradeBookTest, ScrollingMovesTheStripesWithThePlaceAndReachesTheLastRecord) {
  signIn("1001", "uno");
  inBook([](WindowDriver& w) { search(w, 2); });
  inBook([](WindowDriver& w) {
    const int page = w.rowCount(kList);
    w.clickRow(kList, page);
    w.key(Qt::Key_Down);
  });
  inBook([](WindowDriver& w) {
    const int page = w.rowCount(kList);
    EXPECT_EQ(ids(w).front(), 102) << "down one row";
    EXPECT_EQ(ids(w).back(), 101 + page);
    // Record 102 was second (EEEEE8h) and is first now (DEDED0h); record 104 is ungraded and red.
    EXPECT_EQ(w.shownBackground(kList, 1, kName), kOddStripe);
    EXPECT_EQ(w.shownBackground(kList, 2, kName), kEvenStripe);
    EXPECT_EQ(w.cellColours(kList, 3, kRegistration).normalText, kRed) << "record 104";
    EXPECT_EQ(w.cellColours(kList, 3, kRegistration).normalBackground, kOddStripe);
    w.key(Qt::Key_End, Qt::ControlModifier);
  });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(ids(w).back(), 132);
    EXPECT_EQ(w.thumb(kList), 100);
    EXPECT_EQ(w.selectedRow(kList), w.rowCount(kList));
    w.key(Qt::Key_Home, Qt::ControlModifier);
  });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(ids(w).front(), 101);
    w.press("?CLOSE");
  });
  question("11 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);
}

TEST_F(GradeBookTest, PrintingPrintsTheShownPairAfterAskingAboutItsUngradedRecords) {
  signIn("1001", "uno");
  inBook([](WindowDriver& w) {
    w.chooseRow("?LIST2", 2);  // chosen, but not searched
    w.press("?BOTIMPRIMIR");
  });
  question("2 Alumno(s) no tiene(n) Calificación, Desea Continuar ?", "&No");
  inBook([](WindowDriver& w) { w.press("?BOTIMPRIMIR"); });
  question("2 Alumno(s) no tiene(n) Calificación, Desea Continuar ?", "&Si");
  inBook([](WindowDriver& w) { w.press("?BOTBUSCAR"); });
  inBook([](WindowDriver& w) { w.press("?BOTIMPRIMIR"); });
  question("8 Alumno(s) no tiene(n) Calificación, Desea Continuar ?", "&Si");
  inBook([](WindowDriver& w) { w.press("?CLOSE"); });
  question("11 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);
  using Report = testing::ProcedureCalls::Report;
  const std::string group = "1A" + std::string(18, ' ');
  EXPECT_EQ(calls.reports, (std::vector<Report>{{group, 2}, {group, 1}}));
}

TEST_F(GradeBookTest, NothingUngradedAsksNothingAndExportsTheTotal) {
  signIn("1004", "cuatro");
  inBook([](WindowDriver& w) {
    EXPECT_EQ(counts(w), (Texts{"2", "2", "0", "2", "2", "0"}));
    w.press("?BOTIMPRIMIR");
    w.press("?BUTTON6");
    w.press("?CLOSE");
  });
  EXPECT_EQ(runProgram(), 0);
  using Report = testing::ProcedureCalls::Report;
  EXPECT_EQ(calls.reports, (std::vector<Report>{{"2A" + std::string(18, ' '), 1}}));
  EXPECT_EQ(calls.exports, (std::vector<std::int32_t>{2}));
}

TEST_F(GradeBookTest, ExportingAndClosingAskAboutTheTeachersUngradedRecords) {
  signIn("1001", "uno");
  inBook([](WindowDriver& w) {
    search(w, 3);  // a pair with one ungraded record: the questions still count the teacher's
  });
  inBook([](WindowDriver& w) { w.press("?BUTTON6"); });
  question("11 Alumno(s) no tiene(n) Calificación, Desea Continuar ?", "&Si");
  inBook([](WindowDriver& w) { w.press("?CLOSE"); });
  question("11 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&No");
  inBook([](WindowDriver& w) {
    EXPECT_EQ(ids(w), (Ids{201, 202})) << "still open, as it was";
    w.closeBox();
  });
  question("11 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);
  EXPECT_EQ(calls.exports, (std::vector<std::int32_t>{40}));
}

TEST_F(GradeBookTest, TheGradeFormChangesTheSelectedRecordAndTheListAndCountsFollow) {
  // The grade form grades the record it is given: average 85, accredited.
  calls.form = []() -> std::uint8_t {
    platform::storage::DataFile& actas = dictionary::DataFileOf(dictionary::File::ACTAS);
    dictionary::RelationManagerOf(dictionary::File::ACTAS)->rememberLinkingValues();
    actas.buffer().setReal(actas.decl().fieldIndex("PROMEDIO"), 85);
    actas.buffer().setLong(actas.decl().fieldIndex("STATUS"), 1);
    const int level = dictionary::RelationManagerOf(dictionary::File::ACTAS)->update(true);
    return static_cast<std::uint8_t>(level == platform::kLevelBenign ? platform::kResponseCompleted
                                                                     : platform::kResponseCancelled);
  };
  signIn("1001", "uno");
  inBook([](WindowDriver& w) { w.doubleClickRow(kList, 2); });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(ids(w), (Ids{10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(w.cell(kList, 2, kAverage), "85");
    EXPECT_EQ(w.cell(kList, 2, kStatus), "ACREDITADO");
    EXPECT_EQ(w.cellColours(kList, 2, kRegistration).normalText, -1) << "graded: no longer red";
    EXPECT_EQ(w.selectedRow(kList), 2);
    EXPECT_EQ(counts(w), (Texts{"39", "29", "10", "5", "4", "1"}));
    w.clickRow(kList, 1);
    w.key(Qt::Key_Return, Qt::ControlModifier);
  });
  inBook([](WindowDriver& w) { w.contextMenu(kList, 4, "&Modificar"); });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(counts(w), (Texts{"40", "31", "9", "6", "6", "0"})) << "-5 became 85: counted now";
    w.clickRow(kList, 5);
    w.press("?CHANGE:3");
  });
  inBook([](WindowDriver& w) { w.press("?CLOSE"); });
  question("9 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);
  using Change = testing::ProcedureCalls::Change;
  EXPECT_EQ(calls.changes, (std::vector<Change>{{platform::kRequestChange, 20},
                                                {platform::kRequestChange, 10},
                                                {platform::kRequestChange, 40},
                                                {platform::kRequestChange, 50}}));
}

// The id in the list's selected row.
int selectedId(WindowDriver& w) {
  const int row = w.selectedRow(kList);
  return row >= 1 ? std::stoi(w.cell(kList, row, kId)) : 0;
}

TEST_F(GradeBookTest, TheLocatorSelectsTheTypedRecordInAGroupShorterThanAPageAndModificarOpensIt) {
  signIn("1001", "uno");
  inBook([](WindowDriver& w) {
    ASSERT_EQ(ids(w), (Ids{10, 20, 30, 40, 50, 60}));
    w.clickRow(kList, 1);
    w.typeHere("50");
  });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(ids(w), (Ids{10, 20, 30, 40, 50, 60})) << "the whole group still shows";
    EXPECT_EQ(w.selectedRow(kList), 5);
    w.press("?CHANGE:3");
  });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(w.selectedRow(kList), 5) << "back from the form";
    w.clickRow(kList, 6);  // the button took the focus
    w.typeHere("20");      // typed afresh, not after the "50" of before
  });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(selectedId(w), 20);
    w.key(Qt::Key_Return);  // the default button, "&Modificar"
  });
  inBook([](WindowDriver& w) { w.typeHere("45"); });  // no such id: the next one
  inBook([](WindowDriver& w) {
    EXPECT_EQ(selectedId(w), 50);
    w.doubleClickRow(kList, w.selectedRow(kList));
  });
  inBook([](WindowDriver& w) { w.press("?CLOSE"); });
  question("11 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);
  using Change = testing::ProcedureCalls::Change;
  EXPECT_EQ(calls.changes,
            (std::vector<Change>{
                {platform::kRequestChange, 50}, {platform::kRequestChange, 20}, {platform::kRequestChange, 50}}));
}

TEST_F(GradeBookTest, TheLocatorSelectsTheTypedRecordNearTheEndOfALongGroup) {
  signIn("1001", "uno");
  inBook([](WindowDriver& w) { search(w, 2); });  // (Ingeniería, 1A): ids 101 to 132
  inBook([](WindowDriver& w) {
    ASSERT_LT(w.rowCount(kList), 31) << "row 31 lies past the first page";
    w.clickRow(kList, 2);
    w.key(Qt::Key_Home, Qt::ControlModifier);
    w.typeHere("131");
  });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(ids(w).back(), 132) << "the last page, filled from above";
    EXPECT_EQ(selectedId(w), 131);
    w.press("?CHANGE:3");
  });
  inBook([](WindowDriver& w) {
    w.clickRow(kList, 1);
    w.typeHere("132");
  });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(selectedId(w), 132);
    EXPECT_EQ(w.selectedRow(kList), w.rowCount(kList)) << "the last row";
    w.key(Qt::Key_Return);
  });
  inBook([](WindowDriver& w) { w.typeHere("140"); });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(selectedId(w), 132) << "nothing at or after it: the last row";
    for (int i = 0; i < 3; ++i) w.key(Qt::Key_Backspace);
    w.typeHere("115");
  });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(selectedId(w), 115);
    w.press("?CHANGE:3");
  });
  inBook([](WindowDriver& w) { w.press("?CLOSE"); });
  question("11 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);
  using Change = testing::ProcedureCalls::Change;
  EXPECT_EQ(calls.changes,
            (std::vector<Change>{
                {platform::kRequestChange, 131}, {platform::kRequestChange, 132}, {platform::kRequestChange, 115}}));
}

TEST_F(GradeBookTest, TypingInTheOrderByNameLeavesTheSelectionWhereItWas) {
  signIn("1001", "uno");
  inBook([](WindowDriver& w) { w.selectTab("?CURRENTTAB", 2); });
  inBook([](WindowDriver& w) { w.clickRow(kList, 3); });
  inBook([](WindowDriver& w) {
    ASSERT_EQ(ids(w), (Ids{50, 10, 60, 20, 30, 40}));
    ASSERT_EQ(w.selectedRow(kList), 3);
    w.typeHere("e");  // "Eva Martínez" is row 1
  });
  inBook([](WindowDriver& w) {
    EXPECT_EQ(ids(w), (Ids{50, 10, 60, 20, 30, 40}));
    EXPECT_EQ(w.selectedRow(kList), 3);
    w.press("?CHANGE:3");
  });
  inBook([](WindowDriver& w) { w.press("?CLOSE"); });
  question("11 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);
  using Change = testing::ProcedureCalls::Change;
  EXPECT_EQ(calls.changes, (std::vector<Change>{{platform::kRequestChange, 60}}));
}

TEST_F(GradeBookTest, TheToolkitsOwnMenusAreSpanishFromTheSignInOn) {
  robot.inWindow(kSignIn, [](WindowDriver& w) {
    auto* entry = qobject_cast<QLineEdit*>(w.find("?GS_MAESTRO"));
    ASSERT_NE(entry, nullptr);
    std::unique_ptr<QMenu> menu(entry->createStandardContextMenu());
    Texts entries;
    for (QAction* action : menu->actions())
      if (!action->isSeparator()) entries.push_back(action->text().section('\t', 0, 0).toStdString());
    EXPECT_EQ(entries, (Texts{"&Deshacer", "&Rehacer", "Cor&tar", "&Copiar", "&Pegar", "Borrar", "Seleccionar todo"}));
    w.press("?CANCELAR");
  });
  EXPECT_EQ(runProgram(), 0);
}

TEST_F(GradeBookTest, NobodySignedInEndsTheProgramWithoutTheGradeBook) {
  robot.inWindow(kSignIn, [](WindowDriver& w) { w.press("?CANCELAR"); });
  EXPECT_EQ(runProgram(), 0);
  EXPECT_EQ(desktop.value, 1) << "the drag setting is back on";
  EXPECT_EQ(desktop.writes.size(), 2u);
  EXPECT_TRUE(calls.changes.empty());
}

}  // namespace
}  // namespace gradebook
