#include "platform/core/record_queue.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <numeric>

#include "platform/core/trim.h"

namespace platform {

namespace {

// A field of a stored entry, read the way RecordBuffer reads it (little-endian numbers).
double numberAt(const std::uint8_t* entry, const Field& field) {
  const std::uint8_t* p = entry + field.offset;
  switch (field.type) {
    case FieldType::Byte:
      return *p;
    case FieldType::Long: {
      const std::uint32_t u = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                              (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
      return static_cast<std::int32_t>(u);
    }
    case FieldType::Real: {
      std::uint64_t u = 0;
      for (int i = 7; i >= 0; --i) u = (u << 8) | p[i];
      double d;
      std::memcpy(&d, &u, sizeof d);
      return d;
    }
    default:
      return 0;
  }
}

std::string_view textAt(const std::uint8_t* entry, const Field& field) {
  const char* p = reinterpret_cast<const char*>(entry + field.offset);
  if (field.type == FieldType::CString) {
    const void* nul = std::memchr(p, '\0', field.size);
    return std::string_view(p, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - p) : field.size);
  }
  return std::string_view(p, field.size);
}

// Exact order of two numbers, NaN after every number: sorting needs a strict weak order.
int numberOrder(double a, double b) {
  if (a < b) return -1;
  if (b < a) return 1;
  const bool nanA = a != a, nanB = b != b;
  return nanA == nanB ? 0 : (nanA ? 1 : -1);
}

}  // namespace

RecordQueue::RecordQueue(const RecordLayout& layout, std::string prefix)
    : buffer_(layout), prefix_(std::move(prefix)) {}

void RecordQueue::append() { insert(count_ + 1); }

bool RecordQueue::insert(int position) {
  if (position < 1 || position > count_ + 1) return false;
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(offset(position)), buffer_.data(),
                  buffer_.data() + buffer_.size());
  ++count_;
  return true;
}

bool RecordQueue::get(int position) {
  if (!valid(position)) return false;
  buffer_.assignBytes(entries_.data() + offset(position), buffer_.size());
  return true;
}

bool RecordQueue::read(int position, RecordBuffer& into) const {
  if (!valid(position) || into.size() != buffer_.size()) return false;
  into.assignBytes(entries_.data() + offset(position), buffer_.size());
  return true;
}

bool RecordQueue::put(int position) {
  if (!valid(position)) return false;
  std::copy(buffer_.data(), buffer_.data() + buffer_.size(),
            entries_.begin() + static_cast<std::ptrdiff_t>(offset(position)));
  return true;
}

bool RecordQueue::erase(int position) {
  if (!valid(position)) return false;
  const auto first = entries_.begin() + static_cast<std::ptrdiff_t>(offset(position));
  entries_.erase(first, first + static_cast<std::ptrdiff_t>(buffer_.size()));
  --count_;
  return true;
}

void RecordQueue::free() {
  entries_.clear();
  entries_.shrink_to_fit();
  count_ = 0;
}

bool RecordQueue::sort(const Locale& locale, const std::vector<SortField>& fields) {
  const RecordLayout& layout = buffer_.layout();
  for (const SortField& f : fields) {
    if (f.field < 0 || f.field >= layout.fieldCount()) return false;
  }
  const std::size_t length = buffer_.size();
  const auto order = [&](const std::uint8_t* a, const std::uint8_t* b) {
    for (const SortField& f : fields) {
      const Field& field = layout.field(f.field);
      const bool isText = field.type == FieldType::String || field.type == FieldType::CString;
      int c = isText ? locale.compare(textAt(a, field), textAt(b, field))
                     : numberOrder(numberAt(a, field), numberAt(b, field));
      if (c != 0) return f.descending ? c > 0 : c < 0;
    }
    return false;
  };
  std::vector<int> indexes(static_cast<std::size_t>(count_));
  std::iota(indexes.begin(), indexes.end(), 0);
  std::stable_sort(indexes.begin(), indexes.end(), [&](int a, int b) {
    return order(entries_.data() + static_cast<std::size_t>(a) * length,
                 entries_.data() + static_cast<std::size_t>(b) * length);
  });
  std::vector<std::uint8_t> sorted;
  sorted.reserve(entries_.size());
  for (int i : indexes) {
    const auto first = entries_.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(i) * length);
    sorted.insert(sorted.end(), first, first + static_cast<std::ptrdiff_t>(length));
  }
  entries_ = std::move(sorted);
  return true;
}

bool RecordQueue::sort(const Locale& locale, std::string_view text) {
  std::vector<SortField> fields;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    std::string_view name = trim(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    SortField field{-1, false};
    if (!name.empty() && (name.front() == '-' || name.front() == '+')) {
      field.descending = name.front() == '-';
      name.remove_prefix(1);
    }
    field.field = buffer_.layout().indexOf(name);
    const std::size_t colon = name.find(':');
    if (field.field < 0 && colon != std::string_view::npos && colon == prefix_.size() &&
        std::equal(prefix_.begin(), prefix_.end(), name.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
        })) {
      field.field = buffer_.layout().indexOf(name.substr(colon + 1));
    }
    if (field.field < 0) return false;
    fields.push_back(field);
  }
  return sort(locale, fields);
}

}  // namespace platform
