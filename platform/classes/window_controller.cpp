#include "platform/classes/window_controller.h"

#include <algorithm>
#include <stdexcept>

namespace platform {

WindowController::WindowController(ui::Window& window, ErrorReporter& reporter, std::string procedureName,
                                   ProcedureCodes codes)
    : window_(window), reporter_(reporter), procedureName_(std::move(procedureName)), codes_(codes) {}

WindowController::~WindowController() = default;

int WindowController::run() {
  if (init() == kLevelBenign) {
    while (window_.accept()) {
      if (takeEvent() == kLevelFatal) break;
    }
  }
  kill();
  return response_;
}

int WindowController::init() {
  enterProcedure();
  takeRequest();
  if (const int level = initBase(); level != kLevelBenign) return level;
  setUpWindow();
  clearCodes();
  openProcedureFiles();
  openWindow();
  setAlerts();
  return kLevelBenign;
}

int WindowController::kill() {
  if (const int level = killBase(); level != kLevelBenign) return level;
  closeFilesIfOpened();
  leaveProcedure();
  return kLevelBenign;
}

void WindowController::enterProcedure() {
  if (entered_) return;
  previousProcedure_ = reporter_.setProcedureName(procedureName_);
  entered_ = true;
}

void WindowController::takeRequest() { window_.request = codes_.request; }

int WindowController::initBase() {
  if (window_.isClosed()) return kLevelNotify;
  killed_ = false;
  response_ = kResponseCancelled;
  return kLevelBenign;
}

void WindowController::setUpWindow() {
  if (!firstField_.empty()) {
    const int first = window_.find(firstField_);
    if (first == 0) throw std::invalid_argument(procedureName_ + ": no first field " + firstField_);
    window_.setFirstField(first);
  }
  navigation_ = &codes_.navigation;
}

void WindowController::clearCodes() {
  codes_.request = 0;
  codes_.response = 0;
}

void WindowController::openProcedureFiles() { filesOpened_ = openFiles(); }

void WindowController::openWindow() { window_.open(); }

void WindowController::setAlerts() {
  for (int key : alerts_) window_.alert(key);
}

int WindowController::killBase() {
  if (killed_) return kLevelNotify;
  killed_ = true;
  window_.close();
  for (WindowComponent* component : components_) component->kill();
  components_.clear();
  return kLevelBenign;
}

void WindowController::closeFilesIfOpened() {
  if (!filesOpened_) return;
  filesOpened_ = false;
  closeFiles();
}

void WindowController::leaveProcedure() {
  if (!entered_) return;
  reporter_.setProcedureName(previousProcedure_);
  entered_ = false;
}

void WindowController::setCloseControl(const std::string& label, int response) {
  if (window_.find(label) == 0) throw std::invalid_argument(procedureName_ + ": no control " + label);
  closeLabels_.emplace_back(label, response);
}

void WindowController::addToolbarDispatcher(ToolbarDispatcher& dispatcher) { dispatchers_.push_back(&dispatcher); }

void WindowController::addComponent(WindowComponent& component) {
  if (std::find(components_.begin(), components_.end(), &component) == components_.end())
    components_.push_back(&component);
}

void WindowController::reset(bool force) {
  for (WindowComponent* component : components_) component->reset(force);
  window_.display();
}

const ui::WindowEvent& WindowController::event() const {
  if (!window_.event()) throw std::logic_error(procedureName_ + ": no event is being handled");
  return *window_.event();
}

int WindowController::takeEvent() {
  const ui::WindowEvent e = event();
  int level = kLevelBenign;
  for (WindowComponent* component : components_) {
    if (const int taken = component->takeEvent(); taken != kLevelBenign) level = taken;
  }
  if (level == kLevelFatal) return level;
  switch (e.kind) {
    case ui::EventKind::Accepted:
      level = takeAccepted();
      break;
    case ui::EventKind::NewSelection:
      level = takeNewSelection();
      break;
    case ui::EventKind::Toolbar:
      for (ToolbarDispatcher* d : dispatchers_)
        if (d->dispatch(static_cast<ToolbarAction>(e.value))) break;
      break;
    case ui::EventKind::OpenWindow:
    case ui::EventKind::CloseWindow:
    case ui::EventKind::Timer:
    case ui::EventKind::AlertKey:
      level = takeWindowEvent();
      break;
    case ui::EventKind::Scroll:
      break;
  }
  if (e.kind == ui::EventKind::CloseWindow && level != kLevelNotify) {
    window_.close();
  } else if (window_.isOpen()) {
    bool changed = false;
    for (WindowComponent* component : components_) changed = component->reset(false) || changed;
    if (changed) window_.display();
  }
  return level;
}

int WindowController::takeAccepted() {
  const int control = event().control;
  for (const auto& [label, response] : closeLabels_) {
    if (window_.find(label) == control) {
      response_ = response;
      window_.post(ui::EventKind::CloseWindow, control);
    }
  }
  return kLevelBenign;
}

}  // namespace platform
