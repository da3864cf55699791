#include "dictionary/managers.h"

#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "dictionary/dictionary_test_support.h"
#include "platform/core/cp1252.h"
#include "platform/os/paths.h"

namespace dictionary::testing {
namespace {

using namespace platform::literals;

using platform::kLevelBenign;
using platform::kLevelNotify;
using B = platform::MessageButton;

constexpr File kAllFiles[] = {File::CIUDAD,
                              File::ZOLBRANS,
                              File::UNIDAD_ACADEMICA,
                              File::PROGRAMA_ACADEMICO,
                              File::PROGRAMA_ALUMNO,
                              File::UNIDAD_APRENDIZAJE,
                              File::ALUMNOS,
                              File::ACTAS,
                              File::EXPORTACION,
                              File::ACTAS_ALIAS,
                              File::PROGRAMA_ACADEMICO_ALIAS,
                              File::UNIDAD_APRENDIZAJE_ALIAS};

class ManagersTest : public DictionaryTest {
 protected:
  void SetUp() override {
    DictionaryTest::SetUp();
    if (!HasFatalFailure()) startProgram();
  }

  // Which files a walk left open (counted), by label.
  std::set<std::string> openFiles() const {
    std::set<std::string> open;
    for (File file : kAllFiles) {
      if (fileManager(file).openCount() > 0) open.insert(declaration(file).label);
    }
    return open;
  }
};

// Adds a record (with the numbers and the one text given) through the file manager without priming
// it, and returns the id the record was stored under.
std::int32_t addWithoutPriming(File file, std::vector<std::pair<const char*, std::int32_t>> numbers,
                               std::pair<const char*, const char*> text) {
  platform::FileManager& manager = *FileManagerOf(file);
  EXPECT_EQ(kLevelBenign, manager.open());
  platform::RecordBuffer& buffer = manager.buffer();
  buffer.clear();
  for (const auto& [name, value] : numbers) buffer.setLong(manager.file().decl().fieldIndex(name), value);
  buffer.setText(manager.file().decl().fieldIndex(text.first), platform::Cp1252View::ofBytes(text.second));
  EXPECT_EQ(kLevelBenign, manager.insert());
  manager.close();
  return buffer.getLong(0);
}

class EmptyFolderTest : public ManagersTest {
 protected:
  std::string tables() const override { return {}; }
};

// ---- Set-up and tear-down ----

TEST_F(ManagersTest, ConstructThenInitialiseThenKillInTheFixedOrder) {
  DictionaryKill();
  ConstructManagers();
  for (File file : kAllFiles) {
    const ManagerReferences refs = ReferencesOf(file);
    EXPECT_NE(nullptr, refs.owningFileManager);
    EXPECT_NE(nullptr, refs.owningRelationManager);
    EXPECT_EQ(refs.owningRelationManager, refs.relationManager);
    EXPECT_EQ(nullptr, refs.fileManager) << declaration(file).label;
  }
  InitManagers();
  std::vector<platform::FileManager*> expectedOrder;
  for (File file : kAllFiles) {
    const ManagerReferences refs = ReferencesOf(file);
    EXPECT_EQ(refs.owningFileManager, refs.fileManager) << declaration(file).label;
    EXPECT_EQ(&refs.relationManager->me(), refs.fileManager);
    EXPECT_TRUE(refs.relationManager->useLogout());
    EXPECT_EQ(2, refs.relationManager->logoutTimeout());
    EXPECT_FALSE(refs.relationManager->relationsRegistered());
    EXPECT_FALSE(refs.fileManager->initialized());  // no key registered yet
    EXPECT_EQ(0, refs.fileManager->openCount());
    // Messages name each file by its label; the export file by its current name.
    EXPECT_EQ(file == File::EXPORTACION ? "Exportacion.Tps" : declaration(file).label, refs.fileManager->fileName());
    expectedOrder.push_back(refs.fileManager);
  }
  EXPECT_EQ(expectedOrder, platform::FileManager::thisThreadsManagers());
  KillManagers();
  for (File file : kAllFiles) {
    const ManagerReferences refs = ReferencesOf(file);
    EXPECT_EQ(nullptr, refs.owningFileManager);
    EXPECT_EQ(nullptr, refs.owningRelationManager);
    EXPECT_EQ(nullptr, refs.fileManager);
    EXPECT_EQ(nullptr, refs.relationManager);
  }
  EXPECT_TRUE(platform::FileManager::thisThreadsManagers().empty());
  EXPECT_TRUE(platform::RelationManager::thisThreadsManagers().empty());
}

TEST_F(ManagersTest, AliasesAreTiedToTheFilesTheyAlias) {
  const std::pair<File, File> aliases[] = {{File::ACTAS_ALIAS, File::ACTAS},
                                           {File::PROGRAMA_ACADEMICO_ALIAS, File::PROGRAMA_ACADEMICO},
                                           {File::UNIDAD_APRENDIZAJE_ALIAS, File::UNIDAD_APRENDIZAJE}};
  for (auto [alias, aliased] : aliases) {
    EXPECT_EQ(FileManagerOf(aliased), fileManager(alias).aliasedFile());
    EXPECT_EQ(RelationManagerOf(aliased), relationManager(alias).aliasFile());
  }
  for (File file : {File::ACTAS, File::CIUDAD, File::EXPORTACION}) {
    EXPECT_EQ(nullptr, fileManager(file).aliasedFile());
    EXPECT_EQ(nullptr, relationManager(file).aliasFile());
  }
}

TEST_F(EmptyFolderTest, StartUpCreatesNothingAndTheFirstUseCreatesTheFile) {
  EXPECT_TRUE(openFiles().empty());
  for (const auto& entry : fs::directory_iterator(folder)) {
    EXPECT_NE(".Tps", entry.path().extension().string()) << entry.path();
  }
  platform::FileManager& cities = fileManager(File::CIUDAD);
  ASSERT_EQ(kLevelBenign, cities.open());
  record(File::CIUDAD).setLong(0, 1);
  EXPECT_EQ(kLevelNotify, cities.tryFetch(0));
  EXPECT_TRUE(fs::exists(folder / "Ciudad.Tps"));
  EXPECT_EQ(2u, cities.keys().size());
  EXPECT_EQ(kLevelBenign, cities.useFile(platform::kUseSetUpOnly));
  EXPECT_EQ(2u, cities.keys().size());
  EXPECT_TRUE(port.shown().empty());
}

// Every key under its own name, in declaration order; only the listed ones numbered.
TEST_F(ManagersTest, FirstUseRegistersTheKeysOnce) {
  struct Expected {
    File file;
    std::vector<std::string> keys;
    std::string numbered;
  };
  const Expected expected[] = {
      {File::ACTAS,
       {"ACT:PK_ACTA", "ACT:AK_CLAVE", "ACT:FK_ACTA_REF_28_ALUMNOS", "ACT:FK_ACTA_REF_32_ZOLBRANS",
        "ACT:FK_ACTA_REF_46_PROGRAMA", "ACT:FK_ACTAS_REF_213_CIUDAD", "ACT:FK_ACTAS_REF_60_UNIDAD_A"},
       "ACT:PK_ACTA"},
      {File::ACTAS_ALIAS,
       {"AACT:PK_ACTA", "AACT:AK_CLAVE", "AACT:FK_ACTA_REF_28_ALUMNOS", "AACT:FK_ACTA_REF_32_ZOLBRANS",
        "AACT:FK_ACTA_REF_46_PROGRAMA", "AACT:FK_ACTAS_REF_213_CIUDAD", "AACT:FK_ACTAS_REF_60_UNIDAD_A"},
       "AACT:PK_ACTA"},
      {File::ALUMNOS,
       {"ALU:PK_ALUMNOS", "ALU:AK_NOMBRE", "ALU:AK_MATRICULA", "ALU:FK_ALUMNOS_REF_42_PROGRAMA",
        "ALU:FK_ALUMNOS_REF_36_UNIDAD_A", "ALU:FK_ALUMNOS_REF_146_CIUDAD"},
       "ALU:PK_ALUMNOS"},
      {File::ZOLBRANS, {"MAE:PK_ZOLBRANS", "MAE:AK_CLAVE", "MAE:AK_NOMBRE"}, "MAE:PK_ZOLBRANS"},
      {File::UNIDAD_APRENDIZAJE, {"UAPR:PK_UNIDAD_APRENDIZAJE", "UAPR:AK_DESCRIPCION"}, ""},
      {File::UNIDAD_APRENDIZAJE_ALIAS, {"AUAPR:PK_UNIDAD_APRENDIZAJE", "AUAPR:AK_DESCRIPCION"}, ""},
      {File::PROGRAMA_ACADEMICO, {"PACA:PK_PROGRAMA_ACADEMICO", "PACA:AK_DESCRIPCION"}, "PACA:PK_PROGRAMA_ACADEMICO"},
      {File::PROGRAMA_ACADEMICO_ALIAS,
       {"APACA:PK_PROGRAMA_ACADEMICO", "APACA:AK_DESCRIPCION"},
       "APACA:PK_PROGRAMA_ACADEMICO"},
      {File::PROGRAMA_ALUMNO, {"PALU:PK_PROGRAMA_ALUMNO", "PALU:AK_DESCRIPCION"}, "PALU:PK_PROGRAMA_ALUMNO"},
      {File::UNIDAD_ACADEMICA, {"UACA:PK_UNIDAD_ACADEMICA", "UACA:AK_DESCRIPCION"}, "UACA:PK_UNIDAD_ACADEMICA"},
      {File::CIUDAD, {"CIU:PK_CIUDAD", "CIU:AK_DESCRIPCION"}, "CIU:PK_CIUDAD"},
      {File::EXPORTACION, {"EXP:PK_ACTA", "EXP:AK_CLAVE", "EXP:AKBUSCAR"}, "EXP:PK_ACTA"},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(declaration(e.file).label);
    platform::FileManager& manager = fileManager(e.file);
    ASSERT_EQ(kLevelBenign, manager.useFile(platform::kUseSetUpOnly));
    ASSERT_EQ(kLevelBenign, manager.useFile(platform::kUseSetUpOnly));
    EXPECT_TRUE(manager.initialized());
    EXPECT_TRUE(manager.create());
    EXPECT_EQ(10, manager.lockRecover());
    EXPECT_EQ(0x42, manager.openMode());
    std::vector<std::string> labels;
    std::string numbered;
    for (const auto& k : manager.keys()) {
      labels.push_back(k.description);
      if (k.numbered) numbered += k.description;
    }
    EXPECT_EQ(e.keys, labels);
    EXPECT_EQ(e.numbered, numbered);
  }
}

// ---- Numbering ----

TEST_F(ManagersTest, NewTeacherGetsTheHighestIdPlusOneWhateverTheGaps) {
  platform::FileManager& teachers = fileManager(File::ZOLBRANS);
  ASSERT_EQ(kLevelBenign, teachers.open());
  ASSERT_EQ(kLevelBenign, teachers.primeRecord());
  EXPECT_EQ(42, record(File::ZOLBRANS).getLong(field(File::ZOLBRANS, "ID_MAE")));
  record(File::ZOLBRANS).setLong(field(File::ZOLBRANS, "CLAVE"), 1042);
  record(File::ZOLBRANS).setText(field(File::ZOLBRANS, "NOMBRE"), "Nueva Maestra"_cp1252);
  ASSERT_EQ(kLevelBenign, teachers.insert());
  EXPECT_NE(std::string::npos, dump(File::ZOLBRANS).find("42,1042,Nueva Maestra,"));
  teachers.close();
}

TEST_F(EmptyFolderTest, FirstTeacherOfAnEmptyFileGetsOne) {
  EXPECT_EQ(1, addWithoutPriming(File::ZOLBRANS, {{"ID_MAE", 9}, {"CLAVE", 5}}, {"NOMBRE", "Primera"}));
}

TEST_F(ManagersTest, LearningUnitKeepsItsOwnId) {
  EXPECT_EQ(77, addWithoutPriming(File::UNIDAD_APRENDIZAJE, {{"ID_UAPR", 77}}, {"DESCRIPCION", "Quimica"}));
}

TEST_F(ManagersTest, DuplicateTeacherKeyIsRefusedNamingTheKey) {
  platform::FileManager& teachers = fileManager(File::ZOLBRANS);
  ASSERT_EQ(kLevelBenign, teachers.open());
  ASSERT_EQ(kLevelBenign, teachers.primeRecord());
  record(File::ZOLBRANS).setLong(field(File::ZOLBRANS, "CLAVE"), 1002);
  record(File::ZOLBRANS).setText(field(File::ZOLBRANS, "NOMBRE"), "Otro"_cp1252);
  const std::string before = snapshot();
  EXPECT_EQ(kLevelNotify, teachers.insert());
  EXPECT_EQ("Error Clave Duplicada ", port.last().caption);
  EXPECT_EQ("Agregar este registro genera una duplicidad para la clave: MAE:AK_CLAVE", port.last().text);
  EXPECT_EQ(before, snapshot());
  teachers.close();
}

// ---- Parent-record checks ----

// The grade records open with every related file, as the grade form has them.
class GradeFormTest : public ManagersTest {
 protected:
  void SetUp() override {
    ManagersTest::SetUp();
    if (HasFatalFailure()) return;
    relationManager(File::ACTAS).setOpenRelated();
    ASSERT_EQ(kLevelBenign, relationManager(File::ACTAS).open());
  }
  void TearDown() override {
    if (started) relationManager(File::ACTAS).close();
    ManagersTest::TearDown();
  }
};

// The same with the students open too, whose own checks are tried as well.
class ChecksTest : public GradeFormTest {
 protected:
  void SetUp() override {
    GradeFormTest::SetUp();
    if (!HasFatalFailure()) {
      ASSERT_EQ(kLevelBenign, relationManager(File::ALUMNOS).open());
    }
  }
  void TearDown() override {
    if (started) relationManager(File::ALUMNOS).close();
    GradeFormTest::TearDown();
  }
};

TEST_F(ChecksTest, EachParentFieldNamesItsFileWhenItsRecordIsMissing) {
  struct Case {
    File file;
    std::int32_t id;
    const char* field;
    std::int32_t value;
    const char* shownField;
    const char* shownFile;
  };
  const Case cases[] = {
      {File::ACTAS, 1, "ID_ALU", 99, "ACT:ID_ALU", "ALUMNOS"},
      {File::ACTAS, 1, "ID_MAE", 0, "ACT:ID_MAE", "ZOLBRANS"},  // 0 is never a record's id
      {File::ACTAS, 1, "ID_UAPR", 99, "ACT:ID_UAPR", "UNIDAD_APRENDIZAJE"},
      {File::ACTAS, 1, "ID_PACA", 99, "ACT:ID_PACA", "PROGRAMA_ACADEMICO"},
      {File::ACTAS, 1, "ID_CIU", 99, "ACT:ID_CIU", "CIUDAD"},
      {File::ALUMNOS, 1, "ID_UACA", 99, "ALU:ID_UACA", "UNIDAD_ACADEMICA"},
      {File::ALUMNOS, 1, "ID_PALU", 99, "ALU:ID_PALU", "PROGRAMA_ALUMNO"},
      {File::ALUMNOS, 1, "ID_CIU", 99, "ALU:ID_CIU", "CIUDAD"},
  };
  const std::string before = snapshot();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shownField);
    port.clear();
    readById(c.file, c.id);
    record(c.file).setLong(field(c.file, c.field), c.value);
    EXPECT_EQ(platform::kLevelUser, fileManager(c.file).update());
    ASSERT_EQ(1u, port.shown().size());
    EXPECT_EQ("El Campo Contiene un Error", port.last().caption);
    EXPECT_EQ(std::string("El valor de ") + c.shownField + " debe encontrarse en " + c.shownFile + " el archivo.",
              port.last().text);
  }
  EXPECT_EQ(before, snapshot());
}

TEST_F(ChecksTest, OnlyTheLowestFailingFieldIsReportedAndTheParentBufferStays) {
  readById(File::ALUMNOS, 3);
  const platform::RecordBuffer student = record(File::ALUMNOS);
  readById(File::ACTAS, 2);
  record(File::ACTAS).setLong(field(File::ACTAS, "ID_ALU"), 99);
  record(File::ACTAS).setLong(field(File::ACTAS, "ID_CIU"), 99);
  const std::string before = snapshot();
  EXPECT_EQ(platform::kLevelUser, relationManager(File::ACTAS).update(true));
  ASSERT_EQ(1u, port.shown().size());
  EXPECT_EQ("El valor de ACT:ID_ALU debe encontrarse en ALUMNOS el archivo.", port.last().text);
  EXPECT_TRUE(record(File::ALUMNOS) == student);
  EXPECT_EQ(before, snapshot());
  // The insert of such a record is refused the same way.
  port.clear();
  record(File::ACTAS).setLong(field(File::ACTAS, "ID_ACT"), 0);
  EXPECT_EQ(kLevelNotify, fileManager(File::ACTAS).insert());
  EXPECT_EQ(std::vector<std::string>{"El Campo Contiene un Error"}, captions());
  EXPECT_EQ(before, snapshot());
}

TEST_F(ChecksTest, AliasOfTheGradeRecordsRunsTheirChecksAndLeavesTheirBuffer) {
  readById(File::ACTAS, 3);
  const platform::RecordBuffer gradeRecord = record(File::ACTAS);
  ASSERT_EQ(kLevelBenign, relationManager(File::ACTAS_ALIAS).open());
  readById(File::ACTAS_ALIAS, 1);
  EXPECT_EQ(kLevelBenign, fileManager(File::ACTAS_ALIAS).validateRecord());
  record(File::ACTAS_ALIAS).setLong(field(File::ACTAS_ALIAS, "ID_PACA"), 99);
  EXPECT_EQ(kLevelNotify, fileManager(File::ACTAS_ALIAS).validateRecord());
  EXPECT_EQ("El valor de ACT:ID_PACA debe encontrarse en PROGRAMA_ACADEMICO el archivo.", port.last().text);
  EXPECT_TRUE(record(File::ACTAS) == gradeRecord);
  relationManager(File::ACTAS_ALIAS).close();
}

// ---- Relations and walks ----

TEST_F(ManagersTest, RelationsInRegistrationOrder) {
  // Each entry: other file, then for a parent entry the link, the child key and the modes.
  const std::map<File, std::vector<std::string>> expected = {
      {File::UNIDAD_APRENDIZAJE_ALIAS, {"ACTAS"}},
      {File::PROGRAMA_ACADEMICO_ALIAS, {"ACTAS_ALIAS APACA:ID_PACA=AACT:ID_PACA AACT:FK_ACTA_REF_46_PROGRAMA 3/2"}},
      {File::ACTAS_ALIAS, {"PROGRAMA_ACADEMICO_ALIAS"}},
      {File::EXPORTACION, {}},
      {File::ACTAS,
       {"CIUDAD", "ZOLBRANS", "PROGRAMA_ACADEMICO", "UNIDAD_APRENDIZAJE", "ALUMNOS",
        "UNIDAD_APRENDIZAJE_ALIAS ACT:ID_UAPR=AUAPR:ID_UAPR AUAPR:PK_UNIDAD_APRENDIZAJE 3/2"}},
      {File::ALUMNOS,
       {"CIUDAD", "UNIDAD_ACADEMICA", "PROGRAMA_ALUMNO", "ACTAS ALU:ID_ALU=ACT:ID_ALU ACT:FK_ACTA_REF_28_ALUMNOS 3/2"}},
      {File::UNIDAD_APRENDIZAJE, {"ACTAS UAPR:ID_UAPR=ACT:ID_UAPR ACT:FK_ACTAS_REF_60_UNIDAD_A 3/2"}},
      {File::PROGRAMA_ALUMNO, {"ALUMNOS PALU:ID_PALU=ALU:ID_PALU ALU:FK_ALUMNOS_REF_42_PROGRAMA 3/2"}},
      {File::PROGRAMA_ACADEMICO, {"ACTAS PACA:ID_PACA=ACT:ID_PACA ACT:FK_ACTA_REF_46_PROGRAMA 3/2"}},
      {File::UNIDAD_ACADEMICA, {"ALUMNOS UACA:ID_UACA=ALU:ID_UACA ALU:FK_ALUMNOS_REF_36_UNIDAD_A 3/2"}},
      {File::ZOLBRANS, {"ACTAS MAE:ID_MAE=ACT:ID_MAE ACT:FK_ACTA_REF_32_ZOLBRANS 3/2"}},
      {File::CIUDAD,
       {"ACTAS CIU:ID_CIU=ACT:ID_CIU ACT:FK_ACTAS_REF_213_CIUDAD 3/2",
        "ALUMNOS CIU:ID_CIU=ALU:ID_CIU ALU:FK_ALUMNOS_REF_146_CIUDAD 3/2"}},
  };
  for (const auto& [file, entries] : expected) {
    SCOPED_TRACE(declaration(file).label);
    platform::RelationManager& rm = relationManager(file);
    ASSERT_EQ(kLevelBenign, rm.open());
    std::vector<std::string> described;
    for (const auto& relation : rm.relations()) {
      const platform::storage::FileDecl& other = relation.file->me().file().decl();
      std::string text = other.label;
      if (relation.parent) {
        for (const auto& pair : relation.fields) {
          text += " " + rm.me().file().decl().fieldName(pair.parentField) + "=" + other.fieldName(pair.childField);
        }
        text += " " + other.keyName(relation.hisKey) + " " + std::to_string(relation.updateMode) + "/" +
                std::to_string(relation.deleteMode);
      }
      described.push_back(text);
    }
    EXPECT_EQ(entries, described);
    // A second open registers nothing more.
    ASSERT_EQ(kLevelBenign, rm.open());
    EXPECT_EQ(entries.size(), rm.relations().size());
    rm.close();
    rm.close();
    EXPECT_TRUE(openFiles().empty());
  }
}

TEST_F(ManagersTest, OpenWalkOfStudentsWithAndWithoutTheOpenRelatedRequest) {
  platform::RelationManager& students = relationManager(File::ALUMNOS);
  ASSERT_EQ(kLevelBenign, students.open());
  EXPECT_EQ((std::set<std::string>{"ALUMNOS", "CIUDAD", "UNIDAD_ACADEMICA", "PROGRAMA_ALUMNO", "ACTAS"}), openFiles());
  for (File file : kAllFiles) {
    EXPECT_EQ(file == File::ALUMNOS, relationManager(file).relationsRegistered()) << declaration(file).label;
    EXPECT_EQ(file == File::ALUMNOS, fileManager(file).isPhysicallyOpen()) << declaration(file).label;
    EXPECT_LE(fileManager(file).openCount(), 1);
  }
  students.close();
  EXPECT_TRUE(openFiles().empty());

  students.setOpenRelated();
  ASSERT_EQ(kLevelBenign, students.open());
  EXPECT_EQ((std::set<std::string>{"ALUMNOS", "CIUDAD", "UNIDAD_ACADEMICA", "PROGRAMA_ALUMNO", "ACTAS", "ZOLBRANS",
                                   "UNIDAD_APRENDIZAJE", "PROGRAMA_ACADEMICO", "UNIDAD_APRENDIZAJE_ALIAS"}),
            openFiles());
  for (File file : kAllFiles) EXPECT_LE(fileManager(file).openCount(), 1) << declaration(file).label;
  students.close();
  EXPECT_TRUE(openFiles().empty());
  for (File file : kAllFiles) EXPECT_FALSE(fileManager(file).isPhysicallyOpen()) << declaration(file).label;
}

TEST_F(ManagersTest, ExportFileOpensAloneUnderItsCurrentName) {
  started->files().Gs_ArchivoExportacion = "Export 7.Vyr"_cp1252;
  platform::RelationManager& exports = relationManager(File::EXPORTACION);
  ASSERT_EQ(kLevelBenign, exports.open());
  EXPECT_TRUE(exports.relations().empty());
  EXPECT_EQ(std::set<std::string>{"EXPORTACION"}, openFiles());
  EXPECT_TRUE(fs::exists(folder / "Export 7.Vyr"));
  exports.close();

  // A file that cannot be opened is named by its path.
  std::ofstream(folder / "Broken.Vyr") << std::string(4096, 'x');
  started->files().Gs_ArchivoExportacion = platform::os::textOf(folder / "Broken.Vyr").value();
  EXPECT_THROW(exports.open(), platform::ProgramHalted);
  EXPECT_EQ("Error de Acceso", port.last().caption);
  EXPECT_EQ(0u, port.last().text.find("El archivo (" + (folder / "Broken.Vyr").string() + ") no pudo ser abierto."))
      << port.last().text;
}

// ---- Referential integrity ----

TEST_F(ManagersTest, TeacherWithGradeRecordsIsNotDeleted) {
  ASSERT_EQ(kLevelBenign, relationManager(File::ZOLBRANS).open());
  readById(File::ZOLBRANS, 1);
  const std::string before = snapshot();
  port.answer({B::Yes, B::Ok, B::No});
  EXPECT_EQ(kLevelNotify, relationManager(File::ZOLBRANS).deleteRecord(true));
  EXPECT_EQ((std::vector<std::string>{"Confirme al Borrar", "Error de Integridad Referencial al Borrar",
                                      "Error al Borrar el Registro"}),
            captions());
  EXPECT_EQ(
      "Este registro es referenciado por el archivo ACTAS. Este registro No puede ser eliminado mientras las "
      "referencias existan.",
      port.shown()[1].text);
  EXPECT_EQ(before, snapshot());
  // A teacher nobody refers to is deleted.
  readById(File::ZOLBRANS, 2);
  EXPECT_EQ(kLevelBenign, relationManager(File::ZOLBRANS).deleteRecord(false));
  EXPECT_EQ(std::string::npos, dump(File::ZOLBRANS).find("Luis Soto"));
  relationManager(File::ZOLBRANS).close();
}

TEST_F(ManagersTest, CityOnlyStudentsReferToNamesTheStudents) {
  ASSERT_EQ(kLevelBenign, relationManager(File::CIUDAD).open());
  readById(File::CIUDAD, 3);
  port.answer({B::Ok, B::No});
  EXPECT_EQ(kLevelNotify, relationManager(File::CIUDAD).deleteRecord(false));
  ASSERT_EQ(2u, port.shown().size());
  EXPECT_NE(std::string::npos, port.shown()[0].text.find("por el archivo ALUMNOS."));
  relationManager(File::CIUDAD).close();
}

TEST_F(ManagersTest, ChangedCityIdIsCarriedIntoGradeRecordsAndStudents) {
  ASSERT_EQ(kLevelBenign, relationManager(File::CIUDAD).open());
  readById(File::CIUDAD, 1);
  record(File::CIUDAD).setLong(field(File::CIUDAD, "ID_CIU"), 50);
  EXPECT_EQ(kLevelBenign, relationManager(File::CIUDAD).update(true));
  EXPECT_TRUE(port.shown().empty());
  const std::string grades = dump(File::ACTAS), students = dump(File::ALUMNOS);
  EXPECT_NE(std::string::npos, grades.find("\n1,5110,2024-2,1A,1,1,1,1,50,")) << grades;
  EXPECT_NE(std::string::npos, grades.find("\n2,5110,2024-2,1A,3,1,1,1,50,")) << grades;
  EXPECT_NE(std::string::npos, grades.find("\n3,77,2024-1,2B,1,1,2,2,2,")) << grades;
  EXPECT_NE(std::string::npos, students.find(",1,1,50\n")) << students;
  EXPECT_EQ(std::string::npos, students.find(",1,1,1\n")) << students;
  EXPECT_NE(std::string::npos, dump(File::CIUDAD).find("50,Mérida"));
  relationManager(File::CIUDAD).close();
  EXPECT_TRUE(openFiles().empty());
}

TEST_F(ManagersTest, ChangedStudentIdIsCarriedIntoTheirGradeRecords) {
  ASSERT_EQ(kLevelBenign, relationManager(File::ALUMNOS).open());
  readById(File::ALUMNOS, 1);
  record(File::ALUMNOS).setLong(field(File::ALUMNOS, "ID_ALU"), 9);
  EXPECT_EQ(kLevelBenign, relationManager(File::ALUMNOS).update(true));
  const std::string grades = dump(File::ACTAS);
  EXPECT_NE(std::string::npos, grades.find("\n1,5110,2024-2,1A,9,")) << grades;
  EXPECT_NE(std::string::npos, grades.find("\n3,77,2024-1,2B,9,")) << grades;
  EXPECT_NE(std::string::npos, grades.find("\n2,5110,2024-2,1A,3,")) << grades;
  relationManager(File::ALUMNOS).close();
}

// As the grade form saves grade record 1.
class GradeFormSaveTest : public GradeFormTest {
 protected:
  void SetUp() override {
    GradeFormTest::SetUp();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(fileManager(File::UNIDAD_APRENDIZAJE_ALIAS).openCount() > 0);
    readById(File::ACTAS, 1);
  }
};

TEST_F(GradeFormSaveTest, ScoresOnlyChangeWritesOnlyTheGradeRecord) {
  const std::string students = dump(File::ALUMNOS), units = dump(File::UNIDAD_APRENDIZAJE);
  record(File::ACTAS).setReal(field(File::ACTAS, "EXAMEN"), 95);
  EXPECT_EQ(kLevelBenign, relationManager(File::ACTAS).update(true));
  EXPECT_TRUE(port.shown().empty());
  EXPECT_NE(std::string::npos, dump(File::ACTAS).find("\n1,5110,2024-2,1A,1,1,1,1,1,24,80,14,95,"));
  EXPECT_EQ(students, dump(File::ALUMNOS));
  EXPECT_EQ(units, dump(File::UNIDAD_APRENDIZAJE));
}

TEST_F(GradeFormSaveTest, AnotherExistingLearningUnitIsRefusedAndNothingIsWritten) {
  const std::string before = snapshot();
  record(File::ACTAS).setLong(field(File::ACTAS, "ID_UAPR"), 2);
  record(File::ACTAS).setReal(field(File::ACTAS, "EXAMEN"), 95);
  EXPECT_EQ(kLevelNotify, relationManager(File::ACTAS).update(true));
  ASSERT_EQ(1u, port.shown().size());
  EXPECT_EQ("Registro no Fué Actualizado", port.last().caption);
  const std::string duplicate = platform::cp1252ToUtf8(started->locale().errorText(40));
  EXPECT_EQ("Un error (" + duplicate +
                ") fué experimentado cuando se realizaron los cambios al archivo UNIDAD_APRENDIZAJE_ALIAS",
            port.last().text);
  EXPECT_EQ(before, snapshot());
}

// ---- Threads ----

TEST_F(ManagersTest, AnotherThreadHasManagersAndBuffersOfItsOwn) {
  platform::FileManager* mine = FileManagerOf(File::ACTAS);
  platform::storage::DataFile* myFile = &DataFileOf(File::ACTAS);
  record(File::ACTAS).setLong(0, 123);
  platform::FileManager* theirs = nullptr;
  platform::storage::DataFile* theirFile = nullptr;
  std::int32_t theirId = -1, theirStudent = -1;
  bool killedAtTheEnd = false;
  std::thread([&] {
    {
      ProgramThread thread;
      theirs = FileManagerOf(File::ACTAS);
      theirFile = &DataFileOf(File::ACTAS);
      theirId = record(File::ACTAS).getLong(0);
      ASSERT_EQ(kLevelBenign, relationManager(File::ALUMNOS).open());
      readById(File::ALUMNOS, 2);
      theirStudent = record(File::ALUMNOS).getLong(0);
      relationManager(File::ALUMNOS).close();
    }
    killedAtTheEnd = FileManagerOf(File::ACTAS) == nullptr;
  }).join();
  EXPECT_NE(nullptr, theirs);
  EXPECT_NE(mine, theirs);
  EXPECT_NE(myFile, theirFile);
  EXPECT_EQ(0, theirId);  // their buffer starts cleared
  EXPECT_EQ(2, theirStudent);
  EXPECT_TRUE(killedAtTheEnd);
  EXPECT_EQ(mine, FileManagerOf(File::ACTAS));
  EXPECT_EQ(123, record(File::ACTAS).getLong(0));
}

}  // namespace
}  // namespace dictionary::testing
