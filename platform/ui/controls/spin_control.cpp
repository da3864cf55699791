#include <QJsonArray>
#include <QSpinBox>

#include "platform/core/number_text.h"
#include "platform/ui/controls/alignment.h"
#include "platform/ui/controls/kinds.h"
#include "platform/ui/window.h"

namespace platform::ui::controls {
namespace {

constexpr int kDefaultLow = 1;
constexpr int kDefaultHigh = 9999;

class SpinControl : public Control {
 public:
  SpinControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), spin_(new QSpinBox(parent)) {
    setUpWidget(spin_);
    const QJsonArray range = definition.fields.value("range").toArray();
    if (range.size() == 2)
      spin_->setRange(range[0].toInt(), range[1].toInt());
    else
      spin_->setRange(kDefaultLow, kDefaultHigh);
    spin_->setAlignment(horizontalAlignment(definition, Qt::AlignRight));
    spin_->setFocusPolicy(Qt::StrongFocus);
    // Arrows and typing both change the value; only the user's changes are accepted.
    QObject::connect(spin_, &QSpinBox::valueChanged, spin_, [this] {
      if (showing_) return;
      takeInput();
      postAccepted();
    });
  }

  QWidget* widget() const override { return spin_; }
  bool takesFocus() const override { return true; }
  std::string text() const override { return spin_ ? spin_->text().toStdString() : std::string(); }
  bool setRange(int low, int high) override {
    if (spin_) spin_->setRange(low, high < low ? low : high);
    return true;
  }
  int rangeLow() const override { return spin_ ? spin_->minimum() : 0; }
  int rangeHigh() const override { return spin_ ? spin_->maximum() : 0; }

 protected:
  void showValue(const Cp1252Text& shown) override {
    if (!spin_) return;
    showing_ = true;
    spin_->setValue(leadingWholeNumber(shown.bytes()));
    showing_ = false;
  }
  bool takesInput() const override { return true; }
  Cp1252Text takenValue() const override { return spin_ ? Cp1252Text::decimal(spin_->value()) : Cp1252Text(); }

 private:
  QPointer<QSpinBox> spin_;
  bool showing_ = false;
};

}  // namespace

std::unique_ptr<ControlKind> spinKind() {
  return std::make_unique<KindOf<SpinControl>>(
      "spin", std::vector<std::string_view>{"picture", "use", "range"},
      std::vector<std::string_view>{"left", "right", "centre"},
      [](const ControlDefinition& d, std::vector<std::string>& problems) {
        const QJsonValue v = d.fields.value("range");
        if (v.isUndefined()) return;
        const QJsonArray a = v.toArray();
        if (!v.isArray() || a.size() != 2 || !a[0].isDouble() || !a[1].isDouble() || a[0].toInt() > a[1].toInt())
          problems.push_back("\"range\" must be [low, high]");
      });
}

}  // namespace platform::ui::controls
