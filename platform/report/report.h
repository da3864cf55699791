// A report at run time: made from its definition, it prints bands onto pages and keeps each page
// as a metafile (page_metafile.h).
//
// Values. A "string" control shows the value of its "use" name, looked up in the procedure's
// bindings (platform/core/bindings.h: variables, and record fields as "PREFIX:FIELD") each time
// the control is printed, through its picture. A text picture keeps its leading blanks and loses
// its trailing ones; a number picture loses the blanks that right-align it, since the control
// aligns the number itself. A name that is not bound prints blank.
//
// Pages. The first detail band printed starts page 1: the form band, then the page header, with
// the values current at that moment. Detail bands are printed one under another in the detail
// area; a band that does not fit under the ones already on the page closes the page (footer, with
// the values current then) and starts the next one (form, header). close() prints the footer of
// the last page. A report that printed no detail band has no pages.
//
// Sizes left open in a definition are taken from the content: a text's width from the text in its
// font (a number picture: the width of its digits, so that numbers line up), its height from the
// font; an image's height from its own proportions. A control with a picture is as wide as the
// picture: a number picture's digits, or a text picture's characters at the font's average width.
//
// Errors: a label that is not a control of the report throws std::out_of_range (a programming
// error); a bad image file is reported by setImage's result. Not thread safe; the bindings and the
// locale must outlive the report. Needs a QGuiApplication (fonts are measured).
#pragma once

#include <QImage>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/bindings.h"
#include "platform/core/locale.h"
#include "platform/report/page_metafile.h"
#include "platform/report/report_definition.h"

namespace platform::report {

class Report {
 public:
  Report(ReportDefinition definition, const Locale& locale, const Bindings& names);
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  const ReportDefinition& definition() const { return definition_; }

  // Run-time properties of a control, by label.
  void setHidden(std::string_view label, bool hidden);
  bool isHidden(std::string_view label) const;
  // Shows the picture of a file (or of ":/images/" for a bare name) in an image control. False,
  // changing nothing, when it cannot be loaded.
  bool setImage(std::string_view label, const std::string& path);
  const std::string& imageOf(std::string_view label) const;
  // The control shows the number of the page it is printed on, through its picture.
  void showPageNumber(std::string_view label);

  // Forgets any pages; the next detail band starts page 1.
  void open();
  bool isOpen() const { return open_; }
  // Prints a detail band (by label, or the first detail band when empty).
  void print(std::string_view detailBand = {});
  // Closes the last page. The report stays readable until open() or discard().
  void close();
  void discard();

  const std::vector<PageMetafile>& pages() const { return pages_; }
  int pageCount() const { return static_cast<int>(pages_.size()); }
  // The number of the page being printed, 0 before the first.
  int currentPage() const { return pageOpen_ ? static_cast<int>(pages_.size()) : 0; }

  // A text's width and height in thousandths of an inch, in a font.
  static double textWidth(const std::string& utf8, const layout::FontSpec& font);
  static double fontHeight(const layout::FontSpec& font);
  static double averageCharWidth(const layout::FontSpec& font);

 private:
  struct ControlState {
    bool hidden = false;
    bool pageNumber = false;
    std::string image;  // source
    QImage picture;
  };

  const ReportControlDefinition& control(std::string_view label) const;
  ControlState& state(std::string_view label);
  void startPage();
  void finishPage();
  void printBand(const BandDefinition& band, int x, int y);
  void printControl(const ReportControlDefinition& c, int x, int y);
  std::string valueText(const ReportControlDefinition& c) const;
  QImage load(const std::string& source) const;

  ReportDefinition definition_;
  const Locale& locale_;
  const Bindings& names_;
  std::map<std::string, ControlState> states_;  // by upper-case label
  mutable std::map<std::string, QImage> images_;
  std::vector<PageMetafile> pages_;
  bool open_ = false;
  bool pageOpen_ = false;
  int nextDetailY_ = 0;
  int detailsOnPage_ = 0;
};

}  // namespace platform::report
