#include "platform/classes/report_target.h"

namespace platform {

void ReportTargetSelector::add(ReportTarget& target, bool enabled) { entries_.push_back({&target, enabled}); }

void ReportTargetSelector::setEnabled(int index, bool enabled) {
  if (index >= 0 && index < static_cast<int>(entries_.size()))
    entries_[static_cast<std::size_t>(index)].enabled = enabled;
}

int ReportTargetSelector::count() const {
  int n = 0;
  for (const Entry& e : entries_) n += e.enabled ? 1 : 0;
  return n;
}

ReportTarget* ReportTargetSelector::enabledTarget(int index) const {
  for (const Entry& e : entries_) {
    if (!e.enabled) continue;
    if (index-- == 0) return e.target;
  }
  return nullptr;
}

ReportTarget* ReportTargetSelector::select() const {
  if (count() == 1) return enabledTarget(0);
  return chosen_ >= 0 ? enabledTarget(chosen_) : nullptr;
}

}  // namespace platform
