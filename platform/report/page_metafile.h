// A page metafile: what one report page holds, recorded once as a list of drawing operations in
// thousandths of an inch and replayed onto any device (page_painter.h): the preview's screen, a
// printer, a PDF. Font sizes are kept exactly as the report gives them, in points.
//
// Operations are painted in order, later ones over earlier ones. Pages are values; thread safe to
// read.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/report/report_definition.h"

namespace platform::report {

struct TextOp {
  Rect at;
  std::string text;  // UTF-8, as printed
  layout::FontSpec font;
  std::int32_t colour = 0;       // 00BBGGRRh
  std::int32_t background = -1;  // -1: transparent
  Alignment alignment = Alignment::Left;
  std::string label;  // the control that printed it
};

struct LineOp {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::int32_t colour = 0;
  int width = 10;  // thousandths of an inch
  std::string label;
};

struct BoxOp {
  Rect at;
  std::int32_t border = 0;  // -1: none
  std::int32_t fill = -1;   // -1: none
  int borderWidth = 10;
  std::string label;
};

struct ImageOp {
  Rect at;  // where the picture lands (its proportions already applied)
  QImage image;
  std::string source;  // the resource name or file path it came from
  std::string label;
};

using DrawOp = std::variant<TextOp, LineOp, BoxOp, ImageOp>;

struct PageMetafile {
  int number = 0;  // 1-based
  int width = 0;   // thousandths of an inch
  int height = 0;
  std::vector<DrawOp> ops;

  // The texts of the page in painting order; with `label`, only those of that control.
  std::vector<std::string> texts() const;
  std::vector<std::string> texts(std::string_view label) const;
  // The text operations of one control, in painting order.
  std::vector<const TextOp*> textOps(std::string_view label) const;
};

}  // namespace platform::report
