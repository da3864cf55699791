// The grade sheet at scale, on a generated school of 1,000,000 grade records whose teachers hold
// one group each: teacher 1 has 200 grade records in one group, teacher 2 has 40.
//
//   GradeSheet/pages   ReporteACTAS_CALIFICACIONES run as the teacher runs it, up to the preview
//                      showing the pages: the progress window, the view of the group joined to its
//                      four parents in the order of the students' names, every row printed into
//                      page metafiles. The rows start at the progress window's first timer event,
//                      100 ms after it opens, as the window's timer is set; that wait is part of
//                      the figure.
//   GradeSheet/pdf     the same, then the pages written as the PDF file that the preview's
//                      "Guardar a Pdf" writes (painting, qpdf's document information, rename).
//   GradeSheetRows/raw the same rows read by hand with plain SQLCipher (one read transaction, the
//                      teacher's key range, parents looked up once each, sorted by the same locale
//                      comparison): what reading alone costs, without windows or pages.
//
// Run through scripts/bench.sh (release build); the school is generated on the first run and
// cached (bench/school.h).
#include <benchmark/benchmark.h>
#include <sqlcipher/sqlite3.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "bench/context.h"
#include "bench/school.h"
#include "dictionary/managers.h"
#include "dictionary/program.h"
#include "dictionary/spanish_locale.h"
#include "output/reporte_actas_calificaciones.h"
#include "platform/classes/report_previewer.h"
#include "platform/os/fake_desktop_settings.h"
#include "platform/report/pdf_file.h"
#include "platform/storage/key_image.h"
#include "platform/storage/view.h"
#include "platform/ui/message_box.h"
#include "platform/ui/window.h"

namespace {

namespace fs = std::filesystem;

bench::SchoolSpec sheetSpec() {
  bench::SchoolSpec spec;
  spec.busyTeacherRecords = 200;
  spec.teachers = 24'996;  // the other 24,995 teachers hold 40 grade records each
  spec.groupsPerProgramme = 1;
  return spec;
}

// The program over the school, its working folder the school's folder (the sheet only reads).
struct Running {
  Running() : school(bench::cachedSchool(sheetSpec())), previous(fs::current_path()) {
    fs::current_path(school.folder);
    dictionary::ProgramEnvironment env;
    env.port = &port;
    env.desktop = &desktop;
    program = std::make_unique<dictionary::Program>(env);
    dictionary::ApplySpanishLocale(program->locale());
    program->errors().init(&dictionary::ThreadErrorStatus);
    dictionary::DictionaryInit();
  }
  ~Running() {
    program.reset();
    fs::current_path(previous);
  }

  // The teacher's (programme, group), from their first grade record.
  std::pair<std::int32_t, platform::Cp1252Text> pairOf(std::int32_t teacher) {
    platform::Bindings names;
    platform::storage::DataFile& actas = dictionary::DataFileOf(dictionary::File::ACTAS);
    platform::storage::View view(actas, &names);
    (void)view.open();  // a view that is not open reads nothing, which next() tells
    view.setFilter("ACT:ID_MAE=" + std::to_string(teacher));
    view.restart();
    if (view.next() != 0)
      throw std::runtime_error("the school has no grade record of teacher " + std::to_string(teacher));
    const auto& decl = actas.decl();
    std::pair<std::int32_t, platform::Cp1252Text> pair{actas.buffer().getLong(decl.fieldIndex("ID_PACA")),
                                                       actas.buffer().getText(decl.fieldIndex("GRUPO"))};
    view.close();
    return pair;
  }

  bench::School school;
  fs::path previous;
  platform::Locale portLocale;
  platform::ui::QtUserPort port{portLocale};
  platform::os::FakeDesktopSettings desktop;
  std::unique_ptr<dictionary::Program> program;
};

// Made at the first benchmark, ended before the QApplication is.
std::unique_ptr<Running>& runningSchool() {
  static std::unique_ptr<Running> instance;
  return instance;
}

Running& running() {
  if (!runningSchool()) runningSchool() = std::make_unique<Running>();
  return *runningSchool();
}

// Runs the sheet for a teacher; the preview is closed as soon as it shows the pages, which are
// written as a PDF first when asked.
void GradeSheet(benchmark::State& state, bool pdf) {
  Running& r = running();
  const std::int32_t teacher = static_cast<std::int32_t>(state.range(0));
  const auto [programme, group] = r.pairOf(teacher);
  r.program->Gl_IdMaestro = teacher;
  const fs::path out = fs::temp_directory_path() / ("grade_sheet_bench_" + std::to_string(::getpid()) + ".pdf");
  std::size_t rows = 0, pageCount = 0;
  platform::PreviewWatch watch([&](const std::vector<platform::report::PageMetafile>& pages) {
    pageCount = pages.size();
    rows = 0;
    for (const auto& page : pages) rows += page.texts("?LL_NO").size();
    if (pdf) {
      std::vector<const platform::report::PageMetafile*> all;
      for (const auto& page : pages) all.push_back(&page);
      int error = 0;
      platform::report::PdfOptions options;
      if (!platform::report::writePdf(
              all, out.string(),
              {"QV Report", "Pelvanto", "ReporteACTAS_CALIFICACIONES", "ReporteACTAS_CALIFICACIONES", "", ""}, options,
              error))
        state.SkipWithError(("the PDF could not be written: error " + std::to_string(error)).c_str());
    }
    QTimer::singleShot(0, [] {
      if (platform::ui::Window* preview = platform::ui::Window::current())
        preview->post(platform::ui::EventKind::CloseWindow);
    });
  });
  for (auto _ : state) output::ReporteACTAS_CALIFICACIONES(group, programme);
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["pages"] = static_cast<double>(pageCount);
  std::error_code ignored;
  fs::remove(out, ignored);
}

// The same rows by hand on plain SQLCipher.
void GradeSheetRowsRaw(benchmark::State& state) {
  Running& r = running();
  const std::int32_t teacher = static_cast<std::int32_t>(state.range(0));
  const auto [programme, group] = r.pairOf(teacher);
  const dictionary::FileDeclarations& decls = r.program->files();
  const std::string rawKey = r.program->engine().rawKey(decls.ACTAS.ownerPassword);
  const fs::path folder = r.school.folder;
  bench::RawFile file(folder / "Actas.Tps", rawKey, r.program->engine().pageCacheKiB());
  const std::pair<const char*, const char*> parents[] = {
      {"Zolbrans.Tps", "mae"}, {"Prog_Academico.Tps", "paca"}, {"Uni_Aprendizaje.Tps", "uapr"}, {"Alumnos.Tps", "alu"}};
  for (const auto& [name, schema] : parents) file.attach(folder / name, schema);
  const auto& actas = decls.ACTAS;
  const int teacherKey = actas.keyIndex("FK_ACTA_REF_32_ZOLBRANS");
  sqlite3_stmt* rows = file.prepare("SELECT pos, data FROM main.rec WHERE k" + std::to_string(teacherKey) + " = ?1");
  sqlite3_stmt* lookUp[4];
  for (int i = 0; i < 4; ++i)
    lookUp[i] = file.prepare(std::string("SELECT data FROM ") + parents[i].second + ".rec WHERE k0 = ?1");
  const auto offset = [&](const char* field) { return actas.layout.field(actas.fieldIndex(field)).offset; };
  const std::size_t groupAt = offset("GRUPO"), programmeAt = offset("ID_PACA"), idAt = offset("ID_ACT");
  const std::size_t parentAt[4] = {offset("ID_MAE"), offset("ID_PACA"), offset("ID_UAPR"), offset("ID_ALU")};
  const platform::Field name = decls.ALUMNOS.layout.field(decls.ALUMNOS.fieldIndex("NOMBRE"));
  std::size_t count = 0;
  for (auto _ : state) {
    file.exec("BEGIN");
    std::unordered_map<std::int32_t, std::string> cache[4];
    struct Row {
      std::string data;
      std::string_view student;
      std::int32_t id;
    };
    std::vector<Row> found;
    std::string teacherImage;
    platform::storage::appendLongImage(teacher, teacherImage);
    sqlite3_bind_blob(rows, 1, teacherImage.data(), static_cast<int>(teacherImage.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(rows) == SQLITE_ROW) {
      std::string data(static_cast<const char*>(sqlite3_column_blob(rows, 1)),
                       static_cast<std::size_t>(sqlite3_column_bytes(rows, 1)));
      std::int32_t p;
      std::memcpy(&p, data.data() + programmeAt, 4);
      if (p != programme || !r.program->locale().equal(std::string_view(data).substr(groupAt, 12), group.bytes()))
        continue;
      Row row{std::move(data), {}, 0};
      std::memcpy(&row.id, row.data.data() + idAt, 4);
      for (int i = 0; i < 4; ++i) {
        std::int32_t id;
        std::memcpy(&id, row.data.data() + parentAt[i], 4);
        auto it = cache[i].find(id);
        if (it == cache[i].end()) {
          std::string image;
          platform::storage::appendLongImage(id, image);
          sqlite3_bind_blob(lookUp[i], 1, image.data(), static_cast<int>(image.size()), SQLITE_TRANSIENT);
          std::string parent;
          if (sqlite3_step(lookUp[i]) == SQLITE_ROW)
            parent.assign(static_cast<const char*>(sqlite3_column_blob(lookUp[i], 0)),
                          static_cast<std::size_t>(sqlite3_column_bytes(lookUp[i], 0)));
          sqlite3_reset(lookUp[i]);
          it = cache[i].emplace(id, std::move(parent)).first;
        }
        if (i == 3 && it->second.size() >= name.offset + name.size)
          row.student = std::string_view(it->second).substr(name.offset, name.size);
      }
      found.push_back(std::move(row));
    }
    sqlite3_reset(rows);
    std::sort(found.begin(), found.end(), [&](const Row& a, const Row& b) {
      if (int c = r.program->locale().compare(a.student, b.student)) return c < 0;
      return a.id < b.id;
    });
    file.exec("COMMIT");
    count = found.size();
    benchmark::DoNotOptimize(found.data());
  }
  state.counters["rows"] = static_cast<double>(count);
}

}  // namespace

BENCHMARK_CAPTURE(GradeSheet, pages, false)
    ->ArgName("teacher")
    ->Arg(2)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(GradeSheet, pdf, true)
    ->ArgName("teacher")
    ->Arg(2)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(GradeSheetRowsRaw)
    ->Name("GradeSheetRows/raw")
    ->ArgName("teacher")
    ->Arg(2)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  runningSchool().reset();
  benchmark::Shutdown();
  return 0;
}
