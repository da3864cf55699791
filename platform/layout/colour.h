// Colours as window definitions and procedures give them: a 24-bit value 00BBGGRRh (0000FFh is
// pure red), -1 for the control's default colour, or a system colour 80000000h + index (the
// desktop's own colours: 8000000Fh is the button face, 80000005h a window's background).
#pragma once

#include <QColor>
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform::layout {

inline constexpr std::int32_t kDefaultColour = -1;
inline constexpr std::int32_t kSystemColourBase = static_cast<std::int32_t>(0x80000000u);

// The colour a value stands for: an invalid QColor for -1 (the default) or an unknown system
// colour.
QColor toQColor(std::int32_t colour);
// The value of a Qt colour (always 00BBGGRRh).
std::int32_t fromQColor(const QColor& colour);

// Reads a colour as a definition writes it: "-1", hexadecimal digits ending in "h" ("000080h",
// "8000000Fh"), or a system colour by name ("COLOR:BTNFACE", "COLOR:WINDOW", "COLOR:WINDOWTEXT",
// "COLOR:BTNTEXT", "COLOR:HIGHLIGHT", "COLOR:HIGHLIGHTTEXT", "COLOR:GRAYTEXT"). Nothing for any
// other text.
std::optional<std::int32_t> parseColour(std::string_view text);

}  // namespace platform::layout
