// The path lookup: the button beside a path entry that asks the user for a folder through the
// UserPort's folder-browse dialog.
//
// The dialog carries the lookup's title and opens in the folder the entry holds when that folder
// exists, else in the default folder. ask() returns the folder chosen; when the user cancels, it
// returns an empty text if clear-on-cancel is on, else the entry's value unchanged. The working
// folder is saved before the dialog and put back after it, so choosing a folder never moves the
// program away from the folder its data files lie in.
//
// The entry's text and what ask() returns are code page 1252, as entries hold every text; the
// dialog and the default folder are the file system's names (UTF-8), and the two meet only through
// platform/os/paths.h. A folder chosen whose path has a character that code page 1252 lacks cannot
// be held by the entry: ask() then returns the entry's value unchanged.
//
// Not thread safe; the port must outlive the lookup.
#pragma once

#include <string>

#include "platform/core/cp1252_text.h"
#include "platform/port/user_port.h"

namespace platform {

class PathLookup {
 public:
  explicit PathLookup(UserPort& port) : port_(port) {}

  void setTitle(std::string utf8) { title_ = std::move(utf8); }
  // Where the dialog opens when the entry names no existing folder (UTF-8); empty: the working folder.
  void setDefaultFolder(std::string folder) { defaultFolder_ = std::move(folder); }
  void setClearOnCancel(bool clear) { clearOnCancel_ = clear; }

  const std::string& title() const { return title_; }
  const std::string& defaultFolder() const { return defaultFolder_; }
  bool clearOnCancel() const { return clearOnCancel_; }

  // Asks for a folder; `current` is what the entry holds (trailing blanks ignored).
  Cp1252Text ask(const Cp1252Text& current);

 private:
  UserPort& port_;
  std::string title_;
  std::string defaultFolder_;
  bool clearOnCancel_ = false;
};

}  // namespace platform
