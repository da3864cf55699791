#include "platform/layout/colour.h"

#include <QGuiApplication>
#include <QPalette>
#include <array>
#include <string>

namespace platform::layout {
namespace {

struct SystemColour {
  std::string_view name;
  int index;
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

// The desktop's colour indexes and the palette roles that play their part here.
constexpr std::array<SystemColour, 7> kSystemColours{{
    {"COLOR:WINDOW", 5, QPalette::Active, QPalette::Base},
    {"COLOR:WINDOWTEXT", 8, QPalette::Active, QPalette::Text},
    {"COLOR:HIGHLIGHT", 13, QPalette::Active, QPalette::Highlight},
    {"COLOR:HIGHLIGHTTEXT", 14, QPalette::Active, QPalette::HighlightedText},
    {"COLOR:BTNFACE", 15, QPalette::Active, QPalette::Button},
    {"COLOR:GRAYTEXT", 17, QPalette::Disabled, QPalette::Text},
    {"COLOR:BTNTEXT", 18, QPalette::Active, QPalette::ButtonText},
}};

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

}  // namespace

QColor toQColor(std::int32_t colour) {
  if (colour == kDefaultColour) return {};
  const auto value = static_cast<std::uint32_t>(colour);
  if (value & 0x80000000u) {
    const int index = static_cast<int>(value & 0x00FFFFFFu);
    for (const SystemColour& s : kSystemColours)
      if (s.index == index) return QGuiApplication::palette().color(s.group, s.role);
    return {};
  }
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

std::int32_t fromQColor(const QColor& colour) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(colour.red()) |
                                   static_cast<std::uint32_t>(colour.green()) << 8 |
                                   static_cast<std::uint32_t>(colour.blue()) << 16);
}

std::optional<std::int32_t> parseColour(std::string_view text) {
  if (text == "-1") return kDefaultColour;
  const std::string name = upper(text);
  for (const SystemColour& s : kSystemColours)
    if (name == s.name) return static_cast<std::int32_t>(0x80000000u | static_cast<std::uint32_t>(s.index));
  if (name.size() < 2 || name.size() > 9 || name.back() != 'H') return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i + 1 < name.size(); ++i) {
    const char c = name[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  // A plain colour has no bits above the blue byte; a system colour has the top bit.
  if ((value & 0xFF000000u) != 0 && (value & 0x80000000u) == 0) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace platform::layout
