// The grade sheet of one (programme, group) pair of the signed-in teacher: previewed, printed or
// saved. `group` is the group as the pair holds it (a STRING(20), trailing blanks included).
#pragma once

#include <cstdint>
#include <string_view>

namespace output {

void ReporteACTAS_CALIFICACIONES(std::string_view group, std::int32_t programme);

}  // namespace output
