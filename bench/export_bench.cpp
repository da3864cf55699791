// The export at scale: teacher 1's 2,000 grade records of a generated school of 1,000,000
// (bench::cachedSchool(SchoolSpec{})) written into a new export file in one transaction, each
// record with its five look-ups, through the program's own start-up objects and managers:
//
//   Export/redisplay:0   GradeExport showing nothing: the data work alone
//   Export/redisplay:1   the same in the export window (offscreen), the bar and the percentage
//                        painted after each record as the window paints them
//   Export/raw           the same records written with plain SQLCipher calls: a new keyed file with
//                        the driver's tables, the teacher's rows read through their key, each
//                        parent read by its primary key, the record's key images computed, one
//                        transaction
//
// Every iteration makes a new file under the same name (the clock is fixed), so creating it, the
// durable commit and, for the export, opening it again are in every figure. The school's files are
// read through links from a scratch folder, so the shared cached school gets nothing written into
// it. Run through scripts/bench.sh (release build).
#include <benchmark/benchmark.h>
#include <sqlcipher/sqlite3.h>
#include <unistd.h>

#include <QTest>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/context.h"
#include "bench/running_program.h"
#include "bench/school.h"
#include "dictionary/managers.h"
#include "dictionary/program.h"
#include "dictionary/spanish_locale.h"
#include "output/export_window.h"
#include "output/grade_export.h"
#include "platform/core/date_time.h"
#include "platform/os/paths.h"
#include "platform/port/scripted_port.h"
#include "platform/storage/key_image.h"

namespace {

namespace fs = std::filesystem;
using dictionary::File;
using platform::storage::FileDecl;

struct Shared {
  Shared() {
    dictionary::ApplySpanishLocale(locale);
    school = bench::cachedSchool(bench::SchoolSpec{});
    scratch = bench::cacheRoot() / ("export-scratch-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    fs::create_directories(scratch / "data");
    fs::create_directories(scratch / "out");
    for (const FileDecl* decl : decls.dataFiles())
      fs::create_symlink(fs::absolute(school.folder / decl->physicalName), scratch / "data" / decl->physicalName);
    rawKey = engine.rawKey(decls.ACTAS.ownerPassword);
  }
  ~Shared() {
    std::error_code ec;
    fs::remove_all(scratch, ec);
  }

  platform::Locale locale;
  dictionary::FileDeclarations decls;
  platform::storage::Engine engine{locale};
  bench::School school;
  fs::path scratch;
  std::string rawKey;
};

Shared& shared() {
  static Shared instance;
  return instance;
}

// A records-free progress, for the data work alone.
class NoProgress : public output::ExportProgress {
 public:
  void showFileName(platform::Cp1252View) override {}
  void start(std::int32_t) override {}
  void advance() override { ++records; }
  int records = 0;
};

// The program signed in as the school's busiest teacher, in the scratch folder, with the files the
// export window opens.
class SignedIn {
 public:
  SignedIn() : running_(shared().scratch / "data") {
    running_.program().Gl_IdMaestro = shared().school.busyTeacherId;
    output::OpenExportFiles();
  }
  ~SignedIn() { output::CloseExportFiles(); }
  platform::ScriptedPort& port() { return running_.port(); }

 private:
  bench::RunningProgram running_;
};

constexpr std::int32_t kTotal = 2'000;

void Export(benchmark::State& state) {
  const bool redisplay = state.range(0) != 0;
  platform::FixedClock clock({platform::dateSerial(2026, 12, 8), platform::clockValue(14, 5, 0)});
  SignedIn running;
  platform::FixedText<255> LS_RUTA;
  platform::FixedText<20> LS_POR;
  std::unique_ptr<platform::ui::Window> window;
  std::unique_ptr<output::ExportProgress> progress;
  if (redisplay) {
    window = std::make_unique<platform::ui::Window>("dlg_exportacion", shared().locale);
    window->bind("LS_RUTA", platform::ui::Variable::of(LS_RUTA));
    window->bind("LS_POR", platform::ui::Variable::of(LS_POR));
    window->open();
    if (!QTest::qWaitForWindowExposed(window->handle())) return state.SkipWithError("the window never showed");
    progress = std::make_unique<output::ExportWindowProgress>(*window, LS_POR);
  } else {
    progress = std::make_unique<NoProgress>();
  }
  const platform::Cp1252Text out = *platform::os::textOf(shared().scratch / "out");
  for (auto _ : state) {
    if (!output::GradeExport(kTotal, *progress).run(out)) return state.SkipWithError("the export failed");
    running.port().clear();
  }
  state.counters["records"] = kTotal;
  state.counters["records/s"] = benchmark::Counter(kTotal, benchmark::Counter::kIsIterationInvariantRate);
}

// Plain SQLCipher on the same files.
class RawExport {
 public:
  RawExport()
      : s_(shared()),
        file_(s_.school.folder / "Actas.Tps", s_.rawKey, s_.engine.pageCacheKiB()),
        target_(s_.decls.EXPORTACION.layout) {
    const FileDecl& a = s_.decls.ACTAS;
    grades_ =
        file_.prepare("SELECT data FROM main.rec WHERE k" + std::to_string(a.keyIndex("FK_ACTA_REF_32_ZOLBRANS")) +
                      " = ?1 ORDER BY k" + std::to_string(a.keyIndex("FK_ACTA_REF_32_ZOLBRANS")) + ", pos");
    parent(s_.decls.ALUMNOS, "alu", "ID_ALU", {{"MATRICULA", "MATRICULA"}, {"NOMBRE", "NOMBRE"}});
    parent(s_.decls.ZOLBRANS, "mae", "ID_MAE", {{"CLAVE", "CLA_MAESTRO"}, {"NOMBRE", "NOM_MAESTRO"}});
    parent(s_.decls.UNIDAD_APRENDIZAJE, "uapr", "ID_UAPR", {{"DESCRIPCION", "UNI_APRENDIZAJE"}});
    parent(s_.decls.PROGRAMA_ACADEMICO, "paca", "ID_PACA", {{"DESCRIPCION", "PROG_ACADEMICO"}});
    parent(s_.decls.CIUDAD, "ciu", "ID_CIU", {{"DESCRIPCION", "DESC_CIUDAD"}});
    for (const char* name :
         {"ID_ACT", "CLAVE", "PERIODO", "GRUPO", "POR_PORTAFOLIO", "PORTAFOLIO", "POR_EXAMEN", "EXAMEN",
          "POR_PARTICIPACION", "PARTICIPACION", "POR_ENSAYO", "ENSAYO", "PROMEDIO", "STATUS"})
      own_.push_back(copy(a, name, name));
  }

  // One export; the number of records written.
  int run(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
    std::ofstream(path).close();  // an empty file is a new database; the connection may not create one
    file_.exec("ATTACH '" + path.string() + "' AS exp KEY \"" + s_.rawKey + "\"");
    file_.exec("PRAGMA exp.cipher_page_size = 4096");
    const FileDecl& e = s_.decls.EXPORTACION;
    std::string columns = "pos INTEGER PRIMARY KEY, ver INTEGER NOT NULL, data BLOB NOT NULL";
    std::string names = "pos, ver, data", values = "?1, 1, ?2";
    for (std::size_t k = 0; k < e.keys.size(); ++k) {
      columns += ", k" + std::to_string(k) + " BLOB";
      names += ", k" + std::to_string(k);
      values += ", ?" + std::to_string(k + 3);
    }
    // The empty file in one transaction, as the driver makes it; the records in a second one.
    std::string schema =
        "BEGIN; CREATE TABLE exp.meta(name TEXT PRIMARY KEY, value TEXT); CREATE TABLE exp.rec(" + columns + ");";
    for (std::size_t k = 0; k < e.keys.size(); ++k) {
      schema += std::string("CREATE ") + (e.keys[k].duplicates ? "" : "UNIQUE ") + "INDEX exp.rec_k" +
                std::to_string(k) + " ON rec(k" + std::to_string(k) + ");";
    }
    file_.exec(schema + "COMMIT");
    sqlite3_stmt* insert = file_.prepare("INSERT INTO exp.rec(" + names + ") VALUES (" + values + ")");
    file_.exec("BEGIN");
    const std::string teacher = longImage(s_.school.busyTeacherId);
    sqlite3_bind_blob(grades_, 1, teacher.data(), 4, SQLITE_TRANSIENT);
    int written = 0;
    while (sqlite3_step(grades_) == SQLITE_ROW) {
      const auto* grade = static_cast<const std::uint8_t*>(sqlite3_column_blob(grades_, 0));
      target_.clear();
      for (const Copy& c : own_) std::memcpy(target_.data() + c.to, grade + c.from, c.size);
      for (Parent& p : parents_) {
        std::int32_t id;
        std::memcpy(&id, grade + p.link, 4);
        const std::string image = longImage(id);
        sqlite3_bind_blob(p.select, 1, image.data(), 4, SQLITE_TRANSIENT);
        if (sqlite3_step(p.select) == SQLITE_ROW) {
          const auto* row = static_cast<const std::uint8_t*>(sqlite3_column_blob(p.select, 0));
          for (const Copy& c : p.copies) std::memcpy(target_.data() + c.to, row + c.from, c.size);
        }
        sqlite3_reset(p.select);
      }
      sqlite3_bind_int64(insert, 1, ++written);
      sqlite3_bind_blob(insert, 2, target_.data(), static_cast<int>(target_.size()), SQLITE_STATIC);
      std::vector<std::string> images;
      for (std::size_t k = 0; k < e.keys.size(); ++k)
        images.push_back(platform::storage::keyImageOf(e, s_.locale, target_, static_cast<int>(k)));
      for (std::size_t k = 0; k < images.size(); ++k)
        sqlite3_bind_blob(insert, static_cast<int>(k + 3), images[k].data(), static_cast<int>(images[k].size()),
                          SQLITE_STATIC);
      if (sqlite3_step(insert) != SQLITE_DONE) throw std::runtime_error("raw insert failed");
      sqlite3_reset(insert);
    }
    sqlite3_reset(grades_);
    file_.exec("COMMIT");
    file_.exec("DETACH exp");
    return written;
  }

 private:
  struct Copy {
    std::uint32_t from, to, size;
  };
  struct Parent {
    sqlite3_stmt* select;
    std::uint32_t link;
    std::vector<Copy> copies;
  };

  static std::string longImage(std::int32_t value) {
    std::string image;
    platform::storage::appendLongImage(value, image);
    return image;
  }
  Copy copy(const FileDecl& from, const char* field, const char* exportField) const {
    const platform::Field& f = from.layout.field(from.fieldIndex(field));
    const platform::Field& t = s_.decls.EXPORTACION.layout.field(s_.decls.EXPORTACION.fieldIndex(exportField));
    return {f.offset, t.offset, f.size};
  }
  void parent(const FileDecl& decl, const std::string& schema, const char* link,
              std::vector<std::pair<const char*, const char*>> fields) {
    file_.attach(s_.school.folder / decl.physicalName, schema);
    Parent p{file_.prepare("SELECT data FROM " + schema + ".rec WHERE k0 = ?1"),
             s_.decls.ACTAS.layout.field(s_.decls.ACTAS.fieldIndex(link)).offset,
             {}};
    for (const auto& [field, exportField] : fields) p.copies.push_back(copy(decl, field, exportField));
    parents_.push_back(std::move(p));
  }

  Shared& s_;
  bench::RawFile file_;
  platform::RecordBuffer target_;
  sqlite3_stmt* grades_ = nullptr;
  std::vector<Copy> own_;
  std::vector<Parent> parents_;
};

void ExportRaw(benchmark::State& state) {
  RawExport raw;
  const fs::path path = shared().scratch / "out" / "raw.Vyr";
  int written = 0;
  for (auto _ : state) written = raw.run(path);
  if (written != kTotal) return state.SkipWithError("the raw export wrote another number of records");
  state.counters["records"] = written;
  state.counters["records/s"] = benchmark::Counter(written, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(Export)->ArgName("redisplay")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ExportRaw)->Name("Export/raw")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
