#include "platform/core/bindings.h"

namespace platform {

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

Bindings& Bindings::forThread() {
  thread_local Bindings bindings;
  return bindings;
}

void Bindings::add(std::string_view name, bool isRecord, BoundName target) {
  entries_.push_back(Entry{std::string(name), isRecord, target});
  ++changes_;
}

void Bindings::bind(std::string_view name, const std::int32_t& variable) {
  add(name, false, BoundName{BoundName::Kind::Long, &variable});
}

void Bindings::bind(std::string_view name, const double& variable) {
  add(name, false, BoundName{BoundName::Kind::Real, &variable});
}

void Bindings::bind(std::string_view name, const std::uint8_t& variable) {
  add(name, false, BoundName{BoundName::Kind::Byte, &variable});
}

void Bindings::bind(std::string_view name, const Cp1252Text& text) {
  add(name, false, BoundName{BoundName::Kind::Text, &text});
}

void Bindings::bind(std::string_view name, const RecordBuffer& record, int field) {
  add(name, false, BoundName{BoundName::Kind::Field, nullptr, &record, field});
}

void Bindings::bindRecord(std::string_view prefix, const RecordBuffer& record) {
  add(prefix, true, BoundName{BoundName::Kind::Field, nullptr, &record, -1});
}

void Bindings::unbindTo(std::size_t depth) {
  if (depth >= entries_.size()) return;
  entries_.resize(depth);
  ++changes_;
}

std::optional<BoundName> Bindings::find(std::string_view name) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (!it->isRecord) {
      if (sameIgnoringCase(it->name, name)) return it->target;
      continue;
    }
    const std::size_t colon = it->name.size();
    if (name.size() <= colon + 1 || name[colon] != ':' || !sameIgnoringCase(name.substr(0, colon), it->name)) continue;
    const int field = it->target.record->layout().indexOf(name.substr(colon + 1));
    if (field < 0) continue;
    BoundName found = it->target;
    found.field = field;
    return found;
  }
  return outer_ != nullptr ? outer_->find(name) : std::nullopt;
}

}  // namespace platform
