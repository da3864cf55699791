// The drop-down of a combo box shown as rows in columns: the entries of a RecordQueue in the
// columns of a list format, in a table without headers. Drop lists and lookup combos share it.
// The box's text is the first column that is not hidden; a ColumnsBox that is not editable shows
// the current row's columns when closed, as the drop-down draws them.
//
// The queue must outlive the rows, or be detached with setRows(null). GUI thread only.
#pragma once

#include <QComboBox>
#include <QPointer>
#include <QStandardItemModel>
#include <string>

#include "platform/core/locale.h"
#include "platform/core/record_queue.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/list_format.h"

namespace platform::ui {

// A combo box whose closed box, when it is not editable and drops down a table, shows the current
// row's shown columns at the table's widths and alignments, so that rows alike in their first
// column (a programme taught to two groups) look different once chosen.
class ColumnsBox : public QComboBox {
 public:
  using QComboBox::QComboBox;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class DropRows {
 public:
  // Sets the box's model and view; `visibleRows` is how many rows the drop-down shows at once.
  DropRows(QComboBox* box, ListFormat format, const DialogUnits& units, int visibleRows);

  const ListFormat& format() const { return format_; }
  // Attaches the queue whose entries are the rows. False (and nothing attached) when the entries
  // lack fields the columns read; `problem` says which.
  bool setRows(RecordQueue* queue, std::string* problem = nullptr);
  RecordQueue* rows() const { return queue_; }
  // Shows the queue's entries as they are now, keeping the selected row where it still exists.
  void refresh(const Locale& locale);

  int rowCount() const;
  // A cell as the drop-down shows it (UTF-8), empty outside the rows.
  std::string cell(int row, int column) const;

 private:
  ListFormat format_;
  QPointer<QComboBox> box_;
  QStandardItemModel* model_ = nullptr;
  RecordQueue* queue_ = nullptr;
};

}  // namespace platform::ui
