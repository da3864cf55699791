// The data tool at scale, on the generated school of 1,000,000 grade records, run as a school's
// IT person runs it: every figure of ours ("/tool") is a fresh gradebook-data process, timed from
// its start to its end, with its peak resident memory (VmHWM) as peak_MB. Beside it the same
// work done with plain SQLCipher calls ("/raw"), in this process, so that a ratio can be quoted.
//
//   LoadSchool   the school's CSV tables (bench::cachedTables, 92 MB) loaded into a new folder:
//                the tool checks every row, then writes all eight files in one transaction; raw
//                inserts the same records with their key images (read beforehand from the cached
//                school, not timed) into new files of the same layout, attached to one
//                connection, in one transaction
//   DumpActas    Actas.Tps as CSV to /dev/null, in physical order (order:0) or in the order of
//                ACT:PK_ACTA (order:1); raw reads every record in the same order
//
// Run through scripts/bench.sh (release build); add --benchmark_repetitions=5 to see the noise.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sqlcipher/sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/context.h"
#include "bench/school.h"
#include "dictionary/file_declarations.h"
#include "platform/core/record.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// --- What every benchmark shares -----------------------------------------------------------------

struct Shared : bench::Context {
  Shared() : tables(bench::cachedTables(bench::SchoolSpec{})) {
    scratch = bench::cacheRoot() / ("scratch-tool-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    bench::warmUp(actas());
    for (const auto& entry : fs::directory_iterator(tables)) bench::warmUp(entry.path());
  }
  ~Shared() {
    std::error_code ec;
    fs::remove_all(scratch, ec);
  }
  fs::path actas() const { return keyOrder.folder / "Actas.Tps"; }

  fs::path tables;
  fs::path scratch;
};

Shared& shared() {
  static Shared instance;
  return instance;
}

// One run of the tool: its exit code, how long it took and its peak resident memory.
struct Run {
  int exitCode = -1;
  double seconds = 0;
  double peakMB = 0;
};

// The peak resident memory of a running process so far (VmHWM), in MB; 0 once it is gone.
double peakResidentMB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;  // kB
  }
  return 0;
}

// Runs the tool with stdout to `output`. Its peak memory is read from the process itself while it
// runs: the rusage of a child counts the memory of the parent that spawned it.
Run runTool(const std::vector<std::string>& args, const fs::path& output = "/dev/null") {
  std::vector<std::string> all = {GRADEBOOK_DATA_TOOL};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  Run run;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    std::atomic<bool> ended{false};
    std::thread watch([&] {
      while (!ended) {
        run.peakMB = std::max(run.peakMB, peakResidentMB(pid));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ended = true;
    watch.join();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

void perRecord(benchmark::State& state, std::int64_t records) {
  state.SetItemsProcessed(state.iterations() * records);
  state.counters["per_record"] = benchmark::Counter(
      static_cast<double>(records), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// --- Loading a school ------------------------------------------------------------------------------

void LoadSchoolTool(benchmark::State& state) {
  Shared& s = shared();
  const fs::path target = s.scratch / "loaded";
  double peak = 0;
  for (auto _ : state) {
    fs::remove_all(target);
    const Run run = runTool({"load", target.string(), s.tables.string()});
    if (run.exitCode != 0) return state.SkipWithError("the load failed");
    state.SetIterationTime(run.seconds);
    peak = std::max(peak, run.peakMB);
  }
  fs::remove_all(target);
  perRecord(state, s.keyOrder.spec.gradeRecords);
  state.counters["peak_MB"] = peak;
}

// The records of one data file as stored: each row's columns (data, k0, k1, ...) one after
// another in one buffer; a column that is NULL has the length kNull.
struct StoredRows {
  static constexpr std::uint32_t kNull = 0xFFFFFFFFu;
  std::string name;
  std::vector<std::string> schema;  // the statements that made its tables and indexes
  std::vector<std::pair<std::string, std::string>> meta;
  int columns = 0;
  std::string bytes;
  std::vector<std::uint32_t> lengths;
  std::int64_t rows = 0;
};

std::vector<StoredRows> storedSchool() {
  Shared& s = shared();
  std::vector<StoredRows> files;
  for (const auto* decl : s.decls.dataFiles()) {
    StoredRows file;
    file.name = decl->physicalName;
    file.columns = 1 + static_cast<int>(decl->keys.size());
    bench::RawFile raw(s.keyOrder.folder / decl->physicalName, s.rawKey, s.engine.pageCacheKiB());
    sqlite3_stmt* schema = raw.prepare("SELECT sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY rowid");
    while (sqlite3_step(schema) == SQLITE_ROW) {
      file.schema.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(schema, 0)));
    }
    sqlite3_stmt* meta = raw.prepare("SELECT name, value FROM meta");
    while (sqlite3_step(meta) == SQLITE_ROW) {
      file.meta.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(meta, 0)),
                             reinterpret_cast<const char*>(sqlite3_column_text(meta, 1)));
    }
    std::string columns = "data";
    for (std::size_t k = 0; k < decl->keys.size(); ++k) columns += ", k" + std::to_string(k);
    sqlite3_stmt* rows = raw.prepare("SELECT " + columns + " FROM rec ORDER BY pos");
    while (sqlite3_step(rows) == SQLITE_ROW) {
      for (int c = 0; c < file.columns; ++c) {
        if (sqlite3_column_type(rows, c) == SQLITE_NULL) {
          file.lengths.push_back(StoredRows::kNull);
          continue;
        }
        const auto* blob = static_cast<const char*>(sqlite3_column_blob(rows, c));
        const auto length = static_cast<std::uint32_t>(sqlite3_column_bytes(rows, c));
        file.bytes.append(blob, length);
        file.lengths.push_back(length);
      }
      ++file.rows;
    }
    files.push_back(std::move(file));
  }
  return files;
}

// The statement that made a table or index, made in schema `schema` instead.
std::string inSchema(std::string sql, const std::string& schema) {
  for (const char* head : {"CREATE TABLE ", "CREATE UNIQUE INDEX ", "CREATE INDEX "}) {
    if (sql.rfind(head, 0) == 0) return sql.insert(std::string(head).size(), schema + ".");
  }
  return sql;
}

// The schema name of the f-th attached file.
std::string schemaOf(std::size_t f) {
  std::string schema = "f";
  schema += std::to_string(f + 1);
  return schema;
}

void insertRaw(const std::vector<StoredRows>& files, const fs::path& folder) {
  Shared& s = shared();
  // The main database is an empty file, as the driver's anchor: the commit over the attached
  // files goes through its super-journal.
  std::ofstream(folder / "anchor.db").close();
  bench::RawFile raw(folder / "anchor.db", s.rawKey, s.engine.pageCacheKiB());
  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::string schema = schemaOf(f);
    std::ofstream(folder / files[f].name).close();  // the connection attaches only files that exist
    raw.attach(folder / files[f].name, schema);
    raw.exec("PRAGMA " + schema + ".cache_size = -" + std::to_string(s.engine.pageCacheKiB()));
  }
  raw.exec("BEGIN IMMEDIATE");
  for (std::size_t f = 0; f < files.size(); ++f) {
    const StoredRows& file = files[f];
    const std::string schema = schemaOf(f);
    for (const std::string& sql : file.schema) raw.exec(inSchema(sql, schema));
    sqlite3_stmt* meta = raw.prepare("INSERT INTO " + schema + ".meta VALUES (?1, ?2)");
    for (const auto& [name, value] : file.meta) {
      sqlite3_bind_text(meta, 1, name.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(meta, 2, value.c_str(), -1, SQLITE_STATIC);
      if (sqlite3_step(meta) != SQLITE_DONE) throw std::runtime_error("raw insert failed in " + file.name);
      sqlite3_reset(meta);
    }
    std::string columns = "ver, data", values = "1, ?1";
    for (int k = 1; k < file.columns; ++k) {
      columns += ", k" + std::to_string(k - 1);
      values += ", ?" + std::to_string(k + 1);
    }
    sqlite3_stmt* insert =
        raw.prepare("INSERT OR FAIL INTO " + schema + ".rec (" + columns + ") VALUES (" + values + ")");
    std::size_t offset = 0, column = 0;
    for (std::int64_t r = 0; r < file.rows; ++r) {
      for (int c = 0; c < file.columns; ++c) {
        const std::uint32_t length = file.lengths[column++];
        if (length == StoredRows::kNull) {
          sqlite3_bind_null(insert, c + 1);
          continue;
        }
        sqlite3_bind_blob(insert, c + 1, file.bytes.data() + offset, static_cast<int>(length), SQLITE_STATIC);
        offset += length;
      }
      if (sqlite3_step(insert) != SQLITE_DONE) throw std::runtime_error("raw insert failed in " + file.name);
      sqlite3_reset(insert);
    }
  }
  raw.exec("COMMIT");
}

void LoadSchoolRaw(benchmark::State& state) {
  Shared& s = shared();
  const std::vector<StoredRows> files = storedSchool();
  const fs::path target = s.scratch / "raw";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(target);
    fs::create_directories(target);
    state.ResumeTiming();
    insertRaw(files, target);
  }
  fs::remove_all(target);
  perRecord(state, s.keyOrder.spec.gradeRecords);
}

// --- Dumping the grade records ------------------------------------------------------------------------

void DumpActasTool(benchmark::State& state) {
  Shared& s = shared();
  std::vector<std::string> args = {"dump", s.actas().string()};
  if (state.range(0) != 0) args.insert(args.end(), {"--key", "ACT:PK_ACTA"});
  double peak = 0;
  for (auto _ : state) {
    const Run run = runTool(args);
    if (run.exitCode != 0) return state.SkipWithError("the dump failed");
    state.SetIterationTime(run.seconds);
    peak = std::max(peak, run.peakMB);
  }
  perRecord(state, s.keyOrder.spec.gradeRecords);
  state.counters["peak_MB"] = peak;
}

void DumpActasRaw(benchmark::State& state) {
  Shared& s = shared();
  bench::RawFile raw(s.actas(), s.rawKey, s.engine.pageCacheKiB());
  sqlite3_stmt* scan =
      raw.prepare(state.range(0) == 0 ? "SELECT pos, ver, data FROM rec ORDER BY pos"
                                      : "SELECT pos, ver, data FROM rec WHERE k0 IS NOT NULL ORDER BY k0");
  platform::RecordBuffer record(s.decls.ACTAS.layout);
  std::int64_t count = 0;
  for (auto _ : state) {
    count = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_int64(scan, 0));
      benchmark::DoNotOptimize(sqlite3_column_int64(scan, 1));
      record.assignBytes(sqlite3_column_blob(scan, 2), static_cast<std::size_t>(sqlite3_column_bytes(scan, 2)));
      ++count;
    }
    sqlite3_reset(scan);
  }
  if (count != s.keyOrder.spec.gradeRecords) return state.SkipWithError("not every record was read");
  perRecord(state, count);
}

BENCHMARK(LoadSchoolTool)->Name("LoadSchool/tool")->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(LoadSchoolRaw)->Name("LoadSchool/raw")->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DumpActasTool)
    ->Name("DumpActas/tool")
    ->ArgNames({"order"})
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(DumpActasRaw)
    ->Name("DumpActas/raw")
    ->ArgNames({"order"})
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
