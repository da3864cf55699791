// List format strings: how a list or a drop list shows the fields of its rows, column by column.
// A format is a run of columns, each written as
//
//   WIDTH JUSTIFY [(INDENT)] MARKS [~HEADER~ [JUSTIFY [(INDENT)]]] @PICTURE@
//
//   WIDTH    the column's width in dialog units; 0 hides the column (its field is still a field of
//            the row, it is only not shown)
//   JUSTIFY  L left, R right, C centred; the indent (dialog units) keeps the text off the edge it
//            is justified to. Without a letter the column is left-justified with no indent.
//   MARKS    any of: | a line at the column's right edge, _ the column's texts underlined, M the
//            column can be made wider or narrower by dragging its header's edge, * the column
//            takes its colours from the row: the four LONG fields right after its own field are its
//            text and background colours when not selected and when selected (00BBGGRRh, -1 the
//            list's default colour)
//   HEADER   the header's text (UTF-8), "~" ends it; a justification right after it is the
//            header's own, otherwise the header is justified as the column's data
//   PICTURE  how the field is shown ("@s12", "@n-14", "@N2"); required
//
// Columns show the row's fields in order: the first column field 0, each next column the field
// after the previous column's field (and after its four colour fields when it has them).
//
// "54L(2)|_M*~Matricula~@s12@" is a column 54 units wide, left-justified with an indent of 2, with
// a right border, underlined, resizable and coloured, headed "Matricula", showing its field with
// the picture @s12.
//
// Pure values: thread safe; parsing never throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/locale.h"
#include "platform/core/picture.h"
#include "platform/core/record.h"

namespace platform::ui {

enum class Justify : std::uint8_t { Left, Right, Centre };

struct ListColumn {
  int width = 0;  // dialog units; 0: hidden
  Justify justify = Justify::Left;
  int indent = 0;
  std::string header;  // UTF-8
  Justify headerJustify = Justify::Left;
  int headerIndent = 0;
  bool ownHeaderJustify = false;   // the header was given a justification of its own
  std::string picture;             // as written between the "@"s, with its leading "@"
  std::optional<Picture> shownBy;  // the picture parsed; always set in a parsed format
  bool rightBorder = false;
  bool underline = false;
  bool resizable = false;
  bool coloured = false;
  int field = 0;         // the row field it shows
  int colourField = -1;  // the first of its four colour fields, -1 when it has none

  bool hidden() const { return width == 0; }
};

// The four colours a coloured column takes from its row; -1 is the list's default.
struct CellColours {
  std::int32_t normalText = -1;
  std::int32_t normalBackground = -1;
  std::int32_t selectedText = -1;
  std::int32_t selectedBackground = -1;
  bool operator==(const CellColours&) const = default;
};

struct ListFormat {
  std::vector<ListColumn> columns;
  // How many row fields the columns take (shown fields and colour fields).
  int fieldCount() const;
};

struct ListFormatError {
  std::string message;
  std::size_t position = 0;  // 0-based offset into the format text
};

// Parses a format; on failure `error` (when given) says what is wrong and where.
std::optional<ListFormat> parseListFormat(std::string_view text, ListFormatError* error = nullptr);

// Whether the row layout holds what the format's columns read: every column's field, and four
// LONG fields after each coloured column's field. A problem is described in `problem`.
bool formatFitsLayout(const ListFormat& format, const RecordLayout& layout, std::string* problem = nullptr);

// A column's field of a row through the column's picture, without leading and trailing blanks
// (the column justifies it).
Cp1252Text cellText(const ListColumn& column, const RecordBuffer& row, const Locale& locale);
// A coloured column's colours from the row; every colour -1 for a column without.
CellColours cellColours(const ListColumn& column, const RecordBuffer& row);

}  // namespace platform::ui
