// Sharing files between programs (and sessions of one process): changed records, readers that
// hold a file, sharing modes, opens at the same moment, files replaced or removed, descriptors.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/storage/storage_test_fixture.h"
#include "platform/storage/testing/open_descriptors.h"
#include "platform/storage/testing/step_hooks.h"

namespace storage_test {
namespace {

using platform::storage::testing::descriptorsOf;
using platform::storage::testing::descriptorsOfRemovedFiles;

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

// Another program's reader holds the file, so that what this program writes cannot be committed:
// the write is refused in the locale's words, and the record last read is left as it was, so that
// the same put goes through once the reader is gone (not error 89 for a change nobody made).
TEST_F(StorageTest, PutRefusedForAnotherProgramsReaderGoesThroughOnceItIsGone) {
  createWithAna();
  for (const bool inTransaction : {true, false}) {
    SCOPED_TRACE(inTransaction ? "inside a transaction" : "on its own");
    ProgramOnCue reader(*this, decl_, [](DataFile& theirs) {
      if (theirs.open() || theirs.session().beginRead() || theirs.set()) return 1;
      return theirs.next().code();
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
      if (Status error = session->begin({&file}, 2)) return error;
      if (Status error = file.put()) {
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
  const Case cases[] = {{kReadWriteShared, kReadWriteDenyWrite, true},    {kReadWriteDenyWrite, kReadWriteShared, true},
                        {kReadWriteDenyWrite, kReadWriteDenyWrite, true}, {kReadWriteShared, kReadWriteShared, false},
                        {kReadOnly, kReadWriteDenyWrite, false},          {kReadWriteDenyWrite, kReadOnly, false}};
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

}  // namespace
}  // namespace storage_test
