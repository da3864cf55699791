// The widget of a list control: a header and rows of cells in columns, painted by itself. It holds
// only the rows it is given (a list shows a page of rows at a time), so its vertical scroll bar does
// not scroll rows: it reports what the user asked for (a row, a page, the first or last row, a place
// of the thumb) and shows the thumb where the list's owner puts it. The horizontal scroll bar moves
// the columns as usual.
//
// What the user does is reported through the callbacks:
//   onScroll     Up/Down move the selection (SelectUp/SelectDown), the scroll bar's arrows and the
//                wheel move the rows (RowUp/RowDown), PageUp/PageDown and the bar's page areas a
//                page, Home/End (with or without Ctrl) the first and last row, the thumb (Thumb:
//                while dragged when tracking, else when released), typed characters and Backspace
//                the locator (Locate), a change of the height that changes how many rows fit while
//                the rows filled the page, or no longer fit (Resize)
//   onSelect     a click (either button) on a row selects it, then reports it
//   onActivate   a double-click on a row (not on the header), Ctrl+Enter
//   onMenu       the right button, after the row under it is selected
// The locator's text is what was typed since the last other move: a click on a row and every
// other scroll but Resize clear it as they happen, before the owner handles what was typed.
// Columns marked resizable take a new width by dragging their header's right edge.
//
// Rows and columns are numbered from 1 in this interface. Not thread safe: GUI thread only.
#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <functional>
#include <vector>

#include "platform/core/record_queue.h"
#include "platform/ui/list_format.h"

namespace platform::ui {

enum class ScrollAction {
  SelectUp = 1,
  SelectDown,
  RowUp,
  RowDown,
  PageUp,
  PageDown,
  Top,
  Bottom,
  Thumb,
  Locate,
  Resize
};

struct ListCell {
  QString text;
  CellColours colours;
};

// The entries of a queue as the format's columns show them (hidden columns too).
std::vector<std::vector<ListCell>> queueCells(const RecordQueue& queue, const ListFormat& format, const Locale& locale);

class ListView : public QAbstractScrollArea {
 public:
  // A column as shown: widths and indents in pixels.
  struct Column {
    int width = 0;
    Justify justify = Justify::Left;
    int indent = 0;
    QString header;
    Justify headerJustify = Justify::Left;
    int headerIndent = 0;
    bool rightBorder = false;
    bool underline = false;
    bool resizable = false;
  };

  explicit ListView(QWidget* parent);

  void setColumns(std::vector<Column> columns);
  const std::vector<Column>& columns() const { return columns_; }
  // Replaces the rows; the selection is kept when the row is still there.
  void setRows(std::vector<std::vector<ListCell>> rows);
  int rowCount() const { return static_cast<int>(rows_.size()); }
  // Row and column from 1; an empty cell outside the rows.
  const ListCell& cell(int row, int column) const;

  int selected() const { return selected_; }
  // 0 selects nothing; a row past the last selects the last.
  void setSelected(int row);

  // Whole rows that fit below the header.
  int visibleRows() const;
  int rowHeight() const;
  int headerHeight() const;
  // Where a cell, or a header (row 0), is painted, in the viewport's coordinates.
  QRect cellRect(int row, int column) const;
  // The colours a cell is painted with now (its own, or the list's defaults).
  QColor shownText(int row, int column) const;
  QColor shownBackground(int row, int column) const;

  void setTracking(bool tracking) { tracking_ = tracking; }
  // The thumb's place, 0 (top) to 100 (bottom).
  int thumb() const;
  void setThumb(int value);

  const QString& locator() const { return locator_; }
  void clearLocator() { locator_.clear(); }

  std::function<void(ScrollAction)> onScroll;
  std::function<void(int row)> onSelect;
  std::function<void()> onActivate;
  std::function<void(const QPoint& globalPosition)> onMenu;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void report(ScrollAction action);
  void takeScrollBarAction(int action);
  void updateHorizontalRange();
  int columnLeft(int column) const;  // 1-based, in content coordinates
  int totalWidth() const;
  // The row under a point of the viewport (0: the header or no row).
  int rowAt(const QPoint& point) const;
  // The resizable column whose header's right edge is under a point, 0 for none.
  int edgeAt(const QPoint& point) const;
  void paintHeader(QPainter& painter, int column, const QRect& rect);
  void paintCell(QPainter& painter, int row, int column, const QRect& rect);

  std::vector<Column> columns_;
  std::vector<std::vector<ListCell>> rows_;
  int selected_ = 0;
  bool tracking_ = false;
  QString locator_;
  int resizing_ = 0;  // the column whose edge is being dragged
  int resizeStartX_ = 0;
  int resizeStartWidth_ = 0;
  int lastVisibleRows_ = -1;
};

}  // namespace platform::ui
