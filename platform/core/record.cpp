#include "platform/core/record.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace platform {

namespace {

std::uint32_t widthOf(const FieldSpec& spec) {
  switch (spec.type) {
    case FieldType::Long:
      return 4;
    case FieldType::Real:
      return 8;
    case FieldType::Byte:
      return 1;
    case FieldType::String:
    case FieldType::CString:
      if (spec.size == 0) throw std::invalid_argument("text field '" + spec.name + "' has width 0");
      return spec.size;
  }
  throw std::invalid_argument("field '" + spec.name + "' has an unknown type");
}

bool asciiEqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

RecordLayout::RecordLayout(const std::vector<FieldSpec>& specs) {
  std::uint64_t offset = 0;
  fields_.reserve(specs.size());
  for (const FieldSpec& spec : specs) {
    const std::uint32_t width = widthOf(spec);
    if (offset + width > 0xFFFFFFFFull) throw std::invalid_argument("record layout too long");
    fields_.push_back(Field{spec.name, spec.type, static_cast<std::uint32_t>(offset), width});
    offset += width;
  }
  length_ = static_cast<std::uint32_t>(offset);
}

int RecordLayout::indexOf(std::string_view name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (asciiEqualNoCase(fields_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

RecordBuffer::RecordBuffer(const RecordLayout& layout) : layout_(&layout), bytes_(layout.length()) { clear(); }

void RecordBuffer::clear() {
  std::fill(bytes_.begin(), bytes_.end(), std::uint8_t{0});
  for (const Field& f : layout_->fields()) {
    if (f.type == FieldType::String) std::memset(bytes_.data() + f.offset, ' ', f.size);
  }
}

void RecordBuffer::assign(const RecordBuffer& other) {
  if (other.bytes_.size() != bytes_.size()) {
    throw std::invalid_argument("assigning a record of another length");
  }
  bytes_ = other.bytes_;
}

void RecordBuffer::assignBytes(const void* bytes, std::size_t length) {
  if (length != bytes_.size()) clear();
  const std::size_t n = std::min(length, bytes_.size());
  if (n > 0) std::memcpy(bytes_.data(), bytes, n);
}

namespace {

const Field& typed(const RecordLayout& layout, int index, FieldType type, const char* what) {
  const Field& f = layout.field(index);
  if (f.type != type) {
    throw std::logic_error(std::string(what) + " on field '" + f.name + "' of another type");
  }
  return f;
}

}  // namespace

std::int32_t RecordBuffer::getLong(int field) const {
  const Field& f = typed(*layout_, field, FieldType::Long, "getLong");
  std::uint8_t b[4];
  std::memcpy(b, bytes_.data() + f.offset, 4);
  const std::uint32_t u = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                          (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  return static_cast<std::int32_t>(u);
}

void RecordBuffer::setLong(int field, std::int32_t value) {
  const Field& f = typed(*layout_, field, FieldType::Long, "setLong");
  const std::uint32_t u = static_cast<std::uint32_t>(value);
  const std::uint8_t b[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                             static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
  std::memcpy(bytes_.data() + f.offset, b, 4);
}

double RecordBuffer::getReal(int field) const {
  const Field& f = typed(*layout_, field, FieldType::Real, "getReal");
  std::uint8_t b[8];
  std::memcpy(b, bytes_.data() + f.offset, 8);
  std::uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | b[i];
  double d;
  static_assert(sizeof d == sizeof u);
  std::memcpy(&d, &u, sizeof d);
  return d;
}

void RecordBuffer::setReal(int field, double value) {
  const Field& f = typed(*layout_, field, FieldType::Real, "setReal");
  std::uint64_t u;
  std::memcpy(&u, &value, sizeof u);
  std::uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(u >> (8 * i));
  std::memcpy(bytes_.data() + f.offset, b, 8);
}

std::uint8_t RecordBuffer::getByte(int field) const {
  const Field& f = typed(*layout_, field, FieldType::Byte, "getByte");
  return bytes_[f.offset];
}

void RecordBuffer::setByte(int field, std::uint8_t value) {
  const Field& f = typed(*layout_, field, FieldType::Byte, "setByte");
  bytes_[f.offset] = value;
}

Cp1252View RecordBuffer::textView(int field) const {
  const Field& f = layout_->field(field);
  const char* p = reinterpret_cast<const char*>(bytes_.data() + f.offset);
  if (f.type == FieldType::String) return Cp1252View::ofBytes(std::string_view(p, f.size));
  if (f.type == FieldType::CString) {
    // A CSTRING read from a damaged record may lack its NUL: never read past the field.
    const void* nul = std::memchr(p, '\0', f.size);
    const std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - p) : f.size;
    return Cp1252View::ofBytes(std::string_view(p, n));
  }
  throw std::logic_error("getText on field '" + f.name + "' of another type");
}

void RecordBuffer::setText(int field, Cp1252View text) {
  const std::string_view cp1252 = text.bytes();
  const Field& f = layout_->field(field);
  std::uint8_t* p = bytes_.data() + f.offset;
  if (f.type == FieldType::String) {
    const std::size_t n = std::min<std::size_t>(cp1252.size(), f.size);
    if (n > 0) std::memcpy(p, cp1252.data(), n);
    std::memset(p + n, ' ', f.size - n);
    return;
  }
  if (f.type == FieldType::CString) {
    std::size_t n = std::min<std::size_t>(cp1252.size(), f.size - 1);
    // An embedded NUL ends a CSTRING: what follows it could never be read back.
    if (n > 0) {
      if (const void* nul = std::memchr(cp1252.data(), '\0', n)) {
        n = static_cast<std::size_t>(static_cast<const char*>(nul) - cp1252.data());
      }
    }
    if (n > 0) std::memcpy(p, cp1252.data(), n);
    std::memset(p + n, 0, f.size - n);
    return;
  }
  throw std::logic_error("setText on field '" + f.name + "' of another type");
}

bool RecordBuffer::isNull(int field) const {
  const Field& f = layout_->field(field);
  const std::uint8_t* p = bytes_.data() + f.offset;
  switch (f.type) {
    case FieldType::Long:
      return getLong(field) == 0;
    case FieldType::Real:
      return getReal(field) == 0.0;
    case FieldType::Byte:
      return *p == 0;
    case FieldType::String:
      return std::all_of(p, p + f.size, [](std::uint8_t c) { return c == ' '; });
    case FieldType::CString:
      return *p == 0;
  }
  return false;
}

}  // namespace platform
