// The program as it ships, with its own grade form, grade sheet and export, run on the demo school
// through the robot: a teacher signs in, grades an ungraded student, saves the group's grade sheet
// as a PDF from the preview, exports their grade records and leaves. Afterwards the data files hold
// the new scores and the export file holds every grade record of the teacher.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gradebook/procedures.h"
#include "platform/port/scripted_port.h"
#include "tests/support/demo_school.h"

namespace {

namespace fs = std::filesystem;
using platform::ui::MessageDriver;
using platform::ui::WindowDriver;

constexpr const char* kBook = "Calificaciones";
constexpr const char* kList = "?BROWSE:1";
constexpr int kRegistration = 3, kAverage = 15, kStatus = 16;

// Real message boxes for the robot; the folder and file dialogs answered from a script.
class TeacherPort : public platform::ui::QtUserPort {
 public:
  using QtUserPort::QtUserPort;
  std::optional<std::string> chooseFolder(const platform::FolderRequest& request) override {
    return dialogs.chooseFolder(request);
  }
  std::optional<std::string> chooseFileToSave(const platform::SaveFileRequest& request) override {
    return dialogs.chooseFileToSave(request);
  }
  platform::ScriptedPort dialogs;
};

class TeacherSessionTest : public tests::DemoSchoolTest {
 protected:
  void SetUp() override {
    DemoSchoolTest::SetUp();
    if (HasFatalFailure()) return;
    out = folder / "salida";
    fs::create_directories(out);
  }

  void question(const std::string& text, const std::string& answer) {
    robot.inMessage([text, answer](MessageDriver& m) {
      EXPECT_EQ(m.text(), text);
      m.press(answer);
    });
  }
  int runProgram() { return DemoSchoolTest::runProgram(port, gradebook::ProgramProcedures()); }
  std::string dump(const fs::path& file, const std::string& label = {}) {
    std::ostringstream csv;
    datatool::DumpOptions options;
    options.label = label;
    const datatool::Result read = datatool::dump(decls, spanish, file, options, csv);
    EXPECT_TRUE(read.ok()) << read.error;
    return csv.str();
  }

  fs::path out;
  TeacherPort port{spanish};
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) out.push_back(line);
  return out;
}

// The lines of `after` that `before` does not hold, in their order.
std::vector<std::string> changed(const std::string& before, const std::string& after) {
  const std::vector<std::string> old = lines(before);
  std::vector<std::string> out;
  for (const std::string& line : lines(after))
    if (std::find(old.begin(), old.end(), line) == old.end()) out.push_back(line);
  return out;
}

TEST_F(TeacherSessionTest, ATeacherGradesPrintsExportsAndLeaves) {
  const std::string gradeRecordsBefore = dump(folder / "Actas.Tps");
  robot.inWindow("Bienvenido", [](WindowDriver& w) {
    w.type("?GS_MAESTRO", "1001");
    w.type("?LS_TEMCONTRASENA", "sol2024");
    w.press("?ACEPTAR");
  });
  // The first ungraded student of the first pair: red, average 0. Change it.
  auto ungraded = std::make_shared<int>(0);
  auto registration = std::make_shared<std::string>();
  robot.inWindow(kBook, [=](WindowDriver& w) {
    EXPECT_EQ(w.text("?STRGSINCALIFICACION"), "20");
    EXPECT_EQ(w.text("?LL_TOTGSCALIFICAR"), "2");
    for (int row = 1; row <= w.rowCount(kList) && *ungraded == 0; ++row)
      if (w.cellColours(kList, row, kRegistration).normalText == 0x0000FF) *ungraded = row;
    ASSERT_NE(*ungraded, 0);
    *registration = w.cell(kList, *ungraded, kRegistration);
    w.doubleClickRow(kList, *ungraded);
  });
  auto average = std::make_shared<std::string>();
  robot.inWindow("Modificar Calificación", [=](WindowDriver& w) {
    EXPECT_EQ(w.text("?ALU:MATRICULA"), *registration);
    for (const char* label : {"?ACT:PORTAFOLIO", "?ACT:EXAMEN", "?ACT:PARTICIPACION", "?ACT:ENSAYO"}) {
      w.type(label, "90");
      w.key(Qt::Key_Tab);
    }
  });
  robot.inWindow("Modificar Calificación", [=](WindowDriver& w) {
    *average = w.text("?ACT:PROMEDIO");
    EXPECT_EQ(*average, "90") << "the four weights add up to 100";
    EXPECT_EQ(w.text("?ACT:STATUS"), "ACREDITADO");
    w.press("?OK");
  });
  robot.inWindow(kBook, [=](WindowDriver& w) {
    EXPECT_EQ(w.cell(kList, *ungraded, kRegistration), *registration) << "the same record, in its place";
    EXPECT_EQ(w.cell(kList, *ungraded, kAverage), *average);
    EXPECT_EQ(w.cell(kList, *ungraded, kStatus), "ACREDITADO");
    EXPECT_NE(w.cellColours(kList, *ungraded, kRegistration).normalText, 0x0000FF) << "graded: no longer red";
    EXPECT_EQ(w.text("?STRGSINCALIFICACION"), "19");
    EXPECT_EQ(w.text("?LL_TOTGSCALIFICAR"), "1");
    w.press("?BOTIMPRIMIR");
  });
  question("1 Alumno(s) no tiene(n) Calificación, Desea Continuar ?", "&Si");
  const fs::path pdf = out / "hoja.pdf";
  port.dialogs.answerFile(pdf.string());
  robot.inWindow("Presentación Preliminar", [](WindowDriver& w) { w.press("?BOTPDF"); });
  robot.inWindow("Presentación Preliminar", [](WindowDriver& w) { w.choose("?EXIT"); });
  robot.inWindow(kBook, [](WindowDriver& w) { w.press("?BUTTON6"); });
  question("19 Alumno(s) no tiene(n) Calificación, Desea Continuar ?", "&Si");
  port.dialogs.answerFolder(out.string());
  robot.inWindow("Exportación", [](WindowDriver& w) { w.press("?LOOKUPFILE"); });
  robot.inWindow("Exportación", [](WindowDriver& w) { w.press("?OKBUTTON"); });
  question("Exportación Terminada", "&Aceptar");
  robot.inWindow("Exportación", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?LS_POR"), "100 %");
    w.press("?CANCELBUTTON");
  });
  robot.inWindow(kBook, [](WindowDriver& w) { w.press("?CLOSE"); });
  question("19 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);

  // Only that grade record changed: four scores of 90, the average 90, accredited (1).
  const std::vector<std::string> saved = changed(gradeRecordsBefore, dump(folder / "Actas.Tps"));
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_NE(saved.front().find(",90,"), std::string::npos) << saved.front();
  EXPECT_TRUE(saved.front().ends_with(",90,1")) << saved.front();
  std::ifstream sheet(pdf, std::ios::binary);
  std::string head(5, '\0');
  sheet.read(head.data(), 5);
  EXPECT_EQ(head, "%PDF-") << "the grade sheet saved from the preview";
  // One export file, holding the teacher's 200 grade records under a header line.
  std::vector<fs::path> exports;
  for (const auto& entry : fs::directory_iterator(out))
    if (entry.path().extension() == ".Vyr") exports.push_back(entry.path());
  ASSERT_EQ(exports.size(), 1u);
  EXPECT_EQ(lines(dump(exports.front(), "EXPORTACION")).size(), 201u);
}

void signIn(platform::ui::Robot& robot, const std::string& key, const std::string& password) {
  robot.inWindow("Bienvenido", [=](WindowDriver& w) {
    w.type("?GS_MAESTRO", key);
    w.type("?LS_TEMCONTRASENA", password);
    w.press("?ACEPTAR");
  });
}

std::vector<fs::path> exportFiles(const fs::path& folder) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".Vyr") found.push_back(entry.path());
  return found;
}

// A score over 100 is refused on leaving it and again by "&Aceptar"; cancelling the changed record
// asks first, and after all that nothing is written.
TEST_F(TeacherSessionTest, AScoreOver100AndACancelledChangeWriteNothing) {
  const std::string gradeRecordsBefore = dump(folder / "Actas.Tps");
  signIn(robot, "1001", "sol2024");
  robot.inWindow(kBook, [](WindowDriver& w) { w.doubleClickRow(kList, 1); });
  robot.inWindow("Modificar Calificación", [](WindowDriver& w) {
    w.type("?ACT:PORTAFOLIO", "101");
    w.key(Qt::Key_Tab);
  });
  robot.inMessage([](MessageDriver& m) {
    EXPECT_EQ(m.text(), "Error la calificacion es mayor de 100");
    m.press("&Aceptar");
  });
  robot.inWindow("Modificar Calificación", [](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?ACT:PORTAFOLIO");
    EXPECT_EQ(w.text("?ACT:PORTAFOLIO"), "101");
    w.press("?OK");
  });
  robot.inMessage([](MessageDriver& m) {
    EXPECT_EQ(m.text(), "Error la calificacion es mayor de 100");
    m.press("&Aceptar");
  });
  robot.inWindow("Modificar Calificación", [](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?ACT:PORTAFOLIO");
    w.type("?ACT:EXAMEN", "55");
    w.key(Qt::Key_Tab);
    w.press("?CANCEL");
  });
  question("Está seguro de cancelar?", "&No");
  robot.inWindow("Modificar Calificación", [](WindowDriver& w) { w.press("?CANCEL"); });
  question("Está seguro de cancelar?", "&Si");
  robot.inWindow(kBook, [](WindowDriver& w) {
    EXPECT_EQ(w.text("?STRGSINCALIFICACION"), "20");
    w.press("?CLOSE");
  });
  question("20 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);
  EXPECT_EQ(dump(folder / "Actas.Tps"), gradeRecordsBefore);
}

// A pair without ungraded records prints at once, without a question.
TEST_F(TeacherSessionTest, APairWithEveryRecordGradedPrintsWithoutAQuestion) {
  signIn(robot, "1001", "sol2024");
  robot.inWindow(kBook, [](WindowDriver& w) {
    // In description order the sixth pair is "Licenciatura en Informática" 1A, all 25 graded.
    w.chooseRow("?LIST2", 6);
    w.press("?BOTBUSCAR");
  });
  robot.inWindow(kBook, [](WindowDriver& w) {
    EXPECT_EQ(w.text("?STRTGRUSELECCIONADO"), "25");
    EXPECT_EQ(w.text("?LL_TOTGSCALIFICAR"), "0");
    w.press("?BOTIMPRIMIR");
  });
  robot.inWindow("Presentación Preliminar", [](WindowDriver& w) { w.choose("?EXIT"); });
  robot.inWindow(kBook, [](WindowDriver& w) { w.press("?CLOSE"); });
  question("20 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);
}

// Two exports from one window, and a third from the window opened again: each finishes without an
// error, and every export file left holds all of the teacher's grade records once.
TEST_F(TeacherSessionTest, ExportingAgainWritesWholeFilesAgain) {
  signIn(robot, "1001", "sol2024");
  for (int opening = 0; opening < 2; ++opening) {
    robot.inWindow(kBook, [](WindowDriver& w) { w.press("?BUTTON6"); });
    question("20 Alumno(s) no tiene(n) Calificación, Desea Continuar ?", "&Si");
    port.dialogs.answerFolder(out.string());
    robot.inWindow("Exportación", [](WindowDriver& w) { w.press("?LOOKUPFILE"); });
    for (int press = 0; press < 2 - opening; ++press) {
      robot.inWindow("Exportación", [](WindowDriver& w) { w.press("?OKBUTTON"); });
      question("Exportación Terminada", "&Aceptar");
    }
    robot.inWindow("Exportación", [](WindowDriver& w) { w.press("?CANCELBUTTON"); });
  }
  robot.inWindow(kBook, [](WindowDriver& w) { w.press("?CLOSE"); });
  question("20 Alumno(s) no tiene(n) Calificación, Desea Salir ?", "&Si");
  EXPECT_EQ(runProgram(), 0);

  const std::vector<fs::path> exports = exportFiles(out);
  ASSERT_FALSE(exports.empty());
  for (const fs::path& file : exports) EXPECT_EQ(lines(dump(file, "EXPORTACION")).size(), 201u) << file;
}

// A teacher without grade records: empty book, zero counts, nothing to print, an empty export,
// and leaving asks nothing.
TEST_F(TeacherSessionTest, ATeacherWithoutGradeRecordsPrintsNothingAndExportsAnEmptyFile) {
  signIn(robot, "1008", "pino42");
  robot.inWindow(kBook, [](WindowDriver& w) {
    EXPECT_EQ(w.rowCount(kList), 0);
    for (const char* label : {"?STRTOTALUMNOS", "?STRGCONCALIFICACION", "?STRGSINCALIFICACION", "?STRTGRUSELECCIONADO",
                              "?LL_GCONCALIFICACION", "?LL_TOTGSCALIFICAR"})
      EXPECT_EQ(w.text(label), "0") << label;
    w.press("?BOTIMPRIMIR");
  });
  question("No hay ningún registro disponible para procesar.", "&Aceptar");
  robot.inWindow(kBook, [](WindowDriver& w) { w.press("?BUTTON6"); });
  port.dialogs.answerFolder(out.string());
  robot.inWindow("Exportación", [](WindowDriver& w) { w.press("?LOOKUPFILE"); });
  robot.inWindow("Exportación", [](WindowDriver& w) { w.press("?OKBUTTON"); });
  question("Exportación Terminada", "&Aceptar");
  robot.inWindow("Exportación", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?LS_POR"), "0 %") << "its blanks left to the centring";
    w.press("?CANCELBUTTON");
  });
  robot.inWindow(kBook, [](WindowDriver& w) { w.press("?CLOSE"); });
  EXPECT_EQ(runProgram(), 0);

  const std::vector<fs::path> exports = exportFiles(out);
  ASSERT_EQ(exports.size(), 1u);
  EXPECT_EQ(lines(dump(exports.front(), "EXPORTACION")).size(), 1u) << "the header line only";
}

}  // namespace
