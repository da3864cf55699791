#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "platform/ui/controls/kinds.h"
#include "platform/ui/window.h"

namespace platform::ui::controls {
namespace {

// What menus and items share: an action in a menu, found by its label like any control.
class ActionControl : public Control {
 public:
  ActionControl(Window& window, const ControlDefinition& definition) : Control(window, definition) {}

  QWidget* widget() const override { return nullptr; }
  bool isHidden() const override { return !action_ || !action_->isVisible(); }
  void setHidden(bool hidden) override {
    if (action_) action_->setVisible(!hidden);
  }
  bool isDisabled() const override { return !action_ || !action_->isEnabled(); }
  void setDisabled(bool disabled) override {
    if (action_) action_->setEnabled(!disabled);
  }
  std::string text() const override { return action_ ? action_->text().toStdString() : std::string(); }
  void setText(const std::string& utf8) override {
    if (action_) action_->setText(QString::fromStdString(utf8));
  }

 protected:
  void setUpAction(QAction* action) {
    action_ = action;
    const ControlDefinition& d = definition();
    action->setObjectName(QString::fromStdString(d.label));
    action->setProperty("controlNumber", d.number);
    if (!d.status.empty()) action->setStatusTip(QString::fromStdString(d.status));
    if (!d.tip.empty()) action->setToolTip(QString::fromStdString(d.tip));
    action->setVisible(!d.has("hidden"));
    action->setEnabled(!d.has("disabled"));
  }
  // The menu the action goes into: the parent menu, or the window's menu bar.
  static void place(QAction* action, QWidget* parent, Window& window, bool separated) {
    if (auto* menu = qobject_cast<QMenu*>(parent)) {
      if (separated) menu->addSeparator();
      menu->addAction(action);
    } else {
      window.menuBar()->addAction(action);
    }
  }

 private:
  QPointer<QAction> action_;
};

class MenuControl : public ActionControl {
 public:
  MenuControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : ActionControl(window, definition), menu_(new QMenu(QString::fromStdString(definition.text("text")), parent)) {
    menu_->setObjectName(QString::fromStdString(definition.label + ":menu"));
    setUpAction(menu_->menuAction());
    place(menu_->menuAction(), parent, window, definition.has("separated"));
  }
  ~MenuControl() override { delete menu_.data(); }
  QWidget* container() const override { return menu_; }

 private:
  QPointer<QMenu> menu_;
};

class ItemControl : public ActionControl {
 public:
  ItemControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : ActionControl(window, definition), item_(new QAction(QString::fromStdString(definition.text("text")), parent)) {
    setUpAction(item_);
    place(item_, parent, window, definition.has("separated"));
    QObject::connect(item_, &QAction::triggered, item_, [this] { postAccepted(); });
  }
  ~ItemControl() override { delete item_.data(); }
  void press() override {
    if (item_ && item_->isEnabled() && item_->isVisible()) item_->trigger();
  }

 private:
  QPointer<QAction> item_;
};

void needsText(const ControlDefinition& d, std::vector<std::string>& problems) {
  if (d.text("text").empty()) problems.push_back("a menu or item needs \"text\"");
}

}  // namespace

std::unique_ptr<ControlKind> menuKind() {
  return std::make_unique<KindOf<MenuControl>>("menu", std::vector<std::string_view>{"text"},
                                               std::vector<std::string_view>{"separated"}, &needsText);
}

std::unique_ptr<ControlKind> itemKind() {
  return std::make_unique<KindOf<ItemControl>>("item", std::vector<std::string_view>{"text"},
                                               std::vector<std::string_view>{"separated"},
                                               [](const ControlDefinition& d, std::vector<std::string>& problems) {
                                                 needsText(d, problems);
                                                 if (d.parent.empty())
                                                   problems.push_back("an item needs a parent menu");
                                               });
}

}  // namespace platform::ui::controls
