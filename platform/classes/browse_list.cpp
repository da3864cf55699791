#include "platform/classes/browse_list.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <utility>

#include "platform/classes/field_values.h"
#include "platform/core/number_text.h"
#include "platform/core/runtime_errors.h"

namespace platform {
namespace {

using ui::ScrollAction;

constexpr int kThumbTop = 0;
constexpr int kThumbBottom = 100;

// Reads the view from its first row until `here` holds; `position` is where it held (empty when
// it never did).
int scanTo(storage::View& view, const std::function<bool()>& here, std::string& position) {
  position.clear();
  return view.readPage({}, true, storage::View::Direction::Forward, INT_MAX, [&] {
    if (!here()) return true;
    position = view.position();
    return false;
  });
}

}  // namespace

BrowseList::BrowseList(WindowController& window) : window_(window) {}

BrowseList::~BrowseList() = default;

void BrowseList::init(const std::string& listLabel, ViewManager& view, RecordQueue& queue) {
  control_ = dynamic_cast<ui::ListControl*>(&window_.window().control(listLabel));
  if (control_ == nullptr) throw std::invalid_argument(listLabel + " is not a list");
  std::string problem;
  if (!control_->setRows(&queue, &problem)) throw std::invalid_argument(listLabel + ": " + problem);
  listNumber_ = control_->number();
  view_ = &view;
  queue_ = &queue;
  if (!added_) window_.addComponent(*this);
  added_ = true;
}

void BrowseList::setButton(int& number, const std::string& label) {
  number = window_.window().find(label);
  if (number == 0) throw std::invalid_argument("no control " + label);
  updateMenu();
}

void BrowseList::setChangeControl(const std::string& label) {
  setButton(changeControl_, label);
  if (control_ != nullptr) control_->setActivateControl(changeControl_);
}
void BrowseList::setInsertControl(const std::string& label) { setButton(insertControl_, label); }
void BrowseList::setDeleteControl(const std::string& label) { setButton(deleteControl_, label); }
void BrowseList::setSelectControl(const std::string& label) { setButton(selectControl_, label); }

// The context menu offers the buttons the list has, in the order a person expects them.
void BrowseList::updateMenu() {
  if (control_ == nullptr) return;
  std::vector<int> buttons;
  for (int number : {selectControl_, insertControl_, changeControl_, deleteControl_})
    if (number != 0) buttons.push_back(number);
  control_->setMenuControls(buttons);
}

int BrowseList::addSortOrder(int key) {
  SortOrder order;
  order.key = key;
  orders_.push_back(std::move(order));
  return static_cast<int>(orders_.size());
}

BrowseList::SortOrder& BrowseList::lastOrder() {
  if (orders_.empty()) throw std::logic_error("no sort order has been added");
  return orders_.back();
}

void BrowseList::appendOrder(std::string_view fields) {
  std::string& appended = lastOrder().appended;
  if (!appended.empty() && !fields.empty()) appended += ',';
  appended += fields;
}

void BrowseList::setFilter(std::string_view filter) { lastOrder().filter = filter; }

void BrowseList::setNumericStep() {
  SortOrder& order = lastOrder();
  const storage::FileDecl& decl = view_->primary().file().decl();
  if (order.key < 0 || order.key >= static_cast<int>(decl.keys.size()))
    throw std::logic_error("a numeric step needs a sort order with a key");
  order.step = BoundName{BoundName::Kind::Field, nullptr, &view_->primary().buffer(),
                         decl.keys[static_cast<std::size_t>(order.key)].components.front()};
}

BoundName BrowseList::boundName(std::string_view name) const {
  const std::optional<BoundName> found = view_->view().names().find(name);
  if (!found) throw std::invalid_argument("no field or variable " + std::string(name));
  return *found;
}

void BrowseList::setLocator(std::string_view field, bool caseSensitive) {
  SortOrder& order = lastOrder();
  order.locator = boundName(field);
  order.locatorCaseSensitive = caseSensitive;
}

void BrowseList::addField(std::string_view source, std::string_view rowField) {
  const int field = queue_->buffer().layout().indexOf(rowField);
  if (field < 0) throw std::invalid_argument("the rows have no field " + std::string(rowField));
  fields_.push_back({boundName(source), field});
}

// ---- Sort orders ----

bool BrowseList::chooseSortOrder(bool force) { return setSort(current_ == 0 ? 1 : current_, force); }

void BrowseList::apply(const SortOrder& order) {
  storage::View& v = view();
  // A bad order or filter makes every read fail; the reload reports it.
  if (order.key >= 0)
    v.setOrder(order.key, order.appended);
  else
    v.setOrder(order.appended);
  v.setFilter(order.filter);
}

bool BrowseList::setSort(int order, bool force) {
  if (control_ == nullptr || order < 1 || order > static_cast<int>(orders_.size())) return false;
  if (order == current_ && loaded_ && !force) return false;
  current_ = order;
  loaded_ = true;
  apply(orders_[static_cast<std::size_t>(order - 1)]);
  control_->clearLocator();
  if (reload({}, true, 1) == 0) afterReload();
  return true;
}

// ---- Filling the page ----

int BrowseList::visibleRows() const { return control_ != nullptr ? std::max(1, control_->visibleRows()) : 1; }

const BrowseList::SortOrder* BrowseList::currentOrder() const {
  return current_ >= 1 ? &orders_[static_cast<std::size_t>(current_ - 1)] : nullptr;
}

double BrowseList::stepValue() const {
  const SortOrder* order = currentOrder();
  return order != nullptr && order->step ? numberOf(*order->step) : 0;
}

void BrowseList::prepareRow() {
  RecordBuffer& row = queue_->buffer();
  for (const FieldPair& pair : fields_) copyInto(pair.source, row, pair.rowField);
}

int BrowseList::fillPage(Direction direction) {
  filled_ = 0;
  const Fill fill = pending_;
  const int visible = visibleRows();
  return view().readPage(fill.from, fill.inclusive, direction, fill.count, [&] {
    prepareRow();
    Loaded row{view().position(), stepValue()};
    if (direction == Direction::Forward) {
      queue_->append();
      rows_.push_back(std::move(row));
      if (fill.shift && queue_->count() > visible) {
        queue_->erase(1);
        rows_.erase(rows_.begin());
      }
    } else {
      queue_->insert(1);
      rows_.insert(rows_.begin(), std::move(row));
      if (fill.shift && queue_->count() > visible) {
        queue_->erase(queue_->count());
        rows_.pop_back();
      }
    }
    ++filled_;
    return true;
  });
}

int BrowseList::runFill(Direction direction, Fill fill) {
  pending_ = std::move(fill);
  const int error = fillPage(direction);
  const bool forward = direction == Direction::Forward;
  if (filled_ > 0 && pending_.shift) (forward ? atTop_ : atBottom_) = false;
  if (error == errors::kNone && filled_ < pending_.count) (forward ? atBottom_ : atTop_) = true;
  return error;
}

int BrowseList::reload(const std::string& from, bool inclusive, int select) {
  queue_->free();
  rows_.clear();
  atTop_ = from.empty();
  atBottom_ = false;
  const int visible = visibleRows();
  int error = runFill(Direction::Forward, {from, inclusive, visible, false});
  // A page that ran out before it was full is filled from above; the rows read there push the
  // row to select down by as many.
  if (error == errors::kNone && !from.empty() && queue_->count() < visible) {
    // Nothing at or after the place: the last page.
    if (queue_->count() == 0) atBottom_ = true;
    Fill above = queue_->count() == 0 ? Fill{{}, true, visible, false}
                                      : Fill{rows_.front().position, false, visible - queue_->count(), false};
    const int before = queue_->count();
    error = runFill(Direction::Backward, std::move(above));
    select += queue_->count() - before;
  }
  selected_ = std::clamp(select, queue_->count() > 0 ? 1 : 0, queue_->count());
  show();
  if (error != errors::kNone) reportReadError(error);
  return error;
}

int BrowseList::loadLastPage() {
  queue_->free();
  rows_.clear();
  atTop_ = false;
  atBottom_ = true;
  const int error = runFill(Direction::Backward, {{}, true, visibleRows(), false});
  selected_ = queue_->count();
  show();
  if (error != errors::kNone) reportReadError(error);
  return error;
}

int BrowseList::shift(int rows) {
  if (queue_->count() == 0) {
    reload({}, true, 1);
    return 0;
  }
  const int error = rows > 0 ? runFill(Direction::Forward, {rows_.back().position, false, rows, true})
                             : runFill(Direction::Backward, {rows_.front().position, false, -rows, true});
  if (error != errors::kNone) reportReadError(error);
  return filled_;
}

void BrowseList::show() {
  control_->refresh();
  control_->select(selected_);
  updateThumb();
}

void BrowseList::refreshPage() {
  if (control_ == nullptr || current_ == 0) return;
  control_->clearLocator();  // the page read again: what is typed next locates afresh
  const std::string from = rows_.empty() ? std::string() : rows_.front().position;
  if (reload(from, true, selected_) == errors::kNone) afterReload();
  refreshed_ = true;
}

// ---- The thumb ----

void BrowseList::updateThumb() {
  int thumb = 50;
  if (queue_->count() == 0 || atTop_) {
    thumb = kThumbTop;
  } else if (atBottom_) {
    thumb = kThumbBottom;
  } else if (currentOrder() != nullptr && currentOrder()->step && highStep_ > lowStep_) {
    const double share = (rows_.front().step - lowStep_) / (highStep_ - lowStep_);
    thumb = std::clamp(static_cast<int>(share * 100 + 0.5), kThumbTop + 1, kThumbBottom - 1);
  }
  control_->setThumb(thumb);
}

void BrowseList::afterReload() {
  lowStep_ = highStep_ = 0;
  if (currentOrder()->step) {
    // A read that fails leaves a step 0: the thumb then shows no place.
    (void)view().readPage({}, true, Direction::Forward, 1, [&] { return lowStep_ = stepValue(), true; });
    (void)view().readPage({}, true, Direction::Backward, 1, [&] { return highStep_ = stepValue(), true; });
  }
  updateThumb();
}

int BrowseList::seekThumb(int value) {
  if (value <= kThumbTop) return reload({}, true, 1);
  if (value >= kThumbBottom) return loadLastPage();
  const SortOrder& order = orders_[static_cast<std::size_t>(current_ - 1)];
  std::string found;
  int error;
  if (order.step) {
    const double target = lowStep_ + (highStep_ - lowStep_) * value / 100.0;
    error = scanTo(
        view(), [&] { return stepValue() >= target; }, found);
  } else {
    int rows = 0;
    error = scanTo(
        view(), [&] { return ++rows, false; }, found);
    const int wanted = rows * value / 100;
    int seen = 0;
    if (error == errors::kNone)
      error = scanTo(
          view(), [&] { return seen++ >= wanted; }, found);
  }
  if (error != errors::kNone) {
    reportReadError(error);
    return error;
  }
  return found.empty() ? loadLastPage() : reload(found, true, 1);
}

int BrowseList::locate() {
  const SortOrder& order = orders_[static_cast<std::size_t>(current_ - 1)];
  const Cp1252Text typed = control_->locatorText();
  // Without a locator what is typed moves nothing.
  if (!order.locator) {
    control_->clearLocator();
    return errors::kNone;
  }
  if (typed.empty()) return reload({}, true, 1);
  const Locale& locale = window_.window().locale();
  const BoundName& field = *order.locator;
  std::function<bool()> reached;
  if (isText(field)) {
    reached = [&] {
      const Cp1252Text value = textOf(field);
      return (order.locatorCaseSensitive ? locale.compare(value, typed) : locale.compareNoCase(value, typed)) >= 0;
    };
  } else {
    const double wanted = leadingReal(typed.bytes());
    reached = [&, wanted] { return numberOf(field) >= wanted; };
  }
  std::string found;
  if (const int error = scanTo(view(), reached, found)) {
    reportReadError(error);
    return error;
  }
  return found.empty() ? loadLastPage() : reload(found, true, 1);
}

void BrowseList::resized() {
  const int visible = visibleRows();
  if (queue_->count() > visible) {
    while (queue_->count() > visible) {
      queue_->erase(queue_->count());
      rows_.pop_back();
    }
    atBottom_ = false;
  } else if (queue_->count() < visible && loaded_) {
    const std::string from = rows_.empty() ? std::string() : rows_.front().position;
    reload(from, true, selected_);
    return;
  }
  selected_ = std::min(selected_, queue_->count());
  show();
}

void BrowseList::scroll(ScrollAction action) {
  if (control_ == nullptr || current_ == 0) return;
  const int visible = visibleRows();
  switch (action) {
    case ScrollAction::SelectDown:
      if (selected_ < queue_->count())
        ++selected_;
      else if (shift(1) > 0)
        selected_ = queue_->count();
      break;
    case ScrollAction::SelectUp:
      if (selected_ > 1)
        --selected_;
      else if (shift(-1) > 0)
        selected_ = 1;
      break;
    case ScrollAction::RowDown: {
      const int moved = shift(1);
      selected_ = std::max(selected_ - moved, std::min(1, queue_->count()));
      break;
    }
    case ScrollAction::RowUp: {
      const int moved = shift(-1);
      selected_ = std::min(selected_ + moved, queue_->count());
      break;
    }
    case ScrollAction::PageDown:
      if (shift(visible) == 0) selected_ = queue_->count();
      break;
    case ScrollAction::PageUp:
      if (shift(-visible) == 0) selected_ = std::min(1, queue_->count());
      break;
    case ScrollAction::Top:
      reload({}, true, 1);
      return;
    case ScrollAction::Bottom:
      loadLastPage();
      return;
    case ScrollAction::Thumb:
      seekThumb(control_->thumb());
      return;
    case ScrollAction::Locate:
      locate();
      return;
    case ScrollAction::Resize:
      resized();
      return;
  }
  show();
}

// ---- Rows and buttons ----

int BrowseList::fetchSelected() {
  if (selected_ < 1 || selected_ > static_cast<int>(rows_.size())) return errors::kRecordNotFound;
  const std::string& position = rows_[static_cast<std::size_t>(selected_ - 1)].position;
  storage::View& v = view();
  if (const int error = v.reset(position)) return error;
  const int error = v.next();
  if (error == errors::kRecordNotAvailable) return errors::kRecordNotFound;
  if (error != errors::kNone) return error;
  // A record deleted since the page was read leaves the view on the row after it.
  return v.position() == position ? errors::kNone : errors::kRecordNotFound;
}

void BrowseList::reportReadError(int error) {
  view_->reportReadError(error);
  window_.window().post(ui::EventKind::CloseWindow, listNumber_);
}

void BrowseList::ask(int request) {
  if (updateProcedure_ == 0) return;
  if (request == kRequestInsert) {
    if (view_->primary().primeRecord() != kLevelBenign) return;
  } else {
    const int error = fetchSelected();
    if (error == errors::kRecordNotFound) {
      refreshPage();  // the record is gone: show what is there now
      return;
    }
    if (error != errors::kNone) {
      reportReadError(error);
      return;
    }
  }
  window_.runProcedure(updateProcedure_, request);
  refreshPage();
}

void BrowseList::choose() {
  const int error = fetchSelected();
  if (error == errors::kRecordNotFound) {
    refreshPage();
    return;
  }
  if (error != errors::kNone) {
    reportReadError(error);
    return;
  }
  window_.setResponse(kResponseCompleted);
  window_.window().post(ui::EventKind::CloseWindow, selectControl_);
}

int BrowseList::takeEvent() {
  if (control_ == nullptr) return kLevelBenign;
  const ui::WindowEvent& e = window_.event();
  if (e.kind == ui::EventKind::NewSelection && e.control == listNumber_) {
    selected_ = control_->selected();
  } else if (e.kind == ui::EventKind::Scroll && e.control == listNumber_) {
    scroll(static_cast<ScrollAction>(e.value));
  } else if (e.kind == ui::EventKind::Accepted && e.control != 0) {
    if (e.control == changeControl_) ask(kRequestChange);
    if (e.control == insertControl_) ask(kRequestInsert);
    if (e.control == deleteControl_) ask(kRequestDelete);
    if (e.control == selectControl_) choose();
  }
  return kLevelBenign;
}

bool BrowseList::reset(bool force) {
  if (control_ == nullptr) return false;
  const bool reloaded = chooseSortOrder(force);
  // A page read again since the last reset changed what the window shows, too.
  return std::exchange(refreshed_, false) || reloaded;
}

void BrowseList::kill() { control_ = nullptr; }

}  // namespace platform
