#include <QLineEdit>

#include "platform/core/number_text.h"
#include "platform/core/real_compare.h"
#include "platform/ui/controls/alignment.h"
#include "platform/ui/controls/kinds.h"
#include "platform/ui/controls/text_input.h"
#include "platform/ui/window.h"

namespace platform::ui::controls {
namespace {

bool isNumberPicture(const std::optional<Picture>& p) { return p && p->kind() != PictureKind::Text; }

class EntryControl : public Control {
 public:
  EntryControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), edit_(new QLineEdit(parent)) {
    setUpWidget(edit_);
    if (picture()) edit_->setMaxLength(picture()->width());
    edit_->setValidator(new Cp1252Validator(edit_, window.locale(), definition.has("upper")));
    if (definition.has("password")) edit_->setEchoMode(QLineEdit::Password);
    edit_->setReadOnly(definition.has("readonly"));
    edit_->setAlignment(horizontalAlignment(definition, isNumberPicture(picture()) ? Qt::AlignRight : Qt::AlignLeft) |
                        Qt::AlignVCenter);
    edit_->setFocusPolicy(definition.has("skip") ? Qt::ClickFocus : Qt::StrongFocus);
    // The user's own edits, not the program's: those are what leaving the entry accepts.
    QObject::connect(edit_, &QLineEdit::textEdited, edit_, [this] { edited_ = true; });
    QObject::connect(edit_, &QLineEdit::editingFinished, edit_, [this] { commit(); });
  }

  QWidget* widget() const override { return edit_; }
  bool takesFocus() const override { return !definition().has("skip"); }
  bool canHoldFocus() const override { return true; }
  bool acceptsInput() const override { return true; }

  void commit() override {
    if (takePendingInput()) postAccepted();
  }
  bool takePendingInput() override {
    if (!edit_ || !edited_) return false;
    edited_ = false;
    takeInput();
    return true;
  }

  // A number counts as given only when it is not 0: a blank or zero key is no key.
  bool lacksRequiredValue() const override {
    if (!definition().has("required") || !edit_) return false;
    if (isNumberPicture(picture())) return realIsZero(leadingReal(typedCp1252(edit_->text()).bytes()));
    return edit_->text().trimmed().isEmpty();
  }

  std::string text() const override { return edit_ ? edit_->text().toStdString() : std::string(); }
  void setText(const std::string& utf8) override {
    if (edit_) edit_->setText(QString::fromStdString(utf8));
    edited_ = false;
  }
  bool isReadOnly() const override { return edit_ && edit_->isReadOnly(); }
  bool setReadOnly(bool readOnly) override {
    if (edit_) edit_->setReadOnly(readOnly);
    return true;
  }

 protected:
  // Numbers lose the blanks that right-align them, texts their trailing blanks: the entry aligns
  // them itself, and blanks would only be in the typist's way.
  void showValue(const Cp1252Text& shown) override {
    if (!edit_) return;
    edit_->setText(QString::fromStdString((isNumberPicture(picture()) ? trimLeft(shown) : trimRight(shown)).toUtf8()));
    edited_ = false;
  }
  bool takesInput() const override { return true; }
  Cp1252Text takenValue() const override { return edit_ ? typedCp1252(edit_->text()) : Cp1252Text(); }

 private:
  QPointer<QLineEdit> edit_;
  bool edited_ = false;
};

}  // namespace

std::unique_ptr<ControlKind> entryKind() {
  return std::make_unique<KindOf<EntryControl>>(
      "entry", std::vector<std::string_view>{"picture", "use"},
      std::vector<std::string_view>{"upper", "password", "readonly", "skip", "required", "left", "right", "centre"},
      [](const ControlDefinition& d, std::vector<std::string>& problems) {
        if (d.text("picture").empty()) problems.push_back("an entry needs a picture");
      });
}

}  // namespace platform::ui::controls
