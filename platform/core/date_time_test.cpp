#include "platform/core/date_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

namespace platform {
namespace {

TEST(DateSerial, KnownDates) {
  struct Case {
    int year, month, day;
    std::int32_t serial;
    int weekday;
  };
  const Case cases[] = {
      {1800, 12, 28, 0, 0},                                 // day 0, a Sunday
      {1801, 1, 1, 4, 4},                                   // Thursday
      {1900, 3, 1, 36222, 4},                               // 1900 has no 29 February
      {2000, 1, 1, 72687, 6},                               // Saturday
      {2000, 2, 29, 72746, 2},                              // 2000 is a leap year
      {2024, 3, 5, 81517, 2},     {2026, 12, 8, 82525, 2},  // Tuesday
      {9999, 12, 31, 2994626, 5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dateSerial(c.year, c.month, c.day), c.serial) << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(weekday(c.serial), c.weekday) << c.serial;
    EXPECT_EQ(civilDate(c.serial), (CivilDate{c.year, c.month, c.day})) << c.serial;
  }
}

TEST(DateSerial, LeapYears) {
  EXPECT_TRUE(isLeapYear(2000));
  EXPECT_TRUE(isLeapYear(2024));
  EXPECT_FALSE(isLeapYear(1900));
  EXPECT_FALSE(isLeapYear(2100));
  EXPECT_EQ(daysInMonth(2100, 2), 28);
  EXPECT_EQ(daysInMonth(2000, 2), 29);
  EXPECT_EQ(dateSerial(2100, 2, 29), dateSerial(2100, 3, 1));
  EXPECT_EQ(dateSerial(2000, 3, 1) - dateSerial(2000, 2, 28), 2);
  EXPECT_EQ(dateSerial(2101, 1, 1) - dateSerial(2100, 1, 1), 365);
  EXPECT_EQ(dateSerial(2001, 1, 1) - dateSerial(2000, 1, 1), 366);
}

TEST(DateSerial, EveryDayFrom1801To9999FollowsTheOneBefore) {
  std::int32_t serial = dateSerial(1801, 1, 1);
  CivilDate expected{1801, 1, 1};
  const std::int32_t last = dateSerial(9999, 12, 31);
  for (; serial <= last; ++serial) {
    const CivilDate d = civilDate(serial);
    ASSERT_EQ(d, expected) << serial;
    ASSERT_EQ(dateSerial(d.year, d.month, d.day), serial);
    if (++expected.day > daysInMonth(expected.year, expected.month)) {
      expected.day = 1;
      if (++expected.month > 12) {
        expected.month = 1;
        ++expected.year;
      }
    }
  }
  EXPECT_EQ(expected, (CivilDate{10000, 1, 1}));
}

TEST(DateSerial, OutOfRangeMonthsAndDaysCarry) {
  EXPECT_EQ(dateSerial(2024, 13, 1), dateSerial(2025, 1, 1));
  EXPECT_EQ(dateSerial(2024, 0, 15), dateSerial(2023, 12, 15));
  EXPECT_EQ(dateSerial(2024, -11, 1), dateSerial(2023, 1, 1));
  EXPECT_EQ(dateSerial(2024, 3, 0), dateSerial(2024, 2, 29));
  EXPECT_EQ(dateSerial(2023, 1, 32), dateSerial(2023, 2, 1));
  EXPECT_EQ(dateSerial(2023, 1, -30), dateSerial(2022, 12, 1));
}

TEST(DateSerial, WholeRangeIsSafe) {
  const std::int32_t extremes[] = {std::numeric_limits<std::int32_t>::min(), -1, 1,
                                   std::numeric_limits<std::int32_t>::max()};
  for (std::int32_t s : extremes) {
    const CivilDate d = civilDate(s);
    EXPECT_EQ(dateSerial(d.year, d.month, d.day), s) << s;
  }
  EXPECT_EQ(civilDate(-1), (CivilDate{1800, 12, 27}));
  EXPECT_EQ(weekday(-1), 6);
  EXPECT_EQ(weekday(std::numeric_limits<std::int32_t>::min()), weekday(std::numeric_limits<std::int32_t>::min() + 7));
  EXPECT_EQ(
      dateSerial(std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), std::numeric_limits<int>::max()),
      std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(
      dateSerial(std::numeric_limits<int>::min(), std::numeric_limits<int>::min(), std::numeric_limits<int>::min()),
      std::numeric_limits<std::int32_t>::min());
}

TEST(ClockValue, CountsHundredthsFromOne) {
  EXPECT_EQ(clockValue(0, 0, 0), 1);
  EXPECT_EQ(clockValue(0, 0, 0, 1), 2);
  EXPECT_EQ(clockValue(1, 0, 0), 360001);
  EXPECT_EQ(clockValue(23, 59, 59, 99), kCentisecondsPerDay);
  EXPECT_EQ(clockValue(0, 61, 0), clockValue(1, 1, 0));
  EXPECT_EQ(clockParts(clockValue(19, 5, 9, 42)), (ClockParts{19, 5, 9, 42}));
  EXPECT_EQ(clockParts(1), (ClockParts{0, 0, 0, 0}));
  EXPECT_EQ(clockParts(0), (ClockParts{0, 0, 0, 0}));
  EXPECT_EQ(clockParts(kCentisecondsPerDay + 1), (ClockParts{0, 0, 0, 0}));
  EXPECT_EQ(clockParts(-1), (ClockParts{23, 59, 59, 98}));
  EXPECT_EQ(clockValue(std::numeric_limits<int>::max(), 0, 0), std::numeric_limits<std::int32_t>::max());
  (void)clockParts(std::numeric_limits<std::int32_t>::min());
}

// Runs the body with the process time zone set to `tz`, restoring it afterwards.
class TimeZone {
 public:
  explicit TimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) saved_ = old, hadTz_ = true;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZone() {
    if (hadTz_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string saved_;
  bool hadTz_ = false;
};

TEST(LocalMoment, ReadsTheLocalDateAndTime) {
  using namespace std::chrono;
  const auto moment = sys_days{year{2026} / 12 / 8} + hours{19} + minutes{5} + seconds{9} + milliseconds{237};
  {
    TimeZone utc("UTC0");
    const LocalMoment m = localMoment(moment);
    EXPECT_EQ(m.date, dateSerial(2026, 12, 8));
    EXPECT_EQ(m.time, clockValue(19, 5, 9, 23));
  }
  {
    TimeZone ahead("XYZ-6");  // six hours east: past midnight
    const LocalMoment m = localMoment(moment);
    EXPECT_EQ(m.date, dateSerial(2026, 12, 9));
    EXPECT_EQ(m.time, clockValue(1, 5, 9, 23));
  }
  // Before 1970 as well.
  TimeZone utc("UTC0");
  const LocalMoment old = localMoment(sys_days{year{1960} / 1 / 1} + milliseconds{10});
  EXPECT_EQ(old.date, dateSerial(1960, 1, 1));
  EXPECT_EQ(old.time, clockValue(0, 0, 0, 1));
}

TEST(LocalMoment, TodayAndClockTimeAreInRange) {
  const std::int32_t t = clockTime();
  EXPECT_GE(t, 1);
  EXPECT_LE(t, kCentisecondsPerDay);
  EXPECT_GT(today(), dateSerial(2020, 1, 1));
}

TEST(FixedClock, FixesTodayAndTheTimeOnThisThreadUntilItEnds) {
  const LocalMoment tuesday{dateSerial(2026, 12, 8), clockValue(19, 5, 9)};
  {
    FixedClock fixed(tuesday);
    EXPECT_EQ(today(), tuesday.date);
    EXPECT_EQ(clockTime(), tuesday.time);
    {
      FixedClock inner({1, 1});
      EXPECT_EQ(today(), 1);
    }
    EXPECT_EQ(localNow().date, tuesday.date) << "the inner clock gives the outer one back";
  }
  EXPECT_NE(today(), tuesday.date) << "the real clock again";
}

}  // namespace
}  // namespace platform
