#include "bench/running_program.h"

#include "dictionary/managers.h"
#include "dictionary/spanish_locale.h"

namespace bench {

RunningProgram::RunningProgram(const std::filesystem::path& folder) : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(folder);
  dictionary::ProgramEnvironment env;
  env.port = &port_;
  env.desktop = &desktop_;
  program_ = std::make_unique<dictionary::Program>(env);
  dictionary::ApplySpanishLocale(program_->locale());
  program_->errors().init(&dictionary::ThreadErrorStatus);
  dictionary::DictionaryInit();
}

RunningProgram::~RunningProgram() {
  program_.reset();
  std::filesystem::current_path(previous_);
}

}  // namespace bench
