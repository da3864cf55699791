// Main: the grade book window "Calificaciones". It sets the Spanish locale, makes the names of the
// grade-record filters known, opens the grade records, has the teacher sign in (nobody signed in
// ends the program) and shows the teacher's (programme, group) pairs, the grade records of the pair
// it shows with their counts, and the teacher's counts. "&Modificar" changes a record in the grade
// form, "&Imprimir" prints the shown pair's grade sheet, "Exportar" exports the teacher's grade
// records, "&Cerrar" closes after a question when ungraded records remain.
#include "gradebook/grade_book.h"

#include <QWidget>
#include <optional>
#include <string>

#include "dictionary/managers.h"
#include "dictionary/program.h"
#include "dictionary/spanish_locale.h"
#include "gradebook/comprobar_usuario.h"
#include "gradebook/grade_record_list.h"
#include "platform/classes/control_resizer.h"
#include "platform/classes/view_manager.h"
#include "platform/classes/window_controller.h"
#include "platform/core/bindings.h"
#include "platform/core/number_text.h"
#include "platform/core/record_queue.h"
#include "platform/core/runtime_errors.h"
#include "platform/ui/controls/drop_list_control.h"
#include "platform/ui/toolkit_translation.h"
#include "platform/ui/window.h"

namespace gradebook {
namespace {

using dictionary::File;
using platform::kLevelBenign;
using platform::kLevelNotify;
using platform::MessageButton;
using namespace platform::literals;

constexpr const char* kQuestionCaption = "Atención";
constexpr const char* kContinueQuestion = " Alumno(s) no tiene(n) Calificación, Desea Continuar ?";
constexpr const char* kLeaveQuestion = " Alumno(s) no tiene(n) Calificación, Desea Salir ?";

// QGRU: the teacher's (programme, group) pairs.
enum PairField { LS_DESCRIPCION, LS_GRUPO, LL_ID };
const platform::RecordLayout& pairLayout() {
  static const platform::RecordLayout layout({{"LS_DESCRIPCION", platform::FieldType::String, 120},
                                              {"LS_GRUPO", platform::FieldType::String, 20},
                                              {"LL_ID", platform::FieldType::String, 20}});
  return layout;
}

// The grade form, the grade sheet and the export, as the program was given them.
const dictionary::Procedures& procedures() { return dictionary::program().environment().procedures; }

class GradeBookWindow : public platform::WindowController {
 public:
  GradeBookWindow(platform::ui::Window& window, GradeBookVariables& variables, platform::RecordQueue& QGRU,
                  platform::RecordQueue& rows, platform::ViewManager& listView, platform::ViewManager& groupView)
      : WindowController(window, dictionary::program().errors(), "Main",
                         {dictionary::ThisThread().Request, dictionary::ThisThread().Response,
                          dictionary::ThisThread().NavigationRequest}),
        variables_(variables),
        QGRU_(QGRU),
        rows_(rows),
        listView_(listView),
        groupView_(groupView),
        list_(*this, variables, groupView),
        resizer_(window) {}

  int init() override {
    enterProcedure();
    takeRequest();
    if (const int level = initBase()) return level;
    setFirstField("?BROWSE:1");
    setUpWindow();
    dictionary::ApplySpanishLocale(dictionary::program().locale());
    // The toolkit's own dialogs and menus (file, folder and print dialogs, an entry's context menu)
    // speak Spanish too; without its translation installed they stay in English.
    platform::ui::loadToolkitTranslation("es");
    bindNames();
    addToolbarDispatcher(toolbar_);
    clearCodes();
    setCloseControl("?CLOSE", platform::kResponseCompleted);
    openProcedureFiles();
    list_.init("?BROWSE:1", listView_, rows_);
    if (request() != platform::kRequestView) list_.setChangeControl("?CHANGE:3");
    Comprobar_Usuario();
    if (dictionary::program().Gl_IdMaestro == 0) dictionary::HaltProgram();
    openWindow();
    list_.configure();
    resizer_.init(window().handle()->size());
    addComponent(resizer_);
    list_.setUpdateProcedure(1);
    setAlerts();
    return kLevelBenign;
  }

  bool openFiles() override {
    platform::RelationManager& actas = *dictionary::RelationManagerOf(File::ACTAS);
    actas.setOpenRelated();
    actas.open();
    platform::RelationManager& alias = *dictionary::RelationManagerOf(File::ACTAS_ALIAS);
    alias.setOpenRelated();
    alias.open();
    listView_.open();
    pairList().setRows(&QGRU_);
    return true;
  }

  void closeFiles() override {
    listView_.close();
    groupView_.close();
    dictionary::RelationManagerOf(File::ACTAS)->close();
    dictionary::RelationManagerOf(File::ACTAS_ALIAS)->close();
  }

  int kill() override {
    if (const int level = killBase()) return level;
    closeFilesIfOpened();
    names_.reset();
    leaveProcedure();
    return kLevelBenign;
  }

  // The list asks the grade form to change its selected record.
  int runProcedure(int number, int request) override {
    if (number != 1) return platform::kResponseCancelled;
    dictionary::ThisThread().Request = static_cast<std::uint8_t>(request);
    procedures().UpdateACTAS_CALIFICACIONES();
    return dictionary::ThisThread().Response;
  }

  int takeAccepted() override {
    const int level = WindowController::takeAccepted();
    const int control = event().control;
    if (control == window().find("?BOTBUSCAR")) {
      update();
      search();
    } else if (control == window().find("?BOTIMPRIMIR")) {
      update();
      print();
    } else if (control == window().find("?BUTTON6")) {
      update();
      exportGradeRecords();
    }
    return level;
  }

  int takeWindowEvent() override {
    const int level = WindowController::takeWindowEvent();
    switch (event().kind) {
      case platform::ui::EventKind::OpenWindow:
        opening();
        break;
      case platform::ui::EventKind::CloseWindow:
        return mayClose() ? level : kLevelNotify;
      default:
        break;
    }
    return level;
  }

 private:
  // The names the grade-record filters use, for as long as the window lives.
  void bindNames() {
    platform::Bindings& names = platform::Bindings::forThread();
    names_.emplace(names);
    dictionary::Program& program = dictionary::program();
    names.bind("Gl_IdMaestro", program.Gl_IdMaestro);
    names.bind("Ll_ProAcademico", variables_.Ll_ProAcademico);
    names.bind("Ls_Grupo", variables_.Ls_Grupo);
    names.bind("Gs_Maestro", program.Gs_Maestro);
    names.bind("Ls_Estatus", variables_.Ls_Estatus);
  }

  platform::ui::DropListControl& pairList() {
    return dynamic_cast<platform::ui::DropListControl&>(window().control("?LIST2"));
  }

  // Fills QGRU with the teacher's pairs and counts the teacher's graded and ungraded records, then
  // shows the first pair.
  void opening() {
    StartTeacherGroupView(groupView_);
    const platform::RecordBuffer& alias = dictionary::DataFileOf(File::ACTAS_ALIAS).buffer();
    const platform::RecordBuffer& programme = dictionary::DataFileOf(File::PROGRAMA_ACADEMICO).buffer();
    const auto& aliasDecl = dictionary::DataFileOf(File::ACTAS_ALIAS).decl();
    const auto& programmeDecl = dictionary::DataFileOf(File::PROGRAMA_ACADEMICO).decl();
    const int average = aliasDecl.fieldNamed("PROMEDIO"), group = aliasDecl.fieldNamed("GRUPO");
    const int description = programmeDecl.fieldNamed("DESCRIPCION"), id = programmeDecl.fieldNamed("ID_PACA");
    GradeCounts teacher;
    platform::Cp1252Text previousPair;
    const platform::Locale& locale = dictionary::program().locale();
    while (groupView_.view().next() == platform::errors::kNone) {
      teacher.count(alias.getReal(average));
      const platform::Cp1252Text pair = platform::Cp1252Text(trimRight(programme.textView(description))) + "-"_cp1252 +
                                        trimRight(alias.textView(group));
      if (locale.equal(pair, previousPair)) continue;
      platform::RecordBuffer& entry = QGRU_.buffer();
      entry.setText(LS_DESCRIPCION, programme.textView(description));
      entry.setText(LS_GRUPO, alias.textView(group));
      entry.setText(LL_ID, platform::Cp1252Text::decimal(programme.getLong(id)));
      QGRU_.append();
      previousPair = pair;
    }
    QGRU_.sort(locale, "QGRU:LS_DESCRIPCION,QGRU:LS_GRUPO");
    pairList().refresh();
    pairList().select(1);
    window().select(window().find("?LIST2"));
    applySelectedPair();
    reset(true);
    window().control("?STRTOTALUMNOS").setText(std::to_string(teacher.graded + teacher.ungraded));
    window().control("?STRGCONCALIFICACION").setText(std::to_string(teacher.graded));
    window().control("?STRGSINCALIFICACION").setText(std::to_string(teacher.ungraded));
    window().display();
    groupView_.close();
  }

  // The pair of the selected row of ?LIST2 becomes the shown pair. With no row selected the
  // buffer of QGRU keeps the pair it held.
  void applySelectedPair() {
    QGRU_.get(pairList().selected());
    variables_.Ll_ProAcademico = platform::leadingWholeNumber(QGRU_.buffer().textView(LL_ID).bytes());
    variables_.Ls_Grupo = QGRU_.buffer().getText(LS_GRUPO);
  }

  void search() {
    applySelectedPair();
    reset(true);
  }

  // The shown pair's grade sheet: the pair in the buffer of QGRU, whatever row ?LIST2 has selected.
  void print() {
    if (variables_.LL_TOTGSCALIFICAR != 0 &&
        !confirmed(std::to_string(variables_.LL_TOTGSCALIFICAR) + kContinueQuestion, MessageButton::No))
      return;
    procedures().ReporteACTAS_CALIFICACIONES(QGRU_.buffer().getText(LS_GRUPO),
                                             platform::leadingWholeNumber(QGRU_.buffer().textView(LL_ID).bytes()));
  }

  void exportGradeRecords() {
    const std::string ungraded = window().control("?STRGSINCALIFICACION").text();
    if (platform::leadingWholeNumber(ungraded) != 0 && !confirmed(ungraded + kContinueQuestion, MessageButton::No))
      return;
    procedures().Dlg_Exportacion(platform::leadingWholeNumber(window().control("?STRTOTALUMNOS").text()));
  }

  bool mayClose() {
    const std::string ungraded = window().control("?STRGSINCALIFICACION").text();
    return platform::leadingWholeNumber(ungraded) == 0 || confirmed(ungraded + kLeaveQuestion, MessageButton::No);
  }

  bool confirmed(const std::string& text, MessageButton defaultButton) {
    return errors().port().message({kQuestionCaption,
                                    text,
                                    platform::MessageIcon::Exclamation,
                                    {MessageButton::Yes, MessageButton::No},
                                    defaultButton}) == MessageButton::Yes;
  }

  GradeBookVariables& variables_;
  platform::RecordQueue& QGRU_;
  platform::RecordQueue& rows_;
  platform::ViewManager& listView_;
  platform::ViewManager& groupView_;
  platform::ToolbarDispatcher toolbar_;
  std::optional<platform::BindingScope> names_;
  GradeRecordList list_;
  platform::ControlResizer resizer_;
};

}  // namespace

void Main() {
  GradeBookVariables variables;
  platform::RecordQueue QGRU(pairLayout(), "QGRU");
  platform::RecordQueue rows(GradeRecordList::rowLayout());
  platform::ui::Window window("calificaciones", dictionary::program().locale());
  window.bind("LL_GCONCALIFICACION", platform::ui::Variable::of(variables.LL_GCONCALIFICACION));
  window.bind("LL_TOTGSCALIFICAR", platform::ui::Variable::of(variables.LL_TOTGSCALIFICAR));
  const platform::Bindings* names = &platform::Bindings::forThread();
  platform::ViewManager listView(*dictionary::FileManagerOf(File::ACTAS), names);
  listView.joinNamed(*dictionary::FileManagerOf(File::PROGRAMA_ACADEMICO), "PACA:PK_PROGRAMA_ACADEMICO", "ACT:ID_PACA");
  listView.joinNamed(*dictionary::FileManagerOf(File::ALUMNOS), "ALU:PK_ALUMNOS", "ACT:ID_ALU");
  platform::ViewManager groupView(*dictionary::FileManagerOf(File::ACTAS_ALIAS), names);
  groupView.joinNamed(*dictionary::FileManagerOf(File::PROGRAMA_ACADEMICO), "PACA:PK_PROGRAMA_ACADEMICO",
                      "AACT:ID_PACA");
  GradeBookWindow controller(window, variables, QGRU, rows, listView, groupView);
  dictionary::ThisThread().Response = static_cast<std::uint8_t>(controller.run());
}

}  // namespace gradebook
