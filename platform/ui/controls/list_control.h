// The list control ("list"): rows of a RecordQueue shown in the columns of a list format (field
// "format", list_format.h). Flags: "hscroll" and "vscroll" show the scroll bars, "immediate"
// reports the thumb while it is dragged (otherwise when it is let go).
//
// The control shows the queue's entries as they were at the last refresh(); whoever fills the
// queue (a BrowseList) calls refresh() after changing it. What the user does comes to the window
// as events (window.h): a click on a row NewSelection, scrolling and typing Scroll (value: a
// ScrollAction). A double-click on a row and Ctrl+Enter press the activate control; the right button
// opens a menu of the menu controls (buttons, captioned as they are, offered while enabled and
// shown), and choosing an entry presses its button.
//
// Rows are numbered from 1. The queue must outlive the control, or be detached with setRows(null).
#pragma once

#include <string>
#include <vector>

#include "platform/core/record_queue.h"
#include "platform/ui/control.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/list_format.h"

namespace platform::ui {

class ListControl : public Control {
 public:
  ListControl(Window& window, const ControlDefinition& definition, QWidget* parent);

  QWidget* widget() const override { return view_; }
  bool takesFocus() const override { return true; }
  ListView* view() const { return view_; }
  const ListFormat& format() const { return format_; }

  // Attaches the queue whose entries are the rows. False (and nothing attached) when the entries
  // lack fields the columns read; `problem` says which.
  bool setRows(RecordQueue* queue, std::string* problem = nullptr);
  RecordQueue* rows() const { return queue_; }
  // Shows the queue's entries as they are now.
  void refresh();

  int rowCount() const;
  int selected() const;
  void select(int row);
  int visibleRows() const;
  int thumb() const;
  void setThumb(int value);
  // What was typed into the list since the locator was last cleared (code page 1252).
  Cp1252Text locatorText() const;
  void clearLocator();

  void setActivateControl(int control) { activateControl_ = control; }
  void setMenuControls(std::vector<int> controls) { menuControls_ = std::move(controls); }

 private:
  void showMenu(const QPoint& at);

  ListFormat format_;
  QPointer<ListView> view_;
  RecordQueue* queue_ = nullptr;
  int activateControl_ = 0;
  std::vector<int> menuControls_;
};

}  // namespace platform::ui
