// Shared by the tests that run the whole program on the demo school: the school built by the data
// tool into a folder of its own, which becomes the working folder, and ProgramEntry run with the
// robot's steps beside it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>

#include "dictionary/file_declarations.h"
#include "dictionary/program.h"
#include "dictionary/spanish_locale.h"
#include "platform/os/fake_desktop_settings.h"
#include "platform/ui/message_box.h"
#include "platform/ui/test_robot.h"
#include "tools/data_tool.h"

namespace tests {

class DemoSchoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dictionary::ApplySpanishLocale(spanish);
    folder = std::filesystem::temp_directory_path() / ("demo-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    const datatool::Result built = datatool::buildDemo(decls, spanish, folder);
    ASSERT_TRUE(built.ok()) << built.error;
    previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
  }
  void TearDown() override {
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
  }

  // Runs the program in the demo folder with `procedures`, its messages shown through `port`; the
  // exit code.
  int runProgram(platform::ui::QtUserPort& port, dictionary::Procedures procedures) {
    dictionary::ProgramEnvironment env;
    env.procedures = std::move(procedures);
    env.port = &port;
    env.desktop = &desktop;
    env.makeWindowSystemReady = [&port] { port.useLocale(dictionary::program().locale()); };
    int exitCode = -1;
    robot.run([&] { exitCode = dictionary::ProgramEntry(env); });
    EXPECT_TRUE(robot.done()) << robot.report();
    return exitCode;
  }

  dictionary::FileDeclarations decls;
  platform::Locale spanish;
  std::filesystem::path folder, previous;
  platform::os::FakeDesktopSettings desktop{0};
  platform::ui::Robot robot;
};

}  // namespace tests
