#include <QJsonArray>
#include <QProgressBar>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/core/number_text.h"
#include "platform/ui/controls/kinds.h"

namespace platform::ui::controls {
namespace {

constexpr int kDefaultLow = 0;
constexpr int kDefaultHigh = 100;

// The definition's "range" as [low, high]; nothing when it is absent or not two whole numbers.
std::optional<std::pair<int, int>> definedRange(const ControlDefinition& d) {
  const QJsonValue v = d.fields.value("range");
  const QJsonArray a = v.toArray();
  if (!v.isArray() || a.size() != 2) return std::nullopt;
  int ends[2];
  for (int i = 0; i < 2; ++i) {
    const double x = a[i].toDouble(-1e300);
    if (!a[i].isDouble() || x != static_cast<double>(static_cast<long long>(x)) || x < INT32_MIN || x > INT32_MAX)
      return std::nullopt;
    ends[i] = static_cast<int>(x);
  }
  return std::make_pair(ends[0], ends[1]);
}

class ProgressControl : public Control {
 public:
  ProgressControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), bar_(new QProgressBar(parent)) {
    setUpWidget(bar_);
    // The bar alone, as a desktop draws it: procedures write their own percentage beside it.
    bar_->setTextVisible(false);
    const auto range = definedRange(definition).value_or(std::make_pair(kDefaultLow, kDefaultHigh));
    setRange(range.first, range.second);
  }

  QWidget* widget() const override { return bar_; }

  bool setRange(int low, int high) override {
    low_ = low;
    high_ = std::max(low, high);
    setProgress(value_);
    return true;
  }
  int rangeLow() const override { return low_; }
  int rangeHigh() const override { return high_; }

  bool setProgress(int value) override {
    value_ = std::clamp(value, low_, high_);
    if (!bar_) return true;
    // An empty range shows an empty bar (Qt would show a busy indicator for it).
    if (high_ > low_) {
      bar_->setRange(low_, high_);
      bar_->setValue(value_);
    } else {
      bar_->setRange(0, 1);
      bar_->setValue(0);
    }
    return true;
  }
  int progress() const override { return value_; }

 protected:
  void showValue(const Cp1252Text& shown) override { setProgress(leadingWholeNumber(shown.bytes())); }

 private:
  QPointer<QProgressBar> bar_;
  int low_ = kDefaultLow;
  int high_ = kDefaultHigh;
  int value_ = kDefaultLow;
};

}  // namespace

std::unique_ptr<ControlKind> progressKind() {
  return std::make_unique<KindOf<ProgressControl>>(
      "progress", std::vector<std::string_view>{"range", "use"}, std::vector<std::string_view>{},
      [](const ControlDefinition& d, std::vector<std::string>& problems) {
        if (!d.fields.contains("range")) return;
        const auto range = definedRange(d);
        if (!range)
          problems.push_back("\"range\" must be [low, high], two whole numbers");
        else if (range->first > range->second)
          problems.push_back("the range's low end is above its high end");
      });
}

}  // namespace platform::ui::controls
