// Packed record buffers: the field types LONG, REAL, BYTE, STRING(n) and CSTRING(n) laid out
// one after another with no alignment gaps, exactly as the data files store them.
//
// Texts inside a record are code page 1252, one byte per character (cp1252_text.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/cp1252_text.h"

namespace platform {

enum class FieldType : std::uint8_t { Long, Real, Byte, String, CString };

// What a declaration says of one field: its name (without the file's prefix), type and, for
// STRING and CSTRING, its width in bytes. LONG is 4 bytes, REAL 8, BYTE 1.
struct FieldSpec {
  std::string name;
  FieldType type;
  std::uint32_t size = 0;
};

struct Field {
  std::string name;
  FieldType type;
  std::uint32_t offset;
  std::uint32_t size;
};

class RecordLayout {
 public:
  RecordLayout() = default;
  // Packs the fields in the order given: each starts right after the one before. A STRING or
  // CSTRING of width 0 throws std::invalid_argument.
  explicit RecordLayout(const std::vector<FieldSpec>& specs);

  const std::vector<Field>& fields() const { return fields_; }
  const Field& field(int index) const { return fields_.at(static_cast<std::size_t>(index)); }
  int fieldCount() const { return static_cast<int>(fields_.size()); }
  std::uint32_t length() const { return length_; }
  // Index of a field by name, matched without regard to ASCII case; -1 when absent.
  int indexOf(std::string_view name) const;

 private:
  std::vector<Field> fields_;
  std::uint32_t length_ = 0;
};

// One record of a layout, as bytes. Accessors read and write unaligned fields safely, numbers
// little-endian. The layout must outlive the buffer. A field index out of range throws
// std::out_of_range; a typed accessor used on a field of another type (getLong on a REAL, getText
// on a LONG) throws std::logic_error: both are programming errors.
class RecordBuffer {
 public:
  explicit RecordBuffer(const RecordLayout& layout);

  const RecordLayout& layout() const { return *layout_; }
  std::uint8_t* data() { return bytes_.data(); }
  const std::uint8_t* data() const { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }

  // Texts become blanks (CSTRING: empty), numbers 0.
  void clear();
  // Copies another record of the same length byte for byte (another length throws
  // std::invalid_argument).
  void assign(const RecordBuffer& other);
  // Copies raw bytes (a stored row). When `length` differs from the record's length (a damaged
  // row) the record is cleared first and only the bytes that fit are copied, so the buffer is
  // always a whole record.
  void assignBytes(const void* bytes, std::size_t length);

  std::int32_t getLong(int field) const;
  void setLong(int field, std::int32_t value);
  double getReal(int field) const;
  void setReal(int field, double value);
  std::uint8_t getByte(int field) const;
  void setByte(int field, std::uint8_t value);

  // STRING: all n characters, trailing blanks included. CSTRING: the characters before the NUL.
  Cp1252Text getText(int field) const { return Cp1252Text(textView(field)); }
  // The same without a copy, for passes over many records: valid until the buffer changes.
  Cp1252View textView(int field) const;
  // Cuts a text to the field (STRING keeps n characters and pads with blanks, CSTRING keeps
  // n-1 and fills the rest with NULs; a NUL inside the text ends a CSTRING there).
  void setText(int field, Cp1252View text);

  // A field is null for an optional key when it is all blanks (STRING), empty (CSTRING) or 0.
  bool isNull(int field) const;

  bool operator==(const RecordBuffer& other) const { return bytes_ == other.bytes_; }

 private:
  const RecordLayout* layout_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace platform
