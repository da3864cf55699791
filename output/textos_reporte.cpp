#include "output/textos_reporte.h"

#include "output/nombres_fecha.h"
#include "platform/core/date_time.h"
#include "platform/core/picture.h"

namespace output {
namespace {

std::string withoutTrailingBlanks(std::string text) {
  const std::size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

}  // namespace

std::string TextoCalificacion(double score, std::int32_t weight) {
  return withoutTrailingBlanks(platform::formatPicture("@N3", score)) + ", (" +
         platform::formatPicture("@n2", static_cast<double>(weight)) + "%)";
}

std::string TextoEstatus(double average) { return average >= 60.0 ? "ACREDITADO" : "RECUPERAR"; }

std::string TextoFecha(std::int32_t date, std::int32_t time, const platform::Locale& locale) {
  const platform::CivilDate day = platform::civilDate(date);
  const std::optional<platform::Picture> t6 = platform::Picture::parse("@t6");
  return withoutTrailingBlanks(locale.upper(Nombre_Dia(date))) + " " + std::to_string(day.day) + " DE " +
         withoutTrailingBlanks(locale.upper(Nombre_Mes(day.month))) + " DE " + std::to_string(day.year) + ", " +
         t6->formatTime(time, locale);
}

}  // namespace output
