#include "gradebook/testing/procedure_doubles.h"

#include "platform/classes/window_controller.h"

namespace gradebook::testing {

dictionary::Procedures ProcedureCalls::standIns() {
  dictionary::Procedures procedures;
  procedures.UpdateACTAS_CALIFICACIONES = [this] { gradeForm(); };
  procedures.ReporteACTAS_CALIFICACIONES = [this](platform::Cp1252View group, std::int32_t programme) {
    gradeSheet(group.bytes(), programme);
  };
  procedures.Dlg_Exportacion = [this](std::int32_t studentCount) { exportGradeRecords(studentCount); };
  return procedures;
}

void ProcedureCalls::gradeForm() {
  dictionary::ThreadData& thread = dictionary::ThisThread();
  const platform::storage::DataFile& actas = dictionary::DataFileOf(dictionary::File::ACTAS);
  changes.push_back({thread.Request, actas.buffer().getLong(actas.decl().fieldIndex("ID_ACT"))});
  thread.Request = 0;
  thread.Response = form ? form() : platform::kResponseCancelled;
}

void ProcedureCalls::gradeSheet(std::string_view group, std::int32_t programme) {
  reports.push_back({std::string(group), programme});
}

void ProcedureCalls::exportGradeRecords(std::int32_t studentCount) { exports.push_back(studentCount); }

}  // namespace gradebook::testing
