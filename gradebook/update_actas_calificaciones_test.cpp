// The grade form on real widgets over real data files (tests/fixtures/grade_form), driven by the
// robot as the grade book calls it: the grade record in the ACTAS buffer, the request change.
#include "gradebook/update_actas_calificaciones.h"

#include <cstdlib>
#include <optional>

#include "gradebook/window_test_support.h"
#include "platform/classes/window_controller.h"

namespace gradebook::testing {
namespace {

using dictionary::File;
using platform::ui::MessageDriver;
using platform::ui::WindowDriver;

constexpr const char* kChange = "Modificar Calificación";
constexpr const char* kLoseChanges = "Los Cambios Serán Perdidos!";
constexpr const char* kSureToCancel = "Está seguro de cancelar?";

class GradeFormTest : public WindowTest {
 protected:
  // The grade record as the grade book leaves it for the form: read into the ACTAS buffer.
  void loadGradeRecord(std::int32_t id) {
    platform::RelationManager& grades = relationManager(File::ACTAS);
    ASSERT_EQ(platform::kLevelBenign, grades.open());
    record(File::ACTAS).clear();
    record(File::ACTAS).setLong(field(File::ACTAS, "ID_ACT"), id);
    ASSERT_EQ(platform::kLevelBenign, fileManager(File::ACTAS).tryFetch(key(File::ACTAS, "PK_ACTA")));
    opened = true;
  }
  int runForm(std::uint8_t request = platform::kRequestChange) {
    const int response = run(request, UpdateACTAS_CALIFICACIONES);
    if (opened) relationManager(File::ACTAS).close();
    opened = false;
    return response;
  }
  // Types a score and leaves the entry with Tab, as a teacher does.
  static void score(WindowDriver& w, const std::string& label, const std::string& value) {
    w.type(label, value);
    w.key(Qt::Key_Tab);
  }
  void scoreTooHigh() {
    robot.inMessage([](MessageDriver& m) {
      EXPECT_EQ(m.caption(), "Atención");
      EXPECT_EQ(m.text(), "Error la calificacion es mayor de 100");
      EXPECT_TRUE(m.showsExclamation());
      EXPECT_EQ(m.buttons(), std::vector<std::string>{"&Aceptar"});
      m.press("&Aceptar");
    });
  }

  bool opened = false;
};

TEST_F(GradeFormTest, ScoresTypedAreWeightedAveragedAndSavedIntoThatRecordOnly) {
  loadGradeRecord(2);
  const std::string before = snapshot();
  robot.inWindow(kChange, [](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?ALU:MATRICULA") << "the focus starts on the registration number";
    EXPECT_EQ(w.text("?ALU:MATRICULA"), "A-002");
    EXPECT_EQ(w.text("?ALU:NOMBRE"), "Begoña Ruiz");
    EXPECT_EQ(w.text("?ALU:SEXO"), "FEMENINO");
    EXPECT_EQ(w.text("?UACA:DESCRIPCION"), "Facultad de Ingeniería");
    EXPECT_EQ(w.text("?PALU:DESCRIPCION"), "Intercambio académico");
    EXPECT_EQ(w.text("?ACT:GRUPO"), "1A");
    EXPECT_EQ(w.text("?MAE:CLAVE"), "0000001001");
    EXPECT_EQ(w.text("?MAE:NOMBRE"), "PEÑA, ANA");
    EXPECT_EQ(w.text("?UAPR:DESCRIPCION"), "Álgebra");
    EXPECT_EQ(w.dropRowCount("?UAPR:DESCRIPCION"), 3);
    // In the order of the description key: the locale's collation puts Á after the letters it lists.
    EXPECT_EQ(w.dropCell("?UAPR:DESCRIPCION", 1, 1), "Cálculo");
    EXPECT_EQ(w.dropCell("?UAPR:DESCRIPCION", 3, 1), "Álgebra");
    EXPECT_EQ(w.text("?PACA:DESCRIPCION"), "Informática");
    EXPECT_EQ(w.dropCell("?PACA:DESCRIPCION", 2, 2), "2");
    for (const auto& [label, text] : {std::pair{"?LL_PROMEDIO_1", "30"},
                                      {"?LL_PROMEDIO_2", "20"},
                                      {"?LL_PROMEDIO_3", "20"},
                                      {"?LL_PROMEDIO_4", "30"},
                                      {"?AUAPR:DESC_UNO", "PORTAFOLIO"},
                                      {"?AUAPR:DESC_TRES", "PARTICIPACIÓN"}})
      EXPECT_EQ(w.text(label), text) << label;
    EXPECT_EQ(w.text("?ACT:STATUS"), "RECUPERAR");
    score(w, "?ACT:PORTAFOLIO", "80");
  });
  robot.inWindow(kChange, [](WindowDriver& w) {
    EXPECT_EQ(w.text("?ACT:POR_PORTAFOLIO"), "24");
    EXPECT_EQ(w.text("?ACT:PROMEDIO"), "24");
    EXPECT_EQ(w.focusLabel(), "?ACT:EXAMEN");
    score(w, "?ACT:EXAMEN", "70");
    score(w, "?ACT:PARTICIPACION", "90");
    score(w, "?ACT:ENSAYO", "60");
  });
  robot.inWindow(kChange, [](WindowDriver& w) {
    EXPECT_EQ(w.text("?ACT:POR_EXAMEN"), "14");
    EXPECT_EQ(w.text("?ACT:POR_PARTICIPACION"), "18");
    EXPECT_EQ(w.text("?ACT:POR_ENSAYO"), "18");
    EXPECT_EQ(w.text("?ACT:PROMEDIO"), "74");
    EXPECT_EQ(w.text("?ACT:STATUS"), "ACREDITADO");
    w.press("?OK");
  });
  EXPECT_EQ(platform::kResponseCompleted, runForm());
  EXPECT_EQ("80|70|90|60|24|14|18|18|74|1", gradeRecordSeenByTheList(2));
  // Only the ACTAS record changed: every other record and file is as it was.
  const std::string after = snapshot();
  EXPECT_EQ(before.substr(0, before.find("== ACTAS")), after.substr(0, after.find("== ACTAS")));
  EXPECT_EQ("80|70|90|60|24|14|18|18|74|1", gradeRecordSeenByTheList(1)) << "the other records are untouched";
  EXPECT_EQ("60|60|60|60|15|15|15|15|60|1", gradeRecordSeenByTheList(3));
  EXPECT_EQ("75|0|0|0|30|0|0|0|30|0", gradeRecordSeenByTheList(4));
  EXPECT_EQ(dictionary::ThisThread().Request, 0);
  EXPECT_EQ(started->errors().status().procedure, "Main");
}

TEST_F(GradeFormTest, CancelClosesAtOnceUnlessTheRecordChangedThenAsks) {
  loadGradeRecord(2);
  robot.inWindow(kChange, [](WindowDriver& w) { w.press("?CANCEL"); });
  EXPECT_EQ(platform::kResponseCancelled, runForm());

  loadGradeRecord(2);
  robot.inWindow(kChange, [](WindowDriver& w) {
    score(w, "?ACT:EXAMEN", "55");
    w.press("?CANCEL");
  });
  message(kLoseChanges, kSureToCancel, "&No", {"&Si", "&No"});
  robot.inWindow(kChange, [](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?ALU:MATRICULA") << "No: back to the first field";
    EXPECT_EQ(w.text("?ACT:POR_EXAMEN"), "11");
    w.closeBox();
  });
  message(kLoseChanges, kSureToCancel, "&Si");
  EXPECT_EQ(platform::kResponseCancelled, runForm());
  EXPECT_EQ("0|0|0|0|0|0|0|0|0|0", gradeRecordSeenByTheList(2)) << "nothing written";

  // A score typed and not yet left is a change too, also when the close box ends the form.
  loadGradeRecord(2);
  robot.inWindow(kChange, [](WindowDriver& w) {
    w.type("?ACT:ENSAYO", "70");
    w.closeBox();
  });
  message(kLoseChanges, kSureToCancel, "&Si");
  EXPECT_EQ(platform::kResponseCancelled, runForm());
  EXPECT_EQ("0|0|0|0|0|0|0|0|0|0", gradeRecordSeenByTheList(2)) << "nothing written";
}

TEST_F(GradeFormTest, AScoreAbove100IsRefusedAndBlocksTheSave) {
  loadGradeRecord(1);
  robot.inWindow(kChange, [](WindowDriver& w) { score(w, "?ACT:EXAMEN", "101"); });
  scoreTooHigh();
  robot.inWindow(kChange, [](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?ACT:EXAMEN") << "the focus goes back to the score";
    EXPECT_EQ(w.text("?ACT:EXAMEN"), "101") << "the typed value stays";
    EXPECT_EQ(w.text("?ACT:POR_EXAMEN"), "14") << "nothing recomputed";
    EXPECT_EQ(w.text("?ACT:PROMEDIO"), "74");
    w.press("?OK");
  });
  scoreTooHigh();  // the accept-all pass meets it again: nothing is saved
  robot.inWindow(kChange, [](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?ACT:EXAMEN");
    score(w, "?ACT:EXAMEN", "100");
    w.press("?OK");
  });
  EXPECT_EQ(platform::kResponseCompleted, runForm());
  EXPECT_EQ("80|100|90|60|24|20|18|18|80|1", gradeRecordSeenByTheList(1));
}

TEST_F(GradeFormTest, AcceptingAgainRecomputesEveryScoreAndTheStatusChosenByHandDoesNotSurvive) {
  loadGradeRecord(4);  // Física 40/30/10/20, stored under other weights: 30 for a portfolio of 75
  robot.inWindow(kChange, [](WindowDriver& w) {
    EXPECT_EQ(w.text("?ACT:POR_PORTAFOLIO"), "30") << "as stored until the score is accepted";
    w.chooseRow("?ACT:STATUS", 2);
    EXPECT_EQ(w.text("?ACT:STATUS"), "ACREDITADO");
    w.press("?OK");
  });
  EXPECT_EQ(platform::kResponseCompleted, runForm());
  EXPECT_EQ("75|0|0|0|30|0|0|0|30|0", gradeRecordSeenByTheList(4)) << "75 x 0.4 is 30: status from the average";

  loadGradeRecord(1);  // its stored values already follow its scores and weights
  const std::string before = snapshot();
  robot.inWindow(kChange, [](WindowDriver& w) { w.press("?OK"); });
  EXPECT_EQ(platform::kResponseCompleted, runForm());
  EXPECT_EQ(before, snapshot()) << "nothing to write";
}

// Another workstation saves grade record 3 while the form has it open.
class ConcurrentGradeFormTest : public GradeFormTest {
 protected:
  void beforeProgramStarts() override {
    other = startOtherProgram(go, []() -> int {
      platform::RelationManager& grades = *dictionary::RelationManagerOf(File::ACTAS);
      grades.setOpenRelated();
      if (grades.open()) return 1;
      platform::RecordBuffer& grade = dictionary::DataFileOf(File::ACTAS).buffer();
      const platform::storage::FileDecl& decl = dictionary::DataFileOf(File::ACTAS).decl();
      grade.setLong(0, 3);
      if (dictionary::FileManagerOf(File::ACTAS)->tryFetch(0)) return 2;
      grades.rememberLinkingValues();
      grade.setReal(decl.fieldIndex("EXAMEN"), 40);
      grade.setReal(decl.fieldIndex("POR_EXAMEN"), 10);
      grade.setReal(decl.fieldIndex("PROMEDIO"), 55);
      grade.setLong(decl.fieldIndex("STATUS"), 0);
      return grades.update(true);
    });
  }

  dictionary::testing::Signal go;
  pid_t other = 0;
};

TEST_F(ConcurrentGradeFormTest, ARecordChangedAtAnotherWorkstationIsShownAsStored) {
  loadGradeRecord(3);
  robot.inWindow(kChange, [&](WindowDriver& w) {
    score(w, "?ACT:PORTAFOLIO", "100");
    go.raise();
    ASSERT_EQ(0, exitCode(other));
    w.press("?OK");
  });
  message("Registro no fué Actualizado",
          "Este registro fué cambiado por otra estacion de trabajo. Esos cambios serán ahora mostrados. Use el ditto "
          "boton o Ctrl+' para volver a llamar sus cambios.",
          "&Aceptar");
  robot.inWindow(kChange, [](WindowDriver& w) {
    EXPECT_EQ(w.text("?ACT:EXAMEN"), "40") << "the record as the other workstation stored it";
    EXPECT_EQ(w.text("?ACT:PORTAFOLIO"), "60");
    EXPECT_EQ(w.text("?ACT:PROMEDIO"), "55");
    w.press("?CANCEL");  // what is shown is what is stored: nothing to lose
  });
  EXPECT_EQ(platform::kResponseCancelled, runForm());
  EXPECT_EQ("60|40|60|60|15|10|15|15|55|0", gradeRecordSeenByTheList(3));
}

// Another program reads the grade records inside a read transaction of its own, so that the form
// cannot commit its save until that program is done.
class LockedGradeFormTest : public GradeFormTest {
 protected:
  void beforeProgramStarts() override { reader.emplace(declaration(File::ACTAS), folder, spanish); }
  // The save refused for the lock, and the question whether to save again.
  void refusedForTheLock(const std::string& answer) {
    message("Registro no Fué Actualizado",
            "Un error (El archivo está bloqueado...) fué experimentado cuando se realizaron los cambios al archivo "
            "ACTAS",
            "&Aceptar");
    message("Error de Actualización del Registro",
            "Un error ocurrió durante la actualización del registro. Desea tratar de guardar de nuevo?", answer,
            {"&Si", "&No", "&Cancelar"});
  }

  std::optional<dictionary::testing::ReadLockHolder> reader;
};

TEST_F(LockedGradeFormTest, ScoresRefusedForAnotherProgramsLockStayAndAreSavedOnceItIsDone) {
  loadGradeRecord(3);  // Cálculo, 25 each: 60 60 60 60
  reader->hold();
  robot.inWindow(kChange, [](WindowDriver& w) {
    score(w, "?ACT:PORTAFOLIO", "100");
    score(w, "?ACT:EXAMEN", "90");
    w.press("?OK");
  });
  refusedForTheLock("&Si");  // tried again while the other program still reads
  refusedForTheLock("&Cancelar");
  robot.inWindow(kChange, [&](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?ALU:MATRICULA") << "back to the first field";
    EXPECT_EQ(w.text("?ACT:PORTAFOLIO"), "100") << "what the teacher typed stays";
    EXPECT_EQ(w.text("?ACT:EXAMEN"), "90");
    EXPECT_EQ(w.text("?ACT:PROMEDIO"), "78");
    EXPECT_EQ(w.text("?ACT:STATUS"), "ACREDITADO");
    ASSERT_EQ(0, reader->release());
    w.press("?OK");
  });
  EXPECT_EQ(platform::kResponseCompleted, runForm());
  EXPECT_EQ("100|90|60|60|25|22.5|15|15|77.5|1", gradeRecordSeenByTheList(3));
}

TEST_F(GradeFormTest, ViewModeShowsTheRecordAndChangesNothing) {
  loadGradeRecord(1);
  robot.inWindow("View Record", [](WindowDriver& w) {
    for (const char* entry : {"?ACT:PORTAFOLIO", "?ACT:EXAMEN", "?ACT:POR_ENSAYO", "?ACT:PROMEDIO", "?ALU:NOMBRE"})
      EXPECT_TRUE(w.isReadOnly(entry)) << entry;
    for (const char* list : {"?ALU:SEXO", "?ACT:STATUS", "?UAPR:DESCRIPCION", "?PACA:DESCRIPCION", "?CALLLOOKUP"})
      EXPECT_FALSE(w.isEnabled(list)) << list;
    w.press("?OK");
  });
  EXPECT_EQ(platform::kResponseCancelled, runForm(platform::kRequestView));
  loadGradeRecord(1);
  robot.inWindow("View Record", [](WindowDriver& w) { w.press("?CANCEL"); });
  EXPECT_EQ(platform::kResponseCancelled, runForm(platform::kRequestView));
  EXPECT_EQ("80|70|90|60|24|14|18|18|74|1", gradeRecordSeenByTheList(1));
}

TEST_F(GradeFormTest, AnotherLearningUnitCannotBeSavedOverOneThatExists) {
  loadGradeRecord(2);
  const std::string before = snapshot();
  robot.inWindow(kChange, [](WindowDriver& w) {
    w.chooseRow("?UAPR:DESCRIPCION", 1);
    w.press("?OK");
  });
  robot.inMessage([](MessageDriver& m) {
    EXPECT_EQ(m.caption(), "Registro no Fué Actualizado");
    EXPECT_NE(m.text().find("al archivo UNIDAD_APRENDIZAJE_ALIAS"), std::string::npos) << m.text();
    m.press("&Aceptar");
  });
  robot.inWindow(kChange, [](WindowDriver& w) { w.press("?CANCEL"); });
  message(kLoseChanges, kSureToCancel, "&Si");
  EXPECT_EQ(platform::kResponseCancelled, runForm());
  EXPECT_EQ(before, snapshot()) << "the grade record and both learning units as they were";
}

TEST_F(GradeFormTest, TheHistoryKeyBringsBackTheLastSavedValue) {
  loadGradeRecord(2);
  robot.inWindow(kChange, [](WindowDriver& w) {
    score(w, "?ACT:PORTAFOLIO", "66");
    w.press("?OK");
  });
  EXPECT_EQ(platform::kResponseCompleted, runForm());
  loadGradeRecord(3);
  robot.inWindow(kChange, [](WindowDriver& w) {
    w.press("?ACT:PORTAFOLIO");
    w.key(Qt::Key_H, Qt::ControlModifier);
  });
  robot.inWindow(kChange, [](WindowDriver& w) {
    EXPECT_EQ(w.text("?ACT:PORTAFOLIO"), "66");
    EXPECT_EQ(w.text("?ACT:POR_PORTAFOLIO"), "15") << "not recomputed by the history key";
    w.press("?CANCEL");
  });
  message(kLoseChanges, kSureToCancel, "&Si");
  EXPECT_EQ(platform::kResponseCancelled, runForm());
}

// The demo school's own tables, for pictures of the form as a teacher sees it.
class DemoGradeFormTest : public GradeFormTest {
 protected:
  std::string tables() const override { return "../../tools/demo"; }
};

// With GRADEBOOK_SCREENSHOTS naming a folder, saves there the form on the demo school's first grade
// record, as stored and with scores typed, and the message of a score above 100.
TEST_F(DemoGradeFormTest, Screenshots) {
  const char* folder = std::getenv("GRADEBOOK_SCREENSHOTS");
  if (folder == nullptr) GTEST_SKIP() << "GRADEBOOK_SCREENSHOTS is not set";
  const std::string dir = folder;
  loadGradeRecord(1);
  robot.inWindow(kChange, [dir](WindowDriver& w) {
    w.grab(dir + "/grade_form.png");
    score(w, "?ACT:PORTAFOLIO", "80");
    score(w, "?ACT:EXAMEN", "70");
    score(w, "?ACT:PARTICIPACION", "90");
    score(w, "?ACT:ENSAYO", "55");
  });
  robot.inWindow(kChange, [dir](WindowDriver& w) {
    w.grab(dir + "/grade_form_typed.png");
    score(w, "?ACT:EXAMEN", "120");
  });
  robot.inMessage([dir](MessageDriver& m) {
    m.grab(dir + "/grade_form_too_high.png");
    m.press("&Aceptar");
  });
  robot.inWindow(kChange, [](WindowDriver& w) { w.press("?CANCEL"); });
  message(kLoseChanges, kSureToCancel, "&Si");
  runForm();
}

}  // namespace
}  // namespace gradebook::testing
