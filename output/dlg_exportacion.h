// The export window: the teacher chooses a folder with "..." and presses "&Exportar", which writes
// every grade record of the signed-in teacher into a new export file in that folder
// (grade_export.h), with a progress bar and a percentage; the window stays open until "&Cancelar"
// or its close box. studentCount is what the progress bar counts to: the grade book's count of the
// teacher's grade records. The Response code holds the window's run result.
//
// Needs the running Program with the thread's managers set up and a QApplication.
#pragma once

#include <cstdint>

namespace output {

void Dlg_Exportacion(std::int32_t studentCount);

}  // namespace output
