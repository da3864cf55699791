// The group box and the text control: captions that frame or label other controls.
#include <QGroupBox>
#include <QLabel>
#include <algorithm>

#include "platform/core/cp1252_text.h"
#include "platform/ui/controls/alignment.h"
#include "platform/ui/controls/kinds.h"
#include "platform/ui/window.h"

namespace platform::ui::controls {
namespace {

class GroupControl : public Control {
 public:
  GroupControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), box_(new QGroupBox(QString::fromStdString(definition.text("text")), parent)) {
    setUpWidget(box_);
  }
  QWidget* widget() const override { return box_; }
  Layer layer() const override { return Layer::Frame; }
  std::string text() const override { return box_ ? box_->title().toStdString() : std::string(); }
  void setText(const std::string& utf8) override {
    if (box_) box_->setTitle(QString::fromStdString(utf8));
  }

 private:
  QPointer<QGroupBox> box_;
};

// A constant text, or the value of its use variable through its picture.
class TextControl : public Control {
 public:
  TextControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), label_(new QLabel(QString::fromStdString(definition.text("text")), parent)) {
    label_->setTextFormat(Qt::PlainText);
    label_->setAlignment(horizontalAlignment(definition, Qt::AlignLeft) | Qt::AlignVCenter);
    setUpWidget(label_);
    if (definition.has("transparent")) label_->setAutoFillBackground(false);
  }
  QWidget* widget() const override { return label_; }
  // A text on a variable is as wide as its picture's positions (four dialog units each), so that
  // values of every length align within the same box; a constant text takes its own width.
  QSize defaultSize() const override {
    const QSize natural = Control::defaultSize();
    if (!picture()) return natural;
    return {window().units().toPixelsX(4 * picture()->width()), natural.height()};
  }
  std::string text() const override { return label_ ? label_->text().toStdString() : std::string(); }
  void setText(const std::string& utf8) override {
    if (label_) label_->setText(QString::fromStdString(utf8));
  }

 protected:
  // The picture's blanks only place the value within its positions; the label aligns it itself.
  void showValue(const Cp1252Text& shown) override { setText(trim(shown).toUtf8()); }

 private:
  QPointer<QLabel> label_;
};

}  // namespace

std::unique_ptr<ControlKind> groupKind() {
  return std::make_unique<KindOf<GroupControl>>("group", std::vector<std::string_view>{"text"},
                                                std::vector<std::string_view>{},
                                                [](const ControlDefinition& d, std::vector<std::string>& problems) {
                                                  if (!d.width || !d.height)
                                                    problems.push_back("a group needs a width and a height");
                                                });
}

std::unique_ptr<ControlKind> textKind() {
  return std::make_unique<KindOf<TextControl>>(
      "string", std::vector<std::string_view>{"text", "use", "picture"},
      std::vector<std::string_view>{"left", "right", "centre", "transparent"},
      [](const ControlDefinition& d, std::vector<std::string>& problems) {
        if (!d.text("use").empty() && !d.text("text").empty())
          problems.push_back("a text shows either its \"text\" or its \"use\" variable, not both");
      });
}

}  // namespace platform::ui::controls
