// Output targets of a report besides the printer (a PDF file, ...), and the report's list of them
// that the print preview reads to offer saving.
//
// A target is prepared (it may ask the user where to write: false when the user cancels) and then
// given the pages to write. The selector holds targets the report owns; it never owns them.
// Not thread safe.
#pragma once

#include <string>
#include <vector>

#include "platform/report/page_metafile.h"

namespace platform {

class ReportTarget {
 public:
  virtual ~ReportTarget() = default;
  // The name the preview offers it under ("PDF").
  virtual std::string name() const = 0;
  // Gets ready to write; false when the user cancelled or it cannot write (and said so).
  virtual bool prepare() = 0;
  // Writes the pages; false when it could not (and said so).
  virtual bool write(const std::vector<const report::PageMetafile*>& pages) = 0;
};

class ReportTargetSelector {
 public:
  // The target must outlive the selector.
  void add(ReportTarget& target, bool enabled = true);
  void setEnabled(int index, bool enabled);
  // The enabled targets.
  int count() const;
  ReportTarget* enabledTarget(int index) const;
  // The target to write through: the only enabled one, or the one chosen among several; null when
  // there is none, or several and none chosen.
  ReportTarget* select() const;
  // Chooses among several enabled targets (index among them); -1 forgets the choice.
  void choose(int index) { chosen_ = index; }

 private:
  struct Entry {
    ReportTarget* target;
    bool enabled;
  };
  std::vector<Entry> entries_;
  int chosen_ = -1;
};

}  // namespace platform
