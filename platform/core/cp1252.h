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

// The Unicode character of one byte.
char32_t cp1252ToUnicode(std::uint8_t byte);
// The byte of one Unicode character, or -1 when code page 1252 has none.
int unicodeToCp1252(char32_t c);

}  // namespace platform
