// The points between two steps of a file operation where another program acting would matter:
// while this process's own sharing locks are set but not yet checked against the others', and
// just before and just after a finished file is renamed into place. Tests run an action exactly
// there (for instance: another program opens the file); otherwise nothing happens.
#pragma once

#include <functional>

namespace platform::storage {

enum class Step { kOwnSharingLocksSet, kBeforeRename, kAfterRename };

// Called by this module at each point: runs the action set for it on this thread, once.
void reached(Step step);

namespace testing {

// For tests only: runs `action` the next time this thread reaches `step`. The action runs while
// this module's per-process lock table is held: it must not open or close data files in this
// process (another program, a child process started beforehand, may).
void atNextStep(Step step, std::function<void()> action);

}  // namespace testing
}  // namespace platform::storage
