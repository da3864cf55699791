// The grade sheet run end to end over a small school (tests/fixtures/grade_sheet): what each page
// holds, the progress window, the print preview with its PDF button and menu item, the PDF file
// with its document information, and printing.
#include "output/reporte_actas_calificaciones.h"

#include <gtest/gtest.h>

#include <QImage>
#include <deque>
#include <filesystem>

#include "dictionary/dictionary_test_support.h"
#include "output/vista_previa_pdf.h"
#include "platform/classes/pdf_report_writer.h"
#include "platform/classes/report_previewer.h"
#include "platform/core/date_time.h"
#include "platform/report/pdf_file.h"
#include "platform/ui/message_box.h"
#include "platform/ui/test_robot.h"
#include "platform/ui/toolkit_translation.h"

namespace output {
namespace {

namespace fs = std::filesystem;
using platform::report::PageMetafile;
using platform::ui::MessageDriver;
using platform::ui::WindowDriver;

constexpr const char* kPreview = "Presentación Preliminar";
constexpr const char* kProgress = "Progreso...";

// Message boxes on real widgets for the robot; files and printers answered from queues.
class TestPort : public platform::ui::QtUserPort {
 public:
  using QtUserPort::QtUserPort;
  std::optional<std::string> chooseFileToSave(const platform::SaveFileRequest& request) override {
    fileRequests.push_back(request);
    if (files.empty()) return std::nullopt;
    std::optional<std::string> answer = files.front();
    files.pop_front();
    return answer;
  }
  std::optional<platform::PrinterChoice> choosePrinter(const platform::PrinterRequest& request) override {
    printerRequests.push_back(request);
    return printer;
  }
  std::deque<std::optional<std::string>> files;
  std::vector<platform::SaveFileRequest> fileRequests;
  std::optional<platform::PrinterChoice> printer;
  std::vector<platform::PrinterRequest> printerRequests;
};

class GradeSheetTest : public dictionary::testing::DictionaryTest {
 protected:
  std::string tables() const override { return "grade_sheet"; }

  void SetUp() override {
    DictionaryTest::SetUp();
    QImage unit(60, 30, QImage::Format_RGB32);
    unit.fill(Qt::darkCyan);
    ASSERT_TRUE(unit.save("logo_diseño1.png"));  // the learning unit's image, named with an ñ
    dictionary::ProgramEnvironment env = environment();
    env.port = &messages;
    started = std::make_unique<dictionary::Program>(env);
    dictionary::ApplySpanishLocale(started->locale());
    // As the program starts: the toolkit's own texts in Spanish. The texts the sheet gives in
    // English (the save dialog's title, the zoom choices, the PDF's title) stay as given.
    ASSERT_TRUE(platform::ui::loadToolkitTranslation("es"));
    started->errors().init(&dictionary::ThreadErrorStatus);
    started->settings().init("Zolbrans.INI");
    dictionary::DictionaryInit();
    started->errors().setProcedureName("Main");
    started->Gl_IdMaestro = 1;
  }

  // Runs the sheet with the robot's steps queued before; the pages previewed are kept.
  void run(std::string_view group, std::int32_t programme) {
    platform::PreviewWatch watch([this](const std::vector<PageMetafile>& shown) { pages = shown; });
    robot.run([&] { ReporteACTAS_CALIFICACIONES(platform::Cp1252Text::fromUtf8(group).value(), programme); });
    EXPECT_TRUE(robot.done()) << robot.report();
  }
  void leavePreview() {
    robot.inWindow(kPreview, [](WindowDriver& w) { w.choose("?EXIT"); });
  }
  static std::vector<std::string> texts(const PageMetafile& page, const char* label) { return page.texts(label); }

  TestPort messages{spanish};
  platform::ui::Robot robot;
  std::vector<PageMetafile> pages;
  // Tuesday 8 December 2026, 19:05:09.
  platform::FixedClock clock{{platform::dateSerial(2026, 12, 8), platform::clockValue(19, 5, 9)}};
};

TEST_F(GradeSheetTest, EachPageHoldsItsHeaderRowsAndFooter) {
  leavePreview();
  run("1A", 1);
  EXPECT_EQ(dictionary::ThisThread().Response, platform::kResponseCompleted);
  ASSERT_EQ(pages.size(), 2u) << "40 rows fit a page: the 41st starts page 2";
  const PageMetafile& first = pages[0];
  const PageMetafile& second = pages[1];

  std::vector<std::string> numbers, names;
  for (int n = 1; n <= 40; ++n) numbers.push_back(std::to_string(n));
  for (int n = 1; n <= 39; ++n) {
    names.push_back("Alumno " + std::string(n < 10 ? "0" : "") + std::to_string(n));
    if (n == 5) names.push_back("Alumno 05");
  }
  EXPECT_EQ(texts(first, "?LL_NO"), numbers);
  EXPECT_EQ(texts(first, "?ALU:NOMBRE"), names) << "in the order of the students' names";
  EXPECT_EQ(texts(second, "?LL_NO"), (std::vector<std::string>{"41", "42"}));
  EXPECT_EQ(texts(second, "?ALU:NOMBRE"), (std::vector<std::string>{"Begoña Ruiz", "Zoe Zamora"}));
  EXPECT_EQ(texts(first, "?ALU:MATRICULA")[0], "A-001");

  const std::vector<std::string> portfolio = texts(first, "?LS_CALIFICACION_1");
  const std::vector<std::string> exam = texts(first, "?LS_CALIFICACION_2");
  const std::vector<std::string> participation = texts(first, "?LS_CALIFICACION_3");
  const std::vector<std::string> essay = texts(first, "?LS_CALIFICACION_4");
  const std::vector<std::string> average = texts(first, "?ACT:PROMEDIO");
  const std::vector<std::string> status = texts(first, "?LS_CALIFICACION_5");
  // Rows 1 to 7: 60.0; 59.99; 59.5 (stored as accredited); 85.5 of 30%, 100 of 5% and 100 of 100%;
  // Alumno 05's two records in the order of their ids (50, then 100); no scores at all.
  EXPECT_EQ(std::vector<std::string>(average.begin(), average.begin() + 3),
            (std::vector<std::string>{"60", "60", "60"}));
  EXPECT_EQ(std::vector<std::string>(status.begin(), status.begin() + 3),
            (std::vector<std::string>{"ACREDITADO", "RECUPERAR", "RECUPERAR"}));
  EXPECT_EQ(portfolio[3], " 86, (30%)");
  EXPECT_EQ(exam[3], "100, ( 5%)");
  EXPECT_EQ(participation[3], "100, (##%)");
  EXPECT_EQ(essay[3], "  0, (20%)");
  EXPECT_EQ(portfolio[4], " 70, (30%)") << "id 50 before id 100";
  EXPECT_EQ(portfolio[5], " 10, (30%)");
  EXPECT_EQ(portfolio[6], "  0, (30%)");
  EXPECT_EQ(status[6], "RECUPERAR");

  EXPECT_EQ(texts(first, "?LS_FECHA"), std::vector<std::string>{"MARTES 8 DE DICIEMBRE DE 2026,  7:05:09Pm"});
  EXPECT_EQ(texts(first, "?MAE:NOMBRE"), std::vector<std::string>{"María Fernanda Núñez Peña"});
  EXPECT_EQ(texts(first, "?ACT:GRUPO"), std::vector<std::string>{"1A"});
  EXPECT_EQ(texts(first, "?PACA:DESCRIPCION"), std::vector<std::string>{"Licenciatura en Informática"});
  EXPECT_EQ(texts(first, "?UAPR:DESCRIPCION"), std::vector<std::string>{"Programación Estructurada"});
  EXPECT_EQ(texts(first, "?UAPR:DESC_UNO"), std::vector<std::string>{"PORTAFOLIO"});
  EXPECT_EQ(texts(first, "?UAPR:DESC_TRES"), std::vector<std::string>{"PARTICIPACIÓN"}) << "ó becomes Ó";
  // Page 2 starts with a grade record of another learning unit: its heading shows that unit, in
  // capitals too, while the image stays the first unit's.
  EXPECT_EQ(texts(second, "?UAPR:DESCRIPCION"), std::vector<std::string>{"Matemáticas Discretas"});
  EXPECT_EQ(texts(second, "?UAPR:DESC_TRES"), std::vector<std::string>{"PRÁCTICAS"});
  for (const PageMetafile& page : pages) {
    SCOPED_TRACE(page.number);
    EXPECT_EQ(texts(page, "?REPORTPAGENUMBER"), std::vector<std::string>{std::to_string(page.number)});
    EXPECT_EQ(texts(page, "?STRING17"), std::vector<std::string>{"FIRMA DEL DOCENTE"});
    EXPECT_EQ(texts(page, "?STRING18"), std::vector<std::string>{"Página"});
    EXPECT_TRUE(texts(page, "?ACT:PORTAFOLIO").empty()) << "the form band's fields are hidden";
    std::string image;
    for (const auto& op : page.ops)
      if (const auto* i = std::get_if<platform::report::ImageOp>(&op); i != nullptr && i->label == "?IMAGE2")
        image = i->source;
    EXPECT_EQ(image, fs::absolute("logo_diseño1.png").string());
  }
  const platform::report::TextOp* name = first.textOps("?ALU:NOMBRE")[40 - 1];
  EXPECT_EQ(name->at.y, 2958 + 39 * 156) << "rows go down the detail area";
  EXPECT_EQ(name->font.size, 7);
  EXPECT_EQ(first.textOps("?STRING1")[0]->font.size, 10);
  EXPECT_EQ(fileManager(dictionary::File::ACTAS).openCount(), 0) << "the files are closed again";
}

TEST_F(GradeSheetTest, OnlyTheTeachersGroupOfTheProgrammeAndAGroupCutToTwentyCharacters) {
  leavePreview();
  run("1A                  XYZ", 1);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1].texts("?LL_NO").back(), "42") << "no other teacher's, programme's or group's records";
  started->Gl_IdMaestro = 2;
  leavePreview();
  run("1A", 1);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].texts("?ALU:NOMBRE"), std::vector<std::string>{"Alumno 01"});
  EXPECT_EQ(pages[0].texts("?MAE:NOMBRE"), std::vector<std::string>{"José Ángel Ibáñez Ruiz"});
}

TEST_F(GradeSheetTest, NoMatchingRecordIsMessage25AndNoPreview) {
  robot.inMessage([](MessageDriver& m) {
    EXPECT_EQ(m.caption(), "No hay Registros");
    EXPECT_EQ(m.text(), "No hay ningún registro disponible para procesar.");
    m.press("&Aceptar");
  });
  run("9Z", 1);
  EXPECT_TRUE(pages.empty()) << "no preview";
  EXPECT_EQ(dictionary::ThisThread().Response, platform::kResponseCancelled);
  EXPECT_EQ(started->errors().status().procedure, "Main") << "the procedure's name is withdrawn";
}

TEST_F(GradeSheetTest, CancellingTheProgressWindowPreviewsNothing) {
  robot.inWindow(kProgress, [](WindowDriver& w) {
    // The first rows may be printed already when the robot gets to the window.
    const std::string percent = w.text("?PROGRESS:PCTTEXT");
    EXPECT_TRUE(percent.size() > 11 && percent.substr(percent.size() - 11) == "% Terminado") << percent;
    EXPECT_LT(std::stoi(percent), 100);
    EXPECT_EQ(w.text("?PROGRESS:USERSTRING"), "");
    w.press("?PROGRESS:CANCEL");
  });
  run("1A", 1);
  EXPECT_TRUE(pages.empty());
  EXPECT_EQ(dictionary::ThisThread().Response, platform::kResponseCancelled);
  EXPECT_EQ(fileManager(dictionary::File::ACTAS).openCount(), 0);
}

// The progress window has no system menu, so no close box: the window manager's close (Alt+F4)
// leaves it running, and only "&Cancelar" ends it.
TEST_F(GradeSheetTest, TheProgressWindowRefusesTheWindowManagersClose) {
  robot.inWindow(kProgress, [](WindowDriver& w) { w.closeBox(); });
  robot.inWindow(kProgress, [](WindowDriver& w) {
    EXPECT_LT(std::stoi(w.text("?PROGRESS:PCTTEXT")), 100) << "still printing";
    w.press("?PROGRESS:CANCEL");
  });
  run("1A", 1);
  EXPECT_TRUE(pages.empty());
  EXPECT_EQ(dictionary::ThisThread().Response, platform::kResponseCancelled);
}

TEST_F(GradeSheetTest, ThePdfButtonAndTheMenuItemSaveTheSameWay) {
  const std::string folderName = (folder / "hojas.2026").string();
  fs::create_directories(folderName);
  messages.files = {folderName + "/hoja", folderName + "/copia.pdf", std::nullopt};
  robot.inWindow(kPreview, [](WindowDriver& w) {
    EXPECT_TRUE(w.isItemEnabled("?ARCHIVOGUARDARCOMO"));
    EXPECT_EQ(w.itemText("?SAVEAS"), "Archivo de PDF") << "the item loses its access key";
    EXPECT_TRUE(w.isEnabled("?BOTPDF"));
    EXPECT_EQ(w.statusText(1), "Zoom: A lo ancho de la ventana");
    EXPECT_EQ(w.statusText(2), "Página 1 de 2");
    EXPECT_TRUE(w.isVisible("?ZOOMLIST")) << "the user may zoom";
    w.press("?BOTPDF");
  });
  robot.inWindow(kPreview, [](WindowDriver& w) { w.choose("?SAVEAS"); });
  robot.inWindow(kPreview, [](WindowDriver& w) { w.choose("?SAVEAS"); });  // cancelled: nothing written
  leavePreview();
  run("1A", 1);
  ASSERT_EQ(messages.fileRequests.size(), 3u);
  EXPECT_EQ(messages.fileRequests[0].title, "Save PDF File");
  EXPECT_EQ(messages.fileRequests[0].types,
            (std::vector<std::pair<std::string, std::string>>{{"PDF", "*.PDF"}, {"All", "*.*"}}));
  std::vector<std::string> written;
  for (const auto& entry : fs::directory_iterator(folderName)) written.push_back(entry.path().filename().string());
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, (std::vector<std::string>{"copia.pdf", "hoja.PDF"})) << "\".PDF\" only where the name has no dot";
  for (const std::string& file : written) {
    SCOPED_TRACE(file);
    platform::report::PdfInformation info;
    std::string error;
    ASSERT_TRUE(platform::report::readPdfInformation(folderName + "/" + file, info, error)) << error;
    EXPECT_EQ(info, (platform::report::PdfInformation{"QV Report", "Pelvanto", "ReporteACTAS_CALIFICACIONES",
                                                      "ReporteACTAS_CALIFICACIONES", "", ""}));
    int count = 0;
    std::vector<std::string> bookmarks;
    ASSERT_TRUE(platform::report::readPdfOutline(folderName + "/" + file, count, bookmarks, error)) << error;
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(bookmarks.empty()) << "no page bookmarks";
  }
  const std::optional<platform::WindowPlace> place = started->settings().fetchWindow("_PreviewWindow_");
  ASSERT_TRUE(place.has_value()) << "the preview keeps its place";
  EXPECT_TRUE(place->maximized);
}

TEST_F(GradeSheetTest, ASaveOrAPrintThatFailsIsToldInSpanish) {
  const std::string missing = (folder / "sin carpeta").string();
  messages.files = {missing + "/hoja.pdf"};
  messages.printer = platform::PrinterChoice{"", missing + "/impresa.pdf"};
  robot.inWindow(kPreview, [](WindowDriver& w) { w.press("?BOTPDF"); });
  robot.inMessage([missing](MessageDriver& m) {
    EXPECT_EQ(m.caption(), "PDF");
    EXPECT_EQ(m.text(),
              "No se pudo escribir el archivo PDF " + missing + "/hoja.pdf:\nNO se encontró el Path del archivo");
    EXPECT_TRUE(m.showsExclamation());
    m.press("&Aceptar");
  });
  robot.inWindow(kPreview, [](WindowDriver& w) { w.press("?TBARPRINT"); });
  robot.inMessage([](MessageDriver& m) {
    EXPECT_EQ(m.caption(), "ReporteACTAS_CALIFICACIONES");
    EXPECT_EQ(m.text(), "No se pudo imprimir el reporte: Error de entrada/salida...");
    m.press("&Aceptar");
  });
  run("1A", 1);
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(GradeSheetTest, PrintingSendsTheChosenPagesToThePrinter) {
  const std::string printed = (folder / "impreso.pdf").string();
  messages.printer = platform::PrinterChoice{"", printed};
  robot.inWindow(kPreview, [](WindowDriver& w) { w.choose("?PAGESTOPRINT"); });
  robot.inWindow("Escriba las Páginas", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?PAGESTOPRINT"), "1-2");
    w.type("?PAGESTOPRINT", "2");
    w.press("?OK");
  });
  robot.inWindow(kPreview, [](WindowDriver& w) { w.press("?TBARPRINT"); });
  run("1A", 1);
  ASSERT_EQ(messages.printerRequests.size(), 1u);
  EXPECT_EQ(messages.printerRequests[0].pageCount, 1);
  int count = 0;
  std::vector<std::string> bookmarks;
  std::string error;
  ASSERT_TRUE(platform::report::readPdfOutline(printed, count, bookmarks, error)) << error;
  EXPECT_EQ(count, 1) << "only page 2";
  EXPECT_TRUE(started->settings().fetchWindow("_PreviewAskPagesWindow_").has_value());
}

// The preview on its own: what it offers for saving by the number of targets.
class PreviewTargetsTest : public GradeSheetTest {
 protected:
  std::vector<PageMetafile> twoPages() {
    std::vector<PageMetafile> p(2);
    for (int i = 0; i < 2; ++i) p[static_cast<std::size_t>(i)] = {i + 1, 8500, 11000, {}};
    return p;
  }
  platform::ProcedureCodes codes() {
    return {dictionary::ThisThread().Request, dictionary::ThisThread().Response,
            dictionary::ThisThread().NavigationRequest};
  }
};

TEST_F(PreviewTargetsTest, WithoutTargetsOrWithSeveralNothingIsOffered) {
  const std::vector<PageMetafile> shown = twoPages();
  platform::PdfReportWriter one(messages, started->locale()), two(messages, started->locale());
  platform::ReportTargetSelector none, several;
  several.add(one);
  several.add(two);
  for (platform::ReportTargetSelector* selector :
       {static_cast<platform::ReportTargetSelector*>(nullptr), &none, &several}) {
    VistaPreviaConPdf previewer(started->errors(), codes(), started->locale());
    previewer.setTargetSelector(selector);
    const bool disabledItem = selector != &several;
    robot.inWindow(kPreview, [disabledItem](WindowDriver& w) {
      EXPECT_FALSE(w.isItemEnabled("?ARCHIVOGUARDARCOMO"));
      EXPECT_EQ(w.isItemEnabled("?SAVEAS"), !disabledItem);
      EXPECT_EQ(w.itemText("?SAVEAS"), "Archivo de &Pdf");
      EXPECT_FALSE(w.isEnabled("?BOTPDF"));
      EXPECT_FALSE(w.isVisible("?ZOOMLIST")) << "no user zoom asked for";
      w.choose("?NEXT");
    });
    robot.inWindow(kPreview, [](WindowDriver& w) {
      EXPECT_EQ(w.statusText(2), "Página 2 de 2");
      EXPECT_TRUE(w.isItemEnabled("?PREVIOUS"));
      EXPECT_FALSE(w.isItemEnabled("?NEXT"));
      w.closeBox();
    });
    bool print = true;
    robot.run([&] { print = previewer.display(shown); });
    EXPECT_TRUE(robot.done()) << robot.report();
    EXPECT_FALSE(print) << "closing prints nothing";
  }
  EXPECT_TRUE(messages.fileRequests.empty());
}

TEST_F(PreviewTargetsTest, ZoomChoicesPagesAcrossAndJumping) {
  std::vector<PageMetafile> shown = twoPages();
  shown.push_back({3, 8500, 11000, {}});
  VistaPreviaConPdf previewer(started->errors(), codes(), started->locale());
  previewer.setUserZoom(true);
  robot.inWindow(kPreview, [](WindowDriver& w) {
    EXPECT_EQ(w.choices("?ZOOMLIST"), (std::vector<std::string>{"Tile pages", "Page Width", "50% Zoom", "75% Zoom",
                                                                "100% Zoom", "200% Zoom", "300% Zoom"}));
    w.type("?ZOOMLIST", "150");
    w.key(Qt::Key_Return);
  });
  robot.inWindow(kPreview, [](WindowDriver& w) {
    EXPECT_EQ(w.statusText(1), "Zoom: 150%");
    EXPECT_EQ(w.text("?ZOOMLIST"), "150% Zoom");
    w.type("?ZOOMLIST", "75% Zoom");
    w.key(Qt::Key_Return);
  });
  robot.inWindow(kPreview, [](WindowDriver& w) {
    EXPECT_EQ(w.statusText(1), "Zoom: 75%");
    w.choose("?JUMP");
  });
  robot.inWindow("Seleccionar Página", [](WindowDriver& w) {
    w.type("?JUMPPAGE", "3");
    w.press("?OK");
  });
  robot.inWindow(kPreview, [](WindowDriver& w) {
    EXPECT_EQ(w.statusText(2), "Página 3 de 3");
    w.choose("?CHANGEDISPLAY");
  });
  robot.inWindow("Cambio de Vista", [](WindowDriver& w) {
    w.type("?PAGESACROSS", "2");
    w.press("?OK");
  });
  robot.inWindow(kPreview, [](WindowDriver& w) {
    EXPECT_EQ(w.text("?PAGESACROSS"), "2");
    EXPECT_EQ(w.statusText(2), "Página 3 de 3");
    w.choose("?PREVIOUS");
  });
  robot.inWindow(kPreview, [](WindowDriver& w) {
    EXPECT_EQ(w.statusText(2), "Página 1-2 de 3");
    EXPECT_FALSE(w.isItemEnabled("?PREVIOUS"));
    w.press("?TBAREXIT");
  });
  robot.run([&] { previewer.display(shown, 33); });
  EXPECT_TRUE(robot.done()) << robot.report();
}

// The zoom list's texts are the program's (UTF-8) and its entry holds code page 1252: a choice with
// an accent shows as written, and typed, it is that choice.
TEST_F(PreviewTargetsTest, AZoomChoiceWithAnAccentShowsAsWrittenAndTypedIsThatChoice) {
  const std::vector<PageMetafile> shown = twoPages();
  VistaPreviaConPdf previewer(started->errors(), codes(), started->locale());
  platform::PreviewTexts texts = previewer.texts();
  texts.zoomChoices.push_back({"Página doble", "Zoom: dos páginas", 150});
  previewer.setTexts(texts);
  previewer.setUserZoom(true);
  robot.inWindow(kPreview, [](WindowDriver& w) {
    w.type("?ZOOMLIST", "Página doble");
    w.key(Qt::Key_Return);
  });
  robot.inWindow(kPreview, [](WindowDriver& w) {
    EXPECT_EQ(w.statusText(1), "Zoom: dos páginas");
    EXPECT_EQ(w.text("?ZOOMLIST"), "Página doble");
    w.press("?TBAREXIT");
  });
  robot.run([&] { previewer.display(shown); });
  EXPECT_TRUE(robot.done()) << robot.report();
  EXPECT_EQ(previewer.zoom(), 150);
}

// The toolbar's prompts take the focus from the print button to their controls, so that the Return
// pressed next does not print the sheet.
TEST_F(PreviewTargetsTest, TheToolbarsAccessKeysFocusTheControlsAfterTheirPrompts) {
  const std::vector<PageMetafile> shown = twoPages();
  VistaPreviaConPdf previewer(started->errors(), codes(), started->locale());
  previewer.setUserZoom(true);
  robot.inWindow(kPreview, [](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?TBARPRINT");
    w.key(Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(w.focusLabel(), "?CURRENTPAGE");
    w.key(Qt::Key_Return);
  });
  robot.inWindow(kPreview, [](WindowDriver& w) {
    EXPECT_TRUE(w.isVisible("?CURRENTPAGE")) << "Return left the preview open";
    for (const auto& [key, label] : std::vector<std::pair<Qt::Key, std::string>>{
             {Qt::Key_U, "?PAGESACROSS"}, {Qt::Key_R, "?PAGESDOWN"}, {Qt::Key_O, "?ZOOMLIST"}}) {
      w.key(key, Qt::AltModifier);
      EXPECT_EQ(w.focusLabel(), label);
    }
    w.press("?TBAREXIT");
  });
  bool print = true;
  robot.run([&] { print = previewer.display(shown); });
  EXPECT_TRUE(robot.done()) << robot.report();
  EXPECT_FALSE(print);
}

// The demo school's largest group saved as a PDF, and the preview's picture, to look at them.
class DemoSheetTest : public GradeSheetTest {
 protected:
  std::string tables() const override { return ""; }
};

TEST_F(DemoSheetTest, Screenshots) {
  const char* out = std::getenv("GRADEBOOK_SCREENSHOTS");
  if (out == nullptr) GTEST_SKIP() << "GRADEBOOK_SCREENSHOTS is not set";
  const std::string dir = out;
  dictionary::DictionaryKill();
  const datatool::Result loaded = datatool::loadFolder(
      folder, dictionary::testing::fixture("demo").parent_path().parent_path().parent_path() / "tools" / "demo", true);
  ASSERT_TRUE(loaded.ok()) << loaded.error;
  dictionary::DictionaryInit();
  messages.files = {dir + "/grade_sheet.pdf"};
  robot.inWindow(kPreview, [dir](WindowDriver& w) {
    w.grab(dir + "/grade_sheet_preview.png");
    w.press("?BOTPDF");
  });
  leavePreview();
  run("1A", 1);
  EXPECT_FALSE(pages.empty());
}

}  // namespace
}  // namespace output
