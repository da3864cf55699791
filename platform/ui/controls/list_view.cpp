#include "platform/ui/controls/list_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QWheelEvent>
#include <algorithm>

#include "platform/layout/colour.h"

namespace platform::ui {
namespace {

constexpr int kThumbRange = 100;
constexpr int kEdgeGrip = 3;  // pixels either side of a header edge that start a resize
constexpr int kRowsPerWheelStep = 3;

Qt::Alignment alignmentOf(Justify justify) {
  switch (justify) {
    case Justify::Right:
      return Qt::AlignRight;
    case Justify::Centre:
      return Qt::AlignHCenter;
    case Justify::Left:
      break;
  }
  return Qt::AlignLeft;
}

// The rectangle the text takes: the indent keeps it off the edge it is justified to.
QRect indented(const QRect& rect, Justify justify, int indent) {
  switch (justify) {
    case Justify::Left:
      return rect.adjusted(indent, 0, 0, 0);
    case Justify::Right:
      return rect.adjusted(0, 0, -indent, 0);
    case Justify::Centre:
      break;
  }
  return rect;
}

const ListCell& emptyCell() {
  static const ListCell cell;
  return cell;
}

}  // namespace

std::vector<std::vector<ListCell>> queueCells(const RecordQueue& queue, const ListFormat& format,
                                              const Locale& locale) {
  std::vector<std::vector<ListCell>> rows;
  RecordBuffer entry(queue.buffer().layout());
  for (int n = 1; queue.read(n, entry); ++n) {
    auto& cells = rows.emplace_back();
    for (const ListColumn& column : format.columns)
      cells.push_back({QString::fromStdString(cellText(column, entry, locale).toUtf8()), cellColours(column, entry)});
  }
  return rows;
}

ListView::ListView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  verticalScrollBar()->setRange(0, kThumbRange);
  verticalScrollBar()->setPageStep(10);
  QObject::connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
                   [this](int action) { takeScrollBarAction(action); });
  QObject::connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [this] {
    if (!tracking_) report(ScrollAction::Thumb);
  });
}

void ListView::setColumns(std::vector<Column> columns) {
  columns_ = std::move(columns);
  updateHorizontalRange();
  viewport()->update();
}

void ListView::setRows(std::vector<std::vector<ListCell>> rows) {
  rows_ = std::move(rows);
  if (selected_ > rowCount()) selected_ = rowCount();
  viewport()->update();
}

const ListCell& ListView::cell(int row, int column) const {
  if (row < 1 || row > rowCount()) return emptyCell();
  const auto& cells = rows_[static_cast<std::size_t>(row - 1)];
  if (column < 1 || column > static_cast<int>(cells.size())) return emptyCell();
  return cells[static_cast<std::size_t>(column - 1)];
}

void ListView::setSelected(int row) {
  selected_ = std::clamp(row, 0, rowCount());
  viewport()->update();
}

int ListView::rowHeight() const { return fontMetrics().height() + 2; }

int ListView::headerHeight() const {
  QStyleOptionHeader option;
  option.initFrom(this);
  option.text = QStringLiteral("Xg");
  return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this).height();
}

int ListView::visibleRows() const { return std::max(0, (viewport()->height() - headerHeight()) / rowHeight()); }

int ListView::columnLeft(int column) const {
  int x = 0;
  for (int c = 1; c < column && c <= static_cast<int>(columns_.size()); ++c)
    x += columns_[static_cast<std::size_t>(c - 1)].width;
  return x;
}

int ListView::totalWidth() const { return columnLeft(static_cast<int>(columns_.size()) + 1); }

QRect ListView::cellRect(int row, int column) const {
  if (column < 1 || column > static_cast<int>(columns_.size())) return {};
  const int x = columnLeft(column) - horizontalScrollBar()->value();
  const int width = columns_[static_cast<std::size_t>(column - 1)].width;
  if (row == 0) return QRect(x, 0, width, headerHeight());
  return QRect(x, headerHeight() + (row - 1) * rowHeight(), width, rowHeight());
}

QColor ListView::shownText(int row, int column) const {
  const CellColours& c = cell(row, column).colours;
  const bool selected = row == selected_;
  const QColor own = layout::toQColor(selected ? c.selectedText : c.normalText);
  if (own.isValid()) return own;
  return palette().color(selected ? QPalette::HighlightedText : QPalette::Text);
}

QColor ListView::shownBackground(int row, int column) const {
  const CellColours& c = cell(row, column).colours;
  const bool selected = row == selected_;
  const QColor own = layout::toQColor(selected ? c.selectedBackground : c.normalBackground);
  if (own.isValid()) return own;
  return palette().color(selected ? QPalette::Highlight : QPalette::Base);
}

int ListView::thumb() const { return verticalScrollBar()->sliderPosition(); }

void ListView::setThumb(int value) { verticalScrollBar()->setValue(std::clamp(value, 0, kThumbRange)); }

void ListView::report(ScrollAction action) {
  // Any other move ends what was typed, at once: keys typed after it, still waiting to be handled,
  // locate afresh.
  if (action != ScrollAction::Locate && action != ScrollAction::Resize) locator_.clear();
  if (onScroll) onScroll(action);
}

void ListView::takeScrollBarAction(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      return report(ScrollAction::RowDown);
    case QAbstractSlider::SliderSingleStepSub:
      return report(ScrollAction::RowUp);
    case QAbstractSlider::SliderPageStepAdd:
      return report(ScrollAction::PageDown);
    case QAbstractSlider::SliderPageStepSub:
      return report(ScrollAction::PageUp);
    case QAbstractSlider::SliderToMinimum:
      return report(ScrollAction::Top);
    case QAbstractSlider::SliderToMaximum:
      return report(ScrollAction::Bottom);
    case QAbstractSlider::SliderMove:
      if (tracking_) report(ScrollAction::Thumb);
      return;
    default:
      return;
  }
}

void ListView::updateHorizontalRange() {
  horizontalScrollBar()->setRange(0, std::max(0, totalWidth() - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
}

void ListView::scrollContentsBy(int, int) { viewport()->update(); }

void ListView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateHorizontalRange();
  const int fit = visibleRows();
  // Only a page that was full, or that no longer fits, needs other rows.
  if (lastVisibleRows_ >= 0 && fit != lastVisibleRows_ && rowCount() >= std::min(fit, lastVisibleRows_))
    report(ScrollAction::Resize);
  lastVisibleRows_ = fit;
}

void ListView::paintHeader(QPainter& painter, int column, const QRect& rect) {
  const Column& c = columns_[static_cast<std::size_t>(column - 1)];
  QStyleOptionHeader option;
  option.initFrom(this);
  option.rect = rect;
  option.section = column - 1;
  option.position = QStyleOptionHeader::Middle;
  style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, this);
  painter.setPen(palette().color(QPalette::ButtonText));
  painter.drawText(indented(rect.adjusted(2, 0, -2, 0), c.headerJustify, c.headerIndent),
                   static_cast<int>(alignmentOf(c.headerJustify) | Qt::AlignVCenter), c.header);
}

void ListView::paintCell(QPainter& painter, int row, int column, const QRect& rect) {
  const Column& c = columns_[static_cast<std::size_t>(column - 1)];
  painter.fillRect(rect, shownBackground(row, column));
  painter.setPen(shownText(row, column));
  painter.drawText(indented(rect, c.justify, c.indent), static_cast<int>(alignmentOf(c.justify) | Qt::AlignVCenter),
                   cell(row, column).text);
}

// Column by column: each column's font is set once, each cell clipped to itself.
void ListView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
  const int shownRows = std::min(rowCount(), visibleRows() + 1);
  const QColor border = palette().color(QPalette::Mid);
  QFont underlined = font();
  underlined.setUnderline(true);
  for (int column = 1; column <= static_cast<int>(columns_.size()); ++column) {
    const Column& c = columns_[static_cast<std::size_t>(column - 1)];
    if (c.width <= 0) continue;
    const QRect header = cellRect(0, column);
    if (header.right() < 0 || header.left() > viewport()->width()) continue;
    painter.setClipRect(header);
    painter.setFont(font());
    paintHeader(painter, column, header);
    painter.setFont(c.underline ? underlined : font());
    for (int row = 1; row <= shownRows; ++row) {
      const QRect r = cellRect(row, column);
      painter.setClipRect(r);
      paintCell(painter, row, column, r);
    }
    painter.setClipping(false);
    if (c.rightBorder) {
      painter.setPen(border);
      const int x = header.right();
      painter.drawLine(x, header.bottom() + 1, x, viewport()->height());
    }
  }
}

int ListView::rowAt(const QPoint& point) const {
  if (point.y() < headerHeight()) return 0;
  const int row = (point.y() - headerHeight()) / rowHeight() + 1;
  return row <= rowCount() ? row : 0;
}

int ListView::edgeAt(const QPoint& point) const {
  if (point.y() >= headerHeight()) return 0;
  for (int column = 1; column <= static_cast<int>(columns_.size()); ++column) {
    const Column& c = columns_[static_cast<std::size_t>(column - 1)];
    if (!c.resizable || c.width <= 0) continue;
    if (std::abs(point.x() - (cellRect(0, column).right() + 1)) <= kEdgeGrip) return column;
  }
  return 0;
}

void ListView::keyPressEvent(QKeyEvent* event) {
  const bool control = event->modifiers().testFlag(Qt::ControlModifier);
  switch (event->key()) {
    case Qt::Key_Up:
      return report(ScrollAction::SelectUp);
    case Qt::Key_Down:
      return report(ScrollAction::SelectDown);
    case Qt::Key_PageUp:
      return report(ScrollAction::PageUp);
    case Qt::Key_PageDown:
      return report(ScrollAction::PageDown);
    case Qt::Key_Home:
      return report(ScrollAction::Top);
    case Qt::Key_End:
      return report(ScrollAction::Bottom);
    case Qt::Key_Left:
    case Qt::Key_Right:
      horizontalScrollBar()->triggerAction(event->key() == Qt::Key_Left ? QAbstractSlider::SliderSingleStepSub
                                                                        : QAbstractSlider::SliderSingleStepAdd);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (control && onActivate) onActivate();
      return;
    case Qt::Key_Backspace:
      if (locator_.isEmpty()) return;
      locator_.chop(1);
      return report(ScrollAction::Locate);
    default:
      break;
  }
  const QString typed = event->text();
  if (!control && !event->modifiers().testFlag(Qt::AltModifier) && !typed.isEmpty() && typed.at(0).isPrint()) {
    locator_ += typed;
    return report(ScrollAction::Locate);
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void ListView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    if (const int edge = edgeAt(at)) {
      resizing_ = edge;
      resizeStartX_ = at.x();
      resizeStartWidth_ = columns_[static_cast<std::size_t>(edge - 1)].width;
      return;
    }
  }
  const int row = rowAt(at);
  if (row != 0) {
    locator_.clear();
    setSelected(row);
    if (onSelect) onSelect(row);
  }
  if (event->button() == Qt::RightButton && onMenu) onMenu(event->globalPosition().toPoint());
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
  const int row = rowAt(event->position().toPoint());
  if (event->button() != Qt::LeftButton || row == 0) return;
  // The double-click's row is the selected one, even when no press selected it before.
  if (row != selected_) {
    setSelected(row);
    if (onSelect) onSelect(row);
  }
  if (onActivate) onActivate();
}

void ListView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (resizing_ != 0) {
    columns_[static_cast<std::size_t>(resizing_ - 1)].width =
        std::max(kEdgeGrip * 2, resizeStartWidth_ + at.x() - resizeStartX_);
    updateHorizontalRange();
    viewport()->update();
    return;
  }
  viewport()->setCursor(edgeAt(at) != 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void ListView::mouseReleaseEvent(QMouseEvent*) { resizing_ = 0; }

void ListView::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y() / 120;
  for (int i = 0; i < std::abs(steps) * kRowsPerWheelStep; ++i)
    report(steps > 0 ? ScrollAction::RowUp : ScrollAction::RowDown);
  event->accept();
}

}  // namespace platform::ui
