#include "platform/storage/file_check.h"

#include <fcntl.h>
#include <sqlcipher/sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "platform/core/record.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/key_image.h"
#include "platform/storage/sharing.h"
#include "platform/storage/stored_format.h"

namespace platform::storage {
namespace {

namespace fs = std::filesystem;
using stored::keyColumn;

// How long a reader waits for a program's commit to end before it gives up.
constexpr int kBusyMilliseconds = 10000;
// How many findings of the engine's integrity check are told one by one.
constexpr std::size_t kStructureFindingsTold = 5;
// Record numbers tried one by one after a page that cannot be read, before the steps double.
constexpr int kNumbersTriedOneByOne = 64;

// A page the cipher refuses, or a structure that makes no sense.
bool isDamage(int rc) { return (rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB; }

// The runtime error number of an engine failure as a check reports it: damage is an invalid data
// file here (the driver reads it as keys to rebuild, which is what its callers can do about it).
int runtimeError(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return errors::kNone;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return errors::kInvalidDataFile;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return errors::kFileLocked;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
      return errors::kAccessDenied;
    case SQLITE_NOMEM:
      return errors::kOutOfMemory;
    case SQLITE_FULL:
      return errors::kDiskFull;
    default:
      return errors::kIoError;
  }
}

// A connection of its own on one data file, outside every Session: a page that cannot be read then
// ends only the statement that met it (the engine forgets the failure once that statement's read
// ends), and nothing else shares its transaction.
class Connection {
 public:
  Connection() = default;
  ~Connection() { close(); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // `key` is the raw key text (empty for a file that is not encrypted).
  int open(const std::string& path, const std::string& key, bool readOnly) {
    close();
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) return rc;
    sqlite3_busy_timeout(db_, kBusyMilliseconds);
    if (!key.empty()) rc = sqlite3_key(db_, key.data(), static_cast<int>(key.size()));
    if (rc == SQLITE_OK) rc = exec("PRAGMA cipher_page_size = " + std::to_string(stored::kPageSize));
    return rc;
  }
  void close() {
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = nullptr;
  }
  sqlite3* db() const { return db_; }
  int exec(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr); }

 private:
  sqlite3* db_ = nullptr;
};

// A prepared statement. step() after a finished or failed run starts it again, so that the read
// of a run never outlasts it.
class Statement {
 public:
  Statement(const Connection& connection, const std::string& sql) {
    prepared_ = sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &statement_, nullptr);
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool usable() const { return prepared_ == SQLITE_OK && statement_ != nullptr; }
  // Binds and starts a new run; the first step's code.
  int start(std::initializer_list<std::int64_t> values) {
    if (!usable()) return prepared_ == SQLITE_OK ? SQLITE_ERROR : prepared_;
    sqlite3_reset(statement_);
    int index = 1;
    for (std::int64_t value : values) sqlite3_bind_int64(statement_, index++, value);
    return step();
  }
  int step() {
    const int rc = sqlite3_step(statement_);
    if (rc != SQLITE_ROW) sqlite3_reset(statement_);
    return rc;
  }
  void finish() {
    if (statement_ != nullptr) sqlite3_reset(statement_);
  }
  sqlite3_stmt* get() const { return statement_; }

 private:
  sqlite3_stmt* statement_ = nullptr;
  int prepared_ = SQLITE_OK;
};

std::string_view columnBytes(sqlite3_stmt* statement, int column) {
  const void* bytes = sqlite3_column_blob(statement, column);
  const int length = sqlite3_column_bytes(statement, column);
  return bytes == nullptr ? std::string_view()
                          : std::string_view(static_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

std::string columnText(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text));
}

// ---- Reading every record that can be read ----

// A record as the reader hands it out: valid during the call.
struct StoredRow {
  std::int64_t record;
  std::int64_t version;
  std::string_view data;
  sqlite3_stmt* statement;  // column 3 + k holds key k's stored image
};
// Takes a row: 0, or a runtime error number that ends the reading.
using RowSink = std::function<int(const StoredRow&)>;

// Reads a table whose pages may be damaged. A scan in record-number order stops at a page that
// cannot be read; the reading goes on at the first record after it that can be read, found
// through the record numbers the keys list (each tried alone), or, when no key lists them all, by
// trying the numbers that follow, one by one and then in doubling steps. Finally every number a
// key lists that was not read is tried alone: those that fail are the records lost.
class RecordReader {
 public:
  RecordReader(const Connection& connection, const FileDecl& decl)
      : connection_(connection),
        decl_(decl),
        scan_(connection, select() + " WHERE pos >= ?1 ORDER BY pos"),
        firstFrom_(connection, select() + " WHERE pos >= ?1 ORDER BY pos LIMIT 1"),
        one_(connection, select() + " WHERE pos = ?1") {}

  // Hands every record that can be read to `sink`: 0, or the runtime error number of a failure
  // other than damage (or the sink's).
  int read(const RowSink& sink, RecordsRead& out) {
    sink_ = &sink;
    std::int64_t from = LLONG_MIN;
    for (;;) {
      std::optional<std::int64_t> last;
      int rc = scanFrom(from, last);
      if (rc == SQLITE_DONE) break;
      if (!isDamage(rc)) return failure(rc);
      const std::int64_t start = last ? *last + 1 : from;
      if (!knownLoaded_) loadKnownNumbers(start);
      std::optional<std::int64_t> resumed;
      if (int error = nextReadable(start, resumed)) return error;
      regions_.push_back({start, resumed ? *resumed - 1 : LLONG_MAX});
      if (!resumed || *resumed == LLONG_MAX) break;
      from = *resumed + 1;
    }
    if (int error = tryKnownNumbersNotRead()) return error;
    out.read = delivered_;
    out.exact = !knownLoaded_ || complete_;
    out.unreadable = static_cast<std::int64_t>(lost_.size());
    out.gaps = gaps();
    return errors::kNone;
  }

 private:
  std::string select() const {
    std::string columns = "pos, ver, data";
    for (std::size_t k = 0; k < decl_.keys.size(); ++k) columns += ", " + keyColumn(static_cast<int>(k));
    return "SELECT " + columns + " FROM rec";
  }

  int failure(int rc) const { return sinkError_ != errors::kNone ? sinkError_ : runtimeError(rc); }

  // Hands the statement's row out. False when the sink refused it (sinkError_ set).
  bool deliver(Statement& statement) {
    sqlite3_stmt* row = statement.get();
    const std::int64_t record = sqlite3_column_int64(row, 0);
    if (knownLoaded_) readAfterDamage_.push_back(record);
    ++delivered_;
    sinkError_ = (*sink_)(StoredRow{record, sqlite3_column_int64(row, 1), columnBytes(row, 2), row});
    return sinkError_ == errors::kNone;
  }

  // Records from `from` on, until the end or a page that cannot be read. `last`: the last handed out.
  int scanFrom(std::int64_t from, std::optional<std::int64_t>& last) {
    int rc = scan_.start({from});
    for (; rc == SQLITE_ROW; rc = scan_.step()) {
      last = sqlite3_column_int64(scan_.get(), 0);
      if (!deliver(scan_)) {
        scan_.finish();
        return SQLITE_ABORT;
      }
    }
    return rc;
  }

  // The record numbers the keys list, from `from` on (the records before it were all read). Every
  // key that can be read, or read in part, adds its numbers; one key without optional components
  // read to its end lists them all.
  void loadKnownNumbers(std::int64_t from) {
    knownLoaded_ = true;
    for (std::size_t k = 0; k < decl_.keys.size(); ++k) {
      const std::string column = keyColumn(static_cast<int>(k));
      Statement entries(connection_, "SELECT pos FROM rec INDEXED BY rec_" + column + " WHERE " + column +
                                         " IS NOT NULL AND pos >= ?1");
      std::vector<std::int64_t> numbers;
      int rc = entries.start({from});
      for (; rc == SQLITE_ROW; rc = entries.step()) numbers.push_back(sqlite3_column_int64(entries.get(), 0));
      if (rc == SQLITE_DONE && !decl_.keys[k].optional) complete_ = true;
      std::sort(numbers.begin(), numbers.end());
      std::vector<std::int64_t> merged;
      std::set_union(known_.begin(), known_.end(), numbers.begin(), numbers.end(), std::back_inserter(merged));
      known_ = std::move(merged);
    }
  }

  // After a page that cannot be read at `start`: hands out the first record after it that can be
  // read and gives its number in `resumed` (none when there is none).
  int nextReadable(std::int64_t start, std::optional<std::int64_t>& resumed) {
    if (complete_) {
      for (auto it = std::lower_bound(known_.begin(), known_.end(), start); it != known_.end(); ++it) {
        const int rc = one_.start({*it});
        if (rc == SQLITE_ROW) {
          resumed = *it;
          const bool taken = deliver(one_);
          one_.finish();
          return taken ? errors::kNone : sinkError_;
        }
        if (rc != SQLITE_DONE && !isDamage(rc)) return failure(rc);
      }
      return errors::kNone;
    }
    // Numbers no key lists: try those that follow. A try at `q` reads the first record from q on;
    // it fails while q lies in what the damaged page covers.
    std::int64_t failed = start == LLONG_MIN ? start : start - 1;  // the last number whose try failed
    std::int64_t step = 1;
    for (int tries = 0;; ++tries) {
      if (tries >= kNumbersTriedOneByOne) step = step > LLONG_MAX / 2 ? LLONG_MAX : step * 2;
      const std::int64_t q = failed > LLONG_MAX - step ? LLONG_MAX : failed + step;
      const int rc = firstFrom_.start({q});
      if (rc == SQLITE_DONE) return errors::kNone;
      if (rc == SQLITE_ROW) {
        firstFrom_.finish();
        // A step longer than one may have passed over records that can be read: the first try
        // that works between the last failure and q.
        std::int64_t works = q;
        while (works - failed > 1) {
          const std::int64_t middle = failed + (works - failed) / 2;
          const int tried = firstFrom_.start({middle});
          firstFrom_.finish();
          if (tried == SQLITE_ROW) {
            works = middle;
          } else if (isDamage(tried)) {
            failed = middle;
          } else if (tried == SQLITE_DONE) {
            works = middle;  // nothing from there on: the record found at q cannot be beyond it
          } else {
            return failure(tried);
          }
        }
        const int again = firstFrom_.start({works});
        if (again != SQLITE_ROW) return again == SQLITE_DONE || isDamage(again) ? errors::kNone : failure(again);
        resumed = sqlite3_column_int64(firstFrom_.get(), 0);
        const bool taken = deliver(firstFrom_);
        firstFrom_.finish();
        return taken ? errors::kNone : sinkError_;
      }
      if (!isDamage(rc)) return failure(rc);
      failed = q;
      if (q == LLONG_MAX) return errors::kNone;
    }
  }

  // Every number a key lists that no read handed out is tried alone: a record read so is kept,
  // one that cannot be read is lost; a number without a record was a stale key entry.
  int tryKnownNumbersNotRead() {
    std::sort(readAfterDamage_.begin(), readAfterDamage_.end());
    for (std::int64_t number : known_) {
      if (std::binary_search(readAfterDamage_.begin(), readAfterDamage_.end(), number)) continue;
      const int rc = one_.start({number});
      if (rc == SQLITE_ROW) {
        const bool taken = deliver(one_);
        one_.finish();
        if (!taken) return sinkError_;
      } else if (isDamage(rc)) {
        lost_.push_back(number);
      } else if (rc != SQLITE_DONE) {
        return failure(rc);
      }
    }
    return errors::kNone;
  }

  // Where records were lost: runs of lost numbers with nothing read between them, or, when the
  // keys could not list every number, each stretch of numbers that could not be read.
  std::vector<UnreadableRecords> gaps() const {
    std::vector<UnreadableRecords> out;
    if (knownLoaded_ && complete_) {
      for (std::int64_t number : lost_) {
        const auto at = std::lower_bound(known_.begin(), known_.end(), number);
        const bool follows = !out.empty() && at != known_.begin() && *(at - 1) == out.back().last &&
                             std::binary_search(lost_.begin(), lost_.end(), *(at - 1));
        if (follows) {
          out.back().last = number;
          ++out.back().records;
        } else {
          out.push_back({number, number, 1});
        }
      }
      return out;
    }
    for (const auto& [first, last] : regions_) {
      const auto from = std::lower_bound(lost_.begin(), lost_.end(), first);
      const auto to = std::upper_bound(lost_.begin(), lost_.end(), last);
      out.push_back({first, last, static_cast<std::int64_t>(to - from)});
    }
    return out;
  }

  const Connection& connection_;
  const FileDecl& decl_;
  Statement scan_, firstFrom_, one_;
  const RowSink* sink_ = nullptr;
  int sinkError_ = errors::kNone;
  std::int64_t delivered_ = 0;
  bool knownLoaded_ = false;
  bool complete_ = false;                      // known_ lists every record number
  std::vector<std::int64_t> known_;            // record numbers the keys list (from the first damage on)
  std::vector<std::int64_t> readAfterDamage_;  // numbers handed out once known_ was loaded
  std::vector<std::int64_t> lost_;             // known numbers that could not be read, ascending
  std::vector<std::pair<std::int64_t, std::int64_t>> regions_;  // stretches a scan could not read
};

// ---- Checking ----

// The key images of each record read, against the stored ones.
class KeyTally {
 public:
  KeyTally(const FileDecl& decl, const Locale& locale)
      : decl_(decl), locale_(locale), buffer_(decl.layout), keys_(decl.keys.size()) {}

  int take(const StoredRow& row, RecordsRead& records) {
    if (row.data.size() != buffer_.size()) {
      if (records.wrongLength++ == 0) records.firstWrongLength = row.record;
      return errors::kNone;
    }
    buffer_.assignBytes(row.data.data(), row.data.size());
    for (std::size_t k = 0; k < keys_.size(); ++k) {
      const std::string fresh = keyImageOf(decl_, locale_, buffer_, static_cast<int>(k));
      const int column = 3 + static_cast<int>(k);
      const bool storedNull = sqlite3_column_type(row.statement, column) == SQLITE_NULL;
      const bool agrees = storedNull ? fresh.empty() : !fresh.empty() && columnBytes(row.statement, column) == fresh;
      PerKey& key = keys_[k];
      if (!fresh.empty()) ++key.expected;
      if (agrees) continue;
      if (key.disagreeing++ == 0) key.firstDisagreeing = row.record;
      if (!decl_.keys[k].duplicates && !fresh.empty()) key.changed.push_back({fresh, row.record});
    }
    return errors::kNone;
  }

  // Each key's findings, counted against its stored entries.
  void judge(const Connection& connection, const RecordsRead& records, std::vector<KeyFinding>& out) {
    const bool allRead = records.unreadable == 0 && records.exact && records.gaps.empty() && records.wrongLength == 0;
    for (std::size_t k = 0; k < keys_.size(); ++k) {
      PerKey& key = keys_[k];
      KeyFinding finding;
      finding.key = static_cast<int>(k);
      finding.disagreeing = key.disagreeing;
      finding.firstDisagreeing = key.firstDisagreeing;
      const std::string column = keyColumn(static_cast<int>(k));
      Statement count(connection,
                      "SELECT count(*) FROM rec INDEXED BY rec_" + column + " WHERE " + column + " IS NOT NULL");
      const int rc = count.start({});
      if (rc == SQLITE_ROW) {
        const std::int64_t entries = sqlite3_column_int64(count.get(), 0);
        if (allRead && entries != key.expected) {
          finding.entries = entries;
          finding.expected = key.expected;
        }
      } else {
        finding.unreadable = true;
      }
      count.finish();
      if (!decl_.keys[k].duplicates) findDuplicate(connection, static_cast<int>(k), finding);
      if (finding.unreadable || finding.disagreeing != 0 || finding.entries >= 0 || finding.duplicate[0] != 0) {
        out.push_back(finding);
      }
    }
  }

 private:
  struct PerKey {
    std::int64_t expected = 0;  // records with an image in the key
    std::int64_t disagreeing = 0;
    std::int64_t firstDisagreeing = 0;
    std::vector<std::pair<std::string, std::int64_t>> changed;  // fresh images that differ from the stored ones
  };

  // Two records with one fresh value of a unique key. Records whose images agree hold distinct
  // stored values (the key is unique), so a collision involves a record whose image changed: with
  // another such record, or with a record that holds that value as stored and agrees.
  void findDuplicate(const Connection& connection, int k, KeyFinding& finding) {
    auto& changed = keys_[static_cast<std::size_t>(k)].changed;
    std::sort(changed.begin(), changed.end());
    for (std::size_t i = 1; i < changed.size(); ++i) {
      if (changed[i].first == changed[i - 1].first) {
        finding.duplicate[0] = changed[i - 1].second;
        finding.duplicate[1] = changed[i].second;
        return;
      }
    }
    std::set<std::int64_t> changedRecords;
    for (const auto& entry : changed) changedRecords.insert(entry.second);
    const std::string column = keyColumn(k);
    Statement holder(connection, "SELECT pos FROM rec WHERE " + column + " = ?1 AND pos <> ?2");
    if (!holder.usable()) return;
    for (const auto& [image, record] : changed) {
      sqlite3_reset(holder.get());
      sqlite3_bind_blob(holder.get(), 1, image.data(), static_cast<int>(image.size()), SQLITE_STATIC);
      sqlite3_bind_int64(holder.get(), 2, record);
      for (int rc = holder.step(); rc == SQLITE_ROW; rc = holder.step()) {
        const std::int64_t other = sqlite3_column_int64(holder.get(), 0);
        if (changedRecords.count(other) == 0) {
          holder.finish();
          finding.duplicate[0] = std::min(record, other);
          finding.duplicate[1] = std::max(record, other);
          return;
        }
      }
    }
  }

  const FileDecl& decl_;
  const Locale& locale_;
  RecordBuffer buffer_;
  std::vector<PerKey> keys_;
};

// "rec_k3" in the engine's words becomes the key's name.
std::string withKeyNames(std::string text, const FileDecl& decl) {
  const std::string table = "rec_k";
  for (std::size_t at = text.find(table); at != std::string::npos; at = text.find(table, at + 1)) {
    std::size_t end = at + table.size();
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end == at + table.size()) continue;
    const int key = std::atoi(text.c_str() + at + table.size());
    if (key < 0 || key >= static_cast<int>(decl.keys.size())) continue;
    text.replace(at, end - at, decl.keyName(key));
  }
  return text;
}

// The page number of an integrity-check finding that a page cannot be read, else 0.
std::int64_t unreadablePage(const std::string& line) {
  if (line.rfind("Page ", 0) != 0) return 0;
  const bool unreadable = line.find("btreeInitPage() returns error code") != std::string::npos ||
                          line.find("unable to get the page") != std::string::npos;
  return unreadable ? std::atoll(line.c_str() + 5) : 0;
}

// Checks one file through a connection on it.
class Checker {
 public:
  Checker(const Connection& connection, const FileDecl& decl, const Locale& locale)
      : connection_(connection), decl_(decl), locale_(locale) {}

  FileCheck run() {
    FileCheck out;
    out.state = FileCheck::State::kDamaged;
    {
      Statement schema(connection_, "SELECT count(*) FROM sqlite_master");
      if (const int rc = schema.start({}); rc != SQLITE_ROW) return unreadable(out, rc);
    }
    if (!description(out)) return out;
    integrity(out);
    KeyTally tally(decl_, locale_);
    RecordReader reader(connection_, decl_);
    const int error = reader.read([&](const StoredRow& row) { return tally.take(row, out.records); }, out.records);
    if (error != errors::kNone) {
      out.state = FileCheck::State::kUnreadable;
      out.error = error;
      return out;
    }
    out.records.read -= out.records.wrongLength;
    tally.judge(connection_, out.records, out.keys);
    const RecordsRead& records = out.records;
    const bool whole = records.unreadable == 0 && records.gaps.empty() && records.wrongLength == 0;
    if (whole && !out.descriptionUnreadable && !out.otherCollation && out.firstUnreadablePage == 0 &&
        out.structure.empty() && out.keys.empty()) {
      out.state = FileCheck::State::kSound;
    }
    return out;
  }

 private:
  static FileCheck& unreadable(FileCheck& out, int rc) {
    out.state = FileCheck::State::kUnreadable;
    out.error = runtimeError(rc);
    return out;
  }

  // The stored format, layout and collation; false when the file is not one of this declaration.
  bool description(FileCheck& out) {
    Statement meta(connection_, "SELECT name, value FROM meta");
    std::string format, layout, collation;
    int rc = meta.start({});
    for (; rc == SQLITE_ROW; rc = meta.step()) {
      const std::string name = columnText(meta.get(), 0);
      const std::string text = columnText(meta.get(), 1);
      if (name == "format") format = text;
      if (name == "layout") layout = text;
      if (name == "collation") collation = text;
    }
    if (isDamage(rc)) {
      // Its records may still be read: the table must at least have this declaration's columns.
      out.descriptionUnreadable = true;
      return columnsFit(out);
    }
    if (rc != SQLITE_DONE || format != std::to_string(stored::kFormatVersion) ||
        layout != stored::layoutSignature(decl_)) {
      out.state = FileCheck::State::kOtherLayout;
      out.error = errors::kBadFileStructure;
      return false;
    }
    out.otherCollation = collation != locale_.collationSignature();
    return true;
  }

  bool columnsFit(FileCheck& out) {
    Statement columns(connection_, "PRAGMA table_info(rec)");
    std::vector<std::string> names;
    int rc = columns.start({});
    for (; rc == SQLITE_ROW; rc = columns.step()) names.push_back(columnText(columns.get(), 1));
    std::vector<std::string> wanted = {"pos", "ver", "data"};
    for (std::size_t k = 0; k < decl_.keys.size(); ++k) wanted.push_back(keyColumn(static_cast<int>(k)));
    if (rc == SQLITE_DONE && names == wanted) return true;
    out.state = FileCheck::State::kOtherLayout;
    out.error = errors::kBadFileStructure;
    return false;
  }

  // The engine's integrity check. Once a page cannot be read, the engine cannot read any further
  // page in that check: what it says after that follows from the first failure and is left out.
  void integrity(FileCheck& out) {
    Statement check(connection_, "PRAGMA integrity_check");
    std::size_t untold = 0;
    int rc = check.start({});
    for (; rc == SQLITE_ROW && out.firstUnreadablePage == 0; rc = check.step()) {
      const std::string row = columnText(check.get(), 0);
      if (row == "ok") continue;
      for (std::size_t begin = 0; begin <= row.size();) {
        std::size_t end = row.find('\n', begin);
        if (end == std::string::npos) end = row.size();
        const std::string line = row.substr(begin, end - begin);
        begin = end + 1;
        if (line.empty() || line.rfind("*** in database", 0) == 0) continue;
        if (const std::int64_t page = unreadablePage(line)) {
          out.firstUnreadablePage = page;
          break;
        }
        if (out.structure.size() < kStructureFindingsTold) {
          out.structure.push_back(withKeyNames(line, decl_));
        } else {
          ++untold;
        }
      }
    }
    check.finish();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && out.firstUnreadablePage == 0) {
      out.structure.push_back(std::string("the integrity check stopped: ") + sqlite3_errstr(rc));
    }
    if (untold > 0) out.structure.push_back("and " + std::to_string(untold) + " more findings of the integrity check");
  }

  const Connection& connection_;
  const FileDecl& decl_;
  const Locale& locale_;
};

// ---- The copy a check looks at ----

struct FileState {
  bool exists = false;
  off_t size = 0;
  ino_t inode = 0;
  timespec modified{};
  bool operator==(const FileState& other) const {
    return exists == other.exists && size == other.size && inode == other.inode &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
  }
};

FileState stateOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {true, st.st_size, st.st_ino, st.st_mtim};
}

// Copies the whole file behind `from` (from its start) to a new file `to`: by the kernel where it
// can (the shorter the copy, the shorter the read lock held meanwhile), else by reads and writes.
bool copyFrom(int from, const std::string& to) {
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out < 0) return false;
  loff_t offset = 0;
  ssize_t copied;
  while ((copied = ::copy_file_range(from, &offset, out, nullptr, std::size_t{1} << 30, 0)) > 0) {
  }
  bool ok = copied == 0;
  if (!ok && offset == 0) {
    char buffer[1 << 16];
    ok = true;
    for (;;) {
      const ssize_t got = ::pread(from, buffer, sizeof buffer, offset);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        ok = got == 0;
        break;
      }
      for (ssize_t done = 0; ok && done < got;) {
        const ssize_t put = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
        if (put < 0 && errno == EINTR) continue;
        ok = put > 0;
        done += put > 0 ? put : 0;
      }
      if (!ok) break;
      offset += got;
    }
  }
  return ::close(out) == 0 && ok;
}

bool copyFile(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const bool ok = copyFrom(in, to);
  ::close(in);
  return ok;
}

// A file copied into a folder of its own (removed with the object), to be checked at leisure.
class Snapshot {
 public:
  ~Snapshot() {
    std::error_code ec;
    if (!folder_.empty()) fs::remove_all(folder_, ec);
  }

  // kNone, or the runtime error number of why the file could not be copied (kFileNotFound gone,
  // kAccessDenied not ours to read, kInvalidDataFile nothing of it can be read, kFileLocked a commit
  // outlasted the wait; kCannotCreate or kIoError the copy could not be made).
  int take(const std::string& path, const std::string& key) {
    std::string pattern = (fs::temp_directory_path() / "data-check-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return errors::kCannotCreate;
    folder_ = pattern;
    copy_ = (fs::path(folder_) / fs::path(path).filename()).string();
    // Copied while the engine's shared read lock is held, so that no commit writes meanwhile.
    // The descriptor stays open until the connection is closed: closing a descriptor of the file
    // drops every lock this process holds on it.
    for (int attempt = 0; attempt < 5; ++attempt) {
      const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (in < 0) return errno == ENOENT ? errors::kFileNotFound : errors::kAccessDenied;
      Connection connection;
      int rc = connection.open(path, key, true);
      if (rc == SQLITE_OK) rc = connection.exec("BEGIN; SELECT count(*) FROM sqlite_master");
      const bool unfinished = rc != SQLITE_OK && sqlite3_extended_errcode(connection.db()) == SQLITE_READONLY_ROLLBACK;
      bool copied = false;
      if (rc == SQLITE_OK) copied = copyFrom(in, copy_);
      connection.close();
      ::close(in);
      if (rc == SQLITE_OK) return copied ? errors::kNone : errors::kIoError;
      if (!unfinished) return runtimeError(rc);
      // A program died in the middle of a change: its journal is copied with the file, as they are
      // now. A program that opens the file meanwhile rolls the change back: then copy again.
      const std::string journal = path + "-journal";
      const FileState file = stateOf(path), before = stateOf(journal);
      if (copyFile(path, copy_) && copyFile(journal, copy_ + "-journal") && stateOf(path) == file &&
          stateOf(journal) == before) {
        unfinishedChange_ = true;
        return errors::kNone;
      }
    }
    return errors::kFileLocked;
  }

  const std::string& path() const { return copy_; }
  bool unfinishedChange() const { return unfinishedChange_; }

 private:
  std::string folder_;
  std::string copy_;
  bool unfinishedChange_ = false;
};

std::string keyOf(Engine& engine, const FileDecl& decl) {
  return decl.encrypted ? engine.rawKey(decl.ownerPassword) : std::string();
}

// ---- Repairing ----

// The first free name for the damaged file: "<name>.damaged", then "<name>.damaged-2", ...
std::string damagedName(const std::string& path) {
  std::string name = path + ".damaged";
  for (int n = 2; ::access(name.c_str(), F_OK) == 0 || errno != ENOENT; ++n)
    name = path + ".damaged-" + std::to_string(n);
  return name;
}

// Keeps the damaged file under `name` as well: a second name (the file itself, whatever happens
// next), or a copy where the folder allows no second name.
bool keepUnder(const std::string& path, const std::string& name) {
  if (::link(path.c_str(), name.c_str()) != 0 && !copyFile(path, name)) {
    std::error_code ec;
    fs::remove(name, ec);
    return false;
  }
  stored::syncFolderOf(name);
  return true;
}

// Whether the new file is whole: its structure sound and every record saved in it.
bool isWhole(const std::string& path, const std::string& key, std::int64_t records) {
  Connection connection;
  if (connection.open(path, key, true) != SQLITE_OK) return false;
  Statement check(connection, "PRAGMA integrity_check");
  if (check.start({}) != SQLITE_ROW || columnText(check.get(), 0) != "ok") return false;
  check.finish();
  Statement count(connection, "SELECT count(*) FROM rec");
  return count.start({}) == SQLITE_ROW && sqlite3_column_int64(count.get(), 0) == records;
}

bool hasDuplicate(const FileCheck& check) {
  return std::any_of(check.keys.begin(), check.keys.end(), [](const KeyFinding& key) { return key.duplicate[0] != 0; });
}

}  // namespace

bool FileCheck::repairable() const {
  const bool nothingRead =
      records.read == 0 && (records.unreadable > 0 || !records.gaps.empty() || records.wrongLength > 0);
  return state == State::kDamaged && !nothingRead && !hasDuplicate(*this);
}

FileCheck checkFile(Engine& engine, const FileDecl& decl) {
  FileCheck out;
  const std::string path = decl.physicalPath();
  if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT) {
    out.state = FileCheck::State::kMissing;
    out.error = errors::kFileNotFound;
    return out;
  }
  const std::string key = keyOf(engine, decl);
  Snapshot snapshot;
  if (int error = snapshot.take(path, key)) {
    out.state = error == errors::kFileNotFound ? FileCheck::State::kMissing : FileCheck::State::kUnreadable;
    out.error = error;
    return out;
  }
  // Opened for writing: a change left unfinished is rolled back in the copy, as the next open of
  // the file itself will do.
  Connection connection;
  if (const int rc = connection.open(snapshot.path(), key, false); rc != SQLITE_OK) {
    out.state = FileCheck::State::kUnreadable;
    out.error = runtimeError(rc);
    return out;
  }
  out = Checker(connection, decl, engine.locale()).run();
  out.unfinishedChange = snapshot.unfinishedChange();
  return out;
}

RepairOutcome repairFile(Session& session, const FileDecl& decl) {
  RepairOutcome out;
  const std::string path = decl.physicalPath();
  if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT) {
    out.before.state = FileCheck::State::kMissing;
    out.error = out.before.error = errors::kFileNotFound;
    return out;
  }
  // Held alone from here on: refused while a program has the file open, and no program opens it
  // until the new file is in place.
  if (::access(path.c_str(), W_OK) != 0) {
    out.error = errors::kAccessDenied;
    return out;
  }
  sharing::ExclusiveHold hold;
  if (const int error = hold.take(path)) {
    out.error = error == errors::kAccessDenied ? errors::kExclusiveAccessRequired : error;
    return out;
  }
  const std::string key = keyOf(session.engine(), decl);
  Connection source;
  if (const int rc = source.open(path, key, false); rc != SQLITE_OK) {
    out.before.state = FileCheck::State::kUnreadable;
    out.error = out.before.error = runtimeError(rc);
    return out;
  }
  out.before = Checker(source, decl, session.engine().locale()).run();
  if (out.before.sound()) return out;
  if (!out.before.repairable()) {
    using State = FileCheck::State;
    out.error = out.before.state != State::kDamaged ? out.before.error
                : hasDuplicate(out.before)          ? errors::kDuplicateKey
                                                    : errors::kInvalidDataFile;
    return out;
  }

  const std::string temporary = path + ".rebuild";
  DataFile rebuilt(decl, session);
  const std::size_t length = decl.layout.length();
  int error = rebuilt.writeRebuilt(temporary, [&](const RecordSink& sink) {
    RecordReader reader(source, decl);
    const int read = reader.read(
        [&](const StoredRow& row) -> int {
          if (row.data.size() != length) {
            if (out.records.wrongLength++ == 0) out.records.firstWrongLength = row.record;
            return errors::kNone;
          }
          return sink(StoredRecord{row.record, row.version, row.data});
        },
        out.records);
    return Status(read);  // the outcome keeps the number only
  });
  out.records.read -= out.records.wrongLength;
  source.close();
  std::error_code ec;
  if (error == errors::kNone && !isWhole(temporary, key, out.records.read)) error = errors::kCannotCreate;
  if (error == errors::kNone) {
    out.keptAs = damagedName(path);
    if (!keepUnder(path, out.keptAs)) {
      error = errors::kCannotCreate;
    } else if (!stored::replaceFile(temporary, path)) {
      fs::remove(out.keptAs, ec);
      error = errors::kCannotCreate;
    }
  }
  if (error != errors::kNone) {
    fs::remove(temporary, ec);
    out.keptAs.clear();
    out.error = error;
    return out;
  }
  out.repaired = true;
  return out;
}

}  // namespace platform::storage
