// For tests: another program working on the same files, as a child process.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace platform::storage::testing {

// Waits for the child process `pid` to end; its exit code (-1 when it did not exit normally).
inline int exitStatus(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs `body` in a child process and returns its exit code (-1 when it did not exit normally).
// Fork only while this process holds no open connection to a file the child uses: SQLite's locks
// do not survive being shared across a fork.
inline int runInChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  return exitStatus(pid);
}

// The user whose file permissions bind a test: this process's own, or nobody (65534) when it runs
// as root, whom no permission refuses. A folder that user must write is given to them.
inline uid_t boundUser() { return ::geteuid() == 0 ? 65534 : ::geteuid(); }
inline gid_t boundGroup() { return ::geteuid() == 0 ? 65534 : ::getegid(); }

// What runAsBoundUser returns when the child could not become that user.
inline constexpr int kNoBoundUser = 125;

// Runs `body` in a child process as boundUser() and returns its exit code.
inline int runAsBoundUser(const std::function<int()>& body) {
  return runInChild([&] {
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(boundGroup()) != 0 || ::setuid(boundUser()) != 0))
      return kNoBoundUser;
    return body();
  });
}

}  // namespace platform::storage::testing
