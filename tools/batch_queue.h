// Batches of records passed from one thread to another, so that one thread reads (a table, a
// data file) while the other does the rest of the work (checks and writes, or formatting). At
// most a few batches wait at a time and emptied batches go back for reuse, so memory stays flat
// whatever the number of records. One thread puts, one thread takes.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace datatool {

struct Batch {
  std::string records;     // the records' bytes, one after another
  std::vector<int> lines;  // rows read from a table: the line of each record
  void clear() {
    records.clear();
    lines.clear();
  }
};

class BatchQueue {
 public:
  // Queues `batch` once there is room and hands back an empty one in its place. False, and the
  // batch dropped, once the taker has closed the queue.
  bool put(Batch& batch);
  // The putter's end: no batch follows.
  void finish();
  // The next batch, once there is one, in place of `batch` (whose records are done with). False
  // when the putter has finished and every batch was taken.
  bool take(Batch& batch);
  // The taker's end: it takes no more; put() fails from now on.
  void close();

 private:
  static constexpr std::size_t kWaiting = 4;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> waiting_;
  std::vector<Batch> spare_;
  bool finished_ = false;
  bool closed_ = false;
};

}  // namespace datatool
