#include "platform/ui/controls/drop_rows.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTableView>

#include "platform/ui/controls/list_view.h"

namespace platform::ui {
namespace {

Qt::Alignment alignmentOf(Justify justify) {
  return justify == Justify::Right ? Qt::AlignRight : justify == Justify::Centre ? Qt::AlignHCenter : Qt::AlignLeft;
}

}  // namespace

void ColumnsBox::paintEvent(QPaintEvent* event) {
  auto* table = qobject_cast<QTableView*>(view());
  if (isEditable() || table == nullptr || currentIndex() < 0) {
    QComboBox::paintEvent(event);
    return;
  }
  QStylePainter painter(this);
  painter.setPen(palette().color(QPalette::Text));
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  painter.setClipRect(field);
  // The table's cells leave this margin on each side of their text.
  const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  int left = field.left();
  for (int column = 0; column < model()->columnCount(rootModelIndex()); ++column) {
    if (table->isColumnHidden(column)) continue;
    const QRect cell =
        QRect(left, field.top(), table->columnWidth(column), field.height()).adjusted(margin, 0, -margin, 0);
    left += table->columnWidth(column);
    if (cell.width() <= 0) continue;
    const QModelIndex index = model()->index(currentIndex(), column, rootModelIndex());
    const Qt::Alignment justify = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask;
    const QString text = fontMetrics().elidedText(index.data().toString(), Qt::ElideRight, cell.width());
    style()->drawItemText(&painter, cell, (justify ? justify : Qt::AlignLeft) | Qt::AlignVCenter, palette(),
                          isEnabled(), text, QPalette::ButtonText);
  }
}

DropRows::DropRows(QComboBox* box, ListFormat format, const DialogUnits& units, int visibleRows)
    : format_(std::move(format)), box_(box) {
  model_ = new QStandardItemModel(0, static_cast<int>(format_.columns.size()), box);
  auto* table = new QTableView(box);
  table->horizontalHeader()->hide();
  table->verticalHeader()->hide();
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setShowGrid(false);
  box->setModel(model_);
  box->setView(table);
  int width = 0;
  int shown = -1;
  for (std::size_t c = 0; c < format_.columns.size(); ++c) {
    const ListColumn& column = format_.columns[c];
    const int pixels = units.toPixelsX(column.width);
    table->setColumnWidth(static_cast<int>(c), pixels);
    table->setColumnHidden(static_cast<int>(c), column.hidden());
    width += pixels;
    if (shown < 0 && !column.hidden()) shown = static_cast<int>(c);
  }
  box->setModelColumn(shown < 0 ? 0 : shown);
  table->setMinimumWidth(width + table->verticalScrollBar()->sizeHint().width());
  box->setMaxVisibleItems(visibleRows);
}

bool DropRows::setRows(RecordQueue* queue, std::string* problem) {
  if (queue != nullptr && !formatFitsLayout(format_, queue->buffer().layout(), problem)) return false;
  queue_ = queue;
  return true;
}

void DropRows::refresh(const Locale& locale) {
  if (!box_) return;
  const int keep = box_->currentIndex();
  const QString text = box_->isEditable() ? box_->currentText() : QString();
  model_->removeRows(0, model_->rowCount());
  if (queue_ == nullptr) return;
  for (const auto& cells : queueCells(*queue_, format_, locale)) {
    QList<QStandardItem*> items;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      auto* item = new QStandardItem(cells[c].text);
      item->setTextAlignment(alignmentOf(format_.columns[c].justify) | Qt::AlignVCenter);
      item->setEditable(false);
      items.append(item);
    }
    model_->appendRow(items);
  }
  box_->setCurrentIndex(keep < model_->rowCount() ? keep : -1);
  // An editable box keeps the text it showed: the rows changed, not what was typed.
  if (box_->isEditable()) box_->setEditText(text);
}

int DropRows::rowCount() const { return model_->rowCount(); }

std::string DropRows::cell(int row, int column) const {
  const QStandardItem* item = model_->item(row - 1, column - 1);
  return item != nullptr ? item->text().toStdString() : std::string();
}

}  // namespace platform::ui
