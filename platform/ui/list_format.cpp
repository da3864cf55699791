#include "platform/ui/list_format.h"

#include <cctype>

namespace platform::ui {
namespace {

// Reads one format text from left to right.
class FormatReader {
 public:
  FormatReader(std::string_view text, ListFormatError* error) : text_(text), error_(error) {}

  std::optional<ListFormat> read() {
    ListFormat format;
    int field = 0;
    skipBlanks();
    if (atEnd()) return fail("the format has no column");
    while (!atEnd()) {
      ListColumn column;
      if (!readColumn(column)) return std::nullopt;
      column.field = field;
      column.colourField = column.coloured ? field + 1 : -1;
      field += column.coloured ? 5 : 1;
      format.columns.push_back(std::move(column));
      skipBlanks();
    }
    return format;
  }

 private:
  bool atEnd() const { return at_ >= text_.size(); }
  char peek() const { return atEnd() ? '\0' : text_[at_]; }
  void skipBlanks() {
    while (!atEnd() && text_[at_] == ' ') ++at_;
  }

  std::nullopt_t fail(std::string message) {
    if (error_ != nullptr) *error_ = {std::move(message), at_};
    return std::nullopt;
  }

  // Digits; false when there are none or too many to be a width.
  bool number(int& value) {
    const std::size_t start = at_;
    value = 0;
    while (!atEnd() && std::isdigit(static_cast<unsigned char>(text_[at_])) && at_ - start < 6)
      value = value * 10 + (text_[at_++] - '0');
    return at_ > start && !std::isdigit(static_cast<unsigned char>(peek()));
  }

  // An optional justification letter with its optional "(indent)".
  bool justification(Justify& justify, int& indent, bool& given) {
    given = true;
    switch (peek()) {
      case 'L':
        justify = Justify::Left;
        break;
      case 'R':
        justify = Justify::Right;
        break;
      case 'C':
        justify = Justify::Centre;
        break;
      default:
        given = false;
        return true;
    }
    ++at_;
    indent = 0;
    if (peek() != '(') return true;
    ++at_;
    if (!number(indent)) return fail("an indent must be a number"), false;
    if (peek() != ')') return fail("\")\" is missing after the indent"), false;
    ++at_;
    return true;
  }

  bool marks(ListColumn& column) {
    for (;;) {
      switch (peek()) {
        case '|':
          column.rightBorder = true;
          break;
        case '_':
          column.underline = true;
          break;
        case 'M':
          column.resizable = true;
          break;
        case '*':
          column.coloured = true;
          break;
        default:
          return true;
      }
      ++at_;
    }
  }

  // The text up to the closing `delimiter`, which is consumed.
  bool delimited(char delimiter, std::string& out, const char* what) {
    const std::size_t start = at_;
    const std::size_t end = text_.find(delimiter, start);
    if (end == std::string_view::npos) {
      at_ = start - 1;
      return fail(std::string(what) + " is not closed with \"" + delimiter + "\""), false;
    }
    out.assign(text_.substr(start, end - start));
    at_ = end + 1;
    return true;
  }

  bool readColumn(ListColumn& column) {
    if (!number(column.width)) return fail("a column must begin with its width"), false;
    bool given = false;
    if (!justification(column.justify, column.indent, given)) return false;
    if (!marks(column)) return false;
    column.headerJustify = column.justify;
    column.headerIndent = column.indent;
    if (peek() == '~') {
      ++at_;
      if (!delimited('~', column.header, "a header")) return false;
      if (!justification(column.headerJustify, column.headerIndent, column.ownHeaderJustify)) return false;
    }
    if (peek() != '@') {
      if (atEnd() || std::isdigit(static_cast<unsigned char>(peek()))) return fail("the column has no picture"), false;
      return fail(std::string("\"") + peek() + "\" is not a mark of a column"), false;
    }
    const std::size_t pictureAt = at_;
    ++at_;
    std::string picture;
    if (!delimited('@', picture, "a picture")) return false;
    column.picture = "@" + picture;
    column.shownBy = Picture::parse(column.picture);
    if (!column.shownBy) {
      at_ = pictureAt;
      return fail("\"" + column.picture + "\" is not a picture"), false;
    }
    return true;
  }

  std::string_view text_;
  ListFormatError* error_;
  std::size_t at_ = 0;
};

bool isNumberField(FieldType type) {
  return type == FieldType::Long || type == FieldType::Real || type == FieldType::Byte;
}

double numberOf(const RecordBuffer& row, int field) {
  switch (row.layout().field(field).type) {
    case FieldType::Long:
      return row.getLong(field);
    case FieldType::Real:
      return row.getReal(field);
    case FieldType::Byte:
      return row.getByte(field);
    default:
      return 0;
  }
}

}  // namespace

int ListFormat::fieldCount() const {
  if (columns.empty()) return 0;
  const ListColumn& last = columns.back();
  return last.field + (last.coloured ? 5 : 1);
}

std::optional<ListFormat> parseListFormat(std::string_view text, ListFormatError* error) {
  return FormatReader(text, error).read();
}

bool formatFitsLayout(const ListFormat& format, const RecordLayout& layout, std::string* problem) {
  auto refuse = [problem](std::string why) {
    if (problem != nullptr) *problem = std::move(why);
    return false;
  };
  for (std::size_t i = 0; i < format.columns.size(); ++i) {
    const ListColumn& c = format.columns[i];
    const std::string which = "column " + std::to_string(i + 1);
    if (c.field >= layout.fieldCount())
      return refuse(which + " reads field " + std::to_string(c.field + 1) + ", which the row does not have");
    if (!c.coloured) continue;
    for (int k = 1; k <= 4; ++k) {
      if (c.field + k >= layout.fieldCount() || layout.field(c.field + k).type != FieldType::Long)
        return refuse(which + " is coloured, but field " + std::to_string(c.field + k + 1) + " is not a LONG");
    }
  }
  return true;
}

Cp1252Text cellText(const ListColumn& column, const RecordBuffer& row, const Locale& locale) {
  if (!column.shownBy || column.field >= row.layout().fieldCount()) return {};
  const Picture& picture = *column.shownBy;
  // What a picture makes is code page 1252: the value's characters and the locale's.
  const std::string shown = isNumberField(row.layout().field(column.field).type)
                                ? picture.format(numberOf(row, column.field), locale)
                                : picture.formatText(row.textView(column.field).bytes());
  return trim(Cp1252View::ofBytes(shown));
}

CellColours cellColours(const ListColumn& column, const RecordBuffer& row) {
  if (column.colourField < 0 || column.colourField + 3 >= row.layout().fieldCount()) return {};
  const int f = column.colourField;
  return {row.getLong(f), row.getLong(f + 1), row.getLong(f + 2), row.getLong(f + 3)};
}

}  // namespace platform::ui
