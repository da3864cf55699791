#include "platform/ui/controls/text_input.h"

#include "platform/core/cp1252.h"

namespace platform::ui::controls {

Cp1252Text typedCp1252(const QString& text) {
  std::string out;
  for (char32_t c : text.toUcs4()) {
    const int byte = unicodeToCp1252(c);
    if (byte >= 0) out += static_cast<char>(byte);
  }
  return Cp1252Text::fromBytes(std::move(out));
}

QValidator::State Cp1252Validator::validate(QString& input, int&) const {
  std::string bytes;
  for (char32_t c : input.toUcs4()) {
    const int byte = unicodeToCp1252(c);
    if (byte < 0) return Invalid;
    bytes += static_cast<char>(byte);
  }
  if (upper_) {
    const QString upper = QString::fromStdString(locale_.upper(Cp1252Text::fromBytes(std::move(bytes))).toUtf8());
    // Case pairs are one character each way, so positions stay where they were.
    if (upper != input) input = upper;
  }
  return Acceptable;
}

}  // namespace platform::ui::controls
