// The combo control ("combo"): a text typed, or chosen from a drop-down. The drop-down holds
// either the texts of field "from", or, with field "format", the entries of a RecordQueue in the
// columns of a list format (drop_rows.h; field "drop": how many rows show at once, 10 when
// absent); choosing a row puts its first shown column into the text. Fields "picture" and "use":
// the text is the use variable's. Choosing a row, or leaving the text after changing it, takes
// the text into the variable and posts Accepted. Flags: "skip" (the Tab key passes it by) and
// "immediate" (every change of the text as it is typed also posts NewSelection).
//
// Rows are numbered from 1. The queue must outlive the control, or be detached with setRows(null).
#pragma once

#include <QComboBox>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/record_queue.h"
#include "platform/ui/control.h"
#include "platform/ui/controls/drop_rows.h"

namespace platform::ui {

class ComboControl : public Control {
 public:
  ComboControl(Window& window, const ControlDefinition& definition, QWidget* parent);

  QWidget* widget() const override { return combo_; }
  bool takesFocus() const override { return !definition().has("skip"); }
  bool canHoldFocus() const override { return true; }
  bool acceptsInput() const override { return true; }
  void commit() override;
  bool takePendingInput() override;
  std::string text() const override;
  void setText(const std::string& utf8) override;
  bool setChoices(const std::vector<std::string>& utf8) override;
  std::vector<std::string> choices() const override;

  // The format of the drop-down's rows; null for a combo of texts.
  const ListFormat* format() const { return rows_ ? &rows_->format() : nullptr; }
  // Combos of a format: attaches the queue (as ListControl::setRows) and shows its entries.
  bool setRows(RecordQueue* queue, std::string* problem = nullptr);
  void refresh();
  int rowCount() const;
  // The row chosen last or selected by the program, 0 for none.
  int selected() const;
  // Selects a row (0: none); its text becomes the control's text.
  void select(int row);
  std::string cell(int row, int column) const;

 protected:
  void showValue(const Cp1252Text& shown) override;
  bool takesInput() const override { return true; }
  Cp1252Text takenValue() const override;

 private:
  void take();

  QPointer<QComboBox> combo_;
  std::unique_ptr<DropRows> rows_;
  bool edited_ = false;
};

}  // namespace platform::ui
