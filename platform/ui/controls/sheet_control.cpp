#include "platform/ui/controls/sheet_control.h"

#include <QStackedWidget>
#include <QStyleOptionTabWidgetFrame>
#include <stdexcept>

#include "platform/ui/controls/kinds.h"
#include "platform/ui/window.h"

namespace platform::ui {

// The tab widget lays its pages out only once it is shown; controls are placed on a page while the
// window is still hidden, so the pages take their place now, where the tab widget will put them.
void SheetWidget::layOutPages() {
  QStyleOptionTabWidgetFrame option;
  initStyleOption(&option);
  const QRect contents = style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this);
  auto* stack = findChild<QStackedWidget*>(QString(), Qt::FindDirectChildrenOnly);
  if (stack == nullptr) return;
  stack->setGeometry(contents);
  for (int i = 0; i < count(); ++i) widget(i)->setGeometry(QRect(QPoint(0, 0), contents.size()));
}

SheetControl::SheetControl(Window& window, const ControlDefinition& definition, QWidget* parent)
    : Control(window, definition), sheet_(new SheetWidget(parent)) {
  setUpWidget(sheet_);
  // Only the user's choices: not the program's, nor the first tab's selection as tabs are added.
  QObject::connect(sheet_, &QTabWidget::currentChanged, sheet_, [this](int) {
    if (!choosing_ && this->window().isOpen()) postNewSelection();
  });
}

void SheetControl::placed() {
  // Under every other control of the window: the sheet is what they lie on.
  sheet_->lower();
  sheet_->layOutPages();
}

int SheetControl::selectedTab() const { return sheet_ ? sheet_->currentIndex() + 1 : 0; }

void SheetControl::selectTab(int tab) {
  if (!sheet_ || tab < 1 || tab > sheet_->count()) return;
  choosing_ = true;
  sheet_->setCurrentIndex(tab - 1);
  choosing_ = false;
}

int SheetControl::tabCount() const { return sheet_ ? sheet_->count() : 0; }

namespace {

class TabControl : public Control {
 public:
  TabControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), page_(new QWidget) {
    auto* sheet = dynamic_cast<SheetWidget*>(parent);
    if (sheet == nullptr) {
      delete page_;
      throw std::runtime_error(definition.label + ": a tab must lie on a sheet");
    }
    page_->setObjectName(QString::fromStdString(definition.label));
    page_->setProperty("controlNumber", definition.number);
    const int index = sheet->addTab(page_, QString::fromStdString(definition.text("text")));
    if (definition.has("hidden")) sheet->setTabVisible(index, false);
    if (definition.has("disabled")) sheet->setTabEnabled(index, false);
    sheet->layOutPages();
  }
  QWidget* widget() const override { return page_; }
  QWidget* container() const override { return page_; }
  bool placesItself() const override { return true; }
  std::string text() const override {
    auto* sheet = sheetOf();
    return sheet != nullptr ? sheet->tabText(sheet->indexOf(page_)).toStdString() : std::string();
  }

 private:
  QTabWidget* sheetOf() const {
    for (QWidget* w = page_ ? page_->parentWidget() : nullptr; w != nullptr; w = w->parentWidget())
      if (auto* sheet = qobject_cast<QTabWidget*>(w)) return sheet;
    return nullptr;
  }
  QPointer<QWidget> page_;
};

}  // namespace

namespace controls {

std::unique_ptr<ControlKind> sheetKind() {
  return std::make_unique<KindOf<SheetControl>>("sheet", std::vector<std::string_view>{},
                                                std::vector<std::string_view>{},
                                                [](const ControlDefinition& d, std::vector<std::string>& problems) {
                                                  if (!d.width || !d.height)
                                                    problems.push_back("a sheet needs a width and a height");
                                                });
}

std::unique_ptr<ControlKind> tabKind() {
  return std::make_unique<KindOf<TabControl>>("tab", std::vector<std::string_view>{"text"},
                                              std::vector<std::string_view>{},
                                              [](const ControlDefinition& d, std::vector<std::string>& problems) {
                                                if (d.parent.empty())
                                                  problems.push_back("a tab needs its sheet as \"parent\"");
                                                if (d.x || d.y || d.width || d.height)
                                                  problems.push_back("a tab takes its place from its sheet: no \"at\"");
                                              });
}

}  // namespace controls
}  // namespace platform::ui
