// The lookup drop list: a combo of a list format (platform/ui/controls/combo_control.h) that offers
// every record of a file, in the order of one of the file's keys, and writes the chosen record's
// values into fields of another record (a form's record). It keeps itself in step with those
// fields: the row whose values equal them is the current one, shown in the combo, and its values
// are put back into the file's record buffer (so that the combo's use variable, a field of the
// file, shows its text). When no row holds them the combo shows nothing and those fields of the
// file's buffer are cleared.
//
//   LookupDropList units(controller);
//   units.init("?UAPR:DESCRIPCION", unitsRelations, unitRows, descriptionKey);
//   units.addField("UAPR:DESCRIPCION", "DESCRIPCION");   // the rows' fields, in the format's order
//   units.addField("UAPR:ID_UAPR", "ID_UAPR");
//   units.addUpdateField("UAPR:ID_UAPR", gradeRecord, idField);
//
// The rows are read when the window first resets its components, and again on a forced reset.
// Choosing a row (or typing its text, without regard to case, or the start of it) makes it current;
// a text that no row begins with puts the current row back.
//
// The file is opened through its relation manager by init() and closed by kill(). A failed read is
// reported through the file manager's error reporter (message kMessageViewReadFailed) and leaves
// the rows read so far. Not thread safe: GUI thread only. The controller, relation manager, queue
// and target records must outlive the list.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/relation_manager.h"
#include "platform/classes/view_manager.h"
#include "platform/classes/window_component.h"
#include "platform/classes/window_controller.h"
#include "platform/core/record_queue.h"
#include "platform/ui/controls/combo_control.h"

namespace platform {

class LookupDropList : public WindowComponent {
 public:
  explicit LookupDropList(WindowController& window);
  ~LookupDropList() override;
  LookupDropList(const LookupDropList&) = delete;
  LookupDropList& operator=(const LookupDropList&) = delete;

  // The combo `comboLabel` shows the queue's entries; the records are read from `file` in the
  // order of its key `key`. Opens the file and adds the list to the window controller. Throws
  // std::invalid_argument when the control is not a combo of a format or the queue lacks fields
  // its columns show.
  void init(const std::string& comboLabel, RelationManager& file, RecordQueue& queue, int key);
  // Copies the file's field `source` ("UAPR:DESCRIPCION") into the queue's field `rowField`.
  void addField(std::string_view source, std::string_view rowField);
  // Choosing a row sets `target`'s field `targetField` to the row's value of `source` (a field
  // added with addField); the row whose values equal the targets' is the current one.
  void addUpdateField(std::string_view source, RecordBuffer& target, int targetField);

  // Reads every record of the file into the rows again; the read's runtime error (kNone done).
  int fill();
  // The current row, 0 for none.
  int current() const { return current_; }

  // ---- WindowComponent ----
  int takeEvent() override;
  bool reset(bool force) override;
  void kill() override;

 private:
  struct FieldPair {
    int fileField;
    int rowField;
  };
  struct UpdatePair {
    int rowField;
    RecordBuffer* target;
    int targetField;
  };

  int fileFieldOf(std::string_view source) const;
  // Makes the row whose values the targets hold current; true when that changed anything.
  bool follow();
  void choose(int row);
  void chooseTyped();
  int rowByText(Cp1252View typed) const;
  Cp1252Text rowText(int row) const;
  std::vector<std::string> targetValues() const;

  WindowController& window_;
  ui::ComboControl* control_ = nullptr;
  RelationManager* file_ = nullptr;
  RecordQueue* queue_ = nullptr;
  std::unique_ptr<ViewManager> view_;
  int key_ = -1;
  int textColumn_ = 1;
  std::vector<FieldPair> fields_;
  std::vector<UpdatePair> updates_;
  bool opened_ = false;
  bool loaded_ = false;
  bool changed_ = false;
  int current_ = 0;
  std::vector<std::string> followed_;  // the targets' values when the list last followed them
};

}  // namespace platform
