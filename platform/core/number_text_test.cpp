#include "platform/core/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <string>

#include "platform/core/picture.h"
#include "tests/support/decimal_comma_locale.h"

namespace platform {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(LeadingWholeNumber, ReadsTheNumberATextBeginsWith) {
  struct Case {
    const char* text;
    std::int32_t value;
  };
  const Case cases[] = {
      {"", 0},
      {"1234", 1234},
      {"   42", 42},
      {"1234                ", 1234},
      {"-17", -17},
      {"12abc", 12},
      {"12 34", 12},
      {"2.9", 2},
      {"-2.9", -2},
      {"3,7", 3},
      {"5.", 5},
      {".9e1", 9},
      {",5", 0},
      {"1e3", 1000},
      {"1.5E1", 15},
      {"1,5e1x", 15},
      {"1e", 1},
      {"1e+", 1},
      {"1e+2", 100},
      {"123e-2", 1},
      {"-123e-2", -1},
      {"0.000001e6", 1},
      {"  -0012.50xyz", -12},
      {"0000000000000000000001", 1},
      {"+5", 0},
      {"-", 0},
      {"--5", 0},
      {"- 5", 0},
      {".", 0},
      {"-.", 0},
      {"e5", 0},
      {"abc", 0},
      {"NaN", 0},
      {"inf", 0},
      {"\t5", 0},
      {"2147483647", kMax},
      {"2147483648", kMax},
      {"-2147483648", kMin},
      {"-2147483649", kMin},
      {"9999999999", kMax},
      {"9999999999999999999999", kMax},
      {"-9999999999999999999999", kMin},
      {"1e999", kMax},
      {"-1e999", kMin},
      {"1e99999999999999999999999", kMax},
      {"1e-999", 0},
      {"1e-99999999999999999999999", 0},
      {"2147483647.999", kMax},
      {"0.9999999999999999999999", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(leadingWholeNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(LeadingWholeNumber, StopsAtATextEndThatIsNotNulTerminated) {
  const std::string text = "123456";
  EXPECT_EQ(leadingWholeNumber(std::string_view(text).substr(0, 3)), 123);
  EXPECT_EQ(leadingWholeNumber(std::string_view("1e5", 2)), 1);
}

TEST(LeadingReal, ReadsTheSameNumbersAsFloatingPoint) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"1.5", 1.5},     {"3,25", 3.25},   {"  -0.1abc", -0.1}, {"0.1", 0.1},
      {"1e3", 1000.0},  {"123e-2", 1.23}, {"-", 0.0},          {"abc", 0.0},
      {"", 0.0},        {"5.", 5.0},      {"1e-999", 0.0},     {"12345678901234567890", 12345678901234567890.0},
      {"000.000", 0.0}, {"2.5e-1", 0.25},
  };
  for (const Case& c : cases) EXPECT_EQ(leadingReal(c.text), c.value) << '"' << c.text << '"';
  EXPECT_EQ(leadingReal("1e999"), HUGE_VAL);
  EXPECT_EQ(leadingReal("-1e999"), -HUGE_VAL);
  EXPECT_EQ(leadingReal("1e308"), 1e308);
  EXPECT_EQ(leadingReal("1e309"), HUGE_VAL);
  EXPECT_EQ(leadingReal(std::string(400, '9')), HUGE_VAL);
  EXPECT_EQ(leadingReal("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(ShortestDecimal, WritesTheFewestDigitsThatReadBackWithADot) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {87.5, "87.5"},
      {100, "100"},
      {100000, "100000"},
      {-2.5, "-2.5"},
      {0.1, "0.1"},
      {1.0 / 3, "0.3333333333333333"},
      {30.449999999999996, "30.449999999999996"},
      {0.0001, "0.0001"},
      {0.00012, "0.00012"},
      {1e14, "100000000000000"},
      {123456789012345.0, "123456789012345"},
      {999999999999999.9, "999999999999999.9"},
      {1e15, "1e+15"},
      {1e22, "1e+22"},
      {0.00001, "1e-05"},
      {-2.5e-7, "-2.5e-07"},
      {5e-324, "5e-324"},
      {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
      {0.0, "0"},
      {-0.0, "0"},
      {std::nan(""), "NaN"},
      {HUGE_VAL, "Inf"},
      {-HUGE_VAL, "-Inf"},
  };
  for (const Case& c : cases) EXPECT_EQ(shortestDecimal(c.value), c.text) << c.text;
}

TEST(ReadDecimal, ReadsOnlyATextThatIsWhollyOneNumber) {
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  const Case cases[] = {
      {"87.5", 87.5},       {"-12", -12.0},         {"1.50", 1.5},           {"1e3", 1000.0},
      {"1E-2", 0.01},       {"1e+22", 1e22},        {"5e-324", 5e-324},      {"Inf", HUGE_VAL},
      {"-Inf", -HUGE_VAL},  {"", std::nullopt},     {" 1", std::nullopt},    {"1 ", std::nullopt},
      {"+1", std::nullopt}, {"87,5", std::nullopt}, {"1.5x", std::nullopt},  {"0x10", std::nullopt},
      {"-", std::nullopt},  {".", std::nullopt},    {"1e999", std::nullopt}, {"1e-999", std::nullopt},
      {"e5", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(readDecimal(c.text), c.value) << '"' << c.text << '"';
  const std::optional<double> nan = readDecimal("NaN");
  ASSERT_TRUE(nan.has_value());
  EXPECT_TRUE(std::isnan(*nan));
}

// Every value comes back bit for bit (zero without its sign).
void expectRoundTrips(double value) {
  const std::string text = shortestDecimal(value);
  const std::optional<double> back = readDecimal(text);
  ASSERT_TRUE(back.has_value()) << text;
  const double expected = value == 0 ? 0.0 : value;
  EXPECT_EQ(std::memcmp(&*back, &expected, sizeof expected), 0) << text;
}

TEST(ShortestDecimal, EveryValueReadsBackExactly) {
  std::mt19937_64 bits(20240611);
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t pattern = bits();
    double value = 0;
    std::memcpy(&value, &pattern, sizeof value);
    if (!std::isfinite(value)) continue;
    expectRoundTrips(value);
  }
  std::mt19937 scores(7);
  std::uniform_int_distribution<int> hundredths(0, 10000);
  for (int i = 0; i < 2000; ++i) expectRoundTrips(hundredths(scores) / 100.0);
  for (double v : {HUGE_VAL, -HUGE_VAL, 0.0, -0.0, 5e-324, std::numeric_limits<double>::max()}) expectRoundTrips(v);
}

// A Spanish desktop sets the C library's decimal mark to the comma; the program's numbers keep
// their dot and read back the same.
class UnderADecimalCommaLocale : public ::testing::Test {
 protected:
  tests::DecimalCommaLocale comma;
};

TEST_F(UnderADecimalCommaLocale, NumbersAreWrittenAndReadAsUnderAnyOther) {
  char cLibrary[16];
  std::snprintf(cLibrary, sizeof cLibrary, "%g", 87.5);
  ASSERT_STREQ(cLibrary, "87,5") << "the locale is in force";
  EXPECT_EQ(shortestDecimal(87.5), "87.5");
  EXPECT_EQ(shortestDecimal(-0.25), "-0.25");
  EXPECT_EQ(shortestDecimal(2.5e-7), "2.5e-07");
  EXPECT_EQ(readDecimal("87.5"), 87.5);
  EXPECT_EQ(readDecimal("87,5"), std::nullopt);
  EXPECT_EQ(leadingReal("87.5"), 87.5);
  EXPECT_EQ(leadingReal("87,5"), 87.5) << "a typed comma is a decimal mark too";
  EXPECT_EQ(formatPicture("@n6.2", 87.5), " 87.50");
  EXPECT_EQ(formatPicture("@s6", 87.5), "87.5  ");
  for (double v : {87.5, 0.1, 1.0 / 3, 1e-300, 123456.789}) expectRoundTrips(v);
}

}  // namespace
}  // namespace platform
