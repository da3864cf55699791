#include "platform/classes/window_controller.h"

#include <algorithm>
#include <stdexcept>

#include "platform/classes/field_values.h"

namespace platform {

WindowController::WindowController(ui::Window& window, ErrorReporter& reporter, std::string procedureName,
                                   ProcedureCodes codes)
    : window_(window), reporter_(reporter), procedureName_(std::move(procedureName)), codes_(codes) {}

WindowController::~WindowController() = default;

int WindowController::run() {
  if (init() == kLevelBenign) {
    if (auto title = modeTitles_.find(request()); isForm() && title != modeTitles_.end())
      window_.setTitle(title->second);
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
  if (isForm()) {
    if (const int level = primeForm(); level != kLevelBenign) return level;
  }
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
  if (historyKey_ != 0) window_.alert(historyKey_);
  if (isForm() && okControl_ != 0) window_.alert(kDittoKey);
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
  if (acceptingAll_) return;
  resetComponents(force);
  window_.display();
}

bool WindowController::resetComponents(bool force) {
  bool changed = false;
  for (WindowComponent* component : components_) changed = component->reset(force) || changed;
  return changed;
}

const ui::WindowEvent& WindowController::event() const {
  if (passEvent_) return *passEvent_;
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
      level = isForm() ? takeFormWindowEvent() : kLevelBenign;
      if (level == kLevelBenign) level = takeWindowEvent();
      break;
    case ui::EventKind::Scroll:
      break;
  }
  if (e.kind == ui::EventKind::CloseWindow && level != kLevelNotify) {
    window_.close();
  } else if (window_.isOpen()) {
    if (resetComponents(false)) window_.display();
  }
  return level;
}

int WindowController::takeAccepted() {
  const int control = event().control;
  if (acceptingAll_) return kLevelBenign;
  for (const auto& [label, response] : closeLabels_) {
    if (window_.find(label) == control) {
      response_ = response;
      window_.post(ui::EventKind::CloseWindow, control);
    }
  }
  if (control != 0 && control == okControl_ && acceptAll()) return takeCompleted();
  return kLevelBenign;
}

// ---- Forms ----

void WindowController::setOkControl(const std::string& label) {
  if (window_.find(label) == 0) throw std::invalid_argument(procedureName_ + ": no control " + label);
  okLabel_ = label;
}

void WindowController::setHistory(int key, RecordBuffer& copy) {
  historyKey_ = key;
  history_ = &copy;
}

void WindowController::addHistoryField(const std::string& label, int field) {
  if (window_.find(label) == 0) throw std::invalid_argument(procedureName_ + ": no control " + label);
  historyFields_.emplace_back(label, field);
}

bool WindowController::recordChanged() const { return isForm() && started_ && !(updateFile_->buffer() == *started_); }

void WindowController::select(int control) {
  window_.select(control);
  if (acceptingAll_) passStopped_ = true;
}

void WindowController::select(const std::string& label) {
  const int control = window_.find(label);
  if (control == 0) throw std::invalid_argument(procedureName_ + ": no control " + label);
  select(control);
}

int WindowController::primeForm() {
  const int request = window_.request;
  const bool viewing = request == kRequestView;
  okControl_ = viewing ? 0 : window_.find(okLabel_);
  askOnCancel_ = !viewing;
  closeOnSave_ = !viewing;
  if (request == kRequestDelete) {
    const bool deleted = primary_ != nullptr && primary_->deleteRecord(true) == kLevelBenign;
    response_ = deleted ? kResponseCompleted : kResponseCancelled;
    return kLevelCancel;
  }
  started_.emplace(updateFile_->buffer());
  if (!viewing && request != kRequestInsert && primary_ != nullptr) primary_->rememberLinkingValues();
  return kLevelBenign;
}

// The accept-all pass; true when every control went through.
bool WindowController::acceptAll() {
  acceptingAll_ = true;
  passStopped_ = false;
  for (int number = 1; number <= window_.controlCount() && !passStopped_; ++number) {
    ui::Control& control = window_.control(number);
    if (!control.acceptsInput() || control.isHidden() || control.isDisabled()) continue;
    control.takePendingInput();
    if (control.lacksRequiredValue()) {
      select(number);
      break;
    }
    passEvent_ = ui::WindowEvent{ui::EventKind::Accepted, number};
    for (WindowComponent* component : components_) component->takeEvent();
    takeAccepted();
  }
  passEvent_.reset();
  acceptingAll_ = false;
  return !passStopped_;
}

int WindowController::takeCompleted() {
  if (history_ != nullptr) history_->assign(updateFile_->buffer());
  const int level = save();
  if (level == kLevelBenign) {
    response_ = kResponseCompleted;
    if (closeOnSave_) {
      closingAsIs_ = true;
      window_.post(ui::EventKind::CloseWindow, okControl_);
    }
  }
  return level;
}

// Writes the record; 0 when it is saved (or had nothing to save), else the level that keeps the
// form open.
int WindowController::save() {
  if (window_.request == kRequestInsert) {
    const int level = updateFile_->insert();
    if (level != kLevelBenign) select(window_.firstField());
    return level;
  }
  if (!recordChanged()) return kLevelBenign;
  for (;;) {
    const RecordBuffer attempted = updateFile_->buffer();
    const int level = [&] {
      BusyCursor busy(reporter_.port());
      return primary_ != nullptr ? primary_->update(true) : updateFile_->update();
    }();
    if (level == kLevelBenign) return level;
    if (level == kLevelUser) {
      const int answer = reporter_.throwMessage(kMessageRetrySave);
      if (answer == kLevelBenign) continue;
      if (answer == kLevelCancel) {
        response_ = kResponseCancelled;
        closingAsIs_ = true;
        window_.post(ui::EventKind::CloseWindow, okControl_);
        return kLevelNotify;
      }
    } else if (updateFile_->lastWriteChangedElsewhere()) {
      // The stored record is what the form edits now; the user's own can be called back.
      started_.emplace(updateFile_->buffer());
      primary_->rememberLinkingValues();
      ditto_.emplace(attempted);
    }
    window_.display();
    select(window_.firstField());
    return kLevelNotify;
  }
}

// What a form does with the window events before the procedure's own handling: resets the window
// when it opens; asks before a changed record is lost; the history and ditto keys.
int WindowController::takeFormWindowEvent() {
  const ui::WindowEvent& e = event();
  if (e.kind == ui::EventKind::OpenWindow) {
    reset(false);
  } else if (e.kind == ui::EventKind::CloseWindow) {
    if (closingAsIs_) return kLevelBenign;
    response_ = kResponseCancelled;
    // What the user typed into the control still holding the focus is a change too: the close
    // box ends the form without that control being left.
    if (const int focused = window_.focus(); focused != 0) window_.control(focused).takePendingInput();
    if (askOnCancel_ && recordChanged() && reporter_.throwMessage(kMessageLoseChanges) != kLevelBenign) {
      select(window_.firstField());
      return kLevelNotify;
    }
  } else if (e.kind == ui::EventKind::AlertKey && e.value == historyKey_ && history_ != nullptr) {
    for (const auto& [label, field] : historyFields_) {
      if (window_.find(label) != e.control) continue;
      copyValue(*history_, field - 1, updateFile_->buffer(), field - 1);
      window_.display(e.control);
    }
  } else if (e.kind == ui::EventKind::AlertKey && e.value == kDittoKey && ditto_) {
    updateFile_->buffer().assign(*ditto_);
    ditto_.reset();
    window_.display();
  }
  return kLevelBenign;
}

}  // namespace platform
