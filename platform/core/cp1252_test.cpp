#include "platform/core/cp1252.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(Cp1252, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string back;
  ASSERT_TRUE(utf8ToCp1252(cp1252ToUtf8(all), back));
  EXPECT_EQ(back, all);
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(unicodeToCp1252(cp1252ToUnicode(static_cast<std::uint8_t>(b))), b) << b;
  }
}

TEST(Cp1252, TypographicBlockAndUndefinedBytes) {
  struct Case {
    std::uint8_t byte;
    char32_t unicode;
  };
  const Case cases[] = {
      {0x80, U'€'}, {0x82, U'‚'}, {0x83, U'ƒ'}, {0x84, U'„'}, {0x85, U'…'}, {0x86, U'†'}, {0x87, U'‡'}, {0x88, U'ˆ'},
      {0x89, U'‰'}, {0x8A, U'Š'}, {0x8B, U'‹'}, {0x8C, U'Œ'}, {0x8E, U'Ž'}, {0x91, U'‘'}, {0x92, U'’'}, {0x93, U'“'},
      {0x94, U'”'}, {0x95, U'•'}, {0x96, U'–'}, {0x97, U'—'}, {0x98, U'˜'}, {0x99, U'™'}, {0x9A, U'š'}, {0x9B, U'›'},
      {0x9C, U'œ'}, {0x9E, U'ž'}, {0x9F, U'Ÿ'}, {0x81, 0x81}, {0x8D, 0x8D}, {0x8F, 0x8F}, {0x90, 0x90}, {0x9D, 0x9D},
      {0xA0, 0xA0}, {0xC1, U'Á'}, {0xF1, U'ñ'}, {0xFF, U'ÿ'}, {0x7F, 0x7F}, {0x00, 0x00},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cp1252ToUnicode(c.byte), c.unicode) << int(c.byte);
    EXPECT_EQ(unicodeToCp1252(c.unicode), c.byte) << int(c.byte);
  }
}

TEST(Cp1252, ConvertsSpanishText) {
  std::string out;
  ASSERT_TRUE(utf8ToCp1252("Peña, Ángel – “Æsir” €5", out));
  EXPECT_EQ(out,
            "Pe\xF1"
            "a, \xC1ngel \x96 \x93\xC6sir\x94 \x80"
            "5");
  EXPECT_EQ(cp1252ToUtf8(out), "Peña, Ángel – “Æsir” €5");
}

TEST(Cp1252, RefusesWithoutSubstitutingAndLeavesOutputUntouched) {
  struct Case {
    std::string utf8;
    char32_t bad;
    std::size_t offset;
  };
  const Case cases[] = {
      {"ab\xC4\x80", 0x100, 2},               // Ā: no byte
      {"x\xC2\x80y", 0x80, 1},                // U+0080: its byte is the euro sign
      {"\xC2\x9F", 0x9F, 0},                  // U+009F: its byte is Ÿ
      {"ok \xF0\x9F\x98\x80", 0x1F600, 3},    // an emoji
      {"\xE2\x82\xAD", 0x20AD, 0},            // a currency sign next to the euro
      {"a\x80", kInvalidUtf8, 1},             // a lone continuation byte
      {"a\xC3", kInvalidUtf8, 1},             // truncated sequence
      {"\xE2\x82", kInvalidUtf8, 0},          // truncated three-byte sequence
      {"\xC0\xA0", kInvalidUtf8, 0},          // overlong blank
      {"\xE0\x80\xA0", kInvalidUtf8, 0},      // overlong blank, three bytes
      {"\xED\xA0\x80", kInvalidUtf8, 0},      // a surrogate
      {"\xF4\x90\x80\x80", kInvalidUtf8, 0},  // beyond U+10FFFF
      {"\xF5\x80\x80\x80", kInvalidUtf8, 0},
      {"\xFF", kInvalidUtf8, 0},
      {"\xC3\x28", kInvalidUtf8, 0},  // lead byte followed by a non-continuation
  };
  for (const Case& c : cases) {
    std::string out = "unchanged";
    char32_t bad = 0;
    std::size_t offset = 99;
    EXPECT_FALSE(utf8ToCp1252(c.utf8, out, &bad, &offset)) << c.utf8;
    EXPECT_EQ(out, "unchanged");
    EXPECT_EQ(bad, c.bad) << c.utf8;
    EXPECT_EQ(offset, c.offset) << c.utf8;
  }
}

TEST(Cp1252, EmptyAndNulTexts) {
  std::string out = "x";
  EXPECT_TRUE(utf8ToCp1252("", out));
  EXPECT_EQ(out, "");
  const std::string withNul("a\0b", 3);
  EXPECT_TRUE(utf8ToCp1252(withNul, out));
  EXPECT_EQ(out, withNul);
  EXPECT_EQ(cp1252ToUtf8(withNul), withNul);
}

}  // namespace
}  // namespace platform
