// The toolbar dispatcher: routes the actions of a window's toolbar (insert, change, delete, select,
// moving through a list, history, help) to the component of the window that serves them, a list or
// a form. Components register as targets; an action goes to the most recently added target that
// offers it.
#pragma once

#include <vector>

namespace platform {

enum class ToolbarAction { Insert = 1, Change, Delete, Select, Top, PageUp, Up, Down, PageDown, Bottom, History, Help };

class ToolbarTarget {
 public:
  virtual ~ToolbarTarget() = default;
  virtual bool offers(ToolbarAction action) const = 0;
  virtual void takeToolbar(ToolbarAction action) = 0;
};

class ToolbarDispatcher {
 public:
  // The target must outlive the dispatcher or be removed first. Adding it again moves it to the
  // front.
  void addTarget(ToolbarTarget& target);
  void removeTarget(ToolbarTarget& target);
  // Hands the action to a target; false when none offers it.
  bool dispatch(ToolbarAction action);
  // Whether some target offers the action (a toolbar enables its button by it).
  bool offers(ToolbarAction action) const;

 private:
  std::vector<ToolbarTarget*> targets_;
};

}  // namespace platform
