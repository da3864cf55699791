// A use variable: the program variable that a control shows and that takes what the user types
// into it. A Variable refers to storage that the caller owns and that must outlive every window
// bound to it. The kinds of storage:
//
//   LONG       std::int32_t       shown through a number picture; typed text is read with the
//                                 number rule of number_text.h (the whole part, clamped to 32 bits)
//   REAL       double             the same, keeping the fraction
//   STRING(n)  FixedText<n>       shown through a text picture; typed text is cut or padded to n
//   a field    RecordBuffer field by index: LONG, REAL, BYTE (kept within 0..255), STRING and
//                                 CSTRING as above
//
// Texts are code page 1252 here (Cp1252Text); controls convert at the Qt boundary.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/cp1252_text.h"
#include "platform/core/fixed_text.h"
#include "platform/core/locale.h"
#include "platform/core/picture.h"
#include "platform/core/record.h"

namespace platform::ui {

class Variable {
 public:
  static Variable of(std::int32_t& value);
  static Variable of(double& value);
  template <std::size_t N>
  static Variable of(FixedText<N>& value) {
    return Variable(
        Kind::Text, [&value] { return value.value(); }, [&value](Cp1252View text) { value.assign(text); });
  }
  static Variable ofField(RecordBuffer& record, int field);

  bool isNumber() const { return kind_ == Kind::Number; }

  // The value through the picture (no picture: numbers as their shortest decimal text, texts as
  // they are).
  Cp1252Text show(const std::optional<Picture>& picture, const Locale& locale) const;
  // Takes the text the user typed.
  void take(Cp1252View typed) const;

 private:
  enum class Kind { Number, Text };
  Variable(Kind kind, std::function<Cp1252Text()> text, std::function<void(Cp1252View)> setText)
      : kind_(kind), text_(std::move(text)), setText_(std::move(setText)) {}
  Variable(std::function<double()> number, std::function<void(Cp1252View)> setFromText)
      : kind_(Kind::Number), number_(std::move(number)), setText_(std::move(setFromText)) {}

  Kind kind_;
  std::function<double()> number_;
  std::function<Cp1252Text()> text_;
  std::function<void(Cp1252View)> setText_;
};

}  // namespace platform::ui
