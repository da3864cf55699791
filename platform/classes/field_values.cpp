#include "platform/classes/field_values.h"

#include <algorithm>

#include "platform/core/number_text.h"

namespace platform {
namespace {

double fieldNumber(const RecordBuffer& record, int field) {
  switch (record.layout().field(field).type) {
    case FieldType::Long:
      return record.getLong(field);
    case FieldType::Byte:
      return record.getByte(field);
    default:
      return record.getReal(field);
  }
}

}  // namespace

bool isNumberField(FieldType type) {
  return type == FieldType::Long || type == FieldType::Real || type == FieldType::Byte;
}

void copyValue(const RecordBuffer& from, int fromField, RecordBuffer& to, int toField) {
  const FieldType source = from.layout().field(fromField).type;
  const FieldType target = to.layout().field(toField).type;
  if (isNumberField(source) && isNumberField(target)) {
    const double value = fieldNumber(from, fromField);
    if (target == FieldType::Long)
      to.setLong(toField, static_cast<std::int32_t>(value));
    else if (target == FieldType::Byte)
      to.setByte(toField, static_cast<std::uint8_t>(value));
    else
      to.setReal(toField, value);
  } else if (!isNumberField(source) && !isNumberField(target)) {
    to.setText(toField, from.textView(fromField));
  }
}

void clearValue(RecordBuffer& record, int field) {
  const FieldType type = record.layout().field(field).type;
  if (type == FieldType::Long)
    record.setLong(field, 0);
  else if (type == FieldType::Byte)
    record.setByte(field, 0);
  else if (type == FieldType::Real)
    record.setReal(field, 0);
  else
    record.setText(field, Cp1252View());
}

bool sameValue(const RecordBuffer& a, int aField, const RecordBuffer& b, int bField, const Locale& locale,
               bool noCase) {
  const bool aNumber = isNumberField(a.layout().field(aField).type);
  if (aNumber != isNumberField(b.layout().field(bField).type)) return false;
  if (aNumber) return fieldNumber(a, aField) == fieldNumber(b, bField);
  const std::string_view left = a.textView(aField).bytes(), right = b.textView(bField).bytes();
  return (noCase ? locale.compareNoCase(left, right) : locale.compare(left, right)) == 0;
}

bool isText(const BoundName& name) {
  if (name.kind == BoundName::Kind::Text) return true;
  if (name.kind != BoundName::Kind::Field) return false;
  const FieldType type = name.record->layout().field(name.field).type;
  return type == FieldType::String || type == FieldType::CString;
}

double numberOf(const BoundName& name) {
  switch (name.kind) {
    case BoundName::Kind::Long:
      return *static_cast<const std::int32_t*>(name.variable);
    case BoundName::Kind::Real:
      return *static_cast<const double*>(name.variable);
    case BoundName::Kind::Byte:
      return *static_cast<const std::uint8_t*>(name.variable);
    case BoundName::Kind::Text:
      return leadingReal(static_cast<const Cp1252Text*>(name.variable)->bytes());
    case BoundName::Kind::Field:
      break;
  }
  const RecordBuffer& record = *name.record;
  switch (record.layout().field(name.field).type) {
    case FieldType::Long:
      return record.getLong(name.field);
    case FieldType::Real:
      return record.getReal(name.field);
    case FieldType::Byte:
      return record.getByte(name.field);
    default:
      return leadingReal(record.textView(name.field).bytes());
  }
}

Cp1252Text textOf(const BoundName& name) {
  if (name.kind == BoundName::Kind::Text) return *static_cast<const Cp1252Text*>(name.variable);
  if (isText(name)) return name.record->getText(name.field);
  return Cp1252Text::fromBytes(shortestDecimal(numberOf(name)));  // digits, a sign and a point
}

void copyInto(const BoundName& source, RecordBuffer& row, int field) {
  switch (row.layout().field(field).type) {
    case FieldType::Long:
      row.setLong(field, isText(source) ? leadingWholeNumber(textOf(source).bytes())
                                        : static_cast<std::int32_t>(numberOf(source)));
      return;
    case FieldType::Real:
      row.setReal(field, numberOf(source));
      return;
    case FieldType::Byte:
      row.setByte(field, static_cast<std::uint8_t>(std::clamp(numberOf(source), 0.0, 255.0)));
      return;
    case FieldType::String:
    case FieldType::CString:
      row.setText(field, textOf(source));
      return;
  }
}

}  // namespace platform
