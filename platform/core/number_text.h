// Numbers as text: the number a typed text begins with, read the way a numeric entry reads it; and
// the one shortest text of a value with its exact reader, which every number the program shows,
// stores as text or exports goes through. None of them follows the C library's locale (a desktop
// in Spanish makes snprintf and strtod write and read "87,5"): they are built on std::to_chars
// and std::from_chars.
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
#include <optional>
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

// The shortest text that reads back as exactly the same value, with "." as the decimal mark: no
// exponent from 0.0001 up to below 10^15 ("87.5", "100", "0.0001", "123456789012345"), an exponent
// outside ("1e+15", "1e-05", "2.5e-07"); "0" for both zeros, "NaN", "Inf" and "-Inf".
std::string shortestDecimal(double value);

// The value of a text that is wholly one number in the form shortestDecimal writes (any number of
// digits, an optional fraction after ".", an optional exponent, "Inf" and "NaN" in any case):
// no blanks, no plus sign, no comma. Nothing for any other text, and for a magnitude beyond the
// range of a double ("1e999", "1e-999").
std::optional<double> readDecimal(std::string_view text);

}  // namespace platform
