#include "fuzz/table_inputs.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "dictionary/file_declarations.h"
#include "dictionary/spanish_locale.h"
#include "platform/core/locale.h"
#include "tools/csv.h"
#include "tools/data_tool.h"

namespace fuzz {
namespace {

namespace csv = datatool::csv;

constexpr std::size_t kLargestBlock = 64;

// What one call of Reader::next gave.
struct Read {
  bool error = false;
  int line = 0;
  std::vector<std::string> fields;  // a record's
  std::string reason;               // an error's
  bool operator==(const Read&) const = default;
};

std::vector<Read> readAll(csv::Reader& reader) {
  std::vector<Read> all;
  csv::Record record;
  csv::Error error;
  for (csv::Reader::Got got; (got = reader.next(record, error)) != csv::Reader::Got::kEnd;) {
    if (got == csv::Reader::Got::kError) {
      all.push_back({true, error.line, {}, error.reason});
    } else {
      all.push_back({false, record.line, record.fields, {}});
    }
  }
  return all;
}

std::string_view textOf(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The tables of a load_check_fuzz input, by label, in memory.
datatool::Tables tablesOf(const dictionary::FileDeclarations& decls, std::string_view input) {
  datatool::Tables tables;
  std::size_t at = 0;
  for (const auto* decl : decls.dataFiles()) {
    if (at > input.size()) break;
    const std::size_t end = std::min(input.find(kTableSeparator, at), input.size());
    if (end > at)
      tables[decl->label] = datatool::Table{decl->label + ".csv", std::string(input.substr(at, end - at)), {}};
    at = end + 1;
  }
  return tables;
}

// The same tables with the columns of every record in reverse order; false when a table holds a
// malformed record (which the reversed table could not hold the same way).
bool reversedColumns(const datatool::Tables& tables, datatool::Tables& reversed) {
  for (const auto& [label, table] : tables) {
    std::vector<csv::Error> errors;
    const std::vector<csv::Record> records = csv::parse(table.text, errors);
    if (!errors.empty()) return false;
    datatool::Table& out = reversed[label];
    out.name = table.name;
    for (const csv::Record& record : records) {
      csv::appendRecord(out.text, std::vector<std::string>(record.fields.rbegin(), record.fields.rend()));
    }
  }
  return true;
}

// The number of bad rows a check found, from its one-line error ("3 bad rows; ...").
long badRows(const datatool::Result& result) {
  return result.problems.empty() ? 0 : std::strtol(result.error.c_str(), nullptr, 10);
}

}  // namespace

std::string readCsvInput(std::span<const std::uint8_t> input) {
  if (input.empty()) return {};
  const std::size_t block = 1 + input[0] % kLargestBlock;
  const std::string text(textOf(input.subspan(1)));

  csv::Reader whole{std::string_view(text)};
  const std::vector<Read> read = readAll(whole);
  std::istringstream stream(text);
  csv::Reader blocks(stream, block);
  if (readAll(blocks) != read) return "a stream read in blocks of " + std::to_string(block) + " reads otherwise";
  if (blocks.failed()) return "a stream in memory failed";

  int line = 0;
  std::string written;
  std::vector<std::vector<std::string>> records;
  for (const Read& r : read) {
    if (r.line <= line)
      return "a record or error on line " + std::to_string(r.line) + " after line " + std::to_string(line);
    line = r.line;
    if (r.error) continue;
    csv::appendRecord(written, r.fields);
    records.push_back(r.fields);
  }
  std::vector<csv::Error> errors;
  const std::vector<csv::Record> again = csv::parse(written, errors);
  if (!errors.empty()) return "records written back read with an error: " + errors.front().reason;
  if (again.size() != records.size()) {
    return std::to_string(records.size()) + " records written back read as " + std::to_string(again.size());
  }
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (again[i].fields != records[i]) return "record " + std::to_string(i + 1) + " written back reads otherwise";
  }
  return {};
}

std::string checkTablesInput(std::span<const std::uint8_t> input) {
  static const dictionary::FileDeclarations decls;
  static const platform::Locale locale = [] {
    platform::Locale spanish;
    dictionary::ApplySpanishLocale(spanish);
    return spanish;
  }();
  const datatool::Tables tables = tablesOf(decls, textOf(input));
  const datatool::Result checked = datatool::checkTables(decls, locale, tables);
  datatool::Tables reversed;
  if (!reversedColumns(tables, reversed)) return {};
  const datatool::Result reversedChecked = datatool::checkTables(decls, locale, reversed);
  if (badRows(reversedChecked) != badRows(checked)) {
    return std::to_string(badRows(checked)) + " bad rows, with the columns reversed " +
           std::to_string(badRows(reversedChecked)) + ": " +
           (checked.problems.empty() ? reversedChecked.problems : checked.problems).front();
  }
  return {};
}

std::string csvInput(std::size_t block, std::string_view table) {
  std::string input(1, static_cast<char>((block - 1) % kLargestBlock));
  input.append(table);
  return input;
}

std::string tablesInput(const std::vector<std::string>& tables) {
  std::string input;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    if (i > 0) input.push_back(kTableSeparator);
    input += tables[i];
  }
  return input;
}

}  // namespace fuzz
