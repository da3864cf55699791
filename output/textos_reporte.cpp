#include "output/textos_reporte.h"

#include "output/nombres_fecha.h"
#include "platform/core/date_time.h"
#include "platform/core/picture.h"

namespace output {
namespace {

using platform::Cp1252Text;
using namespace platform::literals;

// What a picture makes is code page 1252.
Cp1252Text pictured(std::string_view picture, double value) {
  return Cp1252Text::fromBytes(platform::formatPicture(picture, value));
}

}  // namespace

Cp1252Text TextoCalificacion(double score, std::int32_t weight) {
  return trimRight(pictured("@N3", score)) + ", ("_cp1252 + pictured("@n2", static_cast<double>(weight)) + "%)"_cp1252;
}

Cp1252Text TextoEstatus(double average) { return average >= 60.0 ? "ACREDITADO"_cp1252 : "RECUPERAR"_cp1252; }

Cp1252Text TextoFecha(std::int32_t date, std::int32_t time, const platform::Locale& locale) {
  const platform::CivilDate day = platform::civilDate(date);
  const std::optional<platform::Picture> t6 = platform::Picture::parse("@t6");
  return trimRight(locale.upper(Nombre_Dia(date))) + " "_cp1252 + Cp1252Text::decimal(day.day) + " DE "_cp1252 +
         trimRight(locale.upper(Nombre_Mes(day.month))) + " DE "_cp1252 + Cp1252Text::decimal(day.year) + ", "_cp1252 +
         Cp1252Text::fromBytes(t6->formatTime(time, locale));
}

}  // namespace output
