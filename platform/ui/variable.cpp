#include "platform/ui/variable.h"

#include "platform/core/number_text.h"

namespace platform::ui {

Variable Variable::of(std::int32_t& value) {
  return Variable([&value] { return static_cast<double>(value); },
                  [&value](Cp1252View typed) { value = leadingWholeNumber(typed.bytes()); });
}

Variable Variable::of(double& value) {
  return Variable([&value] { return value; }, [&value](Cp1252View typed) { value = leadingReal(typed.bytes()); });
}

Variable Variable::ofField(RecordBuffer& record, int field) {
  switch (record.layout().field(field).type) {
    case FieldType::Long:
      return Variable([&record, field] { return static_cast<double>(record.getLong(field)); },
                      [&record, field](Cp1252View typed) { record.setLong(field, leadingWholeNumber(typed.bytes())); });
    case FieldType::Real:
      return Variable([&record, field] { return record.getReal(field); },
                      [&record, field](Cp1252View typed) { record.setReal(field, leadingReal(typed.bytes())); });
    case FieldType::Byte:
      return Variable([&record, field] { return static_cast<double>(record.getByte(field)); },
                      [&record, field](Cp1252View typed) {
                        const std::int32_t n = leadingWholeNumber(typed.bytes());
                        record.setByte(field, static_cast<std::uint8_t>(n < 0 ? 0 : n > 255 ? 255 : n));
                      });
    case FieldType::String:
    case FieldType::CString:
      break;
  }
  return Variable(
      Kind::Text, [&record, field] { return record.getText(field); },
      [&record, field](Cp1252View typed) { record.setText(field, typed); });
}

// A picture's output is code page 1252: it is made of the value's characters and the locale's.
Cp1252Text Variable::show(const std::optional<Picture>& picture, const Locale& locale) const {
  if (kind_ == Kind::Number) {
    const double value = number_();
    return Cp1252Text::fromBytes(picture ? picture->format(value, locale) : shortestDecimal(value));
  }
  Cp1252Text text = text_();
  return picture ? Cp1252Text::fromBytes(picture->formatText(text.bytes())) : text;
}

void Variable::take(Cp1252View typed) const { setText_(typed); }

}  // namespace platform::ui
