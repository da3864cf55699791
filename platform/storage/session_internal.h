// Internals shared by Session and DataFile: one attached physical file.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/storage/session.h"

namespace platform::storage {

struct Session::Attachment {
  std::string schema;  // "f1", "f2", ... in the session's connection
  std::string path;    // canonical path: two declarations of one file share the attachment
  int users = 0;
  // Raised by every write through this session, so that read-ahead rows are dropped.
  std::uint64_t generation = 0;
  std::map<std::string, sqlite3_stmt*> statements;
  // Sharing locks (descriptor, mode) of files closed while a transaction still held the file:
  // released when the file is let go.
  std::vector<std::pair<int, int>> locksHeld;
};

// RAII reset of a cached statement: a statement left stepping would keep a read transaction open.
class StatementGuard {
 public:
  explicit StatementGuard(sqlite3_stmt* statement) : statement_(statement) {}
  ~StatementGuard() {
    if (statement_ != nullptr) {
      sqlite3_reset(statement_);
      sqlite3_clear_bindings(statement_);
    }
  }
  StatementGuard(const StatementGuard&) = delete;
  StatementGuard& operator=(const StatementGuard&) = delete;

 private:
  sqlite3_stmt* statement_;
};

// Whether a record read in a sequence moves it on from the last one read: comes after it (before
// it, backwards) by key image and then record number; the same record only when `inclusive`. A
// damaged file can hand back a record that does not (an index entry under a value its record no
// longer has, records' pages of an older version of the file), and reading on would then go round
// for ever. In physical order both images are empty.
inline bool movesOn(std::string_view image, std::int64_t record, std::string_view lastImage, std::int64_t lastRecord,
                    bool forward, bool inclusive) {
  int order = image.compare(lastImage);
  if (order == 0) order = record < lastRecord ? -1 : record > lastRecord ? 1 : 0;
  if (order == 0) return inclusive;
  return forward ? order > 0 : order < 0;
}

}  // namespace platform::storage
