// A fixed-length text of N characters, as a STRING(N) variable holds it: assigning cuts a longer
// text to its first N characters and pads a shorter one with blanks on the right. Characters are
// bytes (code page 1252), so cutting never splits a character.
#pragma once

#include <cstddef>
#include <string>

#include "platform/core/cp1252_text.h"

namespace platform {

template <std::size_t N>
class FixedText {
 public:
  static_assert(N > 0, "a fixed text holds at least one character");

  FixedText() { text_.padRight(N); }
  explicit FixedText(Cp1252View value) : FixedText() { assign(value); }

  FixedText& operator=(Cp1252View value) {
    assign(value);
    return *this;
  }

  void assign(Cp1252View value) {
    text_.assign(value.first(N));
    text_.padRight(N);
  }

  // All N characters, trailing blanks included.
  const Cp1252Text& value() const { return text_; }

  // The value without its trailing blanks.
  Cp1252Text trimmed() const { return Cp1252Text(trimRight(text_)); }

  static constexpr std::size_t size() { return N; }

  bool operator==(const FixedText& other) const { return text_ == other.text_; }

 private:
  Cp1252Text text_;
};

}  // namespace platform
