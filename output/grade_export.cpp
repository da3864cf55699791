#include "output/grade_export.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "dictionary/managers.h"
#include "dictionary/program.h"
#include "output/export_name.h"
#include "platform/core/date_time.h"
#include "platform/core/runtime_errors.h"

namespace output {
namespace {

using dictionary::File;
using platform::Cp1252Text;
using platform::Cp1252View;
using platform::RecordBuffer;
using namespace platform::literals;
using platform::storage::DataFile;
namespace errors = platform::errors;

constexpr double kTransactionTimeoutSeconds = 1;
constexpr const char* kDoneCaption = "Atención";
constexpr const char* kDoneText = "Exportación Terminada";

// Each export field and the field it is copied from: the grade record's own, or a field of the
// record it refers to.
struct Source {
  File file;
  std::string_view field;
  std::string_view exportField;
};
constexpr Source kFieldMapping[] = {
    {File::ACTAS, "ID_ACT", "ID_ACT"},
    {File::ACTAS, "CLAVE", "CLAVE"},
    {File::ACTAS, "PERIODO", "PERIODO"},
    {File::ACTAS, "GRUPO", "GRUPO"},
    {File::ALUMNOS, "MATRICULA", "MATRICULA"},
    {File::ALUMNOS, "NOMBRE", "NOMBRE"},
    {File::ZOLBRANS, "CLAVE", "CLA_MAESTRO"},
    {File::ZOLBRANS, "NOMBRE", "NOM_MAESTRO"},
    {File::UNIDAD_APRENDIZAJE, "DESCRIPCION", "UNI_APRENDIZAJE"},
    {File::PROGRAMA_ACADEMICO, "DESCRIPCION", "PROG_ACADEMICO"},
    {File::CIUDAD, "DESCRIPCION", "DESC_CIUDAD"},
    {File::ACTAS, "POR_PORTAFOLIO", "POR_PORTAFOLIO"},
    {File::ACTAS, "PORTAFOLIO", "PORTAFOLIO"},
    {File::ACTAS, "POR_EXAMEN", "POR_EXAMEN"},
    {File::ACTAS, "EXAMEN", "EXAMEN"},
    {File::ACTAS, "POR_PARTICIPACION", "POR_PARTICIPACION"},
    {File::ACTAS, "PARTICIPACION", "PARTICIPACION"},
    {File::ACTAS, "POR_ENSAYO", "POR_ENSAYO"},
    {File::ACTAS, "ENSAYO", "ENSAYO"},
    {File::ACTAS, "PROMEDIO", "PROMEDIO"},
    {File::ACTAS, "STATUS", "STATUS"},
};

// The records a grade record refers to, in the order they are looked up: the grade record's link
// field and the parent's primary key.
struct Parent {
  File file;
  std::string_view link;
  std::string_view primaryKey;
};
constexpr Parent kParents[] = {
    {File::ALUMNOS, "ID_ALU", "PK_ALUMNOS"},
    {File::ZOLBRANS, "ID_MAE", "PK_ZOLBRANS"},
    {File::UNIDAD_APRENDIZAJE, "ID_UAPR", "PK_UNIDAD_APRENDIZAJE"},
    {File::PROGRAMA_ACADEMICO, "ID_PACA", "PK_PROGRAMA_ACADEMICO"},
    {File::CIUDAD, "ID_CIU", "PK_CIUDAD"},
};

int fieldOf(const DataFile& file, std::string_view name) { return file.decl().fieldNamed(name); }
int keyOf(const DataFile& file, std::string_view name) { return file.decl().keyNamed(name); }

DataFile& exportFile() { return dictionary::DataFileOf(File::EXPORTACION); }

platform::FixedText<255>& exportFileName() { return dictionary::program().files().Gs_ArchivoExportacion; }

const platform::Locale& locale() { return dictionary::program().locale(); }

// The locale's text of a runtime error, code page 1252 as every locale setting.
Cp1252Text errorText(int code) { return Cp1252Text::fromBytes(locale().errorText(code)); }

// Why a folder too deep for the export file's name is refused, in the teacher's words.
Cp1252Text tooLongText(std::size_t length) {
  return errorText(errors::kInvalidFileName) + "\nLa ruta de la carpeta es demasiado larga: el nombre del "_cp1252 +
         "archivo\ntendría "_cp1252 + Cp1252Text::decimal(length) + " caracteres y no puede pasar de "_cp1252 +
         Cp1252Text::decimal(exportFileName().size()) + ".\nElija una carpeta con una ruta más corta."_cp1252;
}

bool isPlaceholder(Cp1252View name) { return trimRight(name) == dictionary::kInitialExportFileName; }

}  // namespace

// Fields of one record copied into the export record byte for byte: a REAL keeps every bit, a
// CSTRING its NUL and whatever follows it.
class FieldCopies {
 public:
  void add(const RecordBuffer& from, int fromField, RecordBuffer& to, int toField) {
    const platform::Field& source = from.layout().field(fromField);
    const platform::Field& target = to.layout().field(toField);
    if (source.size != target.size || source.type != target.type)
      throw std::logic_error("export field " + target.name + " differs from " + source.name);
    copies_.push_back({&from, source.offset, &to, target.offset, source.size});
  }
  void apply() const {
    for (const Copy& c : copies_) std::memcpy(c.to->data() + c.toOffset, c.from->data() + c.fromOffset, c.size);
  }

 private:
  struct Copy {
    const RecordBuffer* from;
    std::uint32_t fromOffset;
    RecordBuffer* to;
    std::uint32_t toOffset;
    std::uint32_t size;
  };
  std::vector<Copy> copies_;
};

struct GradeExport::Lookup {
  DataFile* parent = nullptr;  // null: the grade record itself
  int link = -1;               // the grade record's field that holds the parent's id
  int id = -1;                 // the parent's id field
  int primaryKey = -1;
  FieldCopies copies;
};

GradeExport::GradeExport(std::int32_t total, ExportProgress& progress) : total_(total), progress_(progress) {
  DataFile& grades = dictionary::DataFileOf(File::ACTAS);
  RecordBuffer& target = exportFile().buffer();
  lookups_.emplace_back();  // the grade record's own fields come first
  for (const Parent& p : kParents) {
    Lookup& lookup = lookups_.emplace_back();
    lookup.parent = &dictionary::DataFileOf(p.file);
    lookup.link = fieldOf(grades, p.link);
    lookup.primaryKey = keyOf(*lookup.parent, p.primaryKey);
    lookup.id = lookup.parent->decl().keys[static_cast<std::size_t>(lookup.primaryKey)].components.front();
  }
  for (const Source& s : kFieldMapping) {
    const DataFile* parent = s.file == File::ACTAS ? nullptr : &dictionary::DataFileOf(s.file);
    auto lookup =
        std::find_if(lookups_.begin(), lookups_.end(), [parent](const Lookup& l) { return l.parent == parent; });
    if (lookup == lookups_.end()) throw std::logic_error("an export field comes from a file that is not looked up");
    const DataFile& from = parent != nullptr ? *parent : grades;
    lookup->copies.add(from.buffer(), fieldOf(from, s.field), target, fieldOf(exportFile(), s.exportField));
  }
}

GradeExport::~GradeExport() = default;

bool GradeExport::run(Cp1252View folder) {
  dictionary::Program& program = dictionary::program();
  // The signed-in teacher, whose key names the file; sign-in found them, so a failure is not told.
  DataFile& teachers = dictionary::DataFileOf(File::ZOLBRANS);
  teachers.buffer().setLong(fieldOf(teachers, "ID_MAE"), program.Gl_IdMaestro);
  (void)teachers.get(keyOf(teachers, "PK_ZOLBRANS"));
  const std::int32_t teacherKey = teachers.buffer().getLong(fieldOf(teachers, "CLAVE"));

  // One reading of the clock names the file and shows its name; nothing of it is done yet.
  const Cp1252Text fileName = ExportFileName(teacherKey, platform::localNow(), program.locale());
  progress_.showFileName(fileName);
  progress_.start(total_);
  // A name that Gs_ArchivoExportacion cannot hold whole is refused before anything changes.
  const std::optional<Cp1252Text> path = ExportPath(folder, fileName);
  if (!path) return refuse(errorText(errors::kInvalidFileName));
  if (path->size() > exportFileName().size()) return refuse(tooLongText(path->size()));

  // Close the export file; the placeholder the window's opening kept goes.
  const Cp1252Text previousName = exportFileName().value();
  dictionary::RelationManagerOf(File::EXPORTACION)->close();
  exportFile().close();
  if (isPlaceholder(previousName)) exportFile().remove();

  exportFileName() = *path;
  if (!writeExportFile()) {
    exportFileName() = previousName;
    return false;
  }
  program.errors().port().message({kDoneCaption,
                                   kDoneText,
                                   platform::MessageIcon::Exclamation,
                                   {platform::MessageButton::Ok},
                                   platform::MessageButton::Ok});
  exportFile().close();
  OpenExportFile();
  return true;
}

bool GradeExport::writeExportFile() {
  DataFile& file = exportFile();
  platform::storage::Session& session = file.session();
  if (file.create() != errors::kNone) return fail(session.lastError(), false);
  if (file.open(platform::storage::kReadWriteDenyWrite) != errors::kNone) return fail(session.lastError(), true);
  // A file that held records (another program's, made between the two steps) is emptied.
  if (file.records() > 0 && file.set() == errors::kNone) {
    while (file.next() == errors::kNone) {
      if (file.erase() != errors::kNone) return fail(session.lastError(), true);
    }
  }
  if (session.begin({&file}, kTransactionTimeoutSeconds) != errors::kNone) return fail(session.lastError(), true);
  if (!appendGradeRecords()) return fail(session.lastError(), true);
  if (session.commit() != errors::kNone) return fail(session.lastError(), true);
  return true;
}

bool GradeExport::appendGradeRecords() {
  DataFile& grades = dictionary::DataFileOf(File::ACTAS);
  const std::int32_t teacher = dictionary::program().Gl_IdMaestro;
  const int teacherField = fieldOf(grades, "ID_MAE");
  grades.buffer().setLong(teacherField, teacher);
  if (grades.setFromBuffer(keyOf(grades, "FK_ACTA_REF_32_ZOLBRANS")) != errors::kNone) return false;
  for (;;) {
    const int read = grades.next();
    if (read == errors::kRecordNotAvailable) return true;  // past the last grade record
    if (read != errors::kNone) return false;
    if (grades.buffer().getLong(teacherField) != teacher) return true;
    fillExportRecord();
    if (exportFile().append() != errors::kNone) return false;
    progress_.advance();
  }
}

void GradeExport::fillExportRecord() {
  // Cleared first, so that a look-up that finds nothing leaves blanks, not the last record's names.
  exportFile().buffer().clear();
  for (const Lookup& lookup : lookups_) {
    if (lookup.parent != nullptr) {
      const std::int32_t id = dictionary::DataFileOf(File::ACTAS).buffer().getLong(lookup.link);
      lookup.parent->buffer().setLong(lookup.id, id);
      if (lookup.parent->get(lookup.primaryKey) != errors::kNone) continue;
    }
    lookup.copies.apply();
  }
}

bool GradeExport::fail(int error, bool removeFile) {
  DataFile& file = exportFile();
  if (file.session().inTransaction()) file.session().rollback();
  file.close();
  if (removeFile) file.remove();
  return refuse(errorText(error));
}

// Nothing of the export is kept: the progress goes back to nothing done, and one message box
// (no caption, no icon, an OK button) tells why.
bool GradeExport::refuse(Cp1252View text) {
  progress_.start(total_);
  dictionary::program().errors().port().message(
      {"", text.toUtf8(), platform::MessageIcon::None, {platform::MessageButton::Ok}, platform::MessageButton::Ok});
  return false;
}

int OpenExportFile() {
  platform::FixedText<255>& name = exportFileName();
  std::error_code ec;
  if (!isPlaceholder(name.value()) && !std::filesystem::exists(dictionary::program().files().exportFilePath(), ec))
    name = dictionary::kInitialExportFileName;
  return dictionary::RelationManagerOf(File::EXPORTACION)->open();
}

void OpenExportFiles() {
  platform::RelationManager& grades = *dictionary::RelationManagerOf(File::ACTAS);
  grades.setOpenRelated();
  grades.open();
  OpenExportFile();
  for (File used : {File::ALUMNOS, File::ZOLBRANS, File::CIUDAD, File::UNIDAD_APRENDIZAJE, File::PROGRAMA_ACADEMICO})
    dictionary::FileManagerOf(used)->useFile();
}

void CloseExportFiles() {
  dictionary::RelationManagerOf(File::ACTAS)->close();
  dictionary::RelationManagerOf(File::EXPORTACION)->close();
}

}  // namespace output
