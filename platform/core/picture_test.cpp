#include "platform/core/picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/core/date_time.h"

namespace platform {
namespace {

struct NumberCase {
  const char* picture;
  double value;
  const char* shown;
};

TEST(NumberPicture, RoundsHalfAwayFromZeroAndAlignsRight) {
  const double inf = std::numeric_limits<double>::infinity();
  const NumberCase cases[] = {
      {"@n3", 7, "  7"},
      {"n3", 7, "  7"},
      {"@N3", 7, "  7"},
      {"N3", 42, " 42"},
      {"@n3", 0, "  0"},
      {"@n3", 2.5, "  3"},
      {"@n3", 2.4999, "  2"},
      {"@n3", -2.5, " -3"},
      {"@n3", 59.5, " 60"},
      {"@n3", 59.49, " 59"},
      {"@n3", 0.4, "  0"},
      {"@n3", -0.4, "  0"},         // no minus sign on a zero
      {"@n3", 24.5, " 25"},         // 24.5 is held exactly; 0.1-style fractions read as written
      {"@n3", 0.285 * 100, " 29"},  // 28.499999999999996: its 15-digit form is 28.5
      {"@n10", 59.75, "        60"},
      {"@n10", 100, "       100"},
      {"@n2", 25, "25"},
      {"@n2", 5, " 5"},
      {"@n3", 999, "999"},
      {"@n3", 999.5, "###"},  // rounds to 1000, which does not fit
      {"@n3", 1000, "###"},
      {"@n2", 100, "##"},
      {"@n3", -12, "-12"},
      {"@n3", -123, "###"},
      {"@n-4", -12, " -12"},
      {"@n-4", 12, "  12"},
      {"@n-4", -999, "-999"},
      {"@n-4", -1000, "####"},
      {"@n-14", 123456, "        123456"},
      {"@n3", inf, "###"},
      {"@n3", -inf, "###"},
      {"@n3", std::nan(""), "###"},
      {"@n3", 1e300, "###"},
      {"@n1", 0.5, "1"},
      {"@n3", 1e-300, "  0"},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(formatPicture(c.picture, c.value), c.shown) << c.picture << " " << c.value;
  }
}

TEST(NumberPicture, LeadingZerosAndDecimals) {
  const NumberCase cases[] = {
      {"@n010", 42, "0000000042"}, {"N010", 1001, "0000001001"}, {"n010", 0, "0000000000"},
      {"n010", -42, "-000000042"}, {"n03", 1000, "###"},         {"n6.2", 3.14159, "  3.14"},
      {"n6.2", 2.675, "  2.68"},  // 2.67499999999999982: its 15-digit form is 2.675
      {"n6.2", -0.004, "  0.00"},  {"n6.2", -0.005, " -0.01"},   {"n4.2", 0.5, "0.50"},
      {"n4.2", 9.999, "####"},  // 10.00 needs five positions
      {"n08.2", -1.5, "-0001.50"},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(formatPicture(c.picture, c.value), c.shown) << c.picture << " " << c.value;
  }
}

TEST(TextPicture, CutsOrPadsToItsWidth) {
  const auto s5 = Picture::parse("@s5");
  ASSERT_TRUE(s5);
  EXPECT_EQ(s5->kind(), PictureKind::Text);
  EXPECT_EQ(s5->formatText("abc"), "abc  ");
  EXPECT_EQ(s5->formatText("abcdefgh"), "abcde");
  EXPECT_EQ(s5->formatText(""), "     ");
  EXPECT_EQ(s5->formatText("\xF1\xE1"), "\xF1\xE1   ");  // code page 1252 bytes are characters
  EXPECT_EQ(s5->formatNumber(1.5), "1.5  ");
  EXPECT_EQ(Picture::parse("S16")->formatText("Zoom"), "Zoom            ");
}

TEST(Picture, TextThroughANumberPictureShowsItsLeadingNumber) {
  const auto n3 = Picture::parse("n3");
  ASSERT_TRUE(n3);
  EXPECT_EQ(n3->formatText("59.5 puntos"), " 60");
  EXPECT_EQ(n3->formatText("abc"), "  0");
  EXPECT_EQ(n3->formatText("1e9"), "###");
}

TEST(Picture, ParsesOnlyWellFormedPictures) {
  for (const char* bad : {"",       "@", "x3", "@s",  "s0", "n",  "n0", "n-",  "@n3x", "n3.", "n3.5",
                          "n99999", "d", "d2", "d1x", "t",  "t2", "t5", "t1x", "@@n3", "s3 "}) {
    EXPECT_FALSE(Picture::parse(bad)) << '"' << bad << '"';
  }
  const auto p = Picture::parse("@n-010.2");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->width(), 10);
  EXPECT_EQ(p->places(), 2);
  EXPECT_TRUE(p->zeroFilled());
  EXPECT_TRUE(p->leavesSignRoom());
  // An unusable picture shows the value plainly.
  EXPECT_EQ(formatPicture("bogus", 12.5), "12.5");
  EXPECT_EQ(formatPicture("bogus", 3), "3");
}

TEST(DatePicture, D1ShowsMonthDayAndTwoDigitYear) {
  struct Case {
    const char* picture;
    std::int32_t serial;
    const char* shown;
  };
  const Case cases[] = {
      {"d1-", dateSerial(2024, 3, 5), " 3-05-24"},
      {"d1-", dateSerial(2024, 12, 10), "12-10-24"},
      {"d1-", dateSerial(2000, 1, 1), " 1-01-00"},
      {"d1-", dateSerial(1801, 10, 31), "10-31-01"},
      {"d1", dateSerial(2024, 3, 5), " 3/05/24"},
      {"@d1.", dateSerial(2024, 3, 5), " 3.05.24"},
      {"d1_", dateSerial(2024, 3, 5), " 3 05 24"},
      {"d1-", 0, "        "},  // no date
      {"d1-", -5, "        "},
      {"d1-", dateSerial(10000, 1, 1), "        "},
      {"d1-", dateSerial(9999, 12, 31), "12-31-99"},
  };
  for (const Case& c : cases) {
    const auto p = Picture::parse(c.picture);
    ASSERT_TRUE(p) << c.picture;
    EXPECT_EQ(p->formatDate(c.serial), c.shown) << c.picture << " " << c.serial;
    EXPECT_EQ(p->formatNumber(c.serial), c.shown) << c.picture << " " << c.serial;
  }
}

TEST(TimePicture, T1ShowsTheTwentyFourHourClock) {
  struct Case {
    const char* picture;
    std::int32_t time;
    const char* shown;
  };
  const Case cases[] = {
      {"t1-", clockValue(9, 30, 0), " 9-30"},
      {"t1-", clockValue(0, 5, 59, 99), " 0-05"},
      {"t1-", clockValue(13, 7, 0), "13-07"},
      {"t1-", clockValue(23, 59, 59, 99), "23-59"},
      {"t1", clockValue(9, 30, 0), " 9:30"},
      {"t4", clockValue(9, 30, 5), " 9:30:05"},
      {"t1-", 0, "     "},  // no time
      {"t1-", kCentisecondsPerDay + 1, "     "},
  };
  for (const Case& c : cases) {
    const auto p = Picture::parse(c.picture);
    ASSERT_TRUE(p) << c.picture;
    EXPECT_EQ(p->formatTime(c.time, Locale()), c.shown) << c.picture << " " << c.time;
  }
}

TEST(TimePicture, T6ShowsTheTwelveHourClockWithTheLocalesMarks) {
  Locale locale;
  ASSERT_TRUE(locale.set("CLAAMPM", "Am,Pm"));
  struct Case {
    int hour, minute, second;
    const char* shown;
  };
  const Case cases[] = {
      {0, 0, 0, "12:00:00Am"},  {0, 59, 59, "12:59:59Am"}, {1, 2, 3, " 1:02:03Am"},  {11, 59, 59, "11:59:59Am"},
      {12, 0, 0, "12:00:00Pm"}, {13, 0, 0, " 1:00:00Pm"},  {19, 5, 9, " 7:05:09Pm"}, {23, 59, 59, "11:59:59Pm"},
  };
  const auto t6 = Picture::parse("@t6");
  ASSERT_TRUE(t6);
  EXPECT_EQ(t6->width(), 10);
  for (const Case& c : cases) {
    const std::int32_t time = clockValue(c.hour, c.minute, c.second, 50);
    EXPECT_EQ(t6->formatTime(time, locale), c.shown) << c.hour << ":" << c.minute << ":" << c.second;
  }
  EXPECT_EQ(formatPicture("t6", clockValue(19, 5, 9), locale), " 7:05:09Pm");
  // Without a locale the marks are the platform's own; a one-letter mark is padded to two.
  EXPECT_EQ(t6->formatNumber(clockValue(19, 5, 9)), " 7:05:09PM");
  ASSERT_TRUE(locale.set("CLAAMPM", "a,p"));
  EXPECT_EQ(t6->formatTime(clockValue(9, 0, 0), locale), " 9:00:00a ");
  EXPECT_EQ(t6->formatTime(0, locale), "          ");
}

}  // namespace
}  // namespace platform
