// Conversion between UTF-8 (what Qt and the source code hold) and code page 1252 (what records,
// key images and locale settings hold, one byte per character).
//
// Every byte 00h-FFh has exactly one Unicode character, so cp1252 -> UTF-8 -> cp1252 gives back
// the same bytes. Bytes 00h-7Fh and A0h-FFh are the Unicode characters of the same number. In the
// block 80h-9Fh, 27 bytes are the typographic characters of the code page (80h is U+20AC, 92h is
// U+2019 ...); the five bytes the code page leaves undefined (81h, 8Dh, 8Fh, 90h, 9Dh) are taken
// as the control characters U+0081, U+008D, U+008F, U+0090 and U+009D, both ways, as the
// operating system that defined the code page does. Every other character of U+0080-U+009F has no
// byte (its byte already stands for a typographic character).
//
// The conversion to code page 1252 never substitutes: a character without a byte, or input that
// is not valid UTF-8 (bad or truncated sequences, overlong forms, surrogates, beyond U+10FFFF),
// makes it fail. Thread safe (no state).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Reported through utf8ToCp1252's firstBad when the input is not valid UTF-8.
inline constexpr char32_t kInvalidUtf8 = 0xFFFFFFFFu;

// Converts UTF-8 to code page 1252. On success replaces `out` and returns true. On failure returns
// false and leaves `out` untouched; `firstBad` (when given) receives the first character that has
// no byte, or kInvalidUtf8, and `badOffset` (when given) the byte offset in `utf8` where that
// character or bad sequence starts.
bool utf8ToCp1252(std::string_view utf8, std::string& out, char32_t* firstBad = nullptr,
                  std::size_t* badOffset = nullptr);

// Converts code page 1252 to UTF-8; never fails.
std::string cp1252ToUtf8(std::string_view cp1252);
// The same, appended to `out` (no new string: for callers that convert many texts).
void appendCp1252AsUtf8(std::string_view cp1252, std::string& out);

namespace cp1252_detail {

// Unicode characters of the bytes 80h-9Fh; the five undefined bytes are their own C1 controls.
inline constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// Decodes one UTF-8 character at `i`; returns its length, or 0 when the bytes there are invalid.
constexpr std::size_t decodeUtf8(std::string_view s, std::size_t i, char32_t& c) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
  const std::uint8_t b0 = byte(i);
  std::size_t len = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    c = b0;
    return 1;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, c = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3, c = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, c = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i < len) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const std::uint8_t b = byte(i + k);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}

}  // namespace cp1252_detail

// The Unicode character of one byte.
constexpr char32_t cp1252ToUnicode(std::uint8_t byte) {
  if (byte >= 0x80 && byte <= 0x9F) return cp1252_detail::kHigh[byte - 0x80];
  return byte;
}

// The byte of one Unicode character, or -1 when code page 1252 has none.
constexpr int unicodeToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i) {
    if (cp1252_detail::kHigh[i] == c) return 0x80 + i;
  }
  return -1;
}

}  // namespace platform
