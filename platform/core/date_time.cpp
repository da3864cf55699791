#include "platform/core/date_time.h"

#include <ctime>
#include <limits>

namespace platform {

namespace {

// Days from 1 January 1970 to a proleptic Gregorian date (month 1..12, day any).
constexpr std::int64_t daysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;                                   // [0, 399]
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;  // [0, 365] for a valid d
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;           // [0, 146096]
  return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = yoe + era * 400;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y += m <= 2;
}

// 28 December 1800, day 0 of the serials.
constexpr std::int64_t kEpoch = daysFromCivil(1800, 12, 28);

std::int32_t clamp32(std::int64_t v) {
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

std::int32_t dateSerial(int year, int month, int day) {
  // Carry the month into the year, then count the day from the first of that month.
  const std::int64_t m0 = static_cast<std::int64_t>(month) - 1;
  const std::int64_t y = static_cast<std::int64_t>(year) + floorDiv(m0, 12);
  const std::int64_t m = m0 - floorDiv(m0, 12) * 12 + 1;
  // Years this far out are beyond any 32-bit serial; keep the arithmetic in range.
  if (y > 10000000) return std::numeric_limits<std::int32_t>::max();
  if (y < -10000000) return std::numeric_limits<std::int32_t>::min();
  return clamp32(daysFromCivil(y, m, 1) - kEpoch + static_cast<std::int64_t>(day) - 1);
}

CivilDate civilDate(std::int32_t serial) {
  std::int64_t y;
  int m, d;
  civilFromDays(static_cast<std::int64_t>(serial) + kEpoch, y, m, d);
  return CivilDate{static_cast<int>(y), m, d};
}

int weekday(std::int32_t serial) { return static_cast<int>(((static_cast<std::int64_t>(serial) % 7) + 7) % 7); }

std::int32_t clockValue(int hour, int minute, int second, int centisecond) {
  const std::int64_t cs = ((static_cast<std::int64_t>(hour) * 60 + minute) * 60 + second) * 100 + centisecond;
  return clamp32(cs + 1);
}

ClockParts clockParts(std::int32_t value) {
  std::int64_t cs = 0;
  if (value != 0) {
    cs = (static_cast<std::int64_t>(value) - 1) % kCentisecondsPerDay;
    if (cs < 0) cs += kCentisecondsPerDay;
  }
  ClockParts p;
  p.centisecond = static_cast<int>(cs % 100);
  p.second = static_cast<int>(cs / 100 % 60);
  p.minute = static_cast<int>(cs / 6000 % 60);
  p.hour = static_cast<int>(cs / 360000);
  return p;
}

LocalMoment localMoment(std::chrono::system_clock::time_point moment) {
  using namespace std::chrono;
  const auto whole = floor<seconds>(moment);
  const std::time_t t = system_clock::to_time_t(time_point_cast<system_clock::duration>(whole));
  const auto hundredths = duration_cast<milliseconds>(moment - whole).count() / 10;  // 0..99
  std::tm tm{};
  localtime_r(&t, &tm);
  LocalMoment m;
  m.date = dateSerial(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  // A leap second (tm_sec 60) is shown as the last second of its minute.
  m.time = clockValue(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec, static_cast<int>(hundredths));
  return m;
}

namespace {
// The moment of this thread's innermost FixedClock, null for the real clock.
thread_local const LocalMoment* fixedMoment = nullptr;
}  // namespace

LocalMoment localNow() { return fixedMoment != nullptr ? *fixedMoment : localMoment(std::chrono::system_clock::now()); }

std::int32_t today() { return localNow().date; }

std::int32_t clockTime() { return localNow().time; }

FixedClock::FixedClock(LocalMoment moment) : previous_(fixedMoment), moment_(moment) { fixedMoment = &moment_; }

FixedClock::~FixedClock() { fixedMoment = previous_; }

}  // namespace platform
