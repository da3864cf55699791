#include "platform/core/picture.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/core/date_time.h"
#include "platform/core/number_text.h"

namespace platform {

namespace {

constexpr int kMaxWidth = 65535;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of digits at `i` as a number no larger than kMaxWidth; false when there is none or
// it is too large.
bool readCount(std::string_view s, std::size_t& i, int& value) {
  if (i >= s.size() || !isDigit(s[i])) return false;
  long v = 0;
  while (i < s.size() && isDigit(s[i])) {
    v = v * 10 + (s[i] - '0');
    if (v > kMaxWidth) return false;
    ++i;
  }
  value = static_cast<int>(v);
  return true;
}

bool readSeparator(std::string_view s, std::size_t& i, char fallback, char& separator) {
  separator = fallback;
  if (i == s.size()) return true;
  const char c = s[i];
  if (c == '/' || c == '-' || c == '.' || c == ',') {
    separator = c;
  } else if (c == '_') {
    separator = ' ';
  } else {
    return false;
  }
  ++i;
  return true;
}

std::string fit(std::string_view text, int width) {
  std::string r(text.substr(0, static_cast<std::size_t>(width)));
  r.resize(static_cast<std::size_t>(width), ' ');
  return r;
}

// A whole-number part of a value read as a serial or clock value: truncated, clamped, NaN as 0.
std::int32_t wholeValue(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

void twoDigits(std::string& out, int v, bool blankTens) {
  out.push_back(v >= 10 ? static_cast<char>('0' + v / 10 % 10) : (blankTens ? ' ' : '0'));
  out.push_back(static_cast<char>('0' + v % 10));
}

}  // namespace

std::optional<Picture> Picture::parse(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && text[i] == '@') ++i;
  if (i >= text.size()) return std::nullopt;
  const char letter = static_cast<char>(text[i] | 0x20);
  ++i;
  Picture p;
  switch (letter) {
    case 's':
      p.kind_ = PictureKind::Text;
      if (!readCount(text, i, p.width_) || p.width_ < 1) return std::nullopt;
      break;
    case 'n': {
      p.kind_ = PictureKind::Number;
      if (i < text.size() && text[i] == '-') {
        p.sign_ = true;
        ++i;
      }
      // A leading 0 before more digits is the zero fill ("n010"); "n0" alone is no width.
      if (i + 1 < text.size() && text[i] == '0' && isDigit(text[i + 1])) {
        p.zeroFill_ = true;
        ++i;
      }
      if (!readCount(text, i, p.width_) || p.width_ < 1) return std::nullopt;
      if (i < text.size() && text[i] == '.') {
        ++i;
        if (!readCount(text, i, p.places_)) return std::nullopt;
        // Room for at least the point and the decimals.
        if (p.places_ + 1 > p.width_ || p.places_ > 30) return std::nullopt;
      }
      break;
    }
    case 'd':
      p.kind_ = PictureKind::Date;
      if (!readCount(text, i, p.style_) || p.style_ != 1) return std::nullopt;
      if (!readSeparator(text, i, '/', p.separator_)) return std::nullopt;
      p.width_ = 8;
      break;
    case 't':
      p.kind_ = PictureKind::Time;
      if (!readCount(text, i, p.style_)) return std::nullopt;
      switch (p.style_) {
        case 1:
          p.width_ = 5;
          break;
        case 3:
          p.width_ = 7;
          break;
        case 4:
          p.width_ = 8;
          break;
        case 6:
          p.width_ = 10;
          break;
        default:
          return std::nullopt;
      }
      if (!readSeparator(text, i, ':', p.separator_)) return std::nullopt;
      break;
    default:
      return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  return p;
}

// Rounds |value| to `places_` decimals on its 15-significant-digit decimal form and lays it out.
std::string Picture::numberText(double value) const {
  const std::string hashes(static_cast<std::size_t>(width_), '#');
  if (!std::isfinite(value)) return hashes;
  const bool negative = std::signbit(value);
  const double magnitude = std::fabs(value);

  // Scaled: the value times 10^places as a whole number, in decimal digits.
  std::string scaled = "0";
  if (magnitude != 0) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 14);
    const std::string_view sci(buf, static_cast<std::size_t>(r.ptr - buf));  // d.dddddddddddddde[+-]x
    const std::size_t e = sci.find('e');
    std::string digits;
    for (std::size_t k = 0; k < e; ++k) {
      if (sci[k] != '.') digits.push_back(sci[k]);
    }
    int exponent = 0;
    std::size_t k = e + 1;
    const bool expNegative = sci[k] == '-';
    if (sci[k] == '-' || sci[k] == '+') ++k;
    for (; k < sci.size(); ++k) exponent = exponent * 10 + (sci[k] - '0');
    if (expNegative) exponent = -exponent;
    // value = 0.<digits> x 10^(exponent + 1); keep `keep` leading digits.
    const long keep = static_cast<long>(exponent) + 1 + places_;
    if (keep < 0) {
      scaled = "0";
    } else {
      std::string kept;
      bool roundUp = false;
      if (keep < static_cast<long>(digits.size())) {
        kept = digits.substr(0, static_cast<std::size_t>(keep));
        roundUp = digits[static_cast<std::size_t>(keep)] >= '5';
      } else {
        kept = digits + std::string(static_cast<std::size_t>(keep) - digits.size(), '0');
      }
      if (roundUp) {
        std::size_t pos = kept.size();
        for (;;) {
          if (pos == 0) {
            kept.insert(kept.begin(), '1');
            break;
          }
          --pos;
          if (kept[pos] == '9') {
            kept[pos] = '0';
          } else {
            ++kept[pos];
            break;
          }
        }
      }
      const std::size_t nonZero = kept.find_first_not_of('0');
      scaled = nonZero == std::string::npos ? "0" : kept.substr(nonZero);
    }
  }
  const bool isZero = scaled == "0";

  std::string body;  // digits with the decimal point, no sign
  const std::size_t places = static_cast<std::size_t>(places_);
  if (places == 0) {
    body = scaled;
  } else {
    if (scaled.size() <= places) scaled.insert(0, places + 1 - scaled.size(), '0');
    body = scaled.substr(0, scaled.size() - places) + "." + scaled.substr(scaled.size() - places);
  }
  const bool minus = negative && !isZero;  // -0.4 shows as 0, not -0
  const std::size_t width = static_cast<std::size_t>(width_);
  if (body.size() + (minus ? 1 : 0) > width) return hashes;
  std::string out;
  out.reserve(width);
  if (zeroFill_) {
    if (minus) out.push_back('-');
    out.append(width - body.size() - (minus ? 1 : 0), '0');
  } else {
    out.append(width - body.size() - (minus ? 1 : 0), ' ');
    if (minus) out.push_back('-');
  }
  out += body;
  return out;
}

std::string Picture::dateText(std::int32_t serial) const {
  const std::int32_t kLast = dateSerial(9999, 12, 31);
  if (serial < 1 || serial > kLast) return std::string(static_cast<std::size_t>(width_), ' ');
  const CivilDate d = civilDate(serial);
  std::string out;
  twoDigits(out, d.month, true);
  out.push_back(separator_);
  twoDigits(out, d.day, false);
  out.push_back(separator_);
  twoDigits(out, d.year % 100, false);
  return out;
}

std::string Picture::timeText(std::int32_t time, std::string_view am, std::string_view pm) const {
  if (time < 1 || time > kCentisecondsPerDay) return std::string(static_cast<std::size_t>(width_), ' ');
  const ClockParts t = clockParts(time);
  const bool twelveHour = style_ == 3 || style_ == 6;
  int hour = t.hour;
  if (twelveHour) {
    hour %= 12;
    if (hour == 0) hour = 12;
  }
  std::string out;
  twoDigits(out, hour, true);
  out.push_back(separator_);
  twoDigits(out, t.minute, false);
  if (style_ == 4 || style_ == 6) {
    out.push_back(separator_);
    twoDigits(out, t.second, false);
  }
  if (twelveHour) out += fit(t.hour < 12 ? am : pm, 2);
  return out;
}

std::string Picture::formatAs(double value, std::string_view am, std::string_view pm) const {
  switch (kind_) {
    case PictureKind::Number:
      return numberText(value);
    case PictureKind::Text:
      return fit(shortestDecimal(value), width_);
    case PictureKind::Date:
      return dateText(wholeValue(value));
    case PictureKind::Time:
      return timeText(wholeValue(value), am, pm);
  }
  return std::string(static_cast<std::size_t>(width_), ' ');
}

std::string Picture::formatNumber(double value) const { return formatAs(value, "AM", "PM"); }

std::string Picture::formatText(std::string_view cp1252) const {
  switch (kind_) {
    case PictureKind::Text:
      return fit(cp1252, width_);
    case PictureKind::Number:
      return numberText(leadingReal(cp1252));
    case PictureKind::Date:
      return dateText(leadingWholeNumber(cp1252));
    case PictureKind::Time:
      return timeText(leadingWholeNumber(cp1252), "AM", "PM");
  }
  return fit(cp1252, width_);
}

std::string Picture::formatDate(std::int32_t serial) const {
  return kind_ == PictureKind::Date ? dateText(serial) : formatNumber(serial);
}

std::string Picture::formatTime(std::int32_t time, const Locale& locale) const {
  return kind_ == PictureKind::Time ? timeText(time, locale.amMark(), locale.pmMark()) : formatNumber(time);
}

std::string Picture::format(double value, const Locale& locale) const {
  return formatAs(value, locale.amMark(), locale.pmMark());
}

std::string formatPicture(std::string_view picture, double value) {
  const std::optional<Picture> p = Picture::parse(picture);
  return p ? p->formatNumber(value) : shortestDecimal(value);
}

std::string formatPicture(std::string_view picture, double value, const Locale& locale) {
  const std::optional<Picture> p = Picture::parse(picture);
  return p ? p->format(value, locale) : shortestDecimal(value);
}

}  // namespace platform
