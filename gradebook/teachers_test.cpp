// The teacher lookup and the teacher form on real widgets over real data files
// (tests/fixtures/grade_form: teachers 1001, 1002, 500 and 2000, ids 1 to 4; the last has no grade
// records).
#include <cstdlib>

#include "gradebook/browse_zolbrans.h"
#include "gradebook/window_test_support.h"
#include "platform/classes/window_controller.h"

namespace gradebook::testing {
namespace {

using dictionary::File;
using platform::ui::WindowDriver;

constexpr const char* kLookup = "Zolbrans";

class TeachersTest : public WindowTest {
 protected:
  static std::vector<std::string> column(WindowDriver& w, int c) {
    std::vector<std::string> cells;
    for (int r = 1; r <= w.rowCount("?BROWSE:1"); ++r) cells.push_back(w.cell("?BROWSE:1", r, c));
    return cells;
  }
  std::string teacher(std::int32_t key) {
    const std::string csv = dump(File::ZOLBRANS);
    const std::size_t at = csv.find("," + std::to_string(key) + ",");
    return at == std::string::npos ? "none"
                                   : csv.substr(csv.rfind('\n', at) + 1, csv.find('\n', at) - csv.rfind('\n', at) - 1);
  }
};

TEST_F(TeachersTest, SelectModeListsByIdOrByNameAndLeavesTheChosenTeacher) {
  robot.inWindow(kLookup, [](WindowDriver& w) {
    EXPECT_TRUE(w.isVisible("?SELECT"));
    EXPECT_FALSE(w.isVisible("?HELP"));
    EXPECT_EQ(w.selectedTab("?CURRENTTAB"), 1);
    EXPECT_EQ(w.header("?BROWSE:1", 1), "Clave");
    // "Por Clave" follows the ids: key 500 was added after 1002.
    EXPECT_EQ(column(w, 1), (std::vector<std::string>{"1001", "1002", "500", "2000"}));
    w.selectTab("?CURRENTTAB", 2);
  });
  robot.inWindow(kLookup, [](WindowDriver& w) {
    EXPECT_EQ(column(w, 2), (std::vector<std::string>{"LUIS SOTO", "MARTA RUIZ", "PEÑA, ANA", "SIN ACTAS"}));
    w.clickRow("?BROWSE:1", 2);
    w.press("?SELECT");
  });
  EXPECT_EQ(platform::kResponseCompleted, run(platform::kRequestSelect, BrowseZOLBRANS));
  EXPECT_EQ(3, record(File::ZOLBRANS).getLong(field(File::ZOLBRANS, "ID_MAE")));
  EXPECT_EQ(500, record(File::ZOLBRANS).getLong(field(File::ZOLBRANS, "CLAVE")));
  EXPECT_EQ(0, fileManager(File::ZOLBRANS).openCount());

  robot.inWindow(kLookup, [](WindowDriver& w) { w.press("?CLOSE"); });
  EXPECT_EQ(platform::kResponseCancelled, run(platform::kRequestSelect, BrowseZOLBRANS)) << "closed: cancelled";
  robot.inWindow(kLookup, [](WindowDriver& w) {
    EXPECT_FALSE(w.isVisible("?SELECT")) << "only in select mode";
    w.press("?CLOSE");
  });
  EXPECT_EQ(platform::kResponseCompleted, run(0, BrowseZOLBRANS)) << "in any other mode closing completes";
}

TEST_F(TeachersTest, AddingATeacherChecksItsKeyForDuplicatesAndLeavesNoPassword) {
  robot.inWindow(kLookup, [](WindowDriver& w) { w.press("?INSERT:2"); });
  robot.inWindow("Nuevo Maestro", [](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?MAE:CLAVE");
    w.press("?OK");
  });
  robot.inWindow("Nuevo Maestro", [](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?MAE:CLAVE") << "a key of 0 is no key: the required entry stops the save";
    w.type("?MAE:CLAVE", "1002");
    w.type("?MAE:NOMBRE", "nueva maestra");
    EXPECT_EQ(w.text("?MAE:NOMBRE"), "NUEVA MAESTRA");
    w.press("?OK");
  });
  message("Error Clave Duplicada ", "Agregar este registro genera una duplicidad para la clave: MAE:AK_CLAVE",
          "&Aceptar");
  robot.inWindow("Nuevo Maestro", [](WindowDriver& w) {
    w.type("?MAE:CLAVE", "300");
    w.press("?OK");
  });
  robot.inWindow(kLookup, [](WindowDriver& w) {
    EXPECT_EQ(column(w, 1), (std::vector<std::string>{"1001", "1002", "500", "2000", "300"}));
    w.press("?CLOSE");
  });
  EXPECT_EQ(platform::kResponseCompleted, run(0, BrowseZOLBRANS));
  EXPECT_EQ("5,300,NUEVA MAESTRA,", teacher(300)) << "numbered after the highest id, with a blank password";
}

TEST_F(TeachersTest, ChangingATeacherKeepsThePasswordAndADuplicateNameIsRefused) {
  robot.inWindow(kLookup, [](WindowDriver& w) {
    w.clickRow("?BROWSE:1", 2);
    w.press("?CHANGE:2");
  });
  robot.inWindow("Modificar Maestro", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?MAE:CLAVE"), "0000001002");
    EXPECT_EQ(w.text("?MAE:NOMBRE"), "LUIS SOTO");
    w.type("?MAE:NOMBRE", "MARTA RUIZ");
    w.press("?OK");
  });
  robot.inMessage([](platform::ui::MessageDriver& m) {
    EXPECT_EQ(m.caption(), "Registro no Fué Actualizado");
    m.press("&Aceptar");
  });
  robot.inMessage([](platform::ui::MessageDriver& m) {
    EXPECT_EQ(m.caption(), "Error de Actualización del Registro");
    EXPECT_EQ(m.buttons(), (std::vector<std::string>{"&Si", "&No", "&Cancelar"}));
    m.press("&Cancelar");
  });
  robot.inWindow("Modificar Maestro", [](WindowDriver& w) {
    w.type("?MAE:NOMBRE", "Luis Soto Paz");
    w.press("?OK");
  });
  robot.inWindow(kLookup, [](WindowDriver& w) {
    EXPECT_EQ(w.cell("?BROWSE:1", 2, 2), "LUIS SOTO PAZ");
    w.press("?CLOSE");
  });
  EXPECT_EQ(platform::kResponseCompleted, run(0, BrowseZOLBRANS));
  EXPECT_EQ("2,1002,LUIS SOTO PAZ,dos", teacher(1002));
}

TEST_F(TeachersTest, ATeacherWithGradeRecordsCannotBeDeleted) {
  robot.inWindow(kLookup, [](WindowDriver& w) {
    w.clickRow("?BROWSE:1", 1);
    w.press("?DELETE:2");
  });
  message("Confirme al Borrar", "Está seguro que desea borrar el registro seleccionado?", "&Si");
  message("Error de Integridad Referencial al Borrar",
          "Este registro es referenciado por el archivo ACTAS. Este registro No puede ser eliminado mientras las "
          "referencias existan.",
          "&Aceptar");
  robot.inMessage([](platform::ui::MessageDriver& m) {
    EXPECT_EQ(m.caption(), "Error al Borrar el Registro");
    m.press("&No");
  });
  robot.inWindow(kLookup, [](WindowDriver& w) {
    EXPECT_EQ(w.rowCount("?BROWSE:1"), 4);
    w.clickRow("?BROWSE:1", 4);
    w.press("?DELETE:2");
  });
  message("Confirme al Borrar", "Está seguro que desea borrar el registro seleccionado?", "&Si");
  robot.inWindow(kLookup, [](WindowDriver& w) {
    EXPECT_EQ(column(w, 1), (std::vector<std::string>{"1001", "1002", "500"})) << "a teacher with no records goes";
    w.press("?CLOSE");
  });
  EXPECT_EQ(platform::kResponseCompleted, run(0, BrowseZOLBRANS));
  EXPECT_EQ("none", teacher(2000));
  EXPECT_NE("none", teacher(1001));
}

TEST_F(TeachersTest, ViewModeCallsNothing) {
  robot.inWindow(kLookup, [](WindowDriver& w) {
    w.clickRow("?BROWSE:1", 1);
    w.press("?CHANGE:2");
    w.press("?CLOSE");
  });
  EXPECT_EQ(platform::kResponseCompleted, run(platform::kRequestView, BrowseZOLBRANS));
}

// With GRADEBOOK_SCREENSHOTS naming a folder, saves the lookup and the form there.
TEST_F(TeachersTest, Screenshots) {
  const char* folder = std::getenv("GRADEBOOK_SCREENSHOTS");
  if (folder == nullptr) GTEST_SKIP() << "GRADEBOOK_SCREENSHOTS is not set";
  const std::string dir = folder;
  robot.inWindow(kLookup, [dir](WindowDriver& w) {
    w.clickRow("?BROWSE:1", 2);
    w.grab(dir + "/teacher_lookup.png");
    w.press("?CHANGE:2");
  });
  robot.inWindow("Modificar Maestro", [dir](WindowDriver& w) {
    w.grab(dir + "/teacher_form.png");
    w.press("?CANCEL");
  });
  robot.inWindow(kLookup, [](WindowDriver& w) { w.press("?SELECT"); });
  run(platform::kRequestSelect, BrowseZOLBRANS);
}

}  // namespace
}  // namespace gradebook::testing
