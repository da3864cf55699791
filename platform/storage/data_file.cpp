#include "platform/storage/data_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>
#include <utility>

#include "platform/core/runtime_errors.h"
#include "platform/storage/key_image.h"
#include "platform/storage/session_internal.h"
#include "platform/storage/sharing.h"
#include "platform/storage/step_hooks.h"
#include "platform/storage/stored_format.h"

namespace platform::storage {

std::string stored::keyColumn(int key) { return "k" + std::to_string(key); }

namespace {

using stored::keyColumn;
using stored::kFormatVersion;
using stored::layoutSignature;

// Sequential reads fetch 1 record, then 16, 256 and at most this many at a time: a caller that
// wants one record pays for one, a scan pays for few statements (each one locks the file).
constexpr int kMaxReadAhead = 1024;

bool writes(int mode) { return (mode & 0x0F) != 0; }

const char* typeName(FieldType type) {
  switch (type) {
    case FieldType::Long:
      return "LONG";
    case FieldType::Real:
      return "REAL";
    case FieldType::Byte:
      return "BYTE";
    case FieldType::String:
      return "STRING";
    case FieldType::CString:
      return "CSTRING";
  }
  return "?";
}

}  // namespace

std::string stored::layoutSignature(const FileDecl& decl) {
  std::string out = "record " + std::to_string(decl.layout.length()) + ";";
  for (const Field& field : decl.layout.fields()) {
    out += field.name + " " + typeName(field.type) + "(" + std::to_string(field.size) + ")@" +
           std::to_string(field.offset) + ";";
  }
  for (const KeyDecl& key : decl.keys) {
    out += "key";
    for (int component : key.components) out += " " + std::to_string(component);
    out += key.primary ? " primary" : "";
    out += key.duplicates ? " dup" : " unique";
    out += key.caseInsensitive ? " nocase" : "";
    out += key.optional ? " opt" : "";
    out += ";";
  }
  return out;
}

namespace {

// The bytes of a column, valid until the statement steps or is reset.
std::string_view columnBytes(sqlite3_stmt* statement, int column) {
  const void* bytes = sqlite3_column_blob(statement, column);
  const int length = sqlite3_column_bytes(statement, column);
  return bytes == nullptr ? std::string_view()
                          : std::string_view(static_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

std::string columnText(sqlite3_stmt* statement, int column) {
  const void* bytes = sqlite3_column_blob(statement, column);
  const int length = sqlite3_column_bytes(statement, column);
  return bytes == nullptr ? std::string()
                          : std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

void bindBlob(sqlite3_stmt* statement, int index, const std::string& bytes) {
  sqlite3_bind_blob(statement, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
}

}  // namespace

// SQL texts of one open file, made once per open so that the cached statements are found by them.
//
// Every write is one row, whose constraints are checked before anything of it is written: "OR
// FAIL" then undoes nothing that "ABORT" would, and spares each write inside a transaction a
// statement journal, whose every page SQLCipher encrypts (it made a cascade ten times slower).
struct DataFile::Sql {
  std::string table;
  std::size_t keyCount = 0;
  std::map<std::uint64_t, std::string> updates;  // by the set of keys rewritten
  std::string insert, erase, version, count, byRecord;
  std::string physicalForward, physicalBackward;
  struct PerKey {
    std::string get, exists, existsOther, forwardEqual, forwardAfter, backwardEqual, backwardBefore, backwardLast;
  };
  std::vector<PerKey> keys;

  // The rewrite of the record with the keys of `changed` (bit k: key k); parameters ?1 the data,
  // ?k+2 key k, then the record number and its version.
  const std::string& updateOf(std::uint64_t changed) {
    std::string& sql = updates[changed];
    if (sql.empty()) {
      sql = "UPDATE OR FAIL " + table + " SET ver = ver + 1, data = ?1";
      for (std::size_t k = 0; k < keyCount; ++k) {
        if (changed & (std::uint64_t{1} << (k % 64)))
          sql += ", " + keyColumn(static_cast<int>(k)) + " = ?" + std::to_string(k + 2);
      }
      sql += " WHERE pos = ?" + std::to_string(keyCount + 2) + " AND ver = ?" + std::to_string(keyCount + 3);
    }
    return sql;
  }

  Sql(const std::string& schema, const FileDecl& decl) : table(schema + ".rec"), keyCount(decl.keys.size()) {
    std::string columns = "ver, data", values = "1, ?1";
    for (std::size_t k = 0; k < decl.keys.size(); ++k) {
      columns += ", " + keyColumn(static_cast<int>(k));
      values += ", ?" + std::to_string(k + 2);
    }
    insert = "INSERT OR FAIL INTO " + table + " (" + columns + ") VALUES (" + values + ")";
    erase = "DELETE FROM " + table + " WHERE pos = ?1 AND ver = ?2";
    version = "SELECT ver FROM " + table + " WHERE pos = ?1";
    count = "SELECT count(*) FROM " + table;
    byRecord = "SELECT pos, ver, data FROM " + table + " WHERE pos = ?1";
    physicalForward = "SELECT pos, ver, data FROM " + table + " WHERE pos > ?1 ORDER BY pos LIMIT ?2";
    physicalBackward = "SELECT pos, ver, data FROM " + table + " WHERE pos < ?1 ORDER BY pos DESC LIMIT ?2";
    for (std::size_t k = 0; k < decl.keys.size(); ++k) {
      const std::string c = keyColumn(static_cast<int>(k));
      const std::string select = "SELECT pos, ver, data, " + c + " FROM " + table + " WHERE ";
      PerKey key;
      key.get = select + c + " = ?1 ORDER BY pos LIMIT 1";
      key.exists = "SELECT 1 FROM " + table + " WHERE " + c + " = ?1 LIMIT 1";
      key.existsOther = "SELECT 1 FROM " + table + " WHERE " + c + " = ?1 AND pos <> ?2 LIMIT 1";
      key.forwardEqual = select + c + " = ?1 AND pos > ?2 ORDER BY pos LIMIT ?3";
      key.forwardAfter = select + c + " > ?1 ORDER BY " + c + ", pos LIMIT ?2";
      key.backwardEqual = select + c + " = ?1 AND pos < ?2 ORDER BY pos DESC LIMIT ?3";
      key.backwardBefore = select + c + " < ?1 ORDER BY " + c + " DESC, pos DESC LIMIT ?2";
      key.backwardLast = select + c + " IS NOT NULL ORDER BY " + c + " DESC, pos DESC LIMIT ?1";
      keys.push_back(std::move(key));
    }
  }
};

DataFile::DataFile(const FileDecl& decl, Session& session) : decl_(decl), session_(&session), buffer_(decl.layout) {
  session.files_.push_back(this);
}

DataFile::~DataFile() {
  if (session_ == nullptr) return;
  if (isOpen()) close();
  auto& files = session_->files_;
  if (auto it = std::find(files.begin(), files.end(), this); it != files.end()) files.erase(it);
}

Session& DataFile::session() {
  if (session_ == nullptr) {
    std::fputs("platform::storage: a DataFile's session was used after the Session was destroyed\n", stderr);
    std::abort();
  }
  return *session_;
}

void DataFile::sessionEnding() {
  if (isOpen()) close();
  session_ = nullptr;
}

Status DataFile::notOpen() {
  if (session_ == nullptr) return Status(errors::kFileNotOpen);
  return session_->setError(errors::kFileNotOpen, {}, decl_.physicalPath());
}

bool DataFile::exists() const {
  const std::string path = decl_.physicalPath();
  return !path.empty() && ::access(path.c_str(), F_OK) == 0;
}

// The statements that create a file of this declaration, in the schema `schema`.
static std::vector<std::string> schemaStatements(const std::string& schema, const FileDecl& decl,
                                                 const Locale& locale) {
  std::vector<std::string> sql;
  std::string columns = "pos INTEGER PRIMARY KEY, ver INTEGER NOT NULL, data BLOB NOT NULL";
  for (std::size_t k = 0; k < decl.keys.size(); ++k) columns += ", " + keyColumn(static_cast<int>(k)) + " BLOB";
  sql.push_back("CREATE TABLE " + schema + ".meta (name TEXT PRIMARY KEY, value TEXT NOT NULL)");
  sql.push_back("CREATE TABLE " + schema + ".rec (" + columns + ")");
  for (std::size_t k = 0; k < decl.keys.size(); ++k) {
    const std::string column = keyColumn(static_cast<int>(k));
    sql.push_back(std::string("CREATE ") + (decl.keys[k].duplicates ? "" : "UNIQUE ") + "INDEX " + schema + ".rec_" +
                  column + " ON rec (" + column + ")");
  }
  auto quote = [](const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
  };
  sql.push_back("INSERT INTO " + schema + ".meta VALUES ('format', '" + std::to_string(kFormatVersion) +
                "'), ('layout', " + quote(layoutSignature(decl)) + "), ('collation', " +
                quote(locale.collationSignature()) + ")");
  return sql;
}

// Errors that tell the user why a file could not be made; any other failure is 54.
static bool tellsWhyNotMade(int error) {
  return error == errors::kPathNotFound || error == errors::kAccessDenied || error == errors::kDiskFull ||
         error == errors::kInvalidFileName;
}

// Makes an empty data file under `temporary` and leaves it attached, its schema committed.
Status DataFile::makeEmptyFile(const std::string& temporary, Session::Attachment*& attachment) {
  std::error_code ec;
  std::filesystem::remove(temporary, ec);
  std::filesystem::remove(temporary + "-journal", ec);
  Status error;
  attachment = session_->attach(temporary, decl_.encrypted ? decl_.ownerPassword : std::string(), true, error);
  if (attachment == nullptr) return tellsWhyNotMade(error) ? error : Status(errors::kCannotCreate);
  std::string sql = "BEGIN;";
  for (const std::string& statement : schemaStatements(attachment->schema, decl_, session_->engine().locale())) {
    sql += statement + ";";
  }
  sql += "COMMIT;";
  char* message = nullptr;
  const int rc = sqlite3_exec(session_->db_, sql.c_str(), nullptr, nullptr, &message);
  const std::string why = message ? message : "";
  sqlite3_free(message);
  if (rc == SQLITE_OK) return Status();
  sqlite3_exec(session_->db_, "ROLLBACK", nullptr, nullptr, nullptr);
  session_->detach(attachment);
  attachment = nullptr;
  std::filesystem::remove(temporary, ec);
  if (Status reason = session_->fromSqlite(rc, temporary); tellsWhyNotMade(reason)) return reason;
  return session_->setError(errors::kCannotCreate, why, temporary);
}

void stored::syncFolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// A journal left next to the old file by a program that died goes first, for good: rolled back into
// the new file at its first open (after a crash right after the rename) it would damage it.
bool stored::replaceFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::remove(to + "-journal", ec);
  if (!ec) {
    stored::syncFolderOf(to);
    reached(Step::kBeforeRename);
    std::filesystem::rename(from, to, ec);
    reached(Step::kAfterRename);
  }
  if (ec) {
    std::filesystem::remove(from, ec);
    return false;
  }
  stored::syncFolderOf(to);
  return true;
}

Status DataFile::create() {
  if (session_ == nullptr) return notOpen();
  const std::string path = decl_.physicalPath();
  if (path.empty()) return session_->setError(errors::kInvalidFileName, {}, path);
  if (isOpen() || session_->findAttachment(path) != nullptr)
    return session_->setError(errors::kFileAlreadyOpen, {}, path);
  if (session_->inTransaction()) return session_->setError(errors::kTransactionActive, {}, path);
  // The file replaced is held alone until the new one is in place: a program that opened it in
  // between would go on writing to a file that is no longer there.
  sharing::ExclusiveHold hold;
  if (::access(path.c_str(), F_OK) == 0 && hold.take(path) == errors::kAccessDenied) {
    return session_->setError(errors::kAccessDenied, {}, path);
  }
  const std::string temporary = path + ".new";
  Session::Attachment* attachment = nullptr;
  if (Status error = makeEmptyFile(temporary, attachment)) {
    return session_->setError(error, session_->lastErrorCause(), path);
  }
  session_->detach(attachment);
  if (!stored::replaceFile(temporary, path)) return session_->setError(errors::kCannotCreate, {}, path);
  return session_->setError(errors::kNone, {}, path);
}

Status DataFile::buildKeys() {
  if (session_ == nullptr) return notOpen();
  const std::string path = decl_.physicalPath();
  const bool wasOpen = isOpen();
  const int wasMode = mode_;
  if (wasOpen) close();
  const Status result = rebuildClosed(path);
  // A file that was open is open again, whether the rebuild ran or not.
  if (wasOpen && !isOpen()) {
    const std::string cause = session_->lastErrorCause();
    if (Status error = open(wasMode); error != errors::kNone && result == errors::kNone) return error;
    return session_->setError(result, cause, path);
  }
  return result;
}

Status DataFile::rebuildClosed(const std::string& path) {
  if (session_->findAttachment(path) != nullptr || session_->inTransaction()) {
    return session_->setError(errors::kExclusiveAccessRequired, {}, path);
  }
  if (::access(path.c_str(), F_OK) != 0) return session_->setError(errors::kFileNotFound, {}, path);
  if (::access(path.c_str(), W_OK) != 0) return session_->setError(errors::kAccessDenied, {}, path);
  // Held alone until the new file is in place: a program that opened the old file in between
  // would write to a file about to be thrown away.
  sharing::ExclusiveHold hold;
  if (int error = hold.take(path)) {
    return session_->setError(error == errors::kAccessDenied ? errors::kExclusiveAccessRequired : error, {}, path);
  }
  // Read the records as stored (their keys may be stale or damaged) and write them with fresh keys
  // into a new file that then replaces the old one whole.
  if (Status error = attachLocked(path, false)) return error;
  const Status result = rebuildInto(path + ".rebuild");
  const std::string cause = session_->lastErrorCause();
  close();
  if (result == errors::kNone && !stored::replaceFile(path + ".rebuild", path)) {
    return session_->setError(errors::kCannotCreate, {}, path);
  }
  return session_->setError(result, cause, path);
}

Status DataFile::rebuildInto(const std::string& temporary) {
  const std::string path = decl_.physicalPath();
  return writeRebuilt(temporary, [&](const RecordSink& take) {
    sqlite3_stmt* read =
        session_->statement(attachment_, "SELECT pos, ver, data FROM " + attachment_->schema + ".rec ORDER BY pos");
    if (read == nullptr) return session_->fromSqlite(sqlite3_errcode(session_->db_), path);
    StatementGuard guard(read);
    int rc;
    while ((rc = sqlite3_step(read)) == SQLITE_ROW) {
      if (Status error = take({sqlite3_column_int64(read, 0), sqlite3_column_int64(read, 1), columnBytes(read, 2)}))
        return error;
    }
    return rc == SQLITE_DONE ? Status() : session_->fromSqlite(rc, path);
  });
}

Status DataFile::writeRebuilt(const std::string& temporary, const RecordSource& source) {
  if (session_ == nullptr) return notOpen();
  Session::Attachment* target = nullptr;
  if (Status error = makeEmptyFile(temporary, target)) return error;
  sqlite3* db = session_->db_;
  std::string columns = "pos, ver, data", values = "?1, ?2, ?3";
  for (std::size_t k = 0; k < decl_.keys.size(); ++k) {
    columns += ", " + keyColumn(static_cast<int>(k));
    values += ", ?" + std::to_string(k + 4);
  }
  sqlite3_stmt* write = session_->statement(
      target, "INSERT OR FAIL INTO " + target->schema + ".rec (" + columns + ") VALUES (" + values + ")");
  Status result = write == nullptr ? session_->fromSqlite(sqlite3_errcode(db), temporary) : Status();
  if (result == errors::kNone) {
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    result = source([&](const StoredRecord& record) {
      if (record.data.size() != buffer_.size())
        return session_->setError(errors::kBadFileStructure, {}, decl_.physicalPath());
      buffer_.assignBytes(record.data.data(), record.data.size());
      StatementGuard writeGuard(write);
      sqlite3_bind_int64(write, 1, record.record);
      sqlite3_bind_int64(write, 2, record.version);
      sqlite3_bind_blob(write, 3, record.data.data(), static_cast<int>(record.data.size()), SQLITE_STATIC);
      std::vector<std::string> images(decl_.keys.size());
      for (std::size_t k = 0; k < images.size(); ++k) {
        images[k] = keyImage(static_cast<int>(k));
        if (images[k].empty()) {
          sqlite3_bind_null(write, static_cast<int>(k) + 4);
        } else {
          bindBlob(write, static_cast<int>(k) + 4, images[k]);
        }
      }
      const int written = sqlite3_step(write);
      if (written == SQLITE_CONSTRAINT) return session_->setError(errors::kDuplicateKey, {}, decl_.physicalPath());
      if (written != SQLITE_DONE) return session_->fromSqlite(written, temporary);
      return Status();
    });
    buffer_.clear();
    if (result == errors::kNone && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
      result = session_->fromSqlite(sqlite3_errcode(db), temporary);
    }
    if (result != errors::kNone) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  session_->detach(target);
  if (result != errors::kNone) {
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
  }
  return result;
}

Status DataFile::attachAndCheck(int mode, bool checkCollation) {
  const std::string path = decl_.physicalPath();
  if (path.empty()) return session_->setError(errors::kInvalidFileName, {}, path);
  if (::access(path.c_str(), F_OK) != 0) {
    return session_->setError(errno == ENOENT ? errors::kFileNotFound : errors::kAccessDenied, {}, path);
  }
  if (writes(mode) && ::access(path.c_str(), W_OK) != 0) return session_->setError(errors::kAccessDenied, {}, path);
  int lockFd = -1;
  int error = sharing::acquire(path, mode, lockFd);
  // "Recover=n": wait that long for another program's conflicting open to end.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(recoverSeconds_);
  while (error == errors::kAccessDenied && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    error = sharing::acquire(path, mode, lockFd);
  }
  recoverSeconds_ = 0;
  if (error != errors::kNone) return session_->setError(error, {}, path);
  if (Status failed = attachLocked(path, checkCollation)) {
    sharing::release(lockFd, mode);
    return failed;
  }
  lockFd_ = lockFd;
  mode_ = mode;
  return Status();
}

// Attaches the file, whose sharing locks the caller holds, and checks that it was made for this
// declaration; the file is then open (with no locks of its own: the caller sets lockFd_ and mode_).
Status DataFile::attachLocked(const std::string& path, bool checkCollation) {
  Status error;
  Session::Attachment* attachment =
      session_->attach(path, decl_.encrypted ? decl_.ownerPassword : std::string(), false, error);
  if (attachment == nullptr) return error;
  // The stored layout and key order must be this declaration's.
  sqlite3_stmt* statement = session_->statement(attachment, "SELECT name, value FROM " + attachment->schema + ".meta");
  Status result;
  if (statement == nullptr) {
    const int code = sqlite3_errcode(session_->db_);
    result = session_->setError(code == SQLITE_NOTADB || code == SQLITE_CORRUPT || code == SQLITE_ERROR
                                    ? errors::kInvalidDataFile
                                    : errors::kIoError,
                                {}, path);
  } else {
    StatementGuard guard(statement);
    std::string layout, collation, format;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      const std::string name = columnText(statement, 0);
      if (name == "layout") layout = columnText(statement, 1);
      if (name == "collation") collation = columnText(statement, 1);
      if (name == "format") format = columnText(statement, 1);
    }
    if (rc != SQLITE_DONE) {
      result = session_->fromSqlite(rc, path);
    } else if (format != std::to_string(kFormatVersion) || layout != layoutSignature(decl_)) {
      result = session_->setError(errors::kBadFileStructure, {}, path);
    } else if (checkCollation && collation != session_->engine().locale().collationSignature()) {
      result = session_->setError(errors::kKeysMustBeRebuilt, {}, path);
    }
  }
  if (result != errors::kNone) {
    session_->detach(attachment);
    return result;
  }
  attachment_ = attachment;
  path_ = path;
  lockFd_ = -1;
  mode_ = 0;
  sql_ = std::make_unique<Sql>(attachment->schema, decl_);
  ++openGeneration_;
  positioned_ = false;
  current_ = 0;
  readAhead_.clear();
  recordsRead_ = 0;
  return session_->setError(errors::kNone, {}, path);
}

Status DataFile::open(int mode) {
  if (session_ == nullptr) return notOpen();
  if (isOpen()) return session_->setError(errors::kFileAlreadyOpen, {}, decl_.physicalPath());
  return attachAndCheck(mode, true);
}

Status DataFile::close() {
  if (!isOpen()) return notOpen();
  // Inside a transaction the file stays part of it: so do its locks, until the session lets it go.
  const bool heldByTransaction = session_->inTransaction() || session_->inReadTransaction();
  if (heldByTransaction) attachment_->locksHeld.emplace_back(lockFd_, mode_);
  session_->detach(attachment_);
  if (!heldByTransaction) sharing::release(lockFd_, mode_);
  attachment_ = nullptr;
  path_.clear();
  lockFd_ = -1;
  sql_.reset();
  readAhead_.clear();
  positioned_ = false;
  current_ = 0;
  erasedInTransaction_ = 0;
  return session_->setError(errors::kNone, {}, decl_.physicalPath());
}

Status DataFile::remove() {
  if (session_ == nullptr) return notOpen();
  const std::string path = decl_.physicalPath();
  if (isOpen() || session_->findAttachment(path) != nullptr)
    return session_->setError(errors::kFileAlreadyOpen, {}, path);
  if (::access(path.c_str(), F_OK) != 0) return session_->setError(errors::kFileNotFound, {}, path);
  // Held alone while it goes: nobody opens it in between and writes to a file that is gone.
  sharing::ExclusiveHold hold;
  if (int error = hold.take(path)) return session_->setError(error, {}, path);
  std::error_code ec;
  std::filesystem::remove(path, ec);
  if (ec) return session_->setError(errors::kAccessDenied, {}, path);
  std::filesystem::remove(path + "-journal", ec);
  return session_->setError(errors::kNone, {}, path);
}

Status DataFile::requireOpen() {
  if (!isOpen()) return notOpen();
  return Status();
}

Status DataFile::requireWrite() {
  if (Status error = requireOpen()) return error;
  if (!writes(mode_)) return session_->setError(errors::kAccessDenied, {}, decl_.physicalPath());
  // A read transaction ends with endRead(), which cannot report a failed commit: no writes in it.
  if (session_->inReadTransaction()) return session_->setError(errors::kTransactionActive, {}, decl_.physicalPath());
  return Status();
}

std::string DataFile::keyImage(int key) const { return session_ != nullptr ? keyImageOf(buffer_, key) : std::string(); }

std::string DataFile::keyImageOf(const RecordBuffer& record, int key) const {
  return platform::storage::keyImageOf(decl_, session_->engine().locale(), record, key);
}

void DataFile::invalidateReadAhead() { readAhead_.clear(); }

sqlite3_stmt* DataFile::statement(const std::string& sql) { return session_->statement(attachment_, sql); }

std::string DataFile::table() const { return attachment_->schema + ".rec"; }

std::uint64_t DataFile::generation() const { return attachment_ != nullptr ? attachment_->generation : 0; }

Status DataFile::adopt(std::int64_t record, std::int64_t version, const std::string& data) {
  if (data.size() != buffer_.size()) return session_->setError(errors::kBadFileStructure, {}, decl_.physicalPath());
  buffer_.assignBytes(data.data(), data.size());
  current_ = record;
  currentVersion_ = version;
  currentRecord_ = data;
  markCurrentTaken();
  // Placed at the record in physical order, as getRecord() leaves it.
  seqKey_ = -1;
  positioned_ = true;
  forward_ = true;
  readAhead_.clear();
  cursor_ = Position{record, std::string(), -1};
  inclusive_ = false;
  atEnd_ = false;
  return Status();
}

void DataFile::forget() {
  buffer_.clear();
  current_ = 0;
  erasedInTransaction_ = 0;
  currentVersion_ = 0;
  positioned_ = false;
  readAhead_.clear();
}

void DataFile::ReadAhead::push(std::int64_t record, std::int64_t version, std::string_view data,
                               std::string_view keyImage) {
  entries_.push_back(Entry{record, version, bytes_.size(), data.size(), keyImage.size()});
  bytes_.append(data);
  bytes_.append(keyImage);
}

DataFile::Row DataFile::ReadAhead::pop() {
  const Entry& e = entries_[next_++];
  const std::string_view bytes(bytes_);
  return Row{e.record, e.version, bytes.substr(e.offset, e.dataLength),
             bytes.substr(e.offset + e.dataLength, e.keyLength)};
}

void DataFile::ReadAhead::clear() {
  entries_.clear();
  bytes_.clear();
  next_ = 0;
}

Status DataFile::set() { return set(-1); }

Status DataFile::set(int key) {
  if (Status error = requireOpen()) return error;
  if (key < -1 || key >= static_cast<int>(decl_.keys.size())) return session_->setError(errors::kInvalidKey, {}, path_);
  seqKey_ = key;
  cursor_ = Position{0, std::string(), key};
  inclusive_ = false;
  atEnd_ = false;
  // Before the first record whatever the last read's direction: previous() then reads the last.
  forward_ = true;
  positioned_ = true;
  readAhead_.clear();
  batch_ = 1;
  return session_->setError(errors::kNone, {}, path_);
}

Status DataFile::setFromBuffer(int key) {
  if (Status error = set(key)) return error;
  if (key >= 0) cursor_.keyImage = keyImage(key);
  return Status();
}

Status DataFile::reset(const Position& position) {
  if (Status error = set(position.key)) return error;
  cursor_ = position;
  inclusive_ = true;
  return Status();
}

Position DataFile::position() const {
  Position here;
  here.record = current_;
  here.key = seqKey_;
  if (seqKey_ >= 0 && current_ != 0) here.keyImage = currentImage_;
  return here;
}

FileState DataFile::saveState() const {
  FileState state;
  state.record.assign(buffer_.data(), buffer_.data() + buffer_.size());
  state.cursor = cursor_;
  state.sequenceKey = seqKey_;
  state.positioned = positioned_;
  state.forward = forward_;
  state.inclusive = inclusive_;
  state.atEnd = atEnd_;
  state.current = current_;
  state.currentVersion = currentVersion_;
  state.currentRecord = currentRecord_;
  state.currentImage = currentImage_;
  state.openGeneration = openGeneration_;
  state.transaction = currentTransaction_;
  return state;
}

void DataFile::restoreState(const FileState& state) {
  buffer_.assignBytes(state.record.data(), state.record.size());
  readAhead_.clear();
  batch_ = 1;
  if (!isOpen() || state.openGeneration != openGeneration_) {
    // The sequence and the record last read belonged to an earlier open.
    positioned_ = false;
    current_ = 0;
    return;
  }
  cursor_ = state.cursor;
  seqKey_ = state.sequenceKey;
  positioned_ = state.positioned;
  forward_ = state.forward;
  inclusive_ = state.inclusive;
  atEnd_ = state.atEnd;
  current_ = state.current;
  currentVersion_ = state.currentVersion;
  currentRecord_ = state.currentRecord;
  currentImage_ = state.currentImage;
  currentTransaction_ = state.transaction;
}

Status DataFile::fill(bool forward) {
  readAhead_.clear();
  readAheadGeneration_ = attachment_->generation;
  const int wanted = quickScan_ ? batch_ : 1;
  if (quickScan_ && batch_ < kMaxReadAhead) batch_ = std::min(kMaxReadAhead, batch_ * 16);
  auto collect = [&](sqlite3_stmt* statement, bool withKey) {
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      ++recordsRead_;
      readAhead_.push(sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1), columnBytes(statement, 2),
                      withKey ? columnBytes(statement, 3) : std::string_view());
    }
    return rc;
  };
  auto run = [&](const std::string& sql, auto&& bind, bool withKey) {
    sqlite3_stmt* statement = session_->statement(attachment_, sql);
    if (statement == nullptr) return SQLITE_ERROR;
    StatementGuard guard(statement);
    bind(statement);
    return collect(statement, withKey);
  };
  int rc = SQLITE_DONE;
  // Records at the cursor's own position may be read again only right after reset().
  const std::int64_t bound =
      forward ? (inclusive_ ? cursor_.record - 1 : cursor_.record) : (inclusive_ ? cursor_.record + 1 : cursor_.record);
  if (seqKey_ < 0) {
    const std::int64_t from = atEnd_ ? LLONG_MAX : bound;
    rc = run(
        forward ? sql_->physicalForward : sql_->physicalBackward,
        [&](sqlite3_stmt* s) {
          sqlite3_bind_int64(s, 1, from);
          sqlite3_bind_int(s, 2, wanted);
        },
        false);
  } else {
    const Sql::PerKey& key = sql_->keys[static_cast<std::size_t>(seqKey_)];
    if (!forward && atEnd_) {
      rc = run(
          key.backwardLast, [&](sqlite3_stmt* s) { sqlite3_bind_int(s, 1, wanted); }, true);
    } else {
      const bool haveImage = !cursor_.keyImage.empty();
      if (haveImage) {
        rc = run(
            forward ? key.forwardEqual : key.backwardEqual,
            [&](sqlite3_stmt* s) {
              bindBlob(s, 1, cursor_.keyImage);
              sqlite3_bind_int64(s, 2, bound);
              sqlite3_bind_int(s, 3, wanted);
            },
            true);
      }
      // Once a run of equal key values is read to its end, read ahead just one record beyond it:
      // a caller reading one key value's records stops there, and the records after it may lie
      // anywhere in the file, each costing a page read.
      const int rest = readAhead_.empty() ? wanted : std::min(1, wanted - static_cast<int>(readAhead_.size()));
      if ((rc == SQLITE_DONE) && rest > 0 && (haveImage || forward)) {
        rc = run(
            forward ? key.forwardAfter : key.backwardBefore,
            [&](sqlite3_stmt* s) {
              bindBlob(s, 1, cursor_.keyImage);
              sqlite3_bind_int(s, 2, rest);
            },
            true);
      }
    }
  }
  if (rc != SQLITE_DONE) {
    readAhead_.clear();
    return session_->fromSqlite(rc, path_);
  }
  return Status();
}

// Records read ahead are dropped when the file is written or the direction turns; a loop that
// writes every record it reads would otherwise fetch a whole batch again for each record.
void DataFile::restartBatchIfDropped() {
  if (!readAhead_.empty() || readAheadGeneration_ != attachment_->generation) batch_ = 1;
}

Status DataFile::take(const Row& row) {
  if (row.data.size() != buffer_.size()) return session_->setError(errors::kBadFileStructure, {}, path_);
  buffer_.assignBytes(row.data.data(), row.data.size());
  current_ = row.record;
  currentVersion_ = row.version;
  currentRecord_.assign(row.data);
  markCurrentTaken();
  if (seqKey_ >= 0) currentImage_.assign(row.keyImage);
  cursor_.record = row.record;
  cursor_.key = seqKey_;
  if (seqKey_ >= 0) cursor_.keyImage.assign(row.keyImage);
  inclusive_ = false;
  atEnd_ = false;
  return session_->setError(errors::kNone, {}, path_);
}

// A record read ahead goes to the caller only if it moves the sequence on (see movesOn); one that
// does not comes from a damaged file, whose key must be rebuilt.
Status DataFile::takeNext(const Row& row) {
  // The first record from the end follows nothing.
  const bool first = !forward_ && atEnd_;
  const bool keyed = seqKey_ >= 0;
  if (!first &&
      !movesOn(keyed ? row.keyImage : std::string_view(), row.record,
               keyed ? std::string_view(cursor_.keyImage) : std::string_view(), cursor_.record, forward_, inclusive_)) {
    readAhead_.clear();
    return session_->setError(errors::kKeysMustBeRebuilt, {}, path_);
  }
  return take(row);
}

Status DataFile::next() {
  if (Status error = requireOpen()) return error;
  if (!positioned_) return session_->setError(errors::kRecordNotAvailable, {}, path_);
  if (!forward_ || readAhead_.empty() || readAheadGeneration_ != attachment_->generation) {
    restartBatchIfDropped();
    forward_ = true;
    if (atEnd_) return session_->setError(errors::kRecordNotAvailable, {}, path_);
    if (Status error = fill(true)) return error;
  }
  if (readAhead_.empty()) {
    // Past the last record: previous() now reads the last one.
    atEnd_ = true;
    return session_->setError(errors::kRecordNotAvailable, {}, path_);
  }
  return takeNext(readAhead_.pop());
}

Status DataFile::previous() {
  if (Status error = requireOpen()) return error;
  if (!positioned_) return session_->setError(errors::kRecordNotAvailable, {}, path_);
  if (forward_ || readAhead_.empty() || readAheadGeneration_ != attachment_->generation) {
    restartBatchIfDropped();
    if (forward_ && cursor_.record == 0 && cursor_.keyImage.empty() && !inclusive_)
      atEnd_ = true;  // set() then previous()
    forward_ = false;
    if (Status error = fill(false)) return error;
  }
  if (readAhead_.empty()) return session_->setError(errors::kRecordNotAvailable, {}, path_);
  return takeNext(readAhead_.pop());
}

Status DataFile::get(int key) {
  if (Status error = requireOpen()) return error;
  if (key < 0 || key >= static_cast<int>(decl_.keys.size())) return session_->setError(errors::kInvalidKey, {}, path_);
  const std::string image = keyImage(key);
  if (image.empty()) return session_->setError(errors::kRecordNotFound, {}, path_);
  sqlite3_stmt* statement = session_->statement(attachment_, sql_->keys[static_cast<std::size_t>(key)].get);
  if (statement == nullptr) return session_->fromSqlite(sqlite3_errcode(session_->db_), path_);
  StatementGuard guard(statement);
  bindBlob(statement, 1, image);
  const int rc = sqlite3_step(statement);
  if (rc == SQLITE_DONE) return session_->setError(errors::kRecordNotFound, {}, path_);
  if (rc != SQLITE_ROW) return session_->fromSqlite(rc, path_);
  // A get places the sequence at the record, in the key's order.
  seqKey_ = key;
  positioned_ = true;
  forward_ = true;
  readAhead_.clear();
  return take(
      Row{sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1), columnBytes(statement, 2), image});
}

Status DataFile::getRecord(std::int64_t record) {
  if (Status error = requireOpen()) return error;
  sqlite3_stmt* statement = session_->statement(attachment_, sql_->byRecord);
  if (statement == nullptr) return session_->fromSqlite(sqlite3_errcode(session_->db_), path_);
  StatementGuard guard(statement);
  sqlite3_bind_int64(statement, 1, record);
  const int rc = sqlite3_step(statement);
  if (rc == SQLITE_DONE) return session_->setError(errors::kRecordNotFound, {}, path_);
  if (rc != SQLITE_ROW) return session_->fromSqlite(rc, path_);
  seqKey_ = -1;
  positioned_ = true;
  forward_ = true;
  readAhead_.clear();
  return take(
      Row{sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1), columnBytes(statement, 2), {}});
}

std::int64_t DataFile::records() {
  if (requireOpen() != errors::kNone) return 0;
  sqlite3_stmt* statement = session_->statement(attachment_, sql_->count);
  if (statement == nullptr) {
    session_->fromSqlite(sqlite3_errcode(session_->db_), path_);
    return 0;
  }
  StatementGuard guard(statement);
  if (const int rc = sqlite3_step(statement); rc != SQLITE_ROW) {
    session_->fromSqlite(rc, path_);
    return 0;
  }
  session_->setError(errors::kNone, {}, path_);
  return sqlite3_column_int64(statement, 0);
}

int DataFile::findDuplicate(std::int64_t exceptRecord) {
  for (std::size_t k = 0; k < decl_.keys.size(); ++k) {
    if (decl_.keys[k].duplicates) continue;
    const std::string image = keyImage(static_cast<int>(k));
    if (image.empty()) continue;
    sqlite3_stmt* statement =
        session_->statement(attachment_, exceptRecord ? sql_->keys[k].existsOther : sql_->keys[k].exists);
    if (statement == nullptr) continue;
    StatementGuard guard(statement);
    bindBlob(statement, 1, image);
    if (exceptRecord) sqlite3_bind_int64(statement, 2, exceptRecord);
    if (sqlite3_step(statement) == SQLITE_ROW) return static_cast<int>(k);
  }
  return -1;
}

Status DataFile::add() {
  if (Status error = requireWrite()) return error;
  duplicateKey_ = -1;
  sqlite3_stmt* statement = session_->statement(attachment_, sql_->insert);
  if (statement == nullptr) return session_->fromSqlite(sqlite3_errcode(session_->db_), path_);
  std::vector<std::string> images(decl_.keys.size());
  int rc;
  {
    StatementGuard guard(statement);
    sqlite3_bind_blob(statement, 1, buffer_.data(), static_cast<int>(buffer_.size()), SQLITE_STATIC);
    for (std::size_t k = 0; k < images.size(); ++k) {
      images[k] = keyImage(static_cast<int>(k));
      if (images[k].empty()) {
        sqlite3_bind_null(statement, static_cast<int>(k) + 2);
      } else {
        bindBlob(statement, static_cast<int>(k) + 2, images[k]);
      }
    }
    rc = sqlite3_step(statement);
  }
  ++attachment_->generation;
  batch_ = 1;
  if (rc == SQLITE_CONSTRAINT) {
    duplicateKey_ = findDuplicate(0);
    return session_->setError(errors::kDuplicateKey, {}, path_);
  }
  if (rc != SQLITE_DONE) return session_->fromSqlite(rc, path_);
  current_ = sqlite3_last_insert_rowid(session_->db_);
  keepBeforeWrite(true);
  currentVersion_ = 1;
  currentRecord_.assign(reinterpret_cast<const char*>(buffer_.data()), buffer_.size());
  markCurrentTaken();
  if (seqKey_ >= 0) currentImage_ = std::move(images[static_cast<std::size_t>(seqKey_)]);
  return session_->setError(errors::kNone, {}, path_);
}

Status DataFile::append() { return add(); }

// After an update or delete touched no row: the record changed (kRecordChanged) or is gone
// (kRecordNotAvailable).
static int missedRecordError(Session& session, sqlite3_stmt* version, std::int64_t record) {
  StatementGuard guard(version);
  sqlite3_bind_int64(version, 1, record);
  return sqlite3_step(version) == SQLITE_ROW ? errors::kRecordChanged : errors::kRecordNotAvailable;
}

Status DataFile::put() {
  if (Status error = requireWrite()) return error;
  duplicateKey_ = -1;
  if (current_ == 0) return session_->setError(errors::kRecordNotAvailable, {}, path_);
  // Only the keys whose values changed are rewritten: an index entry rewritten needlessly costs
  // pages, and in a large file a page read and written for each of them.
  std::vector<std::string> images(decl_.keys.size());
  std::uint64_t changed = 0;
  const bool known = currentRecord_.size() == buffer_.size() && images.size() <= 64;
  RecordBuffer stored(buffer_.layout());
  if (known) stored.assignBytes(currentRecord_.data(), currentRecord_.size());
  for (std::size_t k = 0; k < images.size(); ++k) {
    images[k] = keyImage(static_cast<int>(k));
    if (!known || images[k] != keyImageOf(stored, static_cast<int>(k))) changed |= std::uint64_t{1} << (k % 64);
  }
  if (!known) changed = ~std::uint64_t{0};
  sqlite3_stmt* statement = session_->statement(attachment_, sql_->updateOf(changed));
  if (statement == nullptr) return session_->fromSqlite(sqlite3_errcode(session_->db_), path_);
  int rc;
  {
    StatementGuard guard(statement);
    sqlite3_bind_blob(statement, 1, buffer_.data(), static_cast<int>(buffer_.size()), SQLITE_STATIC);
    for (std::size_t k = 0; k < images.size(); ++k) {
      if ((changed & (std::uint64_t{1} << (k % 64))) == 0) continue;
      if (images[k].empty()) {
        sqlite3_bind_null(statement, static_cast<int>(k) + 2);
      } else {
        bindBlob(statement, static_cast<int>(k) + 2, images[k]);
      }
    }
    const int n = static_cast<int>(images.size()) + 2;
    sqlite3_bind_int64(statement, n, current_);
    sqlite3_bind_int64(statement, n + 1, currentVersion_);
    rc = sqlite3_step(statement);
  }
  ++attachment_->generation;
  batch_ = 1;  // a scan that rewrites as it goes would throw its read-ahead away at every record
  if (rc == SQLITE_CONSTRAINT) {
    duplicateKey_ = findDuplicate(current_);
    return session_->setError(errors::kDuplicateKey, {}, path_);
  }
  if (rc != SQLITE_DONE) return session_->fromSqlite(rc, path_);
  if (sqlite3_changes(session_->db_) == 0) {
    return session_->setError(missedRecordError(*session_, session_->statement(attachment_, sql_->version), current_),
                              {}, path_);
  }
  keepBeforeWrite(false);
  ++currentVersion_;
  currentRecord_.assign(reinterpret_cast<const char*>(buffer_.data()), buffer_.size());
  markCurrentTaken();
  if (seqKey_ >= 0) currentImage_ = std::move(images[static_cast<std::size_t>(seqKey_)]);
  return session_->setError(errors::kNone, {}, path_);
}

Status DataFile::erase() {
  if (Status error = requireWrite()) return error;
  if (current_ == 0) return session_->setError(errors::kRecordNotAvailable, {}, path_);
  sqlite3_stmt* statement = session_->statement(attachment_, sql_->erase);
  if (statement == nullptr) return session_->fromSqlite(sqlite3_errcode(session_->db_), path_);
  int rc;
  {
    StatementGuard guard(statement);
    sqlite3_bind_int64(statement, 1, current_);
    sqlite3_bind_int64(statement, 2, currentVersion_);
    rc = sqlite3_step(statement);
  }
  ++attachment_->generation;
  batch_ = 1;
  if (rc != SQLITE_DONE) return session_->fromSqlite(rc, path_);
  if (sqlite3_changes(session_->db_) == 0) {
    return session_->setError(missedRecordError(*session_, session_->statement(attachment_, sql_->version), current_),
                              {}, path_);
  }
  keepBeforeWrite(false);
  erasedInTransaction_ = session_->inTransaction() ? current_ : 0;
  current_ = 0;
  return session_->setError(errors::kNone, {}, path_);
}

void DataFile::markCurrentTaken() { currentTransaction_ = session_->inTransaction() ? session_->transaction_ : 0; }

void DataFile::keepBeforeWrite(bool added) {
  if (!session_->inTransaction()) return;
  auto& written = attachment_->written;
  if (added) {
    // A record number given again to a record added: what stood there before no longer does.
    if (const auto before = written.find(current_); before != written.end()) {
      before->second.placeTaken = true;
    } else {
      attachment_->added.insert(current_);
    }
    return;
  }
  if (attachment_->added.count(current_) != 0) return;  // added by this transaction: nothing stood there
  written.try_emplace(current_, Session::Attachment::Before{false, currentVersion_, currentRecord_});
}

// A buffer whose record last read was read before the transaction holds the stored record again
// once the transaction is rolled back. One that read or wrote it inside the transaction holds what
// the transaction made of it: it is set back to the record as stored before the transaction, or
// to no record when the transaction added it.
void DataFile::transactionEnded(bool committed) {
  const std::int64_t erased = std::exchange(erasedInTransaction_, 0);
  const bool takenInIt = currentTransaction_ != 0 && currentTransaction_ == session_->transaction_;
  currentTransaction_ = 0;
  if (committed || attachment_ == nullptr) return;
  const auto& written = attachment_->written;
  auto takeBefore = [&](std::int64_t record, const Session::Attachment::Before& before) {
    current_ = record;
    currentVersion_ = before.version;
    currentRecord_ = before.data;
    currentImage_.clear();
    if (seqKey_ >= 0 && currentRecord_.size() == buffer_.size()) {
      RecordBuffer stored(buffer_.layout());
      stored.assignBytes(currentRecord_.data(), currentRecord_.size());
      currentImage_ = keyImageOf(stored, seqKey_);
    }
  };
  if (current_ == 0) {
    // The record it erased is back.
    const auto it = written.find(erased);
    if (it != written.end()) takeBefore(erased, it->second);
    return;
  }
  if (!takenInIt) return;
  const auto it = written.find(current_);
  if (it == written.end()) {
    // Added in it: gone again. Otherwise not written: it is stored as it was read.
    if (attachment_->added.count(current_) != 0) current_ = 0;
  } else if (it->second.placeTaken) {
    current_ = 0;
  } else {
    takeBefore(current_, it->second);
  }
}

Status DataFile::sendOption(std::string_view option) {
  if (session_ == nullptr) return notOpen();
  auto upper = [](std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
  };
  const std::string text = upper(option);
  if (text == "QUICKSCAN=ON" || text == "QUICKSCAN=OFF") {
    quickScan_ = text == "QUICKSCAN=ON";
    readAhead_.clear();
    batch_ = 1;
    return session_->setError(errors::kNone, {}, decl_.physicalPath());
  }
  if (text.rfind("RECOVER=", 0) == 0) {
    const std::string digits = text.substr(8);
    if (!digits.empty() && digits.size() <= 4 && digits.find_first_not_of("0123456789") == std::string::npos) {
      recoverSeconds_ = std::stoi(digits);
      return session_->setError(errors::kNone, {}, decl_.physicalPath());
    }
  }
  return session_->setError(errors::kNotSupported, {}, decl_.physicalPath());
}

}  // namespace platform::storage
