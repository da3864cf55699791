// Sharing modes between programs (deny write, deny none) over open-file-description locks on the
// data file, in a byte range far beyond anything SQLite locks or writes; and the exclusive hold of
// a program that replaces or removes the file.
//
// The lock descriptor of a file is kept open while an open of this process uses the file or holds
// it alone, and closed as soon as none does: closing a descriptor of a file that SQLite has open
// would drop the POSIX locks SQLite holds on it in this process, and a file that nothing uses
// must not be kept open (a file removed would keep its disk space).
#pragma once

#include <string>

namespace platform::storage::sharing {

// Takes the locks of an open with the given access mode byte. Returns kNone, or kAccessDenied when
// another open forbids this one (it denies writing and we write, or we deny writing and it writes,
// or the file is held exclusive), in another program or in this process. Two programs opening at the
// same moment in modes that exclude each other never both succeed. The locks are on the file the
// path names once they are set: a file replaced meanwhile is not the one locked. `fd` receives
// the descriptor that holds the locks.
int acquire(const std::string& path, int mode, int& fd);
// Drops the locks taken by acquire; the descriptor is closed when no open of this process uses the
// file any more.
void release(int fd, int mode);

// Takes the file for this caller alone: kNone, kAccessDenied while it is open anywhere (this
// process included), kFileNotFound when it does not exist. Until releaseExclusive no open
// succeeds, so the file can be replaced or removed without another program writing to it in the
// meantime. A file this process may not
// write cannot be held: it is only seen not to be open, and `fd` is -1.
int acquireExclusive(const std::string& path, int& fd);
void releaseExclusive(int fd);

// An exclusive hold given up when it goes out of scope.
class ExclusiveHold {
 public:
  ExclusiveHold() = default;
  ~ExclusiveHold();
  ExclusiveHold(const ExclusiveHold&) = delete;
  ExclusiveHold& operator=(const ExclusiveHold&) = delete;

  int take(const std::string& path);  // as acquireExclusive

 private:
  int fd_ = -1;
};

}  // namespace platform::storage::sharing
