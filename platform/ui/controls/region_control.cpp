#include <QWidget>

#include "platform/ui/controls/kinds.h"

namespace platform::ui::controls {
namespace {

// A region: an area of the window with nothing to show. It lets the mouse through to whatever lies
// under it, so a region laid over other controls never takes their clicks.
class RegionControl : public Control {
 public:
  RegionControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), area_(new QWidget(parent)) {
    setUpWidget(area_);
    area_->setAttribute(Qt::WA_TransparentForMouseEvents);
    area_->setFocusPolicy(Qt::NoFocus);
  }
  QWidget* widget() const override { return area_; }

 private:
  QPointer<QWidget> area_;
};

}  // namespace

std::unique_ptr<ControlKind> regionKind() {
  return std::make_unique<KindOf<RegionControl>>("region", std::vector<std::string_view>{},
                                                 std::vector<std::string_view>{},
                                                 [](const ControlDefinition& d, std::vector<std::string>& problems) {
                                                   if (!d.width || !d.height)
                                                     problems.push_back("a region needs a width and a height");
                                                 });
}

}  // namespace platform::ui::controls
