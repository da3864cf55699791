#include "platform/classes/toolbar_dispatcher.h"

#include <algorithm>

namespace platform {

void ToolbarDispatcher::addTarget(ToolbarTarget& target) {
  removeTarget(target);
  targets_.push_back(&target);
}

void ToolbarDispatcher::removeTarget(ToolbarTarget& target) {
  targets_.erase(std::remove(targets_.begin(), targets_.end(), &target), targets_.end());
}

bool ToolbarDispatcher::dispatch(ToolbarAction action) {
  for (auto it = targets_.rbegin(); it != targets_.rend(); ++it) {
    if ((*it)->offers(action)) {
      (*it)->takeToolbar(action);
      return true;
    }
  }
  return false;
}

bool ToolbarDispatcher::offers(ToolbarAction action) const {
  return std::any_of(targets_.begin(), targets_.end(), [action](const ToolbarTarget* t) { return t->offers(action); });
}

}  // namespace platform
