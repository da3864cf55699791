// Views at scale, on a generated "Actas.Tps" of 1,000,000 grade records whose busiest teacher holds
// 2,000. Every figure of a view ("/view") comes beside the same work written by hand with plain
// SQLCipher calls on the same files ("/raw": one read transaction, prepared statements, parents
// cached, rows sorted with the same locale comparison), so that the view's own cost can be quoted.
//
//   GroupPass      the grade book's pass over the teacher's pairs: the teacher's records joined to
//                  their programme, in programme description then group order, counting graded and
//                  ungraded records and collecting one queue entry per pair, then sorting the queue
//   ListPage       the first page (30 rows) of one pair of that teacher, joined to programme and
//                  student, in grade-record id order (order:2) or by student name then id (order:1)
//   Recount        the recount after a reload: every record of the pair in the list's order, then
//                  every record of the teacher through the pairs view (the raw version counts in one
//                  pass over the teacher's records, joining and sorting nothing: the lower bound)
//   Opening        what the teacher waits for between signing in and the grade book shown:
//                  GroupPass, ListPage (order 2) and Recount, the files' pages in this process's
//                  cache from the iterations before
//   OpeningFromOpen  the same right after opening the files (and the raw connection), as at
//                  sign-in: every page read and decrypted for the first time
//   TabChange      what a change of tab costs: ListPage (order 1) and Recount
//
// Each runs on the file loaded in key order (scattered:0) and in shuffled order (scattered:1).
// Run through scripts/bench.sh (release build); the schools are generated on the first run and
// cached (bench/school.h).
#include <benchmark/benchmark.h>
#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/context.h"
#include "bench/school.h"
#include "dictionary/file_declarations.h"
#include "platform/core/bindings.h"
#include "platform/core/fixed_text.h"
#include "platform/core/real_compare.h"
#include "platform/core/record_queue.h"
#include "platform/storage/data_file.h"
#include "platform/storage/key_image.h"
#include "platform/storage/view.h"

namespace {

namespace fs = std::filesystem;
using platform::RecordBuffer;
using namespace platform::literals;
using platform::storage::DataFile;
using platform::storage::FileDecl;
using platform::storage::Session;
using platform::storage::View;

constexpr int kPageRows = 30;
const char* const kGroupOrder = "PACA:DESCRIPCION,AACT:GRUPO";
const char* const kListFilter = "(ACT:ID_MAE=Gl_IdMaestro AND ACT:ID_PACA=Ll_ProAcademico AND ACT:GRUPO=Ls_Grupo)";
const char* const kListOrderByName = "ALU:NOMBRE,ACT:ID_ACT";
const char* const kListOrderAppended = "ALU:MATRICULA,ACT:ID_ACT";

struct Shared : bench::Context {
  Shared() {
    for (const bench::School* school : {&keyOrder, &scattered}) {
      for (const char* file : {"Actas.Tps", "Prog_Academico.Tps", "Alumnos.Tps"}) bench::warmUp(school->folder / file);
    }
  }
};

Shared& shared() {
  static Shared instance;
  return instance;
}

const bench::School& schoolOf(const benchmark::State& state) { return shared().school(state.range(0) != 0); }

// --- The grade book's files, variables and views over a school --------------------------------------

// The queue of the teacher's (programme, group) pairs.
const platform::RecordLayout& pairLayout() {
  static const platform::RecordLayout layout({{"LS_DESCRIPCION", platform::FieldType::String, 120},
                                              {"LS_GRUPO", platform::FieldType::String, 20},
                                              {"LL_ID", platform::FieldType::String, 20}});
  return layout;
}

// The (programme, group) pair the grade book shows first for the busy teacher.
struct Pair {
  std::int32_t programme = 0;
  platform::Cp1252Text group;
};
Pair firstPair(const bench::School& school);

struct GradeBook {
  // Opens the files and views for the school's busy teacher and the pair given (by default the
  // one the grade book shows first).
  explicit GradeBook(const bench::School& school, const Pair* pair = nullptr)
      : s(shared()),
        actasDecl(placed(s.decls.ACTAS, school, "Actas.Tps")),
        aliasDecl(placed(s.decls.ACTAS_ALIAS, school, "Actas.Tps")),
        pacaDecl(placed(s.decls.PROGRAMA_ACADEMICO, school, "Prog_Academico.Tps")),
        alumnosDecl(placed(s.decls.ALUMNOS, school, "Alumnos.Tps")),
        session(s.engine, school.folder.string()),
        actas(actasDecl, session),
        alias(aliasDecl, session),
        paca(pacaDecl, session),
        alumnos(alumnosDecl, session),
        groups(alias, &names),
        list(actas, &names),
        pairs(pairLayout(), "QGRU") {
    Gl_IdMaestro = school.busyTeacherId;
    names.bind("Gl_IdMaestro", Gl_IdMaestro);
    names.bind("Ll_ProAcademico", Ll_ProAcademico);
    names.bind("Ls_Grupo", Ls_Grupo);
    for (DataFile* file : {&actas, &alias, &paca, &alumnos}) {
      if (file->open() != 0) throw std::runtime_error(session.lastErrorText());
    }
    check(groups.join(paca, "PACA:PK_PROGRAMA_ACADEMICO", "AACT:ID_PACA"));
    check(list.join(paca, "PACA:PK_PROGRAMA_ACADEMICO", "ACT:ID_PACA"));
    check(list.join(alumnos, "ALU:PK_ALUMNOS", "ACT:ID_ALU"));
    check(groups.open());
    check(list.open());
    check(list.setFilter(kListFilter));
    average = actasDecl.fieldIndex("PROMEDIO");
    aliasAverage = aliasDecl.fieldIndex("PROMEDIO");
    const Pair shown = pair != nullptr ? *pair : firstPair(school);
    Ll_ProAcademico = shown.programme;
    Ls_Grupo = shown.group;
  }

  static FileDecl placed(const FileDecl& decl, const bench::School& school, const char* name) {
    return platform::storage::placedAt(decl, (school.folder / name).string());
  }
  void check(int error) {
    if (error != 0) throw std::runtime_error(session.lastErrorText());
  }

  // Fills the pairs queue and the teacher's counts, as the grade book opens.
  void groupPass() {
    check(groups.setFilter("AACT:ID_MAE=" + std::to_string(Gl_IdMaestro)));
    check(groups.setOrder(kGroupOrder));
    groups.restart();
    pairs.free();
    graded = ungraded = 0;
    platform::Cp1252Text previous;
    while (groups.next() == 0) {
      const double value = alias.buffer().getReal(aliasAverage);
      if (value > 0) ++graded;
      if (platform::realIsZero(value)) ++ungraded;
      const platform::Cp1252View description = paca.buffer().textView(1), group = alias.buffer().textView(3);
      const platform::Cp1252Text pair = platform::Cp1252Text(trimRight(description)) + "-"_cp1252 + trimRight(group);
      if (!s.locale.equal(pair, previous)) {
        pairs.buffer().setText(0, description);
        pairs.buffer().setText(1, group);
        pairs.buffer().setText(2, platform::Cp1252Text::decimal(paca.buffer().getLong(0)));
        pairs.append();
        previous = pair;
      }
    }
    pairs.sort(s.locale, "QGRU:LS_DESCRIPCION,QGRU:LS_GRUPO");
  }

  // The first page of the list in one of its two orders.
  int listPage(int order) {
    check(order == 1 ? list.setOrder(kListOrderByName)
                     : list.setOrder(actasDecl.keyIndex("PK_ACTA"), kListOrderAppended));
    int rows = 0;
    check(list.readPage("", true, View::Direction::Forward, kPageRows, [&] {
      benchmark::DoNotOptimize(alumnos.buffer().data());
      ++rows;
      return true;
    }));
    return rows;
  }

  // The counts of the pair, in the list's order, then of the teacher, through the pairs view.
  void recount() {
    int c = 0, z = 0;
    list.restart();
    while (list.next() == 0) {
      const double value = actas.buffer().getReal(average);
      if (value > 0) ++c;
      if (platform::realIsZero(value)) ++z;
    }
    pairGraded = c;
    pairUngraded = z;
    check(groups.setFilter("AACT:ID_MAE=" + std::to_string(Gl_IdMaestro)));
    check(groups.setOrder(kGroupOrder));
    groups.restart();
    graded = ungraded = 0;
    while (groups.next() == 0) {
      const double value = alias.buffer().getReal(aliasAverage);
      if (value > 0) ++graded;
      if (platform::realIsZero(value)) ++ungraded;
    }
  }

  // The first entry of the sorted queue of pairs.
  Pair queuedPair() {
    groupPass();
    pairs.get(1);
    return Pair{std::stoi(pairs.buffer().getText(2).bytes()), pairs.buffer().getText(1)};
  }

  Shared& s;
  const FileDecl actasDecl, aliasDecl, pacaDecl, alumnosDecl;
  Session session;
  DataFile actas, alias, paca, alumnos;
  platform::Bindings names;
  std::int32_t Gl_IdMaestro = 0;
  std::int32_t Ll_ProAcademico = 0;
  platform::FixedText<20> Ls_Grupo;
  View groups, list;
  platform::RecordQueue pairs;
  int average = 0, aliasAverage = 0;
  int graded = 0, ungraded = 0, pairGraded = 0, pairUngraded = 0;
};

Pair firstPair(const bench::School& school) {
  static std::map<const bench::School*, Pair> known;
  if (auto it = known.find(&school); it != known.end()) return it->second;
  const Pair none;
  GradeBook book(school, &none);
  return known[&school] = book.queuedPair();
}

// --- The same work by hand on plain SQLCipher ----------------------------------------------------------

std::string longImage(std::int32_t value) {
  std::string image;
  platform::storage::appendLongImage(value, image);
  return image;
}

// One connection to the grade records with the programmes and students attached.
class RawSchool {
 public:
  explicit RawSchool(const bench::School& school)
      : s_(shared()), school_(school), file_(school.folder / "Actas.Tps", s_.rawKey, s_.engine.pageCacheKiB()) {
    file_.attach(school.folder / "Prog_Academico.Tps", "paca");
    file_.attach(school.folder / "Alumnos.Tps", "alu");
    const int teacherKey = s_.decls.ACTAS.keyIndex("FK_ACTA_REF_32_ZOLBRANS");
    teacherRows_ = file_.prepare("SELECT pos, data FROM main.rec WHERE k" + std::to_string(teacherKey) + " = ?1");
    programme_ = file_.prepare("SELECT data FROM paca.rec WHERE k0 = ?1");
    student_ = file_.prepare("SELECT data FROM alu.rec WHERE k0 = ?1");
    const FileDecl& a = s_.decls.ACTAS;
    for (const char* name : {"ID_ACT", "GRUPO", "ID_ALU", "ID_PACA", "PROMEDIO"})
      field_[name] = a.layout.field(a.fieldIndex(name));
  }

  struct Record {
    std::int64_t pos;
    std::string data;
    std::int32_t id, programme, student;
    std::string_view group() const { return std::string_view(data).substr(groupOffset, groupSize); }
    double average;
    std::size_t groupOffset, groupSize;
  };

  // The teacher's records, decoded.
  std::vector<Record> teacherRecords() {
    std::vector<Record> out;
    sqlite3_bind_blob(teacherRows_, 1, teacherImage().data(), 4, SQLITE_TRANSIENT);
    while (sqlite3_step(teacherRows_) == SQLITE_ROW) {
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(teacherRows_, 1));
      Record r{sqlite3_column_int64(teacherRows_, 0),
               std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(teacherRows_, 1))),
               0,
               0,
               0,
               0,
               field_["GRUPO"].offset,
               field_["GRUPO"].size};
      r.id = longAt(r.data, "ID_ACT");
      r.programme = longAt(r.data, "ID_PACA");
      r.student = longAt(r.data, "ID_ALU");
      std::memcpy(&r.average, r.data.data() + field_["PROMEDIO"].offset, 8);
      out.push_back(std::move(r));
    }
    sqlite3_reset(teacherRows_);
    return out;
  }

  // A parent's record by its id, looked up once per distinct id.
  const std::string& parent(sqlite3_stmt* statement, std::unordered_map<std::int32_t, std::string>& cache,
                            std::int32_t id) {
    auto it = cache.find(id);
    if (it != cache.end()) return it->second;
    const std::string image = longImage(id);
    sqlite3_bind_blob(statement, 1, image.data(), 4, SQLITE_TRANSIENT);
    std::string data;
    if (sqlite3_step(statement) == SQLITE_ROW) {
      data.assign(static_cast<const char*>(sqlite3_column_blob(statement, 0)),
                  static_cast<std::size_t>(sqlite3_column_bytes(statement, 0)));
    }
    sqlite3_reset(statement);
    return cache.emplace(id, std::move(data)).first->second;
  }
  const std::string& programme(std::int32_t id) { return parent(programme_, programmes_, id); }
  const std::string& student(std::int32_t id) { return parent(student_, students_, id); }

  void begin() { file_.exec("BEGIN"); }
  void commit() {
    file_.exec("COMMIT");
    programmes_.clear();
    students_.clear();
  }

  std::string teacherImage() const { return longImage(school_.busyTeacherId); }
  std::int32_t longAt(const std::string& data, const char* name) {
    std::int32_t v;
    std::memcpy(&v, data.data() + field_[name].offset, 4);
    return v;
  }

 private:
  Shared& s_;
  const bench::School& school_;
  bench::RawFile file_;
  sqlite3_stmt* teacherRows_ = nullptr;
  sqlite3_stmt* programme_ = nullptr;
  sqlite3_stmt* student_ = nullptr;
  std::map<std::string, platform::Field> field_;
  std::unordered_map<std::int32_t, std::string> programmes_, students_;
};

// Text fields of parents as the layouts place them.
std::string_view textAt(const std::string& data, const FileDecl& decl, const char* name) {
  const platform::Field& f = decl.layout.field(decl.fieldIndex(name));
  return data.size() < f.offset + f.size ? std::string_view() : std::string_view(data).substr(f.offset, f.size);
}

struct RawGradeBook {
  explicit RawGradeBook(const bench::School& school) : s(shared()), raw(school) {
    const Pair shown = firstPair(school);
    programme = shown.programme;
    group = shown.group.bytes();
  }

  void groupPass() {
    raw.begin();
    std::vector<RawSchool::Record> records = raw.teacherRecords();
    std::vector<std::pair<std::string_view, const RawSchool::Record*>> rows;
    for (const auto& r : records)
      rows.emplace_back(textAt(raw.programme(r.programme), s.decls.PROGRAMA_ACADEMICO, "DESCRIPCION"), &r);
    std::sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
      if (int c = s.locale.compare(a.first, b.first)) return c < 0;
      if (int c = s.locale.compare(a.second->group(), b.second->group())) return c < 0;
      return a.second->pos < b.second->pos;
    });
    raw.commit();
    std::vector<std::string> pairs;
    graded = ungraded = 0;
    std::string previous;
    for (const auto& [description, r] : rows) {
      if (r->average > 0) ++graded;
      if (platform::realIsZero(r->average)) ++ungraded;
      const std::string pair =
          std::string(platform::trimRight(description)) + "-" + std::string(platform::trimRight(r->group()));
      if (!s.locale.equal(pair, previous)) pairs.push_back(pair), previous = pair;
    }
    std::sort(pairs.begin(), pairs.end(), [&](const auto& a, const auto& b) { return s.locale.compare(a, b) < 0; });
    benchmark::DoNotOptimize(pairs.data());
  }

  // The pair's records, joined, sorted in the list's order; the first page kept.
  int listPage(int order) {
    raw.begin();
    std::vector<RawSchool::Record> records = raw.teacherRecords();
    std::vector<std::pair<std::string_view, const RawSchool::Record*>> rows;
    for (const auto& r : records) {
      if (r.programme != programme || !s.locale.equal(r.group(), group)) continue;
      const std::string& student = raw.student(r.student);
      benchmark::DoNotOptimize(raw.programme(r.programme).data());
      rows.emplace_back(order == 1 ? textAt(student, s.decls.ALUMNOS, "NOMBRE") : std::string_view(), &r);
    }
    std::sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
      if (int c = s.locale.compare(a.first, b.first)) return c < 0;
      return a.second->id < b.second->id;
    });
    raw.commit();
    return static_cast<int>(std::min<std::size_t>(rows.size(), kPageRows));
  }

  void recount() {
    raw.begin();
    pairGraded = pairUngraded = graded = ungraded = 0;
    for (const auto& r : raw.teacherRecords()) {
      const bool inPair = r.programme == programme && s.locale.equal(r.group(), group);
      if (r.average > 0) ++graded, pairGraded += inPair;
      if (platform::realIsZero(r.average)) ++ungraded, pairUngraded += inPair;
    }
    raw.commit();
  }

  Shared& s;
  RawSchool raw;
  std::int32_t programme = 0;
  std::string group;
  int graded = 0, ungraded = 0, pairGraded = 0, pairUngraded = 0;
};

// --- Benchmarks ----------------------------------------------------------------------------------------

// Every grade record of the generated schools has an average of 0 or above: the two counts make
// up all of the teacher's records.
template <typename Book>
bool countsAreTheTeachers(benchmark::State& state, const Book& book) {
  if (book.graded + book.ungraded == schoolOf(state).spec.busyTeacherRecords) return true;
  state.SkipWithError("the counts are not the teacher's records");
  return false;
}

template <typename Book>
void GroupPass(benchmark::State& state) {
  Book book(schoolOf(state));
  for (auto _ : state) book.groupPass();
  countsAreTheTeachers(state, book);
}

template <typename Book>
void ListPage(benchmark::State& state) {
  Book book(schoolOf(state));
  int rows = 0;
  for (auto _ : state) rows = book.listPage(static_cast<int>(state.range(1)));
  if (rows != kPageRows) return state.SkipWithError("the page is not full");
}

template <typename Book>
void Recount(benchmark::State& state) {
  Book book(schoolOf(state));
  for (auto _ : state) book.recount();
  if (countsAreTheTeachers(state, book)) state.counters["pair_records"] = book.pairGraded + book.pairUngraded;
}

template <typename Book>
void Opening(benchmark::State& state) {
  Book book(schoolOf(state));
  for (auto _ : state) {
    book.groupPass();
    book.listPage(2);
    book.recount();
  }
}

// The opening as the teacher meets it: the files opened just before, their pages not yet read by
// this process (the system's file cache is warm).
template <typename Book>
void OpeningFromOpen(benchmark::State& state) {
  const bench::School& school = schoolOf(state);
  firstPair(school);
  for (auto _ : state) {
    Book book(school);
    book.groupPass();
    book.listPage(2);
    book.recount();
  }
}

template <typename Book>
void TabChange(benchmark::State& state) {
  Book book(schoolOf(state));
  for (auto _ : state) {
    book.listPage(1);
    book.recount();
  }
}

#define VIEW_BENCHMARK(name, ...)                                                                                     \
  BENCHMARK_TEMPLATE(name, GradeBook)->Name(#name "/view")->Unit(benchmark::kMillisecond)->UseRealTime() __VA_ARGS__; \
  BENCHMARK_TEMPLATE(name, RawGradeBook)->Name(#name "/raw")->Unit(benchmark::kMillisecond)->UseRealTime() __VA_ARGS__

VIEW_BENCHMARK(GroupPass, ->ArgNames({"scattered"})->Arg(0)->Arg(1));
VIEW_BENCHMARK(ListPage, ->ArgNames({"scattered", "order"})->ArgsProduct({{0, 1}, {2, 1}}));
VIEW_BENCHMARK(Recount, ->ArgNames({"scattered"})->Arg(0)->Arg(1));
VIEW_BENCHMARK(Opening, ->ArgNames({"scattered"})->Arg(0)->Arg(1));
VIEW_BENCHMARK(OpeningFromOpen, ->ArgNames({"scattered"})->Arg(0)->Arg(1));
VIEW_BENCHMARK(TabChange, ->ArgNames({"scattered"})->Arg(0)->Arg(1));

}  // namespace
