#include <QLabel>

#include "platform/ui/controls/alignment.h"
#include "platform/ui/controls/kinds.h"

namespace platform::ui::controls {
namespace {

// A caption as shown: "&" marks the access key and is not shown itself ("&&" shows one "&").
QString shownCaption(const std::string& utf8) {
  const QString text = QString::fromStdString(utf8);
  QString shown;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

class PromptControl : public Control {
 public:
  PromptControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), label_(new QLabel(shownCaption(definition.text("text")), parent)) {
    label_->setTextFormat(Qt::PlainText);
    label_->setAlignment(horizontalAlignment(definition, Qt::AlignLeft) | Qt::AlignTop);
    setUpWidget(label_);
    if (definition.has("transparent")) label_->setAutoFillBackground(false);
  }
  QWidget* widget() const override { return label_; }
  std::string text() const override { return label_ ? label_->text().toStdString() : std::string(); }
  void setText(const std::string& utf8) override {
    if (label_) label_->setText(shownCaption(utf8));
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
