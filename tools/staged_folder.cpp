#include "tools/staged_folder.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace datatool {

namespace fs = std::filesystem;

namespace {

// The name of a staging folder beside `target` starts with this.
std::string stagingPrefix(const fs::path& target) {
  std::string prefix = ".";
  prefix += target.filename().string();
  prefix += ".loading-";
  return prefix;
}

// The name of a staging folder inside a folder starts with this.
constexpr std::string_view kInsidePrefix = ".loading-";

std::string why(int error) { return std::strerror(error); }

// Opens a folder and locks it for this process alone. Returns the open folder, or -1 when it
// cannot be opened or another process holds its lock; `locked` tells whether the lock is held (a
// file system without locks opens it unlocked).
int lockFolder(const fs::path& folder, bool& locked) {
  locked = false;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    locked = true;
  } else if (errno == EWOULDBLOCK) {
    ::close(fd);
    return -1;
  }
  return fd;
}

using Identity = std::pair<dev_t, ino_t>;

// Which file or folder a name stands for; nothing when there is none.
std::optional<Identity> identityOf(const fs::path& path) {
  struct stat st = {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return Identity{st.st_dev, st.st_ino};
}

// Whether the open folder `fd` is still the one named `folder` (another program may have removed
// it between its making and its locking).
bool stillNamed(int fd, const fs::path& folder) {
  struct stat open = {};
  return ::fstat(fd, &open) == 0 && identityOf(folder) == Identity{open.st_dev, open.st_ino};
}

bool syncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

bool sameFolder(const fs::path& a, const fs::path& b) {
  const auto identity = identityOf(a);
  return identity && identity == identityOf(b);
}

}  // namespace

StagedFolder::StagedFolder(fs::path target, FolderChangeHook hook)
    : StagedFolder(std::move(target), std::move(hook), false) {}

StagedFolder::StagedFolder(fs::path target, FolderChangeHook hook, bool inside)
    : target_(std::move(target)), inside_(inside), hook_(std::move(hook)) {}

StagedFolder StagedFolder::inside(fs::path folder, FolderChangeHook hook) {
  return StagedFolder(std::move(folder), std::move(hook), true);
}

StagedFolder::~StagedFolder() {
  if (!path_.empty() && !placed_) {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  if (lockFd_ >= 0) ::close(lockFd_);
}

std::string StagedFolder::make() {
  struct stat targetStat = {};
  // Inside a folder the staging folder replaces nothing: it keeps what it is made with.
  const bool targetExists = !inside_ && ::stat(target_.c_str(), &targetStat) == 0;
  const fs::path parent = inside_ ? target_ : target_.parent_path();
  const std::string prefix = inside_ ? std::string(kInsidePrefix) : stagingPrefix(target_);
  for (int n = 0; n < 1000; ++n) {
    const fs::path candidate = parent / (prefix + std::to_string(::getpid()) + "-" + std::to_string(n));
    if (change()) return parent.string() + ": cannot make a folder: " + why(ENOSPC);
    if (::mkdir(candidate.c_str(), 0777) != 0) {
      if (errno == EEXIST) continue;
      return parent.string() + ": cannot make a folder: " + why(errno);
    }
    bool locked = false;
    const int fd = lockFolder(candidate, locked);
    if (fd < 0 || !stillNamed(fd, candidate)) {  // taken for a leftover and removed before it was locked
      if (fd >= 0) ::close(fd);
      continue;
    }
    lockFd_ = fd;
    path_ = candidate;
    if (targetExists) {
      // The folder replaces the target: it keeps the target's owner (where this process may set
      // it) and permissions, so that whoever could use the target can use it.
      if (::chown(path_.c_str(), targetStat.st_uid, targetStat.st_gid) != 0) {
        // Not allowed: the folder stays this process's, as a folder it made in the target would be.
      }
      ::chmod(path_.c_str(), targetStat.st_mode & 07777);
    }
    return {};
  }
  return parent.string() + ": cannot make a staging folder";
}

std::string StagedFolder::putInPlace(const std::set<std::string>& keep) {
  std::error_code ec;
  std::vector<fs::path> others;
  for (fs::directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec)) {
    if (keep.count(it->path().filename().string()) == 0) others.push_back(it->path());
  }
  if (ec) return path_.string() + ": cannot read the folder: " + ec.message();
  for (const fs::path& other : others) {
    if (change()) return other.string() + ": cannot remove: " + why(EIO);
    fs::remove_all(other, ec);
    if (ec) return other.string() + ": cannot remove: " + ec.message();
  }
  // What the folder holds must last before the folder takes the target's place.
  if (change() || !syncFolder(path_)) return path_.string() + ": cannot sync the folder: " + why(EIO);
  const bool wasWorkingFolder = sameFolder(fs::current_path(ec), target_);
  if (change()) return target_.string() + ": cannot put the loaded folder in place: " + why(ENOSPC);
  if (::rename(path_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    if (error == ENOTEMPTY || error == EEXIST) return target_.string() + " is not empty any more; nothing was written";
    return target_.string() + ": cannot put the loaded folder in place: " + why(error);
  }
  placed_ = true;
  // The rename lasts once the parent folder is synced; it is in place whatever that reports.
  if (!change()) syncFolder(target_.parent_path());
  if (wasWorkingFolder) {
    // The old folder is gone: this process goes on in the new one, under the same name.
    fs::current_path(target_, ec);
    replacedWorkingFolder_ = true;
  }
  return {};
}

std::string StagedFolder::removeJournalsOf(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const fs::path journal = target_ / (name + "-journal");
    std::error_code ec;
    if (!fs::exists(journal, ec)) continue;
    if (change()) return journal.string() + ": cannot remove: " + why(EIO);
    fs::remove(journal, ec);
    if (ec) return journal.string() + ": cannot remove: " + ec.message();
  }
  if (change() || !syncFolder(target_)) return target_.string() + ": cannot sync the folder: " + why(EIO);
  return {};
}

std::string StagedFolder::moveInto(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const fs::path from = path_ / name, to = target_ / name;
    if (change()) return to.string() + ": cannot put the loaded file in place: " + why(ENOSPC);
    // Where the file system cannot tell a rename not to replace, a file made meanwhile is looked for.
    int moved = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (moved != 0 && errno == EINVAL) {
      errno = EEXIST;
      moved = identityOf(to) ? -1 : ::rename(from.c_str(), to.c_str());
    }
    if (moved != 0) {
      const int error = errno;
      if (error == EEXIST) return to.string() + " was made by another program while the load ran";
      return to.string() + ": cannot put the loaded file in place: " + why(error);
    }
  }
  // The renames last once the folder is synced; they are made whatever that reports.
  if (!change()) syncFolder(target_);
  return {};
}

namespace {

// Whether `name` is that of a staging folder: the prefix, then "PID-N".
bool isStagingName(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return false;
  const std::string_view rest = name.substr(prefix.size());
  const std::size_t dash = rest.find('-');
  const auto digits = [](std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  return dash != std::string_view::npos && digits(rest.substr(0, dash)) && digits(rest.substr(dash + 1));
}

// Removes the unlocked staging folders in `parent` whose names start with `prefix`.
void removeLeftovers(const fs::path& parent, std::string_view prefix, const FolderChangeHook& hook) {
  std::error_code ec;
  std::vector<fs::path> found;
  for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
    if (isStagingName(it->path().filename().string(), prefix) && it->is_directory(ec)) found.push_back(it->path());
  }
  for (const fs::path& folder : found) {
    bool locked = false;
    const int fd = lockFolder(folder, locked);
    if (fd < 0) continue;  // a program is still making it
    // Without a lock there is no telling a leftover from a folder being made: it stays.
    if (locked && !(hook && hook())) fs::remove_all(folder, ec);
    ::close(fd);
  }
}

}  // namespace

void removeLeftoverStagings(const fs::path& target, const FolderChangeHook& hook) {
  removeLeftovers(target.parent_path(), stagingPrefix(target), hook);
  std::error_code ec;
  if (fs::is_directory(target, ec)) removeLeftovers(target, kInsidePrefix, hook);
}

}  // namespace datatool
