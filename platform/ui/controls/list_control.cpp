#include "platform/ui/controls/list_control.h"

#include <QMenu>
#include <QScrollBar>

#include "platform/core/cp1252_text.h"
#include "platform/ui/controls/kinds.h"
#include "platform/ui/window.h"

namespace platform::ui {
namespace {

ListFormat parsedFormat(const ControlDefinition& definition) {
  // The definition was checked when it was read: the format parses.
  return parseListFormat(definition.text("format")).value_or(ListFormat{});
}

std::vector<ListView::Column> shownColumns(const ListFormat& format, const DialogUnits& units) {
  std::vector<ListView::Column> columns;
  for (const ListColumn& c : format.columns) {
    columns.push_back({units.toPixelsX(c.width), c.justify, units.toPixelsX(c.indent), QString::fromStdString(c.header),
                       c.headerJustify, units.toPixelsX(c.headerIndent), c.rightBorder, c.underline, c.resizable});
  }
  return columns;
}

}  // namespace

ListControl::ListControl(Window& window, const ControlDefinition& definition, QWidget* parent)
    : Control(window, definition), format_(parsedFormat(definition)), view_(new ListView(parent)) {
  setUpWidget(view_);
  view_->setColumns(shownColumns(format_, window.units()));
  view_->setHorizontalScrollBarPolicy(definition.has("hscroll") ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  view_->setVerticalScrollBarPolicy(definition.has("vscroll") ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  view_->setTracking(definition.has("immediate"));
  view_->onScroll = [this](ScrollAction action) {
    // The list takes its size as the window opens: nothing the user did.
    if (this->window().isOpen()) this->window().post(EventKind::Scroll, number(), static_cast<int>(action));
  };
  view_->onSelect = [this](int) { postNewSelection(); };
  view_->onActivate = [this] {
    if (activateControl_ != 0) this->window().control(activateControl_).press();
  };
  view_->onMenu = [this](const QPoint& at) { showMenu(at); };
}

bool ListControl::setRows(RecordQueue* queue, std::string* problem) {
  if (queue != nullptr && !formatFitsLayout(format_, queue->buffer().layout(), problem)) return false;
  queue_ = queue;
  refresh();
  return true;
}

void ListControl::refresh() {
  if (!view_) return;
  view_->setRows(queue_ != nullptr ? queueCells(*queue_, format_, window().locale())
                                   : std::vector<std::vector<ListCell>>{});
}

int ListControl::rowCount() const { return view_ ? view_->rowCount() : 0; }
int ListControl::selected() const { return view_ ? view_->selected() : 0; }

void ListControl::select(int row) {
  if (view_) view_->setSelected(row);
}

int ListControl::visibleRows() const { return view_ ? view_->visibleRows() : 0; }
int ListControl::thumb() const { return view_ ? view_->thumb() : 0; }

void ListControl::setThumb(int value) {
  if (view_) view_->setThumb(value);
}

Cp1252Text ListControl::locatorText() const {
  return view_ ? Cp1252Text::fromUtf8(view_->locator().toStdString()).value_or(Cp1252Text()) : Cp1252Text();
}

void ListControl::clearLocator() {
  if (view_) view_->clearLocator();
}

void ListControl::showMenu(const QPoint& at) {
  auto* menu = new QMenu(view_);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  for (int control : menuControls_) {
    Control& button = window().control(control);
    QAction* action = menu->addAction(QString::fromStdString(button.text()));
    action->setEnabled(!button.isDisabled() && !button.isHidden());
    QObject::connect(action, &QAction::triggered, view_, [this, control] { window().control(control).press(); });
  }
  if (menu->isEmpty()) {
    delete menu;
    return;
  }
  menu->popup(at);
}

namespace controls {

void checkFormatField(const ControlDefinition& d, std::vector<std::string>& problems) {
  ListFormatError error;
  if (!parseListFormat(d.text("format"), &error))
    problems.push_back("list format: " + error.message + " (at " + std::to_string(error.position) + ")");
}

void checkDropField(const ControlDefinition& d, std::vector<std::string>& problems) {
  const QJsonValue drop = d.fields.value("drop");
  if (!drop.isUndefined() && (!drop.isDouble() || drop.toInt() < 1 || drop.toInt() > 100))
    problems.push_back("\"drop\" must be a number of rows from 1 to 100");
}

std::unique_ptr<ControlKind> listKind() {
  return std::make_unique<KindOf<ListControl>>("list", std::vector<std::string_view>{"format"},
                                               std::vector<std::string_view>{"hscroll", "vscroll", "immediate"},
                                               checkFormatField);
}

}  // namespace controls
}  // namespace platform::ui
