#include "platform/core/cp1252.h"

namespace platform {

namespace {

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

}  // namespace

bool utf8ToCp1252(std::string_view utf8, std::string& out, char32_t* firstBad, std::size_t* badOffset) {
  std::string result;
  result.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    const std::size_t len = cp1252_detail::decodeUtf8(utf8, i, c);
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
