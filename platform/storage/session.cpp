#include "platform/storage/session.h"

#include <openssl/evp.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/page_cipher.h"
#include "platform/storage/session_internal.h"
#include "platform/storage/sharing.h"
#include "platform/storage/stored_format.h"

namespace platform::storage {
namespace {

// Fixed application salt of the one expensive derivation per process and password; every file
// still has its own random salt (kept by SQLCipher in the file) for its page authentication keys.
constexpr unsigned char kMasterSalt[] = "keyed-record files: master key v1";
constexpr int kMasterIterations = 64000;
constexpr const char* kAnchorName = ".transactions.db";

std::string hex(const unsigned char* bytes, std::size_t length) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(length * 2);
  for (std::size_t i = 0; i < length; ++i) {
    out.push_back(digits[bytes[i] >> 4]);
    out.push_back(digits[bytes[i] & 15]);
  }
  return out;
}

std::string canonicalPath(const std::string& path) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(path, ec);
  if (ec) return path;
  auto parent = std::filesystem::weakly_canonical(absolute.parent_path(), ec);
  if (ec) return absolute.lexically_normal().string();
  return (parent / absolute.filename()).string();
}

// The engine takes the page size that a file's first page states, but its cipher stays set for
// the size it was given: a first page stating a smaller one makes it read past its buffers. Such a
// page can be authentic (the owner passwords are compiled into programs), and such a file is no
// data file. A first page that does not authenticate (damaged, or read while another program
// rewrites it) is left to the engine, which reads it under its locks and refuses it if it must.
bool statesAnotherPageSize(const std::string& path, const std::string& key) {
  std::string page(kCipherPageSize, '\0');
  std::ifstream in(path, std::ios::binary);
  if (!in.read(page.data(), static_cast<std::streamsize>(page.size()))) return false;
  const std::uint32_t size = statedPageSize(page, key);
  return size != 0 && size != kCipherPageSize;
}

}  // namespace

// SQLite's open of a file that cannot be made tries again read-only, so the error number the
// system last gave is that of the retry (the file is not there), whatever the cause: the cause
// is found by asking about the folder.
int fileSystemError(const std::string& path) {
  if (path.empty()) return errors::kAccessDenied;
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::absolute(path, ec).parent_path();
  if (ec || folder.empty()) folder = ".";
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) {
    if (errno == EACCES) return errors::kAccessDenied;
    return errno == ENAMETOOLONG ? errors::kInvalidFileName : errors::kPathNotFound;
  }
  if (!S_ISDIR(st.st_mode)) return errors::kPathNotFound;
  // A folder without write permission, or on read-only media.
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return errors::kAccessDenied;
  if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), R_OK | W_OK) != 0) return errors::kAccessDenied;
  // No block left, or no file entry where the file system counts them (some have no such count).
  struct statvfs space {};
  if (::statvfs(folder.c_str(), &space) == 0 &&
      ((space.f_blocks > 0 && space.f_bavail == 0) || (space.f_files > 0 && space.f_favail == 0))) {
    return errors::kDiskFull;
  }
  return errors::kAccessDenied;
}

Engine::Engine(const Locale& locale) : locale_(locale) {}
Engine::~Engine() = default;

std::string Engine::rawKey(const std::string& password) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = masterKeys_.find(password);
  if (it == masterKeys_.end()) {
    unsigned char key[32];
    PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), kMasterSalt, sizeof kMasterSalt - 1,
                      kMasterIterations, EVP_sha256(), sizeof key, key);
    it = masterKeys_.emplace(password, "x'" + hex(key, sizeof key) + "'").first;
  }
  return it->second;
}

bool Engine::setVfs(std::string name) {
  std::lock_guard<std::mutex> guard(settingsMutex_);
  if (settingsFixed_) return false;
  settings_.vfs = std::move(name);
  return true;
}

std::string Engine::vfs() const {
  std::lock_guard<std::mutex> guard(settingsMutex_);
  return settings_.vfs;
}

bool Engine::setPageCacheKiB(int kib) {
  std::lock_guard<std::mutex> guard(settingsMutex_);
  if (settingsFixed_) return false;
  settings_.pageCacheKiB = kib;
  return true;
}

int Engine::pageCacheKiB() const {
  std::lock_guard<std::mutex> guard(settingsMutex_);
  return settings_.pageCacheKiB;
}

Engine::Settings Engine::fixSettings() {
  std::lock_guard<std::mutex> guard(settingsMutex_);
  settingsFixed_ = true;
  return settings_;
}

Session::Session(Engine& engine, std::string anchorFolder) : engine_(engine), settings_(engine.fixSettings()) {
  std::error_code ec;
  std::filesystem::create_directories(anchorFolder, ec);
  anchorPath_ = (std::filesystem::path(anchorFolder) / kAnchorName).string();
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
  const char* vfs = settings_.vfs.empty() ? nullptr : settings_.vfs.c_str();
  if (sqlite3_open_v2(anchorPath_.c_str(), &db_, flags, vfs) != SQLITE_OK) {
    // A folder we cannot write: single-file writes stay atomic, a commit over several files is
    // then only as safe as the temporary folder.
    sqlite3_close(db_);
    db_ = nullptr;
    anchorPath_ = (std::filesystem::temp_directory_path() / kAnchorName).string();
    sqlite3_open_v2(anchorPath_.c_str(), &db_, flags, vfs);
  }
  sqlite3_extended_result_codes(db_, 0);
  sqlite3_busy_timeout(db_, busyTimeoutMs_);
  exec("PRAGMA cipher_default_page_size = " + std::to_string(kCipherPageSize));
  // The engine checks the cells of every page as it reads it: a damaged page is then an error
  // instead of offsets followed out of its memory.
  exec("PRAGMA cell_size_check = ON");
}

Session::~Session() {
  if (inTransaction_ || inRead_) exec("ROLLBACK");
  inTransaction_ = inRead_ = false;
  // DataFiles that outlive the session are closed and left without it (see the header).
  while (!files_.empty()) {
    DataFile* file = files_.back();
    files_.pop_back();
    file->sessionEnding();
  }
  for (auto& attachment : attachments_) {
    for (auto& [sql, statement] : attachment->statements) sqlite3_finalize(statement);
    attachment->statements.clear();
  }
  sqlite3_close_v2(db_);
  // The locks of files closed inside a transaction, given up once the engine has let them go.
  for (auto& attachment : attachments_) {
    for (const auto& [fd, mode] : attachment->locksHeld) sharing::release(fd, mode);
  }
}

void Session::setBusyTimeout(int milliseconds) {
  busyTimeoutMs_ = milliseconds;
  sqlite3_busy_timeout(db_, milliseconds);
}

Status Session::setError(int code, std::string cause, const std::string& file) {
  lastError_ = code;
  lastErrorText_ = code == 0 ? std::string() : engine_.locale().errorText(code);
  lastErrorCause_ = code == 0 ? std::string() : std::move(cause);
  lastErrorFile_ = file;
  if (code == 0) return Status();
  return Status(code, lastErrorText_, lastErrorFile_, lastErrorCause_);
}

Status Session::fromSqlite(int rc, const std::string& file) {
  const int code = [&] {
    switch (rc & 0xFF) {
      case SQLITE_OK:
      case SQLITE_ROW:
      case SQLITE_DONE:
        return errors::kNone;
      case SQLITE_NOTADB:
        return errors::kInvalidDataFile;
      case SQLITE_CORRUPT:
        return errors::kKeysMustBeRebuilt;
      case SQLITE_BUSY:
      case SQLITE_LOCKED:
        return errors::kFileLocked;
      case SQLITE_READONLY:
      case SQLITE_PERM:
      case SQLITE_AUTH:
        return errors::kAccessDenied;
      case SQLITE_CONSTRAINT:
        return errors::kDuplicateKey;
      case SQLITE_NOMEM:
        return errors::kOutOfMemory;
      case SQLITE_FULL:
        return errors::kDiskFull;
      case SQLITE_CANTOPEN:
        return fileSystemError(file);
      default:
        return errors::kIoError;
    }
  }();
  return setError(code, code == errors::kNone ? std::string() : std::string(sqlite3_errmsg(db_)), file);
}

void Session::exec(const std::string& sql) {
  fromSqlite(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), {});
}

sqlite3_stmt* Session::statement(Attachment* attachment, const std::string& sql) {
  auto it = attachment->statements.find(sql);
  if (it != attachment->statements.end()) return it->second;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    return nullptr;
  }
  attachment->statements.emplace(sql, statement);
  return statement;
}

Session::Attachment* Session::findAttachment(const std::string& path) {
  const std::string canonical = canonicalPath(path);
  for (auto& attachment : attachments_) {
    if (attachment->path == canonical) return attachment.get();
  }
  return nullptr;
}

Session::Attachment* Session::attach(const std::string& path, const std::string& password, bool create, Status& error) {
  const std::string canonical = canonicalPath(path);
  for (auto& attachment : attachments_) {
    if (attachment->path == canonical) {
      ++attachment->users;
      error = setError(errors::kNone, {}, path);
      return attachment.get();
    }
  }
  if (inTransaction_ || inRead_) {
    error = setError(errors::kTransactionActive, {}, path);
    return nullptr;
  }
  if (attachments_.size() >= 9) {
    error = setError(errors::kTooManyFiles, {}, path);
    return nullptr;
  }
  struct stat st {};
  if (::stat(canonical.c_str(), &st) != 0) {
    if (!create) {
      error = setError(errno == ENOENT ? errors::kFileNotFound : errors::kAccessDenied, {}, path);
      return nullptr;
    }
  } else if (!create && st.st_size < 512) {
    // Not even one page: no data file (an empty file would otherwise silently become one).
    error = setError(errors::kInvalidDataFile, {}, path);
    return nullptr;
  }
  // Schema names are reused after a detach so that they stay short and few.
  std::string schema;
  for (int n = 1;; ++n) {
    schema = "f" + std::to_string(n);
    bool used = false;
    for (auto& attachment : attachments_) used = used || attachment->schema == schema;
    if (!used) break;
  }
  const std::string key = password.empty() ? std::string() : engine_.rawKey(password);
  if (!create && !key.empty() && statesAnotherPageSize(canonical, key)) {
    error = setError(errors::kInvalidDataFile, {}, path);
    return nullptr;
  }
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db_, "ATTACH DATABASE ?1 AS ?2 KEY ?3", -1, &statement, nullptr);
  sqlite3_bind_text(statement, 1, canonical.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(statement, 2, schema.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(statement, 3, key.c_str(), -1, SQLITE_TRANSIENT);
  const int rc = sqlite3_step(statement);
  sqlite3_finalize(statement);
  if (rc != SQLITE_DONE) {
    error = fromSqlite(rc, path);
    sqlite3_exec(db_, ("DETACH DATABASE " + schema).c_str(), nullptr, nullptr, nullptr);
    return nullptr;
  }
  auto attachment = std::make_unique<Attachment>();
  attachment->schema = schema;
  attachment->path = canonical;
  attachment->users = 1;
  // A bounded page cache per file: memory stays flat whatever the file's size.
  sqlite3_exec(db_, ("PRAGMA " + schema + ".cache_size = -" + std::to_string(settings_.pageCacheKiB)).c_str(), nullptr,
               nullptr, nullptr);
  attachments_.push_back(std::move(attachment));
  error = setError(errors::kNone, {}, path);
  return attachments_.back().get();
}

void Session::detachUnused() {
  std::vector<Attachment*> unused;
  for (auto& attachment : attachments_) {
    if (attachment->users == 0) unused.push_back(attachment.get());
  }
  for (Attachment* attachment : unused) {
    ++attachment->users;
    detach(attachment);
  }
}

void Session::detach(Attachment* attachment) {
  if (attachment == nullptr || --attachment->users > 0) return;
  // Inside a transaction the engine cannot let the file go, and its changes belong to the
  // transaction: it stays attached, unused, until the transaction ends.
  if (inTransaction_ || inRead_) return;
  for (auto& [sql, statement] : attachment->statements) sqlite3_finalize(statement);
  attachment->statements.clear();
  sqlite3_exec(db_, ("DETACH DATABASE " + attachment->schema).c_str(), nullptr, nullptr, nullptr);
  for (const auto& [fd, mode] : attachment->locksHeld) sharing::release(fd, mode);
  for (auto it = attachments_.begin(); it != attachments_.end(); ++it) {
    if (it->get() == attachment) {
      attachments_.erase(it);
      break;
    }
  }
}

Status Session::begin(const std::vector<DataFile*>& files, double timeoutSeconds) {
  if (inTransaction_ || inRead_) return setError(errors::kTransactionActive, {}, {});
  for (DataFile* file : files) {
    if (file == nullptr || !file->isOpen()) {
      return setError(errors::kFileNotOpen, {}, file ? file->decl().physicalPath() : std::string());
    }
    if ((file->mode() & 0x0F) == 0) return setError(errors::kAccessDenied, {}, file->decl().physicalPath());
  }
  if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
    return setError(errors::kTransactionNotStarted, sqlite3_errmsg(db_), {});
  }
  // Take every file's write lock now, waiting at most the time-out, so that the work inside the
  // transaction never waits for another program halfway through.
  // In whole milliseconds, as far as the engine counts (a longer or endless wait is its longest);
  // a time-out that is not above 0 does not wait.
  const double milliseconds = timeoutSeconds * 1000;
  const int waitMs = !(milliseconds > 0) ? 0 : milliseconds >= INT_MAX ? INT_MAX : static_cast<int>(milliseconds);
  sqlite3_busy_timeout(db_, waitMs);
  int failure = SQLITE_OK;
  std::string failedFile;
  for (DataFile* file : files) {
    const std::string sql = "DELETE FROM " + file->attachment_->schema + ".meta WHERE 0";
    failure = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    if (failure != SQLITE_OK) {
      failedFile = file->decl().physicalPath();
      break;
    }
  }
  sqlite3_busy_timeout(db_, busyTimeoutMs_);
  if (failure != SQLITE_OK) {
    const std::string why = sqlite3_errmsg(db_);
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return setError(errors::kTransactionNotStarted, why, failedFile);
  }
  inTransaction_ = true;
  ++transaction_;
  return setError(errors::kNone, {}, {});
}

void Session::endTransaction(bool committed) {
  for (DataFile* file : files_) file->transactionEnded(committed);
  for (auto& attachment : attachments_) {
    attachment->written.clear();
    attachment->added.clear();
    if (!committed) ++attachment->generation;
  }
}

Status Session::commit() {
  if (!inTransaction_) return setError(errors::kNoTransaction, {}, {});
  const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    // All or nothing: a commit that cannot finish is rolled back whole.
    const Status error = fromSqlite(rc, {});
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    inTransaction_ = false;
    endTransaction(false);
    detachUnused();
    return error;
  }
  inTransaction_ = false;
  endTransaction(true);
  detachUnused();
  return setError(errors::kNone, {}, {});
}

Status Session::beginRead() {
  if (inTransaction_ || inRead_) return setError(errors::kTransactionActive, {}, {});
  if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) return fromSqlite(sqlite3_errcode(db_), {});
  inRead_ = true;
  return setError(errors::kNone, {}, {});
}

void Session::endRead() {
  if (!inRead_) return;
  if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  inRead_ = false;
  detachUnused();
}

Status Session::rollback() {
  if (!inTransaction_) return setError(errors::kNoTransaction, {}, {});
  const int rc = sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  inTransaction_ = false;
  endTransaction(false);
  detachUnused();
  if (rc != SQLITE_OK) return setError(errors::kRollbackFailed, sqlite3_errmsg(db_), {});
  return setError(errors::kNone, {}, {});
}

}  // namespace platform::storage
