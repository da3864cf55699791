// The export window on real widgets, driven by the robot, over the school of tests/fixtures/export.
// Message boxes are real; the folder dialog is answered by a scripted port.
#include "output/dlg_exportacion.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <optional>

#include "dictionary/dictionary_test_support.h"
#include "output/export_window.h"
#include "platform/classes/window_controller.h"
#include "platform/core/cp1252_text.h"
#include "platform/core/date_time.h"
#include "platform/storage/testing/open_descriptors.h"
#include "platform/ui/message_box.h"
#include "platform/ui/test_robot.h"

namespace output {
namespace {

using namespace platform::literals;

namespace fs = std::filesystem;
using platform::ui::MessageDriver;
using platform::ui::WindowDriver;

constexpr const char* kTitle = "Exportación";
const platform::LocalMoment kMoment{platform::dateSerial(2026, 12, 8), platform::clockValue(14, 5, 30)};
constexpr const char* kFileName = "Exporacion - 1234 - 12-08-26 14-05.Vyr";

// Message boxes on real widgets, for the robot to read and answer; folder dialogs from a script.
class RobotPort : public platform::ui::QtUserPort {
 public:
  using QtUserPort::QtUserPort;
  std::optional<std::string> chooseFolder(const platform::FolderRequest& request) override {
    return folders.chooseFolder(request);
  }
  platform::ScriptedPort folders;
};

class ExportWindowTest : public dictionary::testing::DictionaryTest {
 protected:
  std::string tables() const override { return "export"; }

  void SetUp() override {
    DictionaryTest::SetUp();
    out = folder / "salida";
    home = folder / "casa";
    fs::create_directories(out);
    fs::create_directories(home);
    if (const char* saved = std::getenv("HOME")) savedHome = saved;
    ::setenv("HOME", home.c_str(), 1);
    dictionary::ProgramEnvironment env = environment();
    env.port = &port;
    started = std::make_unique<dictionary::Program>(env);
    dictionary::ApplySpanishLocale(started->locale());
    started->errors().init(&dictionary::ThreadErrorStatus);
    dictionary::DictionaryInit();
    started->errors().setProcedureName("Main");
    started->Gl_IdMaestro = 1;
    clock.emplace(kMoment);
  }

  void TearDown() override {
    if (savedHome)
      ::setenv("HOME", savedHome->c_str(), 1);
    else
      ::unsetenv("HOME");
    DictionaryTest::TearDown();
  }

  void chooseFolder(const fs::path& chosen) {
    port.folders.answerFolder(chosen.string());
    robot.inWindow(kTitle, [](WindowDriver& w) { w.press("?LOOKUPFILE"); });
  }
  // Presses "&Exportar" and acknowledges the message that follows, which must say it finished.
  void exportAndAcknowledge() {
    robot.inWindow(kTitle, [](WindowDriver& w) { w.press("?OKBUTTON"); });
    finishedMessage();
  }
  void finishedMessage() {
    robot.inMessage([this](MessageDriver& m) {
      ++finished;
      EXPECT_EQ(m.caption(), "Atención");
      EXPECT_EQ(m.text(), "Exportación Terminada");
      EXPECT_TRUE(m.showsExclamation());
      EXPECT_EQ(m.buttons(), std::vector<std::string>{"&Aceptar"});
      m.press("&Aceptar");
    });
  }
  void close() {
    robot.inWindow(kTitle, [](WindowDriver& w) { w.press("?CANCELBUTTON"); });
  }
  void run(std::int32_t total) {
    robot.run([total] { Dlg_Exportacion(total); });
    EXPECT_TRUE(robot.done()) << robot.report();
  }

  RobotPort port{spanish};
  platform::ui::Robot robot;
  std::optional<platform::FixedClock> clock;
  fs::path out, home;
  std::optional<std::string> savedHome;
  int finished = 0;
};

TEST_F(ExportWindowTest, OpensAsDefinedAndKeepsThePlaceholderUntilItCloses) {
  robot.inWindow(kTitle, [this](WindowDriver& w) {
    const platform::ui::DialogUnits units(w.window()->font());
    EXPECT_EQ(w.window()->size(), QSize(units.toPixelsX(332), units.toPixelsY(79)));
    EXPECT_EQ(w.text("?LS_RUTA:PROMPT"), "Ruta ");
    EXPECT_EQ(w.text("?LS_RUTA"), "");
    EXPECT_TRUE(w.isReadOnly("?LS_RUTA"));
    EXPECT_EQ(w.text("?LOOKUPFILE"), "...");
    EXPECT_EQ(w.filled("?PROGRESS1"), 0);
    EXPECT_EQ(w.text("?LS_POR"), "0 %") << "\" 0 %\", its blank left to the centring";
    EXPECT_EQ(w.text("?PROMPT2"), "Archivo:");
    EXPECT_EQ(w.text("?STRNOMARCHIVO"), "");
    EXPECT_EQ(w.text("?OKBUTTON"), "&Exportar");
    EXPECT_EQ(w.text("?CANCELBUTTON"), "&Cancelar");
    EXPECT_TRUE(qobject_cast<QPushButton*>(w.find("?OKBUTTON"))->isDefault());
    EXPECT_FALSE(qobject_cast<QPushButton*>(w.find("?OKBUTTON"))->icon().isNull()) << "the save icon";
    EXPECT_FALSE(qobject_cast<QPushButton*>(w.find("?CANCELBUTTON"))->icon().isNull()) << "the cancel icon";
    // The percentage is centred under the bar.
    const QRect bar = w.geometry("?PROGRESS1");
    const QRect percent = w.geometry("?LS_POR");
    EXPECT_LE(std::abs(percent.center().x() - bar.center().x()), units.toPixelsX(2));
    EXPECT_TRUE(qobject_cast<QLabel*>(w.find("?LS_POR"))->alignment() & Qt::AlignHCenter);
    // The window opens on its first field, the read-only path; it is only ever chosen: Tab goes
    // from "..." to the buttons and back, never into it.
    EXPECT_EQ(w.focusLabel(), "?LS_RUTA");
    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.focusLabel(), "?LOOKUPFILE");
    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.focusLabel(), "?OKBUTTON");
    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.focusLabel(), "?CANCELBUTTON");
    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.focusLabel(), "?LOOKUPFILE");
    EXPECT_TRUE(fs::exists(folder / "Exportacion.Tps")) << "the export file opens under its first name";
    EXPECT_EQ(started->errors().status().procedure, "Dlg_Exportacion");
    w.press("?CANCELBUTTON");
  });
  run(4);
  EXPECT_TRUE(fs::exists(folder / "Exportacion.Tps")) << "closed without exporting, the placeholder stays";
  EXPECT_EQ(dictionary::ThisThread().Response, platform::kResponseCancelled);
  EXPECT_EQ(fileManager(dictionary::File::ACTAS).openCount(), 0);
  EXPECT_EQ(fileManager(dictionary::File::EXPORTACION).openCount(), 0);
  EXPECT_EQ(started->errors().status().procedure, "Main");
}

TEST_F(ExportWindowTest, FolderComesFromTheDialogAndCancelEmptiesIt) {
  chooseFolder(out);
  robot.inWindow(kTitle, [this](WindowDriver& w) {
    EXPECT_EQ(w.text("?LS_RUTA"), out.string());
    port.folders.answerFolder(std::nullopt);  // the teacher cancels the dialog
    w.press("?LOOKUPFILE");
  });
  robot.inWindow(kTitle, [](WindowDriver& w) {
    EXPECT_EQ(w.text("?LS_RUTA"), "");
    w.press("?CANCELBUTTON");
  });
  run(4);
  ASSERT_EQ(port.folders.folderRequests().size(), 2u);
  EXPECT_EQ(port.folders.folderRequests()[0].title, "Seleccione la Ruta");
  EXPECT_EQ(port.folders.folderRequests()[0].startFolder, home.string()) << "no folder yet: the home folder";
  EXPECT_EQ(port.folders.folderRequests()[1].startFolder, out.string()) << "then where the entry points";
  EXPECT_EQ(fs::current_path(), folder) << "the data files' folder stays the working folder";
}

// A folder with accents, as a Spanish teacher names them, shows in "Ruta" as chosen, receives the
// file and is where the dialog opens next.
TEST_F(ExportWindowTest, AFolderWithAccentsShowsAsChosenAndReceivesTheFile) {
  const fs::path accented = out / "Calificación Año";
  fs::create_directories(accented);
  chooseFolder(accented);
  robot.inWindow(kTitle, [&](WindowDriver& w) {
    EXPECT_EQ(w.text("?LS_RUTA"), accented.string());
    w.press("?OKBUTTON");
  });
  finishedMessage();
  chooseFolder(accented);
  close();
  run(4);
  EXPECT_TRUE(fs::exists(accented / kFileName));
  EXPECT_EQ(started->files().Gs_ArchivoExportacion.trimmed().toUtf8(), (accented / kFileName).string())
      << "held in code page 1252, one byte per character";
  EXPECT_EQ(started->files().exportFilePath(), accented / kFileName);
  ASSERT_EQ(port.folders.folderRequests().size(), 2u);
  EXPECT_EQ(port.folders.folderRequests()[1].startFolder, accented.string());
}

TEST_F(ExportWindowTest, EachExportWritesANewFileAndTheWindowStaysOpen) {
  chooseFolder(out);
  robot.inWindow(kTitle, [](WindowDriver& w) {
    w.press("?LS_RUTA");    // a click puts the cursor in the path, which Tab skips
    w.key(Qt::Key_Return);  // Enter presses the default button, "&Exportar"
  });
  finishedMessage();
  robot.inWindow(kTitle, [this](WindowDriver& w) {
    EXPECT_EQ(w.text("?STRNOMARCHIVO"), kFileName);
    EXPECT_EQ(w.filled("?PROGRESS1"), 100);
    EXPECT_EQ(w.text("?LS_POR"), "100 %");
    EXPECT_TRUE(fs::exists(out / kFileName));
    EXPECT_FALSE(fs::exists(folder / "Exportacion.Tps")) << "the first export deletes the placeholder";
    clock.reset();
    clock.emplace(platform::LocalMoment{platform::dateSerial(2026, 3, 7), platform::clockValue(9, 30, 0)});
    w.press("?OKBUTTON");
  });
  finishedMessage();
  robot.inWindow(kTitle, [](WindowDriver& w) {
    EXPECT_EQ(w.text("?STRNOMARCHIVO"), "Exporacion - 1234 -  3-07-26  9-30.Vyr");
    w.press("?CANCELBUTTON");
  });
  run(4);
  EXPECT_EQ(finished, 2);
  EXPECT_TRUE(fs::exists(out / kFileName));
  EXPECT_TRUE(fs::exists(out / "Exporacion - 1234 -  3-07-26  9-30.Vyr"));
  EXPECT_FALSE(fs::exists(folder / "Exportacion.Tps"));
  EXPECT_EQ(started->files().Gs_ArchivoExportacion.trimmed().toUtf8(),
            (out / "Exporacion - 1234 -  3-07-26  9-30.Vyr").string());
  EXPECT_EQ(fileManager(dictionary::File::EXPORTACION).openCount(), 0) << "the window's kill closes the last export";
  // Closed for good: the program holds nothing of either file.
  EXPECT_EQ(platform::storage::testing::descriptorsOf(out / kFileName), 0);
  EXPECT_EQ(platform::storage::testing::descriptorsOf(out / "Exporacion - 1234 -  3-07-26  9-30.Vyr"), 0);
}

// Each export starts from nothing done, and one that fails shows nothing done: the full bar and
// "100 %" of the export before would read as success.
TEST_F(ExportWindowTest, EachExportStartsAtNothingDone) {
  chooseFolder(out);
  exportAndAcknowledge();
  robot.inWindow(kTitle, [](WindowDriver& w) {
    EXPECT_EQ(w.filled("?PROGRESS1"), 100);
    EXPECT_EQ(w.text("?LS_POR"), "100 %");
  });
  chooseFolder(out / "quitada");
  robot.inWindow(kTitle, [](WindowDriver& w) { w.press("?OKBUTTON"); });
  robot.inMessage([](MessageDriver& m) {
    EXPECT_EQ(m.text(), "NO se encontró el Path del archivo");
    m.press("&Aceptar");
  });
  robot.inWindow(kTitle, [](WindowDriver& w) {
    EXPECT_EQ(w.filled("?PROGRESS1"), 0);
    EXPECT_EQ(w.text("?LS_POR"), "0 %");
  });
  chooseFolder(out);
  exportAndAcknowledge();
  robot.inWindow(kTitle, [](WindowDriver& w) {
    EXPECT_EQ(w.filled("?PROGRESS1"), 100);
    EXPECT_EQ(w.text("?LS_POR"), "100 %");
    w.press("?CANCELBUTTON");
  });
  run(4);
  EXPECT_EQ(finished, 2);
}

TEST_F(ExportWindowTest, ProgressCountsToTheTotalTheGradeBookGives) {
  const struct {
    std::int32_t teacher;
    std::int32_t total;
    int filled;
    const char* percent;
    const char* why;
  } cases[] = {
      {1, 4, 100, "100 %", "four grade records of four"},
      {1, 8, 50, "50 %", "four of eight"},
      {1, 3, 100, "100 %", "more records than the count: the bar stays full"},
      {3, 0, 0, "0 %", "no grade records and a count of 0"},
      {1, 0, 0, "100 %", "records the count left out: nothing to fill, all of them written"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    started->Gl_IdMaestro = c.teacher;
    finished = 0;
    chooseFolder(out);
    exportAndAcknowledge();
    robot.inWindow(kTitle, [&c](WindowDriver& w) {
      EXPECT_EQ(w.filled("?PROGRESS1"), c.filled);
      EXPECT_EQ(w.text("?LS_POR"), c.percent);
      w.press("?CANCELBUTTON");
    });
    run(c.total);
    EXPECT_EQ(finished, 1);
  }
}

TEST_F(ExportWindowTest, FailureIsShownOnceAndNotAsFinished) {
  chooseFolder(out / "quitada");
  robot.inWindow(kTitle, [](WindowDriver& w) { w.press("?OKBUTTON"); });
  robot.inMessage([](MessageDriver& m) {
    EXPECT_EQ(m.caption(), "Error") << "the export gives none: the platform's caption";
    EXPECT_EQ(m.text(), "NO se encontró el Path del archivo");
    EXPECT_FALSE(m.showsExclamation());
    EXPECT_EQ(m.buttons(), std::vector<std::string>{"&Aceptar"});
    m.press("&Aceptar");
  });
  robot.inWindow(kTitle, [this](WindowDriver& w) {
    EXPECT_EQ(w.filled("?PROGRESS1"), 0);
    EXPECT_FALSE(fs::exists(out / "quitada"));
    w.press("?CANCELBUTTON");
  });
  run(4);
  EXPECT_EQ(started->files().Gs_ArchivoExportacion.trimmed(), "Exportacion.Tps"_cp1252);
}

// The export runs inside a handler, where no event is processed: each percentage must be painted
// as it is set, and only then.
TEST(ExportWindowProgressTest, EachNewPercentageIsPaintedAtOnce) {
  platform::Locale locale;
  platform::FixedText<255> LS_RUTA;
  platform::FixedText<20> LS_POR;
  platform::ui::Window window("dlg_exportacion", locale);
  window.bind("LS_RUTA", platform::ui::Variable::of(LS_RUTA));
  window.bind("LS_POR", platform::ui::Variable::of(LS_POR));
  window.open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.handle()));
  ExportWindowProgress progress(window, LS_POR);
  auto* percent = qobject_cast<QLabel*>(window.control("?LS_POR").widget());
  platform::ui::PaintCounter counter(percent);

  progress.showFileName("Exporacion - 1 -  3-07-26  9-30.Vyr"_cp1252);
  EXPECT_EQ(qobject_cast<QLabel*>(window.control("?STRNOMARCHIVO").widget())->text().toStdString(),
            "Exporacion - 1 -  3-07-26  9-30.Vyr");
  progress.start(3);
  EXPECT_EQ(LS_POR.value().bytes(), "  0 %" + std::string(15, ' '));
  const char* shown[] = {"33 %", "67 %", "100 %"};
  for (const char* text : shown) {
    const int before = counter.paints;
    progress.advance();
    EXPECT_EQ(percent->text().toStdString(), text);
    EXPECT_GT(counter.paints, before) << text << " painted before any event was processed";
  }
  EXPECT_EQ(window.control("?PROGRESS1").progress(), 3);

  // 2,000 records: 101 percentages, each painted, and no more paints than that.
  progress.start(2000);
  counter.paints = 0;
  for (int i = 0; i < 2000; ++i) progress.advance();
  EXPECT_EQ(LS_POR.trimmed(), "100 %"_cp1252);
  EXPECT_GE(counter.paints, 100);
  EXPECT_LE(counter.paints, 2 * 101);
  window.close();
}

// With GRADEBOOK_SCREENSHOTS naming a folder, saves the window before and after an export there.
TEST_F(ExportWindowTest, Screenshots) {
  const char* shots = std::getenv("GRADEBOOK_SCREENSHOTS");
  if (shots == nullptr) GTEST_SKIP() << "GRADEBOOK_SCREENSHOTS is not set";
  const std::string dir = shots;
  robot.inWindow(kTitle, [dir](WindowDriver& w) { w.grab(dir + "/export.png"); });
  chooseFolder(out);
  robot.inWindow(kTitle, [](WindowDriver& w) { w.press("?OKBUTTON"); });
  robot.inMessage([dir](MessageDriver& m) {
    m.grab(dir + "/export_finished.png");
    m.press("&Aceptar");
  });
  robot.inWindow(kTitle, [dir](WindowDriver& w) {
    w.grab(dir + "/export_done.png");
    w.press("?CANCELBUTTON");
  });
  run(4);
}

}  // namespace
}  // namespace output
