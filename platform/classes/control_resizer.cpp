#include "platform/classes/control_resizer.h"

#include <QEvent>
#include <QGroupBox>
#include <QTabWidget>
#include <algorithm>

namespace platform {

// Tells the resizer when the window's size changes.
class ControlResizer::Watcher : public QObject {
 public:
  explicit Watcher(ControlResizer& resizer) : resizer_(resizer) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize) resizer_.resize();
    return false;
  }

 private:
  ControlResizer& resizer_;
};

namespace {

bool holdsOthers(QWidget* widget) {
  return qobject_cast<QGroupBox*>(widget) != nullptr || qobject_cast<QTabWidget*>(widget) != nullptr;
}

int area(const QRect& r) { return r.width() * r.height(); }

// One axis of a control within its parent: where it starts and how long it is now.
void follow(int start, int length, int parentStart, int parentLength, int parentNowStart, int parentNowLength,
            int& newStart, int& newLength) {
  const int offset = start - parentStart;
  const int grown = parentNowLength - parentLength;
  newLength = length;
  newStart = parentNowStart + offset;
  if (length * 2 > parentLength)
    newLength = std::max(0, length + grown);
  else if ((offset + length / 2) * 2 > parentLength)
    newStart += grown;
}

}  // namespace

ControlResizer::ControlResizer(ui::Window& window) : window_(window) {}

ControlResizer::~ControlResizer() { kill(); }

void ControlResizer::init(QSize minimum, std::optional<QSize> maximum) {
  QWidget* handle = window_.handle();
  if (handle == nullptr) return;
  handle->setMinimumSize(minimum);
  if (maximum) handle->setMaximumSize(*maximum);
  originalSize_ = handle->size();
  placed_.clear();
  for (int n = 1; n <= window_.controlCount(); ++n) {
    QWidget* w = window_.control(n).widget();
    if (w == nullptr || w->parentWidget() != handle) continue;
    placed_.push_back({n, w->geometry(), 0, w->geometry()});
  }
  std::stable_sort(placed_.begin(), placed_.end(),
                   [](const Placed& a, const Placed& b) { return area(a.original) > area(b.original); });
  setParents();
  if (!watcher_) {
    watcher_ = std::make_unique<Watcher>(*this);
    handle->installEventFilter(watcher_.get());
  }
}

void ControlResizer::setParents() {
  for (std::size_t i = 0; i < placed_.size(); ++i) {
    Placed& child = placed_[i];
    child.parent = 0;
    // The smallest holder that contains it: holders come earlier, larger first, so the last found.
    for (std::size_t j = 0; j < i; ++j) {
      const Placed& holder = placed_[j];
      if (holdsOthers(window_.control(holder.control).widget()) && holder.original.contains(child.original))
        child.parent = static_cast<int>(j) + 1;
    }
  }
}

QRect ControlResizer::placeWithin(const Placed& child, const QRect& parentOriginal, const QRect& parentNow) const {
  int x, width, y, height;
  follow(child.original.x(), child.original.width(), parentOriginal.x(), parentOriginal.width(), parentNow.x(),
         parentNow.width(), x, width);
  follow(child.original.y(), child.original.height(), parentOriginal.y(), parentOriginal.height(), parentNow.y(),
         parentNow.height(), y, height);
  return QRect(x, y, width, height);
}

void ControlResizer::resize() {
  QWidget* handle = window_.handle();
  if (handle == nullptr || placed_.empty()) return;
  const QRect windowOriginal(QPoint(0, 0), originalSize_);
  const QRect windowNow(QPoint(0, 0), handle->size());
  for (Placed& child : placed_) {
    const Placed* parent = child.parent == 0 ? nullptr : &placed_[static_cast<std::size_t>(child.parent - 1)];
    child.now = parent == nullptr ? placeWithin(child, windowOriginal, windowNow)
                                  : placeWithin(child, parent->original, parent->now);
    if (QWidget* w = window_.control(child.control).widget()) w->setGeometry(child.now);
  }
}

int ControlResizer::parentOf(int control) const {
  for (const Placed& p : placed_)
    if (p.control == control) return p.parent == 0 ? 0 : placed_[static_cast<std::size_t>(p.parent - 1)].control;
  return 0;
}

void ControlResizer::kill() {
  if (watcher_ && window_.handle() != nullptr) window_.handle()->removeEventFilter(watcher_.get());
  watcher_.reset();
}

}  // namespace platform
