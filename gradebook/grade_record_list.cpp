#include "gradebook/grade_record_list.h"

#include <array>
#include <string>

#include "dictionary/managers.h"
#include "dictionary/program.h"
#include "platform/core/real_compare.h"
#include "platform/core/runtime_errors.h"
#include "platform/ui/controls/sheet_control.h"
#include "platform/ui/window.h"

namespace gradebook {
namespace {

using dictionary::File;
using platform::FieldSpec;
using platform::FieldType;
using namespace platform::literals;

constexpr const char* kFilter = "(ACT:ID_MAE=Gl_IdMaestro AND ACT:ID_PACA=Ll_ProAcademico AND ACT:GRUPO=Ls_Grupo)";
constexpr const char* kByName = "ALU:NOMBRE,ACT:ID_ACT";
constexpr const char* kByRegistration = "ALU:MATRICULA,ACT:ID_ACT";
constexpr const char* kGroupOrder = "PACA:DESCRIPCION,AACT:GRUPO";

constexpr std::int32_t kRed = 0x0000FF;
constexpr std::int32_t kOddStripe = 0xDEDED0;
constexpr std::int32_t kEvenStripe = 0xEEEEE8;
constexpr std::int32_t kDefault = -1;

constexpr std::array<const char*, 4> kColourEndings = {"_NORMALFG", "_NORMALBG", "_SELECTEDFG", "_SELECTEDBG"};
enum Colour { kNormalText, kNormalBackground, kSelectedText, kSelectedBackground };

// The row record's fields: its name, type and width, whether its four colours follow it, and the
// name of what fills it.
struct RowField {
  const char* name;
  FieldType type;
  std::uint32_t size;
  bool coloured;
  const char* source;
};
constexpr RowField kRowFields[] = {
    {"ACT:ID_ACT", FieldType::Long, 4, false, "ACT:ID_ACT"},
    {"ACT:CLAVE", FieldType::Long, 4, false, "ACT:CLAVE"},
    {"ALU:MATRICULA", FieldType::String, 12, true, "ALU:MATRICULA"},
    {"ALU:NOMBRE", FieldType::String, 100, true, "ALU:NOMBRE"},
    {"ACT:GRUPO", FieldType::String, 12, true, "ACT:GRUPO"},
    {"PACA:DESCRIPCION", FieldType::String, 100, true, "PACA:DESCRIPCION"},
    {"ACT:POR_PORTAFOLIO", FieldType::Real, 8, true, "ACT:POR_PORTAFOLIO"},
    {"ACT:PORTAFOLIO", FieldType::Real, 8, true, "ACT:PORTAFOLIO"},
    {"ACT:POR_EXAMEN", FieldType::Real, 8, true, "ACT:POR_EXAMEN"},
    {"ACT:EXAMEN", FieldType::Real, 8, true, "ACT:EXAMEN"},
    {"ACT:POR_PARTICIPACION", FieldType::Real, 8, true, "ACT:POR_PARTICIPACION"},
    {"ACT:PARTICIPACION", FieldType::Real, 8, true, "ACT:PARTICIPACION"},
    {"ACT:POR_ENSAYO", FieldType::Real, 8, true, "ACT:POR_ENSAYO"},
    {"ACT:ENSAYO", FieldType::Real, 8, true, "ACT:ENSAYO"},
    {"ACT:PROMEDIO", FieldType::Real, 8, true, "ACT:PROMEDIO"},
    {"LS_ESTATUS", FieldType::String, 20, true, "Ls_Estatus"},
    {"ACT:STATUS", FieldType::Long, 4, false, "ACT:STATUS"},
    {"ACT:ID_MAE", FieldType::Long, 4, false, "ACT:ID_MAE"},
    {"ACT:ID_PACA", FieldType::Long, 4, false, "ACT:ID_PACA"},
    {"PACA:ID_PACA", FieldType::Long, 4, false, "PACA:ID_PACA"},
    {"ALU:ID_ALU", FieldType::Long, 4, false, "ALU:ID_ALU"},
};

int field(File file, const char* name) { return dictionary::DataFileOf(file).decl().fieldNamed(name); }

// Where a coloured field's four colours lie in the row record.
struct ColourFields {
  std::array<int, 4> colour;
  bool registration;  // the registration number's, red while the record has no grade
};

const std::vector<ColourFields>& colourFields() {
  static const std::vector<ColourFields> fields = [] {
    std::vector<ColourFields> out;
    for (const RowField& f : kRowFields) {
      if (!f.coloured) continue;
      ColourFields c{{}, std::string_view(f.name) == "ALU:MATRICULA"};
      for (int k = 0; k < 4; ++k)
        c.colour[k] = GradeRecordList::rowLayout().indexOf(std::string(f.name) + kColourEndings[k]);
      out.push_back(c);
    }
    return out;
  }();
  return fields;
}

}  // namespace

void GradeCounts::count(double average) {
  if (average > 0.0) ++graded;
  if (platform::realIsZero(average)) ++ungraded;
}

void StartTeacherGroupView(platform::ViewManager& groupView) {
  // A view that cannot be read shows as no records: the pass stops at the first failed read.
  groupView.open();
  platform::storage::View& view = groupView.view();
  view.setFilter("AACT:ID_MAE=" + std::to_string(dictionary::program().Gl_IdMaestro));
  view.setOrder(kGroupOrder);
  view.restart();
}

const platform::RecordLayout& GradeRecordList::rowLayout() {
  static const platform::RecordLayout layout = [] {
    std::vector<FieldSpec> fields;
    for (const RowField& f : kRowFields) {
      fields.push_back({f.name, f.type, f.size});
      if (!f.coloured) continue;
      for (const char* ending : kColourEndings) fields.push_back({std::string(f.name) + ending, FieldType::Long, 4});
    }
    return platform::RecordLayout(fields);
  }();
  return layout;
}

GradeRecordList::GradeRecordList(platform::WindowController& window, GradeBookVariables& variables,
                                 platform::ViewManager& groupView)
    : BrowseList(window),
      variables_(variables),
      groupView_(groupView),
      status_(field(File::ACTAS, "STATUS")),
      average_(field(File::ACTAS, "PROMEDIO")),
      aliasAverage_(field(File::ACTAS_ALIAS, "PROMEDIO")) {}

void GradeRecordList::configure() {
  addSortOrder();
  appendOrder(kByName);
  setFilter(kFilter);
  addSortOrder(dictionary::DataFileOf(File::ACTAS).decl().keyNamed("PK_ACTA"));
  setNumericStep();
  setLocator("ACT:ID_ACT", false);
  appendOrder(kByRegistration);
  setFilter(kFilter);
  for (const RowField& f : kRowFields) addField(f.source, f.name);
}

bool GradeRecordList::ChooseSortOrder(bool force) {
  auto& sheet = dynamic_cast<platform::ui::SheetControl&>(window().window().control("?CURRENTTAB"));
  return sheet.selectedTab() == 2 ? setSort(1, force) : setSort(2, force);
}

void GradeRecordList::PrepareRow() {
  variables_.Ls_Estatus =
      dictionary::DataFileOf(File::ACTAS).buffer().getLong(status_) != 0 ? "ACREDITADO"_cp1252 : "RECUPERAR"_cp1252;
  BrowseList::prepareRow();
}

int GradeRecordList::ColourPage(Direction direction) {
  const int error = BrowseList::fillPage(direction);
  platform::RecordQueue& rows = queue();
  platform::RecordBuffer& row = rows.buffer();
  static const int average = rowLayout().indexOf("ACT:PROMEDIO");
  for (int i = 1; i <= rows.count(); ++i) {
    rows.get(i);
    const std::int32_t registration = platform::realIsZero(row.getReal(average)) ? kRed : kDefault;
    for (const ColourFields& f : colourFields()) {
      row.setLong(f.colour[kNormalText], f.registration ? registration : kDefault);
      row.setLong(f.colour[kSelectedText], f.registration ? registration : kDefault);
      row.setLong(f.colour[kSelectedBackground], kDefault);
      row.setLong(f.colour[kNormalBackground], i % 2 == 1 ? kOddStripe : kEvenStripe);
    }
    rows.put(i);
  }
  return error;
}

void GradeRecordList::RecountTotals() {
  platform::ui::WaitCursor wait;
  platform::RelationManager& actasRelations = *dictionary::RelationManagerOf(File::ACTAS);
  actasRelations.setQuickScan(true, 0);
  const platform::RecordBuffer& record = dictionary::DataFileOf(File::ACTAS).buffer();
  platform::storage::View& list = view();
  list.restart();
  GradeCounts pair;
  for (;;) {
    const int error = list.next();
    if (error == platform::errors::kRecordNotAvailable) break;
    if (error != platform::errors::kNone) {
      // The totals keep what they showed; the window is asked to close.
      reportReadError(error);
      return;
    }
    PrepareRow();
    pair.count(record.getReal(average_));
  }
  variables_.LL_GCONCALIFICACION = pair.graded;
  variables_.LL_TOTGSCALIFICAR = pair.ungraded;

  StartTeacherGroupView(groupView_);
  const platform::RecordBuffer& alias = dictionary::DataFileOf(File::ACTAS_ALIAS).buffer();
  GradeCounts teacher;
  while (groupView_.view().next() == platform::errors::kNone) teacher.count(alias.getReal(aliasAverage_));
  setText("?STRTOTALUMNOS", teacher.graded + teacher.ungraded);
  setText("?STRGCONCALIFICACION", teacher.graded);
  setText("?STRGSINCALIFICACION", teacher.ungraded);
  setText("?STRTGRUSELECCIONADO", variables_.LL_GCONCALIFICACION + variables_.LL_TOTGSCALIFICAR);

  BrowseList::afterReload();
  actasRelations.setQuickScan(false, 0);
}

void GradeRecordList::setText(const char* label, std::int32_t number) {
  window().window().control(label).setText(std::to_string(number));
}

}  // namespace gradebook
