// The program's start-up objects over a data folder, for benchmarks: the working folder moved there,
// the Program built with a scripted port, the Spanish locale and the thread's managers ready as
// ProgramMain leaves them for Main (the files' key derived once, before any figure is taken). The
// working folder is put back when it goes. One at a time, on the thread that made it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "dictionary/program.h"
#include "platform/os/fake_desktop_settings.h"
#include "platform/port/scripted_port.h"

namespace bench {

class RunningProgram {
 public:
  explicit RunningProgram(const std::filesystem::path& folder);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  dictionary::Program& program() { return *program_; }
  platform::ScriptedPort& port() { return port_; }
  // Whatever the managers showed the user; a figure taken with a message shown is void.
  bool quiet() const { return port_.shown().empty(); }
  std::string firstMessage() const { return quiet() ? std::string() : port_.shown().front().caption; }

 private:
  std::filesystem::path previous_;
  platform::ScriptedPort port_;
  platform::os::FakeDesktopSettings desktop_;
  std::unique_ptr<dictionary::Program> program_;
};

}  // namespace bench
