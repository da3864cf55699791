// The desktop setting that shows a window's contents while it is dragged, as the program reads and
// writes it. On this platform it is a per-user setting kept in the user's configuration folder
// ("desktop-settings.ini", key "DragFullWindows"); when the key is absent the setting is on (1),
// as a desktop's default.
#pragma once

#include <optional>
#include <string>

namespace platform::os {

// Flags of a write.
inline constexpr int kUpdateProfile = 1;   // keep the change in the user's profile (the file)
inline constexpr int kAnnounceChange = 2;  // tell the rest of the desktop

class DesktopSettings {
 public:
  virtual ~DesktopSettings() = default;
  // Reads the setting into `value`; returns false, leaving `value` untouched, when it cannot be read.
  virtual bool dragFullWindows(int& value) = 0;
  // Writes the setting; returns false when the write failed.
  virtual bool setDragFullWindows(int value, int flags) = 0;
};

// The user's own setting, in the INI file of the user's configuration folder.
//
// A write with kUpdateProfile goes to the file; without it the value holds for this object only
// (later reads through it see it, the file is left alone). kAnnounceChange has nothing further to
// do here: every reader takes the value from the file when it reads it.
class UserDesktopSettings : public DesktopSettings {
 public:
  // The file in the user's configuration folder ($XDG_CONFIG_HOME, else ~/.config).
  UserDesktopSettings();
  explicit UserDesktopSettings(std::string fileName);

  static std::string defaultFileName();
  const std::string& fileName() const { return fileName_; }

  bool dragFullWindows(int& value) override;
  bool setDragFullWindows(int value, int flags) override;

 private:
  std::string fileName_;
  std::optional<int> sessionValue_;
};

}  // namespace platform::os
