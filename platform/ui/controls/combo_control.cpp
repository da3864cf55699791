#include <QComboBox>
#include <QJsonArray>
#include <QLineEdit>

#include "platform/core/cp1252.h"
#include "platform/ui/controls/kinds.h"
#include "platform/ui/window.h"

namespace platform::ui::controls {
namespace {

std::string toCp1252(const QString& text) {
  std::string out;
  for (char32_t c : text.toUcs4()) {
    const int byte = unicodeToCp1252(c);
    out += static_cast<char>(byte >= 0 ? byte : '?');
  }
  return out;
}

class ComboControl : public Control {
 public:
  ComboControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), combo_(new QComboBox(parent)) {
    setUpWidget(combo_);
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->setFocusPolicy(Qt::StrongFocus);
    if (picture()) combo_->lineEdit()->setMaxLength(picture()->width());
    for (const QJsonValue& choice : definition.fields.value("from").toArray()) combo_->addItem(choice.toString());
    QObject::connect(combo_, &QComboBox::activated, combo_, [this] { take(); });
    QObject::connect(combo_->lineEdit(), &QLineEdit::textEdited, combo_, [this] { edited_ = true; });
    QObject::connect(combo_->lineEdit(), &QLineEdit::editingFinished, combo_, [this] {
      if (edited_) take();
    });
  }

  QWidget* widget() const override { return combo_; }
  bool takesFocus() const override { return true; }
  void commit() override {
    if (edited_) take();
  }
  std::string text() const override { return combo_ ? combo_->currentText().toStdString() : std::string(); }
  void setText(const std::string& utf8) override {
    if (combo_) combo_->setEditText(QString::fromStdString(utf8));
    edited_ = false;
  }
  bool setChoices(const std::vector<std::string>& utf8) override {
    if (!combo_) return true;
    const QString shown = combo_->currentText();
    combo_->clear();
    for (const std::string& choice : utf8) combo_->addItem(QString::fromStdString(choice));
    combo_->setEditText(shown);
    return true;
  }
  std::vector<std::string> choices() const override {
    std::vector<std::string> out;
    for (int i = 0; combo_ && i < combo_->count(); ++i) out.push_back(combo_->itemText(i).toStdString());
    return out;
  }

 protected:
  void showValue(const std::string& cp1252) override {
    if (!combo_) return;
    std::string shown = cp1252;
    const std::size_t end = shown.find_last_not_of(' ');
    shown.erase(end == std::string::npos ? 0 : end + 1);
    combo_->setEditText(QString::fromStdString(cp1252ToUtf8(shown)));
    edited_ = false;
  }
  std::string takenValue() const override { return combo_ ? toCp1252(combo_->currentText()) : std::string(); }

 private:
  void take() {
    edited_ = false;
    update();
    postAccepted();
  }

  QPointer<QComboBox> combo_;
  bool edited_ = false;
};

}  // namespace

std::unique_ptr<ControlKind> comboKind() {
  return std::make_unique<KindOf<ComboControl>>("combo", std::vector<std::string_view>{"picture", "use", "from"},
                                                std::vector<std::string_view>{});
}

}  // namespace platform::ui::controls
