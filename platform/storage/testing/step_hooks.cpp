#include "platform/storage/testing/step_hooks.h"

#include <array>
#include <utility>

namespace platform::storage::testing {
namespace {

// One pending action per step, per thread: a test's action never runs on another thread.
std::array<std::function<void()>, 3>& pendingActions() {
  thread_local std::array<std::function<void()>, 3> actions;
  return actions;
}

void runPendingAction(Step step) {
  auto& pending = pendingActions()[static_cast<std::size_t>(step)];
  if (!pending) return;
  const std::function<void()> action = std::move(pending);
  pending = nullptr;
  action();
}

}  // namespace

void atNextStep(Step step, std::function<void()> action) {
  pendingActions()[static_cast<std::size_t>(step)] = std::move(action);
  setStepHook(&runPendingAction);
}

}  // namespace platform::storage::testing
