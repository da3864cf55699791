// Reading and writing the records of one data file: order, read-ahead, positions, saved state,
// aliases, the driver's options, the file's name and its making.
#include <gtest/gtest.h>
#include <sqlcipher/sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/storage/storage_test_fixture.h"
#include "platform/storage/testing/child_process.h"
#include "platform/storage/testing/fault_vfs.h"

namespace storage_test {
namespace {

using namespace platform::literals;

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
  file.buffer().setText(kName, "Bz"_cp1252);
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
  file.buffer().setText(kName, "Name 1200   "_cp1252);
  ASSERT_OK(file.get(kAkName));
  EXPECT_EQ(200, file.buffer().getLong(kId));
  file.buffer().setText(kCode, "c77"_cp1252);
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
  other.buffer().setText(kName, "changed"_cp1252);
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
      const Status created = file.create();
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
    if (code == storage::testing::kNoBoundUser)
      GTEST_SKIP() << "running as root, the test cannot become a user the folder refuses";
    EXPECT_EQ(errors::kAccessDenied, code);
    EXPECT_TRUE(fs::is_empty(closed));
  }
}

}  // namespace
}  // namespace storage_test
