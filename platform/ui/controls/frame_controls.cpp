#include <QFrame>
#include <QPainter>

#include "platform/layout/colour.h"
#include "platform/ui/controls/kinds.h"

namespace platform::ui::controls {
namespace {

class PanelControl : public Control {
 public:
  PanelControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), frame_(new QFrame(parent)) {
    frame_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame_->setLineWidth(1);
    setUpWidget(frame_);
  }
  QWidget* widget() const override { return frame_; }

 private:
  QPointer<QFrame> frame_;
};

class LineWidget : public QWidget {
 public:
  LineWidget(QWidget* parent, std::int32_t colour) : QWidget(parent), colour_(colour) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QColor c = layout::toQColor(colour_);
    painter.setPen(c.isValid() ? c : palette().color(QPalette::WindowText));
    painter.drawLine(0, 0, std::max(0, width() - 1), std::max(0, height() - 1));
  }

 private:
  std::int32_t colour_;
};

class LineControl : public Control {
 public:
  LineControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), line_(new LineWidget(parent, definition.colour("colour"))) {
    setUpWidget(line_);
  }
  QWidget* widget() const override { return line_; }
  // A line of no height or width is still one pixel thick.
  void placed() override {
    if (line_) line_->resize(std::max(1, line_->width()), std::max(1, line_->height()));
  }

 private:
  QPointer<LineWidget> line_;
};

}  // namespace

std::unique_ptr<ControlKind> panelKind() {
  return std::make_unique<KindOf<PanelControl>>("panel", std::vector<std::string_view>{},
                                                std::vector<std::string_view>{});
}

std::unique_ptr<ControlKind> lineKind() {
  return std::make_unique<KindOf<LineControl>>("line", std::vector<std::string_view>{"colour"},
                                               std::vector<std::string_view>{});
}

}  // namespace platform::ui::controls
