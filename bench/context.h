// What the benchmarks at scale share: the grade book's locale, declarations and storage engine,
// the two generated schools of SchoolSpec{} (records in key order and shuffled), and the raw
// key of their files for the plain SQLCipher comparisons. One per benchmark program.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "bench/school.h"
#include "dictionary/file_declarations.h"
#include "platform/core/locale.h"
#include "platform/storage/session.h"

struct sqlite3;
struct sqlite3_stmt;

namespace bench {

struct Context {
  // Applies the Spanish locale, fetches (or first builds) both schools and derives the raw key.
  Context();

  const School& school(bool scatteredOrder) const { return scatteredOrder ? scattered : keyOrder; }

  platform::Locale locale;
  dictionary::FileDeclarations decls;
  platform::storage::Engine engine{locale};
  School keyOrder, scattered;
  std::string rawKey;  // x'<64 hex digits>', the key every data file of the schools is encrypted with
};

// Reads a file once, so that a benchmark starts with it in the system's file cache.
void warmUp(const std::filesystem::path& file);

// One plain SQLCipher connection straight to a data file, keyed and tuned as the driver keys and
// tunes its files, for the raw side of a comparison. Failures throw std::runtime_error.
class RawFile {
 public:
  RawFile(const std::filesystem::path& file, const std::string& rawKey, int pageCacheKiB);
  ~RawFile();
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;

  // Another data file of the same key on the same connection, as `schema`.
  void attach(const std::filesystem::path& file, const std::string& schema);
  void exec(const std::string& sql);
  // Prepared once; finalized when the connection closes.
  sqlite3_stmt* prepare(const std::string& sql);

 private:
  sqlite3* db_ = nullptr;
  std::string key_;
  std::vector<sqlite3_stmt*> statements_;
};

}  // namespace bench
