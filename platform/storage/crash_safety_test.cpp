// Crash safety and bad files: a commit killed at any point is never torn, a replaced file's journal
// never reaches the new one, and foreign or damaged files give an error, never a crash.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/storage/storage_test_fixture.h"
#include "platform/storage/testing/fault_vfs.h"
#include "platform/storage/testing/step_hooks.h"

namespace storage_test {
namespace {

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
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
    (void)a.create();
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

  const std::vector<std::pair<std::string, std::string>> cases = {{"random bytes", random},
                                                                  {"empty file", ""},
                                                                  {"truncated header", good.substr(0, 100)},
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
      (void)a.set(key);
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

}  // namespace
}  // namespace storage_test
