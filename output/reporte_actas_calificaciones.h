// The grade sheet of one academic programme and group for the signed-in teacher: a progress window
// while the rows are printed (one per grade record, in the order of the students' names), then
// the print preview, from which the teacher prints the pages or saves them as a PDF file.
//
// The group is cut or padded to 20 characters; the programme is an academic-programme id. On
// return the thread's Response code holds platform::kResponseCompleted (every row printed and
// previewed) or kResponseCancelled (cancelled, or no grade record matched). No record is ever
// changed.
//
// Needs the running Program with the thread's managers set up, and a QApplication.
#pragma once

#include <cstdint>

#include "platform/core/cp1252_text.h"

namespace output {

void ReporteACTAS_CALIFICACIONES(platform::Cp1252View group, std::int32_t programme);

}  // namespace output
