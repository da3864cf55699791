#include "dictionary/program.h"

#include <stdexcept>

#include "dictionary/error_messages.h"

namespace dictionary {
namespace {

// The program being run; set for exactly the life of the Program object.
Program* gCurrent = nullptr;

}  // namespace

Program::Program(ProgramEnvironment environment)
    : environment_(std::move(environment)), firstThread_(std::this_thread::get_id()), engine_(locale_) {
  if (environment_.port == nullptr || environment_.desktop == nullptr) {
    throw std::invalid_argument("a program needs a user port and desktop settings");
  }
  if (gCurrent != nullptr) throw std::logic_error("a program is running already");
  engine_.setVfs(environment_.storageVfs);
  gCurrent = this;
  try {
    MainModuleThreadFilesInit();
    MainModuleProcessInit();
    MainModuleThreadInit();
    for (ProcedureModule* module : environment_.procedureModules) module->processInit();
  } catch (...) {
    MainModuleThreadKill();
    MainModuleProcessKill();
    gCurrent = nullptr;
    throw;
  }
}

Program::~Program() {
  const auto& modules = environment_.procedureModules;
  for (auto it = modules.rbegin(); it != modules.rend(); ++it) (*it)->threadKill();
  MainModuleThreadKill();
  MainModuleProcessKill();
  gCurrent = nullptr;
}

void Program::observe(std::string_view step) const {
  if (environment_.observe) environment_.observe(step);
}

Program& program() {
  if (gCurrent == nullptr) throw std::logic_error("no program is running");
  return *gCurrent;
}

ThreadData& ThisThread() {
  thread_local ThreadData data;
  return data;
}

platform::storage::DataFile& DataFileOf(File file) {
  auto& data = ThisThread().files[static_cast<std::size_t>(file)];
  if (!data) throw std::logic_error("this thread's files are not set up");
  return *data;
}

platform::ErrorStatus& ThreadErrorStatus() {
  ThreadData& thread = ThisThread();
  if (thread.errorStatus) return *thread.errorStatus;
  // A thread that was never set up still gets a status of its own.
  thread_local platform::ErrorStatus unbound;
  return unbound;
}

DictionaryThreadHook::DictionaryThreadHook() {
  if (!program().isFirstThread()) DictionaryInit();
}

DictionaryThreadHook::~DictionaryThreadHook() { DictionaryKill(); }

void MainModuleThreadFilesInit() {
  Program& p = program();
  p.observe("MainModuleThreadFilesInit");
  ThreadData& thread = ThisThread();
  // The working folder holds the data files and the anchor of multi-file transactions.
  thread.session = std::make_unique<platform::storage::Session>(p.engine(), ".");
  for (int i = 0; i < kFileCount; ++i) {
    auto& file = thread.files[static_cast<std::size_t>(i)];
    file = std::make_unique<platform::storage::DataFile>(p.files().at(i), *thread.session);
    file->buffer().clear();
  }
}

void MainModuleProcessInit() {
  Program& p = program();
  p.observe("MainModuleProcessInit");
  if (p.environment_.makeWindowSystemReady) p.environment_.makeWindowSystemReady();
  p.Gs_Maestro = platform::Cp1252View();
  p.fuzzyMatcher_ = std::make_unique<platform::FuzzyMatcher>(p.locale_);
  p.observe("FuzzyMatcher created");
  p.errors_ = std::make_unique<platform::ErrorReporter>(p.locale_, *p.environment_.port);
  p.errors_->addMessages(SpanishErrorMessages());
  p.observe("ErrorReporter created");
  p.settings_ = std::make_unique<platform::IniSettings>();
  p.observe("IniSettings created");
}

void MainModuleThreadInit() {
  program().observe("MainModuleThreadInit");
  ThreadData& thread = ThisThread();
  thread.errorStatus = std::make_unique<platform::ErrorStatus>();
  thread.Request = 0;
  thread.Response = 0;
  thread.NavigationRequest = 0;
  thread.hook = std::make_unique<DictionaryThreadHook>();
}

void MainModuleThreadKill() {
  Program& p = program();
  p.observe("MainModuleThreadKill");
  ThreadData& thread = ThisThread();
  thread.hook.reset();
  thread.errorStatus.reset();
  p.observe("ErrorStatus destroyed");
  for (auto it = thread.files.rbegin(); it != thread.files.rend(); ++it) it->reset();
  thread.session.reset();
  p.observe("files released");
}

void MainModuleProcessKill() {
  Program& p = program();
  p.observe("MainModuleProcessKill");
  p.settings_.reset();
  p.observe("IniSettings destroyed");
  p.errors_.reset();
  p.observe("ErrorReporter destroyed");
}

ProgramThread::ProgramThread() {
  MainModuleThreadFilesInit();
  MainModuleThreadInit();
}

ProgramThread::~ProgramThread() {
  const auto& modules = program().environment().procedureModules;
  for (auto it = modules.rbegin(); it != modules.rend(); ++it) (*it)->threadKill();
  MainModuleThreadKill();
}

}  // namespace dictionary
