#include "tools/data_tool.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "dictionary/spanish_locale.h"
#include "platform/core/cp1252_text.h"
#include "platform/core/number_text.h"
#include "platform/os/paths.h"
#include "platform/storage/data_file.h"
#include "platform/storage/session.h"
#include "platform/storage/testing/child_process.h"
#include "platform/storage/testing/fault_vfs.h"
#include "platform/storage/testing/status_matchers.h"
#include "tests/support/source_dir.h"
#include "tools/csv.h"

namespace {

namespace fs = std::filesystem;
namespace fault = platform::storage::testing;
using platform::storage::testing::IsOk;
using tests::sourceDir;

fs::path fixture(const std::string& name) { return sourceDir() / "tests" / "fixtures" / name; }

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

Outcome tool(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = datatool::run(args, out, err);
  return {code, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// A table as rows of field name -> value, whatever the order of its columns.
std::vector<std::map<std::string, std::string>> cells(const std::string& csvText) {
  std::vector<datatool::csv::Error> errors;
  const auto records = datatool::csv::parse(csvText, errors);
  EXPECT_TRUE(errors.empty());
  std::vector<std::map<std::string, std::string>> rows;
  for (std::size_t r = 1; r < records.size(); ++r) {
    std::map<std::string, std::string> row;
    for (std::size_t c = 0; c < records[0].fields.size(); ++c) row[records[0].fields[c]] = records[r].fields.at(c);
    rows.push_back(row);
  }
  return rows;
}

const char* const kPhysical[] = {"Ciudad.Tps",      "Zolbrans.Tps",        "Uni_Academica.Tps", "Prog_Academico.Tps",
                                 "Prog_Alumno.Tps", "Uni_Aprendizaje.Tps", "Alumnos.Tps",       "Actas.Tps"};
const char* const kLabels[] = {"CIUDAD",          "ZOLBRANS",           "UNIDAD_ACADEMICA", "PROGRAMA_ACADEMICO",
                               "PROGRAMA_ALUMNO", "UNIDAD_APRENDIZAJE", "ALUMNOS",          "ACTAS"};

class DataTool : public testing::Test {
 protected:
  DataTool() { dictionary::ApplySpanishLocale(locale_); }

  void SetUp() override { makeRoot(fs::temp_directory_path()); }
  void makeRoot(const fs::path& in) {
    std::string pattern = (in / "data-tool-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    folder_ = root_ / "school";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  std::string dumpOf(const fs::path& file, std::vector<std::string> options = {}) {
    std::vector<std::string> args = {"dump", file.string()};
    args.insert(args.end(), options.begin(), options.end());
    Outcome r = tool(args);
    EXPECT_EQ(r.code, 0) << r.err;
    return r.out;
  }

  // Every data file of the folder, dumped, by label.
  std::map<std::string, std::string> dumpAll() {
    std::map<std::string, std::string> all;
    for (int i = 0; i < 8; ++i) all[kLabels[i]] = dumpOf(folder_ / kPhysical[i]);
    return all;
  }

  // The records of each data file present in a folder, byte for byte in physical order, by label:
  // empty when the folder holds no data file. Read through this test's engine, whose key is
  // derived once; every connection is closed again, so that a child forked later shares none.
  std::map<std::string, std::vector<std::string>> recordsIn(const fs::path& folder) {
    std::map<std::string, std::vector<std::string>> all;
    platform::storage::Session session(engine_, (root_ / "reader").string());
    const auto decls = decls_.dataFiles();
    for (std::size_t i = 0; i < decls.size(); ++i) {
      const fs::path path = folder / decls[i]->physicalName;
      if (!fs::exists(path)) continue;
      const platform::storage::FileDecl placed = platform::storage::placedAt(*decls[i], path.string());
      platform::storage::DataFile file(placed, session);
      auto& records = all[decls[i]->label];
      if (file.open(platform::storage::kReadOnly) != 0) {
        records.push_back("cannot be opened: " + session.lastErrorText());
        continue;
      }
      for (int rc = file.set(); rc == 0 && (rc = file.next()) == 0;) {
        records.emplace_back(reinterpret_cast<const char*>(file.buffer().data()), file.buffer().size());
      }
      file.close();
    }
    return all;
  }

  static std::string counts(const std::map<std::string, std::vector<std::string>>& records) {
    std::string text;
    for (const auto& [label, list] : records) text += label + " " + std::to_string(list.size()) + "; ";
    return text;
  }

  // Entries of the test's folder that a load into folder_ may leave beside it.
  std::vector<std::string> besideTheFolder() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(".school.", 0) == 0) names.push_back(name);
    }
    return names;
  }

  // datatool::load of a folder of tables into folder_ in a child process: its storage engine
  // works through the fault VFS, and the load's own changes to folders count among its
  // operations. `arm` sets the fault. Returns the child's exit code: 0 loaded, 4 failed, 77 killed.
  int loadInChild(const fs::path& tables, const std::function<void()>& arm, bool replace = false) {
    return fault::runInChild([&] {
      datatool::Tables read;
      if (!datatool::readTables(decls_, tables, read).ok()) return 3;
      datatool::LoadOptions options;
      options.replace = replace;
      options.engine = &faultEngine();
      options.beforeFolderChange = [] { return fault::beforeOtherOperation(); };
      arm();
      return datatool::load(decls_, locale_, folder_, read, options).ok() ? 0 : 4;
    });
  }

  // An engine on the fault VFS with the files' key derived already (in this process, before any
  // fork: every child then starts with it), so that each load in a sweep costs little.
  platform::storage::Engine& faultEngine() {
    if (!faultEngine_) {
      faultEngine_ = std::make_unique<platform::storage::Engine>(locale_);
      faultEngine_->setVfs(fault::registerFaultVfs());
      faultEngine_->rawKey(decls_.ACTAS.ownerPassword);
    }
    return *faultEngine_;
  }

  platform::Locale locale_;
  dictionary::FileDeclarations decls_;
  platform::storage::Engine engine_{locale_};
  std::unique_ptr<platform::storage::Engine> faultEngine_;
  fs::path root_;
  fs::path folder_;
};

TEST_F(DataTool, GoodLoadThenDumpGivesBackTheRows) {
  Outcome r = tool({"load", folder_.string(), fixture("datatool_good").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(kLabels[i]);
    const std::string dumped = dumpOf(folder_ / kPhysical[i]);
    const std::string loaded = readFile(fixture("datatool_good") / (std::string(kLabels[i]) + ".csv"));
    EXPECT_EQ(cells(dumped), cells(loaded));
    // Byte for byte the text the dump has always given (written once and kept).
    EXPECT_EQ(dumped, readFile(fixture("datatool_good_dump") / (std::string(kLabels[i]) + ".csv")));
  }
  // Columns come back in the declaration's order, whatever order the table gave them in.
  EXPECT_EQ(lines(dumpOf(folder_ / "Uni_Academica.Tps")).at(0), "ID_UACA,DESCRIPCION");
  // Texts that need quotes get them; REALs read back to the same doubles.
  const auto actas = lines(dumpOf(folder_ / "Actas.Tps"));
  EXPECT_EQ(actas.at(1), "1,5110,2024-2,1A,1,1,1,1,1,30.449999999999996,87,0.1,0.5,1e-05,0.001,-0.5,-2.5,1e+22,1");
  EXPECT_EQ(lines(dumpOf(folder_ / "Alumnos.Tps")).at(2), "2,A-002,\" Íñigo Peña\",1,2,2,3");
}

TEST_F(DataTool, LoadReportsEveryBadRowAndWritesNothing) {
  Outcome r = tool({"load", folder_.string(), fixture("datatool_bad").string()});
  EXPECT_EQ(r.code, 1);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"CIUDAD.csv:3: ", "U+2713 is not in code page 1252"},
      {"CIUDAD.csv:4: ", "U+0151 is not in code page 1252"},
      {"CIUDAD.csv:6: ", "101 characters, the field holds 100"},
      {"CIUDAD.csv:8: ", "in unique key CIU:AK_DESCRIPCION (as on line 2)"},
      {"ZOLBRANS.csv:3: ", "in unique key MAE:AK_CLAVE (as on line 2)"},
      {"ZOLBRANS.csv:4: ", "CLAVE: \"12x\" is not a whole number"},
      {"ZOLBRANS.csv:5: ", "CLAVE: 3000000000 is outside the 32-bit range"},
      {"ZOLBRANS.csv:6: ", "in unique key MAE:AK_NOMBRE (as on line 2)"},
      {"ZOLBRANS.csv:8: ", "PASSWORD: 11 characters, the field holds 10"},
      {"ZOLBRANS.csv:9: ", "expected 4 fields, found 3"},
      {"ZOLBRANS.csv:10: ", "in unique key MAE:PK_ZOLBRANS (as on line 2)"},
      {"PROGRAMA_ACADEMICO.csv:5: ", "in unique key PACA:AK_DESCRIPCION (as on line 4)"},
      {"UNIDAD_APRENDIZAJE.csv:3: ", "in unique key UAPR:AK_DESCRIPCION (as on line 2)"},
      {"UNIDAD_APRENDIZAJE.csv:6: ", "POR_CUATRO: \"2.5\" is not a whole number"},
      {"ALUMNOS.csv:3: ", "ID_CIU 99 has no record in CIUDAD"},
      {"ALUMNOS.csv:4: ", "ID_UACA 7 has no record in UNIDAD_ACADEMICA"},
      {"ACTAS.csv:3: ", "ID_ALU 0 has no record in ALUMNOS"},
      {"ACTAS.csv:4: ", "PROMEDIO: \"abc\" is not a number"},
      {"ACTAS.csv:5: ", "PROMEDIO: \"inf\" is not a finite number"},
      {"ACTAS.csv:6: ", "EXAMEN: 1e999 is out of the range"},
      {"ACTAS.csv:7: ", "ID_MAE 42 has no record in ZOLBRANS"},
      {"ACTAS.csv:7: ", "ID_PACA 9 has no record in PROGRAMA_ACADEMICO"},
      {"ACTAS.csv:8: ", "text after the closing quote of field 3"},
      {"ACTAS.csv:9: ", "GRUPO: not valid UTF-8"},
      {"ACTAS.csv:10: ", "EXAMEN: \"60 \" is not a number"},
  };
  const auto got = lines(r.err);
  ASSERT_EQ(got.size(), expected.size() + 1) << r.err;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(got[i].rfind(expected[i].first, 0), 0u) << got[i];
    EXPECT_NE(got[i].find(expected[i].second), std::string::npos) << got[i];
  }
  EXPECT_EQ(got.back(), "gradebook-data: 24 bad rows; nothing was written");
  EXPECT_FALSE(fs::exists(folder_));
}

// The checking pass alone gives what a load gives for tables that do not check, and touches no
// folder.
TEST_F(DataTool, CheckTablesGivesTheLoadsProblemsAndWritesNothing) {
  for (const char* school : {"datatool_good", "datatool_bad", "datatool_names"}) {
    SCOPED_TRACE(school);
    datatool::Tables tables;
    ASSERT_TRUE(datatool::readTables(decls_, fixture(school), tables).ok());
    const datatool::Result checked = datatool::checkTables(decls_, locale_, tables);
    EXPECT_EQ(checked.ok(), std::string(school) != "datatool_bad");
    EXPECT_FALSE(fs::exists(folder_));
    const datatool::Result loaded = datatool::load(decls_, locale_, folder_, tables);
    EXPECT_EQ(checked.problems, loaded.problems);
    EXPECT_EQ(checked.notes, loaded.notes);
    if (!checked.ok()) {
      EXPECT_EQ(checked.error, loaded.error);
    }
    fs::remove_all(folder_);
  }
}

TEST_F(DataTool, HeaderAndTableProblems) {
  const fs::path tables = root_ / "tables";
  fs::create_directories(tables);
  writeFile(tables / "ALUMNOS.csv", "ID_ALU,MATRICULA,NOMBRES,SEXO,ID_UACA,ID_UACA\n1,A,B,1,1,1\n");
  writeFile(tables / "CIUDAD.csv", "");
  writeFile(tables / "PROGRAMA_ALUMNO.csv", "\nID_PALU,DESCRIPCION\n1,x\n");  // the header may follow blank lines
  writeFile(tables / "UNIDAD_ACADEMICA.csv", "ID_UACA,DESCRIPCION\"x\n1,a\n");
  Outcome r = tool({"load", folder_.string(), tables.string()});
  EXPECT_EQ(r.code, 1);
  const auto got = lines(r.err);
  auto has = [&](const std::string& text) {
    for (const auto& line : got) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_TRUE(has("CIUDAD.csv:1: no header row")) << r.err;
  EXPECT_TRUE(has("ALUMNOS.csv:1: column 3 \"NOMBRES\" names no field of ALUMNOS")) << r.err;
  EXPECT_TRUE(has("ALUMNOS.csv:1: field ID_UACA is named twice (columns 5 and 6)")) << r.err;
  EXPECT_TRUE(has("ALUMNOS.csv:1: field NOMBRE has no column")) << r.err;
  EXPECT_TRUE(has("ALUMNOS.csv:1: field ID_CIU has no column")) << r.err;
  EXPECT_FALSE(has("ALUMNOS.csv:2:")) << "rows under a wrong header are not read";
  EXPECT_TRUE(has("UNIDAD_ACADEMICA.csv:1: quote inside unquoted field 2")) << r.err;
  EXPECT_FALSE(has("UNIDAD_ACADEMICA.csv:2:")) << r.err;
  EXPECT_FALSE(has("PROGRAMA_ALUMNO.csv")) << r.err;
  EXPECT_FALSE(fs::exists(folder_));

  // A table that names no data file is refused before anything is read: a misspelt name would
  // otherwise load its file empty.
  const fs::path misspelt = root_ / "misspelt";
  fs::create_directories(misspelt);
  writeFile(misspelt / "ALUMNO.csv", "ID_ALU\n");
  r = tool({"load", folder_.string(), misspelt.string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("ALUMNO.csv: names no data file"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(folder_));
}

TEST_F(DataTool, MissingTablesLoadTheirFilesEmpty) {
  Outcome r = tool({"load", folder_.string(), fixture("datatool_names").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("note: no ACTAS.csv: ACTAS is loaded empty"), std::string::npos) << r.err;
  EXPECT_EQ(dumpOf(folder_ / "Zolbrans.Tps"), "ID_MAE,CLAVE,NOMBRE,PASSWORD\n");
  for (const char* name : kPhysical) EXPECT_TRUE(fs::exists(folder_ / name)) << name;
}

TEST_F(DataTool, RefusesExistingDataFilesWithoutReplace) {
  ASSERT_EQ(tool({"load", folder_.string(), fixture("datatool_good").string()}).code, 0);
  const auto before = dumpAll();
  Outcome r = tool({"load", folder_.string(), fixture("datatool_names").string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("--replace"), std::string::npos) << r.err;
  EXPECT_EQ(dumpAll(), before);
}

TEST_F(DataTool, ReplaceSwapsTheRecordsOrKeepsThemAll) {
  ASSERT_EQ(tool({"load", folder_.string(), fixture("datatool_good").string()}).code, 0);
  const auto good = dumpAll();

  // Bad tables: nothing changes.
  Outcome r = tool({"load", folder_.string(), fixture("datatool_bad").string(), "--replace"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(dumpAll(), good);

  // Good tables: the old records are gone, files without a table are emptied.
  r = tool({"load", "--replace", folder_.string(), fixture("datatool_names").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(cells(dumpOf(folder_ / "Alumnos.Tps")), cells(readFile(fixture("datatool_names") / "ALUMNOS.csv")));
  EXPECT_EQ(lines(dumpOf(folder_ / "Actas.Tps")).size(), 1u);
  EXPECT_EQ(lines(dumpOf(folder_ / "Ciudad.Tps")), (std::vector<std::string>{"ID_CIU,DESCRIPCION", "1,Mérida"}));
}

TEST_F(DataTool, FailedWriteRemovesTheFilesItCreatedAndKeepsTheOthers) {
  fs::create_directories(folder_);
  const std::string junk = "this is not a data file\n";
  writeFile(folder_ / "Actas.Tps", junk);
  Outcome r = tool({"load", folder_.string(), fixture("datatool_good").string(), "--replace"});
  EXPECT_EQ(r.code, 1);
  const auto got = lines(r.err);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.back().rfind("gradebook-data: ", 0), 0u) << r.err;
  EXPECT_NE(got.back().find("Actas.Tps: error "), std::string::npos) << r.err;
  for (const char* name : kPhysical) {
    if (std::string(name) != "Actas.Tps") {
      EXPECT_FALSE(fs::exists(folder_ / name)) << name;
    }
  }
  EXPECT_EQ(readFile(folder_ / "Actas.Tps"), junk);
}

// A load with --replace killed at any write leaves either all the old records or all the new
// ones, in every file.
TEST_F(DataTool, KilledReplaceLeavesTheOldDataOrTheNew) {
  ASSERT_EQ(tool({"load", folder_.string(), fixture("datatool_good").string()}).code, 0);
  const auto before = dumpAll();

  std::map<std::string, std::string> after;
  int crashes = 0;
  for (int crashAt = 1; crashAt < 10000; crashAt += 1 + crashAt / 4) {
    SCOPED_TRACE("killed before write " + std::to_string(crashAt));
    const int code = loadInChild(
        fixture("datatool_names"), [&] { fault::crashAtOperation(crashAt); }, true);
    ASSERT_TRUE(code == 77 || code == 0) << "exit code " << code;
    const auto now = dumpAll();
    if (code == 0) {
      after = now;
      break;
    }
    ++crashes;
    EXPECT_EQ(now, before);
  }
  EXPECT_GT(crashes, 3);
  ASSERT_FALSE(after.empty()) << "the load never completed";
  EXPECT_EQ(cells(after.at("ALUMNOS")), cells(readFile(fixture("datatool_names") / "ALUMNOS.csv")));
  EXPECT_EQ(lines(after.at("ACTAS")).size(), 1u);
}

// Sweeps of the steps of a load, one child process per step. A process killed at a step leaves
// the files as they were at that step whatever the disk: the folders are in memory where there
// is a file system in memory, which spares each of the hundreds of loads its waits for the disk.
class DataToolSweep : public DataTool {
 protected:
  void SetUp() override {
    std::error_code ec;
    makeRoot(fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path());
  }

  using Records = std::map<std::string, std::vector<std::string>>;

  // The school of `tables` loaded apart, in whole_; and folder_ as a working folder may be, its
  // records in before_: four of the data files, with records, a file of its own and a folder of
  // its own whose name looks like a load's staging folder. A copy is kept, from which
  // restoreSomeFiles() makes it again.
  void makeSomeFiles(const fs::path& tables) {
    ASSERT_EQ(tool({"load", (root_ / "whole").string(), tables.string()}).code, 0);
    whole_ = recordsIn(root_ / "whole");
    ASSERT_EQ(tool({"load", folder_.string(), fixture("datatool_names").string()}).code, 0);
    for (const char* name : {"Zolbrans.Tps", "Prog_Academico.Tps", "Uni_Aprendizaje.Tps", "Actas.Tps"}) {
      fs::remove(folder_ / name);
    }
    writeFile(folder_ / "gradebook.ini", "[Datos]\n");
    fs::create_directory(folder_ / ".loading-notes");
    fs::copy(folder_, root_ / "some files", fs::copy_options::recursive);
    before_ = recordsIn(folder_);
    ASSERT_EQ(before_.size(), 4u);
  }
  void restoreSomeFiles() {
    fs::remove_all(folder_);
    fs::copy(root_ / "some files", folder_, fs::copy_options::recursive);
  }

  // The staging folders inside folder_ (a load in place makes the files the folder lacks there).
  std::vector<fs::path> stagedInside() {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(".loading-", 0) == 0 && name != ".loading-notes") found.push_back(entry.path());
    }
    return found;
  }

  // What a --replace into the folder of makeSomeFiles() left when it stopped: the files as they
  // were, the whole new school, or (stopped between the commit and the moving in of the files the
  // folder lacked) the files it held with the new records and the others not yet moved in, which
  // in `staged` are complete. Anything else fails the test.
  enum class Left { kAsBefore, kCommittedNotAllMoved, kWholeSchool };  // in the order of the steps
  Left whatWasLeft(const fs::path& staged = {}) {
    EXPECT_EQ(readFile(folder_ / "gradebook.ini"), "[Datos]\n");
    EXPECT_TRUE(fs::is_directory(folder_ / ".loading-notes"));
    const auto left = recordsIn(folder_);
    if (left == before_) return Left::kAsBefore;
    if (left == whole_) return Left::kWholeSchool;
    const auto inStaging = staged.empty() ? decltype(left){} : recordsIn(staged);
    for (const auto& [label, records] : whole_) {
      const auto at = left.find(label);
      const auto inStagingAt = inStaging.find(label);
      const bool loaded =
          at != left.end() ? at->second == records
                           : before_.count(label) == 0 &&
                                 (staged.empty() || (inStagingAt != inStaging.end() && inStagingAt->second == records));
      if (!loaded) ADD_FAILURE() << label << " is neither as it was nor loaded; records by file: " << counts(left);
    }
    return Left::kCommittedNotAllMoved;
  }

  Records whole_, before_;
};

// A load into a new folder killed at any of its steps (each write, sync, truncate and delete of
// the storage engine, and each change the load makes to folders itself) leaves no data file in
// the folder, or the whole school. A new load then gets through, and clears away what the killed
// one left beside the folder.
TEST_F(DataToolSweep, KilledFreshLoadLeavesNoDataFileOrTheWholeSchool) {
  const fs::path tables = fixture("datatool_good");
  ASSERT_EQ(tool({"load", (root_ / "whole").string(), tables.string()}).code, 0);
  const auto whole = recordsIn(root_ / "whole");
  ASSERT_EQ(whole.size(), 8u);
  datatool::Tables read;
  ASSERT_TRUE(datatool::readTables(decls_, tables, read).ok());

  int leftNothing = 0, leftTheWholeSchool = 0;
  for (int crashAt = 1;; ++crashAt) {
    SCOPED_TRACE("killed before operation " + std::to_string(crashAt));
    const int code = loadInChild(tables, [&] { fault::crashAtOperation(crashAt); });
    ASSERT_TRUE(code == 77 || code == 0) << "exit code " << code;
    if (fs::exists(folder_)) {
      leftTheWholeSchool += code == 77;
      const auto left = recordsIn(folder_);
      EXPECT_TRUE(left == whole) << "records by file: " << counts(left);
    } else {
      ++leftNothing;
      datatool::LoadOptions options;
      options.engine = &faultEngine();  // disarmed in this process: it only passes the work on
      const datatool::Result again = datatool::load(decls_, locale_, folder_, read, options);
      ASSERT_TRUE(again.ok()) << again.error;
      EXPECT_EQ(recordsIn(folder_).size(), 8u);
    }
    EXPECT_EQ(besideTheFolder(), std::vector<std::string>{});
    fs::remove_all(folder_);
    if (code == 0) break;
  }
  EXPECT_GT(leftNothing, 20);
  EXPECT_GT(leftTheWholeSchool, 0);  // killed after the folder was in place, before the load ended
  std::printf("fresh load killed at %d points\n", leftNothing + leftTheWholeSchool);
}

// A load into a new folder that fails at a step (a full disk from there on) says so and leaves
// nothing: no folder, nothing beside it.
TEST_F(DataToolSweep, FailedFreshLoadLeavesNothing) {
  int failures = 0;
  for (int failAt = 1;; failAt += 1 + failAt / 8) {
    SCOPED_TRACE("failing from operation " + std::to_string(failAt));
    const int code = loadInChild(fixture("datatool_good"), [&] { fault::failFromOperation(failAt); });
    ASSERT_TRUE(code == 0 || code == 4) << "exit code " << code;
    if (code == 0) break;
    ++failures;
    EXPECT_FALSE(fs::exists(folder_));
    EXPECT_EQ(besideTheFolder(), std::vector<std::string>{});
  }
  EXPECT_GT(failures, 20);
  EXPECT_EQ(recordsIn(folder_).size(), 8u);
}

// A --replace into a folder that holds only some of the data files, killed at any of its steps,
// leaves the files it held with their old records and no other data file, or the whole school.
// The one exception is the moment between the commit and the moving in of the files it lacked,
// made in a staging folder inside it: there it leaves the new records in the files it held, the
// others complete in the staging folder, and a new load gets the whole school.
TEST_F(DataToolSweep, KilledReplaceOfSomeFilesLeavesThemOrTheWholeSchool) {
  const fs::path tables = fixture("datatool_good");
  makeSomeFiles(tables);
  datatool::Tables read;
  ASSERT_TRUE(datatool::readTables(decls_, tables, read).ok());

  std::map<Left, int> left;
  Left last = Left::kAsBefore;
  for (int crashAt = 1;; ++crashAt) {
    SCOPED_TRACE("killed before operation " + std::to_string(crashAt));
    const int code = loadInChild(
        tables, [&] { fault::crashAtOperation(crashAt); }, true);
    ASSERT_TRUE(code == 77 || code == 0) << "exit code " << code;
    const auto staged = stagedInside();
    ASSERT_LE(staged.size(), 1u);
    const Left what = whatWasLeft(staged.empty() ? fs::path() : staged.front());
    ++left[what];
    // Killed later, the load leaves what it leaves at a later stage: never the files as they were
    // once it committed, never files not moved in once they all were.
    EXPECT_GE(what, last);
    last = what;
    EXPECT_EQ(besideTheFolder(), std::vector<std::string>{});
    if (code == 0) break;
    if (what == Left::kCommittedNotAllMoved) {
      datatool::LoadOptions options;
      options.replace = true;
      options.engine = &faultEngine();  // disarmed in this process
      const datatool::Result again = datatool::load(decls_, locale_, folder_, read, options);
      ASSERT_TRUE(again.ok()) << again.error;
      EXPECT_EQ(recordsIn(folder_), whole_);
      EXPECT_EQ(stagedInside(), std::vector<fs::path>{});
    }
    if (what != Left::kAsBefore) restoreSomeFiles();
  }
  EXPECT_EQ(whatWasLeft(), Left::kWholeSchool);
  EXPECT_EQ(stagedInside(), std::vector<fs::path>{});
  EXPECT_GT(left[Left::kAsBefore], 20);
  EXPECT_GT(left[Left::kWholeSchool], 1);  // killed once the files were in, before the load ended
  std::printf("replace of some files killed at %d points: %d as before, %d whole, %d not all moved in\n",
              left[Left::kAsBefore] + left[Left::kWholeSchool] + left[Left::kCommittedNotAllMoved] - 1,
              left[Left::kAsBefore], left[Left::kWholeSchool] - 1, left[Left::kCommittedNotAllMoved]);
}

// The same load failing at a step (a full disk from there on) says so and leaves the files as they
// were, nothing staged inside the folder or beside it; failing once it committed, while the files
// the folder lacked are moved in, it leaves the new records in the files it held.
TEST_F(DataToolSweep, FailedReplaceOfSomeFilesLeavesThem) {
  const fs::path tables = fixture("datatool_good");
  makeSomeFiles(tables);
  std::map<Left, int> left;
  for (int failAt = 1;; failAt += 1 + failAt / 8) {
    SCOPED_TRACE("failing from operation " + std::to_string(failAt));
    const int code = loadInChild(
        tables, [&] { fault::failFromOperation(failAt); }, true);
    ASSERT_TRUE(code == 0 || code == 4) << "exit code " << code;
    const Left what = whatWasLeft();
    EXPECT_EQ(stagedInside(), std::vector<fs::path>{});
    EXPECT_EQ(besideTheFolder(), std::vector<std::string>{});
    if (code == 0) break;
    EXPECT_NE(what, Left::kWholeSchool);
    ++left[what];
    if (what != Left::kAsBefore) restoreSomeFiles();
  }
  EXPECT_EQ(whatWasLeft(), Left::kWholeSchool);
  EXPECT_GT(left[Left::kAsBefore], 20);
}

// A table that changes between the check of its rows and their writing is not loaded: what is
// written must be what was checked.
TEST_F(DataTool, TableChangedWhileLoadingIsNotLoaded) {
  const fs::path tables = root_ / "tables";
  fs::copy(fixture("datatool_good"), tables);
  datatool::Tables read;
  ASSERT_TRUE(datatool::readTables(decls_, tables, read).ok());
  datatool::LoadOptions options;
  bool changed = false;
  // Called once the rows are checked, as the load makes its folder: a row no check has seen.
  options.beforeFolderChange = [&] {
    if (!changed) {
      std::ofstream(tables / "ACTAS.csv", std::ios::app) << "99,5110,2024-2,1A,1,42,1,1,1,1,1,1,1,1,1,1,1,1,1\n";
      changed = true;
    }
    return false;
  };
  const datatool::Result result = datatool::load(decls_, locale_, folder_, read, options);
  ASSERT_TRUE(changed);
  EXPECT_EQ(result.error, "ACTAS.csv: changed while it was loaded");
  EXPECT_FALSE(fs::exists(folder_));
  EXPECT_EQ(besideTheFolder(), std::vector<std::string>{});
}

// Where a load may go: a new or empty folder gets the whole school at once (an empty one is
// replaced by the loaded one); a folder that holds other files cannot be replaced whole, so it
// is refused unless told to load in place.
TEST_F(DataTool, LoadsIntoANewOrEmptyFolderAndIntoOthersOnlyInPlace) {
  const std::string tables = fixture("datatool_good").string();
  fs::create_directories(folder_);
  ::chmod(folder_.c_str(), 0750);
  Outcome r = tool({"load", folder_.string(), tables});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(recordsIn(folder_).size(), 8u);
  EXPECT_EQ(fs::status(folder_).permissions() & fs::perms::all, fs::perms(0750));
  fs::remove_all(folder_);

  // An empty working folder: the process goes on in the loaded one.
  fs::create_directories(folder_);
  const fs::path before = fs::current_path();
  fs::current_path(folder_);
  r = tool({"load", ".", tables});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("was the working folder"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists("Zolbrans.Tps"));
  fs::current_path(before);
  fs::remove_all(folder_);

  fs::create_directories(folder_);
  writeFile(folder_ / "Zolbrans.INI", "[Preview]\n");
  r = tool({"load", folder_.string(), tables});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("holds other files and no data files"), std::string::npos) << r.err;
  EXPECT_TRUE(recordsIn(folder_).empty());
  // Loading in place, it still clears away what a load that died left beside the folder.
  fs::create_directories(root_ / ".school.loading-1-0");
  writeFile(root_ / ".school.loading-1-0" / "Actas.Tps", "half a file");
  r = tool({"load", folder_.string(), tables, "--replace"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(recordsIn(folder_).size(), 8u);
  EXPECT_EQ(readFile(folder_ / "Zolbrans.INI"), "[Preview]\n");
  EXPECT_EQ(besideTheFolder(), std::vector<std::string>{});

  writeFile(root_ / "plain-file", "x");
  r = tool({"load", (root_ / "plain-file").string(), tables});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("plain-file: not a folder"), std::string::npos) << r.err;
}

// A text field holds printable characters only: a control character (a line break inside a
// quoted name, a tab) would show and print broken. Each is named with its file, line and place.
TEST_F(DataTool, ControlCharactersInTextsAreRefused) {
  const fs::path tables = root_ / "tables";
  fs::create_directories(tables);
  writeFile(tables / "CIUDAD.csv", std::string("ID_CIU,DESCRIPCION\n") + "1,\"Mérida\nNorte\"\n" +  // lines 2 and 3
                                       "2,\"Tab\there\"\n" +                                        // line 4
                                       "3,Fin de línea\r\n" +          // CRLF ends the row: good
                                       "4,\"CR\ronly\"\n" +            // line 6
                                       std::string("5,Nul\0x\n", 8) +  // line 7
                                       "6,Borrar\x7f\n" +              // line 8
                                       "7,\xc2\x81Hueco\n" +           // line 9: U+0081, byte 81h
                                       "8,\"Córdoba, Veracruz\"\n");   // line 10: good
  Outcome r = tool({"load", folder_.string(), tables.string()});
  EXPECT_EQ(r.code, 1);
  const std::vector<std::string> expected = {
      "CIUDAD.csv:2: DESCRIPCION: holds control character U+000A (line break) at character 7",
      "CIUDAD.csv:4: DESCRIPCION: holds control character U+0009 (tab) at character 4",
      "CIUDAD.csv:6: DESCRIPCION: holds control character U+000D (carriage return) at character 3",
      "CIUDAD.csv:7: DESCRIPCION: holds control character U+0000 at character 4",
      "CIUDAD.csv:8: DESCRIPCION: holds control character U+007F at character 7",
      "CIUDAD.csv:9: DESCRIPCION: holds control character U+0081 at character 1",
  };
  std::vector<std::string> got;
  for (const auto& line : lines(r.err)) {
    if (line.rfind("CIUDAD.csv", 0) == 0) got.push_back(line);
  }
  ASSERT_EQ(got.size(), expected.size()) << r.err;
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(got[i].rfind(expected[i], 0), 0u) << got[i];
  EXPECT_EQ(lines(r.err).back(), "gradebook-data: 6 bad rows; nothing was written");
  EXPECT_FALSE(fs::exists(folder_));
}

TEST_F(DataTool, DumpByKeyFollowsTheCollatingSequence) {
  ASSERT_EQ(tool({"load", folder_.string(), fixture("datatool_names").string()}).code, 0);
  const auto names = [&](std::vector<std::string> options) {
    std::vector<std::string> out;
    for (const auto& row : cells(dumpOf(folder_ / "Alumnos.Tps", options))) out.push_back(row.at("NOMBRE"));
    return out;
  };
  // Upper case before lower case of the same letter, "a" before "B", accented after plain, "Á" (not
  // in the sequence) between "O" and "o".
  EXPECT_EQ(names({"--key", "ALU:AK_NOMBRE"}),
            (std::vector<std::string>{"ABC", "abc", "beto", "Carla", "Martinez", "Martínez", "Olga", "Ángel", "Pablo",
                                      "Pena", "Peña", "Perez"}));
  // The prefix is optional and letter case does not matter; physical order is the table's order.
  EXPECT_EQ(names({"--key", "ak_matricula"}),
            (std::vector<std::string>{"Pablo", "beto", "Martinez", "Carla", "Peña", "ABC", "Olga", "Martínez", "Perez",
                                      "abc", "Ángel", "Pena"}));
  EXPECT_EQ(names({}), (std::vector<std::string>{"Pena", "Ángel", "abc", "Perez", "Martínez", "Olga", "ABC", "Peña",
                                                 "Carla", "Martinez", "beto", "Pablo"}));
}

TEST_F(DataTool, DumpChoosesTheDeclarationByTheFilesName) {
  ASSERT_EQ(tool({"load", folder_.string(), fixture("datatool_good").string()}).code, 0);
  // A physical name matches without regard to case; --file names the declaration of any other name.
  fs::copy_file(folder_ / "Alumnos.Tps", root_ / "ALUMNOS.TPS");
  fs::copy_file(folder_ / "Alumnos.Tps", root_ / "copia.dat");
  const std::string alumnos = dumpOf(folder_ / "Alumnos.Tps");
  EXPECT_EQ(dumpOf(root_ / "ALUMNOS.TPS"), alumnos);
  EXPECT_EQ(dumpOf(root_ / "copia.dat", {"--file", "ALUMNOS"}), alumnos);

  // Any other name is an export file.
  dictionary::FileDeclarations decls;
  platform::Locale locale;
  dictionary::ApplySpanishLocale(locale);
  const fs::path exportFile = root_ / "Exporacion - 1001 - 10-12-2024 10_05.Vyr";
  decls.Gs_ArchivoExportacion = platform::os::textOf(exportFile).value();
  {
    platform::storage::Engine engine(locale);
    platform::storage::Session session(engine, root_.string());
    platform::storage::DataFile file(decls.EXPORTACION, session);
    ASSERT_THAT(file.create(), IsOk());
    ASSERT_THAT(file.open(), IsOk());
    auto& b = file.buffer();
    b.clear();
    b.setLong(0, 7);
    b.setLong(1, 5110);
    b.setText(5, platform::Cp1252View::ofBytes("Pe\xf1"
                                               "a"));  // code page 1252: "Peña"
    b.setText(10, platform::Cp1252View::ofBytes("M\xe9rida"));
    b.setReal(19, 59.75);
    ASSERT_THAT(file.add(), IsOk());
    file.close();
  }
  const auto dumped = lines(dumpOf(exportFile));
  ASSERT_EQ(dumped.size(), 2u);
  EXPECT_EQ(dumped[0],
            "ID_ACT,CLAVE,PERIODO,GRUPO,MATRICULA,NOMBRE,CLA_MAESTRO,NOM_MAESTRO,UNI_APRENDIZAJE,PROG_ACADEMICO,"
            "DESC_CIUDAD,POR_PORTAFOLIO,PORTAFOLIO,POR_EXAMEN,EXAMEN,POR_PARTICIPACION,PARTICIPACION,POR_ENSAYO,"
            "ENSAYO,PROMEDIO,STATUS,FECHA,HORA");
  EXPECT_EQ(dumped[1], "7,5110,,,,Peña,0,,,,Mérida,0,0,0,0,0,0,0,0,59.75,0,0,0");
}

TEST_F(DataTool, DumpFailuresAreOneLineAndTouchNothing) {
  ASSERT_EQ(tool({"load", folder_.string(), fixture("datatool_good").string()}).code, 0);
  writeFile(root_ / "Ciudad.Tps", "garbage, not a data file");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"dump", (root_ / "Missing.Tps").string()}, "error 2: "},
      {{"dump", (root_ / "Ciudad.Tps").string()}, "Ciudad.Tps: error "},
      {{"dump", (folder_ / "Alumnos.Tps").string(), "--key", "MAE:PK_ZOLBRANS"}, "ALUMNOS has no key MAE:PK_ZOLBRANS"},
      {{"dump", (folder_ / "Alumnos.Tps").string(), "--file", "NOPE"}, "no file is declared as NOPE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1]);
    Outcome r = tool(c.args);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    const auto got = lines(r.err);
    ASSERT_EQ(got.size(), 1u) << r.err;
    EXPECT_EQ(got[0].rfind("gradebook-data: ", 0), 0u) << got[0];
    EXPECT_NE(got[0].find(c.message), std::string::npos) << got[0];
  }
  EXPECT_FALSE(fs::exists(root_ / "Missing.Tps"));
  EXPECT_EQ(readFile(root_ / "Ciudad.Tps"), "garbage, not a data file");
}

// An output that takes so many bytes and then fails, as a full disk does.
class FailingOutput : public std::streambuf {
 public:
  explicit FailingOutput(std::size_t room) : room_(room) {}
  std::size_t written() const { return written_; }

 protected:
  std::streamsize xsputn(const char*, std::streamsize count) override {
    const std::streamsize taken = std::min<std::streamsize>(count, static_cast<std::streamsize>(room_ - written_));
    written_ += static_cast<std::size_t>(taken);
    return taken;
  }
  int_type overflow(int_type c) override { return xsputn(nullptr, 1) == 1 ? c : traits_type::eof(); }

 private:
  std::size_t room_;
  std::size_t written_ = 0;
};

// A school large enough for the tables to be read and the files dumped in many batches, in the
// form a dump gives: fields in the declaration's order, numbers in their shortest form, quotes
// only where needed. Loading it and dumping the files gives back the same bytes.
std::map<std::string, std::string> generatedSchool(int students, int gradeRecords) {
  const auto text = [](const std::string& value) {
    std::string out;
    datatool::csv::appendField(out, value);
    return out;
  };
  const auto real = [](double value) { return platform::shortestDecimal(value); };
  const auto row = [](std::initializer_list<std::string> fields) {
    std::string line;
    for (const auto& field : fields) line += (line.empty() ? "" : ",") + field;
    return line + "\n";
  };
  std::map<std::string, std::string> tables;
  const auto catalogue = [&](const std::string& label, const std::string& id, const std::vector<std::string>& names) {
    std::string& table = tables[label];
    table = row({id, "DESCRIPCION"});
    for (std::size_t i = 0; i < names.size(); ++i) table += row({std::to_string(i + 1), text(names[i])});
  };
  catalogue("CIUDAD", "ID_CIU", {"Mérida", "Córdoba, Veracruz", "León", "\"La\" Paz", " Tepic"});
  catalogue("UNIDAD_ACADEMICA", "ID_UACA", {"Facultad de Informática", "Facultad de Ingeniería"});
  catalogue("PROGRAMA_ACADEMICO", "ID_PACA", {"Informática", "INFORMÁTICA", "Contaduría"});
  catalogue("PROGRAMA_ALUMNO", "ID_PALU", {"Escolarizado", "Intercambio académico"});
  std::string& teachers = tables["ZOLBRANS"];
  teachers = row({"ID_MAE", "CLAVE", "NOMBRE", "PASSWORD"});
  for (int t = 1; t <= 30; ++t) {
    teachers += row({std::to_string(t), std::to_string(1000 + t), text("Peña, Maestra " + std::to_string(t)),
                     "clave" + std::to_string(t)});
  }
  std::string& units = tables["UNIDAD_APRENDIZAJE"];
  units = row({"ID_UAPR", "DESCRIPCION", "POR_UNO", "POR_DOS", "POR_TRES", "POR_CUATRO", "DESC_UNO", "DESC_DOS",
               "DESC_TRES", "DESC_CUATRO", "RUT_IMAGEN"});
  for (int u = 1; u <= 12; ++u) {
    units +=
        row({std::to_string(u), text("Unidad " + std::to_string(u) + ": álgebra"), "30", "20", "20", "30", "PORTAFOLIO",
             "EXAMEN", "PARTICIPACIÓN", "ENSAYO", u % 3 == 0 ? text("C:\\img\\u" + std::to_string(u) + ".bmp") : ""});
  }
  std::string& alumnos = tables["ALUMNOS"];
  alumnos = row({"ID_ALU", "MATRICULA", "NOMBRE", "SEXO", "ID_UACA", "ID_PALU", "ID_CIU"});
  for (int a = 1; a <= students; ++a) {
    alumnos += row({std::to_string(a), "24-" + std::to_string(100000 + a),
                    text("Núñez \"Ñ\" Íñigo, " + std::to_string(a)), std::to_string(a % 2 + 1),
                    std::to_string(a % 2 + 1), std::to_string(a % 2 + 1), std::to_string(a % 5 + 1)});
  }
  std::string& actas = tables["ACTAS"];
  actas = row({"ID_ACT", "CLAVE", "PERIODO", "GRUPO", "ID_ALU", "ID_MAE", "ID_UAPR", "ID_PACA", "ID_CIU",
               "POR_PORTAFOLIO", "PORTAFOLIO", "POR_EXAMEN", "EXAMEN", "POR_PARTICIPACION", "PARTICIPACION",
               "POR_ENSAYO", "ENSAYO", "PROMEDIO", "STATUS"});
  for (int g = 1; g <= gradeRecords; ++g) {
    const double score = g % 101;
    actas += row({std::to_string(g), std::to_string(5000 + g % 97), "2024-" + std::to_string(g % 2 + 1),
                  text(g % 50 == 0 ? " G, " + std::to_string(g % 7) : "G" + std::to_string(g % 7)),
                  std::to_string(g % students + 1), std::to_string(g % 30 + 1), std::to_string(g % 12 + 1),
                  std::to_string(g % 3 + 1), std::to_string(g % 5 + 1), real(score * 0.3), real(score),
                  real(score * 0.2), real(1.0 / g), real(-g * 1e-7), real(g * 1e15), real(g * 0.1), real(score / 3),
                  real(score * 0.91), std::to_string(g % 2)});
  }
  return tables;
}

TEST_F(DataTool, LargeSchoolLoadsAndDumpsBackByteForByte) {
  const fs::path tables = root_ / "tables";
  fs::create_directories(tables);
  const auto school = generatedSchool(3000, 40000);
  for (const auto& [label, text] : school) writeFile(tables / (label + ".csv"), text);
  Outcome r = tool({"load", folder_.string(), tables.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(kLabels[i]);
    const std::string dumped = dumpOf(folder_ / kPhysical[i]);
    EXPECT_EQ(dumped.size(), school.at(kLabels[i]).size());
    EXPECT_TRUE(dumped == school.at(kLabels[i]));
  }

  // An output that fails part way: the dump says so, after the rows that went out.
  FailingOutput failing(100000);
  std::ostream out(&failing);
  const datatool::Result dumped = datatool::dump(decls_, locale_, folder_ / "Actas.Tps", {}, out);
  EXPECT_EQ(dumped.error, (folder_ / "Actas.Tps").string() + ": the output cannot be written");
  EXPECT_EQ(failing.written(), 100000u);
}

TEST_F(DataTool, DemoThenDumpGivesBackTheBundledTables) {
  Outcome r = tool({"demo", folder_.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(kLabels[i]);
    EXPECT_EQ(dumpOf(folder_ / kPhysical[i]),
              readFile(sourceDir() / "tools" / "demo" / (std::string(kLabels[i]) + ".csv")));
  }

  // A folder that is not empty is refused unless told to replace.
  r = tool({"demo", folder_.string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("is not empty"), std::string::npos) << r.err;
  r = tool({"demo", folder_.string(), "--replace", "--from", fixture("datatool_good").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(cells(dumpOf(folder_ / "Zolbrans.Tps")), cells(readFile(fixture("datatool_good") / "ZOLBRANS.csv")));
}

// The bundled tables themselves: the grade rule holds in every grade record, and the school has
// the cases the program's windows are worth looking at with.
TEST(DemoTables, FollowTheGradeRuleAndHoldTheInterestingCases) {
  const datatool::Tables tables = datatool::demoTables();
  ASSERT_EQ(tables.size(), 8u);
  std::map<int, std::vector<int>> weights;
  for (const auto& row : cells(tables.at("UNIDAD_APRENDIZAJE").text)) {
    std::vector<int> w = {std::stoi(row.at("POR_UNO")), std::stoi(row.at("POR_DOS")), std::stoi(row.at("POR_TRES")),
                          std::stoi(row.at("POR_CUATRO"))};
    EXPECT_EQ(w[0] + w[1] + w[2] + w[3], 100);
    weights[std::stoi(row.at("ID_UAPR"))] = w;
  }
  EXPECT_EQ(weights.size(), 10u);

  const auto teachers = cells(tables.at("ZOLBRANS").text);
  EXPECT_EQ(teachers.size(), 8u);
  std::set<std::string> teachersWithRecords;
  int ungraded = 0, sixty = 0, justBelow = 0;
  const auto actas = cells(tables.at("ACTAS").text);
  EXPECT_GE(actas.size(), 1400u);
  for (const auto& row : actas) {
    const auto& w = weights.at(std::stoi(row.at("ID_UAPR")));
    const char* scores[] = {"PORTAFOLIO", "EXAMEN", "PARTICIPACION", "ENSAYO"};
    double parts[4];
    for (int k = 0; k < 4; ++k) {
      const double score = std::stod(row.at(scores[k]));
      EXPECT_GE(score, 0);
      EXPECT_LE(score, 100);
      parts[k] = score * (w[static_cast<std::size_t>(k)] / 100.0);
      EXPECT_EQ(std::stod(row.at(std::string("POR_") + scores[k])), parts[k]) << row.at("ID_ACT");
    }
    const double promedio = ((parts[0] + parts[1]) + parts[2]) + parts[3];
    EXPECT_EQ(std::stod(row.at("PROMEDIO")), promedio) << row.at("ID_ACT");
    EXPECT_EQ(row.at("STATUS"), promedio >= 60.0 ? "1" : "0") << row.at("ID_ACT");
    ungraded += promedio == 0.0;
    sixty += promedio == 60.0;
    justBelow += promedio > 59.0 && promedio < 60.0;
    teachersWithRecords.insert(row.at("ID_MAE"));
  }
  EXPECT_GT(ungraded, 0);
  EXPECT_GT(sixty, 0);
  EXPECT_GT(justBelow, 0);
  EXPECT_EQ(teachersWithRecords.size(), 7u);  // one teacher has no grade records
}

TEST(DataToolCommandLine, WrongArgumentsGiveUsage) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"load", "only-one"},
      {"load", "a", "b", "c"},
      {"load", "a", "b", "--force"},
      {"dump"},
      {"dump", "file", "--key"},
      {"dump", "file", "--key", "A", "--key", "B"},
      {"demo"},
      {"demo", "a", "--from"},
      {"demo", "a", "--file", "X"},
  };
  for (const auto& args : cases) {
    Outcome r = tool(args);
    EXPECT_EQ(r.code, 2) << testing::PrintToString(args);
    EXPECT_EQ(r.err.rfind("gradebook-data: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("usage: "), std::string::npos) << r.err;
  }
  Outcome help = tool({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("usage: "), std::string::npos);
}

}  // namespace
