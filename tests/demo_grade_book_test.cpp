// The program run on the demo school as a teacher runs it: start, sign in, read the list, change
// tabs, choose another (programme, group) pair and "Buscar", leave. The grade form, grade sheet and
// export are the recording stand-ins. With GRADEBOOK_SCREENSHOTS naming a folder, saves the grade
// book there: both tabs, a selected row with a red registration number, and the list scrolled.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "gradebook/grade_book.h"
#include "gradebook/testing/procedure_doubles.h"
#include "tests/support/demo_school.h"

namespace {

namespace fs = std::filesystem;
using platform::ui::MessageDriver;
using platform::ui::WindowDriver;

constexpr const char* kList = "?BROWSE:1";
constexpr int kRegistration = 3, kName = 4, kAverage = 15;

class DemoTest : public tests::DemoSchoolTest {
 protected:
  void SetUp() override {
    DemoSchoolTest::SetUp();
    if (const char* dir = std::getenv("GRADEBOOK_SCREENSHOTS")) shots = dir;
  }

  void shoot(WindowDriver& w, const std::string& name) const {
    if (!shots.empty()) w.grab(shots + "/" + name + ".png");
  }

  // The grade book's own Main; the grade form, grade sheet and export record their calls.
  dictionary::Procedures procedures() {
    dictionary::Procedures given = calls.standIns();
    given.Main = gradebook::Main;
    return given;
  }

  std::string shots;
  platform::ui::QtUserPort messages{spanish};
  gradebook::testing::ProcedureCalls calls;
};

TEST_F(DemoTest, ATeacherReadsTheirGroupsInBothOrders) {
  robot.inWindow("Bienvenido", [](WindowDriver& w) {
    w.type("?GS_MAESTRO", "1001");
    w.type("?LS_TEMCONTRASENA", "sol2024");
    w.press("?ACEPTAR");
  });
  int firstPairRows = 0;
  robot.inWindow("Calificaciones", [&](WindowDriver& w) {
    // Eight pairs of 25 grade records; 20 of the 200 are ungraded.
    EXPECT_EQ(w.dropRowCount("?LIST2"), 8);
    EXPECT_EQ(w.text("?LIST2"), "Ingeniería de Software");
    EXPECT_EQ(w.text("?STRTOTALUMNOS"), "200");
    EXPECT_EQ(w.text("?STRGCONCALIFICACION"), "180");
    EXPECT_EQ(w.text("?STRGSINCALIFICACION"), "20");
    EXPECT_EQ(w.text("?STRTGRUSELECCIONADO"), "25");
    EXPECT_EQ(w.text("?LL_TOTGSCALIFICAR"), "2");
    firstPairRows = w.rowCount(kList);
    EXPECT_GT(firstPairRows, 10);
    // A row whose registration number is red: select it.
    for (int row = 1; row <= w.rowCount(kList); ++row) {
      if (w.cellColours(kList, row, kRegistration).normalText != 0x0000FF) continue;
      EXPECT_EQ(w.cell(kList, row, kAverage), "0");
      w.clickRow(kList, row);
      break;
    }
    shoot(w, "grade_book_by_registration");
    w.selectTab("?CURRENTTAB", 2);
  });
  robot.inWindow("Calificaciones", [&](WindowDriver& w) {
    EXPECT_EQ(w.rowCount(kList), firstPairRows);
    std::vector<std::string> names;
    for (int row = 1; row <= w.rowCount(kList); ++row) names.push_back(w.cell(kList, row, kName));
    EXPECT_LT(spanish.compare(names.front(), names.back()), 0) << "by name";
    shoot(w, "grade_book_by_name");
    w.chooseRow("?LIST2", 6);
    w.press("?BOTBUSCAR");
  });
  robot.inWindow("Calificaciones", [&](WindowDriver& w) {
    EXPECT_EQ(w.text("?LIST2"), "Licenciatura en Informática");
    EXPECT_EQ(w.text("?STRTGRUSELECCIONADO"), "25");
    EXPECT_EQ(w.text("?LL_TOTGSCALIFICAR"), "0");
    w.clickRow(kList, 1);
    w.key(Qt::Key_End, Qt::ControlModifier);
    w.scrollSideways(kList, true);
  });
  robot.inWindow("Calificaciones", [&](WindowDriver& w) {
    EXPECT_EQ(w.selectedRow(kList), w.rowCount(kList)) << "the last record, selected";
    if (w.rowCount(kList) < 25) {
      EXPECT_NE(w.thumb(kList), 0) << "scrolled down";
    }
    shoot(w, "grade_book_scrolled");
    w.press("?CLOSE");
  });
  robot.inMessage([](MessageDriver& m) {
    EXPECT_EQ(m.text(), "20 Alumno(s) no tiene(n) Calificación, Desea Salir ?");
    m.press("&Si");
  });
  EXPECT_EQ(runProgram(messages, procedures()), 0);
}

}  // namespace
