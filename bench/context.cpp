#include "bench/context.h"

#include <sqlcipher/sqlite3.h>

#include <fstream>
#include <stdexcept>
#include <vector>

#include "dictionary/spanish_locale.h"

namespace bench {

Context::Context() {
  dictionary::ApplySpanishLocale(locale);
  keyOrder = cachedSchool(SchoolSpec{});
  SchoolSpec scatteredSpec;
  scatteredSpec.order = RecordOrder::Scattered;
  scattered = cachedSchool(scatteredSpec);
  rawKey = engine.rawKey(decls.ACTAS.ownerPassword);  // the one derivation of this process
}

void warmUp(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> chunk(1 << 20);
  while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
  }
}

RawFile::RawFile(const std::filesystem::path& file, const std::string& rawKey, int pageCacheKiB) : key_(rawKey) {
  if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db_);
    throw std::runtime_error("raw open failed: " + file.string());
  }
  exec("PRAGMA key = \"" + key_ + "\"");
  exec("PRAGMA cipher_page_size = 4096");
  exec("PRAGMA cache_size = -" + std::to_string(pageCacheKiB));
}

RawFile::~RawFile() {
  for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
  sqlite3_close_v2(db_);
}

void RawFile::attach(const std::filesystem::path& file, const std::string& schema) {
  exec("ATTACH '" + file.string() + "' AS " + schema + " KEY \"" + key_ + "\"");
  exec("PRAGMA " + schema + ".cipher_page_size = 4096");
}

void RawFile::exec(const std::string& sql) {
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    throw std::runtime_error("raw: " + sql + ": " + sqlite3_errmsg(db_));
  }
}

sqlite3_stmt* RawFile::prepare(const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    throw std::runtime_error("raw: " + sql + ": " + sqlite3_errmsg(db_));
  }
  statements_.push_back(statement);
  return statement;
}

}  // namespace bench
