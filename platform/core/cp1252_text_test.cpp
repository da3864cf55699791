#include "platform/core/cp1252_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <type_traits>

namespace platform {
namespace {

// The two kinds of text never meet without a conversion written out.
static_assert(!std::is_convertible_v<std::string, Cp1252Text>);
static_assert(!std::is_convertible_v<std::string, Cp1252View>);
static_assert(!std::is_convertible_v<std::string_view, Cp1252View>);
static_assert(!std::is_convertible_v<const char*, Cp1252View>);
static_assert(!std::is_convertible_v<Cp1252Text, std::string>);
static_assert(!std::is_convertible_v<Cp1252Text, std::string_view>);
static_assert(!std::is_convertible_v<Cp1252View, std::string_view>);
static_assert(!std::is_constructible_v<Cp1252Text, std::string>);
static_assert(!std::is_constructible_v<std::string, Cp1252View>);
static_assert(std::is_convertible_v<Cp1252Text, Cp1252View> && std::is_convertible_v<Cp1252View, Cp1252Text>);
// A literal is converted while compiling: its size counts characters.
static_assert("Año"_cp1252.size() == 3 && "Año"_cp1252.bytes() == "A\xF1o");

TEST(Cp1252Text, ConvertsBothWaysWithTheTypographicCharacters) {
  const std::string utf8 = "Peña, Ángel – “Æsir” €5 Œ";
  const std::optional<Cp1252Text> text = Cp1252Text::fromUtf8(utf8);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->bytes(),
            "Pe\xF1"
            "a, \xC1ngel \x96 \x93\xC6sir\x94 \x80"
            "5 \x8C");
  EXPECT_EQ(text->size(), 25u) << "one character, one byte";
  EXPECT_EQ(text->toUtf8(), utf8);
  EXPECT_EQ(*text, Cp1252Text("Peña, Ángel – “Æsir” €5 Œ"_cp1252)) << "the literal converts as fromUtf8 does";

  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const Cp1252Text every = Cp1252Text::fromBytes(all);
  std::string appended = "x";
  every.appendUtf8To(appended);
  EXPECT_EQ(appended, "x" + every.toUtf8());
  EXPECT_EQ(Cp1252Text::fromUtf8(every.toUtf8()), every) << "every byte comes back";
}

TEST(Cp1252Text, RefusesWhatTheCodePageCannotHoldAndSaysWhere) {
  struct Case {
    std::string utf8;
    char32_t character;
    std::size_t offset;
  };
  const Case cases[] = {
      {"Dvořák", U'ř', 3},          // a Czech letter
      {"x\xC2\x80", 0x80, 1},       // U+0080: its byte is the euro sign's
      {"ok 😀", 0x1F600, 3},         // beyond the Basic Multilingual Plane
      {"a\xC3", kInvalidUtf8, 1},   // a truncated sequence
      {"A\xF1o", kInvalidUtf8, 1},  // code page 1252 bytes taken for UTF-8
  };
  for (const Case& c : cases) {
    Utf8Refusal refusal;
    EXPECT_EQ(Cp1252Text::fromUtf8(c.utf8, &refusal), std::nullopt) << c.utf8;
    EXPECT_EQ(refusal.character, c.character) << c.utf8;
    EXPECT_EQ(refusal.offset, c.offset) << c.utf8;
  }
  EXPECT_EQ(Cp1252Text::fromUtf8(""), Cp1252Text());
}

TEST(Cp1252Text, ComparesAndOrdersByteForByte) {
  EXPECT_EQ(Cp1252Text("ABC"_cp1252), "ABC"_cp1252);
  EXPECT_NE(Cp1252Text("ABC"_cp1252), "ABC "_cp1252) << "trailing blanks count in ==";
  EXPECT_LT("Z"_cp1252, "a"_cp1252);
  EXPECT_LT("z"_cp1252, "ñ"_cp1252) << "bytes above 7Fh order after ASCII, not before it";
  EXPECT_EQ(Cp1252Text("Año"_cp1252) + " 2024"_cp1252, "Año 2024"_cp1252);
  std::ostringstream out;
  out << "Año"_cp1252;
  EXPECT_EQ(out.str(), "Año") << "printed as UTF-8";
}

TEST(Cp1252Text, TrimsOnlyBlanks) {
  struct Case {
    std::string_view text, right, left, both;
  };
  const Case cases[] = {
      {"", "", "", ""},
      {"   ", "", "", ""},
      {"abc", "abc", "abc", "abc"},
      {"  a b  ", "  a b", "a b  ", "a b"},
      {"\ta\t ", "\ta\t", "\ta\t ", "\ta\t"},                // a tab is kept
      {"\xA0z\xA0", "\xA0z\xA0", "\xA0z\xA0", "\xA0z\xA0"},  // so is the no-break space
  };
  for (const Case& c : cases) {
    EXPECT_EQ(trimRight(c.text), c.right);
    EXPECT_EQ(trimLeft(c.text), c.left);
    EXPECT_EQ(trim(c.text), c.both);
    const Cp1252Text text = Cp1252Text::fromBytes(std::string(c.text));
    EXPECT_EQ(trimRight(text).bytes(), c.right);
    EXPECT_EQ(trimLeft(text).bytes(), c.left);
    EXPECT_EQ(trim(text).bytes(), c.both);
    // A temporary gives a text of its own, not a view of bytes that are gone.
    static_assert(std::is_same_v<decltype(trimRight(Cp1252Text::fromBytes(std::string(c.text)))), Cp1252Text>);
    EXPECT_EQ(trimRight(Cp1252Text::fromBytes(std::string(c.text))).bytes(), c.right);
  }
}

}  // namespace
}  // namespace platform
