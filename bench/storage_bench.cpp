// The keyed-record driver at scale, on a generated "Actas.Tps" of 1,000,000 grade records. Every
// figure of ours ("/driver") comes beside the same work done with plain SQLCipher calls on the same
// file ("/raw": the same key, page size and page-cache size), so that the ratio can be quoted.
//
//   ReadAllInKeyOrder     every record by ACT:PK_ACTA, the file loaded in key order; reports the
//                         time per record and the resident memory while reading
//   ReadTeacherByKey      the 2,000 records of one teacher by ACT:FK_ACTA_REF_32_ZOLBRANS, in the
//                         file loaded in key order (scattered:0) and in the scattered one
//                         (scattered:1); the driver also inside a read transaction (inread:1),
//                         as callers bracket a scan
//   GetByUniqueKey        one record by ACT:PK_ACTA, ids spread over the whole file (workingset:0)
//                         or over 2,000 neighbouring records (workingset:1); each get on its own
//                         (inread:0) or 100 to a short read transaction (inread:1)
//   AddInTransaction      1,000 new records in one transaction, committed (on a copy of the file)
//   OpenDataFile          open and close "Actas.Tps" (the key derived once per process)
//
// Run through scripts/bench.sh (release build). The schools are generated on the first run and
// cached (bench/school.h).
#include <benchmark/benchmark.h>
#include <sqlcipher/sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/context.h"
#include "bench/school.h"
#include "dictionary/file_declarations.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"

namespace {

namespace fs = std::filesystem;
using platform::storage::DataFile;
using platform::storage::FileDecl;
using platform::storage::Session;

constexpr int kAddsPerTransaction = 1000;
// Gets batched in one short read transaction, as a list fetching a page of rows does.
constexpr int kGetsPerReadTransaction = 100;

// --- What every benchmark shares: the locale, the declarations, the engine and the two schools --

struct Shared : bench::Context {
  Shared() {
    scratch = bench::cacheRoot() / ("scratch-" + std::to_string(::getpid()));
    for (const bench::School* school : {&keyOrder, &scattered}) bench::warmUp(actasPath(*school));
  }
  ~Shared() {
    std::error_code ec;
    fs::remove_all(scratch, ec);
  }

  static std::string actasPath(const bench::School& school) { return (school.folder / "Actas.Tps").string(); }
  FileDecl actas(const bench::School& school) const {
    return platform::storage::placedAt(decls.ACTAS, actasPath(school));
  }
  int field(const char* name) const { return decls.ACTAS.fieldIndex(name); }
  int key(const char* name) const { return decls.ACTAS.keyIndex(name); }

  fs::path scratch;
};

Shared& shared() {
  static Shared instance;
  return instance;
}

const bench::School& schoolOf(const benchmark::State& state) { return shared().school(state.range(0) != 0); }

// Resident memory of the process now, in MB.
double residentMB() {
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The highest resident memory seen while reading, sampled every few thousand records.
class MemoryWatch {
 public:
  MemoryWatch() : before_(residentMB()), peak_(before_) {}
  void sample(std::int64_t records) {
    if (records % 8192 == 0) peak_ = std::max(peak_, residentMB());
  }
  void report(benchmark::State& state) const {
    state.counters["rss_MB"] = benchmark::Counter(peak_);
    state.counters["rss_growth_MB"] = benchmark::Counter(peak_ - before_);
  }

 private:
  double before_, peak_;
};

void perRecord(benchmark::State& state, std::int64_t recordsPerIteration, const char* name = "per_record") {
  state.SetItemsProcessed(state.iterations() * recordsPerIteration);
  state.counters[name] =
      benchmark::Counter(static_cast<double>(recordsPerIteration),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// --- Plain SQLCipher ----------------------------------------------------------------------------

// One connection straight to a data file, keyed and tuned as the driver keys and tunes its files.
class RawFile : public bench::RawFile {
 public:
  RawFile(const std::string& path, const std::string& key)
      : bench::RawFile(path, key, shared().engine.pageCacheKiB()) {}
};

// A LONG key component as the files store it: big-endian with the sign bit flipped.
std::string longImage(std::int32_t value) {
  const std::uint32_t u = static_cast<std::uint32_t>(value) ^ 0x80000000u;
  return {static_cast<char>(u >> 24), static_cast<char>(u >> 16), static_cast<char>(u >> 8), static_cast<char>(u)};
}

void bindImage(sqlite3_stmt* statement, int parameter, const std::string& image) {
  sqlite3_bind_blob(statement, parameter, image.data(), static_cast<int>(image.size()), SQLITE_TRANSIENT);
}

// Reads a row (pos, ver, data) into a record buffer, as the driver hands records over.
void takeRow(sqlite3_stmt* statement, platform::RecordBuffer& record) {
  benchmark::DoNotOptimize(sqlite3_column_int64(statement, 0));
  benchmark::DoNotOptimize(sqlite3_column_int64(statement, 1));
  record.assignBytes(sqlite3_column_blob(statement, 2), static_cast<std::size_t>(sqlite3_column_bytes(statement, 2)));
}

// The id of the k-th lookup, the same sequence every run: spread over all the records (arg 0), or
// over a working set of 2,000 neighbouring records, one teacher's worth (arg 1).
std::int32_t lookupId(const benchmark::State& state, std::int64_t k, std::int64_t records) {
  const std::uint64_t range = state.range(0) == 0 ? static_cast<std::uint64_t>(records) : 2000u;
  return static_cast<std::int32_t>((static_cast<std::uint64_t>(k) * 2654435761u) % range + 1);
}

// "Actas.Tps" of a school through the driver, opened in `mode` (error holds the open's result).
struct DriverActas {
  DriverActas(const bench::School& school, int mode)
      : decl(shared().actas(school)),
        session(shared().engine, school.folder.string()),
        file(decl, session),
        error(file.open(mode)) {}
  FileDecl decl;
  Session session;
  DataFile file;
  int error;
};

// --- Reading in key order -----------------------------------------------------------------------

void ReadAllInKeyOrderDriver(benchmark::State& state) {
  Shared& s = shared();
  DriverActas driver(s.keyOrder, platform::storage::kReadOnly);
  if (driver.error != 0) return state.SkipWithError(driver.session.lastErrorText().c_str());
  DataFile& actas = driver.file;
  const int pk = s.key("PK_ACTA");
  MemoryWatch memory;
  std::int64_t count = 0;
  for (auto _ : state) {
    count = 0;
    (void)actas.set(pk);  // the count afterwards tells a failure
    while (actas.next() == 0) memory.sample(++count);
  }
  if (count != s.keyOrder.spec.gradeRecords) return state.SkipWithError("not every record was read");
  perRecord(state, count);
  memory.report(state);
}

void ReadAllInKeyOrderRaw(benchmark::State& state) {
  Shared& s = shared();
  RawFile raw(Shared::actasPath(s.keyOrder), s.rawKey);
  sqlite3_stmt* scan = raw.prepare("SELECT pos, ver, data FROM rec WHERE k0 IS NOT NULL ORDER BY k0");
  platform::RecordBuffer record(s.decls.ACTAS.layout);
  MemoryWatch memory;
  std::int64_t count = 0;
  for (auto _ : state) {
    count = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      takeRow(scan, record);
      memory.sample(++count);
    }
    sqlite3_reset(scan);
  }
  if (count != s.keyOrder.spec.gradeRecords) return state.SkipWithError("not every record was read");
  perRecord(state, count);
  memory.report(state);
}

// --- One teacher's records by the teacher key -----------------------------------------------------

void ReadTeacherByKeyDriver(benchmark::State& state) {
  Shared& s = shared();
  const bench::School& school = schoolOf(state);
  DriverActas driver(school, platform::storage::kReadOnly);
  if (driver.error != 0) return state.SkipWithError(driver.session.lastErrorText().c_str());
  DataFile& actas = driver.file;
  Session& session = driver.session;
  const int byTeacher = s.key("FK_ACTA_REF_32_ZOLBRANS");
  const int teacher = s.field("ID_MAE");
  const bool inRead = state.range(1) != 0;
  std::int64_t count = 0;
  for (auto _ : state) {
    count = 0;
    actas.buffer().clear();
    actas.buffer().setLong(teacher, school.busyTeacherId);
    (void)actas.setFromBuffer(byTeacher);  // the count afterwards tells a failure
    if (inRead) (void)session.beginRead();
    while (actas.next() == 0 && actas.buffer().getLong(teacher) == school.busyTeacherId) ++count;
    if (inRead) session.endRead();
  }
  if (count != school.spec.busyTeacherRecords) return state.SkipWithError("wrong number of records");
  perRecord(state, count);
}

void ReadTeacherByKeyRaw(benchmark::State& state) {
  Shared& s = shared();
  const bench::School& school = schoolOf(state);
  RawFile raw(Shared::actasPath(school), s.rawKey);
  const std::string column = "k" + std::to_string(s.key("FK_ACTA_REF_32_ZOLBRANS"));
  sqlite3_stmt* scan = raw.prepare("SELECT pos, ver, data FROM rec WHERE " + column + " = ?1 ORDER BY pos");
  platform::RecordBuffer record(s.decls.ACTAS.layout);
  std::int64_t count = 0;
  for (auto _ : state) {
    count = 0;
    bindImage(scan, 1, longImage(school.busyTeacherId));
    while (sqlite3_step(scan) == SQLITE_ROW) {
      takeRow(scan, record);
      ++count;
    }
    sqlite3_reset(scan);
  }
  if (count != school.spec.busyTeacherRecords) return state.SkipWithError("wrong number of records");
  perRecord(state, count);
}

// --- Get by a unique key ------------------------------------------------------------------------

void GetByUniqueKeyDriver(benchmark::State& state) {
  Shared& s = shared();
  DriverActas driver(s.keyOrder, platform::storage::kReadWriteShared);
  if (driver.error != 0) return state.SkipWithError(driver.session.lastErrorText().c_str());
  DataFile& actas = driver.file;
  Session& session = driver.session;
  const int pk = s.key("PK_ACTA");
  const int id = s.field("ID_ACT");
  const bool inRead = state.range(1) != 0;
  std::int64_t k = 0;
  for (auto _ : state) {
    if (inRead && k % kGetsPerReadTransaction == 0) {
      session.endRead();
      (void)session.beginRead();  // a get outside it works the same, only slower
    }
    actas.buffer().setLong(id, lookupId(state, k++, s.keyOrder.spec.gradeRecords));
    if (actas.get(pk) != 0) return state.SkipWithError("record not found");
  }
  session.endRead();
}

void GetByUniqueKeyRaw(benchmark::State& state) {
  Shared& s = shared();
  RawFile raw(Shared::actasPath(s.keyOrder), s.rawKey);
  sqlite3_stmt* get = raw.prepare("SELECT pos, ver, data FROM rec WHERE k0 = ?1");
  platform::RecordBuffer record(s.decls.ACTAS.layout);
  const bool inRead = state.range(1) != 0;
  std::int64_t k = 0;
  for (auto _ : state) {
    if (inRead && k % kGetsPerReadTransaction == 0) {
      if (k > 0) raw.exec("COMMIT");
      raw.exec("BEGIN");
    }
    bindImage(get, 1, longImage(lookupId(state, k++, s.keyOrder.spec.gradeRecords)));
    if (sqlite3_step(get) != SQLITE_ROW) return state.SkipWithError("record not found");
    takeRow(get, record);
    sqlite3_reset(get);
  }
  if (inRead && k > 0) raw.exec("COMMIT");
}

// --- Adding inside a transaction ------------------------------------------------------------------

// A private copy of the key-ordered school for a benchmark that writes, made once per process:
// repetitions go on adding to it, from the next free id.
struct WritableCopy {
  bench::School school;
  std::int32_t nextId;
};

WritableCopy& writableCopy(const std::string& name) {
  static std::map<std::string, WritableCopy> copies;
  auto it = copies.find(name);
  if (it == copies.end()) {
    const bench::School& original = shared().keyOrder;
    WritableCopy copy{bench::copyOf(original, shared().scratch / name),
                      static_cast<std::int32_t>(original.spec.gradeRecords) + 1};
    it = copies.emplace(name, std::move(copy)).first;
  }
  return it->second;
}

void AddInTransactionDriver(benchmark::State& state) {
  Shared& s = shared();
  WritableCopy& copy = writableCopy("driver");
  const bench::School& school = copy.school;
  DriverActas driver(school, platform::storage::kReadWriteShared);
  if (driver.error != 0) return state.SkipWithError(driver.session.lastErrorText().c_str());
  DataFile& actas = driver.file;
  Session& session = driver.session;
  const int id = s.field("ID_ACT");
  actas.buffer().setLong(id, 1);
  if (actas.get(s.key("PK_ACTA")) != 0) return state.SkipWithError("no record 1");
  std::int32_t& next = copy.nextId;
  for (auto _ : state) {
    if (session.begin({&actas}, 10) != 0) return state.SkipWithError(session.lastErrorText().c_str());
    for (int n = 0; n < kAddsPerTransaction; ++n) {
      actas.buffer().setLong(id, next++);
      if (actas.add() != 0) return state.SkipWithError(session.lastErrorText().c_str());
    }
    if (session.commit() != 0) return state.SkipWithError(session.lastErrorText().c_str());
  }
  perRecord(state, kAddsPerTransaction, "per_add");
}

void AddInTransactionRaw(benchmark::State& state) {
  Shared& s = shared();
  WritableCopy& copy = writableCopy("raw");
  const bench::School& school = copy.school;
  RawFile raw(Shared::actasPath(school), s.rawKey);
  // The record to add again and again under new ids: record 1, as the driver benchmark adds it.
  sqlite3_stmt* first = raw.prepare("SELECT pos, ver, data FROM rec WHERE k0 = ?1");
  platform::RecordBuffer record(s.decls.ACTAS.layout);
  bindImage(first, 1, longImage(1));
  if (sqlite3_step(first) != SQLITE_ROW) return state.SkipWithError("no record 1");
  takeRow(first, record);
  sqlite3_reset(first);
  // Every key of the grade records is one LONG field.
  std::vector<int> keyFields;
  for (const auto& key : s.decls.ACTAS.keys) keyFields.push_back(key.components.at(0));
  std::string columns = "ver, data", values = "1, ?1";
  for (std::size_t k = 0; k < keyFields.size(); ++k) {
    columns += ", k" + std::to_string(k);
    values += ", ?" + std::to_string(k + 2);
  }
  sqlite3_stmt* insert = raw.prepare("INSERT INTO rec (" + columns + ") VALUES (" + values + ")");
  const int id = s.field("ID_ACT");
  std::int32_t& next = copy.nextId;
  for (auto _ : state) {
    raw.exec("BEGIN IMMEDIATE");
    for (int n = 0; n < kAddsPerTransaction; ++n) {
      record.setLong(id, next++);
      sqlite3_bind_blob(insert, 1, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
      for (std::size_t k = 0; k < keyFields.size(); ++k) {
        bindImage(insert, static_cast<int>(k) + 2, longImage(record.getLong(keyFields[k])));
      }
      if (sqlite3_step(insert) != SQLITE_DONE) return state.SkipWithError("insert failed");
      sqlite3_reset(insert);
    }
    raw.exec("COMMIT");
  }
  perRecord(state, kAddsPerTransaction, "per_add");
}

// --- Opening a data file ----------------------------------------------------------------------------

void OpenDataFileDriver(benchmark::State& state) {
  Shared& s = shared();
  const FileDecl decl = s.actas(s.keyOrder);
  Session session(s.engine, s.keyOrder.folder.string());
  DataFile actas(decl, session);
  for (auto _ : state) {
    if (actas.open(platform::storage::kReadWriteShared) != 0)
      return state.SkipWithError(session.lastErrorText().c_str());
    actas.close();
  }
}

void OpenDataFileRaw(benchmark::State& state) {
  Shared& s = shared();
  const std::string path = Shared::actasPath(s.keyOrder);
  for (auto _ : state) {
    // Open, key, and read what the driver checks at every open: the stored layout.
    RawFile raw(path, s.rawKey);
    sqlite3_stmt* meta = raw.prepare("SELECT name, value FROM meta");
    int rows = 0;
    while (sqlite3_step(meta) == SQLITE_ROW) ++rows;
    if (rows == 0) return state.SkipWithError("no layout");
  }
}

BENCHMARK(ReadAllInKeyOrderDriver)->Name("ReadAllInKeyOrder/driver")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ReadAllInKeyOrderRaw)->Name("ReadAllInKeyOrder/raw")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ReadTeacherByKeyDriver)
    ->Name("ReadTeacherByKey/driver")
    ->ArgNames({"scattered", "inread"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(ReadTeacherByKeyRaw)
    ->Name("ReadTeacherByKey/raw")
    ->ArgNames({"scattered"})
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(GetByUniqueKeyDriver)
    ->Name("GetByUniqueKey/driver")
    ->ArgNames({"workingset", "inread"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->UseRealTime();
BENCHMARK(GetByUniqueKeyRaw)
    ->Name("GetByUniqueKey/raw")
    ->ArgNames({"workingset", "inread"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->UseRealTime();
BENCHMARK(AddInTransactionDriver)->Name("AddInTransaction/driver")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AddInTransactionRaw)->Name("AddInTransaction/raw")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OpenDataFileDriver)->Name("OpenDataFile/driver")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(OpenDataFileRaw)->Name("OpenDataFile/raw")->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
