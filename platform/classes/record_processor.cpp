#include "platform/classes/record_processor.h"

#include "platform/core/runtime_errors.h"

namespace platform {

void RecordProcessor::init(storage::View& view, ui::Window* window, int percentControl, std::int32_t* thermometer) {
  view_ = &view;
  window_ = window;
  percentControl_ = percentControl;
  thermometer_ = thermometer;
}

storage::Status RecordProcessor::open() {
  processed_ = 0;
  total_ = 0;
  percent_ = -1;
  if (!view_->isOpen())
    if (storage::Status error = view_->open()) return error;
  if (storage::Status error = view_->setFilter(filter_)) return error;
  if (storage::Status error = view_->setOrder(order_)) return error;
  view_->restart();
  storage::Status error = view_->next();
  if (error != errors::kNone) return error;
  total_ = view_->rowsInMemory();
  if (total_ < 0) {
    // Storage order: count once, then start again.
    total_ = 1;
    while (view_->next() == errors::kNone) ++total_;
    view_->restart();
    error = view_->next();
    if (error != errors::kNone) return error;
  }
  showProgress();
  return error;
}

storage::Status RecordProcessor::next() {
  ++processed_;
  storage::Status error = view_->next();
  showProgress();
  return error;
}

void RecordProcessor::showProgress() {
  const int percent = total_ <= 0 ? 100 : static_cast<int>(processed_ * 100 / total_);
  if (percent == percent_) return;
  percent_ = percent;
  if (thermometer_ != nullptr) *thermometer_ = percent;
  if (window_ != nullptr && percentControl_ != 0) {
    window_->control(percentControl_).setText(std::to_string(percent) + suffix_);
    window_->display();
  }
}

}  // namespace platform
