// For tests: an action run exactly between two steps of a file operation
// (platform/storage/step_hooks.h), for instance another program opening the file then.
#pragma once

#include <functional>

#include "platform/storage/step_hooks.h"

namespace platform::storage::testing {

// Runs `action` the next time this thread reaches `step`, once. The action runs while the
// storage's per-process lock table is held: it must not open or close data files in this process
// (another program, a child process started beforehand, may).
void atNextStep(Step step, std::function<void()> action);

}  // namespace platform::storage::testing
