#include "platform/classes/path_lookup.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/os/paths.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

bool isFolder(const fs::path& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

// Puts the working folder back when it goes out of scope, whatever happened in between.
class WorkingFolderKeeper {
 public:
  WorkingFolderKeeper() : saved_(fs::current_path(ec_)) {}
  ~WorkingFolderKeeper() {
    if (ec_) return;
    std::error_code ec;
    if (fs::current_path(ec) != saved_) fs::current_path(saved_, ec);
  }
  WorkingFolderKeeper(const WorkingFolderKeeper&) = delete;
  WorkingFolderKeeper& operator=(const WorkingFolderKeeper&) = delete;

 private:
  std::error_code ec_;
  fs::path saved_;
};

}  // namespace

Cp1252Text PathLookup::ask(const Cp1252Text& current) {
  const fs::path folder = os::pathOf(current);
  FolderRequest request{title_, isFolder(folder) ? folder.string() : defaultFolder_};
  std::optional<std::string> chosen;
  {
    WorkingFolderKeeper keeper;
    chosen = port_.chooseFolder(request);
  }
  if (!chosen) return clearOnCancel_ ? Cp1252Text() : current;
  // A folder whose name has a character the code page lacks cannot be held by the entry.
  return os::textOf(*chosen).value_or(current);
}

}  // namespace platform
