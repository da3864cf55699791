// The drop list control ("droplist"): a closed box showing the selected row's first shown column,
// which drops down the rows of a RecordQueue in the columns of a list format (field "format";
// field "drop": how many rows the drop-down shows at once, 10 when absent). Choosing a row, with the
// mouse or the arrow keys, selects it and posts NewSelection.
//
// The control shows the queue's entries as they were at the last refresh(). Rows are numbered
// from 1. The queue must outlive the control, or be detached with setRows(null).
#pragma once

#include <QComboBox>
#include <QStandardItemModel>
#include <string>

#include "platform/core/record_queue.h"
#include "platform/ui/control.h"
#include "platform/ui/list_format.h"

namespace platform::ui {

class DropListControl : public Control {
 public:
  DropListControl(Window& window, const ControlDefinition& definition, QWidget* parent);

  QWidget* widget() const override { return box_; }
  bool takesFocus() const override { return true; }
  const ListFormat& format() const { return format_; }

  // As ListControl::setRows.
  bool setRows(RecordQueue* queue, std::string* problem = nullptr);
  void refresh();

  int rowCount() const;
  // The selected row, 0 for none.
  int selected() const;
  void select(int row);
  // A cell as the drop-down shows it (UTF-8), empty outside the rows.
  std::string cell(int row, int column) const;

 private:
  ListFormat format_;
  QPointer<QComboBox> box_;
  QStandardItemModel* model_ = nullptr;
  RecordQueue* queue_ = nullptr;
};

}  // namespace platform::ui
