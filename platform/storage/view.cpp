#include "platform/storage/view.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>

#include "platform/core/runtime_errors.h"
#include "platform/core/trim.h"
#include "platform/storage/key_image.h"
#include "platform/storage/session_internal.h"

namespace platform::storage {

namespace {

constexpr std::string_view kPositionMagic = "VW";
constexpr std::size_t kPositionHeader = 2 + 8 + 8 + 2;
constexpr int kLargestBatch = 1024;
constexpr int kFirstBatch = 16;

// A short read transaction, unless one (or a write transaction) is already open.
class ReadScope {
 public:
  explicit ReadScope(Session& session)
      : session_(session),
        own_(!session.inTransaction() && !session.inReadTransaction() && session.beginRead() == errors::kNone) {}
  ~ReadScope() {
    if (own_) session_.endRead();
  }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;

 private:
  Session& session_;
  bool own_;
};

// The record buffers of the view's files, put back after a batch used them as scratch space, so
// that a read that delivers no row leaves them as they were.
class SavedBuffers {
 public:
  explicit SavedBuffers(std::vector<RecordBuffer*> buffers) : buffers_(std::move(buffers)) {
    for (RecordBuffer* b : buffers_) saved_.emplace_back(b->data(), b->data() + b->size());
  }
  ~SavedBuffers() {
    for (std::size_t i = 0; i < buffers_.size(); ++i) buffers_[i]->assignBytes(saved_[i].data(), saved_[i].size());
  }
  SavedBuffers(const SavedBuffers&) = delete;
  SavedBuffers& operator=(const SavedBuffers&) = delete;

 private:
  std::vector<RecordBuffer*> buffers_;
  std::vector<std::vector<std::uint8_t>> saved_;
};

std::vector<std::string_view> splitAtCommas(std::string_view text) {
  std::vector<std::string_view> parts;
  if (trim(text).empty()) return parts;
  for (;;) {
    const std::size_t comma = text.find(',');
    parts.push_back(trim(text.substr(0, comma)));
    if (comma == std::string_view::npos) return parts;
    text.remove_prefix(comma + 1);
  }
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

bool isText(FieldType type) { return type == FieldType::String || type == FieldType::CString; }

void appendU64(std::uint64_t value, std::string& out) {
  for (int i = 7; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t readU64(std::string_view bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value = (value << 8) | static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(i)]);
  return value;
}

std::string columnBytes(sqlite3_stmt* statement, int column) {
  const void* bytes = sqlite3_column_blob(statement, column);
  const int length = sqlite3_column_bytes(statement, column);
  return bytes == nullptr ? std::string()
                          : std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

void bindNamed(sqlite3_stmt* statement, const char* name, const std::string& bytes) {
  const int index = sqlite3_bind_parameter_index(statement, name);
  if (index > 0) sqlite3_bind_blob(statement, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
}

void bindNamed(sqlite3_stmt* statement, const char* name, std::int64_t value) {
  const int index = sqlite3_bind_parameter_index(statement, name);
  if (index > 0) sqlite3_bind_int64(statement, index, value);
}

// The image of a value compared with a key component, for reading the key's range; false when
// the value cannot be matched through the key (a text against a number, a fraction against a
// LONG, any REAL: those equalities are left to the filter alone).
bool appendValueImage(const Locale& locale, const ExpressionValue& value, FieldType type, bool caseInsensitive,
                      std::string& out, bool& isNull) {
  switch (type) {
    case FieldType::Long:
    case FieldType::Byte: {
      const double v = value.number;
      const double low = type == FieldType::Long ? INT32_MIN : 0, high = type == FieldType::Long ? INT32_MAX : 255;
      if (value.isText || v != std::trunc(v) || v < low || v > high) return false;
      if (type == FieldType::Long) {
        appendLongImage(static_cast<std::int32_t>(v), out);
      } else {
        out.push_back(static_cast<char>(static_cast<std::uint8_t>(v)));
      }
      isNull = v == 0;
      return true;
    }
    case FieldType::String:
    case FieldType::CString:
      if (!value.isText) return false;
      locale.appendKeyImage(value.text, caseInsensitive, out);
      isNull = trim(value.text).empty();
      return true;
    case FieldType::Real:
      return false;
  }
  return false;
}

std::uint64_t fnv(std::uint64_t hash, std::int64_t value) {
  for (int i = 0; i < 8; ++i) {
    hash ^= static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
    hash *= 0x100000001b3ull;
  }
  return hash;
}

}  // namespace

View::View(DataFile& primary, const Bindings* names) : primary_(primary), names_(names) {
  names_.bindRecord(primary.decl().prefix, primary.buffer());
}

View::~View() {
  // Files whose Session is gone were closed with it.
  if (open_ && primary_.hasSession()) close();
}

Status View::fail(int code, const std::string& cause) {
  return session().setError(code, cause, primary_.decl().physicalPath());
}

Status View::recorded(int code) {
  if (code == errors::kNone) return Status();
  const Session& s = session();
  return Status(code, s.lastErrorText(), s.lastErrorFile(), s.lastErrorCause());
}

Status View::succeed() { return session().setError(errors::kNone, {}, primary_.decl().physicalPath()); }

int View::locateField(std::string_view name, int& fileIndex, int& field, int filesKnown) {
  const std::size_t colon = name.find(':');
  for (int i = 0; i < filesKnown; ++i) {
    const FileDecl& decl = file(i).decl();
    if (colon == std::string_view::npos ? i != 0 : !sameIgnoringCase(name.substr(0, colon), decl.prefix)) continue;
    field = decl.layout.indexOf(colon == std::string_view::npos ? name : name.substr(colon + 1));
    if (field < 0) break;
    fileIndex = i;
    return errors::kNone;
  }
  return errors::kInvalidParameters;
}

Status View::join(DataFile& parent, std::string_view parentKey, std::string_view fields, JoinKind kind) {
  const int key = parent.decl().keyIndex(parentKey);
  if (key < 0) return fail(errors::kInvalidKey, "no key " + std::string(parentKey) + " in " + parent.decl().label);
  for (int i = 0; i < fileCount(); ++i) {
    if (&file(i) == &parent) return fail(errors::kInvalidParameters, parent.decl().label + " is in the view already");
  }
  const KeyDecl& declared = parent.decl().keys[static_cast<std::size_t>(key)];
  const std::vector<std::string_view> names = splitAtCommas(fields);
  if (names.size() != declared.components.size()) {
    return fail(errors::kInvalidParameters, "the key " + std::string(parentKey) + " has " +
                                                std::to_string(declared.components.size()) + " components");
  }
  Join join{&parent, key, -1, {}, kind};
  for (std::size_t i = 0; i < names.size(); ++i) {
    int fileIndex = -1, field = -1;
    if (locateField(names[i], fileIndex, field, fileCount()) != errors::kNone) {
      return fail(errors::kInvalidParameters, "no field " + std::string(names[i]) + " in the view");
    }
    if (join.from >= 0 && fileIndex != join.from) {
      return fail(errors::kInvalidParameters, "the fields of a join come from one file");
    }
    const FieldType have = file(fileIndex).decl().layout.field(field).type;
    const FieldType want = parent.decl().layout.field(declared.components[i]).type;
    if (have != want && !(isText(have) && isText(want))) {
      return fail(errors::kInvalidParameters, std::string(names[i]) + " is not of the type of the key's component");
    }
    join.from = fileIndex;
    join.fields.push_back(field);
  }
  joins_.push_back(std::move(join));
  parentCache_.emplace_back();
  names_.bindRecord(parent.decl().prefix, parent.buffer());
  restart();
  return succeed();
}

void View::joinNamed(DataFile& parent, std::string_view parentKey, std::string_view fields, JoinKind kind) {
  const Status status = join(parent, parentKey, fields, kind);
  if (!status.ok()) {
    throw std::logic_error(primary_.decl().label + " cannot join " + parent.decl().label + ": " + status.cause());
  }
}

Status View::open(int mode) {
  if (open_) return succeed();
  for (int i = 0; i < fileCount(); ++i) {
    if (file(i).isOpen()) continue;
    if (Status error = file(i).open(mode)) {
      for (auto it = openedByView_.rbegin(); it != openedByView_.rend(); ++it) (*it)->close();
      openedByView_.clear();
      // The closes recorded their own outcome: the session says again why the open failed.
      return session().setError(error.code(), error.cause(), error.file());
    }
    openedByView_.push_back(&file(i));
  }
  open_ = true;
  recordsRead_ = 0;
  restart();
  return succeed();
}

Status View::close() {
  if (!open_) return fail(errors::kFileNotOpen, {});
  for (auto it = openedByView_.rbegin(); it != openedByView_.rend(); ++it) (*it)->close();
  openedByView_.clear();
  open_ = false;
  restart();
  rows_.clear();
  rows_.shrink_to_fit();
  return succeed();
}

Status View::setFilter(std::string_view text) {
  filterText_ = std::string(text);
  restart();
  if (!filter_.compile(text, names_, session().engine().locale())) {
    filterError_ = errors::kInvalidFilter;
    filterErrorCause_ = "Invalid filter: " + filter_.error().message + " at character " +
                        std::to_string(filter_.error().position + 1) + " of \"" + filterText_ + "\"";
    return fail(filterError_, filterErrorCause_);
  }
  filterError_ = errors::kNone;
  return succeed();
}

int View::parseTerms(std::string_view text, std::vector<Term>& terms) {
  terms.clear();
  for (std::string_view name : splitAtCommas(text)) {
    Term term{0, -1, false};
    if (!name.empty() && (name.front() == '-' || name.front() == '+')) {
      term.descending = name.front() == '-';
      name = trim(name.substr(1));
    }
    if (locateField(name, term.file, term.field, fileCount()) != errors::kNone) {
      orderErrorCause_ = "Invalid order: no field \"" + std::string(name) + "\" in the view";
      return errors::kInvalidOrder;
    }
    terms.push_back(term);
  }
  return errors::kNone;
}

Status View::setOrder(std::string_view fields) { return setOrder(-1, fields); }

Status View::setOrder(int primaryKey, std::string_view appendedFields) {
  restart();
  orderKey_ = -1;
  orderError_ = parseTerms(appendedFields, terms_);
  if (orderError_ == errors::kNone &&
      (primaryKey < -1 || primaryKey >= static_cast<int>(primary_.decl().keys.size()))) {
    orderError_ = errors::kInvalidOrder;
    orderErrorCause_ = "Invalid order: no key " + std::to_string(primaryKey) + " in " + primary_.decl().label;
  }
  if (orderError_ != errors::kNone) {
    terms_.clear();
    return fail(orderError_, orderErrorCause_);
  }
  orderKey_ = primaryKey;
  return succeed();
}

void View::restart() {
  plan_.ready = false;
  at_ = At::Start;
  built_ = false;
  ahead_.clear();
  aheadReachedEnd_ = false;
  batch_ = kFirstBatch;
}

Status View::requireReadable() {
  if (!open_) return fail(errors::kFileNotOpen, {});
  for (int i = 0; i < fileCount(); ++i) {
    if (!file(i).isOpen()) return session().setError(errors::kFileNotOpen, {}, file(i).decl().physicalPath());
  }
  if (filterError_ != errors::kNone) return fail(filterError_, filterErrorCause_);
  if (orderError_ != errors::kNone) return fail(orderError_, orderErrorCause_);
  return Status();
}

std::uint64_t View::generation() const {
  std::uint64_t sum = primary_.generation();
  for (const Join& join : joins_) sum += join.parent->generation();
  return sum;
}

// ---- Planning: which key range to read, and whether storage delivers the order itself.

void View::planRange(const std::vector<Expression::FieldEquality>& equalities) {
  const FileDecl& decl = primary_.decl();
  const Locale& locale = session().engine().locale();
  // Best so far by (components matched, is the order's key, earliest equality in the text).
  int bestMatched = 0;
  bool bestIsOrderKey = false;
  std::size_t bestPosition = 0;
  for (int k = 0; k < static_cast<int>(decl.keys.size()); ++k) {
    const KeyDecl& key = decl.keys[static_cast<std::size_t>(k)];
    std::string image;
    int matched = 0;
    bool allNull = true;
    std::size_t first = SIZE_MAX;
    for (int component : key.components) {
      const auto found = std::find_if(equalities.begin(), equalities.end(), [&](const Expression::FieldEquality& e) {
        return e.record == &primary_.buffer() && e.field == component;
      });
      bool isNull = false;
      if (found == equalities.end() || !appendValueImage(locale, found->value, decl.layout.field(component).type,
                                                         key.caseInsensitive, image, isNull)) {
        break;
      }
      allNull = allNull && isNull;
      first = std::min(first, found->position);
      ++matched;
    }
    // An optional key leaves out records whose components are all null: its range would miss them.
    if (matched == 0 || (key.optional && allNull)) continue;
    const bool isOrderKey = k == orderKey_;
    const bool better = matched != bestMatched         ? matched > bestMatched
                        : isOrderKey != bestIsOrderKey ? isOrderKey
                                                       : first < bestPosition;
    if (!better) continue;
    bestMatched = matched;
    bestIsOrderKey = isOrderKey;
    bestPosition = first;
    plan_.rangeKey = k;
    plan_.low = image;
    plan_.high = prefixSuccessor(image);
  }
}

Status View::makePlan() {
  plan_ = Plan{};
  if (!filter_.refresh()) return fail(errors::kInvalidFilter, "Invalid filter: " + filter_.error().message);
  std::vector<const RecordBuffer*> varying;
  for (int i = 0; i < fileCount(); ++i) varying.push_back(&file(i).buffer());
  planRange(filter_.fieldEqualities(varying));
  filterFirst_ = true;
  for (const Join& join : joins_) filterFirst_ = filterFirst_ && !filter_.refersTo(join.parent->buffer());
  std::uint64_t signature = 0xcbf29ce484222325ull;
  if (orderKey_ >= 0) {
    const bool unique = !primary_.decl().keys[static_cast<std::size_t>(orderKey_)].duplicates;
    plan_.sorted = !(terms_.empty() || unique) || (plan_.rangeKey >= 0 && plan_.rangeKey != orderKey_);
    plan_.streamKey = plan_.sorted ? -1 : orderKey_;
  } else {
    plan_.sorted = !terms_.empty();
    plan_.streamKey = plan_.sorted ? -1 : plan_.rangeKey;
  }
  // What a position's image is made of: the key image, then (in memory) the order's fields.
  signature = fnv(signature, plan_.sorted ? 1 : 0);
  signature = fnv(signature, imageKey());
  if (plan_.sorted) {
    for (const Term& term : terms_) signature = fnv(fnv(fnv(signature, term.file), term.field), term.descending);
  }
  plan_.signature = signature;
  plan_.ready = true;
  return Status();
}

int View::imageKey() const { return plan_.sorted ? orderKey_ : plan_.streamKey; }

// ---- Rows: filter, joins and the place in the order of the record in the primary's buffer.

int View::passes(bool& holds) {
  if (filter_.test(holds)) return errors::kNone;
  return fail(errors::kInvalidFilter, "Invalid filter: " + filter_.error().message);
}

View::StoredPtr View::lookUp(int joinIndex, const std::string& image, int& error) {
  error = errors::kNone;
  auto& cache = parentCache_[static_cast<std::size_t>(joinIndex)];
  if (auto it = cache.find(image); it != cache.end()) return it->second;
  const Join& join = joins_[static_cast<std::size_t>(joinIndex)];
  DataFile& parent = *join.parent;
  const std::string column = "k" + std::to_string(join.key);
  sqlite3_stmt* statement = parent.statement("SELECT pos, ver, data FROM " + parent.table() + " WHERE " + column +
                                             " = :img ORDER BY pos LIMIT 1");
  if (statement == nullptr) {
    error = session().fromSqlite(sqlite3_errcode(session().db_), parent.decl().physicalPath());
    return nullptr;
  }
  StatementGuard guard(statement);
  bindNamed(statement, ":img", image);
  const int rc = sqlite3_step(statement);
  StoredPtr found;
  if (rc == SQLITE_ROW) {
    auto stored = std::make_shared<Stored>();
    stored->record = sqlite3_column_int64(statement, 0);
    stored->version = sqlite3_column_int64(statement, 1);
    stored->data = columnBytes(statement, 2);
    if (stored->data.size() != parent.buffer().size()) {
      error = session().setError(errors::kBadFileStructure, {}, parent.decl().physicalPath());
      return nullptr;
    }
    found = std::move(stored);
  } else if (rc != SQLITE_DONE) {
    error = session().fromSqlite(rc, parent.decl().physicalPath());
    return nullptr;
  }
  cache.emplace(image, found);
  return found;
}

int View::joinParents(std::vector<StoredPtr>& parents, bool& keep) {
  keep = true;
  parents.clear();
  const Locale& locale = session().engine().locale();
  for (std::size_t j = 0; j < joins_.size(); ++j) {
    const Join& join = joins_[j];
    const KeyDecl& key = join.parent->decl().keys[static_cast<std::size_t>(join.key)];
    const bool fromMissing = join.from > 0 && parents[static_cast<std::size_t>(join.from - 1)] == nullptr;
    const RecordBuffer& child = file(join.from).buffer();
    StoredPtr stored;
    const bool allNull = std::all_of(join.fields.begin(), join.fields.end(), [&](int f) { return child.isNull(f); });
    if (!fromMissing && !(key.optional && allNull)) {
      std::string image;
      for (int field : join.fields) appendFieldImage(locale, child, field, key.caseInsensitive, image);
      int error;
      stored = lookUp(static_cast<int>(j), image, error);
      if (error != errors::kNone) return error;
    }
    if (stored == nullptr && join.kind == JoinKind::Inner) {
      keep = false;
      return errors::kNone;
    }
    if (stored != nullptr) {
      join.parent->buffer().assignBytes(stored->data.data(), stored->data.size());
    } else {
      join.parent->buffer().clear();
    }
    parents.push_back(std::move(stored));
  }
  return errors::kNone;
}

void View::appendSortImage(std::string& image) {
  const Locale& locale = session().engine().locale();
  for (const Term& term : terms_) {
    const std::size_t start = image.size();
    appendFieldImage(locale, file(term.file).buffer(), term.field, false, image);
    if (term.descending) invertImage(image, start);
  }
}

int View::accept(Stored stored, std::string keyImage, std::vector<Row>* sorted, std::deque<Row>* ahead) {
  if (stored.data.size() != primary_.buffer().size()) {
    return session().setError(errors::kBadFileStructure, {}, primary_.decl().physicalPath());
  }
  // A key leaves out the records it leaves out: a null image of an optional key.
  if (imageKey() >= 0 && keyImage.empty()) return errors::kNone;
  primary_.buffer().assignBytes(stored.data.data(), stored.data.size());
  bool holds = true;
  if (filterFirst_) {
    if (int error = passes(holds)) return error;
    if (!holds) return errors::kNone;
  }
  Row row;
  bool keep;
  if (int error = joinParents(row.parents, keep)) return error;
  if (!keep) return errors::kNone;
  if (!filterFirst_) {
    if (int error = passes(holds)) return error;
    if (!holds) return errors::kNone;
  }
  row.image = std::move(keyImage);
  if (plan_.sorted) appendSortImage(row.image);
  row.primary = std::move(stored);
  if (sorted != nullptr) sorted->push_back(std::move(row));
  if (ahead != nullptr) ahead->push_back(std::move(row));
  return errors::kNone;
}

std::vector<RecordBuffer*> View::buffers() {
  std::vector<RecordBuffer*> out;
  for (int i = 0; i < fileCount(); ++i) out.push_back(&file(i).buffer());
  return out;
}

// ---- In-memory order: the whole range read, filtered, joined and sorted in one transaction.

Status View::build() {
  ReadScope read(session());
  SavedBuffers saved(buffers());
  rows_.clear();
  built_ = false;
  for (auto& cache : parentCache_) cache.clear();
  const int key = imageKey();
  std::string sql =
      "SELECT pos, ver, data" + (key >= 0 ? ", k" + std::to_string(key) : std::string()) + " FROM " + primary_.table();
  if (plan_.rangeKey >= 0) {
    const std::string column = "k" + std::to_string(plan_.rangeKey);
    sql += " WHERE " + column + " >= :low" + (plan_.high.empty() ? "" : " AND " + column + " < :high");
  }
  sqlite3_stmt* statement = primary_.statement(sql);
  if (statement == nullptr) return session().fromSqlite(sqlite3_errcode(session().db_), primary_.decl().physicalPath());
  int rc;
  {
    StatementGuard guard(statement);
    bindNamed(statement, ":low", plan_.low);
    bindNamed(statement, ":high", plan_.high);
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      ++recordsRead_;
      Stored stored{sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1), columnBytes(statement, 2)};
      if (int error =
              accept(std::move(stored), key >= 0 ? columnBytes(statement, 3) : std::string(), &rows_, nullptr)) {
        return recorded(error);
      }
    }
  }
  for (auto& cache : parentCache_) cache.clear();
  if (rc != SQLITE_DONE) return session().fromSqlite(rc, primary_.decl().physicalPath());
  std::sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) {
    return a.image != b.image ? a.image < b.image : a.primary.record < b.primary.record;
  });
  readGeneration_ = generation();
  built_ = true;
  return Status();
}

bool View::before(const Row& row, const Mark& mark) {
  return row.image != mark.image ? row.image < mark.image : row.primary.record < mark.record;
}

bool View::after(const Row& row, const Mark& mark) {
  return row.image != mark.image ? row.image > mark.image : row.primary.record > mark.record;
}

Status View::stepSorted(Direction direction) {
  if (!built_ || readGeneration_ != generation()) {
    // Read again, from the current row on.
    if (at_ == At::Row) {
      at_ = At::Seek;
      seekInclusive_ = false;
    }
    if (Status error = build()) return error;
  }
  const bool forward = direction == Direction::Forward;
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(rows_.size());
  std::ptrdiff_t i = 0;
  switch (at_) {
    case At::Start:
      i = forward ? 0 : n - 1;
      break;
    case At::Row:
      i = static_cast<std::ptrdiff_t>(index_) + (forward ? 1 : -1);
      break;
    case At::BeforeFirst:
      i = forward ? 0 : -1;
      break;
    case At::AfterLast:
      i = forward ? n : n - 1;
      break;
    case At::Seek: {
      // Forward: the first row at the mark (inclusive) or after it; backward: the last row at the
      // mark (inclusive) or before it.
      const bool stopAtMark = seekInclusive_ == forward;
      const auto it = std::partition_point(rows_.begin(), rows_.end(), [&](const Row& row) {
        return stopAtMark ? before(row, mark_) : !after(row, mark_);
      });
      i = (it - rows_.begin()) - (forward ? 0 : 1);
      break;
    }
  }
  if (i < 0 || i >= n) {
    at_ = i < 0 ? At::BeforeFirst : At::AfterLast;
    return fail(errors::kRecordNotAvailable, {});
  }
  index_ = static_cast<std::size_t>(i);
  return recorded(deliver(rows_[index_]));
}

// ---- Storage order: batches read ahead from the key (or physical) order, filtered and joined.

Status View::readBatch(Direction direction, bool haveMark, bool inclusive, const Mark& from, int limit,
                       std::vector<Raw>& raws) {
  raws.clear();
  const bool forward = direction == Direction::Forward;
  const int key = plan_.streamKey;
  const std::string table = primary_.table();
  auto run = [&](const std::string& where, const std::string& order, int wanted) {
    const std::string sql = "SELECT pos, ver, data" + (key >= 0 ? ", k" + std::to_string(key) : std::string()) +
                            " FROM " + table + " WHERE " + where + " ORDER BY " + order + " LIMIT :lim";
    sqlite3_stmt* statement = primary_.statement(sql);
    if (statement == nullptr)
      return session().fromSqlite(sqlite3_errcode(session().db_), primary_.decl().physicalPath());
    StatementGuard guard(statement);
    bindNamed(statement, ":img", from.image);
    bindNamed(statement, ":rec", from.record);
    bindNamed(statement, ":low", plan_.low);
    bindNamed(statement, ":high", plan_.high);
    bindNamed(statement, ":lim", static_cast<std::int64_t>(wanted));
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      raws.push_back(
          Raw{{sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1), columnBytes(statement, 2)},
              key >= 0 ? columnBytes(statement, 3) : std::string()});
    }
    return rc == SQLITE_DONE ? Status() : session().fromSqlite(rc, primary_.decl().physicalPath());
  };
  const std::string cmp = forward ? (inclusive ? ">=" : ">") : (inclusive ? "<=" : "<");
  if (key < 0) {
    const std::string where = haveMark ? "pos " + cmp + " :rec" : "1";
    return run(where, forward ? "pos" : "pos DESC", limit);
  }
  const std::string c = "k" + std::to_string(key);
  const std::string range = c + " >= :low" + (plan_.high.empty() ? "" : " AND " + c + " < :high");
  const std::string order = forward ? c + ", pos" : c + " DESC, pos DESC";
  if (haveMark) {
    // Records with the mark's own key value come first, by record number; then the key's next values.
    const bool inRange = from.image >= plan_.low && (plan_.high.empty() || from.image < plan_.high);
    if (inRange) {
      if (Status error = run(c + " = :img AND pos " + cmp + " :rec", forward ? "pos" : "pos DESC", limit)) return error;
    }
    const int rest = limit - static_cast<int>(raws.size());
    if (rest <= 0) return Status();
    return run(c + (forward ? " > " : " < ") + ":img AND " + range, order, rest);
  }
  return run(range, order, limit);
}

Status View::fetch(Direction direction) {
  ReadScope read(session());
  SavedBuffers saved(buffers());
  ahead_.clear();
  aheadReachedEnd_ = false;
  for (auto& cache : parentCache_) cache.clear();
  const int wanted = batch_;
  batch_ = std::min(kLargestBatch, batch_ * 4);
  bool haveMark = at_ == At::Row || at_ == At::Seek;
  bool inclusive = at_ == At::Seek && seekInclusive_;
  Mark from = mark_;
  std::vector<Raw> raws;
  Status error;
  const bool keyed = plan_.streamKey >= 0;
  while (error == errors::kNone) {
    error = readBatch(direction, haveMark, inclusive, from, wanted, raws);
    for (Raw& raw : raws) {
      if (error != errors::kNone) break;
      if (haveMark && !movesOn(keyed ? std::string_view(raw.keyImage) : std::string_view(), raw.stored.record,
                               keyed ? std::string_view(from.image) : std::string_view(), from.record,
                               direction == Direction::Forward, inclusive)) {
        error = session().setError(errors::kKeysMustBeRebuilt, {}, primary_.decl().physicalPath());
        break;
      }
      haveMark = true;
      inclusive = false;
      ++recordsRead_;
      from = Mark{raw.keyImage, raw.stored.record};
      error = recorded(accept(std::move(raw.stored), std::move(raw.keyImage), nullptr, &ahead_));
    }
    haveMark = true;
    inclusive = false;
    aheadReachedEnd_ = static_cast<int>(raws.size()) < wanted;
    if (aheadReachedEnd_ || static_cast<int>(ahead_.size()) >= wanted) break;
  }
  for (auto& cache : parentCache_) cache.clear();
  if (error != errors::kNone) {
    ahead_.clear();
    return error;
  }
  aheadDirection_ = direction;
  readGeneration_ = generation();
  return Status();
}

Status View::stepStreaming(Direction direction) {
  const bool forward = direction == Direction::Forward;
  if (at_ == (forward ? At::AfterLast : At::BeforeFirst)) return fail(errors::kRecordNotAvailable, {});
  // Read ahead again when turning round, after a write, or when the rows read ahead ran out
  // before the end.
  const bool sameBatch = aheadDirection_ == direction && readGeneration_ == generation();
  if (!sameBatch || (ahead_.empty() && !aheadReachedEnd_)) {
    if (Status error = fetch(direction)) return error;
  }
  if (ahead_.empty()) {
    at_ = forward ? At::AfterLast : At::BeforeFirst;
    return fail(errors::kRecordNotAvailable, {});
  }
  const Row row = std::move(ahead_.front());
  ahead_.pop_front();
  return recorded(deliver(row));
}

// ---- Delivering rows and moving through the view.

int View::deliver(const Row& row) {
  if (int error = primary_.adopt(row.primary.record, row.primary.version, row.primary.data)) return error;
  for (std::size_t j = 0; j < joins_.size(); ++j) {
    DataFile& parent = *joins_[j].parent;
    const StoredPtr& stored = row.parents[j];
    if (stored == nullptr) {
      parent.forget();
    } else if (int error = parent.adopt(stored->record, stored->version, stored->data)) {
      return error;
    }
  }
  mark_ = Mark{row.image, row.primary.record};
  at_ = At::Row;
  return succeed();
}

Status View::step(Direction direction) {
  if (Status error = requireReadable()) return error;
  if (!plan_.ready) {
    if (Status error = makePlan()) return error;
  }
  return plan_.sorted ? stepSorted(direction) : stepStreaming(direction);
}

Status View::next() { return step(Direction::Forward); }

Status View::previous() { return step(Direction::Backward); }

std::string View::position() const {
  if (at_ != At::Row) return {};
  std::string out(kPositionMagic);
  appendU64(plan_.signature, out);
  appendU64(static_cast<std::uint64_t>(mark_.record), out);
  const std::size_t length = std::min<std::size_t>(mark_.image.size(), 0xFFFF);
  out.push_back(static_cast<char>(length >> 8));
  out.push_back(static_cast<char>(length & 0xFF));
  out.append(mark_.image, 0, length);
  return out;
}

// The place of a record in the current order, read from storage: for a position taken in another
// order (or with other variable values that changed the plan).
Status View::markOf(std::int64_t record, Mark& mark, bool& found) {
  ReadScope read(session());
  SavedBuffers saved(buffers());
  const int key = imageKey();
  sqlite3_stmt* statement =
      primary_.statement("SELECT pos, ver, data" + (key >= 0 ? ", k" + std::to_string(key) : std::string()) + " FROM " +
                         primary_.table() + " WHERE pos = :rec");
  if (statement == nullptr) return session().fromSqlite(sqlite3_errcode(session().db_), primary_.decl().physicalPath());
  StatementGuard guard(statement);
  bindNamed(statement, ":rec", record);
  const int rc = sqlite3_step(statement);
  found = rc == SQLITE_ROW;
  if (rc == SQLITE_DONE) return Status();
  if (rc != SQLITE_ROW) return session().fromSqlite(rc, primary_.decl().physicalPath());
  const std::string data = columnBytes(statement, 2);
  if (data.size() != primary_.buffer().size())
    return session().setError(errors::kBadFileStructure, {}, primary_.decl().physicalPath());
  primary_.buffer().assignBytes(data.data(), data.size());
  mark = Mark{key >= 0 ? columnBytes(statement, 3) : std::string(), record};
  if (plan_.sorted) {
    std::vector<StoredPtr> parents;
    bool keep;
    if (int error = joinParents(parents, keep)) return recorded(error);
    appendSortImage(mark.image);
    for (auto& cache : parentCache_) cache.clear();
  }
  return Status();
}

Status View::reset(std::string_view position) {
  if (Status error = requireReadable()) return error;
  if (position.size() < kPositionHeader || position.substr(0, 2) != kPositionMagic) {
    return fail(errors::kInvalidParameters, "not a view position");
  }
  const std::uint64_t signature = readU64(position.substr(2));
  const auto record = static_cast<std::int64_t>(readU64(position.substr(10)));
  const std::size_t length = (static_cast<std::size_t>(static_cast<std::uint8_t>(position[18])) << 8) |
                             static_cast<std::uint8_t>(position[19]);
  if (position.size() < kPositionHeader + length) return fail(errors::kInvalidParameters, "not a view position");
  restart();
  if (Status error = makePlan()) return error;
  if (signature == plan_.signature) {
    mark_ = Mark{std::string(position.substr(kPositionHeader, length)), record};
  } else {
    bool found = false;
    if (Status error = markOf(record, mark_, found)) return error;
    if (!found) return succeed();  // nowhere to stand in this order: from the start
  }
  at_ = At::Seek;
  seekInclusive_ = true;
  return succeed();
}

Status View::readPage(std::string_view from, bool inclusive, Direction direction, int count,
                      const std::function<bool()>& row) {
  if (Status error = requireReadable()) return error;
  ReadScope read(session());
  if (from.empty()) {
    restart();
  } else {
    if (Status error = reset(from)) return error;
    if (at_ == At::Seek) seekInclusive_ = inclusive;
  }
  batch_ = std::clamp(count, 1, kLargestBatch);
  for (int i = 0; i < count; ++i) {
    const Status error = step(direction);
    if (error == errors::kRecordNotAvailable) break;
    if (error != errors::kNone) return error;
    if (!row()) break;
  }
  return succeed();
}

}  // namespace platform::storage
