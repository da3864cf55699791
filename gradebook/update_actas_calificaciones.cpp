#include "gradebook/update_actas_calificaciones.h"

#include <array>

#include "dictionary/managers.h"
#include "dictionary/program.h"
#include "gradebook/browse_zolbrans.h"
#include "gradebook/form_history.h"
#include "gradebook/grade_rule.h"
#include "platform/classes/control_resizer.h"
#include "platform/classes/lookup_drop_list.h"
#include "platform/classes/window_controller.h"
#include "platform/core/record_queue.h"
#include "platform/ui/window.h"

namespace gradebook {
namespace {

using dictionary::DataFileOf;
using dictionary::File;
using dictionary::FileManagerOf;
using dictionary::RelationManagerOf;

constexpr int kHistoryKey = 0x48 | 0x04000000;  // Ctrl+H
constexpr int kTeacherLookup = 1;               // the number runProcedure knows BrowseZOLBRANS by

constexpr const char* kScoreCaption = "Atención";
constexpr const char* kScoreTooHighText = "Error la calificacion es mayor de 100";

// The score entries, in the order of the score families.
constexpr std::array<const char*, 4> kScoreEntries = {"?ACT:PORTAFOLIO", "?ACT:EXAMEN", "?ACT:PARTICIPACION",
                                                      "?ACT:ENSAYO"};
// The controls that remember their value for the history key, with their field's place in ACTAS.
constexpr std::array<std::pair<const char*, int>, 11> kHistoryFields = {{{"?ACT:GRUPO", 4},
                                                                         {"?ACT:POR_PORTAFOLIO", 10},
                                                                         {"?ACT:PORTAFOLIO", 11},
                                                                         {"?ACT:POR_EXAMEN", 12},
                                                                         {"?ACT:EXAMEN", 13},
                                                                         {"?ACT:POR_PARTICIPACION", 14},
                                                                         {"?ACT:PARTICIPACION", 15},
                                                                         {"?ACT:POR_ENSAYO", 16},
                                                                         {"?ACT:ENSAYO", 17},
                                                                         {"?ACT:STATUS", 19},
                                                                         {"?ACT:PROMEDIO", 18}}};
// Made read-only in view mode, and disabled.
constexpr std::array<const char*, 16> kReadOnlyInView = {
    "?ALU:MATRICULA",      "?ACT:GRUPO",      "?PALU:DESCRIPCION", "?MAE:CLAVE",    "?MAE:NOMBRE",
    "?ACT:POR_PORTAFOLIO", "?ACT:PORTAFOLIO", "?ACT:POR_EXAMEN",   "?ACT:EXAMEN",   "?ACT:POR_PARTICIPACION",
    "?ACT:PARTICIPACION",  "?ACT:POR_ENSAYO", "?ACT:ENSAYO",       "?ACT:PROMEDIO", "?UACA:DESCRIPCION",
    "?ALU:NOMBRE"};
constexpr std::array<const char*, 5> kDisabledInView = {"?ALU:SEXO", "?CALLLOOKUP", "?UAPR:DESCRIPCION",
                                                        "?PACA:DESCRIPCION", "?ACT:STATUS"};

// The rows of the two drop combos: a description and an id.
const platform::RecordLayout& comboRows() {
  static const platform::RecordLayout layout(
      {{"DESCRIPCION", platform::FieldType::String, 120}, {"ID", platform::FieldType::Long}});
  return layout;
}

int field(File file, const char* name) { return DataFileOf(file).decl().fieldNamed(name); }
int key(File file, const char* name) { return DataFileOf(file).decl().keyNamed(name); }

// Puts `value` into the key field of `file` and reads the record by that key; a record that is
// not found leaves the buffer cleared.
void lookUp(File file, const char* keyField, std::int32_t value, const char* keyName) {
  DataFileOf(file).buffer().setLong(field(file, keyField), value);
  FileManagerOf(file)->fetch(key(file, keyName));
}

class GradeForm : public platform::WindowController {
 public:
  GradeForm(platform::ui::Window& window, std::array<std::int32_t, 4>& weights)
      : WindowController(window, dictionary::program().errors(), "UpdateACTAS_CALIFICACIONES",
                         {dictionary::ThisThread().Request, dictionary::ThisThread().Response,
                          dictionary::ThisThread().NavigationRequest}),
        weights_(weights),
        grade_(DataFileOf(File::ACTAS).buffer()),
        units_(*this),
        programmes_(*this),
        resizer_(window) {
    setFirstField("?ALU:MATRICULA:PROMPT");
    setHistory(kHistoryKey, HistoryCopyOf(File::ACTAS));
    for (const auto& [label, place] : kHistoryFields) addHistoryField(label, place);
    setUpdateFile(*FileManagerOf(File::ACTAS));
    setCloseControl("?CANCEL", platform::kResponseCancelled);
    setOkControl("?OK");
    setModeTitle(platform::kRequestChange, "Modificar Calificación");
    setModeTitle(platform::kRequestView, "View Record");
    setModeTitle(platform::kRequestInsert, "Agregar Calificación");
  }

  int init() override {
    if (const int level = WindowController::init()) return level;
    if (request() == platform::kRequestView) {
      for (const char* label : kReadOnlyInView) window().control(label).setReadOnly(true);
      for (const char* label : kDisabledInView) window().control(label).setDisabled(true);
    }
    const QSize size = window().handle()->size();
    resizer_.init(size, size);
    addComponent(resizer_);
    setUpCombo(units_, unitRows_, "?UAPR:DESCRIPCION", File::UNIDAD_APRENDIZAJE, "UAPR", "ID_UAPR", "AK_DESCRIPCION");
    setUpCombo(programmes_, programmeRows_, "?PACA:DESCRIPCION", File::PROGRAMA_ACADEMICO, "PACA", "ID_PACA",
               "AK_DESCRIPCION");
    return platform::kLevelBenign;
  }

  bool openFiles() override {
    platform::RelationManager& grades = *RelationManagerOf(File::ACTAS);
    grades.setOpenRelated();
    grades.open();
    FileManagerOf(File::UNIDAD_APRENDIZAJE_ALIAS)->useFile();
    setPrimary(grades);
    return true;
  }
  void closeFiles() override { RelationManagerOf(File::ACTAS)->close(); }

  // The look-ups of the record's teacher, student, academic unit and student programme; none
  // while the accept-all pass runs.
  void reset(bool force) override {
    if (acceptingAll()) return;
    lookUp(File::ZOLBRANS, "ID_MAE", grade_.getLong(field(File::ACTAS, "ID_MAE")), "PK_ZOLBRANS");
    lookUp(File::ALUMNOS, "ID_ALU", grade_.getLong(field(File::ACTAS, "ID_ALU")), "PK_ALUMNOS");
    const platform::RecordBuffer& student = DataFileOf(File::ALUMNOS).buffer();
    lookUp(File::UNIDAD_ACADEMICA, "ID_UACA", student.getLong(field(File::ALUMNOS, "ID_UACA")), "PK_UNIDAD_ACADEMICA");
    lookUp(File::PROGRAMA_ALUMNO, "ID_PALU", student.getLong(field(File::ALUMNOS, "ID_PALU")), "PK_PROGRAMA_ALUMNO");
    WindowController::reset(force);
  }

  int takeWindowEvent() override {
    const int level = WindowController::takeWindowEvent();
    if (event().kind == platform::ui::EventKind::OpenWindow) readWeights();
    return level;
  }

  int takeAccepted() override {
    const int level = WindowController::takeAccepted();
    const std::string& label = window().control(event().control).label();
    for (std::size_t k = 0; k < kScoreEntries.size(); ++k) {
      if (label == kScoreEntries[k]) takeScore(static_cast<int>(k));
    }
    if (label == "?MAE:CLAVE") {
      takeTeacherKey();
    } else if (label == "?CALLLOOKUP") {
      update();
      if (runProcedure(kTeacherLookup, platform::kRequestSelect) == platform::kResponseCompleted) takeChosenTeacher();
      reset(true);
    } else if (label == "?OK") {
      update();
      if (request() == platform::kRequestView) window().post(platform::ui::EventKind::CloseWindow, event().control);
    }
    return level;
  }

  int runProcedure(int number, int request) override {
    if (number != kTeacherLookup || this->request() == platform::kRequestView) return platform::kResponseCancelled;
    dictionary::ThisThread().Request = static_cast<std::uint8_t>(request);
    BrowseZOLBRANS();
    return dictionary::ThisThread().Response;
  }

 private:
  void setUpCombo(platform::LookupDropList& list, platform::RecordQueue& rows, const char* label, File file,
                  const std::string& prefix, const char* id, const char* order) {
    list.init(label, *RelationManagerOf(file), rows, key(file, order));
    list.addField(prefix + ":DESCRIPCION", "DESCRIPCION");
    list.addField(prefix + ":" + id, "ID");
    list.addUpdateField(prefix + ":" + id, grade_, field(File::ACTAS, id));
  }

  // The weights and captions of the record's learning unit, read once as the window opens. A unit
  // that is not there gives weights of 0 and blank captions.
  void readWeights() {
    platform::RecordBuffer& unit = DataFileOf(File::UNIDAD_APRENDIZAJE_ALIAS).buffer();
    unit.setLong(field(File::UNIDAD_APRENDIZAJE_ALIAS, "ID_UAPR"), grade_.getLong(field(File::ACTAS, "ID_UAPR")));
    FileManagerOf(File::UNIDAD_APRENDIZAJE_ALIAS)->fetch(key(File::UNIDAD_APRENDIZAJE_ALIAS, "PK_UNIDAD_APRENDIZAJE"));
    const std::array<const char*, 4> weightFields = {"POR_UNO", "POR_DOS", "POR_TRES", "POR_CUATRO"};
    for (std::size_t k = 0; k < weights_.size(); ++k)
      weights_[k] = unit.getLong(field(File::UNIDAD_APRENDIZAJE_ALIAS, weightFields[k]));
    window().display();
  }

  // The grade rule for score `family`; a score above 100 is refused with its message and takes
  // the focus back (which also ends the accept-all pass).
  void takeScore(int family) {
    if (!AcceptScore(DataFileOf(File::ACTAS).decl(), grade_, family, weights_[static_cast<std::size_t>(family)])) {
      errors().port().message({kScoreCaption,
                               kScoreTooHighText,
                               platform::MessageIcon::Exclamation,
                               {platform::MessageButton::Ok},
                               platform::MessageButton::Ok});
      select(kScoreEntries[static_cast<std::size_t>(family)]);
    }
    window().display();
  }

  // A teacher key typed (or accepted again): the teacher with that key, or one chosen in the
  // lookup when there is none; the lookup given up leaves the record without a teacher.
  void takeTeacherKey() {
    platform::RecordBuffer& teacher = DataFileOf(File::ZOLBRANS).buffer();
    const bool required = window().control("?MAE:CLAVE").definition().has("required");
    if (teacher.getLong(field(File::ZOLBRANS, "CLAVE")) != 0 || required) {
      if (FileManagerOf(File::ZOLBRANS)->tryFetch(key(File::ZOLBRANS, "AK_CLAVE")) == platform::kLevelBenign) {
        takeChosenTeacher();
      } else if (runProcedure(kTeacherLookup, platform::kRequestSelect) == platform::kResponseCompleted) {
        takeChosenTeacher();
      } else {
        grade_.setLong(field(File::ACTAS, "ID_MAE"), 0);
        select("?MAE:CLAVE");
        return;
      }
    }
    reset(true);
  }

  void takeChosenTeacher() {
    grade_.setLong(field(File::ACTAS, "ID_MAE"),
                   DataFileOf(File::ZOLBRANS).buffer().getLong(field(File::ZOLBRANS, "ID_MAE")));
  }

  std::array<std::int32_t, 4>& weights_;
  platform::RecordBuffer& grade_;
  platform::RecordQueue unitRows_{comboRows()};
  platform::RecordQueue programmeRows_{comboRows()};
  platform::LookupDropList units_;
  platform::LookupDropList programmes_;
  platform::ControlResizer resizer_;
};

}  // namespace

void UpdateACTAS_CALIFICACIONES() {
  std::array<std::int32_t, 4> weights{};  // LL_PROMEDIO_1 to LL_PROMEDIO_4
  platform::ui::Window window("update_actas_calificaciones", dictionary::program().locale());
  for (const auto& [prefix, file] :
       {std::pair{"ACT", File::ACTAS}, std::pair{"ALU", File::ALUMNOS}, std::pair{"MAE", File::ZOLBRANS},
        std::pair{"UACA", File::UNIDAD_ACADEMICA}, std::pair{"PALU", File::PROGRAMA_ALUMNO},
        std::pair{"UAPR", File::UNIDAD_APRENDIZAJE}, std::pair{"PACA", File::PROGRAMA_ACADEMICO},
        std::pair{"AUAPR", File::UNIDAD_APRENDIZAJE_ALIAS}})
    window.bindRecord(prefix, DataFileOf(file).buffer());
  for (std::size_t k = 0; k < weights.size(); ++k)
    window.bind("LL_PROMEDIO_" + std::to_string(k + 1), platform::ui::Variable::of(weights[k]));
  GradeForm form(window, weights);
  dictionary::ThisThread().Response = static_cast<std::uint8_t>(form.run());
}

}  // namespace gradebook
