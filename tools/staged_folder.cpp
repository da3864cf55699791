#include "tools/staged_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

namespace datatool {

namespace fs = std::filesystem;

namespace {

std::string stagingPrefix(const fs::path& target) {
  std::string prefix = ".";
  prefix += target.filename().string();
  prefix += ".loading-";
  return prefix;
}

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
    : target_(std::move(target)), hook_(std::move(hook)) {}

StagedFolder::~StagedFolder() {
  if (!path_.empty() && !placed_) {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  if (lockFd_ >= 0) ::close(lockFd_);
}

std::string StagedFolder::make() {
  struct stat targetStat = {};
  const bool targetExists = ::stat(target_.c_str(), &targetStat) == 0;
  const fs::path parent = target_.parent_path();
  for (int n = 0; n < 1000; ++n) {
    const fs::path candidate = parent / (stagingPrefix(target_) + std::to_string(::getpid()) + "-" + std::to_string(n));
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

void removeLeftoverStagings(const fs::path& target, const FolderChangeHook& hook) {
  const std::string prefix = stagingPrefix(target);
  std::error_code ec;
  std::vector<fs::path> found;
  for (fs::directory_iterator it(target.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().filename().string().rfind(prefix, 0) == 0 && it->is_directory(ec)) found.push_back(it->path());
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

}  // namespace datatool
