// The export on real data files loaded from tests/fixtures/export: what it writes, where, and
// what it does when the disk fills up or the program dies in the middle.
#include "output/grade_export.h"

#include <sqlcipher/sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "dictionary/dictionary_test_support.h"
#include "platform/core/cp1252.h"
#include "platform/core/date_time.h"
#include "platform/os/paths.h"
#include "platform/storage/testing/fault_vfs.h"
#include "platform/storage/testing/open_descriptors.h"
#include "platform/storage/testing/status_matchers.h"

namespace output {
namespace {

using namespace platform::literals;

namespace fs = std::filesystem;
using dictionary::File;
using dictionary::testing::DictionaryTest;
using platform::storage::testing::IsOk;

// 8 December 2026, 14:05:30.
const platform::LocalMoment kMoment{platform::dateSerial(2026, 12, 8), platform::clockValue(14, 5, 30)};
constexpr const char* kFileName = "Exporacion - 1234 - 12-08-26 14-05.Vyr";
constexpr const char* kHeader =
    "ID_ACT,CLAVE,PERIODO,GRUPO,MATRICULA,NOMBRE,CLA_MAESTRO,NOM_MAESTRO,UNI_APRENDIZAJE,PROG_ACADEMICO,DESC_CIUDAD,"
    "POR_PORTAFOLIO,PORTAFOLIO,POR_EXAMEN,EXAMEN,POR_PARTICIPACION,PARTICIPACION,POR_ENSAYO,ENSAYO,PROMEDIO,STATUS,"
    "FECHA,HORA\n";
const std::string kLongUnit =
    "Seminario de Investigación Aplicada a la Evaluación del Aprendizaje en Ciencias Exactas y Naturales, Nivel "
    "Avanzado zzzz";
const std::string kLongCity =
    "Heroica Ciudad de Juchitán de Zaragoza, Oaxaca, en la región del Istmo de Tehuantepec, México ñxxxxx";
// Teacher 1's four grade records, in the order of the teacher key, as the data tool dumps them.
const std::string kRow1 =
    "1,5110,2024-2,1A,A-001,Ángel Núñez,1234,\"Peña Ortiz, Ana María\",Álgebra,Informática,Mérida,24,80,14,70,18,90,"
    "18,60,74,1,0,0\n";
const std::string kRow3 = "3,77,2024-1,GRUPO-LARGO1,A-002,Íñigo Peña,1234,\"Peña Ortiz, Ana María\",\"" + kLongUnit +
                          "\",Ingeniería Civil,\"" + kLongCity +
                          "\",16.666666666666668,66.66666666666667,0.30000000000000004,1.2000000000000002,25,100,"
                          "24.999999999999996,99.99999999999999,66.96666666666667,1,0,0\n";
const std::string kRow4 = "4,-5,2024-1,2B,A-003,Begoña Ruiz,1234,\"Peña Ortiz, Ana María\",\"" + kLongUnit +
                          "\",Ingeniería Civil,Mérida,0,0,0,0,0,0,0,0,0,0,0,0\n";
const std::string kRow6 =
    "6,5110,2024-2,1A,A-004,Zoé Ibáñez,1234,\"Peña Ortiz, Ana María\",Álgebra,Informática,Toluca,1e-300,5e-324,0.1,"
    "0.5,0.2,1,0.3,1,-0.5,0,0,0\n";

class RecordedProgress : public ExportProgress {
 public:
  void showFileName(platform::Cp1252View name) override { fileNames.push_back(std::string(name.bytes())); }
  void start(std::int32_t total) override {
    starts.push_back(total);
    done = 0;
  }
  void advance() override {
    ++advances;
    ++done;
  }

  std::vector<std::string> fileNames;
  std::vector<std::int32_t> starts;
  int advances = 0;
  int done = 0;  // what the progress shows now
};

class GradeExportTest : public DictionaryTest {
 protected:
  std::string tables() const override { return "export"; }

  void SetUp() override {
    DictionaryTest::SetUp();
    out = folder / "salida";
    fs::create_directories(out);
  }

  // The program as the export window finds it: teacher `teacher` signed in, the export's files open.
  void openFor(std::int32_t teacher) {
    startProgram();
    started->Gl_IdMaestro = teacher;
    OpenExportFiles();
  }

  bool exportInto(platform::Cp1252View folder, std::int32_t total = 4) {
    return GradeExport(total, progress).run(folder);
  }
  bool exportInto(const fs::path& where, std::int32_t total = 4) {
    return exportInto(platform::os::textOf(where).value(), total);
  }

  // The name Gs_ArchivoExportacion holds, in UTF-8.
  std::string exportName() const { return started->files().Gs_ArchivoExportacion.trimmed().toUtf8(); }

  // The export file as the data tool's command line dumps it.
  static std::string dumped(const fs::path& file) {
    std::ostringstream csv, err;
    const int code = datatool::run({"dump", file.string()}, csv, err);
    return code == 0 ? csv.str() : "exit " + std::to_string(code) + ": " + err.str();
  }

  // Every record of a file in physical order, byte for byte, read through a session of its own.
  std::vector<std::string> records(const platform::storage::FileDecl& decl, const fs::path& file) {
    std::vector<std::string> all;
    platform::storage::Session session(snapshotEngine, (folder / "reader").string());
    platform::storage::FileDecl placed = decl;
    placed.physicalName = file.string();
    placed.nameSource = nullptr;
    platform::storage::DataFile data(placed, session);
    if (const int error = data.open(platform::storage::kReadOnly)) {
      ADD_FAILURE() << file << ": error " << error << " " << session.lastErrorText();
      return all;
    }
    (void)data.set();  // cannot fail on a file just opened
    while (data.next() == platform::errors::kNone)
      all.emplace_back(reinterpret_cast<const char*>(data.buffer().data()), data.buffer().size());
    return all;
  }

  // Removes records of a data file by id, through the driver, as if another program had.
  void eraseById(const platform::storage::FileDecl& decl, std::int32_t id) {
    platform::storage::Session session(snapshotEngine, (folder / "eraser").string());
    platform::storage::FileDecl placed = decl;
    placed.physicalName = (folder / decl.physicalPath()).string();
    platform::storage::DataFile data(placed, session);
    ASSERT_THAT(data.open(), IsOk());
    data.buffer().setLong(0, id);
    ASSERT_THAT(data.get(0), IsOk());
    ASSERT_THAT(data.erase(), IsOk());
  }

  // The messages shown, as "caption|text".
  std::vector<std::string> messages() const {
    std::vector<std::string> shown;
    for (const platform::MessageRequest& m : port.shown()) shown.push_back(m.caption + "|" + m.text);
    return shown;
  }

  platform::FixedClock clock{kMoment};
  RecordedProgress progress;
  fs::path out;
};

TEST_F(GradeExportTest, WritesEachGradeRecordOfTheTeacherWithTheNamesItRefersTo) {
  openFor(1);
  ASSERT_TRUE(fs::exists(folder / "Exportacion.Tps")) << "the window's opening keeps a placeholder";
  EXPECT_TRUE(exportInto(out));

  const fs::path file = out / kFileName;
  EXPECT_EQ(exportName(), file.string());
  EXPECT_EQ(dumped(file), kHeader + kRow1 + kRow3 + kRow4 + kRow6);
  EXPECT_EQ(messages(), std::vector<std::string>{"Atención|Exportación Terminada"});
  EXPECT_EQ(port.last().icon, platform::MessageIcon::Exclamation);
  EXPECT_EQ(port.last().buttons, std::vector<platform::MessageButton>{platform::MessageButton::Ok});
  EXPECT_EQ(progress.fileNames, std::vector<std::string>{kFileName});
  EXPECT_EQ(progress.starts, std::vector<std::int32_t>{4});
  EXPECT_EQ(progress.advances, 4);
  EXPECT_FALSE(fs::exists(folder / "Exportacion.Tps")) << "the first export deletes the placeholder";
  // The new file stays open through its relation manager until the window closes.
  EXPECT_EQ(fileManager(File::EXPORTACION).openCount(), 1);
  EXPECT_TRUE(fileManager(File::EXPORTACION).isPhysicallyOpen());
  CloseExportFiles();
  EXPECT_FALSE(fileManager(File::EXPORTACION).isPhysicallyOpen());
}

TEST_F(GradeExportTest, ScoresAndNamesAreCopiedBitForBit) {
  openFor(1);
  ASSERT_TRUE(exportInto(out));
  CloseExportFiles();
  std::map<std::int32_t, std::string> grades;
  for (const std::string& r : records(decls.ACTAS, folder / "Actas.Tps")) {
    std::int32_t id;
    std::memcpy(&id, r.data(), 4);
    grades[id] = r;
  }
  std::string cities;
  for (const std::string& r : records(decls.CIUDAD, folder / "Ciudad.Tps")) cities += r;
  const std::vector<std::string> exported = records(decls.EXPORTACION, out / kFileName);
  ASSERT_EQ(exported.size(), 4u);
  for (const std::string& e : exported) {
    std::int32_t id;
    std::memcpy(&id, e.data(), 4);
    SCOPED_TRACE("grade record " + std::to_string(id));
    const std::string& grade = grades.at(id);
    // The nine REALs (weighted scores, scores, average) and the status, as stored.
    EXPECT_EQ(e.substr(565, 9 * 8 + 4), grade.substr(48, 9 * 8 + 4));
    EXPECT_EQ(e.substr(641, 8), std::string(8, '\0')) << "date and time stay 0";
    // The city's CSTRING(101) with its NUL and the bytes after it, as the city holds it.
    EXPECT_NE(cities.find(e.substr(464, 101)), std::string::npos);
  }
}

TEST_F(GradeExportTest, LookUpThatFindsNothingLeavesBlanksAndTheRecordIsStillWritten) {
  eraseById(decls.ALUMNOS, 4);
  eraseById(decls.CIUDAD, 3);
  openFor(1);
  ASSERT_TRUE(exportInto(out));
  const std::string blanked =
      "6,5110,2024-2,1A,,,1234,\"Peña Ortiz, Ana María\",Álgebra,Informática,,1e-300,5e-324,0.1,0.5,0.2,1,0.3,1,-0.5,"
      "0,0,0\n";
  EXPECT_EQ(dumped(out / kFileName), kHeader + kRow1 + kRow3 + kRow4 + blanked)
      << "the record before it found its student and city: none of them may be left in the failed look-ups";
  EXPECT_EQ(messages(), std::vector<std::string>{"Atención|Exportación Terminada"});
}

TEST_F(GradeExportTest, TeacherWithoutGradeRecordsGetsAnEmptyFileAndIsToldItFinished) {
  openFor(3);
  EXPECT_TRUE(exportInto(out, 0));
  const fs::path file = out / "Exporacion - 1003 - 12-08-26 14-05.Vyr";
  EXPECT_EQ(dumped(file), kHeader);
  EXPECT_EQ(progress.starts, std::vector<std::int32_t>{0});
  EXPECT_EQ(progress.advances, 0);
  EXPECT_EQ(messages(), std::vector<std::string>{"Atención|Exportación Terminada"});
}

TEST_F(GradeExportTest, SecondExportWithinTheMinuteTakesThePlaceOfTheFirst) {
  openFor(1);
  ASSERT_TRUE(exportInto(out));
  {
    platform::FixedClock sameMinute({kMoment.date, platform::clockValue(14, 5, 59)});
    ASSERT_TRUE(exportInto(out));
  }
  EXPECT_EQ(dumped(out / kFileName), kHeader + kRow1 + kRow3 + kRow4 + kRow6) << "replaced, not added to";
  {
    platform::FixedClock nextMinute({kMoment.date, platform::clockValue(14, 6, 0)});
    ASSERT_TRUE(exportInto(out));
  }
  EXPECT_EQ(dumped(out / "Exporacion - 1234 - 12-08-26 14-06.Vyr"), kHeader + kRow1 + kRow3 + kRow4 + kRow6);
  EXPECT_EQ(dumped(out / kFileName), kHeader + kRow1 + kRow3 + kRow4 + kRow6) << "an earlier export is kept";
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);
  EXPECT_FALSE(fs::exists(folder / "Exportacion.Tps")) << "the placeholder is not made again";
  EXPECT_EQ(messages().size(), 3u);
}

TEST_F(GradeExportTest, FolderThatIsGoneFailsWithOneMessageAndTellsNothingFinished) {
  openFor(1);
  EXPECT_FALSE(exportInto(out / "quitada"));
  ASSERT_EQ(port.shown().size(), 1u) << "one message, not one per grade record";
  const platform::MessageRequest& shown = port.last();
  EXPECT_EQ(shown.caption, "");
  EXPECT_EQ(shown.icon, platform::MessageIcon::None);
  EXPECT_EQ(shown.buttons, std::vector<platform::MessageButton>{platform::MessageButton::Ok});
  EXPECT_EQ(shown.text, "NO se encontró el Path del archivo");
  EXPECT_EQ(exportName(), "Exportacion.Tps") << "the name of a file that was never written is not kept";
  EXPECT_EQ(progress.advances, 0);
  // The window stays usable: the next export, into a folder that is there, goes through.
  EXPECT_TRUE(exportInto(out));
  EXPECT_EQ(dumped(out / kFileName), kHeader + kRow1 + kRow3 + kRow4 + kRow6);
  // And the window's next opening finds the name of a file that exists.
  CloseExportFiles();
  EXPECT_EQ(OpenExportFile(), platform::kLevelBenign);
  EXPECT_EQ(exportName(), (out / kFileName).string());
}

// Into a folder that is there but may not be written (no permission, read-only media) the export
// says access is denied, not that the folder is missing. Run as a user the folder's permissions
// bind: the fixture's files are given to that user, and the texts shown come back in a file.
TEST_F(GradeExportTest, FolderThatRefusesWritingSaysAccessIsDenied) {
  namespace child = platform::storage::testing;
  const fs::path closed = out / "cerrada";
  const fs::path shownFile = folder / "shown.txt";
  fs::create_directories(closed);
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    ASSERT_EQ(0, ::lchown(entry.path().c_str(), child::boundUser(), child::boundGroup()));
  ASSERT_EQ(0, ::chown(folder.c_str(), child::boundUser(), child::boundGroup()));
  fs::permissions(closed, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  const int code = child::runAsBoundUser([&] {
    return asAnotherProgram(environment(), [&] {
      dictionary::program().Gl_IdMaestro = 1;
      OpenExportFiles();
      const bool done = GradeExport(4, progress).run(platform::os::textOf(closed).value());
      std::ofstream shown(shownFile);
      for (const std::string& text : messages()) shown << text << "\n";
      shown << dictionary::program().files().Gs_ArchivoExportacion.trimmed() << "\n";
      return done ? 1 : 0;
    });
  });
  fs::permissions(closed, fs::perms::owner_all);
  if (code == child::kNoBoundUser) GTEST_SKIP() << "running as root, the test cannot become a user the folder refuses";
  EXPECT_EQ(code, 0) << "the export must fail";
  std::ifstream shown(shownFile);
  std::string text, name;
  std::getline(shown, text);
  std::getline(shown, name);
  EXPECT_EQ(text, "|Acceso negado...");
  EXPECT_EQ(name, "Exportacion.Tps") << "the name of a file that was never written is not kept";
  EXPECT_TRUE(fs::is_empty(closed));
}

// A folder whose path leaves the file's name more than the 255 characters Gs_ArchivoExportacion
// holds is refused before anything is written; characters are counted as it holds them, one
// byte each, so accented folders are not refused sooner than others.
TEST_F(GradeExportTest, NameLongerThanItsFieldIsRefusedBeforeAnythingIsWritten) {
  // A folder under `out` whose name leaves the export file's path `length` characters long, with
  // accented letters in each of its parts.
  auto folderFor = [this](std::size_t length) {
    const std::string pattern = "Calificaci\xF3n-A\xF1o-\xC1lgebra-";  // code page 1252
    std::string path = out.string();
    const std::size_t folderLength = length - 1 - std::strlen(kFileName);
    while (path.size() < folderLength) {
      const std::size_t part = std::min<std::size_t>(60, folderLength - path.size() - 1);
      path += "/";
      for (std::size_t i = 0; i < part; ++i) path += pattern[i % pattern.size()];
    }
    const platform::Cp1252Text folder = platform::Cp1252Text::fromBytes(path);
    const fs::path made = platform::os::pathOf(folder);
    fs::create_directories(made);
    return std::pair{folder, made};
  };
  openFor(1);
  {
    SCOPED_TRACE("256 characters");
    const auto [deep, made] = folderFor(256);
    EXPECT_FALSE(exportInto(deep));
    ASSERT_EQ(port.shown().size(), 1u);
    EXPECT_EQ(port.last().caption, "");
    EXPECT_EQ(port.last().icon, platform::MessageIcon::None);
    EXPECT_EQ(port.last().text,
              "El nombre del archivo es inválido...\nLa ruta de la carpeta es demasiado larga: el nombre del archivo\n"
              "tendría 256 caracteres y no puede pasar de 255.\nElija una carpeta con una ruta más corta.");
    EXPECT_TRUE(fs::is_empty(made)) << "nothing written";
    EXPECT_EQ(exportName(), "Exportacion.Tps");
    EXPECT_TRUE(fs::exists(folder / "Exportacion.Tps")) << "nor the placeholder taken away";
    EXPECT_EQ(fileManager(File::EXPORTACION).openCount(), 1) << "the export file is still open as it was";
    EXPECT_EQ(progress.done, 0);
  }
  {
    SCOPED_TRACE("255 characters");
    port.clear();
    const auto [deep, made] = folderFor(255);
    ASSERT_GT(made.string().size() + 1 + std::strlen(kFileName), 255u) << "more bytes than characters in UTF-8";
    EXPECT_TRUE(exportInto(deep));
    EXPECT_EQ(messages(), std::vector<std::string>{"Atención|Exportación Terminada"});
    EXPECT_EQ(started->files().Gs_ArchivoExportacion.value(),
              deep + "/"_cp1252 + platform::Cp1252View::ofBytes(kFileName))
        << "whole, in code page 1252";
    EXPECT_EQ(dumped(made / kFileName), kHeader + kRow1 + kRow3 + kRow4 + kRow6);
  }
}

TEST_F(GradeExportTest, ExportFileTakenAwayBeforeTheWindowOpensAgainIsNotMadeAgain) {
  openFor(1);
  ASSERT_TRUE(exportInto(out));
  CloseExportFiles();
  fs::remove_all(out);  // the memory stick it went to is taken out
  EXPECT_EQ(OpenExportFile(), platform::kLevelBenign) << "no message, and the program goes on";
  EXPECT_EQ(exportName(), "Exportacion.Tps");
  EXPECT_TRUE(fs::exists(folder / "Exportacion.Tps"));
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(port.shown().size(), 1u);
}

// A school whose teacher 1 has `extra` grade records more than the fixture gives, so that one
// export writes more than its page cache holds.
class LargeExportTest : public GradeExportTest {
 protected:
  static constexpr int kExtra = 40;

  void SetUp() override {
    GradeExportTest::SetUp();
    const fs::path tablesFolder = folder.parent_path() / (folder.filename().string() + "-tables");
    fs::remove_all(tablesFolder);
    fs::create_directories(tablesFolder);
    for (const auto& entry : fs::directory_iterator(dictionary::testing::fixture("export")))
      fs::copy_file(entry.path(), tablesFolder / entry.path().filename());
    std::ofstream grades(tablesFolder / "ACTAS.csv", std::ios::app);
    for (int id = 100; id < 100 + kExtra; ++id)
      grades << id << ",1," << id << ",G" << id % 7 << ",1,1,1,1,1,1.5,2.5,3.5,4.5,5.5,6.5,7.5,8.5,9.5,1\n";
    grades.close();
    const datatool::Result loaded = datatool::loadFolder(folder, tablesFolder, true);
    ASSERT_TRUE(loaded.ok()) << loaded.error;
    fs::remove_all(tablesFolder);
  }

  static std::size_t rowsOf(const std::string& csv) {
    return static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n')) - 1;
  }
};

// The disk fills up at each write of the export in turn: either every record is written and the
// teacher is told so, or one message tells the error, nothing is left of the new file and the
// export file's name is what it was.
TEST_F(LargeExportTest, FullDiskAnywhereLeavesNoFileAndNoWordOfSuccess) {
  const char* vfs = platform::storage::testing::registerFaultVfs();
  dictionary::ProgramEnvironment env = environment();
  env.storageVfs = vfs;
  started = std::make_unique<dictionary::Program>(env);
  dictionary::ApplySpanishLocale(started->locale());
  started->errors().init(&dictionary::ThreadErrorStatus);
  dictionary::DictionaryInit();
  started->engine().setPageCacheKiB(16);  // the transaction spills to the file before it commits
  started->Gl_IdMaestro = 1;
  OpenExportFiles();

  const fs::path file = out / kFileName;
  bool appendFailed = false;
  for (int failAt = 1;; ++failAt) {
    SCOPED_TRACE("the disk is full from write " + std::to_string(failAt));
    port.clear();
    progress.advances = 0;
    const std::string before = exportName();
    platform::storage::testing::failFromOperation(failAt);
    const bool done = exportInto(out, 4 + kExtra);
    const int seen = platform::storage::testing::operationsSeen();
    const int failure = platform::storage::testing::firstFailure();
    platform::storage::testing::failFromOperation(0);
    if (done) {
      EXPECT_EQ(messages(), std::vector<std::string>{"Atención|Exportación Terminada"});
      EXPECT_EQ(records(decls.EXPORTACION, file).size(), 4u + kExtra);
      EXPECT_LT(seen, failAt) << "it went through only because it wrote less than that";
      break;
    }
    ASSERT_EQ(port.shown().size(), 1u);
    EXPECT_EQ(port.last().caption, "");
    if (failure == SQLITE_FULL) {
      EXPECT_EQ(port.last().text, platform::cp1252ToUtf8(started->locale().errorText(platform::errors::kDiskFull)));
    }
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(platform::storage::testing::descriptorsOf(file), 0) << "the partial file, removed, is not kept open";
    EXPECT_EQ(progress.done, 0) << "nothing of the export is kept";
    EXPECT_EQ(exportName(), before);
    appendFailed = appendFailed || (progress.advances > 0 && progress.advances < 4 + kExtra);
    ASSERT_LT(failAt, 5000) << "the export never got through";
  }
  EXPECT_TRUE(appendFailed) << "no fault came while the records were being written";
}

// The program is killed at each write of the export in turn: the file, when it is there, holds
// every record or none, never a part.
TEST_F(LargeExportTest, KilledAnywhereTheFileHoldsAllOrNothing) {
  const char* vfs = platform::storage::testing::registerFaultVfs();
  const fs::path file = out / kFileName;
  int crashes = 0;
  for (int crashAt = 1;; ++crashAt) {
    SCOPED_TRACE("killed at write " + std::to_string(crashAt));
    const int code = inChild([&] {
      dictionary::ProgramEnvironment env = environment();
      env.storageVfs = vfs;
      dictionary::Program program(env);
      dictionary::ApplySpanishLocale(program.locale());
      program.errors().init(&dictionary::ThreadErrorStatus);
      dictionary::DictionaryInit();
      program.engine().setPageCacheKiB(16);
      program.Gl_IdMaestro = 1;
      OpenExportFiles();
      RecordedProgress shown;
      platform::storage::testing::crashAtOperation(crashAt);
      const bool done = GradeExport(4 + kExtra, shown).run(platform::os::textOf(out).value());
      platform::storage::testing::crashAtOperation(0);
      return done ? 0 : 3;
    });
    ASSERT_TRUE(code == 0 || code == 77) << "exit " << code;
    if (fs::exists(file)) {
      const std::size_t rows = records(decls.EXPORTACION, file).size();
      EXPECT_TRUE(rows == 0 || rows == 4 + kExtra) << rows << " records";
    }
    if (code == 0) {
      EXPECT_EQ(rowsOf(dumped(file)), 4u + kExtra);
      break;
    }
    ++crashes;
    ASSERT_LT(crashAt, 5000) << "the export never got through";
  }
  EXPECT_GT(crashes, 5);
}

}  // namespace
}  // namespace output
