#include "platform/ui/dialog_units.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>

#include "platform/layout/font.h"

namespace platform::ui {
namespace {

TEST(DialogUnitsTest, ComeFromTheFontsAverageWidthAndHeight) {
  const QFont font = layout::makeFont({"MS Sans Serif", 8, layout::FontStyle::Regular});
  const QFontMetrics metrics(font);
  const DialogUnits units(font);
  const int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  EXPECT_NEAR(units.baseWidth(), letters / 52.0, 0.51);
  EXPECT_EQ(units.baseHeight(), metrics.height());
  // Four horizontal units are one average character, eight vertical units one line.
  EXPECT_EQ(units.toPixelsX(4), units.baseWidth());
  EXPECT_EQ(units.toPixelsY(8), units.baseHeight());
  EXPECT_EQ(units.toPixelsX(400), 100 * units.baseWidth());
  EXPECT_EQ(units.toPixelsX(0), 0);
  EXPECT_EQ(units.toPixels(4, 8, 40, 16),
            QRect(units.baseWidth(), units.baseHeight(), 10 * units.baseWidth(), 2 * units.baseHeight()));
}

TEST(DialogUnitsTest, RoundHalfAwayFromZero) {
  const QFont font = layout::makeFont({"Arial", 10, layout::FontStyle::Regular});
  const DialogUnits units(font);
  for (int du : {1, 2, 3, 5, 7, 13, -3}) {
    const double exact = du * units.baseWidth() / 4.0;
    EXPECT_EQ(units.toPixelsX(du), static_cast<int>(exact < 0 ? exact - 0.5 : exact + 0.5)) << du;
  }
}

TEST(DialogUnitsTest, FontNamesMapToThisDesktopsFonts) {
  const QFont arial = layout::makeFont({"Arial", 10, layout::FontStyle::Bold});
  EXPECT_EQ(QFontInfo(arial).family(), "Liberation Sans");
  EXPECT_TRUE(QFontInfo(arial).bold());
  EXPECT_EQ(arial.pointSize(), 10);

  const QFont sans = layout::makeFont({"MS Sans Serif", 8, layout::FontStyle::Italic});
  EXPECT_EQ(sans.pointSize(), 8);
  EXPECT_TRUE(QFontInfo(sans).italic());
  EXPECT_FALSE(QFontInfo(sans).family().isEmpty());
  EXPECT_EQ(QFontInfo(sans).family(),
            QFontInfo(layout::makeFont({"MS Sans Serif", 8, layout::FontStyle::Regular})).family());
}

}  // namespace
}  // namespace platform::ui
