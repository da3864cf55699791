#include <QIcon>
#include <QKeySequence>
#include <QPushButton>

#include "platform/ui/controls/access_key.h"
#include "platform/ui/controls/kinds.h"
#include "platform/ui/window.h"

namespace platform::ui::controls {
namespace {

class ButtonControl : public Control {
 public:
  ButtonControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), button_(new QPushButton(QString::fromStdString(definition.text("text")), parent)) {
    setUpWidget(button_);
    button_->setAutoDefault(false);
    button_->setDefault(definition.has("default"));
    button_->setFocusPolicy(definition.has("skip") ? Qt::ClickFocus : Qt::StrongFocus);
    const std::string icon = definition.text("icon");
    if (!icon.empty()) button_->setIcon(QIcon(QString::fromStdString(layout::imagePath(icon))));
    const std::string action = definition.text("std");
    QObject::connect(button_, &QPushButton::clicked, button_, [this, action] {
      if (action == "close")
        this->window().post(EventKind::CloseWindow, number());
      else if (action == "help")
        this->window().showHelp();
      else
        postAccepted();
    });
  }

  QWidget* widget() const override { return button_; }
  // A button too small for its icon and caption shows the icon alone; the caption, without its
  // access-key mark, becomes its tooltip, and the access key stays the button's ("Ay&uda": Alt+U).
  void placed() override {
    if (!button_ || button_->icon().isNull() || button_->text().isEmpty() ||
        button_->sizeHint().width() <= button_->width())
      return;
    iconOnly_ = true;
    showCaption(button_->text());
  }
  bool takesFocus() const override { return !definition().has("skip"); }
  bool isButton() const override { return true; }
  void press() override {
    if (button_ && button_->isEnabled() && button_->isVisible()) button_->click();
  }
  // The caption as written, its access-key mark included, also where only the icon shows.
  std::string text() const override {
    if (!button_) return {};
    return (iconOnly_ ? caption_ : button_->text()).toStdString();
  }
  void setText(const std::string& utf8) override {
    if (!button_) return;
    if (iconOnly_)
      showCaption(QString::fromStdString(utf8));
    else
      button_->setText(QString::fromStdString(utf8));
  }

 private:
  void showCaption(const QString& caption) {
    caption_ = caption;
    button_->setText({});
    button_->setToolTip(withoutAccessKey(caption));
    button_->setShortcut(QKeySequence::mnemonic(caption));
  }

  QPointer<QPushButton> button_;
  bool iconOnly_ = false;
  QString caption_;  // where only the icon shows
};

}  // namespace

std::unique_ptr<ControlKind> buttonKind() {
  return std::make_unique<KindOf<ButtonControl>>(
      "button", std::vector<std::string_view>{"text", "icon", "std"}, std::vector<std::string_view>{"default", "skip"},
      [](const ControlDefinition& d, std::vector<std::string>& problems) {
        const std::string action = d.text("std");
        if (!action.empty() && action != "close" && action != "help")
          problems.push_back("standard action \"" + action + "\" is not close or help");
      });
}

}  // namespace platform::ui::controls
