// A UserPort for tests: it records every message shown and answers from a queue of scripted
// buttons; with the queue empty it answers with the message's default button, as when the box is
// closed. halt() records the call and throws ProgramHalted, so that a test can catch the end of
// the program and look at what was shown before it.
//
// Folder dialogs, files to save and printers are answered from queues of their own (nothing
// queued: the user cancels); every request is recorded.
//
// A scripted answer that is not among the message's buttons is a fault of the test: the port
// throws std::logic_error rather than hand back a button the user could not have pressed.
#pragma once

#include <algorithm>
#include <deque>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/port/user_port.h"

namespace platform {

class ScriptedPort : public UserPort {
 public:
  ScriptedPort() = default;
  ScriptedPort(std::initializer_list<MessageButton> answers) : answers_(answers) {}

  // Queues answers, given in the order the messages will come.
  void answer(MessageButton button) { answers_.push_back(button); }
  void answer(std::initializer_list<MessageButton> buttons) { answers_.insert(answers_.end(), buttons); }
  std::size_t pendingAnswers() const { return answers_.size(); }

  MessageButton message(const MessageRequest& request) override {
    shown_.push_back(request);
    if (answers_.empty()) return request.defaultButton;
    const MessageButton button = answers_.front();
    answers_.pop_front();
    if (std::find(request.buttons.begin(), request.buttons.end(), button) == request.buttons.end())
      throw std::logic_error("scripted answer is not a button of the message \"" + request.caption + "\"");
    return button;
  }

  // Queues the answer of the next folder dialog: a folder, or std::nullopt to cancel it.
  void answerFolder(std::optional<std::string> folder) { folders_.push_back(std::move(folder)); }
  std::optional<std::string> chooseFolder(const FolderRequest& request) override {
    folderRequests_.push_back(request);
    if (folders_.empty()) return std::nullopt;
    std::optional<std::string> folder = std::move(folders_.front());
    folders_.pop_front();
    return folder;
  }
  const std::vector<FolderRequest>& folderRequests() const { return folderRequests_; }

  [[noreturn]] void halt() override {
    ++halts_;
    throw ProgramHalted();
  }

  void setBusy(bool busy) override {
    busyDepth_ += busy ? 1 : -1;
    if (busy) ++busyShown_;
  }
  // How many busy cursors are showing now, and how many were ever shown.
  int busyDepth() const { return busyDepth_; }
  int busyShown() const { return busyShown_; }

  // Answers for the next file and printer requests; nothing stands for cancel.
  void answerFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
  void answerPrinter(std::optional<PrinterChoice> choice) { printers_.push_back(std::move(choice)); }

  std::optional<std::string> chooseFileToSave(const SaveFileRequest& request) override {
    fileRequests_.push_back(request);
    if (files_.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(files_.front());
    files_.pop_front();
    return answer;
  }
  std::optional<PrinterChoice> choosePrinter(const PrinterRequest& request) override {
    printerRequests_.push_back(request);
    if (printers_.empty()) return std::nullopt;
    std::optional<PrinterChoice> answer = std::move(printers_.front());
    printers_.pop_front();
    return answer;
  }
  const std::vector<SaveFileRequest>& fileRequests() const { return fileRequests_; }
  const std::vector<PrinterRequest>& printerRequests() const { return printerRequests_; }

  const std::vector<MessageRequest>& shown() const { return shown_; }
  const MessageRequest& last() const {
    if (shown_.empty()) throw std::logic_error("no message was shown");
    return shown_.back();
  }
  int halts() const { return halts_; }
  void clear() {
    shown_.clear();
    answers_.clear();
    halts_ = 0;
    busyShown_ = 0;
    folders_.clear();
    folderRequests_.clear();
    files_.clear();
    printers_.clear();
    fileRequests_.clear();
    printerRequests_.clear();
  }

 private:
  std::deque<MessageButton> answers_;
  std::deque<std::optional<std::string>> files_;
  std::deque<std::optional<PrinterChoice>> printers_;
  std::vector<SaveFileRequest> fileRequests_;
  std::vector<PrinterRequest> printerRequests_;
  std::vector<MessageRequest> shown_;
  std::deque<std::optional<std::string>> folders_;
  std::vector<FolderRequest> folderRequests_;
  int halts_ = 0;
  int busyDepth_ = 0;
  int busyShown_ = 0;
};

}  // namespace platform
