// The sheet control ("sheet") and its tabs ("tab"). A sheet is a set of tabs, each a control of kind
// "tab" whose "parent" is the sheet, in control-number order; a tab's "text" is its caption, and the
// controls whose parent is a tab show only while that tab is selected. Positions stay window
// positions, also on a tab. The sheet lies under the window's other controls. Selecting another
// tab (the user clicking it) posts NewSelection for the sheet.
#pragma once

#include <QTabWidget>

#include "platform/ui/control.h"

namespace platform::ui {

// The sheet's widget: it can lay its pages out before it is shown, so that controls placed on a
// tab land where the window's positions say.
class SheetWidget : public QTabWidget {
 public:
  explicit SheetWidget(QWidget* parent) : QTabWidget(parent) {}
  void layOutPages();
};

class SheetControl : public Control {
 public:
  SheetControl(Window& window, const ControlDefinition& definition, QWidget* parent);

  QWidget* widget() const override { return sheet_; }
  QWidget* container() const override { return sheet_; }
  bool takesFocus() const override { return true; }
  Layer layer() const override { return Layer::Bottom; }
  void placed() override;

  // The selected tab, 1 for the first; 0 when the sheet has none.
  int selectedTab() const;
  // Selects a tab by its place; the program's choice posts no event.
  void selectTab(int tab);
  int tabCount() const;

 private:
  QPointer<SheetWidget> sheet_;
  bool choosing_ = false;
};

}  // namespace platform::ui
