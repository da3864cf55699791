// The program's start-up and shut-down, and the data every procedure reaches: what exists once per
// process (Program) and what each thread has for itself (ThreadData).
//
// Process start. ProgramEntry() resets the floating-point environment and builds the Program: the
// platform (locale, file declarations, storage engine), then the set-up of every module in order:
//   1. MainModuleThreadFilesInit: the thread's session and its twelve DataFiles (CIUDAD first),
//      records cleared;
//   2. MainModuleProcessInit: the window system made ready, Gs_Maestro blank, then the fuzzy
//      matcher, the error reporter and the INI settings object created, in that order;
//   3. MainModuleThreadInit: the thread's ErrorStatus, the Request, Response and Navigation request
//      codes 0, the DictionaryThreadHook (which sets up the managers on every thread but the first);
//   4. each procedure module's process set-up, in the order given.
// ProgramMain() then initialises the reporter, the fuzzy matcher and the INI settings
// ("Zolbrans.INI"), runs DictionaryInit(), sets the program icon, switches the desktop's
// show-contents-while-dragging setting off for the run when it was on, and calls Main (the one the
// environment's procedures give). After Main returns it switches the setting back on and shuts the
// INI settings and the fuzzy matcher down.
//
// Process end. The Program's destruction runs every module's clean-up in reverse: each procedure
// module's thread clean-up (last first); MainModuleThreadKill (the hook, and with it
// DictionaryKill; the ErrorStatus; the DataFiles, UNIDAD_APRENDIZAJE_ALIAS first); then
// MainModuleProcessKill (the INI settings object, then the error reporter).
//
// Ending the program from inside Main (nobody signed in, or a fatal error): HaltProgram() or the
// port's halt() throw platform::ProgramHalted; ProgramEntry catches it, switches the drag setting
// back on if the run had switched it off, and shuts down as above. Its exit code is 0 on every path,
// also when the start-up itself fails.
//
// Other threads run ProgramThread: the same per-thread set-up (steps 1 and 3) and clean-up, so each
// has its own record buffers, error status, codes and managers.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "dictionary/file_declarations.h"
#include "dictionary/managers.h"
#include "platform/classes/error_reporter.h"
#include "platform/classes/fuzzy_matcher.h"
#include "platform/classes/ini_settings.h"
#include "platform/core/fixed_text.h"
#include "platform/core/locale.h"
#include "platform/os/desktop_settings.h"
#include "platform/storage/data_file.h"
#include "platform/storage/session.h"

namespace dictionary {

// A procedure module of the program: what it does at process start (registering the control kinds
// its windows and reports use) and at a thread's end (closing the views it declared, if its
// procedure ran on that thread).
class ProcedureModule {
 public:
  virtual ~ProcedureModule() = default;
  virtual void processInit() = 0;
  virtual void threadKill() = 0;
};

// The grade book's procedures that the start-up and the grade book window run, each with its
// procedure's name and parameters. The program gives its own (gradebook/procedures.h); a test
// gives the ones it runs, stand-ins among them. One that is run without being given is a
// programming error (std::bad_function_call; ProgramMain without Main: std::logic_error).
struct Procedures {
  // The grade book window: the user's whole work with the program happens inside it.
  std::function<void()> Main;
  // What Main calls: the grade form on the record in the ACTAS buffer, as the thread's Request code
  // asks (it leaves its Response code); the grade sheet of a (group, programme) pair; the export of
  // the teacher's grade records, given the number of their students.
  std::function<void()> UpdateACTAS_CALIFICACIONES;
  std::function<void(platform::Cp1252View group, std::int32_t programme)> ReporteACTAS_CALIFICACIONES;
  std::function<void(std::int32_t studentCount)> Dlg_Exportacion;
};

// What the program is given by whoever starts it: the real main() or a test.
struct ProgramEnvironment {
  Procedures procedures;
  platform::UserPort* port = nullptr;                // how the error reporter reaches the user
  platform::os::DesktopSettings* desktop = nullptr;  // the drag setting
  std::function<void()> makeWindowSystemReady;       // when set, run once at process set-up
  std::function<void()> setProgramIcon;              // when set, run by ProgramMain
  std::vector<ProcedureModule*> procedureModules;    // in set-up order
  // A registered SQLite VFS for the storage engine, empty for the default: the seam through which
  // tests cut the power in the middle of a write.
  std::string storageVfs;
  // When set, told each start-up and shut-down step by name, as it happens.
  std::function<void(std::string_view step)> observe;
};

// What exists once per process. Built by ProgramEntry (or a test) on the program's first thread;
// there is at most one at a time, reached through program().
class Program {
 public:
  explicit Program(ProgramEnvironment environment);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  platform::Locale& locale() { return locale_; }
  FileDeclarations& files() { return files_; }
  platform::storage::Engine& engine() { return engine_; }
  platform::ErrorReporter& errors() { return *errors_; }
  platform::IniSettings& settings() { return *settings_; }
  platform::FuzzyMatcher& fuzzyMatcher() { return *fuzzyMatcher_; }
  platform::os::DesktopSettings& desktop() { return *environment_.desktop; }
  const ProgramEnvironment& environment() const { return environment_; }

  bool isFirstThread() const { return std::this_thread::get_id() == firstThread_; }
  void observe(std::string_view step) const;

  // Written by sign-in; read by every procedure that filters by teacher.
  std::int32_t Gl_IdMaestro = 0;
  platform::FixedText<20> Gs_Maestro;
  // The drag setting as read at start.
  std::int32_t savedDragSetting = 0;
  // Whether this run switched the drag setting off (and so owes switching it back on).
  bool dragSettingSwitchedOff = false;

 private:
  friend void MainModuleProcessInit();
  friend void MainModuleProcessKill();

  ProgramEnvironment environment_;
  std::thread::id firstThread_;
  platform::Locale locale_;
  FileDeclarations files_;
  platform::storage::Engine engine_;
  std::unique_ptr<platform::FuzzyMatcher> fuzzyMatcher_;
  std::unique_ptr<platform::ErrorReporter> errors_;
  std::unique_ptr<platform::IniSettings> settings_;
};

// The running program. Calling it when none runs is a programming error (std::logic_error).
Program& program();

class DictionaryThreadHook;

// A file's managers on one thread: the owning references (the objects) and the published ones
// (what procedures use).
struct ManagerSlot {
  std::unique_ptr<platform::FileManager> owningFileManager;
  std::unique_ptr<platform::RelationManager> owningRelationManager;
  platform::FileManager* fileManager = nullptr;
  platform::RelationManager* relationManager = nullptr;
};

// What each thread has for itself. The hook is declared last: it goes first, while the managers and
// files it tears down still exist.
struct ThreadData {
  std::unique_ptr<platform::storage::Session> session;
  std::array<std::unique_ptr<platform::storage::DataFile>, kFileCount> files;  // by File
  std::unique_ptr<platform::ErrorStatus> errorStatus;
  std::array<ManagerSlot, kFileCount> managers;  // by File
  std::uint8_t Request = 0;
  std::uint8_t Response = 0;
  std::int32_t NavigationRequest = 0;
  std::unique_ptr<DictionaryThreadHook> hook;
};

ThreadData& ThisThread();
// The calling thread's copy of a file declaration: its record buffer, open state and position.
platform::storage::DataFile& DataFileOf(File file);
// The calling thread's error status (what the error reporter is bound to).
platform::ErrorStatus& ThreadErrorStatus();

// Sets the thread's managers up when created on any thread but the first; always tears them down
// when destroyed.
class DictionaryThreadHook {
 public:
  DictionaryThreadHook();
  ~DictionaryThreadHook();
  DictionaryThreadHook(const DictionaryThreadHook&) = delete;
  DictionaryThreadHook& operator=(const DictionaryThreadHook&) = delete;
};

// The main module's set-up and clean-up routines, in the order Program and ProgramThread run them.
void MainModuleThreadFilesInit();
void MainModuleProcessInit();
void MainModuleThreadInit();
void MainModuleThreadKill();
void MainModuleProcessKill();

// A thread of the program other than the first, for as long as it lives.
class ProgramThread {
 public:
  ProgramThread();
  ~ProgramThread();
  ProgramThread(const ProgramThread&) = delete;
  ProgramThread& operator=(const ProgramThread&) = delete;
};

// The program's main routine; the first thread runs it once, after the process set-up.
void ProgramMain();
// The whole process: set-up, ProgramMain, shut-down. Returns the exit code, 0 on every path.
int ProgramEntry(ProgramEnvironment environment);
// Ends the program from inside Main; the shut-down then runs as on the normal path.
[[noreturn]] void HaltProgram();

}  // namespace dictionary
