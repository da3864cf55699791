#include "platform/os/folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform::os {
namespace {

bool isFolder(const char* path) {
  std::error_code ec;
  return path != nullptr && path[0] == '/' && std::filesystem::is_directory(path, ec);
}

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::string homeFolder() {
  if (const char* home = std::getenv("HOME"); isFolder(home)) return withoutTrailingSlash(home);
  if (const passwd* account = ::getpwuid(::getuid()); account != nullptr && isFolder(account->pw_dir))
    return withoutTrailingSlash(account->pw_dir);
  return "/";
}

}  // namespace platform::os
