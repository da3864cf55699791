// The Spanish month and weekday names, with the clock fixed where today matters.
#include "output/nombres_fecha.h"

#include <gtest/gtest.h>

#include "platform/core/date_time.h"

namespace output {
namespace {

using namespace platform::literals;

TEST(NombresFechaTest, MonthsByNumberAndToday) {
  const platform::Cp1252View meses[] = {"Enero"_cp1252,      "Febrero"_cp1252, "Marzo"_cp1252,     "Abril"_cp1252,
                                        "Mayo"_cp1252,       "Junio"_cp1252,   "Julio"_cp1252,     "Agosto"_cp1252,
                                        "Septiembre"_cp1252, "Octubre"_cp1252, "Noviembre"_cp1252, "Diciembre"_cp1252};
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(Nombre_Mes(m), meses[m - 1]);
  EXPECT_EQ(Nombre_Mes(5).size(), 4u) << "no trailing blanks";
  platform::FixedClock december({platform::dateSerial(2026, 12, 8), platform::clockValue(19, 5, 9)});
  EXPECT_EQ(Nombre_Mes(0), "Diciembre"_cp1252);
  EXPECT_EQ(Nombre_Mes(13), ""_cp1252) << "no such month";
  EXPECT_EQ(Nombre_Mes(-1), ""_cp1252);
}

TEST(NombresFechaTest, WeekdaysBySerialAndToday) {
  const struct {
    std::int32_t serial;
    platform::Cp1252View name;
  } cases[] = {{1, "Lunes"_cp1252},
               {4, "Jueves"_cp1252},
               {7, "Domingo"_cp1252},
               {-1, "Sabado"_cp1252},
               {-7, "Domingo"_cp1252},
               {3, "Miercoles"_cp1252},
               {platform::dateSerial(2026, 12, 8), "Martes"_cp1252},
               {2147483647, "Lunes"_cp1252},
               {-2147483647 - 1, "Viernes"_cp1252}};
  for (const auto& c : cases) EXPECT_EQ(Nombre_Dia(c.serial), c.name) << c.serial;
  EXPECT_EQ(Nombre_Dia(3).size(), 9u);
  platform::FixedClock tuesday({platform::dateSerial(2026, 12, 8), 1});
  EXPECT_EQ(Nombre_Dia(0), "Martes"_cp1252);
}

}  // namespace
}  // namespace output
