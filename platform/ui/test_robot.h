// The test robot: drives real widgets the way a person does, with key and mouse events (QTest),
// so that the program's own signal paths run. It is used on the offscreen platform.
//
// A procedure under test blocks in its windows' accept loops and in modal message boxes, so the
// robot works from a script of steps queued beforehand. Each step waits for its window (by title)
// or for a message box to be the active modal widget, then runs; the robot polls with fresh
// single-shot timers and schedules its next poll before it runs a step, so a step whose click
// opens a nested modal loop does not stop the script.
//
//   Robot robot;
//   robot.inWindow("Bienvenido", [](WindowDriver& w) { w.type("?GS_MAESTRO", "12"); w.press("?ACEPTAR"); });
//   robot.inMessage([](MessageDriver& m) { m.press("&Aceptar"); });
//   robot.run([&] { Comprobar_Usuario(); });
//   EXPECT_TRUE(robot.done()) << robot.report();
//
// A step that waits longer than the robot's patience (10 s by default), a step that fails (a
// control that is not there, a button that is not on the box), and a body that has not returned
// within that patience after the last step are recorded (and said on stderr at once); the robot
// then closes every modal widget it meets until the body returns, so that a broken test ends
// instead of hanging. A body that still has not returned after twice the patience ends the
// process with exit code 3.
#pragma once

#include <QAction>
#include <QElapsedTimer>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui/list_format.h"
#include "platform/ui/window.h"

namespace platform::ui {

class MessageDialog;
class ListView;

class RobotError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A run of text as a control paints it: the text (UTF-8), where its baseline starts in the
// control, and whether it is underlined (an access key is).
struct PaintedText {
  std::string text;
  QPoint at;
  bool underlined = false;
};

// Drives one window, its controls found by label ("?GS_MAESTRO").
class WindowDriver {
 public:
  explicit WindowDriver(QWidget* window);

  QWidget* window() const { return window_; }
  std::string title() const;

  // Clicks into the control, selects what it holds and types `text` (UTF-8) key by key; an empty
  // text deletes what it held.
  void type(const std::string& label, const std::string& text);
  // Types into the control that has the focus, key by key, without clearing it.
  void typeHere(const std::string& text);
  // Clicks the control with the mouse.
  void press(const std::string& label);
  // Presses a key on the control that has the focus (or on the window), as the keyboard does: an
  // access key (Alt and a letter) reaches the control it belongs to.
  void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  // Asks the window to close as its title bar's close box and the window manager's close
  // command (Alt+F4) do.
  void closeBox();
  // Chooses a menu item (by its label), as a click on it in its open menu does; it must be
  // enabled and shown.
  void choose(const std::string& label);
  // A menu's or item's text ("&" included) and whether it can be chosen.
  std::string itemText(const std::string& label) const;
  bool isItemEnabled(const std::string& label) const;
  // The texts of a combo's choices, and a status bar part's text.
  std::vector<std::string> choices(const std::string& label) const;
  std::string statusText(int part) const;

  // What the control shows (for a masked entry: the mask characters), and what it holds.
  std::string shown(const std::string& label) const;
  // The texts the control paints, in the order painted: what a person reads on the screen, as
  // the style draws it (a drop list's closed box, a prompt with its access key underlined).
  std::vector<PaintedText> painted(const std::string& label) const;
  std::string text(const std::string& label) const;
  // How full a progress bar shows, in percent of its length (0 to 100, rounded down).
  int filled(const std::string& label) const;
  bool isVisible(const std::string& label) const;
  bool isEnabled(const std::string& label) const;
  bool isReadOnly(const std::string& label) const;
  bool isMasked(const std::string& label) const;
  bool hasFocus(const std::string& label) const;
  // The label of the control that has the focus, empty for none.
  std::string focusLabel() const;
  // Colours as 00BBGGRRh.
  std::int32_t fontColour(const std::string& label) const;
  std::int32_t background(const std::string& label) const;
  QRect geometry(const std::string& label) const;

  // Lists (rows and columns from 1, hidden columns counted): the rows shown, a header's and a
  // cell's text, the colours the row gives a cell (-1: the list's own), the colours the cell is
  // painted with (the background read from the painted pixels), the selected row.
  int rowCount(const std::string& label) const;
  std::string header(const std::string& label, int column) const;
  std::string cell(const std::string& label, int row, int column) const;
  CellColours cellColours(const std::string& label, int row, int column) const;
  std::int32_t shownText(const std::string& label, int row, int column) const;
  std::int32_t shownBackground(const std::string& label, int row, int column) const;
  int selectedRow(const std::string& label) const;
  int thumb(const std::string& label) const;
  // Clicks a row; double-clicks it; right-clicks it and chooses the menu's entry of that caption.
  void clickRow(const std::string& label, int row);
  void doubleClickRow(const std::string& label, int row);
  void contextMenu(const std::string& label, int row, const std::string& entry);
  // The vertical scroll bar: its down or up arrow, its page area below or above the thumb, and
  // dragging the thumb to a place from 0 (top) to 100 (bottom).
  void scrollArrow(const std::string& label, bool down);
  void scrollPage(const std::string& label, bool down);
  void dragThumb(const std::string& label, int place);
  // The horizontal scroll bar's page area, clicked until the columns' right (or left) end shows.
  void scrollSideways(const std::string& label, bool toRight);

  // Drop lists and combos: the rows, a cell as the drop-down shows it, the selected row (0: none),
  // and choosing a row as a person does: on a drop list with the keyboard (Home, then Down), on a
  // combo by clicking it in the open drop-down (its keys belong to its text).
  int dropRowCount(const std::string& label) const;
  std::string dropCell(const std::string& label, int row, int column) const;
  int dropSelected(const std::string& label) const;
  void chooseRow(const std::string& label, int row);

  // Sheets: clicks a tab (from 1); the selected tab.
  void selectTab(const std::string& label, int tab);
  int selectedTab(const std::string& label) const;

  // Saves a picture of the window (PNG).
  void grab(const std::string& path) const;

  QWidget* find(const std::string& label) const;
  QAction* findItem(const std::string& label) const;

 private:
  ListView* list(const std::string& label) const;
  QPoint rowPoint(const std::string& label, int row) const;
  QWidget* window_;
};

// Reads and answers the message box that is open.
class MessageDriver {
 public:
  explicit MessageDriver(MessageDialog* box);

  std::string caption() const;
  // The box's width in pixels, its frame left out.
  int width() const;
  // The text, its lines separated by "\n".
  std::string text() const;
  // The buttons' captions, "&" included, in the order shown.
  std::vector<std::string> buttons() const;
  // How many lines the text takes on the screen (wrapped lines included).
  int shownLines() const;
  std::string defaultButton() const;
  // True for the exclamation icon.
  bool showsExclamation() const;
  // Clicks the button with that caption ("&Aceptar").
  void press(const std::string& caption);
  void key(Qt::Key key);
  void grab(const std::string& path) const;

 private:
  MessageDialog* box_;
};

// Counts the paint events a widget receives from the moment it is made: whether something was
// painted at once, before the event loop ran, and how often.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

class Robot {
 public:
  Robot();
  ~Robot();
  Robot(const Robot&) = delete;
  Robot& operator=(const Robot&) = delete;

  void inWindow(std::string title, std::function<void(WindowDriver&)> step);
  void inMessage(std::function<void(MessageDriver&)> step);
  // How long a step waits for its window before the robot gives up.
  void setPatience(int milliseconds) { patience_ = milliseconds; }
  // How often the robot looks for the next step's window (5 ms by default; 0: whenever the event
  // loop is idle, for benchmarks that time what a step waits for).
  void setPollInterval(int milliseconds) { pollMilliseconds_ = milliseconds < 0 ? 0 : milliseconds; }

  // Runs the body with the script running beside it; returns when the body returns.
  void run(const std::function<void()>& body);

  // Every step ran and none failed.
  bool done() const { return steps_.empty() && failures_.empty(); }
  int stepsLeft() const { return static_cast<int>(steps_.size()); }
  const std::vector<std::string>& failures() const { return failures_; }
  // The failures and the steps that did not run, for a test's message.
  std::string report() const;

 private:
  struct Step {
    std::string title;  // empty: a message box
    std::function<void(WindowDriver&)> inWindow;
    std::function<void(MessageDriver&)> inMessage;
    std::string describe() const;
  };
  void schedule();
  void poll();
  void giveUp(const std::string& why);

  std::deque<Step> steps_;
  std::vector<std::string> failures_;
  int patience_ = 10000;
  int pollMilliseconds_ = 5;
  QElapsedTimer waiting_;  // since the last step ran, or since giving up
  int stepNumber_ = 0;
  bool running_ = false;
  bool givingUp_ = false;
  // Timers still pending must not reach a robot that is gone.
  std::shared_ptr<Robot*> self_;
};

// Runs `window` with the robot's script beside it: opens it and takes its events until a close
// request, which it grants. Returns the events taken, in order.
std::vector<WindowEvent> runUntilClosed(Robot& robot, Window& window);

}  // namespace platform::ui
