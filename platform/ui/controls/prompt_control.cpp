#include <QEvent>
#include <QLabel>
#include <functional>

#include "platform/ui/controls/access_key.h"
#include "platform/ui/controls/alignment.h"
#include "platform/ui/controls/kinds.h"
#include "platform/ui/window.h"

namespace platform::ui::controls {
namespace {

// A label whose access key is handed to the prompt: the window then chooses the control that takes
// the focus as the key is pressed (one hidden or disabled by then is passed by), rather than the
// label's buddy, which is fixed when the window is built.
class PromptLabel : public QLabel {
 public:
  PromptLabel(std::function<void()> accessKeyPressed, QWidget* parent)
      : QLabel(parent), accessKeyPressed_(std::move(accessKeyPressed)) {}

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::Shortcut && buddy() != nullptr) {
      accessKeyPressed_();
      return true;
    }
    return QLabel::event(event);
  }

 private:
  std::function<void()> accessKeyPressed_;
};

// A caption that labels the control after it: its access key ("&Pagina": Alt+P, the P underlined)
// moves the focus to the first control after the prompt that can hold it.
class PromptControl : public Control {
 public:
  PromptControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition),
        label_(new PromptLabel([this] { this->window().focusByAccessKey(number()); }, parent)),
        caption_(QString::fromStdString(definition.text("text"))) {
    label_->setTextFormat(Qt::PlainText);
    label_->setAlignment(horizontalAlignment(definition, Qt::AlignLeft) | Qt::AlignTop);
    setUpWidget(label_);
    if (definition.has("transparent")) label_->setAutoFillBackground(false);
    showCaption();
  }
  QWidget* widget() const override { return label_; }
  // The label's buddy is the first control after it that can hold the focus at all; with none,
  // the caption shows without its marks and its key does nothing.
  void windowComplete() override {
    for (int n = number() + 1; n <= window().controlCount() && label_; ++n) {
      Control& next = window().control(n);
      if (next.canHoldFocus() && next.widget() != nullptr) {
        label_->setBuddy(next.widget());
        break;
      }
    }
    showCaption();
  }
  // The caption as written, its access-key mark included (as a button's).
  std::string text() const override { return caption_.toStdString(); }
  void setText(const std::string& utf8) override {
    caption_ = QString::fromStdString(utf8);
    showCaption();
  }

 private:
  void showCaption() {
    if (label_) label_->setText(label_->buddy() != nullptr ? caption_ : withoutAccessKey(caption_));
  }

  QPointer<QLabel> label_;
  QString caption_;
};

}  // namespace

std::unique_ptr<ControlKind> promptKind() {
  return std::make_unique<KindOf<PromptControl>>(
      "prompt", std::vector<std::string_view>{"text"},
      std::vector<std::string_view>{"left", "right", "centre", "transparent"});
}

}  // namespace platform::ui::controls
