// The teacher lookup: every teacher of ZOLBRANS, by id (tab "Por Clave") or by name (tab "Por
// Nombre"), with "&Agregar", "&Modificar" and "&Borrar" through the teacher form. In select mode
// (Request code platform::kRequestSelect) "&Selección" leaves the chosen teacher in the ZOLBRANS
// buffer with the Response code kResponseCompleted, and "&Cerrar" gives kResponseCancelled; in any
// other mode "&Cerrar" gives kResponseCompleted.
//
// Needs the running Program with the thread's managers set up (DictionaryInit) and a QApplication.
#pragma once

namespace gradebook {

void BrowseZOLBRANS();

}  // namespace gradebook
