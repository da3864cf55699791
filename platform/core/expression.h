// Expressions over bound names, as filters use them: parsed once, evaluated many times against
// the current values of the variables and record fields they name.
//
// Grammar (keywords and names matched without regard to case; blanks between tokens ignored):
//   expression := or
//   or         := and { OR and }
//   and        := not { AND not }
//   not        := NOT not | comparison
//   comparison := operand [ ( = | <> | < | > | <= | >= ) operand ]
//   operand    := - operand | number | text | name | ( expression )
//   number     := digits [ . digits ] [ (e|E) [+|-] digits ]  or  . digits [...]
//   text       := '...' or "..." (the quote doubled inside stands for itself)
//   name       := a letter or _, then letters, digits, _ and : ("Gl_IdMaestro", "ACT:ID_MAE")
//
// Values are numbers (LONG, REAL, BYTE; held as doubles, so every LONG is exact) or texts (code
// page 1252). Comparisons give 1 or 0; AND, OR and NOT read their operands as conditions (a
// number other than 0, a text that is not all blanks) and give 1 or 0.
//
// Comparing:
//   number with number  by value, with the platform's REAL tolerance (real_compare.h);
//   text with text      by the locale's comparison: trailing blanks never matter;
//   text with number    when the text, without leading and trailing blanks, is a whole number
//                       as a numeric entry reads it (an optional minus sign, digits, a decimal
//                       point or comma with digits, an exponent), by value; otherwise as texts,
//                       the number written in its shortest form ("12", "2.5"). So '12' = 12 and
//                       ' 12 ' = 12 hold, while 'abc' = 0 and '' = 0 do not.
//
// Errors: a bad expression or an unknown name makes compile() fail with a message and the
// character position where the fault lies; nothing throws. Names are looked up at compile()
// and again whenever the bindings have changed since (Bindings::version()); a name that is no
// longer bound then makes evaluation fail the same way.
//
// Not thread safe: an expression belongs to the thread of its bindings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/bindings.h"
#include "platform/core/locale.h"
#include "platform/core/record.h"

namespace platform {

struct ExpressionError {
  std::string message;       // "unknown name \"Ls_Grup\"", "missing ')'", ...
  std::size_t position = 0;  // 0-based offset into the expression's text
};

// A value an expression computes.
struct ExpressionValue {
  bool isText = false;
  double number = 0;
  std::string text;
};

class Expression {
 public:
  Expression();
  ~Expression();
  Expression(Expression&&) noexcept;
  Expression& operator=(Expression&&) noexcept;

  // Parses `text` and looks up its names in `names`; the locale compares texts. Both must
  // outlive the expression. On failure returns false, error() tells why, and the expression is
  // left empty.
  bool compile(std::string_view text, const Bindings& names, const Locale& locale);
  // An empty expression (nothing compiled, or a text of blanks only) holds for every row.
  bool empty() const { return root_ < 0; }
  const std::string& text() const { return text_; }
  const ExpressionError& error() const { return error_; }

  // The expression as a condition, with the variables' values as they are now. Returns false
  // when a name is no longer bound (error() tells which); `holds` is then false.
  bool test(bool& holds);
  // The value itself (an empty expression gives the number 1).
  bool evaluate(ExpressionValue& value);

  // Looks the names up again if the bindings changed since; false (error() tells which) when a
  // name is no longer bound. test() and evaluate() do it themselves.
  bool refresh();

  // Whether any name of the expression is a field of `record`.
  bool refersTo(const RecordBuffer& record) const;

  // A condition `field = operand` that every row satisfying the expression meets: an equality
  // joined to the rest by AND only (parentheses aside), between a field of a record and an
  // operand that names no field of the `varying` records (the records that change from row to
  // row): constants, variables, fields of other records. `value` is the operand's value now.
  struct FieldEquality {
    const RecordBuffer* record;
    int field;
    ExpressionValue value;
    std::size_t position;  // where the equality stands in the text
  };
  std::vector<FieldEquality> fieldEqualities(const std::vector<const RecordBuffer*>& varying);

 private:
  struct Node;
  struct Value;
  struct Parser;
  bool resolve();
  Value eval(int node) const;
  void collectEqualities(int node, const std::vector<const RecordBuffer*>& varying,
                         std::vector<FieldEquality>& out) const;

  std::string text_;
  std::vector<Node> nodes_;
  int root_ = -1;
  const Bindings* names_ = nullptr;
  const Locale* locale_ = nullptr;
  std::uint64_t resolvedVersion_ = 0;
  ExpressionError error_;
};

}  // namespace platform
