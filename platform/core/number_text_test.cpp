#include "platform/core/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

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
      {"1.5", 1.5},     {"3,25", 3.25},   {"  -0.1abc", -0.1}, {"0.1", 0.1},  {"1e3", 1000.0},
      {"123e-2", 1.23}, {"-", 0.0},       {"abc", 0.0},        {"", 0.0},    {"5.", 5.0},
      {"1e-999", 0.0},  {"12345678901234567890", 12345678901234567890.0},
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

}  // namespace
}  // namespace platform
