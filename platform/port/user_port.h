// How the platform reaches the user: message boxes, choosing a folder, a file to save or a printer,
// and ending the program. The program plugs in the Qt implementation; tests plug in a scripted one
// that records what was shown and answers as told, so that nothing ever blocks a test on a dialog.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
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

// A folder-browse dialog: it offers folders only, never files.
struct FolderRequest {
  std::string title;        // UTF-8
  std::string startFolder;  // where the dialog opens; empty: the working folder
};

// A file to save, asked of the user: the dialog's title, the file types offered (a name and its
// patterns, "*.PDF"), and the name and folder proposed.
struct SaveFileRequest {
  std::string title;                                       // UTF-8
  std::vector<std::pair<std::string, std::string>> types;  // ("PDF", "*.PDF"), ("All", "*.*")
  std::string proposedName;
  std::string folder;
};

// A printer chosen by the user: its name (empty: the default printer), or a PDF file to print into
// instead (where the print dialog offers printing to a file).
struct PrinterChoice {
  std::string printer;
  std::string outputFile;
  bool operator==(const PrinterChoice&) const = default;
};

struct PrinterRequest {
  std::string title;  // UTF-8
  int pageCount = 0;  // the pages that would be printed
};

// How halt() ends the program: it throws this, and the program's entry catches it, runs the
// shut-down duties and ends with exit code 0.
class ProgramHalted : public std::runtime_error {
 public:
  ProgramHalted() : std::runtime_error("the program was halted") {}
};

class UserPort {
 public:
  virtual ~UserPort() = default;
  // Shows the message and waits; returns the button pressed (the default one when the box is
  // closed some other way).
  virtual MessageButton message(const MessageRequest& request) = 0;
  // Asks for a folder and waits; returns the chosen folder's full path (UTF-8), or nothing when
  // the user cancels. The dialog may change the working folder (PathLookup puts it back).
  virtual std::optional<std::string> chooseFolder(const FolderRequest& request) = 0;
  // Ends the program after a fatal error: throws ProgramHalted, which the program's entry catches
  // to run its shut-down duties (exit code 0).
  [[noreturn]] virtual void halt() = 0;
  // Shows (true) or takes back (false) the busy cursor around long work; calls nest.
  virtual void setBusy(bool busy) = 0;
  // Asks for a file to save into: its full path (UTF-8), or nothing when the user cancels.
  virtual std::optional<std::string> chooseFileToSave(const SaveFileRequest& request) = 0;
  // Asks which printer to print on; nothing when the user cancels.
  virtual std::optional<PrinterChoice> choosePrinter(const PrinterRequest& request) = 0;
};

// Shows the port's busy cursor for as long as it lives (also when an exception passes).
class BusyCursor {
 public:
  explicit BusyCursor(UserPort& port) : port_(port) { port_.setBusy(true); }
  ~BusyCursor() { port_.setBusy(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  UserPort& port_;
};

}  // namespace platform
