// Report definitions: a report declared as data (JSON, stored as program resources under
// ":/reports/NAME.json"), checked when read. Every position and size is in thousandths of an inch.
//
// The report object holds:
//   "label"        the definition's own label
//   "paper"        [width, height] of the page, portrait; default US Letter [8500, 11000]
//   "orientation"  "portrait" (default) or "landscape" (the paper's sides swapped)
//   "font"         the report's font {"name", "size", "style"} (window definitions' form)
//   "detailArea"   [x, y, width, height]: where detail bands are printed on each page
//   "bands"        the bands, each {"label", "kind", "at", "font", "controls"}, kind one of
//                  "header" (top of every page), "detail" (printed by the program, one after
//                  another in the detail area; only its height counts), "footer" (bottom of every
//                  page) and "form" (behind everything, on every page)
// and each control of a band:
//   "label" (required, "?NAME", unique in the report without regard to case), "kind" (below),
//   "at" [x, y, width, height] relative to the band (width and height null: sized by the content),
//   "font" (parts default to the band's), "fontColour" (00BBGGRRh, default black), "flags"
//   ("left", "right", "centre", "transparent", "hidden"), and by kind:
//     "text"    "text": a constant text
//     "string"  "use": a name of the procedure's bindings (a variable, or "PREFIX:FIELD"), and
//               "picture" to show it through; without "use" it prints blank
//     "image"   "image": a picture of ":/images/" or a file path; with a null height the image's
//               own proportions decide it; flag "stretch" fills the rectangle, otherwise the image
//               keeps its proportions, centred
//     "line"    "colour": from the top-left corner to the bottom-right one (height 0: horizontal)
//     "box"     "colour" (border, -1 none) and "fill" (-1 none)
//
// Every key is checked: unknown keys, kinds, flags, pictures and colours, duplicate labels, and
// (when a check is given) images the program does not hold are reported, each with the report's
// name and the control's band, number and label. Definitions are values; thread safe to read.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/layout/definitions.h"
#include "platform/layout/font.h"

namespace platform::report {

// A rectangle in thousandths of an inch.
struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

enum class ReportControlKind { Text, String, Image, Line, Box };
enum class Alignment { Left, Centre, Right };
enum class BandKind { Header, Detail, Footer, Form };

struct ReportControlDefinition {
  int number = 0;  // 1-based, in the order of the definition across bands
  std::string label;
  ReportControlKind kind = ReportControlKind::Text;
  int x = 0;
  int y = 0;
  std::optional<int> width, height;
  layout::FontSpec font;
  std::int32_t fontColour = 0;  // black
  Alignment alignment = Alignment::Left;
  bool transparent = false;
  bool hidden = false;
  bool stretch = false;
  std::string text;         // text
  std::string use;          // string
  std::string picture;      // string
  std::string image;        // image
  std::int32_t colour = 0;  // line, box border; -1 none
  std::int32_t fill = -1;   // box; -1 none
};

struct BandDefinition {
  std::string label;
  BandKind kind = BandKind::Detail;
  Rect at;  // a detail band: only its width and height count
  layout::FontSpec font;
  std::vector<ReportControlDefinition> controls;
};

struct ReportDefinition {
  std::string name;  // the resource name, or whatever the caller named it
  std::string label;
  int paperWidth = 8500;
  int paperHeight = 11000;
  bool landscape = false;
  layout::FontSpec font{"Arial", 10, layout::FontStyle::Bold};
  Rect detailArea;
  std::vector<BandDefinition> bands;

  // The page's size as printed (landscape swaps the paper's sides).
  int pageWidth() const { return landscape ? paperHeight : paperWidth; }
  int pageHeight() const { return landscape ? paperWidth : paperHeight; }
  // The band with that label (without regard to case), or null.
  const BandDefinition* band(std::string_view label) const;
  // The first band of a kind, or null.
  const BandDefinition* bandOf(BandKind kind) const;
};

// Labels are compared without regard to ASCII case: the form they are compared in.
std::string labelKey(std::string_view label);

// Reads a definition; throws layout::DefinitionError listing every problem found.
ReportDefinition parseReportDefinition(const QByteArray& json, const std::string& name,
                                       const layout::ImageCheck& imageExists = {});
// The definition stored as ":/reports/NAME.json"; images are checked against ":/images/".
ReportDefinition loadReportDefinition(const std::string& name);

}  // namespace platform::report
