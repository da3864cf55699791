// A window made from its definition, and its accept loop.
//
// The window is built hidden, with every control of its definition; open() shows it (centred when
// the definition says so), displays every use variable and posts OpenWindow. A procedure then
// takes one event at a time with accept() until the window is closed:
//
//   OpenWindow   the window has opened (the first event)
//   Accepted     a control was accepted: a button pressed, an entry left or Enter pressed in it
//                after its text changed; `control` is its number
//   NewSelection a control's selection changed (lists, drop lists, sheets)
//   CloseWindow  closing was asked for (the title bar's close box, a button whose standard action
//                is close, or the program posting it); the window closes only when the procedure
//                calls close(), so that it can refuse. A window without a system menu has no close
//                box: the window manager's close request (Alt+F4) posts nothing
//   Timer        the window's timer ran out (never more than one waiting)
//   AlertKey     a key registered with alert() was pressed; `value` is the key (Qt key and
//                modifiers combined)
//   Toolbar      a toolbar action, `value` the action (posted by toolbar controls)
//   Scroll       the user scrolled or typed in a list, `value` the ScrollAction (list_view.h)
//
// Keys: Tab and Shift+Tab go through the controls in control-number order, skipping the controls
// that do not take the focus; Enter in an entry takes its text and presses the default button;
// Enter on a button presses it. Alt and a caption's access key ("&Aceptar") press a button, and
// focus the control that follows a prompt.
//
// Each thread has a current window: the last one opened and not yet closed (Window::current()).
//
// Windows are application-modal: while a window opened later is open, the earlier ones take no
// input. A window of a double frame keeps its size, unless it has a maximise box: then it can be
// maximised (and its frame dragged). Not thread safe: use from the GUI thread.
#pragma once

#include <QPointer>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/locale.h"
#include "platform/ui/control.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/variable.h"
#include "platform/ui/window_definition.h"

class QEventLoop;
class QLabel;
class QMenuBar;
class QStatusBar;
class QTimer;
class QWidget;

namespace platform::ui {

enum class EventKind { OpenWindow, Accepted, NewSelection, CloseWindow, Timer, AlertKey, Toolbar, Scroll };

struct WindowEvent {
  EventKind kind;
  int control = 0;
  int value = 0;
  bool operator==(const WindowEvent&) const = default;
};

class WindowWidget;

class Window {
 public:
  // Builds the window hidden. The locale decides case conversion and the AM/PM marks of pictures;
  // it must outlive the window. Throws std::runtime_error when a control cannot be made.
  Window(WindowDefinition definition, const Locale& locale, const ControlKinds& kinds = ControlKinds::standard());
  // The window of the definition stored as ":/windows/NAME.json" (throws layout::DefinitionError).
  Window(const std::string& resourceName, const Locale& locale);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const WindowDefinition& definition() const { return definition_; }
  const Locale& locale() const { return locale_; }
  const DialogUnits& units() const { return *units_; }
  // The native window: its top-level widget.
  QWidget* handle() const;
  // The title bar's text (UTF-8); the definition's title until it is set.
  std::string title() const;
  void setTitle(const std::string& utf8);
  // Where controls without a parent are placed: the client area (the window itself when it has no
  // menu bar, toolbar or status bar), or the toolbar for the controls flagged "toolbar".
  QWidget* clientArea() const { return client_; }
  QWidget* toolbarArea() const { return toolbar_; }
  // The menu bar, made at the first call (the definition's menus are placed there).
  QMenuBar* menuBar();

  // The status bar's parts (the definition's "statusBar"): the text one shows. A part that is not
  // there is ignored (and reads empty).
  void setStatusText(int part, const std::string& utf8);
  std::string statusText(int part) const;

  // Binds a variable to every control that uses `name` (matched without regard to case). Throws
  // std::invalid_argument when no control uses it.
  void bind(std::string_view name, Variable variable);
  // Binds every control whose use names a field of the record as "PREFIX:FIELD" to that field.
  // Throws std::invalid_argument when such a name is no field of the record.
  void bindRecord(std::string_view prefix, RecordBuffer& record);

  int controlCount() const { return static_cast<int>(controls_.size()); }
  // A control's number by its label, 0 when there is none.
  int find(std::string_view label) const { return definition_.find(label); }
  // Throws std::out_of_range for a number or label that is not a control.
  Control& control(int number) const;
  Control& control(std::string_view label) const;

  // Shows the window and posts OpenWindow. Every use must be bound by now: a control whose
  // variable is missing makes it throw std::logic_error.
  void open();
  // Hides the window for good; accept() gives nothing from now on.
  void close();
  bool isOpen() const { return opened_ && !closed_; }
  bool isClosed() const { return closed_; }

  // The next event, waiting for it; nothing once the window is closed.
  std::optional<WindowEvent> accept();
  // The event accept() gave last.
  const std::optional<WindowEvent>& event() const { return event_; }
  void post(EventKind kind, int control = 0, int value = 0);

  // Variables to controls (0: every control) and back.
  void display(int control = 0);
  void update(int control = 0);
  // Paints the control (0: the whole window) at once rather than at the event loop's next turn:
  // work that runs inside a handler shows its progress this way.
  void redraw(int control = 0);

  // The first control (in control-number order) that must hold a value and is blank, 0 for none.
  int firstLackingValue() const;

  // Gives the control the focus; one that cannot hold it (a prompt, a box, a hidden or disabled
  // control) passes it to the first control after it that can.
  void select(int control);
  // A prompt's access key: as select(prompt), the contents of the control that takes the focus
  // selected as the Tab key selects them.
  void focusByAccessKey(int prompt);
  // The number of the control that has the focus, 0 for none.
  int focus() const;
  // The control that takes the focus when the window opens; when it cannot hold it (a box, a
  // prompt), the first control after it that can (also one the Tab key passes by). 0: the first
  // control that can.
  void setFirstField(int control) { firstField_ = control; }
  int firstField() const { return firstField_; }
  // The button that Enter presses, 0 for none.
  int defaultButton() const { return defaultButton_; }

  // Keys reported as AlertKey instead of being handled (Qt key combined with modifiers).
  void alert(int key);
  void clearAlerts() { alerts_.clear(); }
  // The timer in hundredths of a second; 0 stops it.
  void setTimer(int hundredths);
  int timer() const { return timer_; }

  // The request the procedure was called with (insert, change, select ...).
  int request = 0;

  // The window that this thread opened last and has not closed, or null.
  static Window* current();

  // Shows the help page of the window's help id (help_viewer.h); nothing when there is none.
  void showHelp();

  // For the widget: a key pressed in a control; true when it was used.
  bool handleKey(QObject* target, int key, int modifiers);
  // For the widget: the title bar's close box.
  void closeRequested() { post(EventKind::CloseWindow); }
  // For the widget: the status text of what the mouse is on (empty when it leaves).
  void showStatusTip(const std::string& utf8) { setStatusText(0, utf8); }

 private:
  void build(const ControlKinds& kinds);
  void buildChrome();
  void markWaiting();
  void placeControl(Control& control);
  void setTabOrder();
  void stackByLayer();
  // Focuses the first control from `number` on that can hold the focus.
  void focusFrom(int number, Qt::FocusReason reason = Qt::OtherFocusReason);
  Control* controlOf(QObject* object) const;

  WindowDefinition definition_;
  const Locale& locale_;
  std::unique_ptr<DialogUnits> units_;
  QPointer<WindowWidget> widget_;
  QWidget* client_ = nullptr;
  QWidget* toolbar_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  QStatusBar* statusBar_ = nullptr;
  std::vector<QLabel*> statusParts_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::deque<WindowEvent> queue_;
  std::optional<WindowEvent> event_;
  QEventLoop* loop_ = nullptr;
  QTimer* timerObject_ = nullptr;
  std::vector<int> alerts_;
  int firstField_ = 0;
  int defaultButton_ = 0;
  int timer_ = 0;
  bool opened_ = false;
  bool closed_ = false;
};

// Shows the wait cursor while it lives.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace platform::ui
