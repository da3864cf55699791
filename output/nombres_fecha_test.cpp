// The Spanish month and weekday names, with the clock fixed where today matters.
#include "output/nombres_fecha.h"

#include <gtest/gtest.h>

#include "platform/core/date_time.h"

namespace output {
namespace {

TEST(NombresFechaTest, MonthsByNumberAndToday) {
  const char* meses[] = {"Enero", "Febrero", "Marzo", "Abril", "Mayo", "Junio", "Julio", "Agosto", "Septiembre",
                         "Octubre", "Noviembre", "Diciembre"};
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(Nombre_Mes(m), meses[m - 1]);
  EXPECT_EQ(Nombre_Mes(5).size(), 4u) << "no trailing blanks";
  platform::FixedClock december({platform::dateSerial(2026, 12, 8), platform::clockValue(19, 5, 9)});
  EXPECT_EQ(Nombre_Mes(0), "Diciembre");
  EXPECT_EQ(Nombre_Mes(13), "") << "no such month";
  EXPECT_EQ(Nombre_Mes(-1), "");
}

TEST(NombresFechaTest, WeekdaysBySerialAndToday) {
  const struct {
    std::int32_t serial;
    const char* name;
  } cases[] = {{1, "Lunes"}, {4, "Jueves"}, {7, "Domingo"}, {-1, "Sabado"}, {-7, "Domingo"}, {3, "Miercoles"},
               {platform::dateSerial(2026, 12, 8), "Martes"}, {2147483647, "Lunes"}, {-2147483647 - 1, "Viernes"}};
  for (const auto& c : cases) EXPECT_EQ(Nombre_Dia(c.serial), c.name) << c.serial;
  EXPECT_EQ(Nombre_Dia(3).size(), 9u);
  platform::FixedClock tuesday({platform::dateSerial(2026, 12, 8), 1});
  EXPECT_EQ(Nombre_Dia(0), "Martes");
}

}  // namespace
}  // namespace output
