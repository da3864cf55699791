// Reports at run time: values through pictures, page breaks with headers and footers on every page,
// page numbers, hidden controls, images, and the painting of a page.
#include "platform/report/report.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "platform/core/fixed_text.h"
#include "platform/report/page_painter.h"

namespace platform::report {
namespace {

// A page of 1000 x 2000; the detail area holds three rows of 100.
const char* kDefinition = R"({
  "label": "TEST", "paper": [1000, 2000], "font": {"name": "Arial", "size": 10, "style": "regular"},
  "detailArea": [100, 500, 800, 300],
  "bands": [
    {"label": "?FORM", "kind": "form", "at": [0, 0, 1000, 2000], "controls": [
      {"label": "?SECRET", "kind": "string", "at": [0, 0, 100, 100], "use": "NAME", "flags": ["hidden"]}]},
    {"label": "?HEADER", "kind": "header", "at": [100, 100, 800, 300], "font": {"size": 8}, "controls": [
      {"label": "?TITLE", "kind": "text", "at": [10, 20, null, null], "text": "Título", "font": {"style": "bold"}},
      {"label": "?FIRST", "kind": "string", "at": [10, 200, 500, 150], "use": "NAME", "picture": "@s20"},
      {"label": "?LOGO", "kind": "image", "at": [600, 0, 200, null], "image": "LOGO"},
      {"label": "?FRAME", "kind": "box", "at": [0, 0, 800, 300], "colour": "000000h", "fill": "614025h"}]},
    {"label": "?DETAIL", "kind": "detail", "at": [0, 0, 800, 100], "font": {"size": 7}, "controls": [
      {"label": "?NO", "kind": "string", "at": [0, 0, null, null], "use": "ROW", "picture": "@n3", "flags": ["right"]},
      {"label": "?NAME", "kind": "string", "at": [100, 0, 300, null], "use": "NAME", "picture": "@s20"},
      {"label": "?SCORE", "kind": "string", "at": [400, 0, 200, null], "use": "SCORE", "picture": "@n10", "flags": ["centre"]},
      {"label": "?PAIR", "kind": "string", "at": [600, 0, null, null], "use": "PAIR", "picture": "@s14", "flags": ["centre"]},
      {"label": "?RULE", "kind": "line", "at": [0, 85, 800, 0], "colour": "0000FFh"}]},
    {"label": "?FOOTER", "kind": "footer", "at": [100, 1800, 800, 100], "controls": [
      {"label": "?PAGENO", "kind": "string", "at": [700, 0, null, null], "picture": "@N3"},
      {"label": "?SIGN", "kind": "text", "at": [0, 0, null, null], "text": "FIRMA"}]}
  ]})";

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::green);
    logoPath = folder.filePath("logo.png").toStdString();
    ASSERT_TRUE(logo.save(QString::fromStdString(logoPath)));
    std::string json = kDefinition;
    json.replace(json.find("\"LOGO\""), 6, "\"" + logoPath + "\"");
    report = std::make_unique<Report>(parseReportDefinition(QByteArray::fromStdString(json), "test"), locale, names);
    names.bind("ROW", row);
    names.bind("NAME", name);
    names.bind("SCORE", score);
    names.bind("PAIR", pair);
  }

  void printRow(int n, const std::string& who, double value) {
    row = n;
    name = Cp1252Text::fromUtf8(who).value();
    score = value;
    report->print();
  }

  QTemporaryDir folder;
  std::string logoPath;
  Locale locale;
  Bindings names;
  std::int32_t row = 0;
  FixedText<20> name;
  double score = 0;
  FixedText<14> pair;
  std::unique_ptr<Report> report;
};

TEST_F(ReportTest, AReportWithoutRowsHasNoPages) {
  report->open();
  report->close();
  EXPECT_EQ(report->pageCount(), 0);
}

TEST_F(ReportTest, RowsFillThePagesWithHeaderAndFooterOnEach) {
  report->showPageNumber("?PAGENO");
  report->open();
  const char* who[] = {"Ana", "Beto", "Carla", "Dora", "Eva", "Fito", "Gil"};
  for (int n = 1; n <= 7; ++n) printRow(n, who[n - 1], n * 10.0);
  report->close();
  ASSERT_EQ(report->pageCount(), 3) << "three rows of 100 fit an area of 300";
  for (int p = 0; p < 3; ++p) {
    const PageMetafile& page = report->pages()[static_cast<std::size_t>(p)];
    SCOPED_TRACE("page " + std::to_string(p + 1));
    EXPECT_EQ(page.number, p + 1);
    EXPECT_EQ(page.texts("?TITLE"), std::vector<std::string>{"Título"});
    EXPECT_EQ(page.texts("?FIRST"), std::vector<std::string>{who[p * 3]}) << "the row current when the page starts";
    EXPECT_EQ(page.texts("?PAGENO"), std::vector<std::string>{std::to_string(p + 1)});
    EXPECT_EQ(page.texts("?SIGN"), std::vector<std::string>{"FIRMA"});
    EXPECT_TRUE(page.texts("?SECRET").empty()) << "hidden";
  }
  EXPECT_EQ(report->pages()[0].texts("?NAME"), (std::vector<std::string>{"Ana", "Beto", "Carla"}));
  EXPECT_EQ(report->pages()[2].texts("?NAME"), std::vector<std::string>{"Gil"});
  const std::vector<const TextOp*> names = report->pages()[1].textOps("?NAME");
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0]->at, (Rect{200, 500, 300, names[0]->at.height})) << "relative to the detail area";
  EXPECT_EQ(names[2]->at.y, 700);
  // The form band goes first, behind the header; the footer comes after the rows.
  const std::vector<std::string> order = report->pages()[2].texts();
  EXPECT_EQ(order.front(), "Título");
  EXPECT_EQ(order.back(), "FIRMA");
}

TEST_F(ReportTest, PicturesShapeTheTexts) {
  report->open();
  pair = " 86, (30%)"_cp1252;
  printRow(7, "Ana", 59.5);
  printRow(1234, "Beto", -3);
  report->close();
  const PageMetafile& page = report->pages()[0];
  EXPECT_EQ(page.texts("?NO"), (std::vector<std::string>{"7", "###"})) << "numbers lose their aligning blanks";
  EXPECT_EQ(page.texts("?SCORE"), (std::vector<std::string>{"60", "-3"}));
  EXPECT_EQ(page.texts("?PAIR"), (std::vector<std::string>{" 86, (30%)", " 86, (30%)"}))
      << "a text keeps its leading blank";
  const TextOp* number = page.textOps("?NO")[0];
  EXPECT_NEAR(number->at.width, Report::textWidth("000", number->font), 1.0) << "as wide as the picture's digits";
  EXPECT_EQ(number->alignment, Alignment::Right);
  EXPECT_EQ(number->font.size, 7) << "exact sizes";
  EXPECT_EQ(page.textOps("?TITLE")[0]->font.size, 8);
  EXPECT_EQ(page.textOps("?TITLE")[0]->font.style, layout::FontStyle::Bold);
}

TEST_F(ReportTest, ControlsChangedAtRunTime) {
  EXPECT_FALSE(report->setImage("?LOGO", folder.filePath("missing.png").toStdString()));
  EXPECT_EQ(report->imageOf("?LOGO"), logoPath) << "a file that cannot be loaded changes nothing";
  QImage tall(10, 40, QImage::Format_RGB32);
  tall.fill(Qt::red);
  const std::string tallPath = folder.filePath("tall.png").toStdString();
  ASSERT_TRUE(tall.save(QString::fromStdString(tallPath)));
  ASSERT_TRUE(report->setImage("?LOGO", tallPath));
  report->setHidden("?TITLE", true);
  report->setHidden("?SECRET", false);
  report->open();
  printRow(1, "Ana", 1);
  report->close();
  const PageMetafile& page = report->pages()[0];
  EXPECT_TRUE(page.texts("?TITLE").empty());
  EXPECT_EQ(page.texts("?SECRET"), std::vector<std::string>{"Ana"});
  const ImageOp* logo = nullptr;
  for (const DrawOp& op : page.ops)
    if (const auto* i = std::get_if<ImageOp>(&op)) logo = i;
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->source, tallPath);
  EXPECT_EQ(logo->at, (Rect{700, 100, 200, 800})) << "a null height follows the image's proportions";
  EXPECT_THROW(report->setHidden("?NOPE", true), std::out_of_range);
  EXPECT_THROW(report->print("?HEADER"), std::out_of_range);
}

TEST_F(ReportTest, APagePaintsItsBoxesTextsAndLines) {
  report->open();
  printRow(1, "WWWWWWWW", 1);
  report->close();
  // 100 dots per inch: a thousandth of an inch is a tenth of a pixel.
  QImage canvas(100, 200, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  {
    QPainter painter(&canvas);
    paintPage(painter, report->pages()[0], QRectF(0, 0, 100, 200));
  }
  EXPECT_EQ(canvas.pixelColor(50, 35), QColor(0x25, 0x40, 0x61)) << "the box's fill, 614025h";
  EXPECT_EQ(canvas.pixelColor(50, 45), QColor(Qt::white)) << "below the header";
  EXPECT_GT(canvas.pixelColor(50, 58).red(), 200);
  EXPECT_LT(canvas.pixelColor(50, 58).green(), 100) << "the red rule of the row";
  int dark = 0;
  for (int x = 20; x < 50; ++x)
    for (int y = 50; y < 58; ++y) dark += canvas.pixelColor(x, y).lightness() < 128 ? 1 : 0;
  EXPECT_GT(dark, 10) << "the row's name is painted";
}

}  // namespace
}  // namespace platform::report
