// How the platform compares 8-byte floating-point values (REAL): two values are equal when they
// differ by less than 2^-50 of the larger magnitude, or of 1 when both are below 1. So a value
// equals 0 when its magnitude is below 2^-50 (about 8.9e-16), while whole numbers in the 32-bit
// range always compare exactly. Ordering follows: a < b when a is below b and not equal to it.
#pragma once

#include <algorithm>
#include <cmath>

namespace platform {

inline constexpr double kRealTolerance = 0x1p-50;

inline bool realEquals(double a, double b) {
  if (a == b) return true;
  if (std::isnan(a) || std::isnan(b)) return false;
  const double scale = std::max({1.0, std::fabs(a), std::fabs(b)});
  return std::fabs(a - b) < kRealTolerance * scale;
}

inline bool realIsZero(double value) { return std::fabs(value) < kRealTolerance; }

// -1, 0 or 1: the order of two values under realEquals (NaN sorts after every number).
inline int realCompare(double a, double b) {
  if (realEquals(a, b)) return 0;
  if (std::isnan(a)) return std::isnan(b) ? 0 : 1;
  if (std::isnan(b)) return -1;
  return a < b ? -1 : 1;
}

}  // namespace platform
