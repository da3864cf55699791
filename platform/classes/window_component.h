// A part of a window that a window procedure adds to its window controller (a browse list, a
// resizer): the controller hands it each event before the procedure's own handlers, resets it
// after each event and when the procedure asks, and ends it with the window.
#pragma once

#include "platform/classes/error_reporter.h"

namespace platform {

class WindowComponent {
 public:
  virtual ~WindowComponent() = default;
  // The window's current event; a level as the controller's handlers return.
  virtual int takeEvent() { return kLevelBenign; }
  // Brings the component in line with the window (`force`: anew, even when nothing changed).
  // True when it changed what it shows.
  virtual bool reset(bool force) { return false; }
  // The window is ending.
  virtual void kill() {}
};

}  // namespace platform
