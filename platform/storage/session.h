// The storage engine of one process (Engine) and of one thread (Session).
//
// Each physical data file is one encrypted SQLite database. A Session keeps one connection per
// thread whose main database is an empty anchor file in the working folder; every open data file
// is attached to it, so that a transaction over several data files commits all or nothing (the
// multi-file commit is made atomic through the anchor's super-journal), also when the process is
// killed in the middle of it.
//
// Thread safety: an Engine may be shared by all threads of the process; a Session and the
// DataFiles attached to it belong to the thread that made them.
//
// Lifetime: the Engine outlives its Sessions, and a Session should outlive the DataFiles (and
// Views) made on it. A Session destroyed first rolls back its open transaction and closes those
// DataFiles, giving up their locks; each is then closed for good: its operations answer kFileNotOpen
// and record it nowhere, and it may be destroyed at any time. Its session(), and a View
// over it, must not be used any more (session() ends the program with a message).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/locale.h"
#include "platform/storage/status.h"

struct sqlite3;
struct sqlite3_stmt;

namespace platform::storage {

class DataFile;

// What a whole process shares: the locale that orders keys, and the keys derived from owner
// passwords (derived once per process: deriving from a passphrase costs tens of milliseconds).
class Engine {
 public:
  explicit Engine(const Locale& locale);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  const Locale& locale() const { return locale_; }

  // The raw SQLCipher key text x'<64 hex digits>' derived from an owner password. Thread safe.
  std::string rawKey(const std::string& password);

  // Settings are made before the first Session on this engine; afterwards they are fixed and a
  // change is refused (false): every connection then works with the same settings, and no thread
  // sees them change under it.
  //
  // Name of a registered SQLite VFS to use for every connection (tests use a fault-injecting one);
  // empty for the default.
  bool setVfs(std::string name);
  std::string vfs() const;
  // How much memory each open data file may keep in its page cache, in KiB (default 16 MiB):
  // memory stays flat whatever the files' sizes.
  bool setPageCacheKiB(int kib);
  int pageCacheKiB() const;

 private:
  friend class Session;
  struct Settings {
    std::string vfs;
    int pageCacheKiB = 16384;
  };
  // The settings, fixed from now on: a Session is being made.
  Settings fixSettings();

  const Locale& locale_;
  std::mutex mutex_;
  std::map<std::string, std::string> masterKeys_;  // password -> derived master key
  mutable std::mutex settingsMutex_;
  Settings settings_;
  bool settingsFixed_ = false;
};

class Session {
 public:
  // `anchorFolder` is where the anchor database lives (the working folder); it is created there
  // if missing.
  Session(Engine& engine, std::string anchorFolder = ".");
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Engine& engine() { return engine_; }

  // A transaction over the given open files, started within `timeoutSeconds` or not at all
  // (kTransactionNotStarted). Inside it, writes to any attached file join it.
  //
  // A commit that cannot finish (another program's reader still holds a file after the busy
  // time-out: kFileLocked; a full disk: kDiskFull) is rolled back whole. Once a transaction is rolled back, every
  // buffer's record last read is the record as stored again: put() and erase() go on working on a
  // record written in it, a record erased in it is the record last read again by the buffer that
  // erased it, and one added in it is no record at all.
  [[nodiscard]] Status begin(const std::vector<DataFile*>& files, double timeoutSeconds);
  [[nodiscard]] Status commit();
  Status rollback();

  // A short read transaction: every read between beginRead() and endRead() sees the files as one
  // committed state; writes are refused inside it (kTransactionActive). Never hold one across the user's think
  // time: it blocks other programs' commits.
  [[nodiscard]] Status beginRead();
  void endRead();
  bool inTransaction() const { return inTransaction_; }
  bool inReadTransaction() const { return inRead_; }

  // The error of the last operation of any file of this session (kNone: none), and its text: always
  // the locale's text for that number (code page 1252), what a user may be shown. The operation's
  // Status says the same.
  int lastError() const { return lastError_; }
  const std::string& lastErrorText() const { return lastErrorText_; }
  const std::string& lastErrorFile() const { return lastErrorFile_; }
  // What lies behind it, for developers only (logs, a test's failure): the engine's own message,
  // or what is wrong with a filter or an order. Often empty; never shown to a user.
  const std::string& lastErrorCause() const { return lastErrorCause_; }

  // How long a statement waits for another program's lock before failing.
  void setBusyTimeout(int milliseconds);
  int busyTimeout() const { return busyTimeoutMs_; }

 private:
  friend class DataFile;
  friend class View;
  struct Attachment;

  // Attaches (or shares the attachment of) a physical file; returns the attachment or null with
  // the error set.
  Attachment* attach(const std::string& path, const std::string& password, bool create, Status& error);
  Attachment* findAttachment(const std::string& path);
  // Lets a file go when its last user is done with it (inside a transaction: when it ends).
  void detach(Attachment* attachment);
  void detachUnused();
  sqlite3_stmt* statement(Attachment* attachment, const std::string& sql);
  // Records error `code` with its locale text, and `cause` for developers; the Status says the same.
  Status setError(int code, std::string cause, const std::string& file);
  Status fromSqlite(int rc, const std::string& file);
  // Runs a statement of the connection's own; a failure is only recorded.
  void exec(const std::string& sql);
  // The transaction is over: its records of writes are dropped, and when it was rolled back each
  // buffer's record last read is set back to what is stored.
  void endTransaction(bool committed);

  Engine& engine_;
  const Engine::Settings settings_;  // the engine's, fixed when the session was made
  std::vector<DataFile*> files_;     // every DataFile made on this session, open or not
  std::string anchorPath_;
  sqlite3* db_ = nullptr;
  std::vector<std::unique_ptr<Attachment>> attachments_;
  int nextSchema_ = 1;
  bool inTransaction_ = false;
  std::uint64_t transaction_ = 0;  // numbers the transactions begun; the open one's while inTransaction_
  bool inRead_ = false;
  int busyTimeoutMs_ = 2000;
  int lastError_ = 0;
  std::string lastErrorText_;
  std::string lastErrorFile_;
  std::string lastErrorCause_;
};

}  // namespace platform::storage
