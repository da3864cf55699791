// Report definitions: what a good one holds once read, and every mistake reported with where it is.
#include "platform/report/report_definition.h"

#include <gtest/gtest.h>

namespace platform::report {
namespace {

QByteArray withControl(const std::string& control) {
  return QByteArray::fromStdString(R"({"label": "R", "detailArea": [0, 0, 100, 100], "bands": [
    {"label": "?DETAIL", "kind": "detail", "at": [0, 0, 100, 10], "controls": [)" +
                                   control + "]}]}");
}

TEST(ReportDefinitionTest, AGoodDefinitionIsReadWithItsDefaultsInherited) {
  const ReportDefinition r = parseReportDefinition(R"({
    "label": "P1$REPORT", "orientation": "portrait", "font": {"name": "Arial", "size": 10, "style": "bold"},
    "detailArea": [396, 2958, 7719, 6281],
    "bands": [
      {"label": "?HEADER", "kind": "header", "at": [396, 396, 7719, 2563], "font": {"size": 8, "style": "regular"},
       "controls": [
        {"label": "?T", "kind": "text", "at": [42, 917, null, null], "text": "Fecha:", "font": {"style": "bold"}},
        {"label": "?B", "kind": "box", "at": [0, 1, 20, 30], "colour": "000000h", "fill": "614025h"},
        {"label": "?S", "kind": "string", "at": [1, 2, 300, 156], "use": "X:Y", "picture": "@s10",
         "fontColour": "FFFFFFh", "flags": ["centre", "transparent"]}]},
      {"label": "?DETAIL", "kind": "detail", "at": [0, 0, 7719, 156], "font": {"size": 7}, "controls": [
        {"label": "?L", "kind": "line", "at": [125, 1448, 7438, 0]}]}
    ]})",
                                                   "test");
  EXPECT_EQ(r.label, "P1$REPORT");
  EXPECT_EQ(r.pageWidth(), 8500);
  EXPECT_EQ(r.pageHeight(), 11000);
  EXPECT_EQ(r.detailArea, (Rect{396, 2958, 7719, 6281}));
  ASSERT_EQ(r.bands.size(), 2u);
  const BandDefinition& header = r.bands[0];
  EXPECT_EQ(header.kind, BandKind::Header);
  ASSERT_EQ(header.controls.size(), 3u);
  const ReportControlDefinition& t = header.controls[0];
  EXPECT_EQ(t.font.name, "Arial");
  EXPECT_EQ(t.font.size, 8) << "the band's size";
  EXPECT_EQ(t.font.style, layout::FontStyle::Bold) << "the control's own style";
  EXPECT_FALSE(t.width.has_value());
  EXPECT_EQ(header.controls[1].fill, 0x614025);
  EXPECT_EQ(header.controls[2].alignment, Alignment::Centre);
  EXPECT_EQ(header.controls[2].fontColour, 0xFFFFFF);
  EXPECT_TRUE(header.controls[2].transparent);
  EXPECT_EQ(r.bands[1].controls[0].number, 4) << "controls are numbered across bands";
  EXPECT_EQ(r.bands[1].controls[0].font.style, layout::FontStyle::Bold) << "the report's style reaches the detail";
  EXPECT_EQ(r.band("?detail"), &r.bands[1]);
  EXPECT_EQ(r.bandOf(BandKind::Footer), nullptr);
}

TEST(ReportDefinitionTest, LandscapeSwapsThePapersSides) {
  const ReportDefinition r = parseReportDefinition(
      R"({"paper": [8500, 14000], "orientation": "landscape", "detailArea": [0,0,1,1], "bands": []})", "t");
  EXPECT_EQ(r.pageWidth(), 14000);
  EXPECT_EQ(r.pageHeight(), 8500);
}

TEST(ReportDefinitionTest, EachMistakeIsReportedWithItsPlace) {
  struct Case {
    std::string control;
    std::string problem;
  };
  const Case cases[] = {
      {R"({"label": "?A", "kind": "dial", "at": [0,0,1,1]})", "control 1 (?A): unknown kind \"dial\""},
      {R"({"label": "A", "kind": "text", "at": [0,0,1,1]})", "the label must be"},
      {R"({"label": "?A", "kind": "text", "at": [0,0,1,1], "use": "X"})", "unknown key \"use\""},
      {R"({"label": "?A", "kind": "string", "at": [0,0,1,1], "picture": "@q9"})", "\"@q9\" is not a picture"},
      {R"({"label": "?A", "kind": "box", "at": [0,0,1,null]})", "a box needs a width and a height"},
      {R"({"label": "?A", "kind": "box", "at": [0,0,1,1], "fill": "blue"})", "\"fill\" is not a colour"},
      {R"({"label": "?A", "kind": "text", "at": [0,0,1,1], "flags": ["stretch"]})", "takes no flag \"stretch\""},
      {R"({"label": "?A", "kind": "image", "at": [0,0,null,null], "image": "x.png"})", "an image needs a width"},
      {R"({"label": "?A", "kind": "text", "at": [0,0]})", "\"at\" must be [x, y, width, height]"},
      {R"({"label": "?A", "kind": "text", "at": [0,0,1,1], "font": {"size": 145}})",
       "(?A) font: \"size\" must be a whole number of points from 1 to 144"},
      {R"({"label": "?A", "kind": "text", "at": [0,0,1,1]}, {"label": "?a", "kind": "text", "at": [0,0,1,1]})",
       "control 2 (?a): the label is used by an earlier control"},
      {R"({"label": "?A", "kind": "text", "at": [0,0,1,1], "font": {"size": 0}})", "\"size\" must be"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control);
    try {
      parseReportDefinition(withControl(c.control), "bad");
      ADD_FAILURE() << "accepted";
    } catch (const layout::DefinitionError& e) {
      EXPECT_NE(std::string(e.what()).find(c.problem), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("bad band 1 (?DETAIL) control", 0), 0u) << e.what();
    }
  }
}

TEST(ReportDefinitionTest, AMissingImageIsReportedWhenImagesAreChecked) {
  const layout::ImageCheck none = [](const std::string&) { return false; };
  EXPECT_THROW(
      parseReportDefinition(withControl(R"({"label": "?A", "kind": "image", "at": [0,0,10,10], "image": "x.png"})"),
                            "bad", none),
      layout::DefinitionError);
  EXPECT_THROW(parseReportDefinition("[1]", "bad"), layout::DefinitionError);
  EXPECT_THROW(parseReportDefinition("{", "bad"), layout::DefinitionError);
  EXPECT_THROW(loadReportDefinition("no such report"), layout::DefinitionError);
}

}  // namespace
}  // namespace platform::report
