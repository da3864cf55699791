#include "platform/core/cp1252_text.h"

#include <ostream>

namespace platform {

Cp1252Text Cp1252Text::fromBytes(std::string bytes) {
  Cp1252Text text;
  text.bytes_ = std::move(bytes);
  return text;
}

std::optional<Cp1252Text> Cp1252Text::fromUtf8(std::string_view utf8, Utf8Refusal* refusal) {
  Cp1252Text text;
  Utf8Refusal why;
  if (utf8ToCp1252(utf8, text.bytes_, &why.character, &why.offset)) return text;
  if (refusal != nullptr) *refusal = why;
  return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, Cp1252View text) { return out << text.toUtf8(); }

}  // namespace platform
