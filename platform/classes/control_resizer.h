// The control resizer: when the window's size changes (it is maximised, or its frame dragged), the
// controls follow. Each control moves with its resize parent (the smallest group or sheet that held
// it when the window opened, else the window) and, along each axis, within it:
//   - a control more than half as wide (high) as its parent stretches with it, keeping both margins;
//   - otherwise a control whose centre lies in the parent's far half keeps its distance from the
//     far edge (it moves with the right or bottom edge);
//   - otherwise it keeps its distance from the near edge.
// The window is kept no smaller than the minimum size given (and no larger than the maximum).
// Controls placed on a tab move with their page and are left alone.
//
// Not thread safe: GUI thread only. The window must outlive the resizer or the resizer be killed.
#pragma once

#include <QRect>
#include <QSize>
#include <memory>
#include <optional>
#include <vector>

#include "platform/classes/window_component.h"
#include "platform/ui/window.h"

namespace platform {

class ControlResizer : public WindowComponent {
 public:
  explicit ControlResizer(ui::Window& window);
  ~ControlResizer() override;
  ControlResizer(const ControlResizer&) = delete;
  ControlResizer& operator=(const ControlResizer&) = delete;

  // Takes the window's size and the controls' places as they are now, finds each control's resize
  // parent, and from now on follows the window's size (in pixels).
  void init(QSize minimum, std::optional<QSize> maximum = std::nullopt);
  // Finds each control's resize parent again, from the places taken at init().
  void setParents();
  // Places the controls for the window's size now.
  void resize();
  void kill() override;

  // The resize parent of a control (its number), 0 for the window itself.
  int parentOf(int control) const;

 private:
  class Watcher;
  struct Placed {
    int control = 0;
    QRect original;
    int parent = 0;  // index into placed_ + 1; 0 the window
    QRect now;
  };
  QRect placeWithin(const Placed& child, const QRect& parentOriginal, const QRect& parentNow) const;

  ui::Window& window_;
  std::unique_ptr<Watcher> watcher_;
  QSize originalSize_;
  std::vector<Placed> placed_;  // largest first, so that parents come before the controls they hold
};

}  // namespace platform
