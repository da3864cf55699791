#include "platform/core/cp1252.h"

namespace platform {

namespace {

// Unicode characters of the bytes 80h-9Fh; the five undefined bytes are their own C1 controls.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void appendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    // Every character of the code page lies in the Basic Multilingual Plane.
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes one UTF-8 character at `i`; returns its length, or 0 when the bytes there are invalid.
std::size_t decodeUtf8(std::string_view s, std::size_t i, char32_t& c) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
  const std::uint8_t b0 = byte(i);
  std::size_t len;
  char32_t min;
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

}  // namespace

char32_t cp1252ToUnicode(std::uint8_t byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80];
  return byte;
}

int unicodeToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == c) return 0x80 + i;
  }
  return -1;
}

bool utf8ToCp1252(std::string_view utf8, std::string& out, char32_t* firstBad, std::size_t* badOffset) {
  std::string result;
  result.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    const std::size_t len = decodeUtf8(utf8, i, c);
    const int byte = len == 0 ? -1 : unicodeToCp1252(c);
    if (byte < 0) {
      if (firstBad) *firstBad = len == 0 ? kInvalidUtf8 : c;
      if (badOffset) *badOffset = i;
      return false;
    }
    result.push_back(static_cast<char>(byte));
    i += len;
  }
  out = std::move(result);
  return true;
}

std::string cp1252ToUtf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size() + cp1252.size() / 2);
  appendCp1252AsUtf8(cp1252, out);
  return out;
}

void appendCp1252AsUtf8(std::string_view cp1252, std::string& out) {
  for (char ch : cp1252) appendUtf8(cp1252ToUnicode(static_cast<std::uint8_t>(ch)), out);
}

}  // namespace platform
