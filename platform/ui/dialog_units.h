// Dialog units: window definitions place controls in units of the window's font, so that a window
// keeps its proportions whatever the font. A horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its character height, as a desktop computes them
// (the average width is that of the 52 letters A-Z and a-z, rounded). The fonts themselves are
// platform/layout/font.h.
#pragma once

#include <QFont>
#include <QRect>

namespace platform::ui {

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
