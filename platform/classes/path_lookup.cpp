#include "platform/classes/path_lookup.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/core/cp1252.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string withoutTrailingBlanks(const std::string& text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

bool isFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(fs::path(path), ec);
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

std::string PathLookup::ask(const std::string& current) {
  const std::string value = cp1252ToUtf8(withoutTrailingBlanks(current));
  FolderRequest request{title_, isFolder(value) ? value : defaultFolder_};
  std::optional<std::string> chosen;
  {
    WorkingFolderKeeper keeper;
    chosen = port_.chooseFolder(request);
  }
  if (!chosen) return clearOnCancel_ ? std::string() : current;
  std::string entry;
  // A folder whose name has a character the code page lacks cannot be held by the entry.
  return utf8ToCp1252(*chosen, entry) ? entry : current;
}

}  // namespace platform
