// The window controller: what every window procedure is built on. A procedure derives from it,
// overrides the handlers it needs, and runs it:
//
//   run()   init(); then, for each event of the window's accept loop, takeEvent(); then kill();
//           returns the response (completed 1, cancelled 2).
//
// init() follows the program's convention, in this order: gives the error reporter the procedure's
// name (keeping the one it replaces); copies the caller's Request code into the window's request;
// runs the platform's own initialise (initBase; a non-zero level ends init with that level); sets
// the first field; keeps the Navigation request code; clears the Request and Response codes; opens
// the files (the openFiles hook, whose result says whether they must be closed); opens the window;
// sets the alert keys. A procedure whose order differs overrides init() and calls the same steps.
//
// kill() runs the platform's kill (killBase: a second kill gives level 5 and does nothing more),
// closes the files if openFiles said so (closeFiles hook) and gives the error reporter back the
// name init replaced.
//
// Handlers return a level: 0 goes on; 5 (notify) refuses what the event was about (a close
// request stays unanswered, the window stays open); 3 (fatal) ends the accept loop. A close request
// that no handler refuses closes the window. Each override runs the base handler first.
//
// Components (browse lists, resizers: window_component.h) added to the controller see each event
// before the handlers; after each event that leaves the window open they are reset (without
// force), and the window is displayed again when one of them changed. reset(true) resets them with
// force and displays the window. killBase() kills them.
//
// The codes are the caller's per-thread variables, given by reference; they must outlive the
// controller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classes/error_reporter.h"
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

  // Resets the components (`force`: each reloads anew) and displays the window's controls again.
  void reset(bool force);
  // The controls' values to their variables: the window brings what the user did up to date.
  void update() { window_.update(); }
  // Runs update procedure `number` for `request` (insert, change, delete) on behalf of a component
  // and returns the response it leaves. The base runs nothing: cancelled.
  virtual int runProcedure(int number, int request) { return kResponseCancelled; }

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
};

}  // namespace platform
