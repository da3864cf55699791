// The classes that run reports, over a small file of players: the PDF writer's file name, the
// target selector, the record processor's progress, and the report controller's run (rows, no
// rows, cancel) on real widgets.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "platform/classes/manager_test_support.h"
#include "platform/classes/pdf_report_writer.h"
#include "platform/classes/record_processor.h"
#include "platform/classes/report_controller.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/testing/status_matchers.h"
#include "platform/ui/test_robot.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using storage::testing::IsOk;
using testing::kPlayerId;
using testing::kPlayerName;
using testing::kPlayerTeam;

TEST(PdfReportWriterTest, AsksForTheFileAndAddsTheExtensionWhereTheNameHasNone) {
  const struct {
    std::optional<std::string> answer;
    bool prepared;
    const char* fileName;
  } cases[] = {{"/tmp/hojas/acta", true, "/tmp/hojas/acta.PDF"},
               {"/tmp/hojas.2026/acta", true, "/tmp/hojas.2026/acta.PDF"},
               {"/tmp/hojas/acta.pdf", true, "/tmp/hojas/acta.pdf"},
               {"/tmp/hojas/acta.", true, "/tmp/hojas/acta."},
               {std::nullopt, false, ""}};
  for (const auto& c : cases) {
    ScriptedPort port;
    port.answerFile(c.answer);
    const Locale locale;
    PdfReportWriter writer(port, locale);
    writer.setFileName("left over");
    EXPECT_EQ(writer.prepare(), c.prepared);
    EXPECT_EQ(writer.fileName(), c.fileName);
    ASSERT_EQ(port.fileRequests().size(), 1u);
    EXPECT_EQ(port.fileRequests()[0].title, "Save PDF File");
    EXPECT_TRUE(writer.options().pageBookmarks) << "the platform's default";
    EXPECT_EQ(writer.name(), "PDF");
  }
}

TEST(PdfReportWriterTest, AFileThatCannotBeWrittenIsToldInTheLocalesWords) {
  ScriptedPort port;
  Locale locale;
  PdfReportWriter writer(port, locale);
  report::PageMetafile page{1, 8500, 11000, {}};
  writer.setFileName("/no such folder/acta.pdf");
  EXPECT_FALSE(writer.write({&page}));
  ASSERT_EQ(port.shown().size(), 1u);
  EXPECT_EQ(port.last().caption, "PDF");
  EXPECT_EQ(port.last().text, "The PDF file /no such folder/acta.pdf could not be written:|Path not found");
  locale.setText(PlatformText::PdfNotWritten, "No se escribi\xF3 %1:|%2");
  locale.setErrorText(errors::kPathNotFound, "Ruta inexistente");
  EXPECT_FALSE(writer.write({&page}));
  ASSERT_EQ(port.shown().size(), 2u);
  EXPECT_EQ(port.last().text, "No se escribió /no such folder/acta.pdf:|Ruta inexistente");
}

TEST(ReportTargetSelectorTest, SelectsTheOnlyEnabledTargetOrTheOneChosen) {
  ScriptedPort port;
  const Locale locale;
  PdfReportWriter a(port, locale), b(port, locale);
  ReportTargetSelector selector;
  EXPECT_EQ(selector.select(), nullptr);
  selector.add(a);
  selector.add(b, false);
  EXPECT_EQ(selector.count(), 1);
  EXPECT_EQ(selector.select(), &a);
  selector.setEnabled(1, true);
  EXPECT_EQ(selector.count(), 2);
  EXPECT_EQ(selector.select(), nullptr) << "several and none chosen";
  selector.choose(1);
  EXPECT_EQ(selector.select(), &b);
}

// Its timer gives the robot a second to cancel before the first rows are printed.
const char* kProgressWindow = R"({"title": "Progress", "at": [null, null, 142, 59], "timer": 100, "controls": [
  {"label": "?BAR", "kind": "progress", "at": [15, 15, 111, 12], "use": "Thermometer"},
  {"label": "?PCT", "kind": "prompt", "at": [0, 30, 141, 10], "text": ""},
  {"label": "?CANCEL", "kind": "button", "at": [41, 40, 60, 18], "text": "Cancel"}]})";

const char* kPlayersReport = R"({"detailArea": [0, 1000, 8000, 1000], "bands": [
  {"label": "?DETAIL", "kind": "detail", "at": [0, 0, 8000, 200], "controls": [
    {"label": "?NAME", "kind": "string", "at": [0, 0, 3000, 200], "use": "PLA:NAME", "picture": "@s20"}]}]})";

class ReportClassesTest : public testing::ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    reporter.addMessages({{kMessageNoRecords, kLevelNotify, "No records", "Nothing to print."}});
    players = std::make_unique<storage::DataFile>(playerDecl, *session);
    ASSERT_EQ(players->create(), 0);
    ASSERT_EQ(players->open(), 0);
    const char* names[] = {"Zoe", "Ana", "Luis", "Berta", "Ivan", "Carla", "Dora"};
    for (int i = 0; i < 7; ++i) {
      players->buffer().clear();
      players->buffer().setLong(kPlayerId, i + 1);
      players->buffer().setLong(kPlayerTeam, i % 2 + 1);
      players->buffer().setText(kPlayerName, platform::Cp1252View::ofBytes(names[i]));
      ASSERT_EQ(players->add(), 0);
    }
    names_.bindRecord("PLA", players->buffer());
  }
  void TearDown() override {
    players.reset();  // before the session goes
    ManagerTest::TearDown();
  }

  // A processor that prints each record into the report.
  class Printer : public RecordProcessor {
   public:
    explicit Printer(report::Report& report) : report_(report) {}
    int takeRecord() override {
      report_.print();
      return RecordProcessor::takeRecord();
    }

   private:
    report::Report& report_;
  };

  // Runs the report over the players that pass `filter`, in name order.
  int run(const std::string& filter, ui::Robot* robot = nullptr) {
    ui::Window window(ui::parseWindowDefinition(kProgressWindow, "progress", ui::ControlKinds::standard()), locale);
    window.bind("Thermometer", ui::Variable::of(thermometer));
    report::Report report(report::parseReportDefinition(kPlayersReport, "players"), locale, names_);
    storage::View view(*players, &names_);
    Printer printer(report);
    printer.init(view, &window, window.find("?PCT"), &thermometer);
    printer.setFilter(filter);
    printer.addSortOrder("PLA:NAME");
    std::uint8_t request = 0, response = 0;
    std::int32_t navigation = 0;
    ReportController controller(window, reporter, "Players", {request, response, navigation});
    controller.setUp(printer, report, nullptr);
    controller.setSkipPreview(true);
    controller.setCloseControl("?CANCEL", kResponseCancelled);
    int result = 0;
    const auto body = [&] { result = controller.run(); };
    if (robot != nullptr)
      robot->run(body);
    else
      body();
    pages = report.pages();
    rows = controller.rowsPrinted();
    return result;
  }

  Bindings names_;
  std::unique_ptr<storage::DataFile> players;
  std::int32_t thermometer = -1;
  std::vector<report::PageMetafile> pages;
  std::int64_t rows = 0;
};

TEST_F(ReportClassesTest, EveryRecordIsPrintedInOrderAndTheProgressReachesTheEnd) {
  EXPECT_EQ(run(""), kResponseCompleted);
  EXPECT_EQ(rows, 7);
  ASSERT_EQ(pages.size(), 2u) << "five rows of 200 fit an area of 1000";
  EXPECT_EQ(pages[0].texts("?NAME"), (std::vector<std::string>{"Ana", "Berta", "Carla", "Dora", "Ivan"}));
  EXPECT_EQ(pages[1].texts("?NAME"), (std::vector<std::string>{"Luis", "Zoe"}));
  EXPECT_EQ(thermometer, 100);
  EXPECT_TRUE(port.shown().empty());
}

TEST_F(ReportClassesTest, NoRecordIsTheNoRecordsMessageAndACancelledRun) {
  EXPECT_EQ(run("PLA:TEAM=9"), kResponseCancelled);
  ASSERT_EQ(port.shown().size(), 1u);
  EXPECT_EQ(port.last().caption, "No records");
  EXPECT_TRUE(pages.empty());
}

TEST_F(ReportClassesTest, RecordsThatCannotBeReadAreToldInTheLocalesWords) {
  EXPECT_EQ(run("PLA:NOSUCHFIELD=1"), kResponseCancelled);
  ASSERT_EQ(port.shown().size(), 1u);
  EXPECT_EQ(port.last().caption, "Players");
  EXPECT_EQ(port.last().text, "The records cannot be read (error 95).");
  locale.setText(PlatformText::RecordsNotRead, "Sin registros: %2 (%1)");
  locale.setErrorText(errors::kInvalidFilter, "Filtro inv\xE1lido");
  EXPECT_EQ(run("PLA:NOSUCHFIELD=1"), kResponseCancelled);
  ASSERT_EQ(port.shown().size(), 2u);
  EXPECT_EQ(port.last().text, "Sin registros: Filtro inválido (95)");
  EXPECT_TRUE(pages.empty());
}

TEST_F(ReportClassesTest, CancellingDiscardsThePagesPrintedSoFar) {
  ui::Robot robot;
  robot.inWindow("Progress", [](ui::WindowDriver& w) {
    EXPECT_EQ(w.text("?PCT"), "0% Completed");
    w.press("?CANCEL");
  });
  EXPECT_EQ(run("", &robot), kResponseCancelled);
  EXPECT_TRUE(robot.done()) << robot.report();
  EXPECT_TRUE(pages.empty());
}

TEST_F(ReportClassesTest, TheProcessorCountsAViewInStorageOrderBeforeItStarts) {
  storage::View view(*players, &names_);
  RecordProcessor processor;
  processor.init(view, nullptr, 0, &thermometer);
  processor.setFilter("PLA:TEAM=1");
  ASSERT_THAT(processor.open(), IsOk());
  EXPECT_EQ(processor.recordsToProcess(), 4);
  EXPECT_EQ(thermometer, 0);
  std::vector<Cp1252Text> seen{FixedText<20>(players->buffer().getText(kPlayerName)).trimmed()};
  while (processor.next() == 0) seen.push_back(FixedText<20>(players->buffer().getText(kPlayerName)).trimmed());
  EXPECT_EQ(seen, (std::vector<Cp1252Text>{"Zoe"_cp1252, "Luis"_cp1252, "Ivan"_cp1252, "Dora"_cp1252}))
      << "each record once, from the first";
  EXPECT_EQ(thermometer, 100);
  processor.addSortOrder("PLA:NAME");
  ASSERT_THAT(processor.open(), IsOk());
  EXPECT_EQ(processor.recordsToProcess(), 4) << "a view sorted in memory knows its rows";
  EXPECT_THAT(processor.next(), IsOk());
  EXPECT_EQ(processor.percent(), 25);
}

}  // namespace
}  // namespace platform
