#include "platform/core/expression.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/core/number_text.h"
#include "platform/core/real_compare.h"
#include "platform/core/trim.h"

namespace platform {

namespace {

constexpr int kMaxDepth = 200;

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isNameChar(char c) { return isLetter(c) || isDigit(c) || c == ':'; }

bool isKeyword(std::string_view word, std::string_view keyword) {
  if (word.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != keyword[i]) return false;
  }
  return true;
}

// Whether the whole text (blanks around it aside) is one number as a numeric entry reads it.
bool isNumericText(std::string_view text, double& value) {
  const std::string_view t = trim(text);
  std::size_t i = 0;
  if (i < t.size() && t[i] == '-') ++i;
  std::size_t digits = 0;
  while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
    ++i;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t exponentDigits = 0;
    while (i < t.size() && isDigit(t[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  if (i != t.size()) return false;
  value = leadingReal(t);
  return true;
}

}  // namespace

struct Expression::Node {
  enum class Op : std::uint8_t { Number, Text, Name, Negate, Not, And, Or, Eq, Ne, Lt, Gt, Le, Ge };
  Node(Op op, std::size_t position) : op(op), position(position) {}
  Op op;
  std::size_t position = 0;
  double number = 0;
  std::string text;           // a text literal, or a name as written
  std::vector<int> operands;  // Negate/Not: 1; comparisons: 2; And/Or: 2 or more
  BoundName bound;            // a name, once looked up
};

// A value while evaluating: texts are views of literals, variables and record buffers.
struct Expression::Value {
  bool isText = false;
  double number = 0;
  std::string_view text;
};

struct Expression::Parser {
  std::string_view src;
  std::vector<Node>& nodes;
  ExpressionError& error;
  std::size_t pos = 0;
  int depth = 0;
  bool failed = false;

  int fail(std::size_t at, std::string message) {
    if (!failed) {
      failed = true;
      error.message = std::move(message);
      error.position = at;
    }
    return -1;
  }

  void skipBlanks() {
    while (pos < src.size() && (src[pos] == ' ' || src[pos] == '\t' || src[pos] == '\r' || src[pos] == '\n')) ++pos;
  }

  // The word at the current position, if it is one.
  std::string_view peekWord() {
    skipBlanks();
    std::size_t end = pos;
    if (end < src.size() && isLetter(src[end])) {
      while (end < src.size() && isNameChar(src[end])) ++end;
    }
    return src.substr(pos, end - pos);
  }

  bool takeKeyword(std::string_view keyword) {
    const std::string_view word = peekWord();
    if (!isKeyword(word, keyword)) return false;
    pos += word.size();
    return true;
  }

  int add(Node node) {
    nodes.push_back(std::move(node));
    return static_cast<int>(nodes.size()) - 1;
  }

  int parseList(Node::Op op, std::string_view keyword, int (Parser::*operand)()) {
    const std::size_t at = (skipBlanks(), pos);
    const int first = (this->*operand)();
    if (failed) return -1;
    Node list{op, at};
    list.operands.push_back(first);
    while (takeKeyword(keyword)) {
      list.operands.push_back((this->*operand)());
      if (failed) return -1;
    }
    return list.operands.size() == 1 ? first : add(std::move(list));
  }

  int parseOr() { return parseList(Node::Op::Or, "OR", &Parser::parseAnd); }
  int parseAnd() { return parseList(Node::Op::And, "AND", &Parser::parseNot); }

  int parseNot() {
    const std::size_t at = (skipBlanks(), pos);
    if (!takeKeyword("NOT")) return parseComparison();
    if (++depth > kMaxDepth) return fail(at, "expression nested too deeply");
    Node node{Node::Op::Not, at};
    node.operands.push_back(parseNot());
    --depth;
    return failed ? -1 : add(std::move(node));
  }

  int parseComparison() {
    const int left = parseOperand();
    if (failed) return -1;
    skipBlanks();
    const std::size_t at = pos;
    const std::string_view rest = src.substr(pos);
    Node::Op op;
    std::size_t length = 2;
    if (rest.starts_with("<>")) {
      op = Node::Op::Ne;
    } else if (rest.starts_with("<=")) {
      op = Node::Op::Le;
    } else if (rest.starts_with(">=")) {
      op = Node::Op::Ge;
    } else if (rest.starts_with("=")) {
      op = Node::Op::Eq, length = 1;
    } else if (rest.starts_with("<")) {
      op = Node::Op::Lt, length = 1;
    } else if (rest.starts_with(">")) {
      op = Node::Op::Gt, length = 1;
    } else {
      return left;
    }
    pos += length;
    const int right = parseOperand();
    if (failed) return -1;
    Node node{op, at};
    node.operands = {left, right};
    return add(std::move(node));
  }

  int parseOperand() {
    skipBlanks();
    const std::size_t at = pos;
    if (pos >= src.size()) return fail(at, "expected a value at the end");
    const char c = src[pos];
    if (c == '-') {
      ++pos;
      if (++depth > kMaxDepth) return fail(at, "expression nested too deeply");
      Node node{Node::Op::Negate, at};
      node.operands.push_back(parseOperand());
      --depth;
      return failed ? -1 : add(std::move(node));
    }
    if (c == '(') {
      ++pos;
      if (++depth > kMaxDepth) return fail(at, "expression nested too deeply");
      const int inner = parseOr();
      --depth;
      if (failed) return -1;
      skipBlanks();
      if (pos >= src.size() || src[pos] != ')')
        return fail(pos, "missing ')' for the '(' at " + std::to_string(at + 1));
      ++pos;
      return inner;
    }
    if (c == '\'' || c == '"') return parseText(c);
    if (isDigit(c) || (c == '.' && pos + 1 < src.size() && isDigit(src[pos + 1]))) return parseNumber();
    if (isLetter(c)) {
      const std::string_view word = peekWord();
      for (std::string_view keyword : {"AND", "OR", "NOT"}) {
        if (isKeyword(word, keyword)) return fail(at, "expected a value before " + std::string(word));
      }
      pos += word.size();
      Node node{Node::Op::Name, at};
      node.text = std::string(word);
      return add(std::move(node));
    }
    return fail(at, "expected a value at \"" + std::string(src.substr(pos, 10)) + "\"");
  }

  int parseText(char quote) {
    const std::size_t at = pos++;
    Node node{Node::Op::Text, at};
    for (;;) {
      if (pos >= src.size()) return fail(at, "text not closed");
      if (src[pos] == quote) {
        if (pos + 1 < src.size() && src[pos + 1] == quote) {
          node.text.push_back(quote);
          pos += 2;
          continue;
        }
        ++pos;
        return add(std::move(node));
      }
      node.text.push_back(src[pos++]);
    }
  }

  int parseNumber() {
    const std::size_t at = pos;
    while (pos < src.size() && isDigit(src[pos])) ++pos;
    if (pos < src.size() && src[pos] == '.') {
      ++pos;
      while (pos < src.size() && isDigit(src[pos])) ++pos;
    }
    if (pos < src.size() && (src[pos] == 'e' || src[pos] == 'E')) {
      std::size_t e = pos + 1;
      if (e < src.size() && (src[e] == '+' || src[e] == '-')) ++e;
      if (e < src.size() && isDigit(src[e])) {
        pos = e;
        while (pos < src.size() && isDigit(src[pos])) ++pos;
      }
    }
    if (pos < src.size() && isLetter(src[pos]))
      return fail(at, "bad number \"" + std::string(src.substr(at, pos + 1 - at)) + "\"");
    Node node{Node::Op::Number, at};
    node.number = leadingReal(src.substr(at, pos - at));
    return add(std::move(node));
  }

  int parseAll() {
    const int root = parseOr();
    if (failed) return -1;
    skipBlanks();
    if (pos < src.size()) {
      if (src[pos] == ')') return fail(pos, "')' without its '('");
      return fail(pos, "unexpected \"" + std::string(src.substr(pos, 10)) + "\"");
    }
    return root;
  }
};

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

bool Expression::compile(std::string_view text, const Bindings& names, const Locale& locale) {
  text_ = std::string(text);
  nodes_.clear();
  root_ = -1;
  error_ = {};
  names_ = &names;
  locale_ = &locale;
  if (trim(text).empty()) return true;
  Parser parser{text_, nodes_, error_};
  root_ = parser.parseAll();
  if (!parser.failed && resolve()) return true;
  nodes_.clear();
  root_ = -1;
  return false;
}

bool Expression::resolve() {
  for (Node& node : nodes_) {
    if (node.op != Node::Op::Name) continue;
    const std::optional<BoundName> bound = names_->find(node.text);
    if (!bound) {
      error_ = {"unknown name \"" + node.text + "\"", node.position};
      return false;
    }
    node.bound = *bound;
  }
  resolvedVersion_ = names_->version();
  return true;
}

bool Expression::refresh() {
  if (root_ < 0 || names_->version() == resolvedVersion_) return true;
  return resolve();
}

namespace {

std::string_view fieldText(const RecordBuffer& record, const Field& field) {
  const char* bytes = reinterpret_cast<const char*>(record.data() + field.offset);
  if (field.type == FieldType::CString) {
    const void* nul = std::memchr(bytes, '\0', field.size);
    return std::string_view(bytes, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : field.size);
  }
  return std::string_view(bytes, field.size);
}

bool truth(bool isText, double number, std::string_view text) {
  if (isText) return text.find_first_not_of(' ') != std::string_view::npos;
  return !realIsZero(number);
}

}  // namespace

Expression::Value Expression::eval(int index) const {
  const Node& node = nodes_[static_cast<std::size_t>(index)];
  const auto number = [](double n) { return Value{false, n, {}}; };
  switch (node.op) {
    case Node::Op::Number:
      return number(node.number);
    case Node::Op::Text:
      return Value{true, 0, node.text};
    case Node::Op::Name: {
      const BoundName& b = node.bound;
      switch (b.kind) {
        case BoundName::Kind::Long:
          return number(*static_cast<const std::int32_t*>(b.variable));
        case BoundName::Kind::Real:
          return number(*static_cast<const double*>(b.variable));
        case BoundName::Kind::Byte:
          return number(*static_cast<const std::uint8_t*>(b.variable));
        case BoundName::Kind::Text:
          return Value{true, 0, static_cast<const Cp1252Text*>(b.variable)->bytes()};
        case BoundName::Kind::Field: {
          const Field& field = b.record->layout().field(b.field);
          switch (field.type) {
            case FieldType::Long:
              return number(b.record->getLong(b.field));
            case FieldType::Real:
              return number(b.record->getReal(b.field));
            case FieldType::Byte:
              return number(b.record->getByte(b.field));
            case FieldType::String:
            case FieldType::CString:
              return Value{true, 0, fieldText(*b.record, field)};
          }
        }
      }
      return number(0);
    }
    case Node::Op::Negate: {
      const Value v = eval(node.operands[0]);
      return number(-(v.isText ? leadingReal(v.text) : v.number));
    }
    case Node::Op::Not: {
      const Value v = eval(node.operands[0]);
      return number(truth(v.isText, v.number, v.text) ? 0 : 1);
    }
    case Node::Op::And:
    case Node::Op::Or: {
      const bool isAnd = node.op == Node::Op::And;
      for (int operand : node.operands) {
        const Value v = eval(operand);
        if (truth(v.isText, v.number, v.text) != isAnd) return number(isAnd ? 0 : 1);
      }
      return number(isAnd ? 1 : 0);
    }
    default:
      break;
  }
  // A comparison.
  const Value a = eval(node.operands[0]);
  const Value b = eval(node.operands[1]);
  int order;
  if (!a.isText && !b.isText) {
    order = realCompare(a.number, b.number);
  } else if (a.isText && b.isText) {
    order = locale_->compare(a.text, b.text);
  } else {
    const Value& text = a.isText ? a : b;
    const double other = a.isText ? b.number : a.number;
    double value;
    order = isNumericText(text.text, value) ? realCompare(value, other)
                                            : locale_->compare(text.text, shortestDecimal(other));
    if (!a.isText) order = -order;
  }
  bool holds = false;
  switch (node.op) {
    case Node::Op::Eq:
      holds = order == 0;
      break;
    case Node::Op::Ne:
      holds = order != 0;
      break;
    case Node::Op::Lt:
      holds = order < 0;
      break;
    case Node::Op::Gt:
      holds = order > 0;
      break;
    case Node::Op::Le:
      holds = order <= 0;
      break;
    case Node::Op::Ge:
      holds = order >= 0;
      break;
    default:
      break;
  }
  return number(holds ? 1 : 0);
}

bool Expression::evaluate(ExpressionValue& value) {
  value = ExpressionValue{false, 1, {}};
  if (root_ < 0) return true;
  if (!refresh()) return false;
  const Value v = eval(root_);
  value = ExpressionValue{v.isText, v.number, std::string(v.text)};
  return true;
}

bool Expression::test(bool& holds) {
  holds = false;
  if (root_ < 0) return holds = true;
  if (!refresh()) return false;
  const Value v = eval(root_);
  holds = truth(v.isText, v.number, v.text);
  return true;
}

bool Expression::refersTo(const RecordBuffer& record) const {
  for (const Node& node : nodes_) {
    if (node.op == Node::Op::Name && node.bound.kind == BoundName::Kind::Field && node.bound.record == &record)
      return true;
  }
  return false;
}

void Expression::collectEqualities(int index, const std::vector<const RecordBuffer*>& varying,
                                   std::vector<FieldEquality>& out) const {
  const Node& node = nodes_[static_cast<std::size_t>(index)];
  if (node.op == Node::Op::And) {
    for (int operand : node.operands) collectEqualities(operand, varying, out);
    return;
  }
  if (node.op != Node::Op::Eq) return;
  // Whether a subtree names no field of a varying record: its value is the same for every row.
  const auto constant = [&](int root) {
    std::vector<int> pending{root};
    while (!pending.empty()) {
      const Node& n = nodes_[static_cast<std::size_t>(pending.back())];
      pending.pop_back();
      if (n.op == Node::Op::Name && n.bound.kind == BoundName::Kind::Field &&
          std::find(varying.begin(), varying.end(), n.bound.record) != varying.end()) {
        return false;
      }
      pending.insert(pending.end(), n.operands.begin(), n.operands.end());
    }
    return true;
  };
  for (int side = 0; side < 2; ++side) {
    const Node& field = nodes_[static_cast<std::size_t>(node.operands[static_cast<std::size_t>(side)])];
    const int other = node.operands[static_cast<std::size_t>(1 - side)];
    if (field.op != Node::Op::Name || field.bound.kind != BoundName::Kind::Field || !constant(other)) continue;
    const Value v = eval(other);
    out.push_back(FieldEquality{field.bound.record, field.bound.field,
                                ExpressionValue{v.isText, v.number, std::string(v.text)}, node.position});
    return;
  }
}

std::vector<Expression::FieldEquality> Expression::fieldEqualities(const std::vector<const RecordBuffer*>& varying) {
  std::vector<FieldEquality> out;
  if (root_ >= 0 && refresh()) collectEqualities(root_, varying, out);
  return out;
}

}  // namespace platform
