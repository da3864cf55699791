// Dialog units: window definitions place controls in units of the window's font, so that a window
// keeps its proportions whatever the font. A horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its character height, as a desktop computes them
// (the average width is that of the 52 letters A-Z and a-z, rounded).
//
// Fonts are named as definitions name them: "MS Sans Serif" is the desktop's sans-serif font at the
// same size, "Arial" is Liberation Sans (metric-compatible); any other name is asked of the font
// database as it is.
#pragma once

#include <QFont>
#include <QRect>
#include <string>

namespace platform::ui {

enum class FontStyle { Regular, Bold, Italic, BoldItalic };

struct FontSpec {
  std::string name = "MS Sans Serif";
  int size = 8;  // points
  FontStyle style = FontStyle::Regular;
};

QFont makeFont(const FontSpec& spec);

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int baseWidth() const { return baseWidth_; }    // average character width in pixels
  int baseHeight() const { return baseHeight_; }  // character height in pixels

  int toPixelsX(int units) const;
  int toPixelsY(int units) const;
  QRect toPixels(int x, int y, int width, int height) const;

 private:
  int baseWidth_;
  int baseHeight_;
};

}  // namespace platform::ui
