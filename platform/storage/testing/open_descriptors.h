// For tests: the descriptors this process holds on files, as the system lists them.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace platform::storage::testing {

// Descriptors of this process on the file `path` names (a removed file's link reads
// "PATH (deleted)", which counts too).
inline int descriptorsOf(const std::filesystem::path& path) {
  int count = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
    const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
    if (!ec && (target == path.string() || target == path.string() + " (deleted)")) ++count;
  }
  return count;
}

// Descriptors of this process that still refer to files under `folder` that were removed or
// replaced: each holds a descriptor and the old file's disk space.
inline int descriptorsOfRemovedFiles(const std::filesystem::path& folder) {
  int count = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
    const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
    if (!ec && target.rfind(folder.string(), 0) == 0 && target.find(" (deleted)") != std::string::npos) ++count;
  }
  return count;
}

}  // namespace platform::storage::testing
