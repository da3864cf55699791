// The grade sheet's row and date texts, case by case.
#include "output/textos_reporte.h"

#include <gtest/gtest.h>

#include "dictionary/spanish_locale.h"
#include "platform/core/date_time.h"

namespace output {
namespace {

using namespace platform::literals;

TEST(TextosReporteTest, ScoresWithTheirWeights) {
  const struct {
    double score;
    std::int32_t weight;
    platform::Cp1252View text;
  } cases[] = {{85.5, 30, " 86, (30%)"_cp1252}, {100, 5, "100, ( 5%)"_cp1252},    {0, 30, "  0, (30%)"_cp1252},
               {100, 100, "100, (##%)"_cp1252}, {84.49, 30, " 84, (30%)"_cp1252}, {1000, 20, "###, (20%)"_cp1252},
               {-5, 20, " -5, (20%)"_cp1252},   {7, 0, "  7, ( 0%)"_cp1252}};
  for (const auto& c : cases) {
    EXPECT_EQ(TextoCalificacion(c.score, c.weight), c.text) << c.score << " " << c.weight;
    EXPECT_LE(TextoCalificacion(c.score, c.weight).size(), 14u) << "fits its 14 characters";
  }
}

TEST(TextosReporteTest, TheStatusComparesTheUnroundedAverage) {
  EXPECT_EQ(TextoEstatus(60.0), "ACREDITADO"_cp1252);
  EXPECT_EQ(TextoEstatus(59.99), "RECUPERAR"_cp1252);
  EXPECT_EQ(TextoEstatus(59.5), "RECUPERAR"_cp1252);
  EXPECT_EQ(TextoEstatus(59.99999999999999), "RECUPERAR"_cp1252) << "no tolerance";
  EXPECT_EQ(TextoEstatus(0), "RECUPERAR"_cp1252);
  EXPECT_EQ(TextoEstatus(100), "ACREDITADO"_cp1252);
}

TEST(TextosReporteTest, TheDateLineInSpanishWithTheTwelveHourClock) {
  platform::Locale spanish;
  dictionary::ApplySpanishLocale(spanish);
  const std::int32_t tuesday = platform::dateSerial(2026, 12, 8);
  const struct {
    std::int32_t date;
    std::int32_t time;
    const char* text;
  } cases[] = {
      {tuesday, platform::clockValue(19, 5, 9), "MARTES 8 DE DICIEMBRE DE 2026,  7:05:09Pm"},
      {tuesday, platform::clockValue(10, 15, 0), "MARTES 8 DE DICIEMBRE DE 2026, 10:15:00Am"},
      {tuesday, platform::clockValue(9, 5, 3), "MARTES 8 DE DICIEMBRE DE 2026,  9:05:03Am"},
      {tuesday, platform::clockValue(0, 30, 0), "MARTES 8 DE DICIEMBRE DE 2026, 12:30:00Am"},
      {tuesday, platform::clockValue(12, 0, 0), "MARTES 8 DE DICIEMBRE DE 2026, 12:00:00Pm"},
      {platform::dateSerial(2027, 9, 25), platform::clockValue(23, 59, 59),
       "SABADO 25 DE SEPTIEMBRE DE 2027, 11:59:59Pm"},
      {platform::dateSerial(2026, 4, 1), platform::clockValue(13, 0, 0), "MIERCOLES 1 DE ABRIL DE 2026,  1:00:00Pm"},
  };
  for (const auto& c : cases) EXPECT_EQ(TextoFecha(c.date, c.time, spanish).toUtf8(), c.text);
}

}  // namespace
}  // namespace output
