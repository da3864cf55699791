#include "tools/batch_queue.h"

#include <utility>

namespace datatool {

bool BatchQueue::put(Batch& batch) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return waiting_.size() < kWaiting || closed_; });
  if (closed_) {
    batch.clear();
    return false;
  }
  waiting_.push_back(std::move(batch));
  batch.clear();
  if (!spare_.empty()) {
    batch = std::move(spare_.back());
    spare_.pop_back();
  }
  changed_.notify_all();
  return true;
}

void BatchQueue::finish() {
  std::lock_guard<std::mutex> lock(mutex_);
  finished_ = true;
  changed_.notify_all();
}

bool BatchQueue::take(Batch& batch) {
  std::unique_lock<std::mutex> lock(mutex_);
  batch.clear();
  if (batch.records.capacity() > 0) spare_.push_back(std::move(batch));
  changed_.wait(lock, [&] { return !waiting_.empty() || finished_ || closed_; });
  if (waiting_.empty() || closed_) return false;
  batch = std::move(waiting_.front());
  waiting_.pop_front();
  changed_.notify_all();
  return true;
}

void BatchQueue::close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  waiting_.clear();
  changed_.notify_all();
}

}  // namespace datatool
