// The error reporter: one per process, shared by every file and relation manager. It reports a
// failure by its message number from a table given to it (level, title and text), fills in the
// placeholders %File, %Field, %Message and %ErrorText from the calling thread's error status, and
// reaches the user through a UserPort.
//
// Levels (the result of every manager operation): 0 done, 1 user (a question; Yes gives 0, No 4),
// 2 program error and 3 fatal (shown with "  Press OK to end this application" appended, then the
// program ends), 4 cancelled, 5 notify (shown with an OK button; returns 5).
// A level-0 message is benign: nothing is shown and 0 is returned. A level-4 message tells the
// user that something was cancelled: it is shown with an OK button and 4 is returned.
// A question may name its own buttons (Yes, No and Cancel): Yes gives 0, No 4, Cancel 1 (nothing
// done, the caller stays where it is).
//
// Placeholders are replaced in one pass: a value that itself holds "%Field" is not expanded again.
// "|" in a title or text goes to the port unchanged (it starts a new line there).
//
// Thread safety: the message table is filled before the first report and only read afterwards;
// every other state is the calling thread's ErrorStatus.
//
// The per-thread part (ErrorStatus) holds the stack of procedure names, the current field, file and
// key names, the message text, and the last runtime error with its code and text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/core/locale.h"
#include "platform/port/user_port.h"

namespace platform {

inline constexpr int kLevelBenign = 0;
inline constexpr int kLevelUser = 1;
inline constexpr int kLevelProgram = 2;
inline constexpr int kLevelFatal = 3;
inline constexpr int kLevelCancel = 4;
inline constexpr int kLevelNotify = 5;

struct ErrorMessage {
  int id;
  int level;
  std::string title;  // UTF-8
  std::string text;   // UTF-8, with placeholders
  // For a question that offers more than Yes and No: its buttons in display order and the default
  // one. Empty means the level's own buttons.
  std::vector<MessageButton> buttons = {};
  MessageButton defaultButton = MessageButton::Yes;
};

// How many earlier reports ErrorStatus::history keeps.
inline constexpr std::size_t kErrorHistoryLimit = 20;

// The calling thread's error state. One per thread, owned by that thread's start-up objects.
class ErrorStatus {
 public:
  std::string procedure;  // the window procedure now running
  std::string field;      // %Field
  std::string file;       // %File
  std::string key;
  std::string message;    // %Message
  int errorCode = 0;      // the runtime error behind the report
  std::string errorText;  // %ErrorText (UTF-8)
  std::string errorFile;
  std::vector<std::string> history;  // earlier reports, newest last (bounded)
};

class ErrorReporter {
 public:
  ErrorReporter(const Locale& locale, UserPort& port);

  // Binds the reporter to the thread-local error status it will use on each thread: the function
  // returns the calling thread's ErrorStatus. Until then (or when given null) the reporter uses a
  // thread-local status of its own.
  void init(ErrorStatus& (*statusOfThisThread)());
  ErrorStatus& status() const;

  // Adds (or replaces) numbered messages.
  void addMessages(const std::vector<ErrorMessage>& messages);
  const ErrorMessage* find(int id) const;

  // Sets the calling thread's procedure name and returns the one it replaces (restore it with
  // setProcedureName).
  std::string setProcedureName(std::string name);
  void setField(std::string field) { status().field = std::move(field); }
  void setFile(std::string file) { status().file = std::move(file); }
  void setKey(std::string key) { status().key = std::move(key); }
  // The runtime error behind the next report: its number and text (the locale's text if empty).
  void setError(int code, std::string utf8Text = {});

  // Reports message `id` with `messageText` as %Message; returns the level's result (see above).
  // An unknown id is reported as a program error naming the number. Every report shown is added
  // to the thread's history. Levels 2 and 3 do not return: the port halts the program.
  int throwMessage(int id, const std::string& messageText = {});
  int throwFile(int id, const std::string& file) {
    setFile(file);
    return throwMessage(id);
  }

  // The text of message `id` with its placeholders filled from the current status (for tests and
  // for callers that show it themselves).
  std::string render(int id, const std::string& messageText = {}) const;

  UserPort& port() { return port_; }
  // The locale whose texts the reports use.
  const Locale& locale() const { return locale_; }

 private:
  const Locale& locale_;
  UserPort& port_;
  ErrorStatus& (*statusOfThisThread_)() = nullptr;
  std::map<int, ErrorMessage> messages_;
};

}  // namespace platform
