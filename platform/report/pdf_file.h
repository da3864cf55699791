// Writing report pages as a PDF file, with its document information and options.
//
// writePdf paints the pages with QPdfWriter into a temporary file beside the target, then sets the
// document information with qpdf (QPdfWriter sets only the title and the creator, and always its
// own producer), adds the page bookmarks when asked, and renames the result onto the target: the
// file is written whole or not at all, and a failure leaves an existing file as it was.
//
// Thread safety: one call per file at a time; the painting needs the GUI thread.
#pragma once

#include <string>
#include <vector>

#include "platform/report/page_metafile.h"

namespace platform::report {

struct PdfInformation {
  std::string title;  // UTF-8; an empty value is left out of the file
  std::string creator;
  std::string producer;
  std::string subject;
  std::string author;
  std::string keywords;
  bool operator==(const PdfInformation&) const = default;
};

struct PdfOptions {
  // Compress content streams and fonts (Flate). Raster images are always stored compressed.
  bool compress = true;
  // One bookmark per page, "Page N" (the bookmark text given below, followed by the number).
  bool pageBookmarks = false;
  std::string bookmarkText = "Page ";
  int resolution = 1200;  // dots per inch of the painting
};

// False, with `error` set to a runtime error number (platform/core/runtime_errors.h) and no file
// written, when the pages cannot be written: kInvalidFileName (no name, or one too long),
// kPathNotFound (no such folder), kAccessDenied (the folder or the file may not be written),
// kDiskFull, kCannotCreate (another reason the file cannot be made), kInvalidParameters (no pages),
// kIoError (the painting or the writing failed).
bool writePdf(const std::vector<const PageMetafile*>& pages, const std::string& path, const PdfInformation& info,
              const PdfOptions& options, int& error);

// The document information of a PDF file; false with `error` set when it cannot be read.
bool readPdfInformation(const std::string& path, PdfInformation& info, std::string& error);
// The number of pages and the bookmark titles of a PDF file (for tests and checks).
bool readPdfOutline(const std::string& path, int& pageCount, std::vector<std::string>& bookmarks, std::string& error);

}  // namespace platform::report
