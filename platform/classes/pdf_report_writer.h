// The PDF writer: an output target that writes a report's pages into a PDF file with its document
// information (platform/report/pdf_file.h).
//
// prepare() runs setUp() (which a report overrides to give its own settings, after the base) and,
// when the file name is then empty, asks the user for one with a save dialog ("Save PDF File",
// types "PDF" *.PDF and "All" *.*): a cancelled dialog writes nothing, and a name whose last part
// has no dot gets ".PDF" appended. write() writes the file whole or not at all and tells the user
// through the port when it could not, in the locale's words (PlatformText::PdfNotWritten with the
// file and the runtime error's text).
//
// Not thread safe; the port and the locale must outlive the writer.
#pragma once

#include <string>

#include "platform/classes/report_target.h"
#include "platform/core/locale.h"
#include "platform/port/user_port.h"
#include "platform/report/pdf_file.h"

namespace platform {

class PdfReportWriter : public ReportTarget {
 public:
  PdfReportWriter(UserPort& port, const Locale& locale) : port_(port), locale_(locale) {}

  std::string name() const override { return "PDF"; }
  bool prepare() override;
  bool write(const std::vector<const report::PageMetafile*>& pages) override;

  // The platform's set-up: no file name, no document information, page bookmarks on,
  // compression on.
  virtual void setUp();

  void setFileName(std::string utf8) { fileName_ = std::move(utf8); }
  const std::string& fileName() const { return fileName_; }
  void setDocumentInfo(const report::PdfInformation& info) { info_ = info; }
  const report::PdfInformation& documentInfo() const { return info_; }
  // One bookmark per page.
  void setPageBookmarks(bool on) { options_.pageBookmarks = on; }
  // Compression of texts and images.
  void setCompression(bool on) { options_.compress = on; }
  const report::PdfOptions& options() const { return options_; }

 protected:
  UserPort& port() { return port_; }

 private:
  UserPort& port_;
  const Locale& locale_;
  std::string fileName_;
  report::PdfInformation info_;
  report::PdfOptions options_;
};

}  // namespace platform
