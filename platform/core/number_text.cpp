#include "platform/core/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace platform {

namespace {

// The number scanned from a text: value = (negative ? -1 : 1) x 0.<digits> x 10^point, where
// digits are the significant digits (no leading or trailing zeros; empty for zero).
struct Scanned {
  bool negative = false;
  std::string digits;
  std::int64_t point = 0;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Returns false when the text holds no number.
bool scan(std::string_view s, Scanned& out) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  if (i < s.size() && s[i] == '-') {
    out.negative = true;
    ++i;
  }
  std::string all;  // integer and fraction digits as written
  std::size_t intDigits = 0;
  while (i < s.size() && isDigit(s[i])) all.push_back(s[i++]);
  intDigits = all.size();
  if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
    std::size_t j = i + 1;
    while (j < s.size() && isDigit(s[j])) all.push_back(s[j++]);
    if (all.empty()) return false;  // "." or "-," alone: no number
    i = j;
  }
  if (all.empty()) return false;
  std::int64_t exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    bool expNegative = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
      expNegative = s[j] == '-';
      ++j;
    }
    if (j < s.size() && isDigit(s[j])) {
      // Saturate: any exponent beyond a million already over- or underflows everything.
      while (j < s.size() && isDigit(s[j])) {
        if (exponent < 1000000) exponent = exponent * 10 + (s[j] - '0');
        ++j;
      }
      if (expNegative) exponent = -exponent;
    }
  }
  std::size_t lead = 0;
  while (lead < all.size() && all[lead] == '0') ++lead;
  std::size_t end = all.size();
  while (end > lead && all[end - 1] == '0') --end;
  out.digits = all.substr(lead, end - lead);
  out.point = static_cast<std::int64_t>(intDigits) - static_cast<std::int64_t>(lead) + exponent;
  return true;
}

}  // namespace

std::int32_t leadingWholeNumber(std::string_view text) {
  Scanned n;
  if (!scan(text, n) || n.digits.empty() || n.point <= 0) return 0;
  const std::int32_t limit =
      n.negative ? std::numeric_limits<std::int32_t>::min() : std::numeric_limits<std::int32_t>::max();
  if (n.point > 10) return limit;
  std::int64_t whole = 0;
  for (std::int64_t k = 0; k < n.point; ++k) {
    const std::size_t idx = static_cast<std::size_t>(k);
    whole = whole * 10 + (idx < n.digits.size() ? n.digits[idx] - '0' : 0);
  }
  if (n.negative) whole = -whole;
  if (whole > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (whole < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(whole);
}

double leadingReal(std::string_view text) {
  Scanned n;
  if (!scan(text, n) || n.digits.empty()) return 0.0;
  const double sign = n.negative ? -1.0 : 1.0;
  // 0.d1d2... x 10^point lies in [10^(point-1), 10^point).
  if (n.point > 310) return sign * HUGE_VAL;
  if (n.point < -330) return sign * 0.0;
  // Canonical text: d1.d2d3...e(point-1), which from_chars rounds correctly.
  std::string canonical;
  canonical.push_back(n.digits[0]);
  if (n.digits.size() > 1) {
    canonical.push_back('.');
    canonical.append(n.digits, 1, std::string::npos);
  }
  canonical.push_back('e');
  canonical += std::to_string(n.point - 1);
  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(canonical.data(), canonical.data() + canonical.size(), value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) return n.point > 0 ? sign * HUGE_VAL : sign * 0.0;
  if (ec != std::errc()) return 0.0;
  return sign * value;
}

std::string shortestDecimal(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
  if (value == 0) return "0";
  const double magnitude = std::fabs(value);
  // The fixed form reads better where it stays short: whole numbers up to 15 digits, and
  // fractions down to 0.0001.
  const std::chars_format form =
      magnitude >= 1e-4 && magnitude < 1e15 ? std::chars_format::fixed : std::chars_format::general;
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, form);
  return ec == std::errc() ? std::string(buffer, end) : std::string();
}

std::optional<double> readDecimal(std::string_view text) {
  double value = 0;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(text.data(), last, value, std::chars_format::general);
  if (text.empty() || ec != std::errc() || end != last) return std::nullopt;
  return value;
}

}  // namespace platform
