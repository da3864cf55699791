#include "platform/ui/variable.h"

#include "platform/core/number_text.h"

namespace platform::ui {

Variable Variable::of(std::int32_t& value) {
  return Variable([&value] { return static_cast<double>(value); },
                  [&value](std::string_view typed) { value = leadingWholeNumber(typed); });
}

Variable Variable::of(double& value) {
  return Variable([&value] { return value; }, [&value](std::string_view typed) { value = leadingReal(typed); });
}

Variable Variable::ofField(RecordBuffer& record, int field) {
  switch (record.layout().field(field).type) {
    case FieldType::Long:
      return Variable([&record, field] { return static_cast<double>(record.getLong(field)); },
                      [&record, field](std::string_view typed) { record.setLong(field, leadingWholeNumber(typed)); });
    case FieldType::Real:
      return Variable([&record, field] { return record.getReal(field); },
                      [&record, field](std::string_view typed) { record.setReal(field, leadingReal(typed)); });
    case FieldType::Byte:
      return Variable([&record, field] { return static_cast<double>(record.getByte(field)); },
                      [&record, field](std::string_view typed) {
                        const std::int32_t n = leadingWholeNumber(typed);
                        record.setByte(field, static_cast<std::uint8_t>(n < 0 ? 0 : n > 255 ? 255 : n));
                      });
    case FieldType::String:
    case FieldType::CString:
      break;
  }
  return Variable(Kind::Text, [&record, field] { return record.getText(field); },
                  [&record, field](std::string_view typed) { record.setText(field, typed); });
}

std::string Variable::show(const std::optional<Picture>& picture, const Locale& locale) const {
  if (kind_ == Kind::Number) {
    const double value = number_();
    return picture ? picture->format(value, locale) : shortestDecimal(value);
  }
  const std::string text = text_();
  return picture ? picture->formatText(text) : text;
}

void Variable::take(std::string_view typed) const { setText_(typed); }

}  // namespace platform::ui
