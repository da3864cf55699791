#include "platform/storage/key_image.h"

#include <cstring>

namespace platform::storage {

namespace {

void appendBigEndian(std::uint64_t value, int bytes, std::string& out) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

void appendLongImage(std::int32_t value, std::string& out) {
  appendBigEndian(static_cast<std::uint32_t>(value) ^ 0x80000000u, 4, out);
}

void appendRealImage(double value, std::string& out) {
  if (value == 0.0) value = 0.0;  // -0 and +0 are one value
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  bits = (bits & 0x8000000000000000ull) ? ~bits : bits ^ 0x8000000000000000ull;
  appendBigEndian(bits, 8, out);
}

void appendFieldImage(const Locale& locale, const RecordBuffer& record, int field, bool caseInsensitive,
                      std::string& out) {
  switch (record.layout().field(field).type) {
    case FieldType::Long:
      appendLongImage(record.getLong(field), out);
      break;
    case FieldType::Byte:
      out.push_back(static_cast<char>(record.getByte(field)));
      break;
    case FieldType::Real:
      appendRealImage(record.getReal(field), out);
      break;
    case FieldType::String:
    case FieldType::CString:
      locale.appendKeyImage(record.textView(field).bytes(), caseInsensitive, out);
      break;
  }
}

std::string keyImageOf(const FileDecl& decl, const Locale& locale, const RecordBuffer& record, int key) {
  const KeyDecl& declared = decl.keys.at(static_cast<std::size_t>(key));
  if (declared.optional) {
    bool allNull = true;
    for (int component : declared.components) allNull = allNull && record.isNull(component);
    if (allNull) return {};
  }
  std::string image;
  for (int component : declared.components)
    appendFieldImage(locale, record, component, declared.caseInsensitive, image);
  return image;
}

std::string prefixSuccessor(std::string prefix) {
  while (!prefix.empty() && static_cast<std::uint8_t>(prefix.back()) == 0xFF) prefix.pop_back();
  if (!prefix.empty()) prefix.back() = static_cast<char>(static_cast<std::uint8_t>(prefix.back()) + 1);
  return prefix;
}

void invertImage(std::string& image, std::size_t from) {
  for (std::size_t i = from; i < image.size(); ++i) image[i] = static_cast<char>(~static_cast<std::uint8_t>(image[i]));
}

}  // namespace platform::storage
