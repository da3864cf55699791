// Comma-separated tables as the data tool reads and writes them.
//
// Reading: fields are separated by commas and records by LF or CRLF. A field that starts with a
// double quote is quoted: it runs to the next lone quote, "" stands for one quote, and commas and
// line breaks inside it are data. A quote anywhere else, or text after a closing quote, is an
// error. A UTF-8 byte-order mark at the very start is skipped. Lines that hold nothing at all are
// skipped. Each record carries the physical line number (1 for the first line) where it starts.
//
// Writing: fields are quoted only when they must be: when they hold a comma, a quote, a CR or LF,
// or start or end with a blank. Records end with LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace datatool::csv {

struct Record {
  int line = 0;
  std::vector<std::string> fields;
};

struct Error {
  int line = 0;
  std::string reason;
};

// Parses a whole table. A malformed record is reported and skipped (reading resumes at the next
// line break); an unterminated quoted field ends the table. Returns the records that were read.
std::vector<Record> parse(std::string_view text, std::vector<Error>& errors);

// Appends one field, quoted when needed.
void appendField(std::string& out, std::string_view field);
// Appends a record: its fields separated by commas, then LF.
void appendRecord(std::string& out, const std::vector<std::string>& fields);

}  // namespace datatool::csv
