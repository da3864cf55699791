// Sessions and transactions: all or nothing over several files, what a transaction that does not
// commit leaves, time-outs, read transactions, the engine's settings, files outliving their session.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/storage/storage_test_fixture.h"
#include "platform/storage/testing/fault_vfs.h"
#include "platform/storage/view.h"

namespace storage_test {
namespace {

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

// A transaction that ends without its commit (rolled back, or its commit failing on a full disk)
// undoes its writes, and every buffer's record last read is then the record as stored again: a
// record written in it can be written again, one erased in it is back, one added in it (and
// written again) is gone (a later put must not rewrite another record added at its place), and a
// buffer that read a record inside it is not taken for having read the stored one.
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
    adder.buffer().setReal(kScore, 41);
    ASSERT_OK(adder.put());  // written again in the transaction that added it
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
              (void)file.create();
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
    (void)a.add();
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

}  // namespace
}  // namespace storage_test
