// The export of the signed-in teacher's grade records into a new data file. `studentCount` is the
// number of the teacher's grade records the grade book shows as its total.
#pragma once

#include <cstdint>

namespace output {

void Dlg_Exportacion(std::int32_t studentCount);

}  // namespace output
