// The error reporter: one per process, shared by every file and relation manager. It reports a
// failure by its message number from a table given to it (level, title and text), fills in the
// placeholders %File, %Field, %Message and %ErrorText from the calling thread's error status, and
// reaches the user through a UserPort.
//
// Levels (Level below, the result of every manager operation): a kLevelUser message is a
// question (Yes gives kLevelBenign, No kLevelCancel); kLevelProgram and kLevelFatal are shown with
// "  Press OK to end this application" appended, then the program ends; a kLevelNotify message is
// shown with an OK button and returns kLevelNotify. A kLevelBenign message is benign: nothing is
// shown and kLevelBenign is returned. A kLevelCancel message tells the user that something was
// cancelled: it is shown with an OK button and kLevelCancel is returned.
// A question may name its own buttons (Yes, No and Cancel): Yes gives kLevelBenign, No
// kLevelCancel, Cancel kLevelUser (nothing done, the caller stays where it is).
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
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "platform/core/locale.h"
#include "platform/port/user_port.h"

namespace platform {

// A report's level, and what every manager operation returns. It widens to int by itself, so that
// a window handler (whose result is an int level) can hand it on; an int becomes a Level only by a
// cast, so a runtime error number is never returned as a level by mistake.
enum Level : int {
  kLevelBenign = 0,   // done; nothing to show
  kLevelUser = 1,     // a question (from a manager: not done, the caller stays where it is)
  kLevelProgram = 2,  // a program error: shown, then the program ends
  kLevelFatal = 3,    // a fatal error: shown, then the program ends
  kLevelCancel = 4,   // cancelled
  kLevelNotify = 5,   // failed and shown
};

// How GoogleTest prints a level (found by argument-dependent lookup): "5 (notify)".
void PrintTo(Level level, std::ostream* os);

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
  Level throwMessage(int id, const std::string& messageText = {});
  Level throwFile(int id, const std::string& file) {
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
