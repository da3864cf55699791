#include "platform/ui/controls/drop_list_control.h"

#include <optional>

#include "platform/core/cp1252_text.h"
#include "platform/core/number_text.h"
#include "platform/ui/controls/kinds.h"
#include "platform/ui/window.h"

namespace platform::ui {
namespace {

constexpr int kDefaultDropRows = 10;

// A value as the variable shows it and a choice's value name the same thing: the same text, or the
// same number written two ways ("1" and "1.0").
bool sameValue(Cp1252View shown, Cp1252View choice) {
  const Cp1252View a = trim(shown);
  const Cp1252View b = trim(choice);
  if (a == b) return true;
  const std::optional<double> x = readDecimal(a.bytes());
  const std::optional<double> y = readDecimal(b.bytes());
  return x && y && *x == *y;
}

// Definitions are UTF-8; a value that code page 1252 cannot hold is refused by the kind's check.
Cp1252Text cp1252Of(std::string_view utf8) { return Cp1252Text::fromUtf8(utf8).value_or(Cp1252Text()); }

int dropRowsOf(const ControlDefinition& d) {
  const QJsonValue drop = d.fields.value("drop");
  return drop.isDouble() ? drop.toInt() : kDefaultDropRows;
}

}  // namespace

std::vector<Choice> parseChoices(std::string_view from) {
  std::vector<Choice> choices;
  std::size_t start = 0;
  while (start <= from.size()) {
    const std::size_t bar = from.find('|', start);
    const std::string_view part =
        from.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
    if (!part.empty() && part.front() == '#') {
      if (!choices.empty()) choices.back().value = cp1252Of(part.substr(1));
    } else if (!part.empty()) {
      choices.push_back({std::string(part), cp1252Of(part)});
    }
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  return choices;
}

DropListControl::DropListControl(Window& window, const ControlDefinition& definition, QWidget* parent)
    : Control(window, definition), box_(new ColumnsBox(parent)), choices_(parseChoices(definition.text("from"))) {
  setUpWidget(box_);
  box_->setFocusPolicy(definition.has("skip") ? Qt::ClickFocus : Qt::StrongFocus);
  if (!choices_.empty()) {
    for (const Choice& choice : choices_) box_->addItem(QString::fromStdString(choice.text));
    box_->setMaxVisibleItems(dropRowsOf(definition));
    box_->setCurrentIndex(-1);
  } else {
    rows_ = std::make_unique<DropRows>(box_, parseListFormat(definition.text("format")).value_or(ListFormat{}),
                                       window.units(), dropRowsOf(definition));
  }
  QObject::connect(box_, &QComboBox::activated, box_, [this](int) {
    postNewSelection();
    if (choices_.empty()) return;
    takeInput();
    postAccepted();
  });
}

const ListFormat& DropListControl::format() const {
  static const ListFormat none;
  return rows_ ? rows_->format() : none;
}

bool DropListControl::setRows(RecordQueue* queue, std::string* problem) {
  if (!rows_) {
    if (problem != nullptr) *problem = "a drop list of fixed choices takes no rows";
    return false;
  }
  if (!rows_->setRows(queue, problem)) return false;
  refresh();
  return true;
}

void DropListControl::refresh() {
  if (rows_) rows_->refresh(window().locale());
}

std::vector<std::string> DropListControl::choices() const {
  std::vector<std::string> texts;
  for (const Choice& choice : choices_) texts.push_back(choice.text);
  return texts;
}

int DropListControl::rowCount() const { return box_ ? box_->count() : 0; }

int DropListControl::selected() const { return box_ ? box_->currentIndex() + 1 : 0; }

void DropListControl::select(int row) {
  if (box_) box_->setCurrentIndex(row >= 1 && row <= rowCount() ? row - 1 : -1);
}

std::string DropListControl::cell(int row, int column) const {
  if (rows_) return rows_->cell(row, column);
  const bool inside = row >= 1 && row <= static_cast<int>(choices_.size()) && column == 1;
  return inside ? choices_[static_cast<std::size_t>(row - 1)].text : std::string();
}

void DropListControl::showValue(const Cp1252Text& shown) {
  if (!box_ || choices_.empty()) return;
  int found = 0;
  for (std::size_t i = 0; i < choices_.size() && found == 0; ++i) {
    if (sameValue(shown, choices_[i].value)) found = static_cast<int>(i) + 1;
  }
  select(found);
}

Cp1252Text DropListControl::takenValue() const {
  const int row = selected();
  if (row < 1 || row > static_cast<int>(choices_.size())) return {};
  return choices_[static_cast<std::size_t>(row - 1)].value;
}

namespace controls {

std::unique_ptr<ControlKind> dropListKind() {
  return std::make_unique<KindOf<DropListControl>>(
      "droplist", std::vector<std::string_view>{"format", "from", "use", "drop"}, std::vector<std::string_view>{"skip"},
      [](const ControlDefinition& d, std::vector<std::string>& problems) {
        const bool hasFormat = d.fields.contains("format");
        const bool hasChoices = d.fields.contains("from");
        if (hasFormat == hasChoices) problems.push_back("a drop list needs either a \"format\" or \"from\" choices");
        if (hasFormat) checkFormatField(d, problems);
        if (hasChoices && parseChoices(d.text("from")).empty()) problems.push_back("\"from\" names no choice");
        if (!Cp1252Text::fromUtf8(d.text("from")))
          problems.push_back("\"from\" holds a character outside code page 1252");
        if (!d.text("use").empty() && !hasChoices) problems.push_back("only a drop list of choices takes a \"use\"");
        checkDropField(d, problems);
      });
}

}  // namespace controls
}  // namespace platform::ui
