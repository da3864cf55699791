// A view: the records of a primary file, each with the records of parent files joined to it,
// those that pass a filter, in an order. Reading a row fills the record buffers of the primary
// and of every joined file, as their DataFiles hold them: put() on the primary after next()
// rewrites that row's record (and fails with kRecordChanged if another program changed it since).
//
// Joins. A parent is found through one of its keys, the key's components taking their values
// from fields of the primary (or of a file joined before it). A row whose parent is missing is
// kept with the parent's buffer cleared (an outer join, the default), or left out (inner join).
//
// Filter. An expression (platform/core/expression.h) over the fields of the view's files, by
// their prefixes ("ACT:ID_MAE"), and over the names of the procedure's bindings ("Gl_IdMaestro"),
// tested on each record as it is read from storage, with the variables' values then (for a view
// sorted in memory: at the first read after restart() or reset()). A bad filter or order makes
// every read fail (kInvalidFilter, kInvalidOrder) until it is replaced: a view never shows rows it was not asked for.
//
// Order. Fields of any of the view's files, by name, separated by commas, a leading "-" for
// descending ("PACA:DESCRIPCION,AACT:GRUPO"); or a key of the primary followed by such fields.
// Texts compare by the locale (trailing blanks never matter), numbers by value; rows equal in
// every field keep record-number order, so the order is total. A key leaves out the records
// that it leaves out (an optional key skips null values). Without any order, rows come in the
// order of the key whose range is read, else in physical order.
//
// Key ranges. Where the filter holds, joined by AND to the rest, an equality between leading
// components of a key of the primary and constants or bound variables ("ACT:ID_MAE=Gl_IdMaestro"),
// only that key's range is read, not the whole file. The key matching most leading components
// wins; then the one the order is by; then the one whose equality comes first in the filter.
// The filter is still tested on every row read.
//
// Reading. Rows are read in batches, each batch in one short read transaction (or inside the
// caller's transaction). A view in an order that is not the order of the key it reads reads the
// whole key range (or file) in one batch at the first read after restart() or reset(), and
// sorts it in memory; reads after a write through this session to any of its files read again
// from the current row on. Nothing is held between reads: another program's commit is never
// blocked by a view.
//
// Positions. position() is the current row's place as bytes (at most 65,555), which reset()
// takes back, also after the record was deleted (the view then stands before the next row), and
// also after the order changed (the record is looked up and placed in the new order).
//
// Buffers. While it reads, a view uses its files' buffers to test records; a read that delivers
// no row (kRecordNotAvailable or an error) puts every buffer back as it was. Other code should not keep the
// view's files positioned between two reads of the view: a row read moves their positions.
//
// Use: join the parents, open(), then setFilter() and setOrder() (the filter may name the joined
// files), then restart() and next(), or readPage().
//
// Errors: every operation returns a Status (status.h): a runtime error number (kNone done,
// kRecordNotAvailable no further row, kKeysMustBeRebuilt a damaged file that handed back a row out
// of the order) with its text, also kept in the Session; what is wrong with a filter or an order
// is the error's cause (Status::cause, Session::lastErrorCause). Nothing throws. Not thread safe: a
// view belongs to the thread of its files' session. The DataFiles and the bindings must outlive
// the view.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/core/bindings.h"
#include "platform/core/expression.h"
#include "platform/storage/data_file.h"

namespace platform::storage {

class View {
 public:
  enum class JoinKind : std::uint8_t { Outer, Inner };
  enum class Direction : std::uint8_t { Forward, Backward };

  // `names`: the procedure's bindings, for names of the filter other than the view's fields.
  explicit View(DataFile& primary, const Bindings* names = nullptr);
  ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // Joins `parent` through its key `parentKey` ("PACA:PK_PROGRAMA_ACADEMICO", the prefix
  // optional) on `fields`, one per key component, separated by commas ("AACT:ID_PACA"): fields
  // of the primary or of a file joined before, of the components' types. kInvalidParameters
  // when they do not fit; kInvalidKey for an unknown key.
  [[nodiscard]] Status join(DataFile& parent, std::string_view parentKey, std::string_view fields,
                            JoinKind kind = JoinKind::Outer);
  // The same for a join the program itself spells: one that does not fit is a fault of the
  // program and fails at once with std::logic_error naming both files and what is wrong, before
  // a view with a parent missing can show rows.
  void joinNamed(DataFile& parent, std::string_view parentKey, std::string_view fields,
                 JoinKind kind = JoinKind::Outer);

  // Opens the view's files that are not open yet (in `mode`); close() closes those again. A view
  // that is open stays open as it is.
  [[nodiscard]] Status open(int mode = kReadWriteShared);
  Status close();
  bool isOpen() const { return open_; }

  // Both place the view before its first row.
  Status setFilter(std::string_view text);
  Status setOrder(std::string_view fields);
  Status setOrder(int primaryKey, std::string_view appendedFields = {});
  const std::string& filterText() const { return filterText_; }
  // The names the view's filter can use: its files' fields by prefix, then the procedure's.
  const Bindings& names() const { return names_; }

  // Before the first row: next() reads the first row, previous() the last.
  void restart();
  [[nodiscard]] Status next();
  [[nodiscard]] Status previous();

  // The current row's position; empty before the first read.
  std::string position() const;
  // Places the view at a position: next() reads the row there (or the first after it), previous()
  // the row there (or the last before it). kInvalidParameters for bytes that are not a position.
  [[nodiscard]] Status reset(std::string_view position);

  // Reads up to `count` rows in one read transaction, forward or backward, starting at `from`
  // (a position; empty: the first row, or the last going backward), the row at `from` itself
  // only when `inclusive`. `row` is called with each row in the buffers; returning false stops.
  // Done when the rows ran out as well.
  [[nodiscard]] Status readPage(std::string_view from, bool inclusive, Direction direction, int count,
                                const std::function<bool()>& row);

  // How the reads since the last restart() or reset() were served, for tests and tuning: the
  // key of the primary whose range was read (-1: the whole file), whether the rows were sorted
  // in memory, and the primary records read from storage since open() (filtered out ones too).
  int rangeKey() const { return plan_.rangeKey; }
  // For a view sorted in memory that has been read since restart(): the number of its rows and the
  // 0-based place of the current one; -1 otherwise (a view in storage order does not know them
  // without reading everything).
  std::int64_t rowsInMemory() const { return plan_.sorted && built_ ? static_cast<std::int64_t>(rows_.size()) : -1; }
  std::int64_t placeInMemory() const {
    return plan_.sorted && built_ && at_ == At::Row ? static_cast<std::int64_t>(index_) : -1;
  }
  bool sortsInMemory() const { return plan_.sorted; }
  std::int64_t recordsRead() const { return recordsRead_; }

 private:
  struct Stored {
    std::int64_t record = 0;
    std::int64_t version = 0;
    std::string data;
  };
  using StoredPtr = std::shared_ptr<const Stored>;
  struct Row {
    std::string image;  // place in the order, the record number aside
    Stored primary;
    std::vector<StoredPtr> parents;  // null: no parent record
  };
  struct Join {
    DataFile* parent;
    int key;
    int from;  // 0 the primary, i + 1 the i-th join
    std::vector<int> fields;
    JoinKind kind;
  };
  struct Term {
    int file;  // 0 the primary, i + 1 the i-th join
    int field;
    bool descending;
  };
  struct Plan {
    bool ready = false;
    int rangeKey = -1;
    std::string low, high;  // key images: [low, high); high empty: no upper bound
    int streamKey = -1;     // key order delivered by storage; -1 with !sorted: physical order
    bool sorted = false;
    std::uint64_t signature = 0;
  };
  struct Mark {
    std::string image;
    std::int64_t record = 0;
  };
  enum class At : std::uint8_t { Start, Row, BeforeFirst, AfterLast, Seek };

  struct Raw {
    Stored stored;
    std::string keyImage;
  };

  DataFile& file(int index) { return index == 0 ? primary_ : *joins_[static_cast<std::size_t>(index - 1)].parent; }
  int fileCount() const { return static_cast<int>(joins_.size()) + 1; }
  Session& session() { return primary_.session(); }
  std::vector<RecordBuffer*> buffers();
  Status fail(int code, const std::string& cause);
  Status succeed();
  // The work done for each row (filter, joins, delivery) returns the bare number, the session
  // holding the rest: a Status made and dropped at every row costs a few percent of a pass.
  // recorded() makes the Status of such a number from what the session recorded.
  Status recorded(int code);
  int locateField(std::string_view name, int& fileIndex, int& field, int filesKnown);
  int parseTerms(std::string_view text, std::vector<Term>& terms);
  Status requireReadable();
  std::uint64_t generation() const;

  Status makePlan();
  void planRange(const std::vector<Expression::FieldEquality>& equalities);
  // The key whose image begins a row's place in the order; -1 none.
  int imageKey() const;

  int passes(bool& holds);
  StoredPtr lookUp(int join, const std::string& image, int& error);
  int joinParents(std::vector<StoredPtr>& parents, bool& keep);
  void appendSortImage(std::string& image);
  // Takes the record into `sorted` or `ahead` when it passes the key, the joins and the filter.
  int accept(Stored stored, std::string keyImage, std::vector<Row>* sorted, std::deque<Row>* ahead);

  Status build();
  Status stepSorted(Direction direction);
  Status readBatch(Direction direction, bool haveMark, bool inclusive, const Mark& from, int limit,
                   std::vector<Raw>& raws);
  Status fetch(Direction direction);
  Status stepStreaming(Direction direction);
  Status step(Direction direction);
  int deliver(const Row& row);
  Status markOf(std::int64_t record, Mark& mark, bool& found);
  static bool before(const Row& row, const Mark& mark);
  static bool after(const Row& row, const Mark& mark);

  DataFile& primary_;
  Bindings names_;
  std::vector<Join> joins_;
  std::vector<DataFile*> openedByView_;
  bool open_ = false;

  std::string filterText_;
  Expression filter_;
  int filterError_ = 0;
  std::string filterErrorCause_;
  int orderKey_ = -1;
  std::vector<Term> terms_;
  int orderError_ = 0;
  std::string orderErrorCause_;

  Plan plan_;
  bool filterFirst_ = true;  // the filter names no joined file: tested before the joins
  At at_ = At::Start;
  Mark mark_;
  bool seekInclusive_ = true;

  // In-memory order: the whole result of the last build.
  std::vector<Row> rows_;
  std::size_t index_ = 0;
  bool built_ = false;
  // Storage order: rows read ahead in the current direction.
  std::deque<Row> ahead_;
  Direction aheadDirection_ = Direction::Forward;
  bool aheadReachedEnd_ = false;  // the last batch read up to the end in its direction
  int batch_ = 16;
  std::uint64_t readGeneration_ = 0;

  // Parent rows by key image, kept for one batch.
  std::vector<std::unordered_map<std::string, StoredPtr>> parentCache_;
  std::int64_t recordsRead_ = 0;
};

}  // namespace platform::storage
