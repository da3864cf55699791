#include "platform/ui/dialog_units.h"

#include <QFontMetrics>

namespace platform::ui {
namespace {

// units * base / divisor, rounded half away from zero.
int scale(int units, int base, int divisor) {
  const long long product = static_cast<long long>(units) * base;
  const long long half = divisor / 2;
  return static_cast<int>(product >= 0 ? (product + half) / divisor : -((-product + half) / divisor));
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  baseWidth_ = (letters / 26 + 1) / 2;
  baseHeight_ = metrics.height();
  if (baseWidth_ < 1) baseWidth_ = 1;
  if (baseHeight_ < 1) baseHeight_ = 1;
}

int DialogUnits::toPixelsX(int units) const { return scale(units, baseWidth_, 4); }
int DialogUnits::toPixelsY(int units) const { return scale(units, baseHeight_, 8); }

QRect DialogUnits::toPixels(int x, int y, int width, int height) const {
  return {toPixelsX(x), toPixelsY(y), toPixelsX(width), toPixelsY(height)};
}

}  // namespace platform::ui
