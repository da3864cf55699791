#include "dictionary/file_declarations.h"

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/os/paths.h"

namespace dictionary {

namespace {

using platform::FieldSpec;
using platform::FieldType;
using platform::RecordLayout;
using platform::storage::FileDecl;
using platform::storage::KeyDecl;

// The owner password that every data file is encrypted under. Compiled in; never shown.
constexpr std::string_view kOwnerPassword = "wAu6b6M VHmxg C2x7dPUq YNLjf6 HVHJtfD ppvWH n";
static_assert(kOwnerPassword.size() == 45);

FieldSpec Long(const char* name) { return {name, FieldType::Long, 4}; }
FieldSpec Real(const char* name) { return {name, FieldType::Real, 8}; }
FieldSpec String(const char* name, std::uint32_t width) { return {name, FieldType::String, width}; }
FieldSpec CString(const char* name, std::uint32_t width) { return {name, FieldType::CString, width}; }

// Key attributes as the declarations state them.
struct Attributes {
  bool primary = false;
  bool duplicates = false;
  bool caseInsensitive = false;
  bool optional = false;
};
constexpr Attributes kPrimary{.primary = true, .caseInsensitive = true, .optional = true};
constexpr Attributes kDuplicates{.duplicates = true};
constexpr Attributes kUnique{};
constexpr Attributes kUniqueNoCaseOptional{.caseInsensitive = true, .optional = true};
constexpr Attributes kDuplicatesNoCase{.duplicates = true, .caseInsensitive = true};

KeyDecl key(const RecordLayout& layout, std::string label, std::initializer_list<const char*> fields,
            Attributes attributes) {
  KeyDecl decl;
  decl.label = std::move(label);
  for (const char* field : fields) {
    const int index = layout.indexOf(field);
    // A misspelt component is a fault in this file, caught by its test at the first run.
    if (index < 0) throw std::logic_error("key " + decl.label + " names no field " + field);
    decl.components.push_back(index);
  }
  decl.primary = attributes.primary;
  decl.duplicates = attributes.duplicates;
  decl.caseInsensitive = attributes.caseInsensitive;
  decl.optional = attributes.optional;
  return decl;
}

FileDecl file(std::string label, std::string prefix, std::string physicalName, const std::vector<FieldSpec>& fields) {
  FileDecl decl;
  decl.label = std::move(label);
  decl.prefix = std::move(prefix);
  decl.physicalName = std::move(physicalName);
  decl.ownerPassword = std::string(kOwnerPassword);
  decl.encrypted = true;
  decl.createWhenMissing = true;
  decl.perThread = true;
  decl.layout = RecordLayout(fields);
  return decl;
}

FileDecl makeActas() {
  FileDecl d = file("ACTAS", "ACT", "Actas.Tps",
                    {Long("ID_ACT"), Long("CLAVE"), String("PERIODO", 8), String("GRUPO", 12), Long("ID_ALU"),
                     Long("ID_MAE"), Long("ID_UAPR"), Long("ID_PACA"), Long("ID_CIU"), Real("POR_PORTAFOLIO"),
                     Real("PORTAFOLIO"), Real("POR_EXAMEN"), Real("EXAMEN"), Real("POR_PARTICIPACION"),
                     Real("PARTICIPACION"), Real("POR_ENSAYO"), Real("ENSAYO"), Real("PROMEDIO"), Long("STATUS")});
  d.keys = {key(d.layout, "PK_ACTA", {"ID_ACT"}, kPrimary),
            key(d.layout, "AK_CLAVE", {"CLAVE"}, kDuplicates),
            key(d.layout, "FK_ACTA_REF_28_ALUMNOS", {"ID_ALU"}, kDuplicates),
            key(d.layout, "FK_ACTA_REF_32_ZOLBRANS", {"ID_MAE"}, kDuplicates),
            key(d.layout, "FK_ACTA_REF_46_PROGRAMA", {"ID_PACA"}, kDuplicates),
            key(d.layout, "FK_ACTAS_REF_213_CIUDAD", {"ID_CIU"}, kDuplicates),
            key(d.layout, "FK_ACTAS_REF_60_UNIDAD_A", {"ID_UAPR"}, kDuplicates)};
  return d;
}

FileDecl makeAlumnos() {
  FileDecl d = file("ALUMNOS", "ALU", "Alumnos.Tps",
                    {Long("ID_ALU"), String("MATRICULA", 12), String("NOMBRE", 100), Long("SEXO"), Long("ID_UACA"),
                     Long("ID_PALU"), Long("ID_CIU")});
  d.keys = {key(d.layout, "PK_ALUMNOS", {"ID_ALU"}, kPrimary),
            key(d.layout, "AK_NOMBRE", {"NOMBRE"}, kUnique),
            key(d.layout, "AK_MATRICULA", {"MATRICULA"}, kUnique),
            key(d.layout, "FK_ALUMNOS_REF_42_PROGRAMA", {"ID_PALU"}, kDuplicates),
            key(d.layout, "FK_ALUMNOS_REF_36_UNIDAD_A", {"ID_UACA"}, kDuplicates),
            key(d.layout, "FK_ALUMNOS_REF_146_CIUDAD", {"ID_CIU"}, kDuplicates)};
  return d;
}

FileDecl makeZolbrans() {
  FileDecl d = file("ZOLBRANS", "MAE", "Zolbrans.Tps",
                    {Long("ID_MAE"), Long("CLAVE"), String("NOMBRE", 100), String("PASSWORD", 10)});
  d.keys = {key(d.layout, "PK_ZOLBRANS", {"ID_MAE"}, kPrimary), key(d.layout, "AK_CLAVE", {"CLAVE"}, kUnique),
            key(d.layout, "AK_NOMBRE", {"NOMBRE"}, kUnique)};
  return d;
}

FileDecl makeUnidadAprendizaje() {
  FileDecl d = file("UNIDAD_APRENDIZAJE", "UAPR", "Uni_Aprendizaje.Tps",
                    {Long("ID_UAPR"), String("DESCRIPCION", 120), Long("POR_UNO"), Long("POR_DOS"), Long("POR_TRES"),
                     Long("POR_CUATRO"), String("DESC_UNO", 20), String("DESC_DOS", 20), String("DESC_TRES", 20),
                     String("DESC_CUATRO", 20), String("RUT_IMAGEN", 255)});
  d.keys = {key(d.layout, "PK_UNIDAD_APRENDIZAJE", {"ID_UAPR"}, kPrimary),
            key(d.layout, "AK_DESCRIPCION", {"DESCRIPCION"}, kUniqueNoCaseOptional)};
  return d;
}

// The four catalogues: an id and a description, the description unique and compared as stored.
FileDecl makeCatalogue(std::string label, std::string prefix, std::string physicalName, const char* idField,
                       std::string primaryKey, FieldSpec description) {
  FileDecl d = file(std::move(label), std::move(prefix), std::move(physicalName), {Long(idField), description});
  d.keys = {key(d.layout, std::move(primaryKey), {idField}, kPrimary),
            key(d.layout, "AK_DESCRIPCION", {"DESCRIPCION"}, kUnique)};
  return d;
}

FileDecl makeExportacion(const platform::FixedText<255>& fileName) {
  FileDecl d = file("EXPORTACION", "EXP", "",
                    {Long("ID_ACT"),
                     Long("CLAVE"),
                     String("PERIODO", 8),
                     String("GRUPO", 12),
                     String("MATRICULA", 12),
                     String("NOMBRE", 100),
                     Long("CLA_MAESTRO"),
                     String("NOM_MAESTRO", 100),
                     String("UNI_APRENDIZAJE", 120),
                     String("PROG_ACADEMICO", 100),
                     CString("DESC_CIUDAD", 101),
                     Real("POR_PORTAFOLIO"),
                     Real("PORTAFOLIO"),
                     Real("POR_EXAMEN"),
                     Real("EXAMEN"),
                     Real("POR_PARTICIPACION"),
                     Real("PARTICIPACION"),
                     Real("POR_ENSAYO"),
                     Real("ENSAYO"),
                     Real("PROMEDIO"),
                     Long("STATUS"),
                     Long("FECHA"),
                     Long("HORA")});
  // The name is read each time the file is created or opened, so whoever sets the variable
  // first decides which physical file is meant.
  d.nameSource = [&fileName] { return platform::os::pathOf(fileName.value()).string(); };
  d.keys = {key(d.layout, "PK_ACTA", {"ID_ACT"}, kPrimary), key(d.layout, "AK_CLAVE", {"CLAVE"}, kDuplicates),
            key(d.layout, "AKBUSCAR",
                {"CLAVE", "PERIODO", "GRUPO", "MATRICULA", "NOMBRE", "CLA_MAESTRO", "NOM_MAESTRO", "UNI_APRENDIZAJE"},
                kDuplicatesNoCase)};
  return d;
}

constexpr ParentReference kParentReferences[] = {
    {"ACTAS", "ID_ALU", "ALUMNOS", "PK_ALUMNOS"},
    {"ACTAS", "ID_MAE", "ZOLBRANS", "PK_ZOLBRANS"},
    {"ACTAS", "ID_UAPR", "UNIDAD_APRENDIZAJE", "PK_UNIDAD_APRENDIZAJE"},
    {"ACTAS", "ID_PACA", "PROGRAMA_ACADEMICO", "PK_PROGRAMA_ACADEMICO"},
    {"ACTAS", "ID_CIU", "CIUDAD", "PK_CIUDAD"},
    {"ALUMNOS", "ID_UACA", "UNIDAD_ACADEMICA", "PK_UNIDAD_ACADEMICA"},
    {"ALUMNOS", "ID_PALU", "PROGRAMA_ALUMNO", "PK_PROGRAMA_ALUMNO"},
    {"ALUMNOS", "ID_CIU", "CIUDAD", "PK_CIUDAD"},
};

}  // namespace

std::span<const ParentReference> parentReferences() { return kParentReferences; }

FileDeclarations::FileDeclarations()
    : Gs_ArchivoExportacion(kInitialExportFileName),
      CIUDAD(makeCatalogue("CIUDAD", "CIU", "Ciudad.Tps", "ID_CIU", "PK_CIUDAD", CString("DESCRIPCION", 101))),
      ZOLBRANS(makeZolbrans()),
      UNIDAD_ACADEMICA(makeCatalogue("UNIDAD_ACADEMICA", "UACA", "Uni_Academica.Tps", "ID_UACA", "PK_UNIDAD_ACADEMICA",
                                     String("DESCRIPCION", 100))),
      PROGRAMA_ACADEMICO(makeCatalogue("PROGRAMA_ACADEMICO", "PACA", "Prog_Academico.Tps", "ID_PACA",
                                       "PK_PROGRAMA_ACADEMICO", String("DESCRIPCION", 100))),
      PROGRAMA_ALUMNO(makeCatalogue("PROGRAMA_ALUMNO", "PALU", "Prog_Alumno.Tps", "ID_PALU", "PK_PROGRAMA_ALUMNO",
                                    CString("DESCRIPCION", 101))),
      UNIDAD_APRENDIZAJE(makeUnidadAprendizaje()),
      ALUMNOS(makeAlumnos()),
      ACTAS(makeActas()),
      EXPORTACION(makeExportacion(Gs_ArchivoExportacion)),
      ACTAS_ALIAS(platform::storage::aliasOf(ACTAS, "ACTAS_ALIAS", "AACT")),
      PROGRAMA_ACADEMICO_ALIAS(platform::storage::aliasOf(PROGRAMA_ACADEMICO, "PROGRAMA_ACADEMICO_ALIAS", "APACA")),
      UNIDAD_APRENDIZAJE_ALIAS(platform::storage::aliasOf(UNIDAD_APRENDIZAJE, "UNIDAD_APRENDIZAJE_ALIAS", "AUAPR")),
      order_{&CIUDAD,
             &ZOLBRANS,
             &UNIDAD_ACADEMICA,
             &PROGRAMA_ACADEMICO,
             &PROGRAMA_ALUMNO,
             &UNIDAD_APRENDIZAJE,
             &ALUMNOS,
             &ACTAS,
             &EXPORTACION,
             &ACTAS_ALIAS,
             &PROGRAMA_ACADEMICO_ALIAS,
             &UNIDAD_APRENDIZAJE_ALIAS} {}

std::filesystem::path FileDeclarations::exportFilePath() const {
  return platform::os::pathOf(Gs_ArchivoExportacion.value());
}

int FileDeclarations::indexOf(const platform::storage::FileDecl& decl) const {
  for (int i = 0; i < kFileCount; ++i) {
    if (order_[static_cast<std::size_t>(i)] == &decl) return i;
  }
  return -1;
}

const platform::storage::FileDecl* FileDeclarations::find(std::string_view label) const {
  for (const FileDecl* decl : order_) {
    if (decl->label == label) return decl;
  }
  return nullptr;
}

const platform::storage::FileDecl* FileDeclarations::aliasedFile(const platform::storage::FileDecl& decl) const {
  if (&decl == &ACTAS_ALIAS) return &ACTAS;
  if (&decl == &PROGRAMA_ACADEMICO_ALIAS) return &PROGRAMA_ACADEMICO;
  if (&decl == &UNIDAD_APRENDIZAJE_ALIAS) return &UNIDAD_APRENDIZAJE;
  return nullptr;
}

std::array<const platform::storage::FileDecl*, 8> FileDeclarations::dataFiles() const {
  return {&CIUDAD,          &ZOLBRANS,           &UNIDAD_ACADEMICA, &PROGRAMA_ACADEMICO,
          &PROGRAMA_ALUMNO, &UNIDAD_APRENDIZAJE, &ALUMNOS,          &ACTAS};
}

}  // namespace dictionary
