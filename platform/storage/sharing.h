// Sharing modes between programs (deny write, deny none) over open-file-description locks on the
// data file, in a byte range far beyond anything SQLite locks or writes.
//
// The lock descriptor of a file is kept open until the process ends, or until the file has been
// removed or replaced and nothing of this process has it open: closing any descriptor of a file
// would drop the POSIX locks SQLite holds on it in this process.
#pragma once

#include <string>

namespace platform::storage::sharing {

// Takes the locks of an open with the given access mode byte. Returns 0, or error 5 when another
// program's open forbids this one (it denies writing and we write, or we deny writing and it
// writes). Two programs opening at the same moment in modes that exclude each other never both
// succeed. `fd` receives the descriptor that holds the locks.
int acquire(const std::string& path, int mode, int& fd);
// Whether the file is open (any mode) in another program or in this process: callers ask after
// making sure that they themselves do not have it open, so an open of this process is another
// session's.
bool openElsewhere(const std::string& path);
// Drops the locks taken by acquire (the descriptor stays open for reuse).
void release(int fd, int mode);

}  // namespace platform::storage::sharing
