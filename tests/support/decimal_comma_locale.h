// While a DecimalCommaLocale lives, the C library's locale is Spanish (Spain), whose decimal mark is
// the comma, as QApplication sets it on such a desktop: snprintf then writes 87.5 as "87,5" and
// strtod stops at the dot of "87.5". Numbers the program shows, stores or reads must not change.
// The locale is restored when it ends. A machine without the locale fails the test that needs it
// (scripts/install-deps.sh generates it).
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

namespace tests {

class DecimalCommaLocale {
 public:
  static constexpr const char* kName = "es_ES.UTF-8";

  DecimalCommaLocale() {
    const char* current = std::setlocale(LC_ALL, nullptr);
    previous_ = current != nullptr ? current : "C";
    if (std::setlocale(LC_ALL, kName) == nullptr) {
      ADD_FAILURE() << "the locale " << kName << " is not installed (scripts/install-deps.sh generates it)";
      return;
    }
    if (std::strcmp(std::localeconv()->decimal_point, ",") != 0)
      ADD_FAILURE() << kName << " does not write a decimal comma";
  }
  ~DecimalCommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
  DecimalCommaLocale(const DecimalCommaLocale&) = delete;
  DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

 private:
  std::string previous_;
};

}  // namespace tests
