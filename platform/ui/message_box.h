// The program's way to the user: message boxes on Qt widgets, and the end of the program.
//
// A message box shows the caption, the text with each "|" starting a new line, the icon, and the
// buttons in the order given, captioned by the locale (an "&" marks the access key). It is modal
// over every window and waits; it returns the button pressed, or the default button when it is
// closed some other way (Escape, the close box).
//
// halt() throws ProgramHalted, which the program's entry catches to run its shut-down duties and
// end with exit code 0. setBusy() shows the wait cursor; calls nest.
#pragma once

#include "platform/classes/user_port.h"
#include "platform/core/locale.h"

class QMessageBox;

namespace platform::ui {

class QtUserPort : public UserPort {
 public:
  // The locale gives the buttons' captions (code page 1252) and must outlive the port.
  explicit QtUserPort(const Locale& locale);

  MessageButton message(const MessageRequest& request) override;
  [[noreturn]] void halt() override;
  void setBusy(bool busy) override;

 private:
  const Locale& locale_;
};

// The message text as the box shows it: "|" becomes a line break.
std::string messageLines(const std::string& text);

}  // namespace platform::ui
