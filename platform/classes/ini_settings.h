// The INI settings object: named values in sections of an INI file, kept through QSettings.
//
// init() names the file; a bare name (no folder) means the working folder at the time of init.
// Every update is written to the file at once, so nothing is lost when the program ends without
// kill(). Reading a missing or damaged file, or a value that is missing or malformed, gives the
// caller's default; nothing here throws on bad input.
//
// One object per process. All operations lock an internal mutex, so threads may share it.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

class QSettings;

namespace platform {

// A window's place and size in screen pixels, and whether it was maximised.
struct WindowPlace {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool maximized = false;

  bool operator==(const WindowPlace&) const = default;
};

class IniSettings {
 public:
  IniSettings();
  ~IniSettings();
  IniSettings(const IniSettings&) = delete;
  IniSettings& operator=(const IniSettings&) = delete;

  // Opens the settings of `fileName` (UTF-8). An earlier file is synced and closed first.
  void init(const std::string& fileName);
  // Writes what is pending and closes the file. Returns false when the file could not be written.
  // Safe to call more than once; later fetches give defaults, later updates fail.
  bool kill();

  bool isOpen() const;
  // The absolute path of the file, empty when not open.
  std::string fileName() const;

  // Values by section and name (UTF-8). An empty section means the file's general section.
  std::string fetch(const std::string& section, const std::string& name, const std::string& defaultValue = {}) const;
  // An integer value; the default when missing, not a whole number, or outside the int range.
  int fetchInt(const std::string& section, const std::string& name, int defaultValue = 0) const;
  // Writes a value; returns false when not open or the file could not be written.
  bool update(const std::string& section, const std::string& name, const std::string& value);
  bool update(const std::string& section, const std::string& name, int value);
  // Removes one value (or, with an empty name, the whole section).
  bool remove(const std::string& section, const std::string& name);

  // A window's place and size under a section such as "_PreviewWindow_", as the keys "X", "Y",
  // "Width", "Height" and "Maximized".
  bool storeWindow(const std::string& section, const WindowPlace& place);
  // The stored place, or nothing when any of its values is missing or malformed or the size is not
  // positive.
  std::optional<WindowPlace> fetchWindow(const std::string& section) const;

 private:
  bool syncLocked();

  mutable std::mutex mutex_;
  std::unique_ptr<QSettings> settings_;
};

}  // namespace platform
