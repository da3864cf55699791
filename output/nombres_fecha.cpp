#include "output/nombres_fecha.h"

#include <array>

#include "platform/core/date_time.h"
#include "platform/core/fixed_text.h"

namespace output {

std::string Nombre_Mes(std::int32_t month) {
  const std::array<platform::FixedText<20>, 12> meses = {
      platform::FixedText<20>("Enero"),   platform::FixedText<20>("Febrero"),    platform::FixedText<20>("Marzo"),
      platform::FixedText<20>("Abril"),   platform::FixedText<20>("Mayo"),       platform::FixedText<20>("Junio"),
      platform::FixedText<20>("Julio"),   platform::FixedText<20>("Agosto"),     platform::FixedText<20>("Septiembre"),
      platform::FixedText<20>("Octubre"), platform::FixedText<20>("Noviembre"), platform::FixedText<20>("Diciembre")};
  if (month == 0) month = platform::civilDate(platform::today()).month;
  // The table has no element outside 1 to 12: such a number names no month.
  if (month < 1 || month > 12) return {};
  return meses[static_cast<std::size_t>(month - 1)].trimmed();
}

std::string Nombre_Dia(std::int32_t date) {
  const std::array<platform::FixedText<9>, 7> dias = {
      platform::FixedText<9>("Domingo"), platform::FixedText<9>("Lunes"),   platform::FixedText<9>("Martes"),
      platform::FixedText<9>("Miercoles"), platform::FixedText<9>("Jueves"), platform::FixedText<9>("Viernes"),
      platform::FixedText<9>("Sabado")};
  if (date == 0) date = platform::today();
  std::int32_t r = date % 7;
  if (r < 0) r += 7;
  return dias[static_cast<std::size_t>(r)].trimmed();
}

}  // namespace output
