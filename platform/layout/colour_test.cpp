#include "platform/layout/colour.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>

namespace platform::layout {
namespace {

TEST(ColourTest, ValuesAreBlueGreenRed) {
  EXPECT_EQ(toQColor(0x0000FF), QColor(255, 0, 0));
  EXPECT_EQ(toQColor(0x800000), QColor(0, 0, 128));  // navy
  EXPECT_EQ(toQColor(0x00FF00), QColor(0, 255, 0));
  EXPECT_FALSE(toQColor(kDefaultColour).isValid());
  EXPECT_EQ(fromQColor(QColor(0, 0, 128)), 0x800000);
  EXPECT_EQ(fromQColor(toQColor(0x123456)), 0x123456);
}

TEST(ColourTest, SystemColoursComeFromThePalette) {
  EXPECT_EQ(toQColor(static_cast<std::int32_t>(0x8000000Fu)), QGuiApplication::palette().color(QPalette::Button));
  EXPECT_EQ(toQColor(static_cast<std::int32_t>(0x80000005u)), QGuiApplication::palette().color(QPalette::Base));
  EXPECT_FALSE(toQColor(static_cast<std::int32_t>(0x800000EEu)).isValid());
}

TEST(ColourTest, ParsesWhatDefinitionsWrite) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
  };
  const Case cases[] = {
      {"-1", -1},
      {"000080h", 0x000080},
      {"00800000H", 0x800000},
      {"FFFFFFh", 0xFFFFFF},
      {"8000000Fh", static_cast<std::int32_t>(0x8000000Fu)},
      {"COLOR:BTNFACE", static_cast<std::int32_t>(0x8000000Fu)},
      {"color:window", static_cast<std::int32_t>(0x80000005u)},
      {"01000000h", std::nullopt},  // bits above blue without the system bit
      {"FFh0", std::nullopt},
      {"h", std::nullopt},
      {"12G4h", std::nullopt},
      {"1234567890h", std::nullopt},
      {"navy", std::nullopt},
      {"", std::nullopt},
      {"-2", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(parseColour(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace platform::layout
