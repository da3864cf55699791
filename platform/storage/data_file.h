// One file declaration as a thread sees it: its record buffer, its open state and its position.
// Two DataFiles of the same physical file (a file and its alias) share the file but keep their
// own buffer and position.
//
// Every operation returns a Status (status.h): its runtime error number (errors::kNone done; the
// constants of platform/core/runtime_errors.h, named here without errors::) with the locale's text
// and the file, which the Session also keeps as its last error (lastError/lastErrorText). Nothing
// throws.
//
// Reading: set...() places the file before a record in an order (physical, or a key's order);
// next()/previous() then read records into the buffer; kRecordNotAvailable means there is no
// further record, kKeysMustBeRebuilt that the file is damaged (it handed back a record that does
// not come after the last one read). get() reads the record whose key equals the key fields in the
// buffer (kRecordNotFound when there is none).
//
// Writing: add() adds the buffer as a new record; put() rewrites the record last read
// (kRecordChanged when another program or buffer changed it since it was read, and nothing is
// written); erase() deletes it. Outside a transaction every write commits on its own, durably;
// inside a read transaction (Session::beginRead) writes are refused with kTransactionActive. A
// write that is not committed changes nothing of the record last read: once its transaction is
// rolled back, the same put() or erase() can be made again (see Session::begin).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/record.h"
#include "platform/storage/file_decl.h"
#include "platform/storage/session.h"

namespace platform::storage {

// Access modes: low nibble access (0 read, 2 read/write), high nibble sharing (20h deny write,
// 40h deny none).
inline constexpr int kReadOnly = 0x40;
inline constexpr int kReadWriteDenyWrite = 0x22;
inline constexpr int kReadWriteShared = 0x42;

// A record as stored, handed from a reader to a file being rebuilt: its record number and version
// (both kept) and its bytes (valid during the call that hands it over).
struct StoredRecord {
  std::int64_t record = 0;
  std::int64_t version = 0;
  std::string_view data;
};
// Takes one record: done to go on, else the failure that ends the rebuild.
using RecordSink = std::function<Status(const StoredRecord&)>;
// Hands records to the sink in record-number order: done when all were handed out, else the
// failure (the sink's, or the reader's own).
using RecordSource = std::function<Status(const RecordSink&)>;

// Where a record stands: its record number, and for key order the key's image at that record.
struct Position {
  std::int64_t record = 0;  // 0: none
  std::string keyImage;
  int key = -1;  // -1: physical order
};

// Everything a reader may disturb and later want back: the record buffer, the place in the
// sequence, and the record last read (so that put() and erase() still aim at it, and still see a
// change made by another program since it was read).
struct FileState {
  std::vector<std::uint8_t> record;
  Position cursor;
  int sequenceKey = -1;
  bool positioned = false;
  bool forward = true;
  bool inclusive = false;
  bool atEnd = false;
  std::int64_t current = 0;
  std::int64_t currentVersion = 0;
  std::string currentRecord;         // that record's bytes as read
  std::string currentImage;          // its image in the sequence's key, for position()
  std::uint64_t openGeneration = 0;  // which open of the file the sequence belongs to
  std::uint64_t transaction = 0;     // the session's transaction the record was read in (0: none)
};

class DataFile {
 public:
  DataFile(const FileDecl& decl, Session& session);
  ~DataFile();
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  const FileDecl& decl() const { return decl_; }
  // The session the file was made on. Once that Session is destroyed the file is closed for good
  // (see session.h): calling this then ends the program with a message.
  Session& session();
  bool hasSession() const { return session_ != nullptr; }
  RecordBuffer& buffer() { return buffer_; }
  const RecordBuffer& buffer() const { return buffer_; }

  // Creates the physical file empty, replacing one that exists (kFileAlreadyOpen while this
  // session has it open, kAccessDenied while another program has); the file stays closed. No
  // program can open the old file until the new one is in place. When it cannot be made:
  // kPathNotFound its folder is not there, kAccessDenied the folder may not be written (no
  // permission, read-only media), kDiskFull the disk is full, kCannotCreate any other cause.
  [[nodiscard]] Status create();
  [[nodiscard]] Status open(int mode = kReadWriteShared);
  Status close();
  // Deletes the physical file: kFileAlreadyOpen while it is open in this session, kAccessDenied
  // while another program has it open.
  Status remove();
  bool isOpen() const { return attachment_ != nullptr; }
  bool exists() const;
  int mode() const { return mode_; }

  // Before the first record in physical order / in the order of `key`.
  [[nodiscard]] Status set();
  [[nodiscard]] Status set(int key);
  // Before the first record whose key value is at or after the key fields in the buffer.
  [[nodiscard]] Status setFromBuffer(int key);
  // Before the given record: next() reads it (or the one after it, if it is gone).
  [[nodiscard]] Status reset(const Position& position);
  [[nodiscard]] Status next();
  [[nodiscard]] Status previous();
  // Exact match on all components of `key` from the buffer; the first in key order.
  [[nodiscard]] Status get(int key);
  // The record with that record number.
  [[nodiscard]] Status getRecord(std::int64_t record);
  // The number of records; 0 when they cannot be counted, the error then in the Session.
  std::int64_t records();
  // The position of the record last read (or written).
  Position position() const;

  // Takes and gives back the buffer, the sequence and the record last read. Restoring into a file
  // closed and opened again in between restores the buffer; put() then needs a fresh read. So does
  // a state taken inside a transaction and given back after it was rolled back: take and give back
  // within one transaction, or both outside.
  FileState saveState() const;
  void restoreState(const FileState& state);

  [[nodiscard]] Status add();
  [[nodiscard]] Status append();  // like add(); no difference for this engine, kept for callers that distinguish
  [[nodiscard]] Status put();
  [[nodiscard]] Status erase();

  // Driver options: "QUICKSCAN=on|off" (read ahead in sequential reads), "Recover=n" (wait up to
  // n seconds for another program's lock at the next open). Unknown options give kNotSupported.
  Status sendOption(std::string_view option);
  // Whether sequential reads read ahead ("QUICKSCAN=on", the default).
  bool quickScan() const { return quickScan_; }

  // Recomputes every key of every record and rebuilds the key indexes (the cure for
  // kKeysMustBeRebuilt), writing a new file that replaces the old one. The file must be open
  // nowhere else (kExclusiveAccessRequired); no program can open it until the new file is in
  // place. An open file is open again afterwards.
  [[nodiscard]] Status buildKeys();

  // Writes a new file of this declaration at `temporary` (beside the file, replacing anything
  // there) holding the records that `source` hands out, each with its record number, its version
  // and every key computed afresh; all in one transaction. On success the new file is whole and
  // closed, for the caller to move into place; on failure it is removed: kDuplicateKey when two
  // records take one value of a unique key, kBadFileStructure when a record is not of the record
  // length, or the source's error. Uses the record buffer, which is cleared afterwards; the file
  // itself may stay closed.
  [[nodiscard]] Status writeRebuilt(const std::string& temporary, const RecordSource& source);

  // The key image of the buffer for `key`; empty when the record is left out of an optional key.
  std::string keyImage(int key) const;

  // After kDuplicateKey: the key whose value was already taken (-1 otherwise).
  int duplicateKey() const { return duplicateKey_; }

  // Records fetched from storage by next() and previous() since open(), those read ahead
  // included: for tests and tuning.
  std::int64_t recordsRead() const { return recordsRead_; }

 private:
  friend class Session;
  friend class View;
  // For the module's own readers (views) that fetch rows with statements of their own.
  sqlite3_stmt* statement(const std::string& sql);  // prepared once per text on the session's connection
  std::string table() const;                        // "<schema>.rec" of the open file
  std::uint64_t generation() const;                 // changes with every write through the session
  // Makes a row read by such a reader the record last read: put() and erase() then act on it
  // (and fail with kRecordChanged if it changed since). kBadFileStructure when the row is not a
  // whole record.
  Status adopt(std::int64_t record, std::int64_t version, const std::string& data);
  // No record: the buffer is cleared and put()/erase() have nothing to act on.
  void forget();

  // A record as read: views into a statement's row or into the read-ahead.
  struct Row {
    std::int64_t record;
    std::int64_t version;
    std::string_view data;
    std::string_view keyImage;
  };
  // Records read ahead of the caller, in the order next()/previous() hands them out. They share
  // one buffer, reused from one read to the next: no allocation per record.
  class ReadAhead {
   public:
    void push(std::int64_t record, std::int64_t version, std::string_view data, std::string_view keyImage);
    // The first record not yet handed out (there must be one); valid until the next push or clear.
    Row pop();
    bool empty() const { return next_ >= entries_.size(); }
    std::size_t size() const { return entries_.size() - next_; }
    void clear();

   private:
    struct Entry {
      std::int64_t record, version;
      std::size_t offset, dataLength, keyLength;
    };
    std::vector<Entry> entries_;
    std::string bytes_;
    std::size_t next_ = 0;
  };
  Status requireOpen();
  Status requireWrite();
  Status notOpen();  // kFileNotOpen, recorded in the session if there is one
  // The Session is being destroyed: the file is closed and left without it.
  void sessionEnding();
  Status fill(bool forward);
  Status attachAndCheck(int mode, bool checkCollation);
  Status attachLocked(const std::string& path, bool checkCollation);
  Status makeEmptyFile(const std::string& temporary, Session::Attachment*& attachment);
  int findDuplicate(std::int64_t exceptRecord);
  Status rebuildClosed(const std::string& path);
  Status rebuildInto(const std::string& path);
  Status take(const Row& row);
  // The record last read was just read or written: within which transaction.
  void markCurrentTaken();
  // Keeps, for a rollback, the record last read as stored before this transaction first writes it.
  void keepBeforeWrite(bool added);
  // The session's transaction is over (see Session::endTransaction).
  void transactionEnded(bool committed);
  // take() for a record read ahead by next() or previous(), once it is known to move the sequence on.
  Status takeNext(const Row& row);
  std::string keyImageOf(const RecordBuffer& record, int key) const;
  void invalidateReadAhead();
  void restartBatchIfDropped();

  const FileDecl& decl_;
  Session* session_;  // null once the Session is destroyed
  RecordBuffer buffer_;
  Session::Attachment* attachment_ = nullptr;
  std::string path_;  // the physical file as it was opened
  int mode_ = 0;
  int lockFd_ = -1;
  bool quickScan_ = true;
  int recoverSeconds_ = 0;

  // Sequence state
  int seqKey_ = -1;          // -1 physical
  bool positioned_ = false;  // set...() was called
  bool forward_ = true;
  Position cursor_;         // last record handed out (or the boundary before the first)
  bool inclusive_ = false;  // the next read may return the record at cursor_ itself
  ReadAhead readAhead_;
  std::uint64_t readAheadGeneration_ = 0;
  int batch_ = 1;
  std::int64_t recordsRead_ = 0;

  // The record last read, for put()/erase()
  std::int64_t current_ = 0;
  std::int64_t currentVersion_ = 0;
  // Its bytes as stored: put() rewrites only the keys whose values changed from them.
  std::string currentRecord_;
  std::string currentImage_;              // its image in the key seqKey_, for position()
  std::uint64_t currentTransaction_ = 0;  // the transaction it was read or written in (0: none)
  std::int64_t erasedInTransaction_ = 0;  // the record last read, erased in the open transaction
  int duplicateKey_ = -1;
  bool atEnd_ = false;                // cursor_ stands after the last record (previous() reads the last)
  std::uint64_t openGeneration_ = 0;  // raised by every open
  struct Sql;
  std::unique_ptr<Sql> sql_;
};

}  // namespace platform::storage
