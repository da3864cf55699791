#include "platform/ui/list_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform::ui {
namespace {

// One column as a row of the tables below.
struct Column {
  int width;
  Justify justify;
  int indent;
  std::string header;
  Justify headerJustify;
  int headerIndent;
  std::string marks;  // "|", "_", "M", "*" as given
  std::string picture;
  int field;
};

std::string marksOf(const ListColumn& c) {
  std::string m;
  if (c.rightBorder) m += '|';
  if (c.underline) m += '_';
  if (c.resizable) m += 'M';
  if (c.coloured) m += '*';
  return m;
}

void expectColumns(const std::string& format, const std::vector<Column>& expected) {
  SCOPED_TRACE(format);
  ListFormatError error;
  const std::optional<ListFormat> parsed = parseListFormat(format, &error);
  ASSERT_TRUE(parsed) << error.message << " at " << error.position;
  ASSERT_EQ(parsed->columns.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("column " + std::to_string(i + 1));
    const ListColumn& got = parsed->columns[i];
    const Column& want = expected[i];
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.hidden(), want.width == 0);
    EXPECT_EQ(got.justify, want.justify);
    EXPECT_EQ(got.indent, want.indent);
    EXPECT_EQ(got.header, want.header);
    EXPECT_EQ(got.headerJustify, want.headerJustify);
    EXPECT_EQ(got.headerIndent, want.headerIndent);
    EXPECT_EQ(marksOf(got), want.marks);
    EXPECT_EQ(got.picture, want.picture);
    EXPECT_TRUE(got.shownBy.has_value());
    EXPECT_EQ(got.field, want.field);
    EXPECT_EQ(got.colourField, got.coloured ? want.field + 1 : -1);
  }
}

constexpr Justify L = Justify::Left;
constexpr Justify R = Justify::Right;
constexpr Justify C = Justify::Centre;

// The grade-record list: hidden columns, headers with their own justification, all four marks,
// and coloured columns whose colour fields push the next column's field on by four.
TEST(ListFormat, TheGradeRecordList) {
  expectColumns(
      "0R(2)~ID ACT~C(0)@n-14@0L(2)~CLAVE~@n-14@54L(2)|_M*~Matricula~@s12@160L(2)|M*~Alumno~@s100@52L(2)|M*~"
      "Grupo~@s12@120L(2)|M*~Programa Academico~@s100@18C|M*~30~@N2@36C|M*~Portafolio~L(2)@n3@18C|M*~20~@N2@"
      "34C|M*~Examen~L(2)@n3@18C|M*~20~@N2@48C|M*~Participación~L(2)@n3@18C|M*~30~@N2@30C|M*~Ensayo~L(2)@n3@"
      "36C|M*~Promedio~L(2)@n3@80L(2)|M*~Estatus~@s20@0L(2)~Estatus~@n-7@50L(2)|~ID MAE~@n-14@0L(2)~ID paca~@"
      "n-14@",
      {
          {0, R, 2, "ID ACT", C, 0, "", "@n-14", 0},        {0, L, 2, "CLAVE", L, 2, "", "@n-14", 1},
          {54, L, 2, "Matricula", L, 2, "|_M*", "@s12", 2}, {160, L, 2, "Alumno", L, 2, "|M*", "@s100", 7},
          {52, L, 2, "Grupo", L, 2, "|M*", "@s12", 12},     {120, L, 2, "Programa Academico", L, 2, "|M*", "@s100", 17},
          {18, C, 0, "30", C, 0, "|M*", "@N2", 22},         {36, C, 0, "Portafolio", L, 2, "|M*", "@n3", 27},
          {18, C, 0, "20", C, 0, "|M*", "@N2", 32},         {34, C, 0, "Examen", L, 2, "|M*", "@n3", 37},
          {18, C, 0, "20", C, 0, "|M*", "@N2", 42},         {48, C, 0, "Participación", L, 2, "|M*", "@n3", 47},
          {18, C, 0, "30", C, 0, "|M*", "@N2", 52},         {30, C, 0, "Ensayo", L, 2, "|M*", "@n3", 57},
          {36, C, 0, "Promedio", L, 2, "|M*", "@n3", 62},   {80, L, 2, "Estatus", L, 2, "|M*", "@s20", 67},
          {0, L, 2, "Estatus", L, 2, "", "@n-7", 72},       {50, L, 2, "ID MAE", L, 2, "|", "@n-14", 73},
          {0, L, 2, "ID paca", L, 2, "", "@n-14", 74},
      });
}

// Columns without headers: the teacher lookup and the grade form's two drop combos; and the
// grade book's drop list of pairs.
TEST(ListFormat, ListsWithoutHeadersAndDropLists) {
  expectColumns("46L(2)|M~Clave~@s10@80L(2)|M~Nombre~@s100@0R(2)@n-14@", {{46, L, 2, "Clave", L, 2, "|M", "@s10", 0},
                                                                          {80, L, 2, "Nombre", L, 2, "|M", "@s100", 1},
                                                                          {0, R, 2, "", R, 2, "", "@n-14", 2}});
  expectColumns("400L(2)|M@s100@0L(2)~ID UAPR~@n-14@",
                {{400, L, 2, "", L, 2, "|M", "@s100", 0}, {0, L, 2, "ID UAPR", L, 2, "", "@n-14", 1}});
  expectColumns("400L(2)|M@s100@56L(2)@n-14@",
                {{400, L, 2, "", L, 2, "|M", "@s100", 0}, {56, L, 2, "", L, 2, "", "@n-14", 1}});
  expectColumns("160L(2)|M~Descripcion~@s120@80L(2)|M~Grupo~@s20@0L(2)~Ll Id~@s20@",
                {{160, L, 2, "Descripcion", L, 2, "|M", "@s120", 0},
                 {80, L, 2, "Grupo", L, 2, "|M", "@s20", 1},
                 {0, L, 2, "Ll Id", L, 2, "", "@s20", 2}});
  // No justification letter: left with no indent; a header justified without an indent.
  expectColumns("20~A~R@s5@", {{20, L, 0, "A", R, 0, "", "@s5", 0}});
}

TEST(ListFormat, MistakesAreNamedWithTheirPlace) {
  struct Case {
    const char* format;
    const char* message;
    std::size_t position;
  };
  const Case cases[] = {
      {"", "the format has no column", 0},
      {"L(2)@s5@", "a column must begin with its width", 0},
      {"20L(2@s5@", "\")\" is missing after the indent", 5},
      {"20L(x)@s5@", "an indent must be a number", 4},
      {"20L(2)~Head@s5@", "a header is not closed with \"~\"", 6},
      {"20L(2)~Head~", "the column has no picture", 12},
      {"20L(2)~Head~30L@s5@", "the column has no picture", 12},
      {"20L(2)#@s5@", "\"#\" is not a mark of a column", 6},
      {"20D(2)@s5@", "\"D\" is not a mark of a column", 2},
      {"20L@s5", "a picture is not closed with \"@\"", 3},
      {"20L@q5@", "\"@q5\" is not a picture", 3},
      {"20L@s5@x", "a column must begin with its width", 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    ListFormatError error;
    EXPECT_FALSE(parseListFormat(c.format, &error));
    EXPECT_EQ(error.message, c.message);
    EXPECT_EQ(error.position, c.position);
  }
}

TEST(ListFormat, CellsShowTheirFieldThroughThePictureAndTakeTheirColoursFromTheRow) {
  const RecordLayout layout({{"ID", FieldType::Long, 4},
                             {"NAME", FieldType::String, 10},
                             {"NAME_NFG", FieldType::Long, 4},
                             {"NAME_NBG", FieldType::Long, 4},
                             {"NAME_SFG", FieldType::Long, 4},
                             {"NAME_SBG", FieldType::Long, 4},
                             {"SCORE", FieldType::Real, 8},
                             {"KEY", FieldType::Long, 4}});
  const std::optional<ListFormat> format = parseListFormat("0R(2)@n-14@40L(2)*@s4@20C@n3@30L@s10@");
  ASSERT_TRUE(format);
  EXPECT_EQ(format->fieldCount(), 8);
  std::string problem;
  EXPECT_TRUE(formatFitsLayout(*format, layout, &problem)) << problem;

  RecordBuffer row(layout);
  row.setLong(0, -12);
  row.setText(1, "Ana Ruiz"_cp1252);
  for (int f = 2; f <= 5; ++f) row.setLong(f, 0x0000FF * (f - 1));
  row.setReal(6, 24.5);
  row.setLong(7, 1001);
  Locale locale;
  const auto& c = format->columns;
  EXPECT_EQ(cellText(c[0], row, locale), "-12"_cp1252);
  EXPECT_EQ(cellText(c[1], row, locale), "Ana"_cp1252) << "cut to the picture";
  EXPECT_EQ(cellText(c[2], row, locale), "25"_cp1252) << "rounded half up";
  EXPECT_EQ(cellText(c[3], row, locale), "1001"_cp1252) << "a number through a text picture";
  EXPECT_EQ(cellColours(c[1], row), (CellColours{0xFF, 0x1FE, 0x2FD, 0x3FC}));
  EXPECT_EQ(cellColours(c[2], row), CellColours{});

  const RecordLayout tooShort({{"ID", FieldType::Long, 4}, {"NAME", FieldType::String, 10}, {"X", FieldType::Long, 4}});
  EXPECT_FALSE(formatFitsLayout(*format, tooShort, &problem));
  EXPECT_EQ(problem, "column 2 is coloured, but field 4 is not a LONG");
  const RecordLayout textColours({{"ID", FieldType::Long, 4},
                                  {"NAME", FieldType::String, 10},
                                  {"A", FieldType::Long, 4},
                                  {"B", FieldType::String, 4},
                                  {"C", FieldType::Long, 4},
                                  {"D", FieldType::Long, 4},
                                  {"SCORE", FieldType::Real, 8},
                                  {"KEY", FieldType::Long, 4}});
  EXPECT_FALSE(formatFitsLayout(*format, textColours, &problem));
  EXPECT_EQ(problem, "column 2 is coloured, but field 4 is not a LONG");
}

}  // namespace
}  // namespace platform::ui
