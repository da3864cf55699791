// The grade book's locale: the Spanish collating sequence, AM/PM marks, month names, digraphs,
// case pairs of the accented letters, message-box button captions, the Spanish texts of the
// runtime errors and of the platform's other messages, applied once when the grade book starts,
// before any window shows.
#pragma once

#include "platform/core/locale.h"

namespace dictionary {

// Applies the nine settings in their fixed order (character set, collating sequence, AM/PM,
// month names, month abbreviations, digraphs, case pairs, button captions, then the error texts
// one number at a time), then Spanish texts for the platform's other runtime errors (a full disk,
// an input/output error, a number it has no text for) and for its report and PDF failures. The
// values are written here in UTF-8 and converted to code page 1252; a value that fails to convert
// or that the locale refuses is a programming error and aborts the program with a message.
void ApplySpanishLocale(platform::Locale& locale);

}  // namespace dictionary
