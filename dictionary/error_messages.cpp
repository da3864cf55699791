#include "dictionary/error_messages.h"

namespace dictionary {

using platform::ErrorMessage;
using platform::kLevelFatal;
using platform::kLevelNotify;
using platform::kLevelProgram;
using platform::kLevelUser;
using platform::MessageButton;

// Titles and texts are kept exactly as the users know them, spelling included: message 15's title
// ends in a blank, 28 and 42 have no closing full stop, and 35's "|" starts a new line.
std::vector<ErrorMessage> SpanishErrorMessages() {
  return {
      {2, kLevelNotify, "Acceso Denegado",
       "No se pudo conseguir acceso para escritura a %File, Así que tratando solo lectura."},
      {4, kLevelNotify, "Error al Insertar el Registro",
       "Un error ocurrió durante la creación de un registro. Error: %ErrorText."},
      {7, kLevelNotify, "Registro no fué Actualizado", "Este registro fué modificado por otra estación de trabajo."},
      {8, kLevelNotify, "Registro no fué Actualizado",
       "Este registro fué cambiado por otra estacion de trabajo. Esos cambios serán ahora mostrados. Use el "
       "ditto boton o Ctrl+' para volver a llamar sus cambios."},
      {10, kLevelUser, "Los Cambios Serán Perdidos!", "Está seguro de cancelar?"},
      {11, kLevelUser, "Confirme al Borrar", "Está seguro que desea borrar el registro seleccionado?"},
      {12, kLevelFatal, "Error al Crear el Archivo", "Error: (%ErrorText) creando %File."},
      {15, kLevelNotify, "Error Clave Duplicada ",
       "Agregar este registro genera una duplicidad para la clave: %Message"},
      {16, kLevelNotify, "El Campo Contiene un Error", "El valor de %Field debe encontrarse en %Message el archivo."},
      {24, kLevelNotify, "Transacción Cancelada", "Error: (%ErrorText) tratando de enmarcar la transacción en %File."},
      {25, kLevelNotify, "No hay Registros", "No hay ningún registro disponible para procesar."},
      {26, kLevelFatal, "Error de Acceso", "El archivo (%File) no pudo ser abierto. Error: %ErrorText."},
      {28, kLevelNotify, "Registro no Fué Actualizado",
       "Un error (%ErrorText) fué experimentado cuando se realizaron los cambios al archivo %File"},
      {29, kLevelFatal, "Indice no Construida", "Error: (%ErrorText) reparando indice para %File."},
      {30, kLevelNotify, "Indice Invalida", "%File Indice de archivo inválida. Clave debe ser reconstruida."},
      {33, kLevelNotify, "Error de Integridad Referencial al Borrar",
       "Este registro es referenciado por el archivo %File. Este registro No puede ser eliminado mientras las "
       "referencias existan."},
      {34, kLevelNotify, "Error de Integridad Referencial en la Actualización",
       "Este registro esta referenciado desde el archivo %File. Ligando campo(s) no se realizó y ha sido "
       "regresado a su valor original."},
      {35, kLevelUser, "Error al Autoincrementar",
       "El intento de autoincrementar este registro ha fallado. Error: %ErrorText.|Trata de nuevo?"},
      {36, kLevelUser, "Error al Borrar el Registro",
       "Un error ocurrió durante la eliminación de este registro. Desea tratar de borrar de nuevo?"},
      // Offered when a form's save fails: Yes saves again, No leaves the form, Cancel stays in it.
      {37,
       kLevelUser,
       "Error de Actualización del Registro",
       "Un error ocurrió durante la actualización del registro. Desea tratar de guardar de nuevo?",
       {MessageButton::Yes, MessageButton::No, MessageButton::Cancel},
       MessageButton::Cancel},
      {42, kLevelProgram, "Error en Uso del Archivo",
       "Se esta intentando abrir el archivo (%File) antes de que sea abierto"},
      // A list could not read its rows; the window closes after it.
      {47, kLevelNotify, "Error de Lectura", "Error: (%ErrorText) leyendo el archivo %File."},
  };
}

}  // namespace dictionary
