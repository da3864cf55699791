// The record processor: reads a view record by record for a report (or any pass over records),
// hands each record to takeRecord(), and shows how far it got: a percentage text in a control of
// the progress window ("45" followed by the percentage suffix) and a thermometer variable (0 to
// 100) that a progress bar shows.
//
// Use: init() with the view and the progress window's pieces, addSortOrder() and setFilter(), then
// open() (reads the first record) and, for each record, takeRecord() followed by next().
//
// How far it got is counted in records: a view sorted in memory knows how many it holds; a view in
// storage order is counted once by open(), in a pass of its own.
//
// Errors: open() and next() return the view's Status (kNone, kRecordNotAvailable no further
// record, others from the view). Not thread safe; the view, the window and the variable must outlive the processor.
#pragma once

#include <cstdint>
#include <string>

#include "platform/storage/view.h"
#include "platform/ui/window.h"

namespace platform {

class RecordProcessor {
 public:
  RecordProcessor() = default;
  virtual ~RecordProcessor() = default;
  RecordProcessor(const RecordProcessor&) = delete;
  RecordProcessor& operator=(const RecordProcessor&) = delete;

  // `window` and `percentControl` (0 for none) show the percentage text; `thermometer` (null for
  // none) takes the percentage.
  void init(storage::View& view, ui::Window* window, int percentControl, std::int32_t* thermometer);
  // The text after the percentage ("% Completed" unless set).
  void setPercentSuffix(std::string utf8) { suffix_ = std::move(utf8); }
  void addSortOrder(std::string order) { order_ = std::move(order); }
  void setFilter(std::string filter) { filter_ = std::move(filter); }

  // Opens the view if it is not open, applies the filter and order and reads the first record:
  // done, or kRecordNotAvailable when no record passes.
  [[nodiscard]] virtual storage::Status open();
  // Reads the next record: done, or kRecordNotAvailable after the last.
  [[nodiscard]] virtual storage::Status next();
  // What is done with the record now in the buffers; a non-zero level stops the pass.
  virtual int takeRecord() { return 0; }

  storage::View& view() const { return *view_; }
  std::int64_t recordsToProcess() const { return total_; }
  std::int64_t recordsProcessed() const { return processed_; }
  int percent() const { return percent_; }

 private:
  void showProgress();

  storage::View* view_ = nullptr;
  ui::Window* window_ = nullptr;
  int percentControl_ = 0;
  std::int32_t* thermometer_ = nullptr;
  std::string suffix_ = "% Completed";
  std::string order_;
  std::string filter_;
  std::int64_t total_ = 0;
  std::int64_t processed_ = 0;
  int percent_ = -1;
};

}  // namespace platform
