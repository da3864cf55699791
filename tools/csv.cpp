#include "tools/csv.h"

#include <functional>
#include <istream>

namespace datatool::csv {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

void addToDigest(std::uint64_t& digest, std::string_view bytes) {
  digest = (digest ^ std::hash<std::string_view>{}(bytes)) * 0x9E3779B97F4A7C15ull + bytes.size();
}

}  // namespace

Reader::Reader(std::istream& in, std::size_t block) : in_(&in), block_(block > 0 ? block : kBlock) {
  data_ = buffer_.data();
}

Reader::Reader(std::string_view text) : data_(text.data()), end_(text.size()), eof_(true) {
  addToDigest(digest_, text);
}

bool Reader::fill(std::size_t n) {
  while (end_ - pos_ < n && !eof_) {
    // Keeps the bytes not read yet and appends a block after them.
    buffer_.erase(0, pos_);
    end_ -= pos_;
    pos_ = 0;
    buffer_.resize(end_ + block_);
    in_->read(buffer_.data() + end_, static_cast<std::streamsize>(block_));
    const auto got = static_cast<std::size_t>(in_->gcount());
    addToDigest(digest_, std::string_view(buffer_.data() + end_, got));
    end_ += got;
    buffer_.resize(end_);
    data_ = buffer_.data();
    if (got < block_) {
      eof_ = true;
      failed_ = in_->bad() || (in_->fail() && !in_->eof());
    }
  }
  return end_ - pos_ >= n;
}

void Reader::skipLineBreak() {
  if (peek() == '\r') ++pos_;
  if (peek() == '\n') {
    ++pos_;
    ++line_;
  }
}

void Reader::skipRestOfLine() {
  while (!atRecordEnd()) ++pos_;
  skipLineBreak();
}

bool Reader::readQuoted(std::string& field, std::size_t number, std::string& reason, bool& unterminated) {
  ++pos_;  // the opening quote
  while (true) {
    if (pos_ >= end_ && !fill(1)) {
      reason = "quoted field is not closed";
      unterminated = true;
      return false;
    }
    // The run up to the next quote or line break is data as it stands.
    std::size_t stop = pos_;
    while (stop < end_ && data_[stop] != '"' && data_[stop] != '\n') ++stop;
    field.append(data_ + pos_, stop - pos_);
    pos_ = stop;
    if (pos_ >= end_) continue;
    if (data_[pos_] == '\n') {
      field.push_back('\n');
      ++pos_;
      ++line_;
      continue;
    }
    if (peek(1) == '"') {
      field.push_back('"');
      pos_ += 2;
      continue;
    }
    ++pos_;  // the closing quote
    if (!atRecordEnd() && peek() != ',') {
      reason = "text after the closing quote of field " + std::to_string(number);
      return false;
    }
    return true;
  }
}

bool Reader::readUnquoted(std::string& field, std::size_t number, std::string& reason) {
  while (true) {
    if (pos_ >= end_ && !fill(1)) return true;
    std::size_t stop = pos_;
    while (stop < end_) {
      const char c = data_[stop];
      if (c == ',' || c == '\n' || c == '\r' || c == '"') break;
      ++stop;
    }
    field.append(data_ + pos_, stop - pos_);
    pos_ = stop;
    if (pos_ >= end_) continue;
    const char c = data_[pos_];
    if (c == '"') {
      reason = "quote inside unquoted field " + std::to_string(number);
      return false;
    }
    if (c == '\r' && peek(1) != '\n') {  // a lone CR is data
      field.push_back('\r');
      ++pos_;
      continue;
    }
    return true;
  }
}

Reader::Got Reader::next(Record& record, Error& error) {
  if (ended_) return Got::kEnd;
  if (!started_) {
    started_ = true;
    if (peek() == 0xEF && peek(1) == 0xBB && peek(2) == 0xBF) pos_ += 3;
  }
  while (peek() != -1 && atRecordEnd()) skipLineBreak();  // empty lines
  if (peek() == -1) {
    ended_ = true;
    return Got::kEnd;
  }

  record.line = line_;
  std::size_t count = 0;
  std::string reason;
  bool unterminated = false;
  while (true) {
    if (count == record.fields.size()) record.fields.emplace_back();
    std::string& field = record.fields[count];
    field.clear();
    const bool good =
        peek() == '"' ? readQuoted(field, count + 1, reason, unterminated) : readUnquoted(field, count + 1, reason);
    if (!good) break;
    ++count;
    if (peek() == ',') {
      ++pos_;
      continue;
    }
    skipLineBreak();
    break;
  }
  if (!reason.empty()) {
    error.line = record.line;
    error.reason = std::move(reason);
    if (unterminated) {
      ended_ = true;
    } else {
      skipRestOfLine();
    }
    return Got::kError;
  }
  record.fields.resize(count);
  return Got::kRecord;
}

std::vector<Record> parse(std::string_view text, std::vector<Error>& errors) {
  std::vector<Record> records;
  Reader reader(text);
  Record record;
  Error error;
  for (Reader::Got got; (got = reader.next(record, error)) != Reader::Got::kEnd;) {
    if (got == Reader::Got::kError) {
      errors.push_back(error);
    } else {
      records.push_back(record);
    }
  }
  return records;
}

void appendField(std::string& out, std::string_view field) {
  // A field that starts with a byte-order mark is quoted: at the start of a table, reading would
  // skip the mark.
  const bool quote = field.find_first_of(",\"\r\n") != std::string_view::npos ||
                     (!field.empty() && (field.front() == ' ' || field.back() == ' ')) ||
                     field.starts_with(kByteOrderMark);
  if (!quote) {
    out.append(field);
    return;
  }
  out.push_back('"');
  for (char c : field) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

void appendRecord(std::string& out, const std::vector<std::string>& fields) {
  // A record of one empty field would be an empty line, which reading skips.
  if (fields.size() == 1 && fields.front().empty()) {
    out.append("\"\"\n");
    return;
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out.push_back(',');
    appendField(out, fields[i]);
  }
  out.push_back('\n');
}

}  // namespace datatool::csv
