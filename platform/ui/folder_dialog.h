// The folder-browse dialog of the Qt port: a file dialog that offers folders only, titled and
// opened as the request says, modal over every window.
#pragma once

#include <QFileDialog>
#include <optional>
#include <string>

#include "platform/port/user_port.h"

namespace platform::ui {

class FolderDialog : public QFileDialog {
 public:
  explicit FolderDialog(const FolderRequest& request, QWidget* parent = nullptr);

  // The folder chosen, as a full path (UTF-8); nothing when the dialog was cancelled.
  std::optional<std::string> chosenFolder() const;
};

// Shows the dialog and waits.
std::optional<std::string> askFolder(const FolderRequest& request);

}  // namespace platform::ui
