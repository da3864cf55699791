// What the user types into a control, kept within what records can hold (code page 1252).
#pragma once

#include <QString>
#include <QValidator>
#include <string>

#include "platform/core/cp1252_text.h"
#include "platform/core/locale.h"

namespace platform::ui::controls {

// Code page 1252 of a text whose characters all have a byte (a Cp1252Validator sees to it; any
// other character is left out).
Cp1252Text typedCp1252(const QString& text);

// Takes only characters that records can hold, and turns letters into capitals for an upper-case
// control, by the locale's case pairs.
class Cp1252Validator : public QValidator {
 public:
  Cp1252Validator(QObject* parent, const Locale& locale, bool upper)
      : QValidator(parent), locale_(locale), upper_(upper) {}
  State validate(QString& input, int& position) const override;

 private:
  const Locale& locale_;
  bool upper_;
};

}  // namespace platform::ui::controls
