#include "platform/classes/lookup_drop_list.h"

#include <climits>
#include <stdexcept>

#include "platform/classes/field_values.h"
#include "platform/core/cp1252_text.h"
#include "platform/core/runtime_errors.h"

namespace platform {
namespace {

// What the combo shows or was typed into it (UTF-8), without its trailing blanks. The combo shows
// record texts and takes only characters that records can hold, so every text converts.
Cp1252Text heldText(const std::string& utf8) { return trimRight(Cp1252Text::fromUtf8(utf8).value_or(Cp1252Text())); }

// A field's bytes, to tell whether it changed.
std::string bytesOf(const RecordBuffer& record, int field) {
  const Field& f = record.layout().field(field);
  return std::string(reinterpret_cast<const char*>(record.data()) + f.offset, f.size);
}

}  // namespace

LookupDropList::LookupDropList(WindowController& window) : window_(window) {}

LookupDropList::~LookupDropList() { kill(); }

void LookupDropList::init(const std::string& comboLabel, RelationManager& file, RecordQueue& queue, int key) {
  control_ = dynamic_cast<ui::ComboControl*>(&window_.window().control(comboLabel));
  if (control_ == nullptr || control_->format() == nullptr)
    throw std::invalid_argument(comboLabel + " is not a combo of a format");
  std::string problem;
  if (!control_->setRows(&queue, &problem)) throw std::invalid_argument(comboLabel + ": " + problem);
  const std::vector<ui::ListColumn>& columns = control_->format()->columns;
  textColumn_ = 1;
  while (textColumn_ < static_cast<int>(columns.size()) && columns[textColumn_ - 1].hidden()) ++textColumn_;
  file_ = &file;
  queue_ = &queue;
  key_ = key;
  view_ = std::make_unique<ViewManager>(file.me());
  opened_ = file.open() == kLevelBenign;
  window_.addComponent(*this);
}

int LookupDropList::fileFieldOf(std::string_view source) const {
  const storage::FileDecl& decl = file_->me().file().decl();
  const std::size_t colon = source.find(':');
  const bool ours =
      colon != std::string_view::npos && source.substr(0, colon).size() == decl.prefix.size() &&
      file_->me().file().session().engine().locale().compareNoCase(source.substr(0, colon), decl.prefix) == 0;
  const int field = ours ? decl.layout.indexOf(source.substr(colon + 1)) : -1;
  if (field < 0) throw std::invalid_argument("no field " + std::string(source) + " in " + decl.label);
  return field;
}

void LookupDropList::addField(std::string_view source, std::string_view rowField) {
  if (file_ == nullptr) throw std::logic_error("a lookup drop list takes its fields after init()");
  const int row = queue_->buffer().layout().indexOf(rowField);
  if (row < 0) throw std::invalid_argument("the rows have no field " + std::string(rowField));
  fields_.push_back({fileFieldOf(source), row});
}

void LookupDropList::addUpdateField(std::string_view source, RecordBuffer& target, int targetField) {
  const int fileField = fileFieldOf(source);
  for (const FieldPair& pair : fields_) {
    if (pair.fileField == fileField) {
      updates_.push_back({pair.rowField, &target, targetField});
      return;
    }
  }
  throw std::invalid_argument(std::string(source) + " is not one of the rows' fields");
}

int LookupDropList::fill() {
  queue_->free();
  loaded_ = true;
  if (!opened_) return errors::kNone;
  if (!view_->isOpen()) {
    if (view_->open() != kLevelBenign) return errors::kNone;  // shown by the file manager already
    view_->view().setOrder(key_);
  }
  storage::View& view = view_->view();
  view.restart();
  RecordBuffer& file = file_->me().buffer();
  const RecordBuffer kept = file;
  const int error = view.readPage({}, true, storage::View::Direction::Forward, INT_MAX, [&] {
    for (const FieldPair& pair : fields_) copyValue(file, pair.fileField, queue_->buffer(), pair.rowField);
    queue_->append();
    return true;
  });
  file.assign(kept);
  control_->refresh();
  if (error != errors::kNone) view_->reportReadError(error);
  return error;
}

std::vector<std::string> LookupDropList::targetValues() const {
  std::vector<std::string> values;
  for (const UpdatePair& pair : updates_) values.push_back(bytesOf(*pair.target, pair.targetField));
  return values;
}

bool LookupDropList::follow() {
  followed_ = targetValues();
  const Locale& locale = window_.window().locale();
  RecordBuffer row(queue_->buffer().layout());
  int found = 0;
  for (int r = 1; r <= queue_->count() && found == 0 && !updates_.empty(); ++r) {
    queue_->read(r, row);
    bool same = true;
    for (const UpdatePair& pair : updates_)
      same = same && sameValue(row, pair.rowField, *pair.target, pair.targetField, locale, false);
    if (same) found = r;
  }
  RecordBuffer& file = file_->me().buffer();
  const RecordBuffer before = file;
  for (const FieldPair& pair : fields_) {
    if (found != 0)
      copyValue(row, pair.rowField, file, pair.fileField);
    else
      clearValue(file, pair.fileField);
  }
  const bool changed = found != current_ || !(file == before);
  current_ = found;
  control_->select(found);
  return changed;
}

void LookupDropList::choose(int row) {
  if (!queue_->get(row)) return;
  RecordBuffer& file = file_->me().buffer();
  for (const FieldPair& pair : fields_) copyValue(queue_->buffer(), pair.rowField, file, pair.fileField);
  for (const UpdatePair& pair : updates_) copyValue(queue_->buffer(), pair.rowField, *pair.target, pair.targetField);
  followed_ = targetValues();
  current_ = row;
  control_->select(row);
  changed_ = true;
}

Cp1252Text LookupDropList::rowText(int row) const { return heldText(control_->cell(row, textColumn_)); }

int LookupDropList::rowByText(Cp1252View typed) const {
  const Locale& locale = window_.window().locale();
  if (typed.empty()) return 0;
  for (int r = 1; r <= queue_->count(); ++r)
    if (locale.compareNoCase(rowText(r), typed) == 0) return r;
  for (int r = 1; r <= queue_->count(); ++r) {
    const Cp1252Text text = rowText(r);
    if (text.size() >= typed.size() && locale.compareNoCase(text.view().first(typed.size()), typed) == 0) return r;
  }
  return 0;
}

// The row chosen in the drop-down, or else the row whose text was typed; a text no row begins with
// gives the current row back.
void LookupDropList::chooseTyped() {
  const Cp1252Text typed = heldText(control_->text());
  int row = control_->selected();
  const Locale& locale = window_.window().locale();
  if (row == 0 || locale.compareNoCase(rowText(row), typed) != 0) row = rowByText(typed);
  if (row != 0) {
    choose(row);
  } else {
    follow();
    changed_ = true;
  }
}

int LookupDropList::takeEvent() {
  if (control_ == nullptr) return kLevelBenign;
  const ui::WindowEvent& e = window_.event();
  if (e.kind == ui::EventKind::Accepted && e.control == control_->number()) chooseTyped();
  return kLevelBenign;
}

bool LookupDropList::reset(bool force) {
  if (control_ == nullptr) return false;
  bool changed = changed_;
  changed_ = false;
  if (!loaded_ || force) {
    fill();
    changed = follow() || changed;
  } else if (targetValues() != followed_) {
    changed = follow() || changed;
  }
  return changed;
}

void LookupDropList::kill() {
  if (control_ != nullptr) control_->setRows(nullptr);
  control_ = nullptr;
  if (view_) view_->close();
  view_.reset();
  if (opened_ && file_ != nullptr) file_->close();
  opened_ = false;
}

}  // namespace platform
