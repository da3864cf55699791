#include "tools/csv.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using datatool::csv::Error;
using datatool::csv::Record;

struct ParseCase {
  const char* name;
  std::string text;
  std::vector<std::vector<std::string>> fields;
  std::vector<int> lines;
  std::vector<int> errorLines;
};

TEST(Csv, ParsesTables) {
  const ParseCase cases[] = {
      {"plain", "a,b\n1,2\n", {{"a", "b"}, {"1", "2"}}, {1, 2}, {}},
      {"no final line break", "a,b\n1,2", {{"a", "b"}, {"1", "2"}}, {1, 2}, {}},
      {"CRLF", "a,b\r\n1,2\r\n", {{"a", "b"}, {"1", "2"}}, {1, 2}, {}},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "a\n",
       {{"a"}},
       {1},
       {}},
      {"empty fields", ",\n,,x\n", {{"", ""}, {"", "", "x"}}, {1, 2}, {}},
      {"empty lines skipped", "a\n\n\r\nb\n", {{"a"}, {"b"}}, {1, 4}, {}},
      {"quoted comma and quote", "\"x,y\",\"say \"\"hi\"\"\"\n", {{"x,y", "say \"hi\""}}, {1}, {}},
      {"quoted blanks kept", "\" a \",b \n", {{" a ", "b "}}, {1}, {}},
      {"line break inside quotes", "\"one\ntwo\",x\nnext\n", {{"one\ntwo", "x"}, {"next"}}, {1, 3}, {}},
      {"empty quoted field", "\"\",a\n", {{"", "a"}}, {1}, {}},
      {"quote inside unquoted field", "ok\nab\"c,d\nafter\n", {{"ok"}, {"after"}}, {1, 3}, {2}},
      {"text after closing quote", "\"ab\"c,d\nafter\n", {{"after"}}, {2}, {1}},
      {"unterminated quote ends the table", "a\n\"open,\nstill\n", {{"a"}}, {1}, {2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Error> errors;
    const std::vector<Record> records = datatool::csv::parse(c.text, errors);
    std::vector<std::vector<std::string>> fields;
    std::vector<int> lines;
    for (const auto& r : records) {
      fields.push_back(r.fields);
      lines.push_back(r.line);
    }
    EXPECT_EQ(fields, c.fields);
    EXPECT_EQ(lines, c.lines);
    std::vector<int> errorLines;
    for (const auto& e : errors) errorLines.push_back(e.line);
    EXPECT_EQ(errorLines, c.errorLines);
  }
}

TEST(Csv, QuotesOnlyWhereNeededAndReadsBackTheSameFields) {
  const struct {
    std::string field;
    std::string written;
  } cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"Peña Núñez", "Peña Núñez"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\nlines", "\"two\nlines\""},
      {"cr\r", "\"cr\r\""},
      {" lead", "\" lead\""},
      {"trail ", "\"trail \""},
      {"in side", "in side"},
  };
  std::vector<std::string> all;
  for (const auto& c : cases) {
    std::string out;
    datatool::csv::appendField(out, c.field);
    EXPECT_EQ(out, c.written) << c.field;
    all.push_back(c.field);
  }
  std::string table;
  datatool::csv::appendRecord(table, all);
  datatool::csv::appendRecord(table, {"x"});
  std::vector<Error> errors;
  const auto records = datatool::csv::parse(table, errors);
  EXPECT_TRUE(errors.empty());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].fields, all);
  EXPECT_EQ(records[1].line, 3);  // the embedded LF counts as a line, the lone CR does not
}

// Tables of records that the reader gives and that would otherwise be written as text the reader
// skips or reads otherwise: a record of one empty field (an empty line), a first field that
// starts with the bytes of a byte-order mark (skipped at the start of a table).
TEST(Csv, EveryRecordReadWritesBackAsTheSameFields) {
  const struct {
    std::vector<std::vector<std::string>> records;
    std::string written;
  } cases[] = {
      {{{""}, {"x"}, {"", ""}, {""}}, "\"\"\nx\n,\n\"\"\n"},
      {{{"\xEF\xBB\xBF"}, {"\xEF\xBB\xBFid", "x"}}, "\"\xEF\xBB\xBF\"\n\"\xEF\xBB\xBFid\",x\n"},
  };
  for (const auto& c : cases) {
    std::string table;
    for (const auto& fields : c.records) datatool::csv::appendRecord(table, fields);
    EXPECT_EQ(table, c.written);
    std::vector<Error> errors;
    std::vector<std::vector<std::string>> read;
    for (const auto& record : datatool::csv::parse(table, errors)) read.push_back(record.fields);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(read, c.records);
  }
}

// A table read from a stream, a block at a time, gives the same records and errors as the same
// text read whole, whatever falls on the edge of a block: a quoted line break, a doubled quote, a
// CRLF, a malformed line.
TEST(Csv, ReadsAStreamAsTheSameTextWhole) {
  std::string body = "id,text\r\n";
  for (int i = 0; body.size() < 3 * 65536; ++i) {
    body += std::to_string(i) + ",\"say \"\"hi\"\"\nnext line\"\r\n" + std::to_string(i) + ",plain text\n";
    if (i % 331 == 0) body += "bad\"line\n";
  }
  for (int shift = 0; shift < 6; ++shift) {
    SCOPED_TRACE("shifted by " + std::to_string(shift));
    const std::string text = std::string(static_cast<std::size_t>(shift), '\n') + body;
    std::vector<Error> errors;
    const std::vector<Record> whole = datatool::csv::parse(text, errors);

    std::istringstream in(text);
    datatool::csv::Reader reader(in);
    std::vector<Record> streamed;
    std::vector<int> errorLines;
    Record record;
    Error error;
    for (datatool::csv::Reader::Got got; (got = reader.next(record, error)) != datatool::csv::Reader::Got::kEnd;) {
      if (got == datatool::csv::Reader::Got::kError) {
        errorLines.push_back(error.line);
      } else {
        streamed.push_back(record);
      }
    }
    EXPECT_FALSE(reader.failed());
    ASSERT_EQ(streamed.size(), whole.size());
    for (std::size_t r = 0; r < whole.size(); ++r) {
      ASSERT_EQ(streamed[r].line, whole[r].line);
      ASSERT_EQ(streamed[r].fields, whole[r].fields);
    }
    std::vector<int> wholeErrorLines;
    for (const auto& e : errors) wholeErrorLines.push_back(e.line);
    EXPECT_EQ(errorLines, wholeErrorLines);
    EXPECT_GT(errorLines.size(), 10u);
  }
}

// Reading the same bytes again gives the same digest; one byte changed, another.
TEST(Csv, DigestTellsAChangedTable) {
  const auto digestOf = [](const std::string& text) {
    std::istringstream in(text);
    datatool::csv::Reader reader(in);
    Record record;
    Error error;
    while (reader.next(record, error) != datatool::csv::Reader::Got::kEnd) {
    }
    return reader.digest();
  };
  std::string text;
  for (int i = 0; i < 20000; ++i) text += std::to_string(i) + ",Peña\n";
  const auto digest = digestOf(text);
  EXPECT_EQ(digestOf(text), digest);
  std::string changed = text;
  changed[100000] = changed[100000] == '1' ? '2' : '1';
  EXPECT_NE(digestOf(changed), digest);
  EXPECT_NE(digestOf(text + "1,x\n"), digest);
}

}  // namespace
