// The number a typed text begins with, read the way a numeric entry reads it.
//
// Scanning: leading blanks are skipped; then an optional minus sign; digits; optionally a decimal
// point or a comma followed by more digits; optionally an exponent, "e" or "E" with an optional
// sign and at least one digit. The number ends at the first character that cannot continue it and
// the rest of the text is ignored ("12abc" is 12, "1e" is 1, "1,5e1x" is 15). There must be a
// digit before or after the decimal mark; a text with no number ("", "-", "--5", "abc", ".")
// reads as 0. A plus sign is not a sign: "+5" reads as 0.
//
// Thread safe (no state); never undefined behaviour, whatever the text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The whole-number part of the number (the fraction is dropped, toward zero), computed exactly
// from the digits: "2.9" is 2, "-2.9" is -2, "1.5e1" is 15, "123e-2" is 1. A value outside the
// 32-bit range is clamped to INT32_MIN or INT32_MAX ("9999999999" and "1e999" give INT32_MAX,
// "-1e999" INT32_MIN).
std::int32_t leadingWholeNumber(std::string_view text);

// The number as an 8-byte floating-point value, correctly rounded from its digits; a magnitude
// too large becomes +-HUGE_VAL (infinity), one too small +-0.0.
double leadingReal(std::string_view text);

// The shortest decimal text that reads back as exactly the same value ("0.1", "24", "1e+20").
std::string shortestDecimal(double value);

}  // namespace platform
