#include <QPainter>
#include <QWidget>

#include "platform/layout/colour.h"
#include "platform/ui/controls/kinds.h"

namespace platform::ui::controls {
namespace {

class BoxWidget : public QWidget {
 public:
  BoxWidget(QWidget* parent, std::int32_t border, std::int32_t fill, bool rounded)
      : QWidget(parent), border_(border), fill_(fill), rounded_(rounded) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QColor border = layout::toQColor(border_);
    const QColor fill = layout::toQColor(fill_);
    painter.setPen(border.isValid() ? border : palette().color(QPalette::WindowText));
    painter.setBrush(fill.isValid() ? QBrush(fill) : Qt::NoBrush);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    if (rounded_)
      painter.drawRoundedRect(r, 4, 4);
    else
      painter.drawRect(r);
  }

 private:
  std::int32_t border_;
  std::int32_t fill_;
  bool rounded_;
};

class BoxControl : public Control {
 public:
  BoxControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition),
        widget_(
            new BoxWidget(parent, definition.colour("colour"), definition.colour("fill"), definition.has("rounded"))) {
    setUpWidget(widget_);
  }
  QWidget* widget() const override { return widget_; }

 private:
  QPointer<BoxWidget> widget_;
};

}  // namespace

std::unique_ptr<ControlKind> boxKind() {
  return std::make_unique<KindOf<BoxControl>>("box", std::vector<std::string_view>{"colour", "fill"},
                                              std::vector<std::string_view>{"rounded"},
                                              [](const ControlDefinition& d, std::vector<std::string>& problems) {
                                                if (!d.width || !d.height)
                                                  problems.push_back("a box needs a width and a height");
                                              });
}

}  // namespace platform::ui::controls
