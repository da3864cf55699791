// The drop list control ("droplist"): a closed box showing the selected row, which drops down its
// rows. The rows are either
//   - the entries of a RecordQueue in the columns of a list format (field "format"); the closed
//     box shows the selected row's shown columns as the drop-down draws them (its text is the first
//     of them); or
//   - fixed choices (field "from", written "TEXT|#VALUE|TEXT|#VALUE": each text may be followed by
//     the value it stands for, else it stands for itself), shown as their texts; the control's use
//     variable ("use") takes the chosen choice's value, and shows as selected the choice whose
//     value it holds (none when it holds another).
// Field "drop": how many rows the drop-down shows at once, 10 when absent. Flag "skip": the Tab key
// passes it by. Choosing a row, with the mouse or the arrow keys, selects it and posts
// NewSelection; a choice also takes its value into the use variable and posts Accepted.
//
// The control shows a queue's entries as they were at the last refresh(). Rows are numbered from
// 1. The queue must outlive the control, or be detached with setRows(null).
#pragma once

#include <QComboBox>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/record_queue.h"
#include "platform/ui/control.h"
#include "platform/ui/controls/drop_rows.h"
#include "platform/ui/list_format.h"

namespace platform::ui {

// One fixed choice: what it shows (UTF-8) and the value it stands for (code page 1252).
struct Choice {
  std::string text;
  Cp1252Text value;
  bool operator==(const Choice&) const = default;
};

// Reads choices written "TEXT|#VALUE|TEXT|#VALUE"; a text without a "#VALUE" after it stands for
// itself.
std::vector<Choice> parseChoices(std::string_view from);

class DropListControl : public Control {
 public:
  DropListControl(Window& window, const ControlDefinition& definition, QWidget* parent);

  QWidget* widget() const override { return box_; }
  bool takesFocus() const override { return !definition().has("skip"); }
  bool canHoldFocus() const override { return true; }
  bool acceptsInput() const override { return !choices_.empty(); }
  const ListFormat& format() const;
  // The fixed choices with their values; their texts are also what choices() gives.
  const std::vector<Choice>& items() const { return choices_; }
  std::vector<std::string> choices() const override;

  // As ListControl::setRows (drop lists of a format only).
  bool setRows(RecordQueue* queue, std::string* problem = nullptr);
  void refresh();

  int rowCount() const;
  // The selected row, 0 for none.
  int selected() const;
  void select(int row);
  // A cell as the drop-down shows it (UTF-8), empty outside the rows.
  std::string cell(int row, int column) const;

 protected:
  void showValue(const Cp1252Text& shown) override;
  bool takesInput() const override { return true; }
  Cp1252Text takenValue() const override;

 private:
  QPointer<QComboBox> box_;
  std::unique_ptr<DropRows> rows_;
  std::vector<Choice> choices_;
};

}  // namespace platform::ui
