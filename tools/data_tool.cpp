#include "tools/data_tool.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <system_error>

#include "gradebook/spanish_locale.h"
#include "platform/core/cp1252.h"
#include "platform/core/number_text.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/key_image.h"
#include "platform/storage/session.h"
#include "tools/check_repair.h"
#include "tools/csv.h"

namespace datatool {

namespace fs = std::filesystem;
using platform::FieldType;
using platform::Locale;
using platform::RecordBuffer;
using platform::storage::DataFile;
using platform::storage::FileDecl;
using platform::storage::KeyDecl;
using platform::storage::Session;

namespace {

constexpr std::string_view kProgram = "gradebook-data";
// How long a load waits for another program's lock on the files before giving up.
constexpr double kBeginTimeoutSeconds = 10.0;

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = upperAscii(c);
  return out;
}

bool equalNoCase(std::string_view a, std::string_view b) { return upperAscii(a) == upperAscii(b); }

std::string trimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// A text that the storage reported, for the terminal: the locale's texts are code page 1252,
// the engine's own are ASCII.
std::string displayText(std::string_view text) {
  std::string ignored;
  char32_t bad = 0;
  if (platform::utf8ToCp1252(text, ignored, &bad) || bad != platform::kInvalidUtf8) return std::string(text);
  return platform::cp1252ToUtf8(text);
}

std::string storageError(const Session& session, int code, const std::string& path) {
  std::string text = session.lastError() == code ? session.lastErrorText() : std::string();
  if (text.empty()) text = std::string(platform::errors::defaultErrorText(code));
  return path + ": error " + std::to_string(code) + ": " + displayText(text);
}

std::string unicodeName(char32_t c) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(c));
  return hex;
}

// Puts one CSV value into a record field. Returns why it does not fit, or nothing.
std::optional<std::string> putValue(RecordBuffer& buffer, int index, std::string_view value) {
  const platform::Field& field = buffer.layout().field(index);
  const std::string quoted = "\"" + std::string(value) + "\"";
  switch (field.type) {
    case FieldType::Long:
    case FieldType::Byte: {
      long long number = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
      if (value.empty() || ec == std::errc::invalid_argument || end != value.data() + value.size()) {
        return quoted + " is not a whole number";
      }
      const long long low = field.type == FieldType::Long ? -2147483648LL : 0;
      const long long high = field.type == FieldType::Long ? 2147483647LL : 255;
      if (ec == std::errc::result_out_of_range || number < low || number > high) {
        return std::string(value) + " is outside " + (field.type == FieldType::Long ? "the 32-bit range" : "0 to 255");
      }
      if (field.type == FieldType::Long) {
        buffer.setLong(index, static_cast<std::int32_t>(number));
      } else {
        buffer.setByte(index, static_cast<std::uint8_t>(number));
      }
      return std::nullopt;
    }
    case FieldType::Real: {
      double number = 0;
      const auto [end, ec] =
          std::from_chars(value.data(), value.data() + value.size(), number, std::chars_format::general);
      if (value.empty() || ec == std::errc::invalid_argument || end != value.data() + value.size()) {
        return quoted + " is not a number";
      }
      if (ec == std::errc::result_out_of_range) return std::string(value) + " is out of the range of a REAL";
      if (!std::isfinite(number)) return quoted + " is not a finite number";
      buffer.setReal(index, number);
      return std::nullopt;
    }
    case FieldType::String:
    case FieldType::CString: {
      std::string text;
      char32_t bad = 0;
      std::size_t offset = 0;
      if (!platform::utf8ToCp1252(value, text, &bad, &offset)) {
        if (bad == platform::kInvalidUtf8) return "not valid UTF-8 (at byte " + std::to_string(offset + 1) + ")";
        return "character " + unicodeName(bad) + " is not in code page 1252";
      }
      const std::size_t room = field.type == FieldType::String ? field.size : field.size - 1;
      if (text.size() > room) {
        return std::to_string(text.size()) + " characters, the field holds " + std::to_string(room);
      }
      if (field.type == FieldType::CString && text.find('\0') != std::string::npos) return "holds a NUL character";
      buffer.setText(index, text);
      return std::nullopt;
    }
  }
  return "field of an unknown type";
}

// The value of a field as the CSV shows it (UTF-8).
std::string fieldText(const RecordBuffer& buffer, int index) {
  const platform::Field& field = buffer.layout().field(index);
  switch (field.type) {
    case FieldType::Long:
      return std::to_string(buffer.getLong(index));
    case FieldType::Byte:
      return std::to_string(buffer.getByte(index));
    case FieldType::Real:
      return platform::shortestDecimal(buffer.getReal(index));
    case FieldType::String:
      return platform::cp1252ToUtf8(trimRight(buffer.getText(index)));
    case FieldType::CString:
      return platform::cp1252ToUtf8(buffer.getText(index));
  }
  return {};
}

// The value of a record in a key, compared as the data files compare it: equal images are equal
// key values. Nothing when an optional key leaves the record out.
std::optional<std::string> keyValue(const KeyDecl& key, const RecordBuffer& buffer, const Locale& locale) {
  if (key.optional && std::all_of(key.components.begin(), key.components.end(),
                                  [&](int component) { return buffer.isNull(component); })) {
    return std::nullopt;
  }
  std::string image;
  for (int component : key.components) {
    platform::storage::appendFieldImage(locale, buffer, component, key.caseInsensitive, image);
  }
  return image;
}

std::string keyValueText(const KeyDecl& key, const RecordBuffer& buffer) {
  std::string text;
  for (int component : key.components) {
    if (!text.empty()) text += ", ";
    const auto type = buffer.layout().field(component).type;
    const bool isText = type == FieldType::String || type == FieldType::CString;
    text += isText ? "\"" + fieldText(buffer, component) + "\"" : fieldText(buffer, component);
  }
  return text;
}

// A table's rows that passed the field checks, as records.
struct CheckedTable {
  const FileDecl* decl = nullptr;
  std::string name;    // for messages
  bool usable = true;  // false: its header is wrong, so its rows were not read
  std::vector<RecordBuffer> records;
  std::vector<int> lines;
};

struct Problem {
  int file;
  int line;
  int sequence;
  std::string text;
};

class Problems {
 public:
  void add(int file, const std::string& name, int line, const std::string& reason) {
    list_.push_back({file, line, static_cast<int>(list_.size()), name + ":" + std::to_string(line) + ": " + reason});
  }
  std::size_t badRows() const {
    std::set<std::pair<int, int>> rows;
    for (const auto& p : list_) rows.insert({p.file, p.line});
    return rows.size();
  }
  bool empty() const { return list_.empty(); }
  std::vector<std::string> sorted() {
    std::sort(list_.begin(), list_.end(), [](const Problem& a, const Problem& b) {
      return std::tie(a.file, a.line, a.sequence) < std::tie(b.file, b.line, b.sequence);
    });
    std::vector<std::string> out;
    for (auto& p : list_) out.push_back(p.text);
    return out;
  }

 private:
  std::vector<Problem> list_;
};

// Reads the header and the rows of one table into records, reporting what does not fit.
void checkFields(int fileIndex, const Table& table, CheckedTable& checked, Problems& problems) {
  const FileDecl& decl = *checked.decl;
  std::vector<csv::Error> errors;
  std::vector<csv::Record> records = csv::parse(table.text, errors);
  for (const auto& e : errors) problems.add(fileIndex, table.name, e.line, e.reason);

  // The header is the first record, unless the line before it was malformed (reported above).
  const bool headerMalformed = !errors.empty() && (records.empty() || errors.front().line < records.front().line);
  if (records.empty() || headerMalformed) {
    if (errors.empty()) problems.add(fileIndex, table.name, 1, "no header row");
    checked.usable = false;
    return;
  }

  const csv::Record& header = records.front();
  const int headerLine = header.line;
  std::vector<int> columnField(header.fields.size(), -1);
  std::vector<int> fieldColumn(static_cast<std::size_t>(decl.layout.fieldCount()), -1);
  bool headerOk = true;
  for (std::size_t column = 0; column < header.fields.size(); ++column) {
    const std::string& name = header.fields[column];
    const int field = decl.fieldIndex(name);
    if (field < 0) {
      problems.add(fileIndex, table.name, headerLine,
                   "column " + std::to_string(column + 1) + " \"" + name + "\" names no field of " + decl.label);
      headerOk = false;
      continue;
    }
    int& seen = fieldColumn[static_cast<std::size_t>(field)];
    if (seen >= 0) {
      problems.add(fileIndex, table.name, headerLine,
                   "field " + decl.layout.field(field).name + " is named twice (columns " + std::to_string(seen + 1) +
                       " and " + std::to_string(column + 1) + ")");
      headerOk = false;
      continue;
    }
    seen = static_cast<int>(column);
    columnField[column] = field;
  }
  for (int field = 0; field < decl.layout.fieldCount(); ++field) {
    if (fieldColumn[static_cast<std::size_t>(field)] < 0) {
      problems.add(fileIndex, table.name, headerLine, "field " + decl.layout.field(field).name + " has no column");
      headerOk = false;
    }
  }
  if (!headerOk) {
    checked.usable = false;
    return;
  }

  for (std::size_t r = 1; r < records.size(); ++r) {
    const csv::Record& row = records[r];
    if (row.fields.size() != header.fields.size()) {
      problems.add(
          fileIndex, table.name, row.line,
          "expected " + std::to_string(header.fields.size()) + " fields, found " + std::to_string(row.fields.size()));
      continue;
    }
    RecordBuffer buffer(decl.layout);
    buffer.clear();
    bool good = true;
    for (std::size_t column = 0; column < row.fields.size(); ++column) {
      const int field = columnField[column];
      if (auto reason = putValue(buffer, field, row.fields[column])) {
        problems.add(fileIndex, table.name, row.line, decl.layout.field(field).name + ": " + *reason);
        good = false;
      }
    }
    if (good) {
      checked.records.push_back(std::move(buffer));
      checked.lines.push_back(row.line);
    }
  }
}

void checkUniqueKeys(int fileIndex, const CheckedTable& table, const Locale& locale, Problems& problems) {
  const FileDecl& decl = *table.decl;
  for (std::size_t k = 0; k < decl.keys.size(); ++k) {
    const KeyDecl& key = decl.keys[k];
    if (key.duplicates) continue;
    std::map<std::string, int> seen;  // key value -> line of its first row
    for (std::size_t r = 0; r < table.records.size(); ++r) {
      const auto value = keyValue(key, table.records[r], locale);
      if (!value) continue;
      const auto [it, inserted] = seen.emplace(*value, table.lines[r]);
      if (!inserted) {
        problems.add(fileIndex, table.name, table.lines[r],
                     "duplicate value " + keyValueText(key, table.records[r]) + " in unique key " +
                         decl.keyName(static_cast<int>(k)) + " (as on line " + std::to_string(it->second) + ")");
      }
    }
  }
}

void checkParents(const std::vector<CheckedTable>& tables, const Locale& locale, Problems& problems) {
  const auto tableOf = [&](std::string_view label) -> int {
    for (std::size_t i = 0; i < tables.size(); ++i) {
      if (tables[i].decl->label == label) return static_cast<int>(i);
    }
    return -1;
  };
  for (const auto& ref : dictionary::parentReferences()) {
    const int childIndex = tableOf(ref.file);
    const int parentIndex = tableOf(ref.parentFile);
    if (childIndex < 0 || parentIndex < 0) continue;
    const CheckedTable& child = tables[static_cast<std::size_t>(childIndex)];
    const CheckedTable& parent = tables[static_cast<std::size_t>(parentIndex)];
    // A parent table whose header is wrong was reported already; every lookup in it would fail.
    if (!child.usable || !parent.usable) continue;
    const int childField = child.decl->fieldIndex(ref.field);
    const int parentKey = parent.decl->keyIndex(ref.parentKey);
    const KeyDecl& key = parent.decl->keys[static_cast<std::size_t>(parentKey)];
    const int parentField = key.components.front();

    std::set<std::string> present;
    for (const auto& record : parent.records) {
      if (auto value = keyValue(key, record, locale)) present.insert(*value);
    }
    RecordBuffer probe(parent.decl->layout);
    for (std::size_t r = 0; r < child.records.size(); ++r) {
      probe.clear();
      const RecordBuffer& record = child.records[r];
      const auto& from = record.layout().field(childField);
      const auto& to = probe.layout().field(parentField);
      if (from.size == to.size && from.type == to.type) {
        std::memcpy(probe.data() + to.offset, record.data() + from.offset, from.size);
      }
      const auto value = keyValue(key, probe, locale);
      if (!value || present.count(*value) == 0) {
        problems.add(childIndex, child.name, child.lines[r],
                     std::string(ref.field) + " " + fieldText(record, childField) + " has no record in " +
                         parent.decl->label + " (" + parent.decl->keyName(parentKey) + ")");
      }
    }
  }
}

// A folder of its own for a session that writes nothing worth keeping (a dump's).
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "gradebook-data-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string listOfLabels(const dictionary::FileDeclarations& decls) {
  std::string text;
  for (const FileDecl* decl : decls.dataFiles()) text += (text.empty() ? "" : ", ") + decl->label;
  return text;
}

// Writes the checked tables into an existing folder in one transaction. Returns an empty text
// when done.
std::string writeTablesInto(const Locale& locale, const fs::path& folder, const std::vector<CheckedTable>& tables,
                            const std::string& vfs) {
  platform::storage::Engine engine(locale);
  if (!vfs.empty()) engine.setVfs(vfs);
  Session session(engine, folder.string());

  // Declarations first, so that they outlive the files that refer to them.
  std::vector<FileDecl> placed;
  placed.reserve(tables.size());
  for (const auto& table : tables) {
    placed.push_back(platform::storage::placedAt(*table.decl, (folder / table.decl->physicalName).string()));
  }

  std::vector<std::unique_ptr<DataFile>> files;
  std::vector<bool> created;
  std::string failure;

  const auto cleanUp = [&] {
    if (session.inTransaction()) session.rollback();
    for (auto& file : files) {
      if (file->isOpen()) file->close();
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
      if (created[i]) files[i]->remove();
    }
  };

  for (std::size_t i = 0; i < tables.size(); ++i) {
    files.push_back(std::make_unique<DataFile>(placed[i], session));
    DataFile& file = *files.back();
    const bool existed = file.exists();
    created.push_back(false);
    if (!existed) {
      if (int rc = file.create()) {
        failure = storageError(session, rc, placed[i].physicalPath());
        break;
      }
      created.back() = true;
    }
    if (int rc = file.open(platform::storage::kReadWriteDenyWrite)) {
      failure = storageError(session, rc, placed[i].physicalPath());
      break;
    }
  }
  if (!failure.empty()) {
    cleanUp();
    return failure;
  }

  std::vector<DataFile*> all;
  for (auto& file : files) all.push_back(file.get());
  if (int rc = session.begin(all, kBeginTimeoutSeconds)) {
    failure = storageError(session, rc, folder.string());
    cleanUp();
    return failure;
  }

  for (std::size_t i = 0; i < tables.size() && failure.empty(); ++i) {
    DataFile& file = *files[i];
    const std::string path = placed[i].physicalPath();
    if (!created[i]) {
      // The old records go inside the same transaction: a failed load leaves them in place.
      int rc = file.set();
      while (rc == 0 && (rc = file.next()) == 0) rc = file.erase();
      if (rc != platform::errors::kRecordNotAvailable) {
        failure = storageError(session, rc, path);
        break;
      }
    }
    const CheckedTable& table = tables[i];
    for (std::size_t r = 0; r < table.records.size(); ++r) {
      file.buffer().assign(table.records[r]);
      if (int rc = file.add()) {
        failure = table.name + ":" + std::to_string(table.lines[r]) + ": " + storageError(session, rc, path);
        break;
      }
    }
  }
  if (failure.empty()) {
    if (int rc = session.commit()) failure = storageError(session, rc, folder.string());
  }
  if (!failure.empty()) {
    cleanUp();
    return failure;
  }
  for (auto& file : files) file->close();
  return {};
}

// Writes the checked tables, creating the folder when it is missing; a folder made for a load that
// failed is removed again, with the storage engine's own files in it.
std::string writeTables(const Locale& locale, const fs::path& folder, const std::vector<CheckedTable>& tables,
                        const std::string& vfs) {
  std::error_code ec;
  const bool existed = fs::exists(folder, ec);
  fs::create_directories(folder, ec);
  if (ec) return folder.string() + ": cannot create the folder: " + ec.message();
  std::string failure = writeTablesInto(locale, folder, tables, vfs);
  if (!failure.empty() && !existed) fs::remove_all(folder, ec);
  return failure;
}

}  // namespace

Result readTables(const dictionary::FileDeclarations& decls, const fs::path& folder, Tables& tables) {
  Result result;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    result.error = folder.string() + ": not a folder";
    return result;
  }
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
  if (ec) {
    result.error = folder.string() + ": cannot read the folder: " + ec.message();
    return result;
  }
  std::sort(entries.begin(), entries.end());

  Tables found;
  for (const fs::path& path : entries) {
    if (!equalNoCase(path.extension().string(), ".csv") || !fs::is_regular_file(path, ec)) continue;
    const std::string name = path.filename().string();
    const FileDecl* decl = nullptr;
    for (const FileDecl* candidate : decls.dataFiles()) {
      if (equalNoCase(path.stem().string(), candidate->label)) decl = candidate;
    }
    if (decl == nullptr) {
      result.problems.push_back(name + ": names no data file (the tables are " + listOfLabels(decls) + ")");
      continue;
    }
    if (found.count(decl->label) != 0) {
      result.problems.push_back(name + ": a second table for " + decl->label + " (" + found[decl->label].name + ")");
      continue;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
      result.problems.push_back(name + ": cannot be read");
      continue;
    }
    found[decl->label] = Table{name, std::move(text)};
  }
  if (!result.problems.empty()) {
    result.error = folder.string() + ": the tables are not in order; nothing was read";
    return result;
  }
  tables = std::move(found);
  return result;
}

Result load(const dictionary::FileDeclarations& decls, const Locale& locale, const fs::path& folder,
            const Tables& tables, LoadOptions options) {
  Result result;
  for (const auto& [label, table] : tables) {
    const FileDecl* decl = decls.find(label);
    const auto data = decls.dataFiles();
    if (decl == nullptr || std::find(data.begin(), data.end(), decl) == data.end()) {
      result.problems.push_back(table.name + ": names no data file (the tables are " + listOfLabels(decls) + ")");
    }
  }
  if (!result.problems.empty()) {
    result.error = "nothing was written";
    return result;
  }

  if (!options.replace) {
    std::string existing;
    for (const FileDecl* decl : decls.dataFiles()) {
      std::error_code ec;
      if (fs::exists(folder / decl->physicalName, ec)) existing += (existing.empty() ? "" : ", ") + decl->physicalName;
    }
    if (!existing.empty()) {
      result.error = folder.string() + " holds data files already (" + existing + "); --replace replaces their records";
      return result;
    }
  }

  Problems problems;
  std::vector<CheckedTable> checked;
  const auto dataFiles = decls.dataFiles();
  for (std::size_t i = 0; i < dataFiles.size(); ++i) {
    CheckedTable table;
    table.decl = dataFiles[i];
    const auto it = tables.find(table.decl->label);
    if (it == tables.end()) {
      table.name = table.decl->label + ".csv";
      result.notes.push_back("no " + table.name + ": " + table.decl->label + " is loaded empty");
    } else {
      table.name = it->second.name;
      checkFields(static_cast<int>(i), it->second, table, problems);
      checkUniqueKeys(static_cast<int>(i), table, locale, problems);
    }
    checked.push_back(std::move(table));
  }
  checkParents(checked, locale, problems);

  if (!problems.empty()) {
    const std::size_t bad = problems.badRows();
    result.problems = problems.sorted();
    result.error = std::to_string(bad) + (bad == 1 ? " bad row" : " bad rows") + "; nothing was written";
    return result;
  }
  result.error = writeTables(locale, folder, checked, options.vfs);
  return result;
}

Result dump(const dictionary::FileDeclarations& decls, const Locale& locale, const fs::path& file,
            const DumpOptions& options, std::string& csvText) {
  Result result;
  const FileDecl* decl = nullptr;
  if (!options.label.empty()) {
    decl = decls.find(upperAscii(options.label));
    if (decl == nullptr) {
      std::string labels;
      for (const FileDecl* d : decls.inOrder()) labels += (labels.empty() ? "" : ", ") + d->label;
      result.error = "no file is declared as " + options.label + " (the labels are " + labels + ")";
      return result;
    }
  } else {
    const std::string name = file.filename().string();
    for (const FileDecl* candidate : decls.dataFiles()) {
      if (equalNoCase(name, candidate->physicalName)) decl = candidate;
    }
    if (decl == nullptr) decl = &decls.EXPORTACION;  // an export file, whatever its name
  }

  int key = -1;
  if (!options.key.empty()) {
    key = decl->keyIndex(options.key);
    if (key < 0) {
      std::string keys;
      for (std::size_t k = 0; k < decl->keys.size(); ++k) {
        keys += (keys.empty() ? "" : ", ") + decl->keyName(static_cast<int>(k));
      }
      result.error = decl->label + " has no key " + options.key + " (its keys are " + keys + ")";
      return result;
    }
  }

  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    const int code = fs::exists(file, ec) ? platform::errors::kInvalidDataFile : platform::errors::kFileNotFound;
    result.error =
        file.string() + ": error " + std::to_string(code) + ": " + platform::cp1252ToUtf8(locale.errorText(code));
    return result;
  }

  // The session's anchor goes to a folder of its own: a dump leaves nothing beside the file.
  ScratchFolder scratch;
  if (scratch.path().empty()) {
    result.error = "cannot make a temporary folder";
    return result;
  }
  FileDecl placed = platform::storage::placedAt(*decl, file.string());
  placed.createWhenMissing = false;
  platform::storage::Engine engine(locale);
  Session session(engine, scratch.path().string());
  DataFile data(placed, session);
  if (int rc = data.open(platform::storage::kReadOnly)) {
    result.error = storageError(session, rc, file.string());
    return result;
  }

  std::string out;
  std::vector<std::string> header;
  for (const auto& field : decl->layout.fields()) header.push_back(field.name);
  csv::appendRecord(out, header);
  int rc = key < 0 ? data.set() : data.set(key);
  std::vector<std::string> row(header.size());
  while (rc == 0 && (rc = data.next()) == 0) {
    for (int f = 0; f < decl->layout.fieldCount(); ++f) row[static_cast<std::size_t>(f)] = fieldText(data.buffer(), f);
    csv::appendRecord(out, row);
  }
  if (rc != platform::errors::kRecordNotAvailable) {
    result.error = storageError(session, rc, file.string());
    data.close();
    return result;
  }
  data.close();
  csvText = std::move(out);
  return result;
}

Result buildDemo(const dictionary::FileDeclarations& decls, const Locale& locale, const fs::path& folder,
                 const fs::path& from, bool replace) {
  Result result;
  std::error_code ec;
  if (fs::exists(folder, ec)) {
    if (!fs::is_directory(folder, ec)) {
      result.error = folder.string() + ": not a folder";
      return result;
    }
    if (!replace && !fs::is_empty(folder, ec)) {
      result.error = folder.string() + " is not empty; --replace replaces the records of its data files";
      return result;
    }
  }
  Tables tables;
  if (from.empty()) {
    tables = demoTables();
  } else {
    result = readTables(decls, from, tables);
    if (!result.ok()) return result;
  }
  LoadOptions options;
  options.replace = true;
  Result loaded = load(decls, locale, folder, tables, options);
  loaded.notes.insert(loaded.notes.begin(), result.notes.begin(), result.notes.end());
  return loaded;
}

Result loadFolder(const fs::path& dataFolder, const fs::path& csvFolder, bool replace) {
  dictionary::FileDeclarations decls;
  Locale locale;
  gradebook::ApplySpanishLocale(locale);
  Tables tables;
  Result result = readTables(decls, csvFolder, tables);
  if (!result.ok()) return result;
  LoadOptions options;
  options.replace = replace;
  Result loaded = load(decls, locale, dataFolder, tables, options);
  loaded.notes.insert(loaded.notes.begin(), result.notes.begin(), result.notes.end());
  return loaded;
}

namespace {

constexpr std::string_view kUsage =
    "usage: gradebook-data load FOLDER CSVDIR [--replace]\n"
    "       gradebook-data dump FILE [--key NAME] [--file LABEL]\n"
    "       gradebook-data demo FOLDER [--from CSVDIR] [--replace]\n"
    "       gradebook-data check FOLDER\n"
    "       gradebook-data repair FILE\n"
    "\n"
    "load  loads CSVDIR/LABEL.csv (one table per data file) into the data files in FOLDER;\n"
    "      a data file without a table is loaded empty\n"
    "dump  prints a data file (or an export file) as CSV, in physical order or in a key's order\n"
    "demo  builds the demo school in FOLDER\n"
    "check  checks every data file in FOLDER, changing nothing: one line per file, ok or what is\n"
    "       wrong and where\n"
    "repair rebuilds a damaged data file from every record that can be read, keeping the damaged\n"
    "       one beside it (FILE.damaged); close the program on every workstation first\n";

int usage(std::ostream& err, const std::string& why) {
  err << kProgram << ": " << why << "\n" << kUsage;
  return 2;
}

int report(const Result& result, std::ostream& err) {
  for (const auto& note : result.notes) err << kProgram << ": note: " << note << "\n";
  for (const auto& problem : result.problems) err << problem << "\n";
  if (!result.error.empty()) {
    err << kProgram << ": " << result.error << "\n";
    return 1;
  }
  return result.problems.empty() ? 0 : 1;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return usage(err, "no command");
  const std::string& command = args.front();
  if (command == "help" || command == "--help" || command == "-h") {
    out << kUsage;
    return 0;
  }

  // Options with a value, and flags, each sub-command's own.
  std::set<std::string> valueOptions;
  std::set<std::string> flags;
  std::size_t positionalCount = 0;
  if (command == "load") {
    flags = {"--replace"};
    positionalCount = 2;
  } else if (command == "dump") {
    valueOptions = {"--key", "--file"};
    positionalCount = 1;
  } else if (command == "demo") {
    valueOptions = {"--from"};
    flags = {"--replace"};
    positionalCount = 1;
  } else if (command == "check" || command == "repair") {
    positionalCount = 1;
  } else {
    return usage(err, "unknown command \"" + command + "\"");
  }

  std::vector<std::string> positional;
  std::map<std::string, std::string> values;
  std::set<std::string> given;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() > 1 && arg[0] == '-') {
      if (flags.count(arg) != 0) {
        given.insert(arg);
      } else if (valueOptions.count(arg) != 0) {
        if (i + 1 >= args.size()) return usage(err, arg + " needs a value");
        if (values.count(arg) != 0) return usage(err, arg + " is given twice");
        values[arg] = args[++i];
      } else {
        return usage(err, "unknown option \"" + arg + "\" for " + command);
      }
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != positionalCount)
    return usage(err, command + " takes " + std::to_string(positionalCount) +
                          (positionalCount == 1 ? " argument" : " arguments"));

  try {
    dictionary::FileDeclarations decls;
    Locale locale;
    gradebook::ApplySpanishLocale(locale);  // before any data file is touched: it decides the keys' order
    const bool replace = given.count("--replace") != 0;

    if (command == "load") {
      Tables tables;
      Result read = readTables(decls, positional[1], tables);
      if (!read.ok()) return report(read, err);
      LoadOptions options;
      options.replace = replace;
      Result loaded = load(decls, locale, positional[0], tables, options);
      loaded.notes.insert(loaded.notes.begin(), read.notes.begin(), read.notes.end());
      return report(loaded, err);
    }
    if (command == "dump") {
      DumpOptions options;
      if (auto it = values.find("--key"); it != values.end()) options.key = it->second;
      if (auto it = values.find("--file"); it != values.end()) options.label = it->second;
      std::string csvText;
      Result dumped = dump(decls, locale, positional[0], options, csvText);
      if (dumped.ok()) out << csvText << std::flush;
      return report(dumped, err);
    }
    if (command == "check") return checkCommand(decls, locale, positional[0], out, err);
    if (command == "repair") return repairCommand(decls, locale, positional[0], out, err);
    const auto from = values.find("--from");
    return report(
        buildDemo(decls, locale, positional[0], from == values.end() ? fs::path() : fs::path(from->second), replace),
        err);
  } catch (const std::exception& e) {
    err << kProgram << ": " << e.what() << "\n";
    return 1;
  }
}

}  // namespace datatool
