#include "platform/storage/sharing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <utility>

#include "platform/core/runtime_errors.h"
#include "platform/storage/step_hooks.h"

namespace platform::storage::sharing {
namespace {

// Two one-byte ranges: a process that writes the file holds a shared lock on kWriterByte, one
// that denies writing holds a shared lock on kDenyWriteByte.
constexpr off_t kBase = off_t{1} << 40;
constexpr off_t kWriterByte = kBase;
constexpr off_t kDenyWriteByte = kBase + 1;
constexpr off_t kOpenByte = kBase + 2;  // held (shared) by every open

void setLock(int fd, off_t at, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = at;
  lock.l_len = 1;
  fcntl(fd, F_OFD_SETLK, &lock);
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
};

std::mutex& entriesMutex() {
  static std::mutex mutex;
  return mutex;
}

// One entry per file, kept for the life of the process (see the header).
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

}  // namespace

// Closes the descriptors of files that were removed or replaced and that no open of this process
// uses: nothing of this process has such a file open any more (every open takes its locks
// first), so no lock is lost, and the old file's disk space is given back.
static void closeDescriptorsOfRemovedFiles() {
  for (auto it = fdByInode().begin(); it != fdByInode().end();) {
    const int fd = it->second;
    struct stat st {};
    if (entriesByFd()[fd].opens == 0 && fstat(fd, &st) == 0 && st.st_nlink == 0) {
      entriesByFd().erase(fd);
      ::close(fd);
      it = fdByInode().erase(it);
    } else {
      ++it;
    }
  }
}

// A process forked from this one inherits the table and its descriptors, which share their locks
// with ours: the child would take our locks for its own. It starts a table of its own instead
// (closing its copies of the descriptors leaves our locks in place).
static void forgetDescriptorsOfParentProcess() {
  static pid_t owner = ::getpid();
  if (owner == ::getpid()) return;
  owner = ::getpid();
  for (const auto& [inode, fd] : fdByInode()) ::close(fd);
  fdByInode().clear();
  entriesByFd().clear();
}

// The process's descriptor of the file (made on first need). Call with the mutex held.
static int processDescriptor(const std::string& path) {
  forgetDescriptorsOfParentProcess();
  closeDescriptorsOfRemovedFiles();
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return -1;
  const auto inode = std::make_pair(st.st_dev, st.st_ino);
  auto found = fdByInode().find(inode);
  if (found == fdByInode().end()) {
    const int opened = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (opened < 0) return -1;
    found = fdByInode().emplace(inode, opened).first;
    entriesByFd()[opened].fd = opened;
  }
  return found->second;
}

// Sets this process's locks for one more open of the mode (the first open of a kind sets its byte).
static void takeLocks(int fd, Entry& entry, int mode) {
  if (entry.opens++ == 0) setLock(fd, kOpenByte, F_RDLCK);
  if (writes(mode) && entry.writers++ == 0) setLock(fd, kWriterByte, F_RDLCK);
  if (deniesWrite(mode) && entry.denyWriters++ == 0) setLock(fd, kDenyWriteByte, F_RDLCK);
}

// Gives back what takeLocks took (the last open of a kind clears its byte).
static void dropLocks(int fd, Entry& entry, int mode) {
  if (writes(mode) && entry.writers > 0 && --entry.writers == 0) setLock(fd, kWriterByte, F_UNLCK);
  if (deniesWrite(mode) && entry.denyWriters > 0 && --entry.denyWriters == 0) setLock(fd, kDenyWriteByte, F_UNLCK);
  if (entry.opens > 0 && --entry.opens == 0) setLock(fd, kOpenByte, F_UNLCK);
}

int acquire(const std::string& path, int mode, int& fd) {
  std::lock_guard<std::mutex> guard(entriesMutex());
  fd = processDescriptor(path);
  if (fd < 0) return ::access(path.c_str(), F_OK) == 0 ? errors::kAccessDenied : errors::kFileNotFound;
  Entry& entry = entriesByFd()[fd];
  // Opens of this process: the mutex makes checking and counting one step.
  if ((writes(mode) && entry.denyWriters > 0) || (deniesWrite(mode) && entry.writers > 0)) return errors::kAccessDenied;
  // Other programs': our own locks are set before theirs are looked at. Of two programs opening
  // at once, the one that looks last sees the other's lock, so two conflicting opens never both
  // succeed (at an exact tie both may be refused, as if either had come first).
  takeLocks(fd, entry, mode);
  reached(Step::kOwnSharingLocksSet);
  if ((writes(mode) && heldByOthers(fd, kDenyWriteByte)) || (deniesWrite(mode) && heldByOthers(fd, kWriterByte))) {
    dropLocks(fd, entry, mode);
    return errors::kAccessDenied;
  }
  return errors::kNone;
}

bool openElsewhere(const std::string& path) {
  std::lock_guard<std::mutex> guard(entriesMutex());
  const int fd = processDescriptor(path);
  return fd >= 0 && (entriesByFd()[fd].opens > 0 || heldByOthers(fd, kOpenByte));
}

void release(int fd, int mode) {
  if (fd < 0) return;
  std::lock_guard<std::mutex> guard(entriesMutex());
  auto it = entriesByFd().find(fd);
  if (it != entriesByFd().end()) dropLocks(fd, it->second, mode);
}

}  // namespace platform::storage::sharing
