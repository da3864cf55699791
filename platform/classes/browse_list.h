// The browse list: a list control that shows the rows of a view one page at a time. The list's
// queue holds only the rows it shows (the page); scrolling reads further rows from the view and
// drops the ones that left the page. Each row is read into the view's buffers, prepared into the
// queue's buffer (prepareRow: the field pairs copied) and added to the queue.
//
// Sort orders. Each sort order has a key of the view's primary file (or none), fields appended to
// it ("ALU:NOMBRE,ACT:ID_ACT"), a filter, and optionally a numeric scroll step (the thumb stands
// for the values of the key's first field) and a locator (typing into the list goes to the first
// row whose field is at or after what was typed, and selects it; typing into an order without a
// locator moves nothing; what is typed after any other move, a click or a reload locates afresh).
// setSort() applies one; it reloads when the order changed, when forced, or the first time: the
// order and filter go to the view, the first page is read, the first row selected, then
// afterReload() runs.
//
// Scrolling (the list's Scroll events): the selection moves by a row, and the page follows it at
// its edges; the rows move by one row or a page; the first or last page; the thumb (a place by the
// step's values, or by the rows' count without a step); the locator.
//
// Buttons. The change, insert and delete controls ask the window's update procedure
// (WindowController::runProcedure) with the request: change and delete with the selected row's
// record read into the view's buffers again, insert with a record primed by the primary file's
// manager. Afterwards the page is read again from its first row and afterReload() runs. The select
// control reads the selected record and closes the window completed. A double-click on a row,
// Ctrl+Enter and the list's context menu press these buttons (while they are enabled).
//
// Hooks for the procedure: chooseSortOrder(force) (each reset of the window), prepareRow() (each
// row read), fillPage(direction) (each fill of the page; an override runs the base first, then may
// recolour the rows) and afterReload() (each reload; an override runs the base where it wants the
// thumb's limits reset).
//
// Errors: a failed read is reported through the view manager (message kMessageViewReadFailed) and
// the window is asked to close. Not thread safe: GUI thread only. The controller, view manager and
// queue must outlive the list.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/view_manager.h"
#include "platform/classes/window_component.h"
#include "platform/classes/window_controller.h"
#include "platform/core/record_queue.h"
#include "platform/ui/controls/list_control.h"

namespace platform {

class BrowseList : public WindowComponent {
 public:
  using Direction = storage::View::Direction;

  explicit BrowseList(WindowController& window);
  ~BrowseList() override;
  BrowseList(const BrowseList&) = delete;
  BrowseList& operator=(const BrowseList&) = delete;

  // ---- Set-up ----

  // The list control `listLabel` shows the queue's entries; rows are read from the view. Adds the
  // list to the window controller. Throws std::invalid_argument when the control is not a list or
  // its format reads fields the queue lacks.
  void init(const std::string& listLabel, ViewManager& view, RecordQueue& queue);
  void setChangeControl(const std::string& label);
  void setInsertControl(const std::string& label);
  void setDeleteControl(const std::string& label);
  void setSelectControl(const std::string& label);
  // The number the window's runProcedure() is given; 0: the buttons ask nothing.
  void setUpdateProcedure(int number) { updateProcedure_ = number; }

  // Adds a sort order on a key of the primary file (-1: none) and returns its number (from 1).
  // The calls that follow set up the sort order added last.
  int addSortOrder(int key = -1);
  void appendOrder(std::string_view fields);
  void setFilter(std::string_view filter);
  void setNumericStep();
  // Locating by a field of the view's files (or a bound variable), by name.
  void setLocator(std::string_view field, bool caseSensitive);

  // Copies the view's field (or bound variable) `source` into the queue's field `rowField` for
  // each row. Throws std::invalid_argument for a name that is neither.
  void addField(std::string_view source, std::string_view rowField);

  // ---- Using it ----

  // Applies a sort order; true when the list was reloaded.
  bool setSort(int order, bool force);
  int sortOrder() const { return current_; }

  // The selected row of the page (0: none) and the page's size in rows.
  int selected() const { return selected_; }
  int visibleRows() const;
  // Reads the page again from its first row (the first row of the view when empty), keeping the
  // selection's place among the rows read from there (rows filled in from above move it down with
  // its record), then runs afterReload().
  void refreshPage();
  // Reads the selected row's record into the view's buffers again; kRecordNotFound when it is gone.
  int fetchSelected();
  // Reports a failed read and asks the window to close.
  void reportReadError(int error);
  void scroll(ui::ScrollAction action);

  RecordQueue& queue() { return *queue_; }
  ViewManager& viewManager() { return *view_; }
  storage::View& view() { return view_->view(); }
  ui::ListControl& control() { return *control_; }
  WindowController& window() { return window_; }

  // ---- WindowComponent ----
  int takeEvent() override;
  bool reset(bool force) override;
  void kill() override;

 protected:
  // Which sort order the window asks for; the base keeps the current one (the first at the start).
  virtual bool chooseSortOrder(bool force);
  // Copies the field pairs from the row in the view's buffers into the queue's buffer.
  virtual void prepareRow();
  // Reads the pending fill's rows in `direction`; returns the read's error (0 also when the rows
  // ran out).
  virtual int fillPage(Direction direction);
  // After a reload: finds the limits of the thumb.
  virtual void afterReload();

 private:
  struct SortOrder {
    int key = -1;
    std::string appended;
    std::string filter;
    std::optional<BoundName> step;  // the key's first field, for the thumb
    std::optional<BoundName> locator;
    bool locatorCaseSensitive = true;
  };
  struct FieldPair {
    BoundName source;
    int rowField;
  };
  // A loaded row: where it stands in the view, and its value for the thumb.
  struct Loaded {
    std::string position;
    double step = 0;
  };
  // What the next fillPage() reads.
  struct Fill {
    std::string from;
    bool inclusive = true;
    int count = 0;
    bool shift = false;  // drop rows from the other end to keep the page's size
  };

  BoundName boundName(std::string_view name) const;
  SortOrder& lastOrder();
  void apply(const SortOrder& order);
  // Reads a page from a place (empty: the first row) and shows it with row `select` of what was
  // read from the place selected: the row at the place itself for 1, also when the page ran out
  // near the end and was filled from above.
  int reload(const std::string& from, bool inclusive, int select);
  int loadLastPage();
  // Moves the page by up to `rows` (down when positive); returns how many rows it moved.
  int shift(int rows);
  int runFill(Direction direction, Fill fill);
  void show();
  void updateThumb();
  const SortOrder* currentOrder() const;
  double stepValue() const;
  int seekThumb(int value);
  int locate();
  void resized();
  void ask(int request);
  void choose();
  void setButton(int& number, const std::string& label);
  void updateMenu();

  WindowController& window_;
  ViewManager* view_ = nullptr;
  RecordQueue* queue_ = nullptr;
  ui::ListControl* control_ = nullptr;
  int listNumber_ = 0;
  int changeControl_ = 0, insertControl_ = 0, deleteControl_ = 0, selectControl_ = 0;
  int updateProcedure_ = 0;
  std::vector<SortOrder> orders_;
  std::vector<FieldPair> fields_;
  int current_ = 0;
  bool loaded_ = false;
  std::vector<Loaded> rows_;
  Fill pending_;
  int filled_ = 0;  // rows the last fillPage() read
  int selected_ = 0;
  bool atTop_ = true, atBottom_ = true;
  double lowStep_ = 0, highStep_ = 0;
  bool added_ = false;
  bool refreshed_ = false;  // refreshPage() ran since the last reset
};

}  // namespace platform
