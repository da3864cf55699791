// The file and relation managers at scale, through the program's own start-up objects, on the demo
// school (school:0) and on a generated school of 1,000,000 grade records whose teacher 1 has
// 10,000 of them (school:1):
//
//   OpenActasRelated        open ACTAS with the open-related request (the whole related set is
//                           walked and counted open, ACTAS opened at once), then close it
//   OpenActasRelatedInUse   the same, with every related file opened physically as an integrity
//                           operation makes them before its transaction
//   ChangeTeacherId         a teacher's MAE:ID_MAE changed through the relation manager of
//                           ZOLBRANS: every grade record of the teacher rewritten (with its field
//                           checks) in one transaction; 10,000 records at 1,000,000, the busiest
//                           teacher's in the demo
//   SaveGradeRecord         one grade record's score changed and saved through the relation
//                           manager of ACTAS, as the grade form saves: field checks, no cascade,
//                           durable commit
//   BareDurableCommit       beside it: the same one-record rewrite in plain SQLCipher on the same
//                           file (a transaction with a durable commit), and through the storage
//                           driver without the managers
//   RawAttach               beside the opens: plain SQLCipher attaching 1 or 8 data files with
//                           their key and reading their layout, as an open does
//
// Every write works on a copy of the school. Run through scripts/bench.sh (release build).
#include <benchmark/benchmark.h>
#include <sqlcipher/sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/running_program.h"
#include "bench/school.h"
#include "dictionary/managers.h"
#include "dictionary/program.h"
#include "dictionary/spanish_locale.h"
#include "platform/core/runtime_errors.h"
#include "tools/data_tool.h"

namespace {

namespace fs = std::filesystem;
using dictionary::File;
using platform::kLevelBenign;

constexpr std::int32_t kBusyTeacherRecords = 10'000;

struct Schools {
  Schools() {
    dictionary::ApplySpanishLocale(locale);
    scratch = bench::cacheRoot() / ("dictionary-scratch-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    demo.folder = scratch / "demo";
    const datatool::Result built = datatool::buildDemo(decls, locale, demo.folder);
    if (!built.ok()) throw std::runtime_error("demo school: " + built.error);
    bench::SchoolSpec spec;
    spec.busyTeacherRecords = kBusyTeacherRecords;
    large = bench::cachedSchool(spec);
  }
  ~Schools() {
    std::error_code ec;
    fs::remove_all(scratch, ec);
  }

  const bench::School& of(const benchmark::State& state) const { return state.range(0) == 0 ? demo : large; }
  // A private copy of a school for a benchmark that writes.
  bench::School copyFor(const benchmark::State& state, const std::string& name) const {
    return bench::copyOf(of(state), scratch / (name + std::to_string(state.range(0))));
  }

  platform::Locale locale;
  dictionary::FileDeclarations decls;
  bench::School demo, large;
  fs::path scratch;
};

Schools& schools() {
  static Schools instance;
  return instance;
}

using bench::RunningProgram;

platform::FileManager& fileManager(File file) { return *dictionary::FileManagerOf(file); }
platform::RelationManager& relationManager(File file) { return *dictionary::RelationManagerOf(file); }
platform::RecordBuffer& record(File file) { return dictionary::DataFileOf(file).buffer(); }
int fieldOf(File file, const char* name) { return schools().decls.at(static_cast<int>(file)).fieldIndex(name); }

// Reads a record by its id (field 0, primary key 0 in every file) and remembers its links.
bool readById(File file, std::int32_t id) {
  record(file).clear();
  record(file).setLong(0, id);
  if (fileManager(file).tryFetch(0) != kLevelBenign) return false;
  relationManager(file).rememberLinkingValues();
  return true;
}

// The teacher with the most grade records, and how many.
std::pair<std::int32_t, std::int64_t> busiestTeacher() {
  std::map<std::int32_t, std::int64_t> counts;
  platform::storage::DataFile& grades = dictionary::DataFileOf(File::ACTAS);
  const int teacher = fieldOf(File::ACTAS, "ID_MAE");
  (void)grades.set();
  while (grades.next() == platform::errors::kNone) ++counts[grades.buffer().getLong(teacher)];
  std::pair<std::int32_t, std::int64_t> best{0, 0};
  for (const auto& [id, count] : counts) {
    if (count > best.second) best = {id, count};
  }
  return best;
}

// ---- Opening -----------------------------------------------------------------------------------

void OpenActasRelated(benchmark::State& state, bool useEveryFile) {
  RunningProgram running(schools().of(state).folder);
  platform::RelationManager& grades = relationManager(File::ACTAS);
  int files = 0;
  for (auto _ : state) {
    grades.setOpenRelated();
    if (grades.open() != kLevelBenign) return state.SkipWithError("open failed");
    files = 0;
    for (int i = 0; i < dictionary::kFileCount; ++i) {
      platform::FileManager& manager = fileManager(static_cast<File>(i));
      if (manager.openCount() == 0) continue;
      ++files;
      if (useEveryFile && manager.useFile() != kLevelBenign) return state.SkipWithError("use failed");
    }
    grades.close();
  }
  if (!running.quiet()) return state.SkipWithError(running.firstMessage().c_str());
  state.counters["files"] = files;
}

void OpenActasRelatedCounted(benchmark::State& state) { OpenActasRelated(state, false); }
void OpenActasRelatedInUse(benchmark::State& state) { OpenActasRelated(state, true); }

// Plain SQLCipher: a connection on an anchor file with the school's data files attached and keyed,
// each file's layout read.
void RawAttach(benchmark::State& state) {
  const bench::School& school = schools().large;
  platform::storage::Engine engine(schools().locale);
  const std::string key = engine.rawKey(schools().decls.ACTAS.ownerPassword);
  const fs::path anchor = schools().scratch / "raw-anchor.db";
  std::vector<std::string> paths;
  for (const auto* decl : schools().decls.dataFiles()) paths.push_back((school.folder / decl->physicalName).string());
  paths.resize(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(anchor.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    for (std::size_t i = 0; i < paths.size(); ++i) {
      const std::string schema = "f" + std::to_string(i + 1);
      const std::string attach = "ATTACH DATABASE '" + paths[i] + "' AS " + schema + " KEY \"" + key + "\"";
      int rows = 0;
      if (sqlite3_exec(db, attach.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) {
        sqlite3_exec(
            db, ("SELECT name, value FROM " + schema + ".meta").c_str(),
            [](void* n, int, char**, char**) { return ++*static_cast<int*>(n), 0; }, &rows, nullptr);
      }
      if (rows == 0) {
        sqlite3_close_v2(db);
        return state.SkipWithError("raw attach failed");
      }
    }
    sqlite3_close_v2(db);
  }
}

// ---- Cascading a changed id ----------------------------------------------------------------------

void ChangeTeacherId(benchmark::State& state) {
  const bench::School copy = schools().copyFor(state, "cascade");
  RunningProgram running(copy.folder);
  platform::RelationManager& teachers = relationManager(File::ZOLBRANS);
  if (teachers.open() != kLevelBenign) return state.SkipWithError("open failed");
  std::pair<std::int32_t, std::int64_t> busiest{copy.busyTeacherId, kBusyTeacherRecords};
  if (state.range(0) == 0) {
    fileManager(File::ACTAS).open();
    fileManager(File::ACTAS).useFile();
    busiest = busiestTeacher();
    fileManager(File::ACTAS).close();
  }
  const auto [teacher, records] = busiest;
  const std::int32_t ids[2] = {teacher, 900'000};
  const int id = fieldOf(File::ZOLBRANS, "ID_MAE");
  int turn = 0;
  for (auto _ : state) {
    if (!readById(File::ZOLBRANS, ids[turn % 2])) return state.SkipWithError("teacher not found");
    record(File::ZOLBRANS).setLong(id, ids[(turn + 1) % 2]);
    if (teachers.update(true) != kLevelBenign) return state.SkipWithError(running.firstMessage().c_str());
    ++turn;
  }
  teachers.close();
  state.counters["grade_records"] = static_cast<double>(records);
  state.SetItemsProcessed(state.iterations() * records);
}

// ---- Saving one grade record -------------------------------------------------------------------------

void SaveGradeRecord(benchmark::State& state) {
  const bench::School copy = schools().copyFor(state, "save");
  RunningProgram running(copy.folder);
  platform::RelationManager& grades = relationManager(File::ACTAS);
  grades.setOpenRelated();
  if (grades.open() != kLevelBenign) return state.SkipWithError("open failed");
  if (!readById(File::ACTAS, 1)) return state.SkipWithError("no grade record 1");
  const int exam = fieldOf(File::ACTAS, "EXAMEN");
  double score = 70;
  for (auto _ : state) {
    score = score == 70 ? 71 : 70;
    record(File::ACTAS).setReal(exam, score);
    if (grades.update(true) != kLevelBenign) return state.SkipWithError(running.firstMessage().c_str());
  }
  grades.close();
}

// The one-record rewrite of SaveGradeRecord in plain SQLCipher: one file, default rollback journal
// and synchronous=FULL, a transaction with its durable commit.
void BareDurableCommitRaw(benchmark::State& state) {
  const bench::School copy = schools().copyFor(state, "bare");
  platform::storage::Engine engine(schools().locale);
  sqlite3* db = nullptr;
  sqlite3_open_v2((copy.folder / "Actas.Tps").c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  const std::string keyed = "PRAGMA key = \"" + engine.rawKey(schools().decls.ACTAS.ownerPassword) + "\"";
  sqlite3_exec(db, keyed.c_str(), nullptr, nullptr, nullptr);
  sqlite3_exec(db, "PRAGMA cipher_page_size = 4096", nullptr, nullptr, nullptr);
  sqlite3_stmt* rewrite = nullptr;
  if (sqlite3_prepare_v2(db, "UPDATE rec SET ver = ver + 1, data = data WHERE pos = 1", -1, &rewrite, nullptr) !=
      SQLITE_OK) {
    sqlite3_close_v2(db);
    return state.SkipWithError("raw prepare failed");
  }
  for (auto _ : state) {
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    const int rc = sqlite3_step(rewrite);
    sqlite3_reset(rewrite);
    if (rc != SQLITE_DONE || sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
      sqlite3_finalize(rewrite);
      sqlite3_close_v2(db);
      return state.SkipWithError("raw commit failed");
    }
  }
  sqlite3_finalize(rewrite);
  sqlite3_close_v2(db);
}

// The same rewrite through the storage driver alone: a put outside a transaction commits durably.
void BareDurableCommitDriver(benchmark::State& state) {
  const bench::School copy = schools().copyFor(state, "driver");
  RunningProgram running(copy.folder);
  platform::storage::DataFile& grades = dictionary::DataFileOf(File::ACTAS);
  if (grades.open() != platform::errors::kNone) return state.SkipWithError("open failed");
  grades.buffer().setLong(0, 1);
  if (grades.get(0) != platform::errors::kNone) return state.SkipWithError("no grade record 1");
  const int exam = fieldOf(File::ACTAS, "EXAMEN");
  double score = 70;
  for (auto _ : state) {
    score = score == 70 ? 71 : 70;
    grades.buffer().setReal(exam, score);
    if (grades.put() != platform::errors::kNone) return state.SkipWithError("put failed");
  }
  grades.close();
}

BENCHMARK(OpenActasRelatedCounted)
    ->Name("OpenActasRelated")
    ->ArgName("school")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(OpenActasRelatedInUse)
    ->Name("OpenActasRelatedInUse")
    ->ArgName("school")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(RawAttach)->Name("RawAttach")->ArgName("files")->Arg(1)->Arg(8)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(ChangeTeacherId)
    ->Name("ChangeTeacherId")
    ->ArgName("school")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK(SaveGradeRecord)
    ->Name("SaveGradeRecord")
    ->ArgName("school")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BareDurableCommitRaw)
    ->Name("BareDurableCommit/raw")
    ->ArgName("school")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BareDurableCommitDriver)
    ->Name("BareDurableCommit/driver")
    ->ArgName("school")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
