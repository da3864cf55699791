#include "tools/data_tool.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <system_error>
#include <thread>

#include "dictionary/spanish_locale.h"
#include "platform/core/cp1252.h"
#include "platform/core/number_text.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/key_image.h"
#include "platform/storage/session.h"
#include "tools/batch_queue.h"
#include "tools/check_repair.h"
#include "tools/csv.h"
#include "tools/image_set.h"
#include "tools/staged_folder.h"

namespace datatool {

namespace fs = std::filesystem;
using platform::Cp1252Text;
using platform::Cp1252View;
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

// Why a text cannot be stored, when it holds a control character: it would show and print broken
// (a line break inside a name, a tab).
std::optional<std::string> controlCharacterIn(Cp1252View text) {
  const std::string_view bytes = text.bytes();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char32_t c = platform::cp1252ToUnicode(static_cast<std::uint8_t>(bytes[i]));
    if (c >= 0x20 && !(c >= 0x7F && c <= 0x9F)) continue;
    std::string name;
    if (c == '\n') name = " (line break)";
    if (c == '\r') name = " (carriage return)";
    if (c == '\t') name = " (tab)";
    return "holds control character " + unicodeName(c) + name + " at character " + std::to_string(i + 1) +
           "; a text may hold only printable characters";
  }
  return std::nullopt;
}

std::string quoted(std::string_view value) { return "\"" + std::string(value) + "\""; }

// Puts one CSV value into a record field. Returns why it does not fit, or nothing.
std::optional<std::string> putValue(RecordBuffer& buffer, int index, std::string_view value) {
  const platform::Field& field = buffer.layout().field(index);
  switch (field.type) {
    case FieldType::Long:
    case FieldType::Byte: {
      long long number = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
      if (value.empty() || ec == std::errc::invalid_argument || end != value.data() + value.size()) {
        return quoted(value) + " is not a whole number";
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
        return quoted(value) + " is not a number";
      }
      if (ec == std::errc::result_out_of_range) return std::string(value) + " is out of the range of a REAL";
      if (!std::isfinite(number)) return quoted(value) + " is not a finite number";
      buffer.setReal(index, number);
      return std::nullopt;
    }
    case FieldType::String:
    case FieldType::CString: {
      platform::Utf8Refusal refusal;
      const std::optional<Cp1252Text> text = Cp1252Text::fromUtf8(value, &refusal);
      if (!text) {
        if (refusal.character == platform::kInvalidUtf8)
          return "not valid UTF-8 (at byte " + std::to_string(refusal.offset + 1) + ")";
        return "character " + unicodeName(refusal.character) + " is not in code page 1252";
      }
      if (auto control = controlCharacterIn(*text)) return control;
      const std::size_t room = field.type == FieldType::String ? field.size : field.size - 1;
      if (text->size() > room) {
        return std::to_string(text->size()) + " characters, the field holds " + std::to_string(room);
      }
      buffer.setText(index, *text);
      return std::nullopt;
    }
  }
  return "field of an unknown type";
}

// A text field's characters as stored: a STRING without its trailing blanks, a CSTRING up to its
// NUL.
Cp1252View storedText(const RecordBuffer& buffer, int index) {
  const Cp1252View text = buffer.textView(index);
  return buffer.layout().field(index).type == FieldType::CString ? text : trimRight(text);
}

// The value of a field as the CSV shows it (UTF-8), appended as a CSV field (quoted where needed).
// `scratch` is reused from call to call: a dump writes millions of fields.
void appendFieldText(const RecordBuffer& buffer, int index, std::string& out, std::string& scratch) {
  const platform::Field& field = buffer.layout().field(index);
  switch (field.type) {
    case FieldType::Long:
    case FieldType::Byte: {
      char text[16];
      const long value = field.type == FieldType::Long ? buffer.getLong(index) : buffer.getByte(index);
      out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
      return;
    }
    case FieldType::Real:
      out += platform::shortestDecimal(buffer.getReal(index));
      return;
    case FieldType::String:
    case FieldType::CString:
      scratch.clear();
      storedText(buffer, index).appendUtf8To(scratch);
      csv::appendField(out, scratch);
      return;
  }
}

// The value of a field as the CSV shows it (UTF-8), unquoted: for messages.
std::string fieldText(const RecordBuffer& buffer, int index) {
  const platform::Field& field = buffer.layout().field(index);
  if (field.type == FieldType::String || field.type == FieldType::CString) {
    return storedText(buffer, index).toUtf8();
  }
  std::string text, scratch;
  appendFieldText(buffer, index, text, scratch);
  return text;
}

// The value of a record in a key, compared as the data files compare it: equal images are equal
// key values. Replaces `image`; false when an optional key leaves the record out.
bool keyImageInto(const KeyDecl& key, const RecordBuffer& buffer, const Locale& locale, std::string& image) {
  if (key.optional && std::all_of(key.components.begin(), key.components.end(),
                                  [&](int component) { return buffer.isNull(component); })) {
    return false;
  }
  image.clear();
  for (int component : key.components) {
    platform::storage::appendFieldImage(locale, buffer, component, key.caseInsensitive, image);
  }
  return true;
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

struct Problem {
  int file;
  int line;
  int sequence;
  std::string text;
};

class Problems {
 public:
  // `line` 0: the table as a whole.
  void add(int file, const std::string& name, int line, const std::string& reason) {
    const std::string where = line > 0 ? name + ":" + std::to_string(line) : name;
    list_.push_back({file, line, next_++, where + ": " + reason});
  }
  std::size_t badRows() const {
    std::set<std::pair<int, int>> rows;
    for (const auto& p : list_) rows.insert({p.file, p.line});
    return rows.size();
  }
  // Another list's problem, after those of this one.
  void add(const Problem& problem) {
    list_.push_back(problem);
    list_.back().sequence = next_++;
  }
  const std::vector<Problem>& list() const { return list_; }
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
  int next_ = 0;  // the sequence of the next problem: the order in which they were found
};

// The rows of a table, read once from its start: from the file, or from the text in memory.
class TableInput {
 public:
  // False when the table's file cannot be opened.
  bool open(const Table& table) {
    if (table.file.empty()) {
      reader_.emplace(std::string_view(table.text));
      return true;
    }
    file_.open(table.file, std::ios::binary);
    if (!file_) return false;
    reader_.emplace(file_);
    return true;
  }
  csv::Reader& reader() { return *reader_; }

 private:
  std::ifstream file_;
  std::optional<csv::Reader> reader_;
};

// What checking a table finds out that writing it needs: how its columns map to the fields, how
// many rows it has, and a digest of its bytes, by which the write tells that the table did not
// change in between.
struct TablePlan {
  const FileDecl* decl = nullptr;
  const Table* table = nullptr;  // none given: the file is loaded empty
  std::string name;              // for messages ("ALUMNOS.csv")
  bool usable = true;            // false: its header is wrong, so its rows were not checked
  std::vector<int> columnField;  // the field of each column
  std::int64_t rows = 0;
  std::uint64_t digest = 0;
};

// A field of a child table whose value must be a key value of a record of its parent table.
struct ParentCheck {
  std::string_view field;  // the child field's name
  int childField;
  int parent;  // the parent table
  int parentKey;
  std::unique_ptr<RecordBuffer> probe;  // a parent record holding the value, to make its key image
};

// What the checks of every row keep while they read the tables: per table and key, the key
// images of the rows read so far, for the keys that need them (the unique keys, and the keys
// that parent references name).
struct CheckState {
  const Locale& locale;
  Problems& problems;
  std::vector<TablePlan>& plans;
  std::vector<std::vector<std::unique_ptr<ImageSet>>> images;
  std::vector<std::vector<ParentCheck>> parents;  // by child table

  CheckState(const Locale& l, Problems& p, std::vector<TablePlan>& tables) : locale(l), problems(p), plans(tables) {
    images.resize(plans.size());
    parents.resize(plans.size());
    for (std::size_t t = 0; t < plans.size(); ++t) {
      const FileDecl& decl = *plans[t].decl;
      images[t].resize(decl.keys.size());
      for (std::size_t k = 0; k < decl.keys.size(); ++k) {
        if (!decl.keys[k].duplicates) images[t][k] = std::make_unique<ImageSet>();
      }
    }
    for (const auto& ref : dictionary::parentReferences()) {
      const int child = tableOf(ref.file), parent = tableOf(ref.parentFile);
      if (child < 0 || parent < 0) continue;
      const int key = plans[static_cast<std::size_t>(parent)].decl->keyIndex(ref.parentKey);
      auto& set = images[static_cast<std::size_t>(parent)][static_cast<std::size_t>(key)];
      if (!set) set = std::make_unique<ImageSet>();
      const FileDecl& parentDecl = *plans[static_cast<std::size_t>(parent)].decl;
      parents[static_cast<std::size_t>(child)].push_back(
          {ref.field, plans[static_cast<std::size_t>(child)].decl->fieldIndex(ref.field), parent, key,
           std::make_unique<RecordBuffer>(parentDecl.layout)});
    }
  }

  int tableOf(std::string_view label) const {
    for (std::size_t i = 0; i < plans.size(); ++i) {
      if (plans[i].decl->label == label) return static_cast<int>(i);
    }
    return -1;
  }

  // The order in which to read the tables: every parent before its children, so that a child's
  // references are checked against the whole parent.
  std::vector<int> order() const {
    std::vector<int> out;
    std::vector<bool> done(plans.size(), false);
    while (out.size() < plans.size()) {
      const std::size_t before = out.size();
      for (std::size_t t = 0; t < plans.size(); ++t) {
        if (done[t]) continue;
        const bool ready = std::all_of(parents[t].begin(), parents[t].end(),
                                       [&](const ParentCheck& p) { return done[static_cast<std::size_t>(p.parent)]; });
        if (ready) {
          done[t] = true;
          out.push_back(static_cast<int>(t));
        }
      }
      if (out.size() == before) {  // references that go round in a circle: the rest in their order
        for (std::size_t t = 0; t < plans.size(); ++t) {
          if (!done[t]) out.push_back(static_cast<int>(t));
        }
      }
    }
    return out;
  }
};

// Checks a table's header: every field named once, and no other names. Gives the field of each
// column.
bool checkHeader(int fileIndex, const csv::Record& header, const TablePlan& plan, std::vector<int>& columnField,
                 Problems& problems) {
  const FileDecl& decl = *plan.decl;
  columnField.assign(header.fields.size(), -1);
  std::vector<int> fieldColumn(static_cast<std::size_t>(decl.layout.fieldCount()), -1);
  bool headerOk = true;
  for (std::size_t column = 0; column < header.fields.size(); ++column) {
    const std::string& name = header.fields[column];
    const int field = decl.fieldIndex(name);
    if (field < 0) {
      problems.add(fileIndex, plan.name, header.line,
                   "column " + std::to_string(column + 1) + " \"" + name + "\" names no field of " + decl.label);
      headerOk = false;
      continue;
    }
    int& seen = fieldColumn[static_cast<std::size_t>(field)];
    if (seen >= 0) {
      problems.add(fileIndex, plan.name, header.line,
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
      problems.add(fileIndex, plan.name, header.line, "field " + decl.layout.field(field).name + " has no column");
      headerOk = false;
    }
  }
  return headerOk;
}

// Puts a row's values into `buffer`, reporting each that does not fit (when given `problems`).
// Returns whether all did.
bool putRow(int fileIndex, const TablePlan& plan, const std::vector<int>& columnField, const csv::Record& row,
            RecordBuffer& buffer, Problems* problems) {
  if (row.fields.size() != columnField.size()) {
    if (problems != nullptr) {
      problems->add(
          fileIndex, plan.name, row.line,
          "expected " + std::to_string(columnField.size()) + " fields, found " + std::to_string(row.fields.size()));
    }
    return false;
  }
  buffer.clear();
  bool good = true;
  for (std::size_t column = 0; column < row.fields.size(); ++column) {
    const int field = columnField[column];
    if (auto reason = putValue(buffer, field, row.fields[column])) {
      if (problems == nullptr) return false;
      problems->add(fileIndex, plan.name, row.line, buffer.layout().field(field).name + ": " + *reason);
      good = false;
    }
  }
  return good;
}

// Reads a table's rows and hands the rows whose fields fit over as records, in batches. A large
// table is read on a thread of its own, so that the caller checks or writes one batch while the
// next is read and converted, which takes about as long; a small one is read as it is asked for.
class RowReader {
 public:
  // Checking: the header and every row's fields are checked, and what is wrong reported to the
  // reader's own problems. Writing: the rows of a table checked before are read again, and any
  // difference from what was checked is noted.
  enum class Pass { kCheck, kWrite };

  RowReader(int fileIndex, const TablePlan& plan, Pass pass)
      : fileIndex_(fileIndex), plan_(plan), pass_(pass), record_(plan.decl->layout), columnField_(plan.columnField) {
    if (!input_.open(*plan_.table)) {
      usable_ = false;
      problems_.add(fileIndex_, plan_.name, 0, "cannot be read");
      difference_ = plan_.name + ": cannot be read";
      ended_ = true;
    } else if (tableBytes(*plan_.table) >= kThreadedBytes) {
      thread_ = std::thread([this] {
        for (Batch batch; !ended_;) {
          readBatch(batch);
          if (!batch.lines.empty() && !queue_.put(batch)) break;
        }
        queue_.finish();
      });
    }
  }
  ~RowReader() { finish(); }
  RowReader(const RowReader&) = delete;
  RowReader& operator=(const RowReader&) = delete;

  // The next batch of records, in place of `batch`. False once every row was read.
  bool next(Batch& batch) {
    if (thread_.joinable()) return queue_.take(batch);
    batch.clear();
    while (batch.lines.empty() && !ended_) readBatch(batch);
    return !batch.lines.empty();
  }
  // Stops reading (when the caller gives up) or waits for the end; then the figures below hold.
  void finish() {
    queue_.close();
    if (thread_.joinable()) thread_.join();
  }

  Problems& problems() { return problems_; }
  bool usable() const { return usable_; }  // checking: the header is right and the table could be read
  const std::vector<int>& columnField() const { return columnField_; }
  std::int64_t rows() const { return rows_; }
  std::uint64_t digest() const { return digest_; }
  // Writing: why the rows read are not those checked; empty when they are.
  const std::string& difference() const { return difference_; }

 private:
  // A table this large is read on a thread of its own.
  static constexpr std::uintmax_t kThreadedBytes = 1 << 20;
  static constexpr std::size_t kBatchRows = 1024;

  static std::uintmax_t tableBytes(const Table& table) {
    std::error_code ec;
    const std::uintmax_t size = table.file.empty() ? table.text.size() : fs::file_size(table.file, ec);
    return ec ? 0 : size;
  }

  // Reads rows into `batch` until it is full or the table ends (ended_ then set).
  void readBatch(Batch& batch) {
    csv::Reader& reader = input_.reader();
    const bool checking = pass_ == Pass::kCheck;
    while (batch.lines.size() < kBatchRows) {
      const csv::Reader::Got got = reader.next(row_, error_);
      if (got == csv::Reader::Got::kEnd) return end(reader);
      if (got == csv::Reader::Got::kError) {
        problems_.add(fileIndex_, plan_.name, error_.line, error_.reason);
        usable_ = usable_ && !atHeader_;  // the header is the first record, unless a malformed one came first
        atHeader_ = false;
        if (!checking) return end(reader);
        continue;
      }
      if (atHeader_) {
        atHeader_ = false;
        if (checking) usable_ = checkHeader(fileIndex_, row_, plan_, columnField_, problems_);
        continue;
      }
      // Under a wrong header only the form of the rows is checked.
      if (!usable_) continue;
      if (!putRow(fileIndex_, plan_, columnField_, row_, record_, checking ? &problems_ : nullptr)) {
        if (!checking) return end(reader);
        continue;
      }
      ++rows_;
      batch.records.append(reinterpret_cast<const char*>(record_.data()), record_.size());
      batch.lines.push_back(row_.line);
    }
  }

  void end(const csv::Reader& reader) {
    ended_ = true;
    const bool checking = pass_ == Pass::kCheck;
    if (reader.failed()) {
      problems_.add(fileIndex_, plan_.name, 0, "cannot be read to its end");
      usable_ = false;
    } else if (atHeader_ && checking) {
      problems_.add(fileIndex_, plan_.name, 1, "no header row");
      usable_ = false;
    }
    digest_ = reader.digest();
    if (!checking && (!problems_.empty() || rows_ != plan_.rows || digest_ != plan_.digest)) {
      difference_ = plan_.name + (reader.failed() ? ": cannot be read to its end" : ": changed while it was loaded");
    }
  }

  const int fileIndex_;
  const TablePlan& plan_;
  const Pass pass_;
  TableInput input_;
  BatchQueue queue_;
  // The reading's own (the reading thread's, when there is one, until it ends): the caller reads
  // the figures once next() has given false, or after finish().
  csv::Record row_;
  csv::Error error_;
  RecordBuffer record_;
  bool atHeader_ = true;
  bool ended_ = false;
  Problems problems_;
  bool usable_ = true;
  std::vector<int> columnField_;
  std::int64_t rows_ = 0;
  std::uint64_t digest_ = 0;
  std::string difference_;
  std::thread thread_;  // last: starts once everything above is made
};

// The checks of one row whose fields fit: its values in the unique keys, and its references.
void checkKeys(int fileIndex, int line, const RecordBuffer& record, CheckState& state, std::string& image) {
  const TablePlan& plan = state.plans[static_cast<std::size_t>(fileIndex)];
  const FileDecl& decl = *plan.decl;
  auto& sets = state.images[static_cast<std::size_t>(fileIndex)];
  for (std::size_t k = 0; k < sets.size(); ++k) {
    if (!sets[k] || !keyImageInto(decl.keys[k], record, state.locale, image)) continue;
    const int first = sets[k]->insert(image, line);
    if (first != 0 && !decl.keys[k].duplicates) {
      state.problems.add(fileIndex, plan.name, line,
                         "duplicate value " + keyValueText(decl.keys[k], record) + " in unique key " +
                             decl.keyName(static_cast<int>(k)) + " (as on line " + std::to_string(first) + ")");
    }
  }
  for (const ParentCheck& ref : state.parents[static_cast<std::size_t>(fileIndex)]) {
    const TablePlan& parent = state.plans[static_cast<std::size_t>(ref.parent)];
    // A parent table whose header is wrong was reported already; every look-up in it would fail.
    if (!parent.usable) continue;
    const KeyDecl& key = parent.decl->keys[static_cast<std::size_t>(ref.parentKey)];
    RecordBuffer& probe = *ref.probe;
    probe.clear();
    const auto& from = record.layout().field(ref.childField);
    const auto& to = probe.layout().field(key.components.front());
    if (from.size == to.size && from.type == to.type) {
      std::memcpy(probe.data() + to.offset, record.data() + from.offset, from.size);
    }
    const ImageSet& present =
        *state.images[static_cast<std::size_t>(ref.parent)][static_cast<std::size_t>(ref.parentKey)];
    if (!keyImageInto(key, probe, state.locale, image) || !present.contains(image)) {
      state.problems.add(fileIndex, plan.name, line,
                         std::string(ref.field) + " " + fieldText(record, ref.childField) + " has no record in " +
                             parent.decl->label + " (" + parent.decl->keyName(ref.parentKey) + ")");
    }
  }
}

// Reads a table once, checking its header and every row; reports what is wrong.
void checkTable(int fileIndex, CheckState& state) {
  TablePlan& plan = state.plans[static_cast<std::size_t>(fileIndex)];
  if (plan.table == nullptr) return;
  RowReader rows(fileIndex, plan, RowReader::Pass::kCheck);
  RecordBuffer record(plan.decl->layout);
  const std::size_t size = record.size();
  std::string image;
  Batch batch;
  while (rows.next(batch)) {
    for (std::size_t r = 0; r < batch.lines.size(); ++r) {
      record.assignBytes(batch.records.data() + r * size, size);
      checkKeys(fileIndex, batch.lines[r], record, state, image);
    }
  }
  rows.finish();
  // The reader's problems are of rows that reached no key check: merged, each row's problems
  // still come in the order they were found.
  for (const Problem& problem : rows.problems().list()) state.problems.add(problem);
  plan.usable = rows.usable();
  plan.columnField = rows.columnField();
  plan.rows = rows.rows();
  plan.digest = rows.digest();
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

// Reads a checked table again and adds its rows to `file`. Returns an empty text when done.
std::string writeRows(const TablePlan& plan, DataFile& file, Session& session) {
  if (plan.table == nullptr) return {};
  RowReader rows(0, plan, RowReader::Pass::kWrite);
  const std::size_t size = file.buffer().size();
  Batch batch;
  while (rows.next(batch)) {
    for (std::size_t r = 0; r < batch.lines.size(); ++r) {
      file.buffer().assignBytes(batch.records.data() + r * size, size);
      if (int rc = file.add()) {
        return plan.name + ":" + std::to_string(batch.lines[r]) + ": " +
               storageError(session, rc, file.decl().physicalPath());
      }
    }
  }
  rows.finish();
  return rows.difference();
}

// Writes the checked tables in one transaction into the data files of `folder`, which exists:
// into those it holds, and into the others made in `newFiles` (a staging folder, or `folder`
// itself), whose names go to `made`. Returns an empty text when done, every file closed.
std::string writeTablesInto(const Locale& locale, const fs::path& folder, const fs::path& newFiles,
                            const std::vector<TablePlan>& plans, platform::storage::Engine* given,
                            std::vector<std::string>& made) {
  std::optional<platform::storage::Engine> own;
  platform::storage::Engine& engine = given != nullptr ? *given : own.emplace(locale);
  Session session(engine, folder.string());

  // Declarations first, so that they outlive the files that refer to them.
  std::vector<FileDecl> placed;
  placed.reserve(plans.size());
  for (const auto& plan : plans) {
    std::error_code ec;
    const fs::path& where = fs::exists(folder / plan.decl->physicalName, ec) ? folder : newFiles;
    placed.push_back(platform::storage::placedAt(*plan.decl, (where / plan.decl->physicalName).string()));
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

  for (std::size_t i = 0; i < plans.size(); ++i) {
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

  for (std::size_t i = 0; i < plans.size() && failure.empty(); ++i) {
    DataFile& file = *files[i];
    if (!created[i]) {
      // The old records go inside the same transaction: a failed load leaves them in place.
      int rc = file.set();
      while (rc == 0 && (rc = file.next()) == 0) rc = file.erase();
      if (rc != platform::errors::kRecordNotAvailable) {
        failure = storageError(session, rc, placed[i].physicalPath());
        break;
      }
    }
    failure = writeRows(plans[i], file, session);
  }
  if (failure.empty()) {
    if (int rc = session.commit()) failure = storageError(session, rc, folder.string());
  }
  if (!failure.empty()) {
    cleanUp();
    return failure;
  }
  for (auto& file : files) file->close();
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (created[i]) made.push_back(plans[i].decl->physicalName);
  }
  return {};
}

// Where a load writes: a fresh folder of its own put in place whole (a folder without data
// files that is missing or empty), or the folder itself (its data files replaced in place).
struct Target {
  fs::path folder;  // absolute, symbolic links resolved
  bool exists = false;
  std::vector<std::string> dataFiles;  // those present
  bool empty = false;                  // exists and holds nothing
  bool mountPoint = false;
  std::string error;
};

Target inspectTarget(const dictionary::FileDeclarations& decls, const fs::path& folder) {
  Target target;
  std::error_code ec;
  const fs::path absolute = fs::absolute(folder, ec).lexically_normal();
  target.folder = fs::weakly_canonical(absolute, ec);
  if (ec) target.folder = absolute;
  if (!target.folder.has_filename()) target.folder = target.folder.parent_path();  // "school/", "."
  const auto status = fs::status(target.folder, ec);
  target.exists = fs::exists(status);
  if (!target.exists) return target;
  if (!fs::is_directory(status)) {
    target.error = folder.string() + ": not a folder";
    return target;
  }
  for (const FileDecl* decl : decls.dataFiles()) {
    if (fs::exists(target.folder / decl->physicalName, ec)) target.dataFiles.push_back(decl->physicalName);
  }
  target.empty = fs::is_empty(target.folder, ec) && !ec;
  struct stat self = {};
  struct stat parent = {};
  target.mountPoint = ::stat(target.folder.c_str(), &self) == 0 &&
                      ::stat(target.folder.parent_path().c_str(), &parent) == 0 && self.st_dev != parent.st_dev;
  return target;
}

// The data files' names: what a staged folder keeps when it is put in place.
std::set<std::string> physicalNames(const std::vector<TablePlan>& plans) {
  std::set<std::string> names;
  for (const TablePlan& plan : plans) names.insert(plan.decl->physicalName);
  return names;
}

// Writes a fresh school: into a staging folder beside the target, put in its place whole.
std::string writeStaged(const Locale& locale, const Target& target, const std::vector<TablePlan>& plans,
                        const LoadOptions& options, Result& result) {
  std::error_code ec;
  fs::create_directories(target.folder.parent_path(), ec);
  if (ec) return target.folder.parent_path().string() + ": cannot create the folder: " + ec.message();
  StagedFolder staged(target.folder, options.beforeFolderChange);
  std::string failure = staged.make();
  std::vector<std::string> made;
  if (failure.empty()) failure = writeTablesInto(locale, staged.path(), staged.path(), plans, options.engine, made);
  if (failure.empty()) failure = staged.putInPlace(physicalNames(plans));
  if (failure.empty() && staged.replacedWorkingFolder()) {
    result.notes.push_back(target.folder.string() +
                           " was the working folder and is replaced by the loaded one: "
                           "a shell in it sees the data files after entering it again (cd)");
  }
  return failure;
}

// Writes into the folder itself, which holds other files or some of the data files: the records
// of the data files it holds are replaced in one transaction with the writing of those it lacks,
// which are made in a staging folder inside it and moved in once that transaction has committed.
// Killed or failed before the commit, the folder keeps its files with their old records and none
// other; only a kill between the commit and the last move leaves the files it held with the new
// records and the others not yet moved (see data_tool.h).
std::string writeInPlace(const Locale& locale, const Target& target, const std::vector<TablePlan>& plans,
                         const LoadOptions& options) {
  StagedFolder staged = StagedFolder::inside(target.folder, options.beforeFolderChange);
  std::vector<std::string> lacking;
  for (const TablePlan& plan : plans) {
    std::error_code ec;
    if (!fs::exists(target.folder / plan.decl->physicalName, ec)) lacking.push_back(plan.decl->physicalName);
  }
  if (!lacking.empty()) {
    std::string failure = staged.make();
    if (failure.empty()) failure = staged.removeJournalsOf(lacking);
    if (!failure.empty()) return failure;
  }
  std::vector<std::string> made;
  const fs::path& newFiles = lacking.empty() ? target.folder : staged.path();
  if (std::string failure = writeTablesInto(locale, target.folder, newFiles, plans, options.engine, made);
      !failure.empty()) {
    return failure;
  }
  if (made.empty()) return {};
  if (std::string failure = staged.moveInto(made); !failure.empty()) {
    return failure + "; the data files the folder held have the loaded records: load again with --replace";
  }
  return {};
}

// Writes records as CSV rows to a stream. Past the first batch of records, the formatting runs on
// a thread of its own while the caller reads the next records: reading and formatting take about
// as long, so a large dump takes about as long as the reading alone.
class CsvWriter {
 public:
  CsvWriter(const platform::RecordLayout& layout, std::ostream& out) : layout_(layout), out_(out), record_(layout) {}
  ~CsvWriter() { finish(); }
  CsvWriter(const CsvWriter&) = delete;
  CsvWriter& operator=(const CsvWriter&) = delete;

  // Writes the header row (before any record).
  void header(const std::vector<std::string>& names) {
    std::string text;
    csv::appendRecord(text, names);
    out_.write(text.data(), static_cast<std::streamsize>(text.size()));
  }

  // Hands a record over to be written. False once the output has failed: reading may stop.
  bool add(const RecordBuffer& record) {
    filling_.records.append(reinterpret_cast<const char*>(record.data()), record.size());
    if (filling_.records.size() < kBatchRecords * record.size()) return true;
    if (!thread_.joinable()) thread_ = std::thread([this] { formatBatches(); });
    return queue_.put(filling_);
  }

  // Writes what is left and flushes. Returns whether everything was written.
  bool finish() {
    if (thread_.joinable()) {
      if (!filling_.records.empty()) queue_.put(filling_);
      queue_.finish();
      thread_.join();
    } else if (!filling_.records.empty()) {
      write(filling_);
    }
    filling_.clear();
    out_.flush();
    return static_cast<bool>(out_);
  }

 private:
  static constexpr std::size_t kBatchRecords = 1024;

  // The formatting thread: it alone writes to the stream until finish() has joined it.
  void formatBatches() {
    Batch batch;
    while (queue_.take(batch) && write(batch)) {
    }
    queue_.close();  // the output failed, or every batch was written
  }

  bool write(const Batch& batch) {
    const std::size_t size = record_.size();
    chunk_.clear();
    for (std::size_t at = 0; at + size <= batch.records.size(); at += size) {
      record_.assignBytes(batch.records.data() + at, size);
      for (int f = 0; f < layout_.fieldCount(); ++f) {
        if (f > 0) chunk_.push_back(',');
        appendFieldText(record_, f, chunk_, text_);
      }
      chunk_.push_back('\n');
    }
    out_.write(chunk_.data(), static_cast<std::streamsize>(chunk_.size()));
    return static_cast<bool>(out_);
  }

  const platform::RecordLayout& layout_;
  std::ostream& out_;
  Batch filling_;  // the caller's batch being filled
  BatchQueue queue_;
  // The formatting's own (the formatting thread's while it runs).
  RecordBuffer record_;
  std::string chunk_, text_;
  std::thread thread_;
};

// The first check of a load: every table names a data file. Problems go to `result`; false when
// there is any.
bool checkLabels(const dictionary::FileDeclarations& decls, const Tables& tables, Result& result) {
  const auto data = decls.dataFiles();
  for (const auto& [label, table] : tables) {
    const FileDecl* decl = decls.find(label);
    if (decl == nullptr || std::find(data.begin(), data.end(), decl) == data.end()) {
      result.problems.push_back(table.name + ": names no data file (the tables are " + listOfLabels(decls) + ")");
    }
  }
  if (result.problems.empty()) return true;
  result.error = "nothing was written";
  return false;
}

// The checking pass of a load over tables that name data files: reads every row of every table
// once and checks it, writing nothing. Gives the plans that the writing follows; problems and
// notes go to `result`; false when any row is bad.
bool checkRows(const dictionary::FileDeclarations& decls, const Locale& locale, const Tables& tables,
               std::vector<TablePlan>& plans, Result& result) {
  plans.clear();
  for (const FileDecl* decl : decls.dataFiles()) {
    TablePlan plan;
    plan.decl = decl;
    const auto it = tables.find(decl->label);
    if (it == tables.end()) {
      plan.name = decl->label + ".csv";
      result.notes.push_back("no " + plan.name + ": " + decl->label + " is loaded empty");
    } else {
      plan.table = &it->second;
      plan.name = it->second.name;
    }
    plans.push_back(std::move(plan));
  }
  Problems problems;
  {
    CheckState state(locale, problems, plans);
    for (int table : state.order()) checkTable(table, state);
  }
  if (problems.empty()) return true;
  const std::size_t bad = problems.badRows();
  result.problems = problems.sorted();
  result.error = std::to_string(bad) + (bad == 1 ? " bad row" : " bad rows") + "; nothing was written";
  return false;
}

}  // namespace

Result checkTables(const dictionary::FileDeclarations& decls, const Locale& locale, const Tables& tables) {
  Result result;
  std::vector<TablePlan> plans;
  if (checkLabels(decls, tables, result)) checkRows(decls, locale, tables, plans, result);
  return result;
}

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
    if (!std::ifstream(path, std::ios::binary)) {
      result.problems.push_back(name + ": cannot be read");
      continue;
    }
    found[decl->label] = Table{name, {}, path};
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
  if (!checkLabels(decls, tables, result)) return result;

  const Target target = inspectTarget(decls, folder);
  if (!target.error.empty()) {
    result.error = target.error;
    return result;
  }
  const bool fresh = target.dataFiles.empty() && (!target.exists || (target.empty && !target.mountPoint));
  if (!target.dataFiles.empty() && !options.replace) {
    std::string existing;
    for (const std::string& name : target.dataFiles) existing += (existing.empty() ? "" : ", ") + name;
    result.error = folder.string() + " holds data files already (" + existing + "); --replace replaces their records";
    return result;
  }
  if (!fresh && !options.replace) {
    result.error = folder.string() + (target.mountPoint ? " is a mount point" : " holds other files") +
                   " and no data files: a school is loaded whole into a new or empty folder" +
                   (target.mountPoint ? " inside it" : "") + " (--replace loads it into this one in place)";
    return result;
  }

  std::vector<TablePlan> plans;
  if (!checkRows(decls, locale, tables, plans, result)) return result;
  // What loads into this folder left when they died goes first, whichever way this one writes.
  removeLeftoverStagings(target.folder, options.beforeFolderChange);
  result.error =
      fresh ? writeStaged(locale, target, plans, options, result) : writeInPlace(locale, target, plans, options);
  return result;
}

Result dump(const dictionary::FileDeclarations& decls, const Locale& locale, const fs::path& file,
            const DumpOptions& options, std::ostream& out) {
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

  CsvWriter writer(decl->layout, out);
  std::vector<std::string> header;
  for (const auto& field : decl->layout.fields()) header.push_back(field.name);
  writer.header(header);
  int rc = key < 0 ? data.set() : data.set(key);
  while (rc == 0 && (rc = data.next()) == 0 && writer.add(data.buffer())) {
  }
  // The rows read before a failure go out too.
  if (!writer.finish()) {
    result.error = file.string() + ": the output cannot be written";
  } else if (rc != 0 && rc != platform::errors::kRecordNotAvailable) {
    result.error = storageError(session, rc, file.string());
  }
  data.close();
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
  dictionary::ApplySpanishLocale(locale);
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
    dictionary::ApplySpanishLocale(locale);  // before any data file is touched: it decides the keys' order
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
      return report(dump(decls, locale, positional[0], options, out), err);
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
