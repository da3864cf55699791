// The window controller: what every window procedure is built on. A procedure derives from it,
// overrides the handlers it needs, and runs it:
//
//   run()   init(); then, for each event of the window's accept loop, takeEvent(); then kill();
//           returns the response (kResponseCompleted, kResponseCancelled).
//
// init() follows the program's convention, in this order: gives the error reporter the procedure's
// name (keeping the one it replaces); copies the caller's Request code into the window's request;
// runs the platform's own initialise (initBase; a non-zero level ends init with that level); sets
// the first field; keeps the Navigation request code; clears the Request and Response codes; opens
// the files (the openFiles hook, whose result says whether they must be closed); opens the window;
// sets the alert keys. A procedure whose order differs overrides init() and calls the same steps.
//
// kill() runs the platform's kill (killBase: a second kill gives kLevelNotify and does nothing
// more), closes the files if openFiles said so (closeFiles hook) and gives the error reporter back
// the name init replaced.
//
// Handlers return a level: kLevelBenign goes on; kLevelNotify refuses what the event was about (a
// close request stays unanswered, the window stays open); kLevelFatal ends the accept loop. A close
// request that no handler refuses closes the window. Each override runs the base handler first.
//
// Components (browse lists, resizers: window_component.h) added to the controller see each event
// before the handlers; after each event that leaves the window open they are reset (without
// force), and the window is displayed again when one of them changed. reset(true) resets them with
// force and displays the window. killBase() kills them.
//
// Forms. A controller given an update file (setUpdateFile) is a form: it edits the record in that
// file's buffer and saves it through its primary relation manager (setPrimary). After openFiles,
// init sets the form up for its request:
//   kRequestView    no OK control, closing asks nothing, nothing is saved;
//   kRequestDelete  the primary's delete, which asks message 11 first; the response is completed
//                   when the record went, else cancelled; the window is never shown (init ends
//                   there);
//   kRequestInsert  on the record the caller primed; any other request works as kRequestChange,
//                   whose record's linking values are remembered for the relation manager.
// Except in view mode the OK control (setOkControl) saves, a successful save closes the window
// completed, and closing a record that differs from the one the form started with asks
// kMessageLoseChanges (No keeps the window open with the focus on the first field). Closing a form
// otherwise leaves the response cancelled. The title of the request's mode (setModeTitle) replaces
// the definition's when the event loop starts; a form is reset when its window opens.
//
// Saving: the OK control starts the accept-all pass: every control that takes input (not hidden or
// disabled), in control-number order, takes what the user typed and not yet handed over, is checked
// (an empty required entry takes the focus and ends the pass) and is accepted again as if the user
// had left it (components, then takeAccepted). A handler that calls select() ends the pass. The
// window does no resets during the pass. When the pass goes through, takeCompleted(): the history
// copy takes the record; insert adds it through the update file; change writes it through the
// primary's update (from a form, under the busy cursor) unless it equals the record the form
// started with. A write refused by its checks or failing (kLevelUser) asks kMessageRetrySave: Yes
// writes again, No closes the window cancelled, Cancel keeps it open. A record changed by another
// program (kMessageRecordChangedShown, kLevelNotify) is shown as now stored, becomes the record the
// form edits, and the user's own record is kept for the ditto key (Ctrl+'), which puts it back. Any
// other failure keeps the window open with the focus on the first field.
//
// History: with a history key and copy (setHistory), the key pressed in one of the history fields'
// controls puts the copy's value of that field back into the record and displays the control.
//
// The codes are the caller's per-thread variables, given by reference; they must outlive the
// controller.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/classes/error_reporter.h"
#include "platform/classes/file_manager.h"
#include "platform/classes/relation_manager.h"
#include "platform/classes/toolbar_dispatcher.h"
#include "platform/classes/window_component.h"
#include "platform/ui/window.h"

namespace platform {

inline constexpr int kRequestInsert = 1;
inline constexpr int kRequestChange = 2;
inline constexpr int kRequestDelete = 3;
inline constexpr int kRequestSelect = 4;
inline constexpr int kRequestView = 6;

inline constexpr int kResponseCompleted = 1;
inline constexpr int kResponseCancelled = 2;

// The messages a form asks: before losing a changed record, and whether to save again.
inline constexpr int kMessageLoseChanges = 10;
inline constexpr int kMessageRetrySave = 37;
// The ditto key: puts back the record a save by another program replaced (Qt key and modifiers).
inline constexpr int kDittoKey = 0x27 | 0x04000000;  // Ctrl+'

// The per-thread codes by which procedures ask each other and answer (the Request and Response
// codes are bytes, the Navigation request code a LONG).
struct ProcedureCodes {
  std::uint8_t& request;
  std::uint8_t& response;
  std::int32_t& navigation;
};

class WindowController {
 public:
  WindowController(ui::Window& window, ErrorReporter& reporter, std::string procedureName, ProcedureCodes codes);
  virtual ~WindowController();
  WindowController(const WindowController&) = delete;
  WindowController& operator=(const WindowController&) = delete;

  int run();

  virtual int init();
  virtual int kill();
  // Hands the window's current event to the handler of its kind.
  virtual int takeEvent();
  // Accepted controls. The base: a registered close control sets its response and asks the
  // window to close.
  virtual int takeAccepted();
  virtual int takeNewSelection() { return kLevelBenign; }
  // Opening, close requests, timer, alert keys.
  virtual int takeWindowEvent() { return kLevelBenign; }

  // Hooks of init and kill for the procedure's data files.
  virtual bool openFiles() { return false; }
  virtual void closeFiles() {}

  // Set-up, before run or from an overridden init.
  void setFirstField(const std::string& label) { firstField_ = label; }
  // Pressing the control closes the window with that response.
  void setCloseControl(const std::string& label, int response);
  void addToolbarDispatcher(ToolbarDispatcher& dispatcher);
  void addAlert(int key) { alerts_.push_back(key); }
  // The component must outlive the controller's use of it (until kill).
  void addComponent(WindowComponent& component);

  // Resets the components (`force`: each reloads anew) and displays the window's controls again;
  // nothing during the accept-all pass. An override runs its own look-ups and then the base.
  virtual void reset(bool force);
  // The controls' values to their variables: the window brings what the user did up to date.
  void update() { window_.update(); }
  // Runs update procedure `number` for `request` (insert, change, delete) on behalf of a component
  // and returns the response it leaves. The base runs nothing: cancelled.
  virtual int runProcedure(int number, int request) { return kResponseCancelled; }

  // ---- Forms ----

  void setUpdateFile(FileManager& file) { updateFile_ = &file; }
  void setPrimary(RelationManager& primary) { primary_ = &primary; }
  void setOkControl(const std::string& label);
  void setModeTitle(int request, std::string title) { modeTitles_[request] = std::move(title); }
  // `copy` (a record of the update file's layout) lives as long as the caller wants the history.
  void setHistory(int key, RecordBuffer& copy);
  // A control that shows field `field` (from 1) of the update file's record.
  void addHistoryField(const std::string& label, int field);

  bool isForm() const { return updateFile_ != nullptr; }
  // Whether the record differs from the one the form started with.
  bool recordChanged() const;
  bool acceptingAll() const { return acceptingAll_; }
  // Gives the control the focus; during the accept-all pass this ends the pass.
  void select(int control);
  void select(const std::string& label);
  // Saves the record as told above; the pass has gone through. Returns a level.
  virtual int takeCompleted();

  ui::Window& window() const { return window_; }
  ErrorReporter& errors() const { return reporter_; }
  const std::string& procedureName() const { return procedureName_; }
  // The request the procedure was called with.
  int request() const { return window_.request; }
  int response() const { return response_; }
  void setResponse(int response) { response_ = response; }
  // The Navigation request code the window was given (null before init).
  std::int32_t* navigation() const { return navigation_; }
  // The current event (what accept gave last).
  const ui::WindowEvent& event() const;
  bool filesOpened() const { return filesOpened_; }

 protected:
  // The steps of init() and kill(), for procedures that order them their own way.
  void enterProcedure();
  void takeRequest();
  int initBase();
  void setUpWindow();
  void clearCodes();
  // Runs the openFiles hook and keeps whether closeFiles must run at kill.
  void openProcedureFiles();
  void openWindow();
  virtual void setAlerts();
  int killBase();
  void closeFilesIfOpened();
  void leaveProcedure();
  // The form's set-up for its request and the priming of its record; non-zero ends init.
  int primeForm();

 private:
  ui::Window& window_;
  ErrorReporter& reporter_;
  std::string procedureName_;
  ProcedureCodes codes_;
  std::string previousProcedure_;
  bool entered_ = false;
  std::string firstField_;
  std::vector<std::pair<std::string, int>> closeLabels_;
  std::vector<ToolbarDispatcher*> dispatchers_;
  std::vector<WindowComponent*> components_;
  std::vector<int> alerts_;
  std::int32_t* navigation_ = nullptr;
  int response_ = kResponseCancelled;
  bool filesOpened_ = false;
  bool killed_ = false;

  bool acceptAll();
  int save();
  int takeFormWindowEvent();
  bool resetComponents(bool force);

  FileManager* updateFile_ = nullptr;
  RelationManager* primary_ = nullptr;
  std::string okLabel_;
  int okControl_ = 0;  // 0 in view mode
  bool askOnCancel_ = false;
  bool closeOnSave_ = false;
  bool closingAsIs_ = false;  // the form closes without asking: saved, or the user gave up saving
  std::map<int, std::string> modeTitles_;
  std::optional<RecordBuffer> started_;  // the record as the form started with it
  std::optional<RecordBuffer> ditto_;    // the user's record that a save by another program replaced
  int historyKey_ = 0;
  RecordBuffer* history_ = nullptr;
  std::vector<std::pair<std::string, int>> historyFields_;
  bool acceptingAll_ = false;
  bool passStopped_ = false;
  std::optional<ui::WindowEvent> passEvent_;
};

}  // namespace platform
