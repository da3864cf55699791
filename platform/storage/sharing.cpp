#include "platform/storage/sharing.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/core/runtime_errors.h"
#include "platform/storage/step_hooks.h"

namespace platform::storage::sharing {
namespace {

// Two one-byte ranges: a process that writes the file holds a shared lock on kWriterByte, one
// that denies writing holds a shared lock on kDenyWriteByte.
constexpr off_t kBase = off_t{1} << 40;
constexpr off_t kWriterByte = kBase;
constexpr off_t kDenyWriteByte = kBase + 1;
// Held shared by every open; held exclusive by the one program that replaces or removes the file.
constexpr off_t kOpenByte = kBase + 2;

// Whether the lock was set (a conflicting lock of another program leaves it unset).
bool setLock(int fd, off_t at, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = at;
  lock.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Whether another program holds the byte. Our own locks never conflict with ourselves.
bool heldByOthers(int fd, off_t at) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = at;
  lock.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}

struct Entry {
  int fd = -1;
  int writers = 0;      // opens of this process that write
  int denyWriters = 0;  // opens of this process that deny writing
  int opens = 0;
  bool exclusive = false;  // held alone (acquireExclusive)
  // Further descriptors of the file, made when it was renamed into place between looking its
  // name up and opening it: kept with the entry, as closing one would drop SQLite's locks.
  std::vector<int> spares;
};

std::mutex& entriesMutex() {
  static std::mutex mutex;
  return mutex;
}

// One entry per file, kept while an open of this process uses it (see the header).
std::map<int, Entry>& entriesByFd() {
  static std::map<int, Entry> map;
  return map;
}

std::map<std::pair<dev_t, ino_t>, int>& fdByInode() {
  static std::map<std::pair<dev_t, ino_t>, int> map;
  return map;
}

bool writes(int mode) { return (mode & 0x0F) != 0; }
bool deniesWrite(int mode) { return (mode & 0xF0) == 0x20 || (mode & 0xF0) == 0x10; }

std::pair<dev_t, ino_t> inodeOf(const struct stat& st) { return {st.st_dev, st.st_ino}; }

// Whether `path` still names the file of the descriptor (it may have been replaced or removed).
bool stillNamed(const std::string& path, int fd) {
  struct stat byName {};
  struct stat byDescriptor {};
  return ::stat(path.c_str(), &byName) == 0 && ::fstat(fd, &byDescriptor) == 0 &&
         inodeOf(byName) == inodeOf(byDescriptor);
}

void closeEntry(std::map<int, Entry>::iterator entry) {
  for (int spare : entry->second.spares) ::close(spare);
  ::close(entry->first);
  entriesByFd().erase(entry);
}

}  // namespace

// A process forked from this one inherits the table and its descriptors, which share their locks
// with ours: the child would take our locks for its own. It starts a table of its own instead
// (closing its copies of the descriptors leaves our locks in place).
static void forgetDescriptorsOfParentProcess() {
  static pid_t owner = ::getpid();
  if (owner == ::getpid()) return;
  owner = ::getpid();
  while (!entriesByFd().empty()) closeEntry(entriesByFd().begin());
  fdByInode().clear();
}

// Closes the descriptors of files that were removed or replaced and that no open of this process
// uses: nothing of this process has such a file open any more (every open takes its locks
// first), so no lock is lost, and the old file's disk space is given back.
static void closeDescriptorsOfRemovedFiles() {
  for (auto it = fdByInode().begin(); it != fdByInode().end();) {
    const auto entry = entriesByFd().find(it->second);
    struct stat st {};
    if (entry != entriesByFd().end() && entry->second.opens == 0 && !entry->second.exclusive &&
        fstat(entry->first, &st) == 0 && st.st_nlink == 0) {
      closeEntry(entry);
      it = fdByInode().erase(it);
    } else {
      ++it;
    }
  }
}

// Closes the descriptor of a file that no open of this process uses and that is not held alone.
// Every open takes its locks first, so SQLite then holds no lock on the file in this process that
// the close could drop. Call with the mutex held.
static void letGoIfUnused(int fd) {
  const auto entry = entriesByFd().find(fd);
  if (entry == entriesByFd().end() || entry->second.opens > 0 || entry->second.exclusive) return;
  for (auto it = fdByInode().begin(); it != fdByInode().end(); ++it) {
    if (it->second == fd) {
      fdByInode().erase(it);
      break;
    }
  }
  closeEntry(entry);
}

// The process's descriptor of the file `path` names now (made on first need); -1 when it cannot
// be opened. Call with the mutex held.
static int processDescriptor(const std::string& path) {
  forgetDescriptorsOfParentProcess();
  closeDescriptorsOfRemovedFiles();
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return -1;
  if (auto found = fdByInode().find(inodeOf(st)); found != fdByInode().end()) return found->second;
  // For writing when we may: only such a descriptor can hold the file exclusive.
  int opened = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (opened < 0) opened = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (opened < 0 || fstat(opened, &st) != 0) {
    if (opened >= 0) ::close(opened);
    return -1;
  }
  // Keyed by the file opened, which is not the one looked up if it was replaced in between.
  const auto [found, added] = fdByInode().emplace(inodeOf(st), opened);
  if (added) {
    entriesByFd()[opened].fd = opened;
  } else {
    entriesByFd()[found->second].spares.push_back(opened);
  }
  return found->second;
}

// Sets this process's locks for one more open of the mode (the first open of a kind sets its
// byte). False, with nothing taken, while another program holds the file alone.
static bool takeLocks(int fd, Entry& entry, int mode) {
  if (entry.opens == 0 && !setLock(fd, kOpenByte, F_RDLCK)) return false;
  ++entry.opens;
  if (writes(mode) && entry.writers++ == 0) setLock(fd, kWriterByte, F_RDLCK);
  if (deniesWrite(mode) && entry.denyWriters++ == 0) setLock(fd, kDenyWriteByte, F_RDLCK);
  return true;
}

// Gives back what takeLocks took (the last open of a kind clears its byte).
static void dropLocks(int fd, Entry& entry, int mode) {
  if (writes(mode) && entry.writers > 0 && --entry.writers == 0) setLock(fd, kWriterByte, F_UNLCK);
  if (deniesWrite(mode) && entry.denyWriters > 0 && --entry.denyWriters == 0) setLock(fd, kDenyWriteByte, F_UNLCK);
  if (entry.opens > 0 && --entry.opens == 0) setLock(fd, kOpenByte, F_UNLCK);
}

// The error of a file that could not be opened: missing, or there but not ours to read.
static int openError(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0 ? errors::kAccessDenied : errors::kFileNotFound;
}

// Locks taken on a file that another program then renamed away or removed are given back and
// taken again on the file the name stands for now; a file replaced that often is refused.
constexpr int kAttemptsAtAMovingFile = 100;

int acquire(const std::string& path, int mode, int& fd) {
  std::lock_guard<std::mutex> guard(entriesMutex());
  for (int attempt = 0; attempt < kAttemptsAtAMovingFile; ++attempt) {
    fd = processDescriptor(path);
    if (fd < 0) return openError(path);
    Entry& entry = entriesByFd()[fd];
    // Opens of this process: the mutex makes checking and counting one step.
    if (entry.exclusive || (writes(mode) && entry.denyWriters > 0) || (deniesWrite(mode) && entry.writers > 0)) {
      return errors::kAccessDenied;
    }
    // Other programs': our own locks are set before theirs are looked at. Of two programs opening
    // at once, the one that looks last sees the other's lock, so two conflicting opens never both
    // succeed (at an exact tie both may be refused, as if either had come first).
    if (!takeLocks(fd, entry, mode)) {
      letGoIfUnused(fd);
      return errors::kAccessDenied;
    }
    reached(Step::kOwnSharingLocksSet);
    if ((writes(mode) && heldByOthers(fd, kDenyWriteByte)) || (deniesWrite(mode) && heldByOthers(fd, kWriterByte))) {
      dropLocks(fd, entry, mode);
      letGoIfUnused(fd);
      return errors::kAccessDenied;
    }
    // Locked, the file can no longer be replaced or removed by another program.
    if (stillNamed(path, fd)) return errors::kNone;
    dropLocks(fd, entry, mode);
    letGoIfUnused(fd);
  }
  return errors::kAccessDenied;
}

void release(int fd, int mode) {
  if (fd < 0) return;
  std::lock_guard<std::mutex> guard(entriesMutex());
  auto it = entriesByFd().find(fd);
  if (it == entriesByFd().end()) return;
  dropLocks(fd, it->second, mode);
  letGoIfUnused(fd);
}

int acquireExclusive(const std::string& path, int& fd) {
  std::lock_guard<std::mutex> guard(entriesMutex());
  for (int attempt = 0; attempt < kAttemptsAtAMovingFile; ++attempt) {
    fd = processDescriptor(path);
    if (fd < 0) return openError(path);
    Entry& entry = entriesByFd()[fd];
    // One step in the kernel: the lock is refused while any other program has the file open, and
    // afterwards refuses their opens.
    if (entry.opens > 0 || entry.exclusive) {
      fd = -1;
      return errors::kAccessDenied;
    }
    if (!setLock(fd, kOpenByte, F_WRLCK)) {
      // A file we may not write cannot be locked so: it is only seen not to be open anywhere.
      const bool unheld = errno == EBADF && !heldByOthers(fd, kOpenByte);
      letGoIfUnused(fd);
      fd = -1;
      return unheld ? errors::kNone : errors::kAccessDenied;
    }
    entry.exclusive = true;
    if (stillNamed(path, fd)) return errors::kNone;
    entry.exclusive = false;
    setLock(fd, kOpenByte, F_UNLCK);
    letGoIfUnused(fd);
  }
  fd = -1;
  return errors::kAccessDenied;
}

void releaseExclusive(int fd) {
  if (fd < 0) return;
  std::lock_guard<std::mutex> guard(entriesMutex());
  auto it = entriesByFd().find(fd);
  if (it == entriesByFd().end() || !it->second.exclusive) return;
  it->second.exclusive = false;
  setLock(fd, kOpenByte, F_UNLCK);
  letGoIfUnused(fd);
}

ExclusiveHold::~ExclusiveHold() { releaseExclusive(fd_); }

int ExclusiveHold::take(const std::string& path) {
  releaseExclusive(fd_);
  return acquireExclusive(path, fd_);
}

}  // namespace platform::storage::sharing
