// How the platform reaches the user: message boxes, and ending the program. The program plugs in
// the Qt implementation; tests plug in a scripted one that records what was shown and answers as
// told, so that nothing ever blocks a test on a dialog.
#pragma once

#include <string>
#include <vector>

#include "platform/core/locale.h"

namespace platform {

enum class MessageIcon { None, Exclamation, Question, Information, Hand };

struct MessageRequest {
  std::string caption;  // UTF-8
  std::string text;     // UTF-8; "|" starts a new line
  MessageIcon icon = MessageIcon::Exclamation;
  std::vector<MessageButton> buttons;  // in display order
  MessageButton defaultButton = MessageButton::Ok;
};

class UserPort {
 public:
  virtual ~UserPort() = default;
  // Shows the message and waits; returns the button pressed (the default one when the box is
  // closed some other way).
  virtual MessageButton message(const MessageRequest& request) = 0;
  // Ends the program after a fatal error: runs the program's shut-down duties and does not return
  // in the program (exit code 0). A test port records the call and throws.
  [[noreturn]] virtual void halt() = 0;
};

}  // namespace platform
