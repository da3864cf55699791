#include "platform/ui/controls/combo_control.h"

#include <QJsonArray>
#include <QLineEdit>

#include "platform/ui/controls/kinds.h"
#include "platform/ui/controls/text_input.h"
#include "platform/ui/window.h"

namespace platform::ui {
namespace {

constexpr int kDefaultDropRows = 10;

}  // namespace

ComboControl::ComboControl(Window& window, const ControlDefinition& definition, QWidget* parent)
    : Control(window, definition), combo_(new QComboBox(parent)) {
  setUpWidget(combo_);
  combo_->setEditable(true);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  combo_->setFocusPolicy(definition.has("skip") ? Qt::ClickFocus : Qt::StrongFocus);
  if (picture()) combo_->lineEdit()->setMaxLength(picture()->width());
  combo_->setValidator(new controls::Cp1252Validator(combo_, window.locale(), false));
  if (definition.fields.contains("format")) {
    const QJsonValue drop = definition.fields.value("drop");
    rows_ = std::make_unique<DropRows>(combo_, parseListFormat(definition.text("format")).value_or(ListFormat{}),
                                       window.units(), drop.isDouble() ? drop.toInt() : kDefaultDropRows);
  }
  for (const QJsonValue& choice : definition.fields.value("from").toArray()) combo_->addItem(choice.toString());
  QObject::connect(combo_, &QComboBox::activated, combo_, [this] { take(); });
  QObject::connect(combo_->lineEdit(), &QLineEdit::textEdited, combo_, [this] {
    edited_ = true;
    if (this->definition().has("immediate")) postNewSelection();
  });
  QObject::connect(combo_->lineEdit(), &QLineEdit::editingFinished, combo_, [this] { commit(); });
}

void ComboControl::commit() {
  if (edited_) take();
}

bool ComboControl::takePendingInput() {
  if (!edited_) return false;
  edited_ = false;
  takeInput();
  return true;
}

std::string ComboControl::text() const { return combo_ ? combo_->currentText().toStdString() : std::string(); }

void ComboControl::setText(const std::string& utf8) {
  if (combo_) combo_->setEditText(QString::fromStdString(utf8));
  edited_ = false;
}

bool ComboControl::setChoices(const std::vector<std::string>& utf8) {
  if (!combo_ || rows_) return !rows_;
  const QString shown = combo_->currentText();
  combo_->clear();
  for (const std::string& choice : utf8) combo_->addItem(QString::fromStdString(choice));
  combo_->setEditText(shown);
  return true;
}

std::vector<std::string> ComboControl::choices() const {
  std::vector<std::string> out;
  for (int i = 0; combo_ && !rows_ && i < combo_->count(); ++i) out.push_back(combo_->itemText(i).toStdString());
  return out;
}

bool ComboControl::setRows(RecordQueue* queue, std::string* problem) {
  if (!rows_) {
    if (problem != nullptr) *problem = "a combo without a format takes no rows";
    return false;
  }
  if (!rows_->setRows(queue, problem)) return false;
  refresh();
  return true;
}

void ComboControl::refresh() {
  if (rows_) rows_->refresh(window().locale());
}

int ComboControl::rowCount() const { return combo_ ? combo_->count() : 0; }

int ComboControl::selected() const { return combo_ ? combo_->currentIndex() + 1 : 0; }

void ComboControl::select(int row) {
  if (!combo_) return;
  combo_->setCurrentIndex(row >= 1 && row <= rowCount() ? row - 1 : -1);
  edited_ = false;
}

std::string ComboControl::cell(int row, int column) const {
  if (rows_) return rows_->cell(row, column);
  return combo_ && column == 1 && row >= 1 && row <= rowCount() ? combo_->itemText(row - 1).toStdString()
                                                                : std::string();
}

void ComboControl::showValue(const Cp1252Text& shown) {
  if (!combo_) return;
  combo_->setEditText(QString::fromStdString(trimRight(shown).toUtf8()));
  edited_ = false;
}

Cp1252Text ComboControl::takenValue() const {
  return combo_ ? controls::typedCp1252(combo_->currentText()) : Cp1252Text();
}

void ComboControl::take() {
  edited_ = false;
  takeInput();
  postAccepted();
}

namespace controls {

std::unique_ptr<ControlKind> comboKind() {
  return std::make_unique<KindOf<ComboControl>>(
      "combo", std::vector<std::string_view>{"picture", "use", "from", "format", "drop"},
      std::vector<std::string_view>{"skip", "immediate"},
      [](const ControlDefinition& d, std::vector<std::string>& problems) {
        if (d.fields.contains("format")) {
          checkFormatField(d, problems);
          if (d.fields.contains("from")) problems.push_back("a combo takes either a \"format\" or \"from\" choices");
        }
        checkDropField(d, problems);
      });
}

}  // namespace controls
}  // namespace platform::ui
