// Internals shared by Session and DataFile: one attached physical file.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
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

  // A record that stood before the open transaction and that it wrote, as it was stored before
  // its first write in it.
  struct Before {
    bool placeTaken = false;  // erased, then its record number given to a record added
    std::int64_t version = 0;
    std::string data;
  };
  // The records that stood before the open transaction and that it wrote in this file, by record
  // number, and the numbers of the records it added: when it rolls back, the records last read by
  // the session's buffers are set back to what is stored again. Added records keep their number
  // alone, so that a load of a million records in one transaction stays small.
  std::unordered_map<std::int64_t, Before> written;
  std::unordered_set<std::int64_t> added;
};

// Why the file system would not open or make the file `path`: its folder is not there
// (kPathNotFound), the folder or the file may not be written (kAccessDenied: no permission,
// read-only media), the disk is full (kDiskFull), the name is too long (kInvalidFileName);
// kAccessDenied when nothing else explains it.
int fileSystemError(const std::string& path);

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
