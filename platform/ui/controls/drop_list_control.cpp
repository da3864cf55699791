#include "platform/ui/controls/drop_list_control.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include "platform/ui/controls/kinds.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/window.h"

namespace platform::ui {
namespace {

constexpr int kDefaultDropRows = 10;

Qt::Alignment alignmentOf(Justify justify) {
  return justify == Justify::Right ? Qt::AlignRight : justify == Justify::Centre ? Qt::AlignHCenter : Qt::AlignLeft;
}

}  // namespace

DropListControl::DropListControl(Window& window, const ControlDefinition& definition, QWidget* parent)
    : Control(window, definition),
      format_(parseListFormat(definition.text("format")).value_or(ListFormat{})),
      box_(new QComboBox(parent)) {
  setUpWidget(box_);
  model_ = new QStandardItemModel(0, static_cast<int>(format_.columns.size()), box_);
  auto* table = new QTableView(box_);
  table->horizontalHeader()->hide();
  table->verticalHeader()->hide();
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setShowGrid(false);
  box_->setModel(model_);
  box_->setView(table);
  int width = 0;
  int shown = -1;
  for (std::size_t c = 0; c < format_.columns.size(); ++c) {
    const ListColumn& column = format_.columns[c];
    const int pixels = window.units().toPixelsX(column.width);
    table->setColumnWidth(static_cast<int>(c), pixels);
    table->setColumnHidden(static_cast<int>(c), column.hidden());
    width += pixels;
    if (shown < 0 && !column.hidden()) shown = static_cast<int>(c);
  }
  box_->setModelColumn(shown < 0 ? 0 : shown);
  table->setMinimumWidth(width + table->verticalScrollBar()->sizeHint().width());
  const QJsonValue drop = definition.fields.value("drop");
  box_->setMaxVisibleItems(drop.isDouble() ? drop.toInt() : kDefaultDropRows);
  QObject::connect(box_, &QComboBox::activated, box_, [this](int) { postNewSelection(); });
}

bool DropListControl::setRows(RecordQueue* queue, std::string* problem) {
  if (queue != nullptr && !formatFitsLayout(format_, queue->buffer().layout(), problem)) return false;
  queue_ = queue;
  refresh();
  return true;
}

void DropListControl::refresh() {
  if (!box_) return;
  const int keep = box_->currentIndex();
  model_->removeRows(0, model_->rowCount());
  if (queue_ == nullptr) return;
  const auto rows = queueCells(*queue_, format_, window().locale());
  for (const auto& cells : rows) {
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
}

int DropListControl::rowCount() const { return model_->rowCount(); }

int DropListControl::selected() const { return box_ ? box_->currentIndex() + 1 : 0; }

void DropListControl::select(int row) {
  if (box_) box_->setCurrentIndex(row >= 1 && row <= rowCount() ? row - 1 : -1);
}

std::string DropListControl::cell(int row, int column) const {
  const QStandardItem* item = model_->item(row - 1, column - 1);
  return item != nullptr ? item->text().toStdString() : std::string();
}

namespace controls {

std::unique_ptr<ControlKind> dropListKind() {
  return std::make_unique<KindOf<DropListControl>>(
      "droplist", std::vector<std::string_view>{"format", "drop"}, std::vector<std::string_view>{},
      [](const ControlDefinition& d, std::vector<std::string>& problems) {
        checkFormatField(d, problems);
        const QJsonValue drop = d.fields.value("drop");
        if (!drop.isUndefined() && (!drop.isDouble() || drop.toInt() < 1 || drop.toInt() > 100))
          problems.push_back("\"drop\" must be a number of rows from 1 to 100");
      });
}

}  // namespace controls
}  // namespace platform::ui
