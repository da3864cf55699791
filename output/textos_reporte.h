// The texts the grade sheet builds for each row and for its date line.
#pragma once

#include <cstdint>

#include "platform/core/cp1252_text.h"
#include "platform/core/locale.h"

namespace output {

// A score with its weight: the score through @N3 without its trailing blanks, ", (", the weight
// through @n2, "%)": " 86, (30%)", "100, ( 5%)", "100, (##%)".
platform::Cp1252Text TextoCalificacion(double score, std::int32_t weight);

// "ACREDITADO" from an average of 60.0 up (compared exactly, unrounded), else "RECUPERAR".
platform::Cp1252Text TextoEstatus(double average);

// The date line: the weekday and month names upper-cased by the locale, the day and year in
// digits, and the time through @t6 with the locale's AM/PM marks:
// "MARTES 8 DE DICIEMBRE DE 2026,  7:05:09Pm".
platform::Cp1252Text TextoFecha(std::int32_t date, std::int32_t time, const platform::Locale& locale);

}  // namespace output
