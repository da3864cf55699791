// Code page 1252 text as a type of its own: what records, keys, locale settings and window variables
// hold, one byte per character, kept apart from UTF-8 (what Qt, the source code and the file system
// take), which is a std::string. Nothing converts between the two implicitly, so a text of one kind
// passed where the other is meant fails to compile:
//
//   Cp1252Text  owns its bytes (a std::string inside)
//   Cp1252View  refers to bytes someone else owns, as std::string_view does: a function that only
//               reads a text takes one. A Cp1252Text and a Cp1252View convert to each other.
//
// To UTF-8: toUtf8() (never fails: every byte has a character). From UTF-8: Cp1252Text::fromUtf8,
// which fails on a character the code page lacks or on bad UTF-8. Bytes already in the code page (a
// record's or a key's, a locale setting, a picture's output) are taken with fromBytes/ofBytes. A
// literal is written as UTF-8 and converted while compiling: "Año"_cp1252 (platform::literals) is
// the view of the bytes 41h F1h 6Fh; a literal with a character the code page lacks does not compile.
//
// == and <=> compare byte for byte, trailing blanks included; the locale's compare() is what orders
// texts as the user sees them. size() counts characters, which are bytes. Value types, thread safe
// as std::string is.
#pragma once

#include <compare>
#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/cp1252.h"
#include "platform/core/trim.h"

namespace platform {

// Why a UTF-8 text has no code page 1252 form: its first character without a byte (kInvalidUtf8
// where the text is not valid UTF-8), and the byte offset in the UTF-8 text where it starts.
struct Utf8Refusal {
  char32_t character = 0;
  std::size_t offset = 0;
};

class Cp1252View {
 public:
  constexpr Cp1252View() = default;
  // Bytes that are code page 1252 already.
  static constexpr Cp1252View ofBytes(std::string_view bytes) { return Cp1252View(bytes); }

  // The bytes, for storage, key images and comparisons by the locale.
  constexpr std::string_view bytes() const { return bytes_; }
  constexpr std::size_t size() const { return bytes_.size(); }
  constexpr bool empty() const { return bytes_.empty(); }
  // The first `count` characters (all of them when there are fewer).
  constexpr Cp1252View first(std::size_t count) const { return Cp1252View(bytes_.substr(0, count)); }

  std::string toUtf8() const { return cp1252ToUtf8(bytes_); }
  // The same, appended to `out`: for callers that convert many texts into one buffer.
  void appendUtf8To(std::string& out) const { appendCp1252AsUtf8(bytes_, out); }

  friend constexpr bool operator==(Cp1252View a, Cp1252View b) { return a.bytes_ == b.bytes_; }
  friend constexpr std::strong_ordering operator<=>(Cp1252View a, Cp1252View b) { return a.bytes_ <=> b.bytes_; }

 private:
  constexpr explicit Cp1252View(std::string_view bytes) : bytes_(bytes) {}
  std::string_view bytes_;
};

class Cp1252Text {
 public:
  Cp1252Text() = default;
  Cp1252Text(Cp1252View text) : bytes_(text.bytes()) {}
  // Bytes that are code page 1252 already: a record's, a key's, a locale setting, what a picture makes.
  static Cp1252Text fromBytes(std::string bytes);
  // A whole number in decimal digits, a minus sign in front when negative.
  static Cp1252Text decimal(long long number) { return fromBytes(std::to_string(number)); }
  // Nothing when `utf8` is not valid UTF-8 or holds a character the code page lacks; `refusal`
  // (when given) then says which and where. Nothing is ever substituted.
  static std::optional<Cp1252Text> fromUtf8(std::string_view utf8, Utf8Refusal* refusal = nullptr);

  const std::string& bytes() const { return bytes_; }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  Cp1252View view() const { return Cp1252View::ofBytes(bytes_); }
  operator Cp1252View() const { return view(); }

  std::string toUtf8() const { return cp1252ToUtf8(bytes_); }
  void appendUtf8To(std::string& out) const { appendCp1252AsUtf8(bytes_, out); }

  // Both reuse the room the text has: replaces the text; appends blanks until it holds `width`
  // characters.
  void assign(Cp1252View text) { bytes_.assign(text.bytes()); }
  void padRight(std::size_t width) {
    if (bytes_.size() < width) bytes_.append(width - bytes_.size(), ' ');
  }
  Cp1252Text& operator+=(Cp1252View more) {
    bytes_.append(more.bytes());
    return *this;
  }
  friend Cp1252Text operator+(Cp1252Text a, Cp1252View b) {
    a += b;
    return a;
  }

  friend bool operator==(const Cp1252Text&, const Cp1252Text&) = default;
  friend std::strong_ordering operator<=>(const Cp1252Text&, const Cp1252Text&) = default;
  friend bool operator==(const Cp1252Text& a, Cp1252View b) { return a.view() == b; }
  friend std::strong_ordering operator<=>(const Cp1252Text& a, Cp1252View b) { return a.view() <=> b; }

 private:
  std::string bytes_;
};

// The text without its trailing, leading, or both kinds of blanks, as trim.h trims bytes. A view
// of a text that lives on; a temporary text gives a text of its own.
constexpr Cp1252View trimRight(Cp1252View text) { return Cp1252View::ofBytes(trimRight(text.bytes())); }
constexpr Cp1252View trimLeft(Cp1252View text) { return Cp1252View::ofBytes(trimLeft(text.bytes())); }
constexpr Cp1252View trim(Cp1252View text) { return Cp1252View::ofBytes(trim(text.bytes())); }
inline Cp1252Text trimRight(Cp1252Text&& text) { return Cp1252Text(trimRight(text.view())); }
inline Cp1252Text trimLeft(Cp1252Text&& text) { return Cp1252Text(trimLeft(text.view())); }
inline Cp1252Text trim(Cp1252Text&& text) { return Cp1252Text(trim(text.view())); }

// Writes the text as UTF-8 (test failures and logs show it readable).
std::ostream& operator<<(std::ostream& out, Cp1252View text);

namespace cp1252_detail {

// A UTF-8 literal converted to code page 1252 while compiling; a character the code page lacks, or
// bad UTF-8, makes the conversion fail to compile.
template <std::size_t N>
struct Utf8Literal {
  char bytes[N] = {};
  std::size_t size = 0;
  consteval Utf8Literal(const char (&utf8)[N]) {
    const std::string_view text(utf8, N - 1);
    for (std::size_t i = 0; i < text.size();) {
      char32_t c = 0;
      const std::size_t length = decodeUtf8(text, i, c);
      const int byte = length == 0 ? -1 : unicodeToCp1252(c);
      if (byte < 0) throw "the literal holds a character that code page 1252 lacks, or is not UTF-8";
      bytes[size++] = static_cast<char>(byte);
      i += length;
    }
  }
};

}  // namespace cp1252_detail

inline namespace literals {

// "Peña"_cp1252: the code page 1252 text of a literal written in UTF-8, as the source code is.
template <cp1252_detail::Utf8Literal L>
constexpr Cp1252View operator""_cp1252() {
  return Cp1252View::ofBytes(std::string_view(L.bytes, L.size));
}

}  // namespace literals

}  // namespace platform
