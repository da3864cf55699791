// For tests: another program working on the same files, as a child process.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace platform::storage::testing {

// Runs `body` in a child process and returns its exit code (-1 when it did not exit normally).
// Fork only while this process holds no open connection to a file the child uses: SQLite's locks
// do not survive being shared across a fork.
inline int runInChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace platform::storage::testing
