// Fonts as window and report definitions name them: "MS Sans Serif" is the desktop's sans-serif
// font at the same size, "Arial" is Liberation Sans (metric-compatible); any other name is asked of
// the font database as it is.
#pragma once

#include <QFont>
#include <string>

namespace platform::layout {

enum class FontStyle { Regular, Bold, Italic, BoldItalic };

struct FontSpec {
  std::string name = "MS Sans Serif";
  int size = 8;  // points
  FontStyle style = FontStyle::Regular;
};

QFont makeFont(const FontSpec& spec);

}  // namespace platform::layout
