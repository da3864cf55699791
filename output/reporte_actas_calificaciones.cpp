#include "output/reporte_actas_calificaciones.h"

#include <filesystem>

#include "dictionary/managers.h"
#include "dictionary/program.h"
#include "output/textos_reporte.h"
#include "output/vista_previa_pdf.h"
#include "platform/classes/pdf_report_writer.h"
#include "platform/classes/record_processor.h"
#include "platform/classes/report_controller.h"
#include "platform/core/bindings.h"
#include "platform/core/date_time.h"
#include "platform/core/fixed_text.h"
#include "platform/os/paths.h"
#include "platform/report/report.h"
#include "platform/storage/view.h"
#include "platform/ui/window.h"

namespace output {
namespace {

using dictionary::DataFileOf;
using dictionary::File;
using dictionary::FileManagerOf;
using dictionary::RelationManagerOf;

constexpr const char* kProcedure = "ReporteACTAS_CALIFICACIONES";
constexpr const char* kFilter = "ACT:ID_MAE=Gl_IdMaestro  AND ACT:ID_PACA=Ll_ProAcademico AND ACT:GRUPO=Ls_Grupo";
constexpr const char* kOrder = "ALU:NOMBRE,ACT:ID_ACT";

// The procedure's variables: each call has its own.
struct Variables {
  platform::FixedText<20> Ls_Grupo;
  std::int32_t Ll_ProAcademico = 0;
  platform::FixedText<120> LS_FECHA;
  std::int32_t LL_NO = 0;
  platform::FixedText<14> LS_CALIFICACION_1, LS_CALIFICACION_2, LS_CALIFICACION_3, LS_CALIFICACION_4, LS_CALIFICACION_5;
  std::int32_t thermometer = 0;
};

int field(File file, const char* name) { return DataFileOf(file).decl().fieldNamed(name); }

// Looks a parent record up by its primary key (key 0), its id taken from the grade record.
void lookUp(File parent, const char* idField, const char* gradeRecordField) {
  platform::FileManager* manager = FileManagerOf(parent);
  manager->buffer().setLong(field(parent, idField),
                            DataFileOf(File::ACTAS).buffer().getLong(field(File::ACTAS, gradeRecordField)));
  manager->tryFetch(0);
}

// The learning unit's four captions, upper-cased by the locale in the buffer only.
void upperCaseCaptions() {
  platform::RecordBuffer& unit = DataFileOf(File::UNIDAD_APRENDIZAJE).buffer();
  const platform::Locale& locale = dictionary::program().locale();
  for (const char* caption : {"DESC_UNO", "DESC_DOS", "DESC_TRES", "DESC_CUATRO"}) {
    const int f = field(File::UNIDAD_APRENDIZAJE, caption);
    unit.setText(f, locale.upper(unit.textView(f)));
  }
}

class GradeRecords : public platform::RecordProcessor {
 public:
  GradeRecords(Variables& v, platform::report::Report& report) : v_(v), report_(report) {}

  int takeRecord() override {
    const int level = RecordProcessor::takeRecord();
    const platform::RecordBuffer& acta = DataFileOf(File::ACTAS).buffer();
    const platform::RecordBuffer& unit = DataFileOf(File::UNIDAD_APRENDIZAJE).buffer();
    const struct {
      platform::FixedText<14>& text;
      const char* score;
      const char* weight;
    } scores[] = {{v_.LS_CALIFICACION_1, "PORTAFOLIO", "POR_UNO"},
                  {v_.LS_CALIFICACION_2, "EXAMEN", "POR_DOS"},
                  {v_.LS_CALIFICACION_3, "PARTICIPACION", "POR_TRES"},
                  {v_.LS_CALIFICACION_4, "ENSAYO", "POR_CUATRO"}};
    for (const auto& s : scores)
      s.text = TextoCalificacion(acta.getReal(field(File::ACTAS, s.score)),
                                 unit.getLong(field(File::UNIDAD_APRENDIZAJE, s.weight)));
    v_.LS_CALIFICACION_5 = TextoEstatus(acta.getReal(field(File::ACTAS, "PROMEDIO")));
    ++v_.LL_NO;
    // Every page's heading shows the captions in capitals, not only the first one's.
    upperCaseCaptions();
    report_.print("?DETAIL");
    return level;
  }

 private:
  Variables& v_;
  platform::report::Report& report_;
};

class PdfWriter : public platform::PdfReportWriter {
 public:
  using PdfReportWriter::PdfReportWriter;
  void setUp() override {
    PdfReportWriter::setUp();
    setFileName("");
    setDocumentInfo({"QV Report", "Pelvanto", kProcedure, kProcedure, "", ""});
    setPageBookmarks(false);
    setCompression(true);
  }
};

class Reporte : public platform::ReportController {
 public:
  Reporte(platform::ui::Window& progress, Variables& v, platform::Cp1252View group, std::int32_t programme,
          platform::storage::View& view, GradeRecords& processor, platform::report::Report& report,
          VistaPreviaConPdf& previewer, platform::ReportTargetSelector& selector, PdfWriter& pdf)
      : ReportController(progress, dictionary::program().errors(), kProcedure,
                         {dictionary::ThisThread().Request, dictionary::ThisThread().Response,
                          dictionary::ThisThread().NavigationRequest}),
        v_(v),
        group_(group),
        programme_(programme),
        view_(view),
        processor_(processor),
        report_(report),
        previewer_(previewer),
        selector_(selector),
        pdf_(pdf) {}

  int init() override {
    enterProcedure();
    takeRequest();
    if (const int level = initBase(); level != platform::kLevelBenign) return level;
    setFirstField("?PROGRESS:THERMOMETER");
    setUpWindow();
    v_.Ll_ProAcademico = programme_;
    v_.Ls_Grupo = group_;
    platform::Bindings& names = platform::Bindings::forThread();
    names.bind("Gl_IdMaestro", dictionary::program().Gl_IdMaestro);
    names.bind("Ll_ProAcademico", v_.Ll_ProAcademico);
    names.bind("Ls_Grupo", v_.Ls_Grupo);
    clearCodes();
    RelationManagerOf(File::ACTAS)->setOpenRelated();
    RelationManagerOf(File::ACTAS)->open();
    FileManagerOf(File::ALUMNOS)->open();
    (void)view_.open();  // the record processor opens it again and reports a failure
    dataFilesOpened_ = true;
    openWindow();
    selector_.add(pdf_, true);
    setTargetSelector(&selector_);
    processor_.init(view_, &window(), window().find("?PROGRESS:PCTTEXT"), &v_.thermometer);
    processor_.setPercentSuffix("% Terminado");
    processor_.addSortOrder(kOrder);
    processor_.setFilter(kFilter);
    setCloseControl("?PROGRESS:CANCEL", platform::kResponseCancelled);
    setUp(processor_, report_, &previewer_);
    window().control("?PROGRESS:USERSTRING").setText("");
    RelationManagerOf(File::ACTAS)->setQuickScan(true, 3);
    window().setTimer(10);
    setSkipPreview(false);
    setPreviewZoom(-1);
    previewer_.setIniSettings(&dictionary::program().settings());
    previewer_.setUserZoom(true);
    previewer_.setMaximize(true);
    setAlerts();
    return platform::kLevelBenign;
  }

  int kill() override {
    if (const int level = killBase(); level != platform::kLevelBenign) return level;
    if (dataFilesOpened_) {
      dataFilesOpened_ = false;
      view_.close();
      RelationManagerOf(File::ACTAS)->setQuickScan(false, 3);
      FileManagerOf(File::ALUMNOS)->close();
      RelationManagerOf(File::ACTAS)->close();
    }
    leaveProcedure();
    return platform::kLevelBenign;
  }

  int reset() override {
    lookUps();
    return ReportController::reset();
  }

  int update() override {
    const int level = ReportController::update();
    lookUps();
    return level;
  }

  int takeWindowEvent() override {
    const bool opening = event().kind == platform::ui::EventKind::OpenWindow;
    const int level = ReportController::takeWindowEvent();
    if (opening && reportOpened()) {
      upperCaseCaptions();
      const platform::LocalMoment now = platform::localNow();
      v_.LS_FECHA = TextoFecha(now.date, now.time, dictionary::program().locale());
      const platform::RecordBuffer& unit = DataFileOf(File::UNIDAD_APRENDIZAJE).buffer();
      const std::filesystem::path image =
          platform::os::pathOf(unit.textView(field(File::UNIDAD_APRENDIZAJE, "RUT_IMAGEN")));
      // A file that cannot be loaded leaves the image the sheet defines.
      if (!image.empty()) report_.setImage("?IMAGE2", std::filesystem::absolute(image).string());
    }
    return level;
  }

  int openReport() override {
    const int level = ReportController::openReport();
    if (level == platform::kLevelBenign) report_.showPageNumber("?REPORTPAGENUMBER");
    return level;
  }

  int endReport() override {
    window().handle()->hide();
    return ReportController::endReport();
  }

 private:
  static void lookUps() {
    lookUp(File::ZOLBRANS, "ID_MAE", "ID_MAE");
    lookUp(File::PROGRAMA_ACADEMICO, "ID_PACA", "ID_PACA");
    lookUp(File::UNIDAD_APRENDIZAJE, "ID_UAPR", "ID_UAPR");
    lookUp(File::ALUMNOS, "ID_ALU", "ID_ALU");
  }

  Variables& v_;
  platform::Cp1252Text group_;
  std::int32_t programme_;
  platform::storage::View& view_;
  GradeRecords& processor_;
  platform::report::Report& report_;
  VistaPreviaConPdf& previewer_;
  platform::ReportTargetSelector& selector_;
  PdfWriter& pdf_;
  bool dataFilesOpened_ = false;
};

}  // namespace

void ReporteACTAS_CALIFICACIONES(platform::Cp1252View group, std::int32_t programme) {
  dictionary::Program& program = dictionary::program();
  Variables v;
  platform::Bindings& names = platform::Bindings::forThread();
  platform::BindingScope scope(names);
  names.bind("LS_FECHA", v.LS_FECHA);
  names.bind("LL_NO", v.LL_NO);
  names.bind("LS_CALIFICACION_1", v.LS_CALIFICACION_1);
  names.bind("LS_CALIFICACION_2", v.LS_CALIFICACION_2);
  names.bind("LS_CALIFICACION_3", v.LS_CALIFICACION_3);
  names.bind("LS_CALIFICACION_4", v.LS_CALIFICACION_4);
  names.bind("LS_CALIFICACION_5", v.LS_CALIFICACION_5);
  for (File f : {File::ACTAS, File::ZOLBRANS, File::PROGRAMA_ACADEMICO, File::UNIDAD_APRENDIZAJE, File::ALUMNOS})
    names.bindRecord(DataFileOf(f).decl().prefix, DataFileOf(f).buffer());

  platform::storage::View view(DataFileOf(File::ACTAS), &names);
  view.joinNamed(DataFileOf(File::ZOLBRANS), "MAE:PK_ZOLBRANS", "ACT:ID_MAE");
  view.joinNamed(DataFileOf(File::PROGRAMA_ACADEMICO), "PACA:PK_PROGRAMA_ACADEMICO", "ACT:ID_PACA");
  view.joinNamed(DataFileOf(File::UNIDAD_APRENDIZAJE), "UAPR:PK_UNIDAD_APRENDIZAJE", "ACT:ID_UAPR");
  view.joinNamed(DataFileOf(File::ALUMNOS), "ALU:PK_ALUMNOS", "ACT:ID_ALU");

  platform::ui::Window progress("reporte_actas_calificaciones_progreso", program.locale());
  progress.bind("Thermometer", platform::ui::Variable::of(v.thermometer));
  platform::report::Report report(platform::report::loadReportDefinition("reporte_actas_calificaciones"),
                                  program.locale(), names);

  // Created in this order, disposed of in the reverse one.
  platform::ProcedureCodes codes{dictionary::ThisThread().Request, dictionary::ThisThread().Response,
                                 dictionary::ThisThread().NavigationRequest};
  GradeRecords processor(v, report);
  VistaPreviaConPdf previewer(program.errors(), codes, program.locale());
  platform::ReportTargetSelector selector;
  PdfWriter pdf(program.errors().port(), program.locale());
  Reporte controller(progress, v, group, programme, view, processor, report, previewer, selector, pdf);
  const int response = controller.run();
  dictionary::ThisThread().Response = static_cast<std::uint8_t>(response);
}

}  // namespace output
