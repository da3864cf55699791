#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <sqlcipher/sqlite3.h>

#include "platform/core/runtime_errors.h"
#include "platform/storage/testing/child_process.h"
#include "platform/storage/data_file.h"
#include "platform/storage/testing/fault_vfs.h"
#include "platform/storage/testing/open_descriptors.h"
#include "platform/storage/session.h"
#include "platform/storage/testing/step_hooks.h"
#include "platform/storage/view.h"

namespace fs = std::filesystem;
using namespace platform;
using namespace platform::storage;
using platform::storage::testing::descriptorsOf;
using platform::storage::testing::descriptorsOfRemovedFiles;

namespace {

#define ASSERT_OK(expression) ASSERT_EQ(errors::kNone, (expression))
#define EXPECT_OK(expression) EXPECT_EQ(errors::kNone, (expression))

enum Field { kId, kName, kCode, kScore };
enum Key { kPkId, kAkName, kAkCode, kKScore };

FileDecl peopleDecl(const std::string& path) {
  FileDecl decl;
  decl.label = "PEOPLE";
  decl.prefix = "PEO";
  decl.physicalName = path;
  decl.ownerPassword = "a test password of forty-five characters 12345";
  decl.layout = RecordLayout({{"ID", FieldType::Long}, {"NAME", FieldType::String, 20},
                              {"CODE", FieldType::CString, 11}, {"SCORE", FieldType::Real}});
  decl.keys = {{"PK_ID", {kId}, true, false, true, true},
               {"AK_NAME", {kName}, false, false, false, false},
               {"AK_CODE", {kCode}, false, false, true, true},
               {"K_SCORE", {kScore}, false, true, false, false}};
  return decl;
}

// A fresh folder per test, removed afterwards; the working folder of the test's files.
class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("storage-test-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    decl_ = peopleDecl((folder_ / "People.dat").string());
    other_ = peopleDecl((folder_ / "Other.dat").string());
    other_.label = "OTHER";
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::unique_ptr<Session> newSession() { return std::make_unique<Session>(engine_, folder_.string()); }

  static void fill(DataFile& file, std::int32_t id, const std::string& name, const std::string& code, double score) {
    file.buffer().clear();
    file.buffer().setLong(kId, id);
    file.buffer().setText(kName, name);
    file.buffer().setText(kCode, code);
    file.buffer().setReal(kScore, score);
  }

  static std::vector<std::string> namesInOrder(DataFile& file, int key, bool backwards = false) {
    std::vector<std::string> names;
    EXPECT_OK(file.set(key));
    while ((backwards ? file.previous() : file.next()) == errors::kNone) names.push_back(trimmed(file.buffer().getText(kName)));
    return names;
  }

  static std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }

  // The file made with one record: 1, "Ana", score 10; closed again.
  void createWithAna() {
    auto session = newSession();
    DataFile file(decl_, *session);
    ASSERT_OK(file.create());
    ASSERT_OK(file.open());
    fill(file, 1, "Ana", "", 10);
    ASSERT_OK(file.add());
  }

  void createEmpty(const FileDecl& decl) {
    auto session = newSession();
    DataFile file(decl, *session);
    ASSERT_OK(file.create());
  }

  // Starts `body` in a child process (another program) and returns its pid once the child has
  // called ready(), or has ended without doing so.
  static pid_t startChild(const std::function<int(const std::function<void()>& ready)>& body) {
    int ends[2];
    if (pipe(ends) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
      close(ends[0]);
      _exit(body([&] { (void)!write(ends[1], "x", 1); }));
    }
    close(ends[1]);
    char c;
    (void)!read(ends[0], &c, 1);
    close(ends[0]);
    return pid;
  }
  // Waits for a child started by startChild and gives its exit status.
  static int exitStatus(pid_t pid) { return storage::testing::exitStatus(pid); }

  // Runs `body` in a child process (another program) and returns its exit status.
  static int inChild(const std::function<int()>& body) { return storage::testing::runInChild(body); }

  // Another program that does one thing on cue: started at once, it acts on the file through
  // `action` when act() is called (from anywhere, even from inside a step of this process),
  // answers the action's result, and keeps what it opened until finish().
  class ProgramOnCue {
   public:
    ProgramOnCue(StorageTest& test, const FileDecl& decl, std::function<int(DataFile&)> action) {
      if (pipe(cue_) != 0 || pipe(answer_) != 0) return;
      pid_ = startChild([&](const std::function<void()>& ready) {
        Session session(test.engine_, test.folder_.string());
        DataFile file(decl, session);
        ready();
        char c;
        if (read(cue_[0], &c, 1) != 1) return 1;
        const char result = static_cast<char>(action(file));
        (void)!write(answer_[1], &result, 1);
        (void)!read(cue_[0], &c, 1);
        return 0;
      });
    }
    ~ProgramOnCue() {
      finish();
      for (int fd : {cue_[0], cue_[1], answer_[0], answer_[1]}) close(fd);
    }
    ProgramOnCue(const ProgramOnCue&) = delete;
    ProgramOnCue& operator=(const ProgramOnCue&) = delete;

    // The action's result (-1 when the program gave none).
    int act() {
      char c = 'x';
      if (write(cue_[1], &c, 1) != 1 || read(answer_[0], &c, 1) != 1) return -1;
      return static_cast<unsigned char>(c);
    }
    // Lets the program end; its exit status (0 when it did its part).
    int finish() {
      if (pid_ <= 0) return -1;
      (void)!write(cue_[1], "x", 1);
      const int status = exitStatus(pid_);
      pid_ = -1;
      return status;
    }

   private:
    int cue_[2] = {-1, -1};
    int answer_[2] = {-1, -1};
    pid_t pid_ = -1;
  };

  Locale locale_;
  Engine engine_{locale_};
  fs::path folder_;
  FileDecl decl_;
  FileDecl other_;
};

TEST_F(StorageTest, MissingFileIsErrorTwoUntilCreated) {
  auto session = newSession();
  DataFile file(decl_, *session);
  EXPECT_EQ(errors::kFileNotFound, file.open());
  EXPECT_EQ(errors::kFileNotOpen, file.next());
  EXPECT_EQ(errors::kFileNotOpen, file.add());
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  EXPECT_EQ(0, file.records());
  EXPECT_EQ(errors::kFileAlreadyOpen, file.open());
}

TEST_F(StorageTest, ReadsInPhysicalAndKeyOrderBothWays) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  const std::vector<std::tuple<int, std::string, double>> rows = {
      {3, "Carla", 70}, {1, "Ana", 90}, {2, "Bruno", 70}, {5, "Eva", 10}, {4, "Diego", 55}};
  for (auto& [id, name, score] : rows) {
    fill(file, id, name, name.substr(0, 2), score);
    ASSERT_OK(file.add());
  }
  EXPECT_EQ(5, file.records());
  EXPECT_EQ((std::vector<std::string>{"Carla", "Ana", "Bruno", "Eva", "Diego"}), namesInOrder(file, -1));
  EXPECT_EQ((std::vector<std::string>{"Ana", "Bruno", "Carla", "Diego", "Eva"}), namesInOrder(file, kPkId));
  EXPECT_EQ((std::vector<std::string>{"Eva", "Diego", "Carla", "Bruno", "Ana"}), namesInOrder(file, kAkName, true));
  // Duplicates of a key keep the order in which they were added.
  EXPECT_EQ((std::vector<std::string>{"Eva", "Diego", "Carla", "Bruno", "Ana"}), namesInOrder(file, kKScore));

  // Starting at a key value; then turning back.
  file.buffer().setText(kName, "Bz");
  ASSERT_OK(file.setFromBuffer(kAkName));
  ASSERT_OK(file.next());
  EXPECT_EQ("Carla", trimmed(file.buffer().getText(kName)));
  ASSERT_OK(file.next());
  ASSERT_OK(file.previous());
  EXPECT_EQ("Carla", trimmed(file.buffer().getText(kName)));
  ASSERT_OK(file.previous());
  EXPECT_EQ("Bruno", trimmed(file.buffer().getText(kName)));

  // Past the end: 33, and previous() then reads the last record.
  ASSERT_OK(file.set(kPkId));
  for (int i = 0; i < 5; ++i) ASSERT_OK(file.next());
  EXPECT_EQ(errors::kRecordNotAvailable, file.next());
  ASSERT_OK(file.previous());
  EXPECT_EQ(5, file.buffer().getLong(kId));
}

// Sequential reads fetch records ahead in growing batches; a batch that ends a run of equal key
// values must still hand out every record once, in order, both ways, however long the runs.
TEST_F(StorageTest, ReadAheadCrossesRunsOfEqualKeysInBothDirections) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  const int runs[] = {1, 2, 9, 65, 600, 1100, 1, 700, 3, 519};
  std::vector<std::pair<int, int>> records;  // (score, id) in the order they are added
  int id = 0;
  for (int score = 0; score < static_cast<int>(std::size(runs)); ++score) {
    for (int n = 0; n < runs[score]; ++n) records.emplace_back(score, ++id);
  }
  std::shuffle(records.begin(), records.end(), std::mt19937(5));
  ASSERT_OK(session->begin({&file}, 5));
  for (const auto& [score, each] : records) {
    fill(file, each, "N" + std::to_string(each), "C" + std::to_string(each), score);
    ASSERT_OK(file.add());
  }
  ASSERT_OK(session->commit());
  // Equal scores keep the order in which the records were added.
  std::vector<int> expected;
  for (int score = 0; score < static_cast<int>(std::size(runs)); ++score) {
    for (const auto& [s, each] : records) {
      if (s == score) expected.push_back(each);
    }
  }
  for (const char* option : {"QUICKSCAN=on", "QUICKSCAN=off"}) {
    ASSERT_OK(file.sendOption(option));
    std::vector<int> forward, backward;
    ASSERT_OK(file.set(kKScore));
    while (file.next() == errors::kNone) forward.push_back(file.buffer().getLong(kId));
    ASSERT_OK(file.set(kKScore));
    while (file.previous() == errors::kNone) backward.push_back(file.buffer().getLong(kId));
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(expected, forward) << option;
    EXPECT_EQ(expected, backward) << option;
  }
  // Reading one run from its key value to one record past it, then going on from there.
  ASSERT_OK(file.sendOption("QUICKSCAN=on"));
  file.buffer().clear();
  file.buffer().setReal(kScore, 5);
  ASSERT_OK(file.setFromBuffer(kKScore));
  int inRun = 0;
  while (file.next() == errors::kNone && file.buffer().getReal(kScore) == 5) ++inRun;
  EXPECT_EQ(runs[5], inRun);
  EXPECT_EQ(6, file.buffer().getReal(kScore));
  ASSERT_OK(file.next());
  EXPECT_EQ(7, file.buffer().getReal(kScore));
  ASSERT_OK(file.previous());
  ASSERT_OK(file.previous());
  EXPECT_EQ(5, file.buffer().getReal(kScore));
  EXPECT_EQ(expected[static_cast<std::size_t>(1 + 2 + 9 + 65 + 600 + 1100 - 1)], file.buffer().getLong(kId));
}

// A backward scan leaves the file reading backwards; set() must still place it before the first
// record, so that previous() reads the last one, in key and in physical order.
TEST_F(StorageTest, SetThenPreviousReadsTheLastRecordAfterABackwardScan) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  for (int id : {2, 3, 1}) {
    fill(file, id, "P" + std::to_string(id), "", 0);
    ASSERT_OK(file.add());
  }
  for (int key : {static_cast<int>(kPkId), -1}) {
    const std::vector<std::string> first = namesInOrder(file, key, true);
    EXPECT_EQ(3u, first.size()) << key;
    EXPECT_EQ(first, namesInOrder(file, key, true)) << key;
  }
}

// A loop that rewrites or deletes each record it reads drops the records read ahead at every
// write; it must not fetch a whole batch again for every record.
TEST_F(StorageTest, WritingEachRecordOfAScanFetchesEachRecordAboutOnce) {
  constexpr int kRecords = 2000;
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  ASSERT_OK(session->begin({&file}, 5));
  for (int id = 1; id <= kRecords; ++id) {
    fill(file, id, "N" + std::to_string(id), "", 0);
    ASSERT_OK(file.add());
  }
  ASSERT_OK(session->commit());
  const std::int64_t before = file.recordsRead();
  ASSERT_OK(session->begin({&file}, 5));
  int rewritten = 0;
  ASSERT_OK(file.set(kPkId));
  while (file.next() == errors::kNone) {
    file.buffer().setReal(kScore, 1);
    ASSERT_OK(file.put());
    ++rewritten;
  }
  EXPECT_EQ(kRecords, rewritten);
  int erased = 0;
  ASSERT_OK(file.set());
  while (file.next() == errors::kNone) {
    ASSERT_OK(file.erase());
    ++erased;
  }
  EXPECT_EQ(kRecords, erased);
  ASSERT_OK(session->commit());
  EXPECT_EQ(0, file.records());
  EXPECT_LE(file.recordsRead() - before, 4 * kRecords);
}

TEST_F(StorageTest, GetByKeyAndResumeFromPosition) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  for (int id = 1; id <= 300; ++id) {
    fill(file, id, "Name " + std::to_string(1000 + id), "C" + std::to_string(id), id % 7);
    ASSERT_OK(file.add());
  }
  file.buffer().clear();
  file.buffer().setLong(kId, 123);
  ASSERT_OK(file.get(kPkId));
  EXPECT_EQ("Name 1123", trimmed(file.buffer().getText(kName)));
  // A get places the sequence: next() goes on in the key's order.
  ASSERT_OK(file.next());
  EXPECT_EQ(124, file.buffer().getLong(kId));
  const Position there = file.position();
  ASSERT_OK(file.next());
  ASSERT_OK(file.reset(there));
  ASSERT_OK(file.next());
  EXPECT_EQ(124, file.buffer().getLong(kId));

  file.buffer().setLong(kId, 999);
  EXPECT_EQ(errors::kRecordNotFound, file.get(kPkId));
  // Text keys ignore trailing blanks; a case-insensitive key ignores case.
  file.buffer().setText(kName, "Name 1200   ");
  ASSERT_OK(file.get(kAkName));
  EXPECT_EQ(200, file.buffer().getLong(kId));
  file.buffer().setText(kCode, "c77");
  ASSERT_OK(file.get(kAkCode));
  EXPECT_EQ(77, file.buffer().getLong(kId));
}

// A lookup in the middle of a scan must not lose the scan's place or the record it would rewrite.
TEST_F(StorageTest, SavedStateBringsBackBufferSequenceAndRecordLastRead) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  for (int id = 1; id <= 5; ++id) {
    fill(file, id, "Name " + std::to_string(id), "C" + std::to_string(id), id);
    ASSERT_OK(file.add());
  }
  ASSERT_OK(file.set(kAkName));
  ASSERT_OK(file.next());
  ASSERT_OK(file.next());
  ASSERT_EQ(2, file.buffer().getLong(kId));
  const FileState state = file.saveState();

  file.buffer().clear();
  file.buffer().setLong(kId, 5);
  ASSERT_OK(file.get(kPkId));
  file.restoreState(state);
  EXPECT_EQ(2, file.buffer().getLong(kId));
  file.buffer().setReal(kScore, 20);
  ASSERT_OK(file.put());  // rewrites record 2, not record 5
  ASSERT_OK(file.next());
  EXPECT_EQ(3, file.buffer().getLong(kId));

  file.buffer().setLong(kId, 2);
  ASSERT_OK(file.get(kPkId));
  EXPECT_EQ(20, file.buffer().getReal(kScore));
  const FileState before = file.saveState();
  // Another buffer of the same file changes record 2: the restored state still sees that.
  DataFile other(decl_, *session);
  ASSERT_OK(other.open());
  other.buffer().setLong(kId, 2);
  ASSERT_OK(other.get(kPkId));
  other.buffer().setReal(kScore, 99);
  ASSERT_OK(other.put());
  file.restoreState(before);
  EXPECT_EQ(errors::kRecordChanged, file.put());

  // After a close and a new open, only the buffer comes back.
  ASSERT_OK(file.close());
  ASSERT_OK(file.open());
  file.restoreState(before);
  EXPECT_EQ(2, file.buffer().getLong(kId));
  EXPECT_EQ(errors::kRecordNotAvailable, file.put());
  EXPECT_EQ(errors::kRecordNotAvailable, file.next());
}

// put() rewrites only the keys whose values changed; every key still finds the record by its new
// value and no longer by its old one.
TEST_F(StorageTest, PutKeepsEveryKeyRightWhateverChanged) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  fill(file, 1, "Ann", "c1", 1);
  ASSERT_OK(file.add());
  fill(file, 2, "Bo", "c2", 2);
  ASSERT_OK(file.add());
  ASSERT_OK(file.put());  // a put right after add rewrites the record just added
  struct Change {
    const char* name;
    const char* code;
    double score;
  };
  for (const Change& change : {Change{"Ann", "c1", 5}, Change{"Annie", "c1", 5}, Change{"Annie", "", 6}, Change{"Ann", "c9", 6}}) {
    SCOPED_TRACE(change.name);
    file.buffer().clear();
    file.buffer().setLong(kId, 1);
    ASSERT_OK(file.get(kPkId));
    const std::string oldName = trimmed(file.buffer().getText(kName));
    file.buffer().setText(kName, change.name);
    file.buffer().setText(kCode, change.code);
    file.buffer().setReal(kScore, change.score);
    ASSERT_OK(file.put());
    DataFile check(decl_, *session);
    ASSERT_OK(check.open());
    check.buffer().setText(kName, change.name);
    ASSERT_OK(check.get(kAkName));
    EXPECT_EQ(1, check.buffer().getLong(kId));
    if (oldName != change.name) {
      check.buffer().setText(kName, oldName);
      EXPECT_EQ(errors::kRecordNotFound, check.get(kAkName));
    }
    EXPECT_EQ(std::string(change.code).empty() ? 1 : 2, static_cast<int>(namesInOrder(check, kAkCode).size()));
    EXPECT_EQ((std::vector<std::string>{"Bo", change.name}), namesInOrder(check, kKScore));
  }
  // A changed key that collides is refused and names the key.
  file.buffer().setText(kName, "Bo");
  EXPECT_EQ(errors::kDuplicateKey, file.put());
  EXPECT_EQ(kAkName, file.duplicateKey());
}

// position() is the place of the record last read or written: after add() and after a put()
// that moved the record in the key's order, reset() must come back to that record.
TEST_F(StorageTest, PositionAfterAWriteIsThatOfTheRecordWritten) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  for (int id = 1; id <= 5; ++id) {
    fill(file, id * 10, "N" + std::to_string(id), "", 0);
    ASSERT_OK(file.add());
  }
  ASSERT_OK(file.set(kPkId));
  ASSERT_OK(file.next());  // id 10
  fill(file, 35, "Added", "", 0);
  ASSERT_OK(file.add());
  const Position added = file.position();
  ASSERT_OK(file.reset(added));
  ASSERT_OK(file.next());
  EXPECT_EQ(35, file.buffer().getLong(kId));

  file.buffer().setLong(kId, 45);
  ASSERT_OK(file.put());
  const Position moved = file.position();
  ASSERT_OK(file.reset(moved));
  ASSERT_OK(file.next());
  EXPECT_EQ(45, file.buffer().getLong(kId));
  ASSERT_OK(file.next());
  EXPECT_EQ(50, file.buffer().getLong(kId));
}

TEST_F(StorageTest, DuplicateInUniqueKeyIsRefusedAndNamed) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  fill(file, 1, "Ana", "X1", 1);
  ASSERT_OK(file.add());
  fill(file, 2, "Bea", "X2", 2);
  ASSERT_OK(file.add());

  struct Case {
    std::int32_t id;
    std::string name, code;
    int key;
  } cases[] = {{1, "Other", "Y", kPkId}, {3, "Ana", "Y", kAkName}, {3, "Cai", "x1", kAkCode}};
  for (const Case& c : cases) {
    fill(file, c.id, c.name, c.code, 9);
    EXPECT_EQ(errors::kDuplicateKey, file.add()) << c.name;
    EXPECT_EQ(c.key, file.duplicateKey()) << c.name;
  }
  // Case matters in a case-sensitive key.
  fill(file, 3, "ana", "Z", 3);
  EXPECT_OK(file.add());
  // A put that would duplicate is refused too, and the stored record stays.
  file.buffer().setLong(kId, 2);
  ASSERT_OK(file.get(kPkId));
  file.buffer().setText(kName, "Ana");
  EXPECT_EQ(errors::kDuplicateKey, file.put());
  EXPECT_EQ(kAkName, file.duplicateKey());
  ASSERT_OK(file.get(kPkId));
  EXPECT_EQ("Bea", trimmed(file.buffer().getText(kName)));
  EXPECT_EQ(3, file.records());
}

TEST_F(StorageTest, OptionalKeysLeaveNullRecordsOut) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  fill(file, 0, "Zero", "", 1);
  ASSERT_OK(file.add());
  fill(file, 0, "Also zero", "", 1);
  ASSERT_OK(file.add());  // several null values are allowed in an optional unique key
  fill(file, 7, "Seven", "S", 1);
  ASSERT_OK(file.add());
  EXPECT_EQ((std::vector<std::string>{"Seven"}), namesInOrder(file, kPkId));
  EXPECT_EQ((std::vector<std::string>{"Seven"}), namesInOrder(file, kAkCode));
  EXPECT_EQ(3u, namesInOrder(file, kAkName).size());
  file.buffer().clear();
  EXPECT_EQ(errors::kRecordNotFound, file.get(kPkId));
}

TEST_F(StorageTest, AliasKeepsItsOwnBufferAndPosition) {
  auto session = newSession();
  const FileDecl alias = aliasOf(decl_, "PEOPLE_ALIAS", "APEO");
  DataFile file(decl_, *session), second(alias, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  ASSERT_OK(second.open());
  for (int id = 1; id <= 3; ++id) {
    fill(file, id, "P" + std::to_string(id), "", 0);
    ASSERT_OK(file.add());
  }
  file.buffer().setLong(kId, 1);
  ASSERT_OK(file.get(kPkId));
  ASSERT_OK(second.set(kPkId));
  ASSERT_OK(second.next());
  ASSERT_OK(second.next());
  EXPECT_EQ(2, second.buffer().getLong(kId));
  EXPECT_EQ(1, file.buffer().getLong(kId));

  // A record changed through the alias since the file read it: the file's put is refused.
  second.buffer().setLong(kId, 1);
  ASSERT_OK(second.get(kPkId));
  second.buffer().setReal(kScore, 50);
  ASSERT_OK(second.put());
  file.buffer().setReal(kScore, 99);
  EXPECT_EQ(errors::kRecordChanged, file.put());
  ASSERT_OK(file.get(kPkId));
  EXPECT_EQ(50, file.buffer().getReal(kScore));
  // Closing the file leaves the alias open.
  ASSERT_OK(file.close());
  EXPECT_EQ(3, second.records());
}

TEST_F(StorageTest, PutOfRecordChangedByAnotherProgramWritesNothing) {
  createWithAna();
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.open());
  file.buffer().setLong(kId, 1);
  ASSERT_OK(file.get(kPkId));
  ASSERT_EQ(0, inChild([&] {
    Session other(engine_, folder_.string());
    DataFile theirs(decl_, other);
    if (theirs.open() != 0) return 1;
    theirs.buffer().setLong(kId, 1);
    if (theirs.get(kPkId) != 0) return 2;
    theirs.buffer().setReal(kScore, 20);
    return theirs.put() == 0 ? 0 : 3;
  }));
  file.buffer().setReal(kScore, 30);
  EXPECT_EQ(errors::kRecordChanged, file.put());
  ASSERT_OK(file.get(kPkId));
  EXPECT_EQ(20, file.buffer().getReal(kScore));
  // Read again, the put goes through.
  file.buffer().setReal(kScore, 30);
  EXPECT_OK(file.put());
  ASSERT_OK(file.erase());
  EXPECT_EQ(0, file.records());
}

TEST_F(StorageTest, TransactionOverTwoFilesIsAllOrNothing) {
  auto session = newSession();
  DataFile a(decl_, *session), b(other_, *session);
  ASSERT_OK(a.create());
  ASSERT_OK(b.create());
  ASSERT_OK(a.open());
  ASSERT_OK(b.open());
  ASSERT_OK(session->begin({&a, &b}, 2));
  fill(a, 1, "A", "", 0);
  ASSERT_OK(a.add());
  fill(b, 1, "B", "", 0);
  ASSERT_OK(b.add());
  EXPECT_EQ(errors::kTransactionActive, session->begin({&a}, 1));
  ASSERT_OK(session->rollback());
  EXPECT_EQ(0, a.records());
  EXPECT_EQ(0, b.records());

  ASSERT_OK(session->begin({&a, &b}, 2));
  ASSERT_OK(a.add());
  ASSERT_OK(b.add());
  ASSERT_OK(session->commit());
  EXPECT_EQ(1, a.records());
  EXPECT_EQ(1, b.records());
  EXPECT_EQ(errors::kNoTransaction, session->commit());
}

// A file closed inside a transaction stays part of it until it ends (its changes commit or roll
// back with the others); it can be opened again meanwhile, and afterwards it is let go.
TEST_F(StorageTest, FileClosedInsideATransactionStaysPartOfIt) {
  auto session = newSession();
  DataFile a(decl_, *session), b(other_, *session);
  ASSERT_OK(a.create());
  ASSERT_OK(b.create());
  ASSERT_OK(a.open());
  ASSERT_OK(b.open());
  for (const bool commit : {false, true}) {
    SCOPED_TRACE(commit ? "commit" : "rollback");
    ASSERT_OK(session->begin({&a, &b}, 2));
    fill(a, 1, "A", "", 0);
    ASSERT_OK(a.add());
    fill(b, 1, "B", "", 0);
    ASSERT_OK(b.add());
    ASSERT_OK(b.close());
    ASSERT_OK(commit ? session->commit() : session->rollback());
    ASSERT_OK(b.open());
    EXPECT_EQ(commit ? 1 : 0, b.records());
    EXPECT_EQ(commit ? 1 : 0, a.records());
  }
  // Opened again before the transaction ends, it goes on in it.
  ASSERT_OK(session->begin({&a, &b}, 2));
  ASSERT_OK(b.close());
  ASSERT_OK(b.open());
  fill(b, 2, "B2", "", 0);
  ASSERT_OK(b.add());
  ASSERT_OK(session->rollback());
  EXPECT_EQ(1, b.records());
  // Until the transaction ends, the file counts as open: no other session replaces or removes
  // it under the transaction.
  ASSERT_OK(session->begin({&a, &b}, 2));
  fill(b, 3, "B3", "", 0);
  ASSERT_OK(b.add());
  ASSERT_OK(b.close());
  auto other = newSession();
  DataFile theirs(other_, *other);
  EXPECT_EQ(errors::kAccessDenied, theirs.remove());
  EXPECT_EQ(errors::kAccessDenied, theirs.create());
  ASSERT_OK(session->commit());
  ASSERT_OK(b.open());
  EXPECT_EQ(2, b.records());
  // Once the transaction is over, a closed file is no longer held by the session.
  ASSERT_OK(b.close());
  EXPECT_OK(theirs.remove());
}

// Another program's reader holds the file, so that what this program writes cannot be committed:
// the write is refused in the locale's words, and the record last read is left as it was, so that
// the same put goes through once the reader is gone (not error 89 for a change nobody made).
TEST_F(StorageTest, PutRefusedForAnotherProgramsReaderGoesThroughOnceItIsGone) {
  createWithAna();
  for (const bool inTransaction : {true, false}) {
    SCOPED_TRACE(inTransaction ? "inside a transaction" : "on its own");
    ProgramOnCue reader(*this, decl_, [](DataFile& theirs) {
      if (theirs.open() || theirs.session().beginRead() || theirs.set()) return 1;
      return theirs.next();
    });
    ASSERT_EQ(0, reader.act());
    auto session = newSession();
    session->setBusyTimeout(200);
    DataFile file(decl_, *session);
    ASSERT_OK(file.open());
    file.buffer().setLong(kId, 1);
    ASSERT_OK(file.get(kPkId));
    auto save = [&](double score) {
      file.buffer().setReal(kScore, score);
      if (!inTransaction) return file.put();
      if (int error = session->begin({&file}, 2)) return error;
      if (int error = file.put()) {
        session->rollback();
        return error;
      }
      return session->commit();
    };
    EXPECT_EQ(errors::kFileLocked, save(30));
    EXPECT_EQ(locale_.errorText(errors::kFileLocked), session->lastErrorText());
    EXPECT_EQ(0, reader.finish());
    EXPECT_OK(save(30 + inTransaction));
    file.buffer().clear();
    file.buffer().setLong(kId, 1);
    ASSERT_OK(file.get(kPkId));
    EXPECT_EQ(30 + inTransaction, file.buffer().getReal(kScore));
  }
}

// A transaction that ends without its commit (rolled back, or its commit failing on a full disk)
// undoes its writes, and every buffer's record last read is then the record as stored again: a
// record written in it can be written again, one erased in it is back, one added in it is gone (a
// later put must not rewrite another record added at its place), and a buffer that read a record
// inside it is not taken for having read the stored one.
TEST_F(StorageTest, TransactionEndedWithoutCommitLeavesEveryRecordLastReadAsStored) {
  engine_.setVfs(storage::testing::registerFaultVfs());
  for (const bool commitFails : {false, true}) {
    SCOPED_TRACE(commitFails ? "commit fails" : "rolled back");
    auto session = newSession();
    DataFile file(decl_, *session);
    ASSERT_OK(file.create());
    ASSERT_OK(file.open());
    fill(file, 1, "Ana", "", 10);
    ASSERT_OK(file.add());
    fill(file, 2, "Bea", "", 20);
    ASSERT_OK(file.add());

    DataFile writer(decl_, *session), eraser(decl_, *session), insideReader(decl_, *session);
    DataFile reAdder(decl_, *session), adder(decl_, *session), later(decl_, *session);
    for (DataFile* each : {&writer, &eraser, &insideReader, &reAdder, &adder, &later}) ASSERT_OK(each->open());
    auto read = [](DataFile& into, std::int32_t id) {
      into.buffer().clear();
      into.buffer().setLong(kId, id);
      return into.get(kPkId);
    };
    ASSERT_OK(read(writer, 1));
    ASSERT_OK(read(eraser, 2));

    ASSERT_OK(session->begin({&file}, 2));
    writer.buffer().setReal(kScore, 11);
    ASSERT_OK(writer.put());
    ASSERT_OK(read(insideReader, 1));  // sees the write
    ASSERT_OK(eraser.erase());
    fill(reAdder, 3, "Cruz", "", 30);
    ASSERT_OK(reAdder.add());  // at the place of the record erased
    fill(adder, 4, "Dora", "", 40);
    ASSERT_OK(adder.add());
    if (commitFails) {
      storage::testing::failFromOperation(1);
      EXPECT_NE(errors::kNone, session->commit());
      storage::testing::failFromOperation(0);
    } else {
      ASSERT_OK(session->rollback());
    }
    EXPECT_EQ(2, file.records());

    writer.buffer().setReal(kScore, 12);
    EXPECT_OK(writer.put()) << "the record written in the transaction is written again";
    insideReader.buffer().setReal(kScore, 13);
    EXPECT_EQ(errors::kRecordChanged, insideReader.put()) << "what it read inside was undone, and written since";
    EXPECT_EQ(2, eraser.position().record) << "the record erased is back";
    EXPECT_OK(eraser.erase());
    fill(later, 5, "Eva", "", 50);
    ASSERT_OK(later.add());
    fill(later, 6, "Flor", "", 60);
    ASSERT_OK(later.add());
    EXPECT_EQ(errors::kRecordNotAvailable, reAdder.put()) << "the record it added is gone";
    EXPECT_EQ(errors::kRecordNotAvailable, adder.put()) << "the record it added is gone";
    EXPECT_EQ((std::vector<std::string>{"Ana", "Eva", "Flor"}), namesInOrder(file, kPkId));
    ASSERT_OK(read(file, 1));
    EXPECT_EQ(12, file.buffer().getReal(kScore));
  }
}

// The same transaction over two files, killed at every file operation of its commit in turn:
// afterwards both files hold the state before it or both the state after it.
TEST_F(StorageTest, KillDuringMultiFileCommitNeverTearsIt) {
  engine_.setVfs(storage::testing::registerFaultVfs());
  {
    auto session = newSession();
    DataFile a(decl_, *session), b(other_, *session);
    ASSERT_OK(a.create());
    ASSERT_OK(b.create());
  }
  int committedRuns = 0, killedRuns = 0;
  for (int crashAt = 1; crashAt < 200; ++crashAt) {
    const int status = inChild([&] {
      Session session(engine_, folder_.string());
      DataFile a(decl_, session), b(other_, session);
      if (a.open() || b.open()) return 1;
      if (session.begin({&a, &b}, 2)) return 2;
      for (int i = 0; i < 40; ++i) {
        fill(a, 0, "a" + std::to_string(crashAt) + "-" + std::to_string(i), "", crashAt);
        fill(b, 0, "b" + std::to_string(crashAt) + "-" + std::to_string(i), "", crashAt);
        if (a.add() || b.add()) return 3;
      }
      storage::testing::crashAtOperation(crashAt);
      return session.commit() == 0 ? 0 : 4;
    });
    ASSERT_TRUE(status == 0 || status == 77) << "child ended with " << status;
    auto session = newSession();
    DataFile a(decl_, *session), b(other_, *session);
    ASSERT_OK(a.open());
    ASSERT_OK(b.open());
    ASSERT_EQ(a.records(), b.records()) << "torn at operation " << crashAt;
    ASSERT_EQ(0, a.records() % 40);
    if (status == 0) {
      ++committedRuns;
      break;  // the commit got through all its operations: every point before was tried
    }
    ++killedRuns;
  }
  EXPECT_EQ(1, committedRuns);
  // A multi-file commit writes journals, a super-journal and both files: many places to die.
  EXPECT_GT(killedRuns, 8);
  std::printf("commit killed at %d points\n", killedRuns);
}

// An engine's settings are made before its first Session and fixed from then on, even once that
// Session is gone: every connection of the process works with the same ones, and no thread sees
// them change under it.
TEST_F(StorageTest, EngineSettingsAreFixedOnceASessionIsMade) {
  EXPECT_TRUE(engine_.setPageCacheKiB(512));
  EXPECT_TRUE(engine_.setVfs(""));
  EXPECT_TRUE(engine_.setVfs(storage::testing::registerFaultVfs()));
  newSession().reset();
  EXPECT_FALSE(engine_.setVfs(""));
  EXPECT_FALSE(engine_.setPageCacheKiB(1024));
  EXPECT_EQ("fault", engine_.vfs());
  EXPECT_EQ(512, engine_.pageCacheKiB());
  // A session made afterwards still works through the engine's VFS: a crash armed there happens.
  EXPECT_EQ(77, inChild([&] {
    Session session(engine_, folder_.string());
    DataFile file(decl_, session);
    storage::testing::crashAtOperation(1);
    file.create();
    return 0;
  }));
}

TEST_F(StorageTest, WriterKeptWaitingPastItsTimeOutGetsCleanError) {
  createEmpty(decl_);
  const pid_t pid = startChild([&](const std::function<void()>& ready) {
    Session session(engine_, folder_.string());
    DataFile a(decl_, session);
    if (a.open() || session.begin({&a}, 1)) return 1;
    fill(a, 1, "held", "", 0);
    a.add();
    ready();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    return session.commit() == 0 ? 0 : 2;
  });
  auto session = newSession();
  session->setBusyTimeout(200);
  DataFile a(decl_, *session);
  ASSERT_OK(a.open());
  EXPECT_EQ(errors::kTransactionNotStarted, session->begin({&a}, 0.3));
  EXPECT_FALSE(session->inTransaction());
  // The error's text is the locale's alone; what the engine said is kept for developers.
  EXPECT_EQ(locale_.errorText(errors::kTransactionNotStarted), session->lastErrorText());
  EXPECT_EQ("database is locked", session->lastErrorCause());
  fill(a, 2, "mine", "", 0);
  EXPECT_EQ(errors::kFileLocked, a.add());
  // The other program's uncommitted record is not seen.
  EXPECT_EQ(0, a.records());
  EXPECT_EQ(0, exitStatus(pid));
  EXPECT_OK(a.add());
  EXPECT_EQ(2, a.records());
}

// A start time-out longer than the engine can count (or endless) waits as long as it can; it
// must not turn into no wait at all.
TEST_F(StorageTest, VeryLongTransactionTimeOutStillWaits) {
  createEmpty(decl_);
  for (double timeout : {1e10, std::numeric_limits<double>::infinity()}) {
    const pid_t pid = startChild([&](const std::function<void()>& ready) {
      Session session(engine_, folder_.string());
      DataFile a(decl_, session);
      if (a.open() || session.begin({&a}, 1)) return 1;
      ready();
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      return session.commit() == 0 ? 0 : 2;
    });
    auto session = newSession();
    DataFile a(decl_, *session);
    ASSERT_OK(a.open());
    EXPECT_OK(session->begin({&a}, timeout)) << timeout;
    if (session->inTransaction()) {
      ASSERT_OK(session->rollback());
    }
    EXPECT_EQ(0, exitStatus(pid));
  }
}

// A read transaction only reads: a write inside it would be committed by endRead(), which has
// no way to report that the commit failed (here another program's reader makes it time out).
// Whatever add() answers must be what the file holds afterwards.
TEST_F(StorageTest, WriteInsideAReadTransactionIsNeverLostSilently) {
  createEmpty(decl_);
  const pid_t pid = startChild([&](const std::function<void()>& ready) {
    Session session(engine_, folder_.string());
    DataFile a(decl_, session);
    if (a.open() || session.beginRead() || a.set() || a.next() != errors::kRecordNotAvailable) return 1;
    ready();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    session.endRead();
    return 0;
  });
  int added;
  {
    auto session = newSession();
    session->setBusyTimeout(200);
    DataFile a(decl_, *session);
    ASSERT_OK(a.open());
    ASSERT_OK(session->beginRead());
    fill(a, 1, "read", "", 0);
    added = a.add();
    session->endRead();
    EXPECT_OK(session->begin({&a}, 5));
    EXPECT_OK(session->rollback());
  }
  EXPECT_EQ(0, exitStatus(pid));
  auto session = newSession();
  DataFile a(decl_, *session);
  ASSERT_OK(a.open());
  EXPECT_EQ(added == errors::kNone ? 1 : 0, a.records()) << "add() gave " << added;
}

// Another program moves amounts between two records inside transactions; a reader's read
// transaction always sees the sum unchanged.
TEST_F(StorageTest, ReaderNeverSeesHalfATransaction) {
  {
    auto session = newSession();
    DataFile a(decl_, *session);
    ASSERT_OK(a.create());
    ASSERT_OK(a.open());
    fill(a, 1, "one", "", 500);
    ASSERT_OK(a.add());
    fill(a, 2, "two", "", 500);
    ASSERT_OK(a.add());
  }
  // The other program goes on until it is stopped, so that the reads below always meet its
  // transactions, however the two programs are scheduled; it pauses between transactions, as a
  // user's program does, so that readers are not shut out for longer than their busy time-out.
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    Session session(engine_, folder_.string());
    session.setBusyTimeout(5000);
    DataFile a(decl_, session);
    if (a.open()) _exit(1);
    while (getppid() == parent) {
      if (session.begin({&a}, 5)) _exit(2);
      for (int id : {1, 2}) {
        a.buffer().setLong(kId, id);
        if (a.get(kPkId)) _exit(3);
        a.buffer().setReal(kScore, a.buffer().getReal(kScore) + (id == 1 ? -1 : 1));
        if (a.put()) _exit(4);
      }
      if (session.commit()) _exit(5);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  struct Stop {
    pid_t pid;
    ~Stop() {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  } stop{pid};
  auto session = newSession();
  session->setBusyTimeout(5000);
  DataFile a(decl_, *session);
  ASSERT_OK(a.open());
  // Read until the other program's transactions were seen to move the amounts many times.
  int checks = 0, changesSeen = 0;
  double lastFirst = 500;
  while (changesSeen < 20 && checks < 100000) {
    ASSERT_OK(session->beginRead());
    double sum = 0, first = 0;
    ASSERT_OK(a.set(kPkId));
    int rc;
    while ((rc = a.next()) == 0) {
      sum += a.buffer().getReal(kScore);
      if (a.buffer().getLong(kId) == 1) first = a.buffer().getReal(kScore);
    }
    session->endRead();
    ASSERT_EQ(errors::kRecordNotAvailable, rc);
    ASSERT_EQ(1000, sum);
    if (first != lastFirst) ++changesSeen;
    lastFirst = first;
    ++checks;
  }
  int status = 0;
  ASSERT_EQ(0, waitpid(pid, &status, WNOHANG)) << "the other program ended with " << WEXITSTATUS(status);
  EXPECT_EQ(20, changesSeen);
  std::printf("%d consistent reads\n", checks);
}

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

TEST_F(StorageTest, ForeignTruncatedAndWrongPasswordFilesAreNotDataFiles) {
  std::string random(8192, '\0');
  std::mt19937 generator(7);
  for (char& c : random) c = static_cast<char>(generator());
  {
    auto session = newSession();
    DataFile a(decl_, *session);
    ASSERT_OK(a.create());
    ASSERT_OK(a.open());
    fill(a, 1, "x", "", 0);
    ASSERT_OK(a.add());
  }
  std::ifstream in(decl_.physicalPath(), std::ios::binary);
  const std::string good((std::istreambuf_iterator<char>(in)), {});
  in.close();

  const std::vector<std::pair<std::string, std::string>> cases = {
      {"random bytes", random}, {"empty file", ""}, {"truncated header", good.substr(0, 100)},
      {"text file", std::string(4096, 'a')}};
  for (const auto& [what, bytes] : cases) {
    writeBytes(folder_ / "Bad.dat", bytes);
    FileDecl bad = decl_;
    bad.physicalName = (folder_ / "Bad.dat").string();
    auto session = newSession();
    DataFile file(bad, *session);
    EXPECT_EQ(errors::kInvalidDataFile, file.open()) << what;
    EXPECT_FALSE(file.isOpen()) << what;
  }
  FileDecl wrongPassword = decl_;
  wrongPassword.ownerPassword = "another password";
  auto session = newSession();
  DataFile file(wrongPassword, *session);
  EXPECT_EQ(errors::kInvalidDataFile, file.open());
}

TEST_F(StorageTest, DamagedPagesGiveAnErrorAndNeverACrash) {
  {
    auto session = newSession();
    DataFile a(decl_, *session);
    ASSERT_OK(a.create());
    ASSERT_OK(a.open());
    for (int id = 1; id <= 2000; ++id) {
      fill(a, id, "Person " + std::to_string(id), "c" + std::to_string(id), id);
      ASSERT_OK(a.add());
    }
  }
  // Overwrite a few bytes in the middle of the file.
  {
    std::fstream io(decl_.physicalPath(), std::ios::in | std::ios::out | std::ios::binary);
    io.seekp(static_cast<std::streamoff>(fs::file_size(decl_.physicalPath()) / 2));
    io.write("\xde\xad\xbe\xef\xde\xad\xbe\xef", 8);
  }
  auto session = newSession();
  DataFile a(decl_, *session);
  int error = a.open();
  if (error == errors::kNone) {
    for (int key = -1; key < 4 && error == errors::kNone; ++key) {
      a.set(key);
      while ((error = a.next()) == errors::kNone) {
      }
      if (error == errors::kRecordNotAvailable) error = errors::kNone;
    }
  }
  EXPECT_TRUE(error == errors::kKeysMustBeRebuilt || error == errors::kInvalidDataFile) << error;
}

// records() answers a count; when it cannot count, the error must be in the session, not a
// silent 0 that reads as an empty file.
TEST_F(StorageTest, CountOfADamagedFileIsAnError) {
  {
    auto session = newSession();
    DataFile a(decl_, *session);
    ASSERT_OK(a.create());
    ASSERT_OK(a.open());
    ASSERT_OK(session->begin({&a}, 5));
    for (int id = 1; id <= 2000; ++id) {
      fill(a, id, "Person " + std::to_string(id), "c" + std::to_string(id), id);
      ASSERT_OK(a.add());
    }
    ASSERT_OK(session->commit());
  }
  // Damage every page after the first two.
  const auto size = fs::file_size(decl_.physicalPath());
  {
    std::fstream io(decl_.physicalPath(), std::ios::in | std::ios::out | std::ios::binary);
    io.seekp(2 * 4096);
    io.write(std::string(size - 2 * 4096, '\x5a').data(), static_cast<std::streamsize>(size - 2 * 4096));
  }
  auto session = newSession();
  DataFile a(decl_, *session);
  ASSERT_OK(a.open());
  const std::int64_t count = a.records();
  EXPECT_EQ(0, count);
  EXPECT_TRUE(session->lastError() == errors::kKeysMustBeRebuilt || session->lastError() == errors::kInvalidDataFile)
      << session->lastError();
}

TEST_F(StorageTest, ChangedLayoutIsRefused) {
  auto session = newSession();
  {
    DataFile a(decl_, *session);
    ASSERT_OK(a.create());
  }
  FileDecl wider = decl_;
  wider.layout = RecordLayout({{"ID", FieldType::Long}, {"NAME", FieldType::String, 30},
                               {"CODE", FieldType::CString, 11}, {"SCORE", FieldType::Real}});
  DataFile file(wider, *session);
  EXPECT_EQ(errors::kBadFileStructure, file.open());
  FileDecl otherKeys = decl_;
  otherKeys.keys[kAkName].duplicates = true;
  DataFile second(otherKeys, *session);
  EXPECT_EQ(errors::kBadFileStructure, second.open());
}

TEST_F(StorageTest, KeysBuiltUnderAnotherCollationMustBeRebuilt) {
  {
    auto session = newSession();
    DataFile a(decl_, *session);
    ASSERT_OK(a.create());
    ASSERT_OK(a.open());
    for (const char* name : {"b", "B", "a", "A"}) {
      fill(a, 0, name, "", 0);
      ASSERT_OK(a.add());
    }
    EXPECT_EQ((std::vector<std::string>{"A", "B", "a", "b"}), namesInOrder(a, kAkName));
  }
  Locale interleaved;
  ASSERT_TRUE(interleaved.set("CLACOLSEQ", "AaBb"));
  Engine engine(interleaved);
  Session session(engine, folder_.string());
  DataFile a(decl_, session);
  EXPECT_EQ(errors::kKeysMustBeRebuilt, a.open());
  ASSERT_OK(a.buildKeys());
  ASSERT_OK(a.open());
  EXPECT_EQ((std::vector<std::string>{"A", "a", "B", "b"}), namesInOrder(a, kAkName));
  EXPECT_EQ(4, a.records());
}

// A rebuild or a create writes a new file that then replaces the old one. Another program that
// opens the file just before the new one takes its place must be refused: it would be reading, or
// writing to, a file about to be thrown away.
TEST_F(StorageTest, NoProgramOpensAFileWhileItIsReplaced) {
  auto session = newSession();
  DataFile file(decl_, *session);
  struct Case {
    const char* what;
    std::function<int()> replace;
    std::int64_t recordsKept;
  };
  const Case cases[] = {{"rebuild", [&] { return file.buildKeys(); }, 2}, {"create", [&] { return file.create(); }, 0}};
  for (const Case& c : cases) {
    for (const int mode : {kReadWriteShared, kReadWriteDenyWrite, kReadOnly}) {
      SCOPED_TRACE(::testing::Message() << c.what << std::hex << std::showbase << ", their mode " << mode);
      ASSERT_OK(file.create());
      ASSERT_OK(file.open());
      for (int id : {1, 2}) {
        fill(file, id, "kept " + std::to_string(id), "", 0);
        ASSERT_OK(file.add());
      }
      ASSERT_OK(file.close());
      ProgramOnCue other(*this, decl_, [&](DataFile& theirs) {
        const int opened = theirs.open(mode);
        if (opened != errors::kNone || mode == kReadOnly) return opened;
        fill(theirs, 3, "written meanwhile", "", 0);
        return theirs.add() == errors::kNone ? errors::kNone : 100;
      });
      int theirs = -1;
      storage::testing::atNextStep(Step::kBeforeRename, [&] { theirs = other.act(); });
      ASSERT_OK(c.replace());
      EXPECT_EQ(errors::kAccessDenied, theirs);
      EXPECT_EQ(0, other.finish());
      ASSERT_OK(file.open());
      // Whatever they were told, their record is in the file if and only if it was written.
      EXPECT_EQ(c.recordsKept + (theirs == errors::kNone && mode != kReadOnly ? 1 : 0), file.records());
      ASSERT_OK(file.close());
    }
  }
}

// A program that died in the middle of a long transaction leaves its journal next to the file, to
// be rolled back at the next open. A create() that replaces the file must not leave that journal
// to the new file: rolled back into it after a crash right after the new file took its place, it
// would damage the new file.
TEST_F(StorageTest, JournalOfTheReplacedFileNeverReachesTheNewOne) {
  createEmpty(decl_);
  const fs::path journal = decl_.physicalPath() + "-journal";
  const int died = inChild([&] {
    Engine engine(locale_);
    engine.setPageCacheKiB(64);  // a small cache: the transaction spills into the file before its end
    Session session(engine, folder_.string());
    DataFile a(decl_, session);
    if (a.open() || session.begin({&a}, 5)) return 1;
    for (int id = 1; id <= 2000; ++id) {
      fill(a, id, "Person " + std::to_string(id), "c" + std::to_string(id), id);
      if (a.add()) return 2;
    }
    _exit(0);  // dies with the transaction open
  });
  ASSERT_EQ(0, died);
  ASSERT_TRUE(fs::exists(journal) && fs::file_size(journal) > 4096);
  const int crashed = inChild([&] {
    Session session(engine_, folder_.string());
    DataFile a(decl_, session);
    storage::testing::atNextStep(Step::kAfterRename, [] { _exit(77); });
    a.create();
    return 1;
  });
  ASSERT_EQ(77, crashed);
  auto session = newSession();
  DataFile a(decl_, *session);
  ASSERT_OK(a.open());
  EXPECT_EQ(0, a.records());
  fill(a, 1, "new", "n1", 1);
  ASSERT_OK(a.add());
  EXPECT_EQ((std::vector<std::string>{"new"}), namesInOrder(a, kAkCode));
  EXPECT_EQ(1, a.records());
}

// A Session destroyed before the DataFiles made on it rolls back its transaction and closes them,
// giving up their locks (a file closed inside the transaction too); they answer "file not open"
// from then on, and destroying them, or a View over them, later is safe.
TEST_F(StorageTest, FilesOutlivingTheirSessionAreClosedForGood) {
  createEmpty(decl_);
  createEmpty(other_);
  auto session = newSession();
  auto written = std::make_unique<DataFile>(decl_, *session);
  auto closedInTransaction = std::make_unique<DataFile>(other_, *session);
  auto neverOpened = std::make_unique<DataFile>(decl_, *session);
  ASSERT_OK(written->open(kReadWriteDenyWrite));
  ASSERT_OK(closedInTransaction->open(kReadWriteDenyWrite));
  auto view = std::make_unique<View>(*written);
  ASSERT_OK(view->open());
  ASSERT_OK(session->begin({written.get(), closedInTransaction.get()}, 2));
  fill(*written, 1, "uncommitted", "", 0);
  ASSERT_OK(written->add());
  ASSERT_OK(closedInTransaction->close());
  session.reset();

  for (DataFile* file : {written.get(), closedInTransaction.get(), neverOpened.get()}) {
    SCOPED_TRACE(file->decl().label);
    EXPECT_FALSE(file->hasSession());
    EXPECT_FALSE(file->isOpen());
    EXPECT_EQ(errors::kFileNotOpen, file->open());
    EXPECT_EQ(errors::kFileNotOpen, file->set(kPkId));
    EXPECT_EQ(errors::kFileNotOpen, file->next());
    EXPECT_EQ(errors::kFileNotOpen, file->add());
    EXPECT_EQ(0, file->records());
    EXPECT_EQ(errors::kFileNotOpen, file->close());
    EXPECT_EQ(errors::kFileNotOpen, file->create());
    EXPECT_EQ(errors::kFileNotOpen, file->remove());
    EXPECT_EQ(errors::kFileNotOpen, file->buildKeys());
    EXPECT_EQ(errors::kFileNotOpen, file->sendOption("QUICKSCAN=off"));
    EXPECT_EQ("", file->keyImage(kPkId));
  }
  view.reset();
  written.reset();
  closedInTransaction.reset();
  neverOpened.reset();

  // Their locks are gone, and what the transaction wrote with them.
  auto other = newSession();
  for (const FileDecl* decl : {&decl_, &other_}) {
    DataFile file(*decl, *other);
    ASSERT_OK(file.open(kReadWriteDenyWrite)) << decl->label;
    EXPECT_EQ(0, file.records()) << decl->label;
  }
}

// A file replaced between looking its name up and locking it: the locks must end up on the file
// the name stands for now, the one then opened, or they would keep nobody out of it.
TEST_F(StorageTest, LocksFollowAFileReplacedWhileItIsOpened) {
  createEmpty(decl_);
  {
    auto session = newSession();
    DataFile replacement(other_, *session);
    ASSERT_OK(replacement.create());
    ASSERT_OK(replacement.open());
    fill(replacement, 1, "in the replacement", "", 0);
    ASSERT_OK(replacement.add());
  }
  ProgramOnCue other(*this, decl_, [](DataFile& theirs) { return theirs.open(kReadWriteDenyWrite); });
  storage::testing::atNextStep(Step::kOwnSharingLocksSet,
                               [&] { fs::rename(other_.physicalPath(), decl_.physicalPath()); });
  auto session = newSession();
  DataFile mine(decl_, *session);
  ASSERT_OK(mine.open(kReadWriteShared));
  EXPECT_EQ(1, mine.records());
  EXPECT_EQ(errors::kAccessDenied, other.act());
}

// A rebuild that cannot run leaves an open file as it was: open, in its mode.
TEST_F(StorageTest, RefusedBuildKeysLeavesTheFileOpen) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  fill(file, 1, "one", "", 0);
  ASSERT_OK(file.add());
  const FileDecl alias = aliasOf(decl_, "PEOPLE_ALIAS", "APEO");
  DataFile second(alias, *session);
  ASSERT_OK(second.open());
  EXPECT_EQ(errors::kExclusiveAccessRequired, file.buildKeys());
  EXPECT_TRUE(file.isOpen());
  EXPECT_EQ(kReadWriteShared, file.mode());
  fill(file, 2, "two", "", 0);
  EXPECT_OK(file.add());
  ASSERT_OK(second.close());
  EXPECT_OK(file.buildKeys());
  EXPECT_TRUE(file.isOpen());
  EXPECT_EQ(2, file.records());
}

TEST_F(StorageTest, SharingModesBetweenPrograms) {
  {
    auto session = newSession();
    DataFile a(decl_, *session);
    ASSERT_OK(a.create());
  }
  int ready[2], done[2];
  ASSERT_EQ(0, pipe(ready));
  ASSERT_EQ(0, pipe(done));
  const pid_t pid = fork();
  if (pid == 0) {
    Session session(engine_, folder_.string());
    DataFile a(decl_, session);
    if (a.open(kReadWriteDenyWrite)) _exit(1);
    (void)!write(ready[1], "x", 1);
    char c;
    (void)!read(done[0], &c, 1);
    _exit(0);
  }
  char c;
  ASSERT_EQ(1, read(ready[0], &c, 1));
  auto session = newSession();
  DataFile a(decl_, *session);
  EXPECT_EQ(errors::kAccessDenied, a.open(kReadWriteShared));
  ASSERT_OK(a.open(kReadOnly));
  fill(a, 1, "x", "", 0);
  EXPECT_EQ(errors::kAccessDenied, a.add());
  EXPECT_EQ(errors::kExclusiveAccessRequired, DataFile(decl_, *session).buildKeys());
  (void)!write(done[1], "x", 1);
  waitpid(pid, nullptr, 0);
  a.close();
  EXPECT_OK(a.open(kReadWriteShared));
}

// Two programs open the file at the same moment: the other program opens exactly while this one
// has set its sharing locks and not yet looked at the other programs'. Two opens that exclude each
// other never both succeed (here the one that set its locks first does); two that do not are both
// let in.
TEST_F(StorageTest, OpensAtTheSameMomentNeverBothGetModesThatExcludeEachOther) {
  createEmpty(decl_);
  struct Case {
    int mine, theirs;
    bool exclusive;
  };
  const Case cases[] = {{kReadWriteShared, kReadWriteDenyWrite, true},
                        {kReadWriteDenyWrite, kReadWriteShared, true},
                        {kReadWriteDenyWrite, kReadWriteDenyWrite, true},
                        {kReadWriteShared, kReadWriteShared, false},
                        {kReadOnly, kReadWriteDenyWrite, false},
                        {kReadWriteDenyWrite, kReadOnly, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << std::showbase << "mine " << c.mine << ", theirs " << c.theirs);
    ProgramOnCue other(*this, decl_, [&](DataFile& theirs) { return theirs.open(c.theirs); });
    auto session = newSession();
    DataFile mine(decl_, *session);
    int theirs = -1;
    storage::testing::atNextStep(Step::kOwnSharingLocksSet, [&] { theirs = other.act(); });
    EXPECT_OK(mine.open(c.mine));
    EXPECT_EQ(c.exclusive ? errors::kAccessDenied : errors::kNone, theirs);
    EXPECT_EQ(0, other.finish());
  }
}

// Another session of this process (another thread's) with the file open counts as another
// program: the file must not be replaced, removed or rebuilt under it, or its writes would go to
// a file that no longer has a name.
TEST_F(StorageTest, FileOpenInAnotherSessionOfTheProcessIsNeitherReplacedNorRemoved) {
  auto first = newSession();
  DataFile theirs(decl_, *first);
  ASSERT_OK(theirs.create());
  ASSERT_OK(theirs.open());
  fill(theirs, 1, "kept", "", 0);
  ASSERT_OK(theirs.add());

  auto second = newSession();
  DataFile mine(decl_, *second);
  EXPECT_EQ(errors::kAccessDenied, mine.create());
  EXPECT_EQ(errors::kAccessDenied, mine.remove());
  EXPECT_EQ(errors::kExclusiveAccessRequired, mine.buildKeys());
  fill(theirs, 2, "after", "", 0);
  ASSERT_OK(theirs.add());
  ASSERT_OK(theirs.close());

  ASSERT_OK(mine.open());
  EXPECT_EQ(2, mine.records());
  ASSERT_OK(mine.close());
  EXPECT_OK(mine.buildKeys());
  EXPECT_OK(mine.remove());
}

TEST_F(StorageTest, RemovedAndReplacedFilesAreNotKeptOpen) {
  auto session = newSession();
  DataFile file(decl_, *session);
  for (int round = 0; round < 3; ++round) {
    ASSERT_OK(file.create());
    ASSERT_OK(file.open());
    fill(file, 1, "x", "", 0);
    ASSERT_OK(file.add());
    ASSERT_OK(file.close());
  }
  ASSERT_OK(file.open());
  ASSERT_OK(file.close());
  ASSERT_OK(file.buildKeys());
  ASSERT_OK(file.open());
  ASSERT_OK(file.close());
  ASSERT_OK(file.remove());
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  EXPECT_EQ(0, descriptorsOfRemovedFiles(folder_));
}

// A file that no open of this process uses any more is let go at once: another program may take
// its place, and a file removed gives its disk space back.
TEST_F(StorageTest, FileClosedOrRemovedHoldsNoDescriptor) {
  const fs::path path = decl_.physicalPath();
  auto session = newSession();
  DataFile file(decl_, *session), other(other_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(other.create());
  ASSERT_OK(file.open(kReadWriteDenyWrite));
  EXPECT_GT(descriptorsOf(path), 0);
  ASSERT_OK(file.close());
  EXPECT_EQ(0, descriptorsOf(path)) << "closed";

  // Closed inside a transaction, the file is held until the transaction ends.
  ASSERT_OK(file.open());
  ASSERT_OK(other.open());
  ASSERT_OK(session->begin({&file, &other}, 1));
  fill(file, 1, "x", "", 0);
  ASSERT_OK(file.add());
  ASSERT_OK(file.close());
  EXPECT_GT(descriptorsOf(path), 0) << "still part of the transaction";
  ASSERT_OK(session->commit());
  EXPECT_EQ(0, descriptorsOf(path)) << "let go with the transaction";

  ASSERT_OK(file.remove());
  EXPECT_EQ(0, descriptorsOfRemovedFiles(folder_)) << "removed, and nothing opened since";
  ASSERT_OK(other.close());
  EXPECT_EQ(0, descriptorsOf(other_.physicalPath()));
}

// A file that cannot be made says why: its folder is gone (3), the disk is full (93), the folder
// refuses writing (5); any other failure is 54.
TEST_F(StorageTest, FileThatCannotBeMadeSaysWhy) {
  {
    SCOPED_TRACE("the folder is gone");
    FileDecl gone = peopleDecl((folder_ / "quitada" / "People.dat").string());
    auto session = newSession();
    DataFile file(gone, *session);
    EXPECT_EQ(errors::kPathNotFound, file.create());
    EXPECT_EQ(errors::kPathNotFound, session->lastError());
  }
  {
    SCOPED_TRACE("the disk is full");
    Engine full(locale_);
    full.setVfs(storage::testing::registerFaultVfs());
    Session session(full, folder_.string());
    DataFile file(decl_, session);
    // Full at each of the creation's writes in turn, until it gets through.
    for (int failAt = 1;; ++failAt) {
      SCOPED_TRACE("from operation " + std::to_string(failAt));
      storage::testing::failFromOperation(failAt);
      const int created = file.create();
      const int failure = storage::testing::firstFailure();
      storage::testing::failFromOperation(0);
      if (failure == 0) {
        EXPECT_OK(created);
        break;
      }
      EXPECT_EQ(failure == SQLITE_FULL ? errors::kDiskFull : errors::kCannotCreate, created);
      EXPECT_FALSE(fs::exists(decl_.physicalPath()));
      ASSERT_LT(failAt, 100);
    }
  }
  {
    SCOPED_TRACE("the folder refuses writing");
    const fs::path closed = folder_ / "cerrada";
    const fs::path anchor = folder_ / "anchor";
    fs::create_directories(closed);
    fs::create_directories(anchor);
    ASSERT_EQ(0, ::chown(anchor.c_str(), storage::testing::boundUser(), storage::testing::boundGroup()));
    fs::permissions(closed, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const FileDecl refused = peopleDecl((closed / "People.dat").string());
    const int code = storage::testing::runAsBoundUser([&] {
      Session session(engine_, anchor.string());
      DataFile file(refused, session);
      const int created = file.create();
      return created == session.lastError() ? created : 100 + session.lastError();
    });
    fs::permissions(closed, fs::perms::owner_all);
    if (code == storage::testing::kNoBoundUser) GTEST_SKIP() << "running as root, the test cannot become a user the folder refuses";
    EXPECT_EQ(errors::kAccessDenied, code);
    EXPECT_TRUE(fs::is_empty(closed));
  }
}

TEST_F(StorageTest, DriverOptions) {
  auto session = newSession();
  DataFile a(decl_, *session);
  ASSERT_OK(a.create());
  ASSERT_OK(a.open());
  for (int id = 1; id <= 20; ++id) {
    fill(a, id, "n" + std::to_string(id), "", 0);
    ASSERT_OK(a.add());
  }
  for (const char* option : {"QUICKSCAN=on", "quickscan=OFF", "Recover=10"}) EXPECT_OK(a.sendOption(option)) << option;
  for (const char* option : {"QUICKSCAN=maybe", "Recover=", "Recover=x", "Bogus=1"}) {
    EXPECT_EQ(errors::kNotSupported, a.sendOption(option)) << option;
  }
  // Without read-ahead a record written meanwhile through another buffer is seen at once.
  const FileDecl alias = aliasOf(decl_, "ALIAS", "AL");
  DataFile other(alias, *session);
  ASSERT_OK(other.open());
  ASSERT_OK(a.set(kPkId));
  ASSERT_OK(a.next());
  other.buffer().setLong(kId, 2);
  ASSERT_OK(other.get(kPkId));
  other.buffer().setText(kName, "changed");
  ASSERT_OK(other.put());
  ASSERT_OK(a.next());
  EXPECT_EQ("changed", trimmed(a.buffer().getText(kName)));
}

TEST_F(StorageTest, PhysicalNameIsTakenFromVariableEachTime) {
  std::string variable = (folder_ / "First.dat").string() + "     ";
  FileDecl decl = decl_;
  decl.physicalName.clear();
  decl.nameSource = [&] { return variable; };
  auto session = newSession();
  DataFile file(decl, *session);
  ASSERT_OK(file.create());
  EXPECT_TRUE(fs::exists(folder_ / "First.dat"));
  variable = (folder_ / "Second.dat").string();
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  EXPECT_TRUE(fs::exists(folder_ / "Second.dat"));
  ASSERT_OK(file.close());
  ASSERT_OK(file.remove());
  EXPECT_FALSE(fs::exists(folder_ / "Second.dat"));
  EXPECT_EQ(errors::kFileNotFound, file.open());
}

}  // namespace
