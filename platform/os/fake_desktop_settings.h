// A DesktopSettings for tests: holds the setting in memory, records every read and write, and can
// be told to fail its reads or writes.
#pragma once

#include <vector>

#include "platform/os/desktop_settings.h"

namespace platform::os {

class FakeDesktopSettings : public DesktopSettings {
 public:
  struct Write {
    int value;
    int flags;
    bool operator==(const Write&) const = default;
  };

  explicit FakeDesktopSettings(int value = 1) : value(value) {}

  bool dragFullWindows(int& out) override {
    ++reads;
    if (failReads) return false;
    out = value;
    return true;
  }

  bool setDragFullWindows(int newValue, int flags) override {
    writes.push_back({newValue, flags});
    if (failWrites) return false;
    value = newValue;
    return true;
  }

  int value;
  bool failReads = false;
  bool failWrites = false;
  int reads = 0;
  std::vector<Write> writes;
};

}  // namespace platform::os
