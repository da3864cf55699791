// For tests: which page of a data file holds a record or a key entry, and damage to one page.
//
// Pages are found the way the engine finds them: a fresh connection through the fault VFS, which
// notes where it reads, looks the record up by its number (or its key entry by the stored image)
// and the last page it reads is the leaf that holds it. Link platform_storage_testing.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "platform/storage/stored_format.h"
#include "platform/storage/testing/fault_vfs.h"

namespace platform::storage::testing {

namespace pages_detail {

// The last page read to answer `sql` (one parameter, an integer or a blob), after the schema is
// read; 0 when the query failed.
inline std::int64_t lastPageRead(const std::string& path, const std::string& rawKey, const std::string& sql,
                                 std::int64_t number, const std::string* blob) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, registerFaultVfs()) != SQLITE_OK) return 0;
  sqlite3_key(db, rawKey.data(), static_cast<int>(rawKey.size()));
  sqlite3_exec(db, ("PRAGMA cipher_page_size = " + std::to_string(stored::kPageSize)).c_str(), nullptr, nullptr,
               nullptr);
  // One read transaction, so that the pages read for the schema stay cached.
  sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  std::vector<long long> offsets;
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
  if (blob != nullptr) {
    sqlite3_bind_blob(statement, 1, blob->data(), static_cast<int>(blob->size()), SQLITE_TRANSIENT);
  } else {
    sqlite3_bind_int64(statement, 1, number);
  }
  recordReads(&offsets);
  if (rc == SQLITE_OK) rc = sqlite3_step(statement);
  recordReads(nullptr);
  sqlite3_finalize(statement);
  sqlite3_close_v2(db);
  if (rc != SQLITE_ROW || offsets.empty()) return 0;
  return offsets.back() / stored::kPageSize + 1;
}

}  // namespace pages_detail

// The page of the record table that holds record number `record`.
inline std::int64_t pageOfRecord(const std::string& path, const std::string& rawKey, std::int64_t record) {
  return pages_detail::lastPageRead(path, rawKey, "SELECT data FROM rec WHERE pos = ?1", record, nullptr);
}

// The page of key `key` (its index) that holds the entry of record number `record`.
inline std::int64_t pageOfKeyEntry(const std::string& path, const std::string& rawKey, int key, std::int64_t record) {
  const std::string column = stored::keyColumn(key);
  std::string image;
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_key(db, rawKey.data(), static_cast<int>(rawKey.size()));
  sqlite3_exec(db, ("PRAGMA cipher_page_size = " + std::to_string(stored::kPageSize)).c_str(), nullptr, nullptr,
               nullptr);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, ("SELECT " + column + " FROM rec WHERE pos = ?1").c_str(), -1, &statement, nullptr);
  sqlite3_bind_int64(statement, 1, record);
  if (sqlite3_step(statement) == SQLITE_ROW) {
    image.assign(static_cast<const char*>(sqlite3_column_blob(statement, 0)),
                 static_cast<std::size_t>(sqlite3_column_bytes(statement, 0)));
  }
  sqlite3_finalize(statement);
  sqlite3_close_v2(db);
  if (image.empty()) return 0;
  return pages_detail::lastPageRead(
      path, rawKey, "SELECT pos FROM rec INDEXED BY rec_" + column + " WHERE " + column + " = ?1", 0, &image);
}

// The first page of a table or key ("rec", "meta", "rec_k1"): its root, which leads to its other pages.
inline std::int64_t rootPageOf(const std::string& path, const std::string& rawKey, const std::string& name) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_key(db, rawKey.data(), static_cast<int>(rawKey.size()));
  sqlite3_exec(db, ("PRAGMA cipher_page_size = " + std::to_string(stored::kPageSize)).c_str(), nullptr, nullptr,
               nullptr);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = ?1", -1, &statement, nullptr);
  sqlite3_bind_text(statement, 1, name.c_str(), -1, SQLITE_TRANSIENT);
  const std::int64_t page = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 0;
  sqlite3_finalize(statement);
  sqlite3_close_v2(db);
  return page;
}

// Changes eight bytes in the middle of page `page` (counted from 1): the cipher refuses it after.
inline void damagePage(const std::string& path, std::int64_t page) {
  std::fstream io(path, std::ios::in | std::ios::out | std::ios::binary);
  io.seekp(static_cast<std::streamoff>((page - 1) * stored::kPageSize + stored::kPageSize / 2));
  io.write("\xde\xad\xbe\xef\xde\xad\xbe\xef", 8);
}

}  // namespace platform::storage::testing
