// For tests: another program holding a data file's read lock, so that no write to the file can be
// committed meanwhile, and the signal that sets such a program going.
#pragma once

#include <unistd.h>

#include <filesystem>

#include "platform/core/locale.h"
#include "platform/storage/data_file.h"
#include "platform/storage/file_decl.h"
#include "platform/storage/session.h"
#include "platform/storage/testing/child_process.h"

namespace platform::storage::testing {

// Blocks in another process until the parent writes a byte to the pipe.
class Signal {
 public:
  Signal() { (void)!pipe(fds_); }
  ~Signal() {
    close(fds_[0]);
    close(fds_[1]);
  }
  Signal(const Signal&) = delete;
  Signal& operator=(const Signal&) = delete;
  void raise() { (void)!write(fds_[1], "x", 1); }
  bool wait() {
    char c;
    return read(fds_[0], &c, 1) == 1;
  }

 private:
  int fds_[2] = {-1, -1};
};

// Another program that reads a data file inside a read transaction of its own, so that it holds
// the file's read lock: nobody can commit a write to the file meanwhile. It is started at once
// (make it before this process starts its program or opens any data file), takes the lock at
// hold() and gives it up at release(), or when it is destroyed.
class ReadLockHolder {
 public:
  ReadLockHolder(FileDecl decl, const std::filesystem::path& folder, const Locale& locale) {
    decl.physicalName = (folder / decl.physicalPath()).string();
    pid_ = fork();
    if (pid_ == 0) {
      go_.wait();
      Engine engine(locale);
      Session session(engine, folder.string());
      DataFile data(decl, session);
      const bool holds = !data.open() && !session.beginRead() && !data.set() && !data.next();
      holding_.raise();
      release_.wait();
      session.endRead();
      _exit(holds ? 0 : 1);
    }
  }
  ~ReadLockHolder() { release(); }
  ReadLockHolder(const ReadLockHolder&) = delete;
  ReadLockHolder& operator=(const ReadLockHolder&) = delete;

  // Returns once the other program has tried to take the lock (release() tells whether it did).
  void hold() {
    go_.raise();
    holding_.wait();
  }
  // Its exit code: 0 when it held the lock. Only the first call waits for it.
  int release() {
    if (pid_ > 0) {
      go_.raise();  // when hold() was never called
      release_.raise();
      status_ = exitStatus(pid_);
      pid_ = -1;
    }
    return status_;
  }

 private:
  Signal go_, holding_, release_;
  pid_t pid_ = -1;
  int status_ = -1;
};

}  // namespace platform::storage::testing
