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

class PromptKind : public ControlKind {
 public:
  std::string_view name() const override { return "prompt"; }
  std::vector<std::string_view> fields() const override { return {"text"}; }
  std::vector<std::string_view> flags() const override { return {"left", "right", "centre", "transparent"}; }
  std::unique_ptr<Control> create(Window& window, const ControlDefinition& definition,
                                  QWidget* parent) const override {
    return std::make_unique<PromptControl>(window, definition, parent);
  }
};

}  // namespace

std::unique_ptr<ControlKind> promptKind() { return std::make_unique<PromptKind>(); }

}  // namespace platform::ui::controls
