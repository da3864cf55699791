#include "platform/core/record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace platform {
namespace {

// A layout shaped like a grade record: numbers and texts packed with no gaps.
RecordLayout GradeLikeLayout() {
  return RecordLayout({{"ID", FieldType::Long},
                       {"CODE", FieldType::Long},
                       {"PERIOD", FieldType::String, 8},
                       {"GROUP", FieldType::String, 12},
                       {"SCORE", FieldType::Real},
                       {"FLAG", FieldType::Byte},
                       {"CITY", FieldType::CString, 101},
                       {"AVERAGE", FieldType::Real}});
}

TEST(RecordLayout, PacksFieldsWithoutGaps) {
  const RecordLayout layout = GradeLikeLayout();
  const std::uint32_t expected[] = {0, 4, 8, 16, 28, 36, 37, 138};
  ASSERT_EQ(layout.fieldCount(), 8);
  for (int i = 0; i < layout.fieldCount(); ++i) EXPECT_EQ(layout.field(i).offset, expected[i]) << i;
  EXPECT_EQ(layout.length(), 146u);
  EXPECT_EQ(layout.field(6).size, 101u);
}

TEST(RecordLayout, FindsFieldsIgnoringAsciiCase) {
  const RecordLayout layout = GradeLikeLayout();
  EXPECT_EQ(layout.indexOf("period"), 2);
  EXPECT_EQ(layout.indexOf("Average"), 7);
  EXPECT_EQ(layout.indexOf("AVERAGES"), -1);
  EXPECT_EQ(layout.indexOf(""), -1);
}

TEST(RecordLayout, RefusesTextOfWidthZero) {
  EXPECT_THROW(RecordLayout({{"T", FieldType::String, 0}}), std::invalid_argument);
  EXPECT_THROW(RecordLayout({{"T", FieldType::CString, 0}}), std::invalid_argument);
}

TEST(RecordBuffer, StartsClearedAndClearsAgain) {
  const RecordLayout layout = GradeLikeLayout();
  RecordBuffer r(layout);
  ASSERT_EQ(r.size(), 146u);
  for (int i = 0; i < layout.fieldCount(); ++i) EXPECT_TRUE(r.isNull(i)) << i;
  EXPECT_EQ(r.getText(2), "        "_cp1252);
  EXPECT_EQ(r.getText(6), ""_cp1252);
  r.setLong(0, 7);
  r.setText(2, "2024A"_cp1252);
  r.setText(6, "Monterrey"_cp1252);
  r.setReal(4, 1.5);
  r.setByte(5, 3);
  for (int i : {0, 2, 4, 5, 6}) EXPECT_FALSE(r.isNull(i)) << i;
  r.clear();
  for (int i = 0; i < layout.fieldCount(); ++i) EXPECT_TRUE(r.isNull(i)) << i;
  // Cleared CSTRING bytes are all NUL, STRING bytes all blanks.
  for (std::uint32_t k = 0; k < 101; ++k) EXPECT_EQ(r.data()[37 + k], 0) << k;
  for (std::uint32_t k = 0; k < 8; ++k) EXPECT_EQ(r.data()[8 + k], ' ') << k;
}

TEST(RecordBuffer, NumbersAreLittleEndianAndUnaligned) {
  const RecordLayout layout({{"B", FieldType::Byte}, {"L", FieldType::Long}, {"R", FieldType::Real}});
  RecordBuffer r(layout);
  r.setLong(1, -2);
  r.setReal(2, 1.0);
  const std::uint8_t longBytes[4] = {0xFE, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(std::memcmp(r.data() + 1, longBytes, 4), 0);
  const std::uint8_t realBytes[8] = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
  EXPECT_EQ(std::memcmp(r.data() + 5, realBytes, 8), 0);
  EXPECT_EQ(r.getLong(1), -2);
  EXPECT_EQ(r.getReal(2), 1.0);
  r.setLong(1, INT32_MIN);
  EXPECT_EQ(r.getLong(1), INT32_MIN);
  r.setReal(2, -0.1);
  EXPECT_EQ(r.getReal(2), -0.1);
}

TEST(RecordBuffer, TextsAreCutToTheirFields) {
  const RecordLayout layout({{"S", FieldType::String, 5}, {"C", FieldType::CString, 5}, {"END", FieldType::Byte}});
  RecordBuffer r(layout);
  struct Case {
    Cp1252View in;
    Cp1252View string;
    Cp1252View cstring;
  };
  const Case cases[] = {
      {""_cp1252, "     "_cp1252, ""_cp1252},
      {"ab"_cp1252, "ab   "_cp1252, "ab"_cp1252},
      {"abcd"_cp1252, "abcd "_cp1252, "abcd"_cp1252},
      {"abcde"_cp1252, "abcde"_cp1252, "abcd"_cp1252},
      {"abcdefgh"_cp1252, "abcde"_cp1252, "abcd"_cp1252},
      {"a  "_cp1252, "a    "_cp1252, "a  "_cp1252},
  };
  for (const Case& c : cases) {
    r.setByte(2, 0xAA);
    r.setText(0, c.in);
    r.setText(1, c.in);
    EXPECT_EQ(r.getText(0), c.string) << c.in;
    EXPECT_EQ(r.getText(1), c.cstring) << c.in;
    // The CSTRING's unused bytes are NUL and nothing spills into the next field.
    const std::size_t n = c.cstring.size();
    for (std::size_t k = n; k < 5; ++k) EXPECT_EQ(r.data()[5 + k], 0) << c.in << " " << k;
    EXPECT_EQ(r.getByte(2), 0xAA) << c.in;
  }
}

TEST(RecordBuffer, CStringOfWidth101HoldsAHundredCharacters) {
  const RecordLayout layout({{"C", FieldType::CString, 101}});
  RecordBuffer r(layout);
  const Cp1252Text hundred = Cp1252Text::fromBytes(std::string(100, 'x'));
  r.setText(0, hundred);
  EXPECT_EQ(r.getText(0), hundred);
  r.setText(0, hundred + "y"_cp1252);
  EXPECT_EQ(r.getText(0), hundred);
}

TEST(RecordBuffer, CStringStopsAtEmbeddedNulAndNeverReadsPastItsField) {
  const RecordLayout layout({{"C", FieldType::CString, 4}, {"S", FieldType::String, 2}});
  RecordBuffer r(layout);
  r.setText(0, Cp1252View::ofBytes(std::string_view("a\0bc", 4)));
  EXPECT_EQ(r.getText(0), "a"_cp1252);
  // A damaged row whose CSTRING has no NUL reads as the field's bytes only.
  const char raw[6] = {'w', 'x', 'y', 'z', 'Q', 'Q'};
  r.assignBytes(raw, sizeof raw);
  EXPECT_EQ(r.getText(0), "wxyz"_cp1252);
  EXPECT_EQ(r.getText(1), "QQ"_cp1252);
  EXPECT_EQ(r.textView(0), "wxyz"_cp1252) << "the view reads the same bytes";
}

TEST(RecordBuffer, AssignsWholeRecords) {
  const RecordLayout layout = GradeLikeLayout();
  RecordBuffer a(layout), b(layout);
  a.setLong(0, 42);
  a.setText(3, "3B"_cp1252);
  b.assign(a);
  EXPECT_TRUE(a == b);
  const RecordLayout other({{"X", FieldType::Long}});
  RecordBuffer c(other);
  EXPECT_THROW(c.assign(a), std::invalid_argument);
}

TEST(RecordBuffer, AssignBytesOfAnotherLengthKeepsAWholeRecord) {
  const RecordLayout layout({{"L", FieldType::Long}, {"S", FieldType::String, 3}});
  RecordBuffer r(layout);
  r.setText(1, "abc"_cp1252);
  const std::uint8_t shortRow[2] = {5, 0};
  r.assignBytes(shortRow, sizeof shortRow);
  EXPECT_EQ(r.getLong(0), 5);
  EXPECT_EQ(r.getText(1), "   "_cp1252);
  const std::uint8_t longRow[9] = {1, 0, 0, 0, 'x', 'y', 'z', '!', '!'};
  r.assignBytes(longRow, sizeof longRow);
  EXPECT_EQ(r.getLong(0), 1);
  EXPECT_EQ(r.getText(1), "xyz"_cp1252);
}

TEST(RecordBuffer, WrongAccessorIsAProgrammingError) {
  const RecordLayout layout = GradeLikeLayout();
  RecordBuffer r(layout);
  EXPECT_THROW(r.getLong(2), std::logic_error);
  EXPECT_THROW(r.setReal(0, 1.0), std::logic_error);
  EXPECT_THROW(r.getText(0), std::logic_error);
  EXPECT_THROW(r.setText(4, "x"_cp1252), std::logic_error);
  EXPECT_THROW(r.getByte(0), std::logic_error);
  EXPECT_THROW(r.getLong(99), std::out_of_range);
  EXPECT_THROW(r.getLong(-1), std::out_of_range);
}

TEST(RecordBuffer, NegativeZeroRealIsNull) {
  const RecordLayout layout({{"R", FieldType::Real}});
  RecordBuffer r(layout);
  r.setReal(0, -0.0);
  EXPECT_TRUE(r.isNull(0));
  r.setReal(0, 1e-300);
  EXPECT_FALSE(r.isNull(0));
}

}  // namespace
}  // namespace platform
