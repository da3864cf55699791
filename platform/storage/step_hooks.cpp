#include "platform/storage/step_hooks.h"

namespace platform::storage {
namespace {

// One hook per thread: a test's action never runs on another thread.
StepHook& threadHook() {
  thread_local StepHook hook = nullptr;
  return hook;
}

}  // namespace

void reached(Step step) {
  if (const StepHook hook = threadHook()) hook(step);
}

void setStepHook(StepHook hook) { threadHook() = hook; }

}  // namespace platform::storage
