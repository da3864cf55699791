// Trimming the blanks that pad a text: fixed-width fields and variables fill their room with blanks
// (" ", 20h), which are no part of what they hold. Only the blank is trimmed, never a tab or another
// space character. The overloads for code page 1252 text are in cp1252_text.h.
#pragma once

#include <string_view>

namespace platform {

// The text without its trailing blanks; all blanks give "".
constexpr std::string_view trimRight(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return text.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

// The text without its leading blanks; all blanks give "".
constexpr std::string_view trimLeft(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  return text.substr(start == std::string_view::npos ? text.size() : start);
}

// The text without its leading and trailing blanks.
constexpr std::string_view trim(std::string_view text) { return trimLeft(trimRight(text)); }

}  // namespace platform
