#include "gradebook/procedures.h"

#include "gradebook/grade_book.h"
#include "gradebook/update_actas_calificaciones.h"
#include "output/dlg_exportacion.h"
#include "output/reporte_actas_calificaciones.h"

namespace gradebook {

dictionary::Procedures ProgramProcedures() {
  dictionary::Procedures procedures;
  procedures.Main = Main;
  procedures.UpdateACTAS_CALIFICACIONES = UpdateACTAS_CALIFICACIONES;
  procedures.ReporteACTAS_CALIFICACIONES = output::ReporteACTAS_CALIFICACIONES;
  procedures.Dlg_Exportacion = output::Dlg_Exportacion;
  return procedures;
}

}  // namespace gradebook
