// The program's way to the user: message boxes on Qt widgets, and the end of the program.
//
// A message box shows the caption, the text with each "|" starting a new line (lines are never
// wrapped otherwise, as a desktop's message box keeps them), the icon, and the buttons in the order
// given, captioned by the locale (an "&" marks the access key). It is modal over every window and
// waits; Enter presses the default button. It returns the button pressed, or the default button
// when it is closed some other way (Escape, the close box).
//
// chooseFolder() shows the folder-browse dialog of folder_dialog.h.
//
// halt() throws ProgramHalted, which the program's entry catches to run its shut-down duties and
// end with exit code 0. setBusy() shows the wait cursor; calls nest.
#pragma once

#include <QDialog>
#include <vector>

#include "platform/core/locale.h"
#include "platform/port/user_port.h"

class QLabel;
class QPushButton;

namespace platform::ui {

class MessageDialog : public QDialog {
 public:
  MessageDialog(const MessageRequest& request, const Locale& locale);

  // The button pressed, or the default one.
  MessageButton answer() const { return answer_; }
  MessageIcon icon() const { return icon_; }
  // The text as shown, lines separated by "\n".
  QLabel* textLabel() const { return text_; }
  // In the order shown.
  const std::vector<QPushButton*>& buttons() const { return buttons_; }
  QPushButton* defaultButton() const { return default_; }

 private:
  MessageButton answer_;
  MessageIcon icon_;
  QLabel* text_ = nullptr;
  std::vector<QPushButton*> buttons_;
  QPushButton* default_ = nullptr;
};

class QtUserPort : public UserPort {
 public:
  // The locale gives the buttons' captions (code page 1252) and must outlive the port.
  explicit QtUserPort(const Locale& locale);
  // Another locale from now on (a program's own, once its start-up has made it).
  void useLocale(const Locale& locale) { locale_ = &locale; }

  MessageButton message(const MessageRequest& request) override;
  std::optional<std::string> chooseFolder(const FolderRequest& request) override;
  [[noreturn]] void halt() override;
  void setBusy(bool busy) override;
  // The desktop's save dialog; the print dialog (choosers.cpp).
  std::optional<std::string> chooseFileToSave(const SaveFileRequest& request) override;
  std::optional<PrinterChoice> choosePrinter(const PrinterRequest& request) override;

 private:
  const Locale* locale_;
};

// The message text as the box shows it: "|" becomes a line break.
std::string messageLines(const std::string& text);

}  // namespace platform::ui
