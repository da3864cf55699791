// Display pictures: how a value is shown in a fixed number of character positions. A picture is
// written with or without a leading "@" ("n3" and "@n3" are one picture), its letter in either
// case. The pictures understood:
//
//   sN     text in N positions: cut, or padded with blanks.
//   nN     a number in N positions, right-aligned with leading blanks (NN is the same picture).
//   n-N    the same; the "-" says that the N positions hold the leading minus sign of a negative
//          number. In both forms a negative number shows its minus sign in front of the digits
//          whenever sign and digits fit the N positions (nN does not drop the sign).
//   n0N    zero-filled: leading zeros instead of blanks (after the minus sign, if any).
//   nN.D   D digits after a decimal point (the point and the digits count in N).
//          The number is rounded to D decimals (to a whole number without ".D"): a first dropped
//          digit of 5 or more rounds the magnitude up (2.5 gives 3, -2.5 gives -3). The digits
//          are those of the value's 15-significant-digit decimal form, the precision a double
//          holds, so a value that reads as 24.5 (24.4999999999999964...) rounds to 25. A number
//          that needs more positions than the picture has, infinity or NaN show "#" in every
//          position. No thousands separators.
//   d1     a date: month in two positions (a blank instead of a leading zero), day in two digits,
//          two-digit year, separated by "/": 5 March 2024 is " 3/05/24". A separator character
//          may follow: "d1-" gives " 3-05-24"; "/", "-", ".", "," and "_" (a blank) are allowed.
//   t1     a time: hour 0 to 23 in two positions (a blank instead of a leading zero), ":", two-
//          digit minutes: " 9:30". t4 adds ":" and seconds (" 9:30:05"). t3 and t6 are t1 and t4
//          on the 12-hour clock (0 h is 12, 13 h is 1) followed by the locale's AM or PM mark in
//          two positions (hours 0 to 11 AM, 12 to 23 PM): t6 of 19:05:09 is " 7:05:09PM". A
//          separator character may follow as for d1 ("t1-" gives " 9-30").
//
// Dates are serials and times clock values (date_time.h). A date serial below 1 (0 is "no date")
// or after 31 December 9999, and a time outside 1..8640000 (0 is "no time"), show as blanks.
//
// Every format result has exactly width() characters, in code page 1252. Pictures are immutable
// values; thread safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/locale.h"

namespace platform {

enum class PictureKind : std::uint8_t { Text, Number, Date, Time };

class Picture {
 public:
  // The picture a text holds, or nullopt when it is not one of the pictures above.
  static std::optional<Picture> parse(std::string_view text);

  PictureKind kind() const { return kind_; }
  int width() const { return width_; }
  // Number pictures: decimals, zero fill, the "-" of n-N.
  int places() const { return places_; }
  bool zeroFilled() const { return zeroFill_; }
  bool leavesSignRoom() const { return sign_; }
  // Date and time pictures: the style number (1 for d1; 1, 3, 4, 6 for times) and separator.
  int style() const { return style_; }
  char separator() const { return separator_; }

  // A number through a number picture. Through another kind: a text picture shows the number's
  // shortest decimal text; a date picture takes it as a serial and a time picture as a clock
  // value (whole part; AM/PM marks "AM" and "PM").
  std::string formatNumber(double value) const;
  // A text through a text picture. Through a number picture the text's leading number is shown
  // (number_text.h); through a date or time picture its leading whole number as serial or clock
  // value.
  std::string formatText(std::string_view cp1252) const;
  // A date serial through a date picture (other kinds: as formatNumber).
  std::string formatDate(std::int32_t serial) const;
  // A clock value through a time picture, with the locale's AM/PM marks (other kinds: as
  // formatNumber).
  std::string formatTime(std::int32_t time, const Locale& locale) const;
  // Any value by the picture's kind: number, serial or clock value; AM/PM from the locale.
  std::string format(double value, const Locale& locale) const;

 private:
  Picture() = default;
  std::string formatAs(double value, std::string_view am, std::string_view pm) const;
  std::string numberText(double value) const;
  std::string dateText(std::int32_t serial) const;
  std::string timeText(std::int32_t time, std::string_view am, std::string_view pm) const;

  PictureKind kind_ = PictureKind::Text;
  int width_ = 0;
  int places_ = 0;
  bool zeroFill_ = false;
  bool sign_ = false;
  int style_ = 0;
  char separator_ = 0;
};

// The value through the picture written in `picture`; an invalid picture gives the value's
// shortest decimal text. The first form uses the marks "AM"/"PM" for t3 and t6.
std::string formatPicture(std::string_view picture, double value);
std::string formatPicture(std::string_view picture, double value, const Locale& locale);

}  // namespace platform
