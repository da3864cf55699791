// The Spanish names of months and weekdays, for the grade sheet's date line. Both build their
// tables afresh on every call and hold no state: reentrant, callable from any thread.
#pragma once

#include <cstdint>

#include "platform/core/cp1252_text.h"

namespace output {

// The name of month 1 to 12 ("Enero" ... "Diciembre"), or of today's month for 0; trailing blanks
// removed. A number outside 0 to 12 names no month and gives the empty text.
platform::Cp1252Text Nombre_Mes(std::int32_t month);

// The weekday of a date serial ("Domingo" ... "Sabado", without accents), or of today for 0;
// trailing blanks removed. Negative serials count back from the Sunday of serial 0.
platform::Cp1252Text Nombre_Dia(std::int32_t date);

}  // namespace output
