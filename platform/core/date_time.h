// Dates as serial day numbers and times of day as clock values.
//
// A date serial is a 32-bit signed day number: 28 December 1800 is day 0 (a Sunday), 1 January
// 1801 day 4, and so on by the Gregorian calendar, extended backwards and forwards over the whole
// 32-bit range (no year 0 gap: year 0 is 1 BC). Serial 0 also serves as "no date".
//
// A clock value is 1 + the hundredths of a second since midnight: 1 is midnight, 8640000 is
// 23:59:59.99; 0 means "no time".
//
// Thread safe: today() and clockTime() read the system clock and the local time zone.
#pragma once

#include <chrono>
#include <cstdint>

namespace platform {

struct CivilDate {
  int year;
  int month;  // 1 to 12
  int day;    // 1 to 31
  bool operator==(const CivilDate&) const = default;
};

struct ClockParts {
  int hour;         // 0 to 23
  int minute;       // 0 to 59
  int second;       // 0 to 59
  int centisecond;  // 0 to 99
  bool operator==(const ClockParts&) const = default;
};

inline constexpr std::int32_t kCentisecondsPerDay = 8640000;

// The serial of a date. Out-of-range months and days carry over the way date arithmetic expects:
// month 13 is January of the next year, month 0 December of the year before, day 0 the last day
// of the month before, day 32 of January 1 February. A result beyond the 32-bit range is clamped.
std::int32_t dateSerial(int year, int month, int day);
CivilDate civilDate(std::int32_t serial);
// 0 Sunday, 1 Monday ... 6 Saturday.
int weekday(std::int32_t serial);
bool isLeapYear(int year);
int daysInMonth(int year, int month);

// 1 + hundredths of a second since midnight. Values beyond a field's range carry (61 minutes is
// 1 h 1 min); the result is clamped to the 32-bit range.
std::int32_t clockValue(int hour, int minute, int second, int centisecond = 0);
// The parts of a clock value; a value outside 1..8640000 is first brought into one day
// (((value - 1) mod 8640000) + 1), and 0 gives midnight.
ClockParts clockParts(std::int32_t value);

// Today's date and the time of day now, by the local clock and time zone (or the thread's
// FixedClock).
std::int32_t today();
std::int32_t clockTime();

// The local date serial and clock value of a moment (the seam through which tests fix the clock).
struct LocalMoment {
  std::int32_t date;
  std::int32_t time;
};
LocalMoment localMoment(std::chrono::system_clock::time_point moment);
// The date and time now, read together (so they never straddle midnight).
LocalMoment localNow();

// While it lives, today(), clockTime() and localNow() on this thread give this moment: tests fix
// the clock with it. They nest; each restores what it replaced.
class FixedClock {
 public:
  explicit FixedClock(LocalMoment moment);
  ~FixedClock();
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;

 private:
  const LocalMoment* previous_;
  LocalMoment moment_;
};

}  // namespace platform
