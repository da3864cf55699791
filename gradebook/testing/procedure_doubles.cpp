#include "gradebook/testing/procedure_doubles.h"

#include "dictionary/program.h"
#include "gradebook/update_actas_calificaciones.h"
#include "output/dlg_exportacion.h"
#include "output/reporte_actas_calificaciones.h"
#include "platform/classes/window_controller.h"

namespace gradebook {
namespace testing {

ProcedureCalls& Calls() {
  thread_local ProcedureCalls calls;
  return calls;
}

}  // namespace testing

void UpdateACTAS_CALIFICACIONES() {
  dictionary::ThreadData& thread = dictionary::ThisThread();
  const platform::storage::DataFile& actas = dictionary::DataFileOf(dictionary::File::ACTAS);
  testing::Calls().changes.push_back({thread.Request, actas.buffer().getLong(actas.decl().fieldIndex("ID_ACT"))});
  thread.Request = 0;
  thread.Response = testing::Calls().form ? testing::Calls().form() : platform::kResponseCancelled;
}

}  // namespace gradebook

namespace output {

void ReporteACTAS_CALIFICACIONES(std::string_view group, std::int32_t programme) {
  gradebook::testing::Calls().reports.push_back({std::string(group), programme});
}

void Dlg_Exportacion(std::int32_t studentCount) { gradebook::testing::Calls().exports.push_back(studentCount); }

}  // namespace output
