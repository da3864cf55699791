#include "platform/os/folders.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace platform::os {
namespace {

namespace fs = std::filesystem;

// Sets $HOME for the test's length (nothing: unset) and puts it back afterwards.
class HomeVariable {
 public:
  explicit HomeVariable(const std::optional<std::string>& value) {
    if (const char* old = std::getenv("HOME")) saved_ = old;
    if (value)
      ::setenv("HOME", value->c_str(), 1);
    else
      ::unsetenv("HOME");
  }
  ~HomeVariable() {
    if (saved_)
      ::setenv("HOME", saved_->c_str(), 1);
    else
      ::unsetenv("HOME");
  }

 private:
  std::optional<std::string> saved_;
};

TEST(HomeFolderTest, TheVariableWhenItNamesAFolderElseTheAccountsHome) {
  const fs::path folder = fs::temp_directory_path() / ("home-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const passwd* account = ::getpwuid(::getuid());
  const std::string accountHome = account != nullptr && fs::is_directory(account->pw_dir) ? account->pw_dir : "/";
  const struct {
    std::optional<std::string> variable;
    std::string home;
  } cases[] = {
      {folder.string(), folder.string()},
      {folder.string() + "/", folder.string()},
      {(folder / "missing").string(), accountHome},
      {"relative/path", accountHome},
      {"", accountHome},
      {std::nullopt, accountHome},
  };
  for (const auto& c : cases) {
    HomeVariable home(c.variable);
    EXPECT_EQ(homeFolder(), c.home) << c.variable.value_or("(unset)");
  }
  fs::remove_all(folder);
}

}  // namespace
}  // namespace platform::os
