// A fixed-length text of N characters, as a STRING(N) variable holds it: assigning cuts a longer
// text to its first N characters and pads a shorter one with blanks on the right. Characters are
// bytes (code page 1252), so cutting never splits a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

template <std::size_t N>
class FixedText {
 public:
  static_assert(N > 0, "a fixed text holds at least one character");

  FixedText() : text_(N, ' ') {}
  explicit FixedText(std::string_view value) : FixedText() { assign(value); }

  FixedText& operator=(std::string_view value) {
    assign(value);
    return *this;
  }

  void assign(std::string_view value) {
    const std::size_t kept = value.size() < N ? value.size() : N;
    text_.assign(value.data(), kept);
    text_.append(N - kept, ' ');
  }

  // All N characters, trailing blanks included.
  const std::string& value() const { return text_; }

  // The value without its trailing blanks.
  std::string trimmed() const {
    const std::size_t end = text_.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text_.substr(0, end + 1);
  }

  static constexpr std::size_t size() { return N; }

  bool operator==(const FixedText& other) const { return text_ == other.text_; }

 private:
  std::string text_;
};

}  // namespace platform
