#include "dictionary/program.h"

#include <stdexcept>

#include "dictionary/dictionary_test_support.h"

namespace dictionary::testing {
namespace {

using namespace platform::literals;

using Steps = std::vector<std::string>;

// A procedure module that only says when it is called.
class RecordingModule : public ProcedureModule {
 public:
  RecordingModule(std::string name, Steps& steps) : name_(std::move(name)), steps_(steps) {}
  void processInit() override { steps_.push_back(name_ + " processInit"); }
  void threadKill() override { steps_.push_back(name_ + " threadKill"); }

 private:
  std::string name_;
  Steps& steps_;
};

class ProgramTest : public DictionaryTest {
 protected:
  // The program's environment, its Main the test's own: it counts its calls and runs mainBody.
  ProgramEnvironment environment() {
    ProgramEnvironment env = DictionaryTest::environment();
    env.procedures.Main = [this] {
      ++mainCalls;
      if (mainBody) mainBody();
    };
    return env;
  }

  ProgramEnvironment observedEnvironment() {
    ProgramEnvironment env = environment();
    env.observe = [this](std::string_view step) { steps.emplace_back(step); };
    env.makeWindowSystemReady = [this] { steps.emplace_back("window system ready"); };
    env.setProgramIcon = [this] { steps.emplace_back("icon set"); };
    env.procedureModules = {&first, &second};
    return env;
  }

  std::function<void()> mainBody;
  int mainCalls = 0;
  Steps steps;
  RecordingModule first{"Main module", steps};
  RecordingModule second{"Comprobar_Usuario module", steps};
};

TEST_F(ProgramTest, StartUpAndShutDownRunInTheirOrder) {
  mainBody = [this] { steps.emplace_back("Main runs"); };
  EXPECT_EQ(0, ProgramEntry(observedEnvironment()));
  const Steps expected = {
      "MainModuleThreadFilesInit",
      "MainModuleProcessInit",
      "window system ready",
      "FuzzyMatcher created",
      "ErrorReporter created",
      "IniSettings created",
      "MainModuleThreadInit",
      "Main module processInit",
      "Comprobar_Usuario module processInit",
      "ProgramMain",
      "DictionaryInit",  // once: on the first thread the hook leaves the managers to ProgramMain
      "icon set",
      "drag setting switched off",
      "Main",
      "Main runs",
      "drag setting switched on",
      "ProgramMain done",
      "Comprobar_Usuario module threadKill",
      "Main module threadKill",
      "MainModuleThreadKill",
      "DictionaryKill",
      "ErrorStatus destroyed",
      "files released",
      "MainModuleProcessKill",
      "IniSettings destroyed",
      "ErrorReporter destroyed",
  };
  EXPECT_EQ(expected, steps);
  EXPECT_THROW(program(), std::logic_error);
}

// What every procedure relies on when Main is called.
TEST_F(ProgramTest, MainFindsEverythingReadyAndNoFileOpen) {
  bool checked = false;
  mainBody = [&] {
    Program& p = program();
    for (int i = 0; i < kFileCount; ++i) {
      const File file = static_cast<File>(i);
      ASSERT_NE(nullptr, FileManagerOf(file));
      ASSERT_NE(nullptr, RelationManagerOf(file));
      EXPECT_EQ(0, FileManagerOf(file)->openCount());
      EXPECT_FALSE(DataFileOf(file).isOpen());
    }
    EXPECT_EQ(&ThreadErrorStatus(), &p.errors().status());
    EXPECT_EQ(0, ThisThread().Request);
    EXPECT_EQ(0, ThisThread().Response);
    EXPECT_EQ(0, ThisThread().NavigationRequest);
    EXPECT_EQ(0, p.Gl_IdMaestro);
    EXPECT_EQ(std::string(20, ' '), p.Gs_Maestro.value().bytes());
    EXPECT_EQ("Exportacion.Tps"_cp1252, p.files().Gs_ArchivoExportacion.trimmed());
    EXPECT_TRUE(p.settings().isOpen());
    EXPECT_EQ((folder / "Zolbrans.INI").string(), p.settings().fileName());
    EXPECT_TRUE(p.fuzzyMatcher().option(platform::FuzzyMatcher::kNoCase));
    EXPECT_FALSE(p.fuzzyMatcher().option(platform::FuzzyMatcher::kWordOnly));
    EXPECT_NE(nullptr, p.errors().find(16));  // the Spanish message table
    checked = true;
  };
  EXPECT_EQ(0, ProgramEntry(environment()));
  EXPECT_TRUE(checked);
}

// How Main ends the run.
enum class Ending { Returns, NobodySignedIn, FatalError, Exception };

struct DragCase {
  const char* name;
  int before;
  bool readFails;
  Ending ending;
  std::vector<platform::os::FakeDesktopSettings::Write> writes;
};

TEST_F(ProgramTest, DragSettingIsOffForTheRunAndBackOnAfterItWhateverTheEnding) {
  const std::vector<platform::os::FakeDesktopSettings::Write> offThenOn = {{0, 3}, {1, 3}};
  const DragCase cases[] = {
      {"on, Main returns", 1, false, Ending::Returns, offThenOn},
      {"on, nobody signed in", 1, false, Ending::NobodySignedIn, offThenOn},
      {"on, fatal error", 1, false, Ending::FatalError, offThenOn},
      {"on, Main throws", 1, false, Ending::Exception, offThenOn},
      {"off, Main returns", 0, false, Ending::Returns, {}},
      {"off, nobody signed in", 0, false, Ending::NobodySignedIn, {}},
      {"on but unreadable", 1, true, Ending::Returns, {}},
  };
  for (const DragCase& c : cases) {
    SCOPED_TRACE(c.name);
    desktop = platform::os::FakeDesktopSettings(c.before);
    desktop.failReads = c.readFails;
    port.clear();
    mainCalls = 0;
    int duringMain = -1;
    mainBody = [&] {
      duringMain = desktop.value;
      switch (c.ending) {
        case Ending::Returns:
          break;
        case Ending::NobodySignedIn:
          HaltProgram();
        case Ending::FatalError:
          program().errors().throwMessage(26);
          break;
        case Ending::Exception:
          throw std::runtime_error("out of memory");
      }
    };
    EXPECT_EQ(0, ProgramEntry(environment()));
    EXPECT_EQ(1, mainCalls);
    EXPECT_EQ(c.before == 1 && !c.readFails ? 0 : c.before, duringMain);
    EXPECT_EQ(c.writes, desktop.writes);
    EXPECT_EQ(c.before, desktop.value);
    EXPECT_EQ(1, desktop.reads);
    EXPECT_THROW(program(), std::logic_error);  // shut down on every path
  }
}

TEST_F(ProgramTest, StartUpThatFailsEndsWithZeroWithoutMain) {
  ProgramEnvironment withoutPort = environment();
  withoutPort.port = nullptr;
  EXPECT_EQ(0, ProgramEntry(withoutPort));

  class FailingModule : public ProcedureModule {
   public:
    void processInit() override { throw std::runtime_error("cannot register a control kind"); }
    void threadKill() override {}
  } failing;
  ProgramEnvironment env = environment();
  env.procedureModules = {&failing};
  EXPECT_EQ(0, ProgramEntry(env));
  EXPECT_EQ(0, mainCalls);
  EXPECT_TRUE(desktop.writes.empty());
  EXPECT_THROW(program(), std::logic_error);
}

// Whoever starts the program gives it its Main. Given none, the program does nothing of its run
// (the drag setting is left alone) and shuts down as on any error, with exit code 0.
TEST_F(ProgramTest, AProgramGivenNoMainShutsDownBeforeItsRun) {
  desktop = platform::os::FakeDesktopSettings(1);
  EXPECT_EQ(0, ProgramEntry(DictionaryTest::environment()));
  EXPECT_TRUE(desktop.writes.empty());
  EXPECT_EQ(1, desktop.value);
  EXPECT_THROW(program(), std::logic_error);
}

}  // namespace
}  // namespace dictionary::testing
