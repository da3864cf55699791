// The teacher lookup: every teacher of ZOLBRANS, by id (tab "Por Clave") or by name (tab "Por
// Nombre"), with "&Agregar", "&Modificar" and "&Borrar" through the teacher form. In select mode
// (Request code 4) "&Selección" leaves the chosen teacher in the ZOLBRANS buffer with the Response
// code 1, and "&Cerrar" gives 2; in any other mode "&Cerrar" gives 1.
//
// Needs the running Program with the thread's managers set up (DictionaryInit) and a QApplication.
#pragma once

namespace gradebook {

void BrowseZOLBRANS();

}  // namespace gradebook
