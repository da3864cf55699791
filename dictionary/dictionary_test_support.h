// Shared by the dictionary's tests: a data folder loaded from CSV fixtures through the data tool,
// made the working folder, and the program's start-up objects on this thread with the managers set
// up as ProgramMain sets them up (reporter bound, Spanish locale, DictionaryInit).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/managers.h"
#include "dictionary/program.h"
#include "dictionary/spanish_locale.h"
#include "platform/core/runtime_errors.h"
#include "platform/os/fake_desktop_settings.h"
#include "platform/port/scripted_port.h"
#include "platform/storage/testing/child_process.h"
#include "platform/storage/testing/read_lock_holder.h"
#include "tests/support/source_dir.h"
#include "tools/data_tool.h"

namespace dictionary::testing {

namespace fs = std::filesystem;
using platform::storage::testing::ReadLockHolder;
using platform::storage::testing::Signal;

inline fs::path fixture(const std::string& name) { return ::tests::sourceDir() / "tests" / "fixtures" / name; }

class DictionaryTest : public ::testing::Test {
 protected:
  // The fixture tables loaded into the data folder; empty for a folder without data files.
  virtual std::string tables() const { return "dictionary"; }

  void SetUp() override {
    folder = fs::temp_directory_path() / ("dictionary-" + std::to_string(::getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    if (!tables().empty()) {
      const datatool::Result loaded = datatool::loadFolder(folder, fixture(tables()), true);
      ASSERT_TRUE(loaded.ok()) << loaded.error << (loaded.problems.empty() ? "" : "\n" + loaded.problems.front());
    }
    previousFolder = fs::current_path();
    fs::current_path(folder);
  }

  void TearDown() override {
    stopProgram();
    fs::current_path(previousFolder);
    fs::remove_all(folder);
  }

  ProgramEnvironment environment() {
    ProgramEnvironment env;
    env.port = &port;
    env.desktop = &desktop;
    return env;
  }

  // The start-up objects, with the managers ready as ProgramMain leaves them for Main.
  void startProgram() { startProgram(environment()); }
  void startProgram(ProgramEnvironment env) {
    started = std::make_unique<Program>(std::move(env));
    dictionary::ApplySpanishLocale(started->locale());
    started->errors().init(&ThreadErrorStatus);
    DictionaryInit();
  }
  void stopProgram() { started.reset(); }

  static platform::FileManager& fileManager(File file) { return *FileManagerOf(file); }
  static platform::RelationManager& relationManager(File file) { return *RelationManagerOf(file); }
  static platform::RecordBuffer& record(File file) { return DataFileOf(file).buffer(); }
  int field(File file, std::string_view name) const { return declaration(file).fieldNamed(name); }
  int key(File file, std::string_view name) const { return declaration(file).keyNamed(name); }
  const platform::storage::FileDecl& declaration(File file) const { return decls.at(static_cast<int>(file)); }

  // Reads a record by its id into the file's buffer and remembers its links, as a form does.
  void readById(File file, std::int32_t id) {
    platform::FileManager& manager = fileManager(file);
    const platform::storage::FileDecl& decl = declaration(file);
    int primary = 0;
    while (!decl.keys[static_cast<std::size_t>(primary)].primary) ++primary;
    manager.buffer().clear();
    manager.buffer().setLong(decl.keys[static_cast<std::size_t>(primary)].components.front(), id);
    ASSERT_EQ(platform::kLevelBenign, manager.tryFetch(primary)) << decl.label << " " << id;
    relationManager(file).rememberLinkingValues();
  }

  // A data file's records as CSV, read through a session of its own.
  std::string dump(File file) const {
    const platform::storage::FileDecl& decl = declaration(file);
    std::ostringstream csv;
    datatool::DumpOptions options;
    options.label = decl.label;
    const datatool::Result result = datatool::dump(decls, spanish, folder / decl.physicalPath(), options, csv);
    return result.ok() ? csv.str() : "error: " + result.error;
  }

  // Every record of every data file of the school, byte for byte, read through a session of its
  // own that is closed again (so that a later fork shares no connection).
  std::string snapshot() {
    std::string all;
    platform::storage::Session session(snapshotEngine, (folder / "snapshot").string());
    for (const platform::storage::FileDecl* decl : decls.dataFiles()) {
      platform::storage::FileDecl placed = *decl;
      placed.physicalName = (folder / decl->physicalPath()).string();
      platform::storage::DataFile data(placed, session);
      all += "== " + decl->label + " ";
      if (int error = data.open(platform::storage::kReadOnly)) {
        all += "error " + std::to_string(error) + "\n";
        continue;
      }
      (void)data.set();  // cannot fail on a file just opened
      while (data.next() == platform::errors::kNone) {
        all.append(reinterpret_cast<const char*>(data.buffer().data()), data.buffer().size());
      }
      all += "\n";
    }
    return all;
  }

  // Captions and texts of the messages shown so far.
  std::vector<std::string> captions() const {
    std::vector<std::string> out;
    for (const platform::MessageRequest& m : port.shown()) out.push_back(m.caption);
    return out;
  }

  // A whole program of its own in this process, as ProgramMain leaves it for Main.
  static int asAnotherProgram(ProgramEnvironment env, const std::function<int()>& body) {
    Program program(std::move(env));
    dictionary::ApplySpanishLocale(program.locale());
    program.errors().init(&ThreadErrorStatus);
    DictionaryInit();
    return body();
  }

  // Starts another program of the school that waits for `go`, then runs `body` with its own
  // managers. Call it before this process starts its program or opens any data file.
  static pid_t startOtherProgram(Signal& go, const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
      go.wait();
      platform::ScriptedPort otherPort;
      platform::os::FakeDesktopSettings otherDesktop;
      ProgramEnvironment env;
      env.port = &otherPort;
      env.desktop = &otherDesktop;
      _exit(asAnotherProgram(env, body));
    }
    return pid;
  }

  static int exitCode(pid_t pid) { return platform::storage::testing::exitStatus(pid); }

  // Runs `body` in another process (another program of the school) and returns its exit code.
  static int inChild(const std::function<int()>& body) { return platform::storage::testing::runInChild(body); }

  FileDeclarations decls;
  platform::Locale spanish = [] {
    platform::Locale locale;
    dictionary::ApplySpanishLocale(locale);
    return locale;
  }();
  platform::storage::Engine snapshotEngine{spanish};
  platform::ScriptedPort port;
  platform::os::FakeDesktopSettings desktop;
  fs::path folder;
  fs::path previousFolder;
  std::unique_ptr<Program> started;
};

}  // namespace dictionary::testing
