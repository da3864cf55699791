// The grade book end to end, as a teacher meets it: the whole program started (ProgramEntry) in a
// school's folder, offscreen, driven by the robot. Each iteration is one run of the program:
//
//   time (manual)  from pressing "&Aceptar" in the sign-in to the grade book shown: its pairs, the
//                  first pair's page of grade records and both groups of counts filled, the window
//                  painted once
//   tab_ms         changing the tab (the list read in the other order, its page coloured, both
//                  groups of counts recounted, the window painted), the mean of four changes
//   rows           the rows the list shows
//   peak_MB        the peak resident memory of this process so far (VmHWM)
//
// On the generated school of 1,000,000 grade records whose busiest teacher (key 1001) holds 2,000
// (records added in key order, school:0, or shuffled, school:1), and on the demo school (school:2,
// teacher 1001 with 200). The robot polls without pause, so a step starts as soon as the program
// waits for the user. The same work without the window, against plain SQLCipher, is view_bench's
// Opening and TabChange.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/school.h"
#include "dictionary/file_declarations.h"
#include "dictionary/program.h"
#include "dictionary/spanish_locale.h"
#include "gradebook/grade_book.h"
#include "platform/os/fake_desktop_settings.h"
#include "platform/ui/message_box.h"
#include "platform/ui/test_robot.h"
#include "tools/data_tool.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using platform::ui::WindowDriver;

constexpr int kTabChanges = 4;

double milliseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The peak resident memory of this process, in MB.
double peakMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

struct SchoolFolder {
  fs::path folder;
  std::string key, password;
};

const SchoolFolder& schoolOf(int which) {
  static std::map<int, SchoolFolder> known;
  if (auto it = known.find(which); it != known.end()) return it->second;
  if (which == 2) {
    const fs::path folder = fs::temp_directory_path() / ("gradebook-bench-demo-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    platform::Locale locale;
    dictionary::ApplySpanishLocale(locale);
    dictionary::FileDeclarations decls;
    const datatool::Result built = datatool::buildDemo(decls, locale, folder);
    if (!built.ok()) throw std::runtime_error("demo school: " + built.error);
    return known[which] = {folder, "1001", "sol2024"};
  }
  bench::SchoolSpec spec;
  spec.order = which == 1 ? bench::RecordOrder::Scattered : bench::RecordOrder::KeyOrder;
  const bench::School school = bench::cachedSchool(spec);
  return known[which] = {school.folder, std::to_string(school.busyTeacherKey), school.busyTeacherPassword};
}

// One run of the program: sign in, wait for the grade book, change tabs, leave.
struct Run {
  double opening = 0;
  double tabChange = 0;
  int rows = 0;
  bool done = false;
  std::string failure;
};

Run runOnce(const SchoolFolder& school) {
  Run run;
  platform::Locale startLocale;
  platform::ui::QtUserPort messages(startLocale);
  platform::os::FakeDesktopSettings desktop(0);
  dictionary::ProgramEnvironment env;
  env.procedures.Main = gradebook::Main;
  env.port = &messages;
  env.desktop = &desktop;
  env.makeWindowSystemReady = [&messages] { messages.useLocale(dictionary::program().locale()); };

  platform::ui::Robot robot;
  robot.setPollInterval(0);
  Clock::time_point pressed, shown;
  double tabs = 0;
  robot.inWindow("Bienvenido", [&](WindowDriver& w) {
    w.type("?GS_MAESTRO", school.key);
    w.type("?LS_TEMCONTRASENA", school.password);
    pressed = Clock::now();
    w.press("?ACEPTAR");
  });
  robot.inWindow("Calificaciones", [&](WindowDriver& w) {
    w.window()->repaint();
    shown = Clock::now();
    run.rows = w.rowCount("?BROWSE:1");
    if (w.text("?STRTOTALUMNOS") == "100") run.failure = "the counts were not filled";
  });
  for (int change = 0; change < kTabChanges; ++change) {
    auto started = std::make_shared<Clock::time_point>();
    robot.inWindow("Calificaciones", [started, change](WindowDriver& w) {
      *started = Clock::now();
      w.selectTab("?CURRENTTAB", change % 2 == 0 ? 2 : 1);
    });
    robot.inWindow("Calificaciones", [started, &tabs](WindowDriver& w) {
      w.window()->repaint();
      tabs += milliseconds(*started, Clock::now());
    });
  }
  robot.inWindow("Calificaciones", [](WindowDriver& w) { w.press("?CLOSE"); });
  // Ungraded records remain in the generated and the demo schools: the closing question.
  robot.inMessage([](platform::ui::MessageDriver& m) { m.press("&Si"); });

  const fs::path previous = fs::current_path();
  fs::current_path(school.folder);
  robot.run([&] { dictionary::ProgramEntry(env); });
  fs::current_path(previous);
  run.done = robot.done();
  if (!run.done) run.failure = robot.report();
  run.opening = milliseconds(pressed, shown);
  run.tabChange = tabs / kTabChanges;
  return run;
}

void SignInToGradeBook(benchmark::State& state) {
  const SchoolFolder& school = schoolOf(static_cast<int>(state.range(0)));
  runOnce(school);  // the files' pages in the system's cache, as on a machine in use
  double tabs = 0;
  int rows = 0;
  for (auto _ : state) {
    const Run run = runOnce(school);
    if (!run.done || !run.failure.empty()) return state.SkipWithError(run.failure.c_str());
    state.SetIterationTime(run.opening / 1000.0);
    tabs += run.tabChange;
    rows = run.rows;
  }
  state.counters["tab_ms"] = tabs / static_cast<double>(state.iterations());
  state.counters["rows"] = rows;
  state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(SignInToGradeBook)
    ->ArgName("school")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
