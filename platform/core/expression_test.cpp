#include "platform/core/expression.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/bindings.h"
#include "platform/core/fixed_text.h"

namespace {

using namespace platform::literals;

using platform::Bindings;
using platform::BindingScope;
using platform::Expression;
using platform::ExpressionValue;
using platform::FieldSpec;
using platform::FieldType;
using platform::FixedText;
using platform::Locale;
using platform::RecordBuffer;
using platform::RecordLayout;

const RecordLayout& recordLayout() {
  static const RecordLayout layout({{"ID", FieldType::Long, 4},
                                    {"NAME", FieldType::String, 12},
                                    {"NOTE", FieldType::CString, 10},
                                    {"SCORE", FieldType::Real, 8},
                                    {"OTHER_ID", FieldType::Long, 4}});
  return layout;
}

// Variables and a record bound as a procedure would bind them.
class ExpressionTest : public testing::Test {
 protected:
  ExpressionTest() : record_(recordLayout()) {
    bindings_.bind("Ll_Number", number_);
    bindings_.bind("Lr_Real", real_);
    bindings_.bind("Lr_Tiny", tiny_);
    bindings_.bind("Lr_Negative", negative_);
    bindings_.bind("Ls_Group", group_);
    bindings_.bind("Ls_Blank", blank_);
    bindings_.bind("Lb_Byte", byte_);
    bindings_.bindRecord("REC", record_);
    record_.setLong(0, 12);
    record_.setText(1, "1A"_cp1252);
    record_.setText(2, "5"_cp1252);
    record_.setReal(3, 0);
    record_.setLong(4, 7);
  }

  // Compiles and tests; fails the test on an error.
  bool holds(const std::string& text) {
    Expression e;
    EXPECT_TRUE(e.compile(text, bindings_, locale_)) << text << ": " << e.error().message;
    return outcome(e);
  }

  // The condition's outcome with the values as they are now; the test fails if it cannot tell.
  static bool outcome(Expression& e) {
    bool result = false;
    EXPECT_TRUE(e.test(result)) << e.error().message;
    return result;
  }

  Locale locale_;
  Bindings bindings_;
  std::int32_t number_ = 12;
  double real_ = 2.5;
  double tiny_ = 1e-16;
  double negative_ = -5;
  FixedText<20> group_{"1A"_cp1252};
  FixedText<20> blank_;
  std::uint8_t byte_ = 200;
  RecordBuffer record_;
};

struct Case {
  const char* text;
  bool holds;
};

TEST_F(ExpressionTest, EvaluatesConditions) {
  const Case cases[] = {
      {"", true},
      {"   ", true},
      // Names without regard to case; variables and fields
      {"Ll_Number=12", true},
      {"LL_NUMBER = 12", true},
      {"ll_number=13", false},
      {"REC:ID=Ll_Number", true},
      {"rec:id = ll_number", true},
      {"Lb_Byte=200", true},
      // Texts: trailing blanks never matter, case does
      {"REC:NAME=Ls_Group", true},
      {"REC:NAME='1A'", true},
      {"REC:NAME='1A     '", true},
      {"REC:NAME=\"1A\"", true},
      {"REC:NAME='1a'", false},
      {"REC:NAME=' 1A'", false},
      {"REC:NAME<'1B'", true},
      {"Ls_Blank=''", true},
      {"REC:NOTE='5'", true},
      // AND, OR, NOT and parentheses
      {"(REC:ID=Ll_Number AND REC:NAME=Ls_Group)", true},
      {"(Ll_Number=12 AND REC:NAME='1A') AND Lr_Real=2.5", true},
      {"Ll_Number=12 AND Lr_Real=3", false},
      {"Ll_Number=12 and Lr_Real=3 OR REC:ID=12", true},
      {"Ll_Number=12 AND (Lr_Real=3 OR REC:ID=13)", false},
      {"Ll_Number=1 OR Lr_Real=3", false},
      {"NOT Ll_Number=12", false},
      {"NOT (Ll_Number=13)", true},
      {"NOT NOT Ll_Number=12", true},
      // The other comparisons
      {"Ll_Number<>12", false},
      {"Ll_Number<13", true},
      {"Ll_Number>13", false},
      {"Ll_Number<=12", true},
      {"Ll_Number>=12.5", false},
      {"Lr_Real>2", true},
      // REAL tolerance: 1e-16 equals 0, so it is neither above nor below it
      {"Lr_Tiny=0", true},
      {"Lr_Tiny>0", false},
      {"Lr_Tiny<0", false},
      {"REC:SCORE=0", true},
      {"Lr_Negative<0", true},
      {"-Ll_Number=-12", true},
      {"- -5=5", true},
      {"0.5=.5", true},
      {"1e2=100", true},
      // Text against number: a numeric text compares by value, any other text as text
      {"'12'=Ll_Number", true},
      {"Ll_Number='12'", true},
      {"' 12 '=Ll_Number", true},
      {"'12.0'=12", true},
      {"'1,5'=1.5", true},
      {"'1e1'=10", true},
      {"REC:NOTE=5", true},
      {"'-3'<0", true},
      {"'12a'=12", false},
      {"'abc'=0", false},
      {"''=0", false},
      {"Ls_Blank=0", false},
      {"'+5'=5", false},
      {"'abc'>1", true},
      {"'2.5'=Lr_Real", true},
      // A value alone is a condition: a number other than 0, a text not all blanks
      {"Ll_Number", true},
      {"REC:SCORE", false},
      {"Lr_Tiny", false},
      {"REC:NAME", true},
      {"Ls_Blank", false},
      {"(Ll_Number=12)=1", true},
      // Quotes inside texts
      {"'O''Neil'=\"O'Neil\"", true},
      {"\"say \"\"hi\"\"\"='say \"hi\"'", true},
  };
  for (const Case& c : cases) EXPECT_EQ(holds(c.text), c.holds) << c.text;
}

struct BadCase {
  std::string text;
  const char* message;
  std::size_t position;
};

TEST_F(ExpressionTest, RefusesBadExpressionsWithMessageAndPosition) {
  const BadCase cases[] = {
      {"Ll_Number=", "expected a value at the end", 10},
      {"Ll_Number=12 AND", "expected a value at the end", 16},
      {"(Ll_Number=12", "missing ')'", 13},
      {"Ll_Number=12)", "')' without its '('", 12},
      {"FOO=1", "unknown name \"FOO\"", 0},
      {"Ll_Number=12 AND Ls_Grup='x'", "unknown name \"Ls_Grup\"", 17},
      {"REC:NOPE=1", "unknown name \"REC:NOPE\"", 0},
      {"NOPE:ID=1", "unknown name \"NOPE:ID\"", 0},
      {"Ls_Group='abc", "text not closed", 9},
      {"Ll_Number=12 13", "unexpected \"13\"", 13},
      {"Ll_Number==12", "expected a value at \"=12\"", 10},
      {"Ll_Number=1=1", "unexpected \"=1\"", 11},
      {"12abc=1", "bad number \"12a\"", 0},
      {"AND=1", "expected a value before AND", 0},
      {"Ll_Number=12 AND OR", "expected a value before OR", 17},
      {"Ll_Number=#", "expected a value at \"#\"", 10},
      {std::string(300, '(') + "1" + std::string(300, ')'), "nested too deeply", 200},
      {std::string(300, '-') + "1", "nested too deeply", 200},
  };
  for (const BadCase& c : cases) {
    Expression e;
    EXPECT_FALSE(e.compile(c.text, bindings_, locale_)) << c.text;
    EXPECT_NE(e.error().message.find(c.message), std::string::npos) << c.text << " gave: " << e.error().message;
    EXPECT_EQ(e.error().position, c.position) << c.text;
    // A failed expression is left empty, never half-built.
    EXPECT_TRUE(e.empty());
  }
}

TEST_F(ExpressionTest, ReadsTheVariablesCurrentValuesEachTime) {
  Expression e;
  ASSERT_TRUE(e.compile("REC:ID=Ll_Number AND REC:NAME=Ls_Group", bindings_, locale_));
  EXPECT_TRUE(outcome(e));
  group_ = "2B"_cp1252;
  EXPECT_FALSE(outcome(e));
  record_.setText(1, "2B"_cp1252);
  EXPECT_TRUE(outcome(e));
  number_ = 13;
  EXPECT_FALSE(outcome(e));
}

// A procedure called from another binds the same names to its own variables; when it ends its
// bindings are undone and the caller's apply again. A name left unbound is an error, not a read
// of a variable that no longer exists.
TEST_F(ExpressionTest, FollowsBindingsMadeAndUndoneAfterCompiling) {
  Expression e;
  ASSERT_TRUE(e.compile("Ll_Number=20", bindings_, locale_));
  EXPECT_FALSE(outcome(e));
  {
    std::int32_t inner = 20;
    BindingScope scope(bindings_);
    bindings_.bind("LL_NUMBER", inner);
    EXPECT_TRUE(outcome(e));
  }
  EXPECT_FALSE(outcome(e));

  Expression onlyInner;
  {
    std::int32_t inner = 1;
    BindingScope scope(bindings_);
    bindings_.bind("Ll_Inner", inner);
    ASSERT_TRUE(onlyInner.compile("Ll_Inner=1", bindings_, locale_));
  }
  bool result = true;
  EXPECT_FALSE(onlyInner.test(result));
  EXPECT_FALSE(result);
  EXPECT_EQ(onlyInner.error().message, "unknown name \"Ll_Inner\"");
}

TEST_F(ExpressionTest, OuterTableAnswersNamesTheInnerLacks) {
  RecordBuffer other(recordLayout());
  other.setLong(0, 99);
  Bindings inner(&bindings_);
  inner.bindRecord("REC", other);  // hides the outer REC
  Expression e;
  ASSERT_TRUE(e.compile("REC:ID=99 AND Ll_Number=12", inner, locale_));
  EXPECT_TRUE(outcome(e));
}

TEST_F(ExpressionTest, EvaluatesToAValue) {
  Expression e;
  ExpressionValue value;
  ASSERT_TRUE(e.compile("REC:NAME", bindings_, locale_));
  ASSERT_TRUE(e.evaluate(value));
  EXPECT_TRUE(value.isText);
  EXPECT_EQ(value.text, "1A          ");
  ASSERT_TRUE(e.compile("-Lr_Real", bindings_, locale_));
  ASSERT_TRUE(e.evaluate(value));
  EXPECT_FALSE(value.isText);
  EXPECT_EQ(value.number, -2.5);
}

// The equalities a view may read as a key range: only those joined by AND to the rest, between
// a field and something that is the same for every row.
TEST_F(ExpressionTest, FindsFieldEqualitiesJoinedByAnd) {
  RecordBuffer other(recordLayout());
  other.setLong(0, 99);
  bindings_.bindRecord("OTHER", other);
  Expression e;
  ASSERT_TRUE(
      e.compile("(REC:ID=Ll_Number AND 'x'=REC:NOTE) AND (REC:SCORE=1 OR REC:NAME='a') AND NOT REC:OTHER_ID=3 "
                "AND REC:OTHER_ID=REC:ID AND REC:NAME=-Ll_Number AND OTHER:ID=REC:ID AND REC:SCORE=OTHER:ID",
                bindings_, locale_));
  const auto found = e.fieldEqualities({&record_});
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found[0].field, 0);
  EXPECT_EQ(found[0].record, &record_);
  EXPECT_EQ(found[0].value.number, 12);
  EXPECT_EQ(found[1].field, 2);
  EXPECT_TRUE(found[1].value.isText);
  EXPECT_EQ(found[1].value.text, "x");
  EXPECT_EQ(found[2].field, 1);
  EXPECT_EQ(found[2].value.number, -12);
  // A field of a record that does not vary is as good as a variable.
  EXPECT_EQ(found[3].record, &record_);
  EXPECT_EQ(found[3].field, 0);
  EXPECT_EQ(found[3].value.number, 99);
  EXPECT_EQ(found[4].field, 3);
  EXPECT_EQ(found[4].value.number, 99);

  ASSERT_TRUE(e.compile("REC:ID=1 OR REC:ID=2", bindings_, locale_));
  EXPECT_TRUE(e.fieldEqualities({&record_}).empty());
  EXPECT_TRUE(e.refersTo(record_));
  EXPECT_FALSE(e.refersTo(other));
}

}  // namespace
