// Comma-separated tables as the data tool reads and writes them.
//
// Reading: fields are separated by commas and records by LF or CRLF. A field that starts with a
// double quote is quoted: it runs to the next lone quote, "" stands for one quote, and commas and
// line breaks inside it are data. A quote anywhere else, or text after a closing quote, is an
// error. A UTF-8 byte-order mark at the very start is skipped. Lines that hold nothing at all are
// skipped. Each record carries the physical line number (1 for the first line) where it starts.
// A Reader reads one record at a time, so that a table of any size is read in little memory.
//
// Writing: fields are quoted only when they must be: when they hold a comma, a quote, a CR or LF,
// or start or end with a blank or with a byte-order mark, and a record's one field when it is
// empty (an empty line would be skipped). Records end with LF; what is written reads back as the
// same fields.
#pragma once

#include <cstdint>
#include <iosfwd>
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

// Reads the records of a table from a stream or from text held in memory, one at a time.
class Reader {
 public:
  enum class Got { kRecord, kError, kEnd };

  // A stream is read in blocks of this many bytes.
  static constexpr std::size_t kBlock = 64 * 1024;

  // From a stream, which must outlive the reader, read `block` bytes at a time (tests read in
  // small blocks, so that records and their line breaks straddle them).
  explicit Reader(std::istream& in, std::size_t block = kBlock);
  // From text, which must outlive the reader (it is not copied).
  explicit Reader(std::string_view text);
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // The next record into `record` (its strings are reused from one call to the next), or a
  // malformed record in `error`, which is skipped: reading resumes at the next line break, except
  // after an unterminated quoted field, which ends the table. kEnd once the table is read.
  Got next(Record& record, Error& error);

  // Whether the stream failed before its end: what was read is not the whole table.
  bool failed() const { return failed_; }
  // Once the table is read to its end, a 64-bit digest of its bytes: two reads of the same bytes
  // from the same kind of source (a stream, or text) give the same digest, a change to them
  // almost surely another.
  std::uint64_t digest() const { return digest_; }

 private:
  // Makes at least `n` bytes from the current one available unless the input ends first; returns
  // whether they are.
  bool fill(std::size_t n);
  // The byte `ahead` places after the current one, or -1 past the end of the input.
  int peek(std::size_t ahead = 0) {
    if (pos_ + ahead >= end_ && !fill(ahead + 1)) return -1;
    return static_cast<unsigned char>(data_[pos_ + ahead]);
  }
  bool atRecordEnd() {
    const int c = peek();
    return c == -1 || c == '\n' || (c == '\r' && peek(1) == '\n');
  }
  void skipLineBreak();
  void skipRestOfLine();
  // Reads a quoted field (the current byte is its opening quote) into `field`. Returns false with
  // `reason` set when it is malformed.
  bool readQuoted(std::string& field, std::size_t number, std::string& reason, bool& unterminated);
  bool readUnquoted(std::string& field, std::size_t number, std::string& reason);

  std::istream* in_ = nullptr;
  std::size_t block_ = kBlock;
  std::string buffer_;  // a stream's bytes not yet read, from data_ on
  const char* data_ = nullptr;
  std::size_t pos_ = 0, end_ = 0;
  bool eof_ = false;
  bool failed_ = false;
  bool ended_ = false;
  bool started_ = false;
  int line_ = 1;
  std::uint64_t digest_ = 0;
};

// Parses a whole table held in memory. A malformed record is reported and skipped; an
// unterminated quoted field ends the table. Returns the records that were read.
std::vector<Record> parse(std::string_view text, std::vector<Error>& errors);

// Appends one field, quoted when needed.
void appendField(std::string& out, std::string_view field);
// Appends a record: its fields separated by commas, then LF.
void appendRecord(std::string& out, const std::vector<std::string>& fields);

}  // namespace datatool::csv
