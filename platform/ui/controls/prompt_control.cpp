#include <QLabel>

#include "platform/ui/controls/alignment.h"
#include "platform/ui/controls/kinds.h"

namespace platform::ui::controls {
namespace {

class PromptControl : public Control {
 public:
  PromptControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), label_(new QLabel(QString::fromStdString(definition.text("text")), parent)) {
    label_->setTextFormat(Qt::PlainText);
    label_->setAlignment(horizontalAlignment(definition, Qt::AlignLeft) | Qt::AlignTop);
    setUpWidget(label_);
    if (definition.has("transparent")) label_->setAutoFillBackground(false);
  }
  QWidget* widget() const override { return label_; }
  std::string text() const override { return label_ ? label_->text().toStdString() : std::string(); }
  void setText(const std::string& utf8) override {
    if (label_) label_->setText(QString::fromStdString(utf8));
  }

 private:
  QPointer<QLabel> label_;
};

}  // namespace

std::unique_ptr<ControlKind> promptKind() {
  return std::make_unique<KindOf<PromptControl>>(
      "prompt", std::vector<std::string_view>{"text"},
      std::vector<std::string_view>{"left", "right", "centre", "transparent"});
}

}  // namespace platform::ui::controls
