// `gradebook-data check` and `repair` on the demo school, damaged as a school's IT person meets it:
// pages changed on disk, keys that disagree with their records, files of another kind, programs
// that have the folder open or died in the middle of a change.
#include <gtest/gtest.h>
#include <sqlcipher/sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/file_declarations.h"
#include "dictionary/spanish_locale.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/key_image.h"
#include "platform/storage/session.h"
#include "platform/storage/stored_format.h"
#include "platform/storage/testing/child_process.h"
#include "platform/storage/testing/page_damage.h"
#include "platform/storage/testing/status_matchers.h"
#include "tools/data_tool.h"

namespace {

using namespace platform::literals;

namespace fs = std::filesystem;
using platform::storage::testing::damagePage;
using platform::storage::testing::HasError;
using platform::storage::testing::IsOk;
using platform::storage::testing::pageOfKeyEntry;
using platform::storage::testing::pageOfRecord;

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

Outcome tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = datatool::run(args, out, err);
  return {code, out.str(), err.str()};
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The line `check` printed for one file.
std::string lineOf(const std::string& output, const std::string& file) {
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(file + ": ", 0) == 0) return line;
  }
  return "(no line for " + file + ")";
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> contentsOf(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder))
    files[entry.path().filename().string()] = readFile(entry.path());
  return files;
}

// A record as stored: its version and bytes, by record number.
using StoredRecords = std::map<std::int64_t, std::pair<std::int64_t, std::string>>;

// A connection of the test's own on a data file, beside the storage: to read records as stored
// and to write what the storage never writes (a wrong key image, a record that collides).
class RawFile {
 public:
  RawFile(const fs::path& path, const std::string& key) {
    sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_key(db_, key.data(), static_cast<int>(key.size()));
    exec("PRAGMA cipher_page_size = " + std::to_string(platform::storage::stored::kPageSize));
  }
  ~RawFile() { sqlite3_close_v2(db_); }

  int exec(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr); }

  StoredRecords records() {
    StoredRecords out;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db_, "SELECT pos, ver, data FROM rec", -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
      out[sqlite3_column_int64(statement, 0)] = {sqlite3_column_int64(statement, 1), blob(statement, 2)};
    }
    sqlite3_finalize(statement);
    return out;
  }

  // Sets one column of one record to the bytes given; SQLite's result code.
  int setBlob(std::int64_t record, const std::string& column, const std::string& bytes) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db_, ("UPDATE rec SET " + column + " = ?1 WHERE pos = ?2").c_str(), -1, &statement, nullptr);
    sqlite3_bind_blob(statement, 1, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(statement, 2, record);
    const int rc = sqlite3_step(statement);
    sqlite3_finalize(statement);
    return rc;
  }

 private:
  static std::string blob(sqlite3_stmt* statement, int column) {
    return std::string(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                       static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
  }
  sqlite3* db_ = nullptr;
};

// Another program with the folder open: `body` runs in a child process forked before this one
// opens any data file; it calls ready() once its files are open, then waits until let go.
class OtherProgram {
 public:
  explicit OtherProgram(
      const std::function<int(const std::function<void()>& ready, const std::function<void()>& wait)>& body) {
    if (pipe(ready_) != 0 || pipe(go_) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      const auto ready = [&] { (void)!write(ready_[1], "x", 1); };
      const auto wait = [&] {
        char c;
        (void)!read(go_[0], &c, 1);
      };
      _exit(body(ready, wait));
    }
    char c;
    (void)!read(ready_[0], &c, 1);
  }
  ~OtherProgram() { finish(); }
  OtherProgram(const OtherProgram&) = delete;
  OtherProgram& operator=(const OtherProgram&) = delete;

  // Lets the program go on and end; its exit status.
  int finish() {
    if (pid_ <= 0) return -1;
    (void)!write(go_[1], "x", 1);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    for (int fd : {ready_[0], ready_[1], go_[0], go_[1]}) close(fd);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  int ready_[2] = {-1, -1};
  int go_[2] = {-1, -1};
  pid_t pid_ = -1;
};

class CheckRepair : public testing::Test {
 protected:
  void SetUp() override {
    dictionary::ApplySpanishLocale(spanish_);
    std::string pattern = (fs::temp_directory_path() / "check-repair-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    folder_ = root_ / "school";
    const datatool::Result built = datatool::buildDemo(decls_, spanish_, folder_);
    ASSERT_TRUE(built.ok()) << built.error;
    key_ = engine_.rawKey(decls_.ACTAS.ownerPassword);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  Outcome check() { return tool({"check", folder_.string()}); }
  Outcome repair(const std::string& name) { return tool({"repair", path(name)}); }

  // The numbers of the records the line says cannot be read ("records 681 to 703").
  static std::vector<std::pair<std::int64_t, std::int64_t>> gapsIn(const std::string& line) {
    std::vector<std::pair<std::int64_t, std::int64_t>> gaps;
    const std::regex range("records ([0-9]+) to ([0-9]+)");
    for (std::sregex_iterator it(line.begin(), line.end(), range), end; it != end; ++it) {
      gaps.emplace_back(std::stoll((*it)[1]), std::stoll((*it)[2]));
    }
    return gaps;
  }

  dictionary::FileDeclarations decls_;
  platform::Locale spanish_;
  platform::storage::Engine engine_{spanish_};
  std::string key_;
  fs::path root_;
  fs::path folder_;
};

const char* const kDataFiles[] = {"Ciudad.Tps",      "Zolbrans.Tps",        "Uni_Academica.Tps", "Prog_Academico.Tps",
                                  "Prog_Alumno.Tps", "Uni_Aprendizaje.Tps", "Alumnos.Tps",       "Actas.Tps"};

TEST_F(CheckRepair, CheckOfASoundSchoolSaysOkAndChangesNothing) {
  const auto before = contentsOf(folder_);
  const Outcome r = check();
  EXPECT_EQ(0, r.code) << r.out << r.err;
  EXPECT_EQ("Actas.Tps: ok (1500 records)", lineOf(r.out, "Actas.Tps"));
  EXPECT_EQ("Zolbrans.Tps: ok (8 records)", lineOf(r.out, "Zolbrans.Tps"));
  for (const char* file : kDataFiles) EXPECT_EQ(0u, lineOf(r.out, file).find(std::string(file) + ": ok (")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("8 data files: 8 ok, 0 damaged, 0 missing")) << r.out;
  EXPECT_TRUE(before == contentsOf(folder_)) << "check changed the folder";
}

// A page changed on disk: the cipher refuses it. The line names the page and what it held: the
// records that cannot be read, or the key, of which no record is lost.
TEST_F(CheckRepair, CheckNamesTheDamagedPageAndWhatItHeld) {
  struct Case {
    const char* what;
    const char* file;
    std::function<std::int64_t(const std::string&)> page;
    const char* says;
  };
  const Case cases[] = {
      {"a page of grade records", "Actas.Tps", [&](const std::string& file) { return pageOfRecord(file, key_, 700); },
       "records cannot be read (records "},
      {"a page of the teachers' key", "Zolbrans.Tps",
       [&](const std::string& file) { return pageOfKeyEntry(file, key_, decls_.ZOLBRANS.keyIndex("AK_CLAVE"), 1); },
       "key MAE:AK_CLAVE cannot be read; repair rebuilds it and loses no record"},
  };
  const fs::path pristine = root_ / "pristine";
  fs::copy(folder_, pristine);
  std::map<std::string, std::string> lines;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder_);
    fs::copy(pristine, folder_);
    const std::int64_t page = c.page(path(c.file));
    ASSERT_GT(page, 1);
    damagePage(path(c.file), page);
    const auto before = contentsOf(folder_);

    const Outcome r = check();
    EXPECT_EQ(1, r.code);
    const std::string line = lines[c.file] = lineOf(r.out, c.file);
    EXPECT_EQ(0u, line.find(std::string(c.file) + ": damaged: page " + std::to_string(page) + " cannot be read; "))
        << line;
    EXPECT_NE(std::string::npos, line.find(c.says)) << line;
    for (const char* other : kDataFiles) {
      if (std::string(other) == c.file) continue;
      EXPECT_EQ(0u, lineOf(r.out, other).find(std::string(other) + ": ok (")) << r.out;
    }
    EXPECT_NE(std::string::npos, r.out.find("gradebook-data repair " + path(c.file))) << r.out;
    EXPECT_TRUE(before == contentsOf(folder_)) << "check changed the folder";
  }
  // The records that cannot be read are those of the damaged page, record 700 among them.
  const auto gaps = gapsIn(lines["Actas.Tps"]);
  ASSERT_EQ(1u, gaps.size()) << lines["Actas.Tps"];
  EXPECT_LE(gaps[0].first, 700);
  EXPECT_GE(gaps[0].second, 700);
  EXPECT_LT(gaps[0].second - gaps[0].first, 40) << "more records than a page holds";
  const std::int64_t onThePage = gaps[0].second - gaps[0].first + 1;
  EXPECT_NE(std::string::npos, lines["Actas.Tps"].find("; " + std::to_string(onThePage) + " records cannot be read ("));
  EXPECT_NE(std::string::npos,
            lines["Actas.Tps"].find("repair saves the " + std::to_string(1500 - onThePage) + " records"));
}

// Keys whose stored images no longer agree with the records: an image written wrong, and a file
// whose keys were made under another sort order.
TEST_F(CheckRepair, CheckFindsKeysThatDisagreeWithTheRecords) {
  {
    // Teacher record 3 stored under the key value 4242, which no teacher has.
    std::string image;
    platform::storage::appendLongImage(4242, image);
    RawFile teachers(path("Zolbrans.Tps"), key_);
    ASSERT_EQ(SQLITE_DONE,
              teachers.setBlob(3, platform::storage::stored::keyColumn(decls_.ZOLBRANS.keyIndex("AK_CLAVE")), image));
  }
  Outcome r = check();
  EXPECT_EQ(1, r.code);
  EXPECT_EQ(
      "Zolbrans.Tps: damaged: key MAE:AK_CLAVE disagrees with 1 record (first: record 3); repair rebuilds it and "
      "loses no record",
      lineOf(r.out, "Zolbrans.Tps"));

  // The school loaded by a tool that ordered text by plain bytes.
  fs::remove_all(folder_);
  platform::Locale plain;
  ASSERT_TRUE(datatool::load(decls_, plain, folder_, datatool::demoTables()).ok());
  r = check();
  EXPECT_EQ(1, r.code);
  const std::string students = lineOf(r.out, "Alumnos.Tps");
  EXPECT_EQ(0u, students.find("Alumnos.Tps: damaged: its keys were made under another sort order; key ALU:AK_NOMBRE "
                              "disagrees with 300 records (first: record 1)"))
      << students;
  EXPECT_NE(std::string::npos, students.find("repair rebuilds it and loses no record")) << students;
  // Numbers order alike in every locale: only the sort order stored is told.
  EXPECT_EQ("Actas.Tps: damaged: its keys were made under another sort order; repair rebuilds it and loses no record",
            lineOf(r.out, "Actas.Tps"));
}

TEST_F(CheckRepair, CheckSaysWhatAFileIsWhenItIsNoSoundDataFile) {
  struct Case {
    const char* what;
    std::function<void()> make;
    const char* line;
  };
  const Case cases[] = {
      {"missing", [&] { fs::remove(path("Ciudad.Tps")); },
       "Ciudad.Tps: missing: the program makes it anew, empty, at its next open; restore it from a copy or load the "
       "school's data again"},
      {"of another layout",
       [&] { fs::copy_file(path("Prog_Academico.Tps"), path("Ciudad.Tps"), fs::copy_options::overwrite_existing); },
       "Ciudad.Tps: not a file of this program's CIUDAD: made with another record layout (error 47)"},
      {"not a data file",
       [&] { std::ofstream(path("Ciudad.Tps"), std::ios::binary | std::ios::trunc) << std::string(8192, 'a'); },
       "Ciudad.Tps: cannot be read: not a data file under this program's password, or its first page is damaged (error "
       "36)"},
  };
  const std::string good = readFile(path("Ciudad.Tps"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::ofstream(path("Ciudad.Tps"), std::ios::binary | std::ios::trunc) << good;
    c.make();
    const auto before = contentsOf(folder_);
    const Outcome r = check();
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(c.line, lineOf(r.out, "Ciudad.Tps"));
    EXPECT_EQ("Actas.Tps: ok (1500 records)", lineOf(r.out, "Actas.Tps"));
    EXPECT_TRUE(before == contentsOf(folder_)) << "check changed the folder";
    EXPECT_EQ(1, repair("Ciudad.Tps").code);
    EXPECT_TRUE(before == contentsOf(folder_)) << "a refused repair changed the folder";
  }
}

// Programs working in the folder meanwhile: check takes no lock that stops them. One has a change
// under way (not yet committed: check sees the file as it was), and commits it after the check.
TEST_F(CheckRepair, CheckWorksWhileAProgramHasTheFolderOpen) {
  OtherProgram program([&](const std::function<void()>& ready, const std::function<void()>& wait) {
    platform::storage::Engine engine(spanish_);
    platform::storage::Session session(engine, folder_.string());
    std::vector<platform::storage::FileDecl> placed;
    for (const auto* decl : decls_.dataFiles())
      placed.push_back(platform::storage::placedAt(*decl, path(decl->physicalName)));
    std::vector<std::unique_ptr<platform::storage::DataFile>> files;
    for (const auto& decl : placed) {
      files.push_back(std::make_unique<platform::storage::DataFile>(decl, session));
      if (files.back()->open()) return 1;
    }
    platform::storage::DataFile& grades = *files.back();
    if (session.begin({&grades}, 5) || grades.getRecord(1)) return 2;
    grades.buffer().setReal(decls_.ACTAS.fieldIndex("EXAMEN"), 99);
    if (grades.put()) return 3;
    ready();
    wait();
    return session.commit() == platform::errors::kNone ? 0 : 4;
  });
  const Outcome r = check();
  EXPECT_EQ(0, r.code) << r.out;
  EXPECT_EQ("Actas.Tps: ok (1500 records)", lineOf(r.out, "Actas.Tps"));
  EXPECT_EQ(0, program.finish()) << "the program's commit did not get through after the check";
  EXPECT_EQ(0, check().code);
}

// A program killed in the middle of a change leaves a journal, rolled back into the file at its
// next open. Check looks at the file as that open will find it, and leaves file and journal be.
TEST_F(CheckRepair, CheckOfAFileWithAChangeLeftUnfinishedChangesNothing) {
  const StoredRecords committed = RawFile(path("Actas.Tps"), key_).records();
  const std::string whole = readFile(path("Actas.Tps"));
  const int died = platform::storage::testing::runInChild([&] {
    platform::storage::Engine engine(spanish_);
    engine.setPageCacheKiB(64);  // a small cache: the change reaches the file before it ends
    platform::storage::Session session(engine, folder_.string());
    const auto decl = platform::storage::placedAt(decls_.ACTAS, path("Actas.Tps"));
    platform::storage::DataFile grades(decl, session);
    if (grades.open() || session.begin({&grades}, 5) || grades.set()) return 1;
    while (grades.next() == platform::errors::kNone) {
      grades.buffer().setReal(decls_.ACTAS.fieldIndex("EXAMEN"), 1);
      if (grades.put()) return 2;
    }
    _exit(0);
  });
  ASSERT_EQ(0, died);
  ASSERT_TRUE(fs::exists(path("Actas.Tps-journal")));
  ASSERT_NE(whole, readFile(path("Actas.Tps"))) << "the change never reached the file";
  const auto before = contentsOf(folder_);
  const Outcome r = check();
  EXPECT_EQ(0, r.code) << r.out;
  EXPECT_EQ(
      "Actas.Tps: ok (1500 records) (a change left unfinished by a program that stopped was checked as undone, as the "
      "next open undoes it)",
      lineOf(r.out, "Actas.Tps"));
  EXPECT_TRUE(before == contentsOf(folder_)) << "check changed the folder";
  // The change is undone at the next open, as check saw it.
  {
    platform::storage::Session session(engine_, folder_.string());
    const auto decl = platform::storage::placedAt(decls_.ACTAS, path("Actas.Tps"));
    platform::storage::DataFile grades(decl, session);
    ASSERT_THAT(grades.open(), IsOk());
  }
  EXPECT_TRUE(committed == RawFile(path("Actas.Tps"), key_).records());
}

// A damaged key only: every record comes back, byte for byte, and the keys work again.
TEST_F(CheckRepair, RepairOfADamagedKeyLosesNoRecord) {
  const StoredRecords records = RawFile(path("Zolbrans.Tps"), key_).records();
  const int byKey = decls_.ZOLBRANS.keyIndex("AK_CLAVE");
  damagePage(path("Zolbrans.Tps"), pageOfKeyEntry(path("Zolbrans.Tps"), key_, byKey, 1));
  const std::string damaged = readFile(path("Zolbrans.Tps"));
  {
    // What a sign-in meets: the teacher cannot be read by the key.
    platform::storage::Session session(engine_, root_.string());
    const auto decl = platform::storage::placedAt(decls_.ZOLBRANS, path("Zolbrans.Tps"));
    platform::storage::DataFile teachers(decl, session);
    ASSERT_THAT(teachers.open(), IsOk());
    teachers.buffer().setLong(decls_.ZOLBRANS.fieldIndex("CLAVE"), 1001);
    ASSERT_THAT(teachers.get(byKey), HasError(platform::errors::kKeysMustBeRebuilt));
  }

  const Outcome r = repair("Zolbrans.Tps");
  ASSERT_EQ(0, r.code) << r.err;
  EXPECT_EQ(path("Zolbrans.Tps") +
                ": repaired: 8 records saved, none lost; every key rebuilt; the damaged file is kept as " +
                path("Zolbrans.Tps.damaged") + "\n",
            r.out);
  EXPECT_TRUE(records == RawFile(path("Zolbrans.Tps"), key_).records());
  EXPECT_EQ(damaged, readFile(path("Zolbrans.Tps.damaged")));
  EXPECT_FALSE(fs::exists(path("Zolbrans.Tps.rebuild")));
  EXPECT_EQ(0, check().code);
  {
    platform::storage::Session session(engine_, root_.string());
    const auto decl = platform::storage::placedAt(decls_.ZOLBRANS, path("Zolbrans.Tps"));
    platform::storage::DataFile teachers(decl, session);
    ASSERT_THAT(teachers.open(), IsOk());
    teachers.buffer().setLong(decls_.ZOLBRANS.fieldIndex("CLAVE"), 1001);
    ASSERT_THAT(teachers.get(byKey), IsOk());
    EXPECT_EQ("sol2024   "_cp1252, teachers.buffer().getText(decls_.ZOLBRANS.fieldIndex("PASSWORD")));
  }
  const Outcome again = repair("Zolbrans.Tps");
  EXPECT_EQ(0, again.code);
  EXPECT_EQ(path("Zolbrans.Tps") + ": sound: nothing to repair\n", again.out);
}

// Damaged pages of records: only their records are lost, as many as check said; every other
// record comes back byte for byte. A second repair keeps the first damaged file.
TEST_F(CheckRepair, RepairOfDamagedRecordPagesKeepsEveryReadableRecord) {
  const StoredRecords records = RawFile(path("Actas.Tps"), key_).records();
  const std::int64_t first = pageOfRecord(path("Actas.Tps"), key_, 700);
  const std::int64_t second = pageOfRecord(path("Actas.Tps"), key_, 1300);
  ASSERT_NE(first, second);
  damagePage(path("Actas.Tps"), first);
  damagePage(path("Actas.Tps"), second);
  const std::string damaged = readFile(path("Actas.Tps"));

  const std::string line = lineOf(check().out, "Actas.Tps");
  const auto gaps = gapsIn(line);
  ASSERT_EQ(2u, gaps.size()) << line;
  std::int64_t lost = 0;
  for (const auto& [from, to] : gaps) {
    ASSERT_LT(to - from, 100) << "more records than a page holds";
    lost += to - from + 1;
  }
  EXPECT_NE(std::string::npos, line.find("; " + std::to_string(lost) + " records cannot be read (")) << line;
  EXPECT_NE(std::string::npos,
            line.find("repair saves the " + std::to_string(1500 - lost) + " records that can be read"))
      << line;

  const Outcome r = repair("Actas.Tps");
  ASSERT_EQ(0, r.code) << r.err;
  EXPECT_NE(std::string::npos,
            r.out.find(": repaired: " + std::to_string(1500 - lost) + " records saved, " + std::to_string(lost) +
                       " records could not be read (records " + std::to_string(gaps[0].first) + " to " +
                       std::to_string(gaps[0].second) + ", records " + std::to_string(gaps[1].first) + " to " +
                       std::to_string(gaps[1].second) + ")"))
      << r.out;
  StoredRecords kept = records;
  for (const auto& [from, to] : gaps) {
    for (std::int64_t n = from; n <= to; ++n) kept.erase(n);
  }
  EXPECT_TRUE(kept == RawFile(path("Actas.Tps"), key_).records());
  EXPECT_EQ(damaged, readFile(path("Actas.Tps.damaged")));
  EXPECT_EQ("Actas.Tps: ok (" + std::to_string(1500 - lost) + " records)", lineOf(check().out, "Actas.Tps"));

  // Damaged again: the new damaged file goes beside the first, which stays as it was.
  damagePage(path("Actas.Tps"), pageOfRecord(path("Actas.Tps"), key_, 100));
  const Outcome again = repair("Actas.Tps");
  ASSERT_EQ(0, again.code) << again.err;
  EXPECT_NE(std::string::npos, again.out.find("kept as " + path("Actas.Tps.damaged-2"))) << again.out;
  EXPECT_EQ(damaged, readFile(path("Actas.Tps.damaged")));
  EXPECT_EQ(0, check().code);
}

TEST_F(CheckRepair, RepairIsRefusedWhileAProgramHasTheFileOpen) {
  damagePage(path("Actas.Tps"), pageOfRecord(path("Actas.Tps"), key_, 700));
  for (const int mode : {platform::storage::kReadOnly, platform::storage::kReadWriteShared}) {
    SCOPED_TRACE(mode);
    OtherProgram program([&](const std::function<void()>& ready, const std::function<void()>& wait) {
      platform::storage::Engine engine(spanish_);
      platform::storage::Session session(engine, folder_.string());
      const auto decl = platform::storage::placedAt(decls_.ACTAS, path("Actas.Tps"));
      platform::storage::DataFile grades(decl, session);
      if (grades.open(mode)) return 1;
      ready();
      wait();
      return 0;
    });
    const auto before = contentsOf(folder_);
    const Outcome r = repair("Actas.Tps");
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("gradebook-data: " + path("Actas.Tps") +
                  ": open in a program (on this or another workstation): close the program everywhere, then repair "
                  "again; nothing was changed\n",
              r.err);
    EXPECT_TRUE(before == contentsOf(folder_)) << "a refused repair changed the folder";
    EXPECT_EQ(0, program.finish());
  }
  EXPECT_EQ(0, repair("Actas.Tps").code);
}

// Two records that take one value of a unique key once their images are computed afresh: a
// rebuild would have to drop one of them, so repair refuses and names them.
TEST_F(CheckRepair, RepairRefusesRecordsThatWouldTakeOneValueOfAUniqueKey) {
  {
    RawFile units(path("Uni_Academica.Tps"), key_);
    StoredRecords stored = units.records();
    std::string copy = stored.at(2).second;
    const platform::Field& name =
        decls_.UNIDAD_ACADEMICA.layout.field(decls_.UNIDAD_ACADEMICA.fieldIndex("DESCRIPCION"));
    copy.replace(name.offset, name.size, stored.at(1).second.substr(name.offset, name.size));
    ASSERT_EQ(SQLITE_DONE, units.setBlob(2, "data", copy));  // its stored key image stays the old name's
  }
  const Outcome checked = check();
  EXPECT_EQ(
      "Uni_Academica.Tps: damaged: key UACA:AK_DESCRIPCION disagrees with 1 record (first: record 2); key "
      "UACA:AK_DESCRIPCION: records 1 and 2 take one value; repair cannot mend it: two records take one value of a "
      "unique key (correct one of them)",
      lineOf(checked.out, "Uni_Academica.Tps"));
  EXPECT_EQ(std::string::npos, checked.out.find("repair " + path("Uni_Academica.Tps")));
  const auto before = contentsOf(folder_);
  const Outcome r = repair("Uni_Academica.Tps");
  EXPECT_EQ(1, r.code);
  EXPECT_NE(std::string::npos, r.err.find(": cannot be repaired: ")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("; nothing was changed")) << r.err;
  EXPECT_TRUE(before == contentsOf(folder_));
}

}  // namespace
