#include "dictionary/spanish_locale.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/cp1252.h"

namespace dictionary {

namespace {

std::string Cp1252(std::string_view name, std::string_view utf8Value) {
  std::string value;
  if (!platform::utf8ToCp1252(utf8Value, value)) {
    std::fprintf(stderr, "ApplySpanishLocale: the value of %.*s is not code page 1252\n", static_cast<int>(name.size()),
                 name.data());
    std::abort();
  }
  return value;
}

void Apply(platform::Locale& locale, std::string_view name, std::string_view utf8Value) {
  if (!locale.set(name, Cp1252(name, utf8Value))) {
    std::fprintf(stderr, "ApplySpanishLocale: the locale refused %.*s\n", static_cast<int>(name.size()), name.data());
    std::abort();
  }
}

struct MessageText {
  int number;
  std::string_view text;
};

// The runtime error texts, applied in this order.
constexpr MessageText kMessages[] = {
    {2, "No se encontró el archivo"},
    {3, "NO se encontró el Path del archivo"},
    {4, "Demasiados Archivos abiertos..."},
    {5, "Acceso negado..."},
    {7, "Memoria corrupta..."},
    {8, "Memoria insuficiente..."},
    {15, "Drive inválido..."},
    {30, "Entrada no encontrada"},
    {32, "El archivo está bloqueado..."},
    {33, "El registro NO está disponible..."},
    {35, "El registro NO se encontró..."},
    {36, "El archivo de datos es inválido..."},
    {37, "El archivo NO está abierto..."},
    {40, "Crea llave duplicada..."},
    {43, "El registro está bloqueado..."},
    {45, "El nombre del archivo es inválido..."},
    {46, "Las llaves deben de reconstruirse..."},
    {47, "La estructura del archivo es incorrecta..."},
    {48, "No se pudo iniciar la transacción..."},
    {52, "El archivo ya estaba abierto..."},
    {54, "El archivo NO se puede crear..."},
    {55, "El archivo debe estar COMPARTIDO..."},
    {57, "El archivo Memo es inválido..."},
    {63, "Se requiere acceso exclusivo..."},
    {64, "Violación al acceso compartido..."},
    {65, "NO se pudo ejecutar el Rollback..."},
    {73, "El archivo Memo no existe..."},
    {75, "El tipo de campo es inválido..."},
    {76, "Indice inválido..."},
    {77, "NO se pudo accesar al índice..."},
    {78, "Número inválido de Parámetros..."},
    {80, "Función NO soportada..."},
    {89, "Registro cambiado por otro Usuario..."},
};

// The platform's other runtime errors, which can reach the teacher as well (a full disk during an
// export, a file that cannot be read), applied after those above.
constexpr MessageText kOtherMessages[] = {
    {0, "Sin error"},
    {90, "El texto tiene un carácter que no se puede guardar..."},
    {91, "No se permite durante una transacción..."},
    {92, "No hay una transacción activa..."},
    {93, "El disco está lleno..."},
    {94, "Error de entrada/salida..."},
    {95, "El filtro es inválido..."},
    {96, "El orden es inválido..."},
};

struct PlatformText {
  platform::PlatformText which;
  std::string_view name;
  std::string_view text;
};

// The platform's own messages of a report's run and of its PDF file.
constexpr PlatformText kPlatformTexts[] = {
    {platform::PlatformText::PdfNotWritten, "PdfNotWritten", "No se pudo escribir el archivo PDF %1:|%2"},
    {platform::PlatformText::RecordsNotRead, "RecordsNotRead", "No se pudieron leer los registros: %2 (error %1)."},
    {platform::PlatformText::ReportNotPrinted, "ReportNotPrinted", "No se pudo imprimir el reporte: %2"},
    {platform::PlatformText::UnknownError, "UnknownError", "Error desconocido (%1)"},
};

}  // namespace

void ApplySpanishLocale(platform::Locale& locale) {
  Apply(locale, "CLACHARSET", "WINDOWS");
  Apply(locale, "CLACOLSEQ", "AÄÅÆaàáâäåæBbCÇcçDdEÉeèéêëFfGgHhIiìíîïJjKkLlMmNÑnñOÖoòóôöPpQqRrSsßTtUÜuùúûüVvWwXxYyZzÿ");
  Apply(locale, "CLAAMPM", "Am,Pm");
  Apply(locale, "CLAMONTH", "Enero,Febrero,Marzo,Abril,Mayo,Junio,Julio,Agosto,Septiembre,Octubre,Noviembre,Diciembre");
  Apply(locale, "CLAMON", "Ene,Feb,Mar,Abr,May,Jun,Jul,Ago,Sep,Oct,Nov,Dic");
  Apply(locale, "CLADIGRAPH", "ÆAe,æae");
  Apply(locale, "ClaCASE", "ÄÅÁÆÇÉÍÑÖÓÜÚ,äåáæçéíñöóüú");
  Apply(locale, "CLABUTTON", "&Aceptar,&Si,&No,&Abortar,&Reintentar,&Ignorar,&Cancelar,&Ayuda");
  for (const MessageText& m : kMessages) Apply(locale, "CLAMSG" + std::to_string(m.number), m.text);
  for (const MessageText& m : kOtherMessages) Apply(locale, "CLAMSG" + std::to_string(m.number), m.text);
  for (const PlatformText& t : kPlatformTexts) locale.setText(t.which, Cp1252(t.name, t.text));
}

}  // namespace dictionary
