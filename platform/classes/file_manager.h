// The file manager: how a program reaches one data file on one thread. It is given a DataFile (the
// thread's copy of a file declaration with its record buffer) and the process's ErrorReporter, and
// adds to them what every procedure relies on:
//
// - Counted, lazy opening. open() and close() count; with lazy open (the default) the physical file
//   is opened at the first useFile() after an open, and closed when the count falls back to 0.
//   Using a file that is neither open nor opened is a program error (message 42).
// - A physical open that cures what it can: a missing file is created when `create` is on (12 when
//   that fails); an open refused by another program's lock is retried once after sending the driver
//   "Recover=<lockRecover>", then, when write access was asked, once more read-only (message 2);
//   keys built under another collation are rebuilt (30, then 29 when that fails); anything else, or
//   a retry that fails, is message 26.
// - Keys registered with a label (the name messages give them) and, for a numbered key, numbering:
//   the highest value of the key's last component (a LONG) among the records that share its other
//   components, plus 1 (1 in an empty file).
// - Record validation: validateField() for fields 1 to n in order, stopping at the first failure.
//   The base accepts every field, except for an alias: the aliased file's checks then run on a
//   copy of the alias' record, and the aliased file's buffer and position are put back.
// - insert, update and delete with their messages (15, 4, kMessageNumberingFailed on insert;
//   kMessageRecordChanged, kMessageWriteFailed on update and delete), each also as a quiet try...
//   variant that shows nothing but the field checks' own messages and leaves the write's error
//   for reportWriteError().
//
// Every operation returns a Level (error_reporter.h): kLevelBenign done, kLevelUser refused by the
// checks, kLevelCancel cancelled, kLevelNotify failed and shown; kLevelProgram and kLevelFatal end
// the program through the reporter's port.
//
// Field numbers given to validateField() count from 1, in the record's order. Key numbers are
// indexes into the declaration's keys.
//
// Thread safety: a file manager belongs to the thread that owns its DataFile.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/classes/error_reporter.h"
#include "platform/storage/data_file.h"

namespace platform {

// useFile() kinds: the first-use set-up only, or an access to the records (anything else).
inline constexpr int kUseAccess = 0;
inline constexpr int kUseSetUpOnly = 5;

// The numbered messages of the program's table that more than one place of the managers shows.
inline constexpr int kMessageRecordChanged = 7;       // another program changed the record since it was read
inline constexpr int kMessageRecordChangedShown = 8;  // the same from a form, which shows it as now stored
inline constexpr int kMessageWriteFailed = 28;        // any other failed write (%ErrorText says why)
inline constexpr int kMessageNumberingFailed = 35;    // a question: number the record again?

class FileManager {
 public:
  struct KeyEntry {
    int key = -1;             // index into the declaration's keys
    std::string description;  // the label it is reported under: "ACT:PK_ACTA"
    std::vector<int> fields;  // its components, field indexes
    bool numbered = false;    // the manager numbers new records in it
    bool duplicates = false;
    bool noCase = false;
  };

  // A file's state as saveFile() takes it: the DataFile's buffer, sequence and record last read,
  // and whether the buffer holds a primed, already numbered record.
  struct SavedState {
    storage::FileState file;
    bool primed = false;
  };

  FileManager();
  virtual ~FileManager();
  FileManager(const FileManager&) = delete;
  FileManager& operator=(const FileManager&) = delete;

  // ---- Set-up ----

  // What a derived initialise binds before calling init().
  void bindFile(storage::DataFile& file) { file_ = &file; }
  void setAliasedFile(FileManager* aliased) { aliasedFile_ = aliased; }
  void setFileNameValue(std::string name) { fileNameValue_ = std::move(name); }
  // When set, messages name the file by what this returns (trailing blanks removed).
  void setFileNameSource(std::function<std::string()> source) { fileNameSource_ = std::move(source); }
  void setErrors(ErrorReporter& errors) { errors_ = &errors; }

  // The initialise without arguments: open count 0, lazy open on, entered in the thread's list.
  virtual void init();
  // The first-use set-up: empty key list, open mode read/write shared (42h), create on, lock
  // recovery 10, the declaration's label as the file's name; marks the manager initialised.
  void init(storage::DataFile& file, ErrorReporter& errors);
  // Registers a key of the declaration under a label. Registering the same key twice is ignored.
  void addKey(int key, std::string description, bool numbered = false);
  // Closes the file if it is open, forgets the keys and leaves the file; only once, and only after
  // the first-use set-up. Always leaves the thread's list.
  virtual void kill();

  void setCreate(bool create) { create_ = create; }
  void setLockRecover(int seconds) { lockRecover_ = seconds; }
  void setLazyOpen(bool lazy) { lazyOpen_ = lazy; }
  void setOpenMode(int mode) { openMode_ = mode; }

  // ---- What it is bound to and where it stands ----

  storage::DataFile& file() { return *file_; }
  const storage::DataFile& file() const { return *file_; }
  RecordBuffer& buffer() { return file_->buffer(); }
  const RecordBuffer& buffer() const { return file_->buffer(); }
  bool isBound() const { return file_ != nullptr; }
  FileManager* aliasedFile() const { return aliasedFile_; }
  ErrorReporter* errors() const { return errors_; }
  // The file's name in messages: the name source's value when set, else the name value; trailing
  // blanks removed.
  std::string fileName() const;

  bool initialized() const { return initialized_; }
  bool killed() const { return killed_; }
  bool inUseFile() const { return inUseFile_; }
  int openCount() const { return openCount_; }
  bool isPhysicallyOpen() const { return file_ != nullptr && file_->isOpen(); }
  bool create() const { return create_; }
  int lockRecover() const { return lockRecover_; }
  bool lazyOpen() const { return lazyOpen_; }
  int openMode() const { return openMode_; }
  const std::vector<KeyEntry>& keys() const { return keys_; }

  // The file managers initialised on this thread and not killed yet, in initialise order.
  static const std::vector<FileManager*>& thisThreadsManagers();

  // ---- Opening ----

  Level open();
  Level close();
  // Makes the file ready for `kind` of use: the first-use set-up, then (for an access) the
  // physical open when the file is opened but not yet open. Derived classes do their first-use
  // registration here and then call the base.
  virtual Level useFile(int kind = kUseAccess);

  // ---- Reading ----

  // The record whose `key` equals the key fields in the buffer: kLevelBenign found; kLevelNotify
  // not found (the buffer is left as it was); kLevelFatal when the file cannot be used. Shows
  // nothing.
  Level tryFetch(int key);
  // As tryFetch, but a record that is not found leaves the buffer cleared.
  Level fetch(int key);

  SavedState saveFile() const;
  void restoreFile(const SavedState& state);

  // ---- Writing ----

  // Clears the buffer and numbers it in every numbered key; the number is checked again when the
  // record is inserted. kLevelBenign, or kLevelNotify when the file could not be read to number
  // it (shown).
  Level primeRecord();
  bool primed() const { return primed_; }

  // Validates the record, numbers it when it was not primed, and adds it. A numbered key that
  // another program took meanwhile is numbered again, three tries in all; then
  // kMessageNumberingFailed asks whether to try three more times (No: kLevelNotify). A duplicate in
  // another unique key is message 15 naming the key's label; any other failure message 4. A refused
  // check gives kLevelNotify.
  Level insert();
  Level tryInsert();
  // Validates the record and rewrites the record last read. A refused check gives kLevelUser; a
  // record that another program changed since it was read is read again into the buffer and
  // reported as kMessageRecordChanged (kLevelNotify); any other failure is kMessageWriteFailed
  // (kLevelNotify).
  Level update();
  // The same without showing a write error: the failure is kept for reportWriteError().
  Level tryUpdate();
  // Only the write of tryUpdate(), for callers that validated the record themselves.
  Level tryPut();
  // Deletes the record last read; failures as update's.
  Level deleteRecord();
  Level tryDelete();

  // The error of the last failed write (a runtime error number, kNone after a write that worked).
  int lastWriteError() const { return lastWriteError_; }
  bool lastWriteChangedElsewhere() const;
  // Shows the last write error: `changedMessage` for a record changed by another program, after
  // reading the stored record again into the buffer when `reread`; else kMessageWriteFailed.
  // Returns the reporter's level (kLevelNotify).
  Level reportWriteError(int changedMessage = kMessageRecordChanged, bool reread = true);

  // ---- Checks ----

  // Whether field `field` (from 1) holds an acceptable value; `report` shows a failure.
  virtual Level validateField(int field, bool report);
  // Fields 1 to n, each with report on, stopping at the first failure.
  Level validateRecord();

  // Sends the driver "QUICKSCAN=on" or "QUICKSCAN=off".
  void setQuickScan(bool on);

 protected:
  // Shows message `id` about this file, with the runtime error behind it as %ErrorText.
  Level report(int id, int errorCode, const std::string& errorText, const std::string& messageText = {});

  bool inUseFile_ = false;

 private:
  Level openPhysically();
  int numberOnce();
  Level numberRecord();
  int nextNumber(const KeyEntry& entry, std::int32_t& number);
  bool isNumberedKey(int key) const;
  bool numbers() const;
  Level insertRecord(bool report);
  Level failWrite(int error);
  std::string storageErrorText() const;

  storage::DataFile* file_ = nullptr;
  FileManager* aliasedFile_ = nullptr;
  ErrorReporter* errors_ = nullptr;
  std::string fileNameValue_;
  std::function<std::string()> fileNameSource_;

  bool initialized_ = false;
  bool killed_ = false;
  bool create_ = false;
  int lockRecover_ = 0;
  bool lazyOpen_ = false;
  int openMode_ = storage::kReadWriteShared;
  int openCount_ = 0;
  std::vector<KeyEntry> keys_;
  bool primed_ = false;
  int lastWriteError_ = 0;
  std::string lastWriteErrorText_;
};

}  // namespace platform
