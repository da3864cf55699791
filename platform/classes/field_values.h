// Values of record fields and bound names as the classes move them about: copying a value into a
// field of another record (numbers as numbers, texts as texts), clearing a field, comparing two
// fields, and reading a bound name (a field or a variable, core/bindings.h) as a number or a text.
// Pure functions of their arguments; thread safe as far as the records are.
#pragma once

#include <string>

#include "platform/core/bindings.h"
#include "platform/core/locale.h"
#include "platform/core/record.h"

namespace platform {

bool isNumberField(FieldType type);

// Copies a field's value into a field of another record, numbers as numbers and texts as texts;
// between a number and a text nothing is copied.
void copyValue(const RecordBuffer& from, int fromField, RecordBuffer& to, int toField);
// Texts become blanks, numbers 0.
void clearValue(RecordBuffer& record, int field);
// Whether two fields hold the same value: numbers by value, texts as the locale compares them.
bool sameValue(const RecordBuffer& a, int aField, const RecordBuffer& b, int bField, const Locale& locale, bool noCase);

// A bound name's value as a text (numbers as their shortest decimal text) and as a number (a
// text's leading number).
bool isText(const BoundName& name);
double numberOf(const BoundName& name);
Cp1252Text textOf(const BoundName& name);
// Puts a bound name's value into a field, converted to the field's type.
void copyInto(const BoundName& source, RecordBuffer& record, int field);

}  // namespace platform
