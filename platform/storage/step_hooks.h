// The points between two steps of a file operation where another program acting would matter:
// while this process's own sharing locks are set but not yet checked against the others', and
// just before and just after a finished file is renamed into place. Tests act exactly there
// (platform/storage/testing/step_hooks.h); otherwise nothing happens.
#pragma once

namespace platform::storage {

enum class Step { kOwnSharingLocksSet, kBeforeRename, kAfterRename };

// Called by this module at each point: hands the step to this thread's hook, if one is set.
void reached(Step step);

// What reached() calls on this thread; null (the default) for nothing. Set by the test side only.
using StepHook = void (*)(Step step);
void setStepHook(StepHook hook);

}  // namespace platform::storage
