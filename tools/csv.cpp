#include "tools/csv.h"

namespace datatool::csv {

std::vector<Record> parse(std::string_view text, std::vector<Error>& errors) {
  std::vector<Record> records;
  std::size_t pos = 0;
  int line = 1;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;

  const auto atRecordEnd = [&](std::size_t p) {
    return p >= text.size() || text[p] == '\n' || (text[p] == '\r' && p + 1 < text.size() && text[p + 1] == '\n');
  };
  // Steps over the record's line break (if any) and counts it.
  const auto skipLineBreak = [&] {
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') {
      ++pos;
      ++line;
    }
  };
  const auto skipRestOfLine = [&] {
    while (!atRecordEnd(pos)) ++pos;
    skipLineBreak();
  };

  while (pos < text.size()) {
    if (atRecordEnd(pos)) {  // an empty line
      skipLineBreak();
      continue;
    }
    Record record;
    record.line = line;
    bool bad = false;
    bool unterminated = false;
    while (true) {
      std::string field;
      if (pos < text.size() && text[pos] == '"') {
        ++pos;
        bool closed = false;
        while (pos < text.size()) {
          const char c = text[pos];
          if (c == '"') {
            if (pos + 1 < text.size() && text[pos + 1] == '"') {
              field.push_back('"');
              pos += 2;
              continue;
            }
            ++pos;
            closed = true;
            break;
          }
          if (c == '\n') ++line;
          field.push_back(c);
          ++pos;
        }
        if (!closed) {
          errors.push_back({record.line, "quoted field is not closed"});
          unterminated = true;
          break;
        }
        if (!atRecordEnd(pos) && text[pos] != ',') {
          errors.push_back(
              {record.line, "text after the closing quote of field " + std::to_string(record.fields.size() + 1)});
          bad = true;
          break;
        }
      } else {
        while (!atRecordEnd(pos) && text[pos] != ',') {
          if (text[pos] == '"') {
            errors.push_back({record.line, "quote inside unquoted field " + std::to_string(record.fields.size() + 1)});
            bad = true;
            break;
          }
          field.push_back(text[pos]);
          ++pos;
        }
        if (bad) break;
      }
      record.fields.push_back(std::move(field));
      if (pos < text.size() && text[pos] == ',') {
        ++pos;
        continue;
      }
      skipLineBreak();
      break;
    }
    if (unterminated) break;
    if (bad) {
      skipRestOfLine();
      continue;
    }
    records.push_back(std::move(record));
  }
  return records;
}

void appendField(std::string& out, std::string_view field) {
  const bool quote = field.find_first_of(",\"\r\n") != std::string_view::npos ||
                     (!field.empty() && (field.front() == ' ' || field.back() == ' '));
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
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out.push_back(',');
    appendField(out, fields[i]);
  }
  out.push_back('\n');
}

}  // namespace datatool::csv
