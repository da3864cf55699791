#include "output/nombres_fecha.h"

#include <array>

#include "platform/core/date_time.h"
#include "platform/core/fixed_text.h"

namespace output {

using namespace platform::literals;

platform::Cp1252Text Nombre_Mes(std::int32_t month) {
  const std::array<platform::FixedText<20>, 12> meses = {
      platform::FixedText<20>("Enero"_cp1252),      platform::FixedText<20>("Febrero"_cp1252),
      platform::FixedText<20>("Marzo"_cp1252),      platform::FixedText<20>("Abril"_cp1252),
      platform::FixedText<20>("Mayo"_cp1252),       platform::FixedText<20>("Junio"_cp1252),
      platform::FixedText<20>("Julio"_cp1252),      platform::FixedText<20>("Agosto"_cp1252),
      platform::FixedText<20>("Septiembre"_cp1252), platform::FixedText<20>("Octubre"_cp1252),
      platform::FixedText<20>("Noviembre"_cp1252),  platform::FixedText<20>("Diciembre"_cp1252)};
  if (month == 0) month = platform::civilDate(platform::today()).month;
  // The table has no element outside 1 to 12: such a number names no month.
  if (month < 1 || month > 12) return {};
  return meses[static_cast<std::size_t>(month - 1)].trimmed();
}

platform::Cp1252Text Nombre_Dia(std::int32_t date) {
  const std::array<platform::FixedText<9>, 7> dias = {
      platform::FixedText<9>("Domingo"_cp1252), platform::FixedText<9>("Lunes"_cp1252),
      platform::FixedText<9>("Martes"_cp1252),  platform::FixedText<9>("Miercoles"_cp1252),
      platform::FixedText<9>("Jueves"_cp1252),  platform::FixedText<9>("Viernes"_cp1252),
      platform::FixedText<9>("Sabado"_cp1252)};
  if (date == 0) date = platform::today();
  std::int32_t r = date % 7;
  if (r < 0) r += 7;
  return dias[static_cast<std::size_t>(r)].trimmed();
}

}  // namespace output
