#include "platform/classes/pdf_report_writer.h"

#include <filesystem>

#include "platform/core/cp1252.h"
#include "platform/core/runtime_errors.h"

namespace platform {

void PdfReportWriter::setUp() {
  fileName_.clear();
  info_ = {};
  options_ = {};
  options_.pageBookmarks = true;
}

bool PdfReportWriter::prepare() {
  setUp();
  if (!fileName_.empty()) return true;
  SaveFileRequest request;
  request.title = "Save PDF File";
  request.types = {{"PDF", "*.PDF"}, {"All", "*.*"}};
  const std::optional<std::string> chosen = port_.chooseFileToSave(request);
  if (!chosen || chosen->empty()) return false;
  fileName_ = *chosen;
  // Only the name's own last part counts: a dot in a folder's name is no extension.
  if (std::filesystem::path(fileName_).filename().string().find('.') == std::string::npos) fileName_ += ".PDF";
  return true;
}

bool PdfReportWriter::write(const std::vector<const report::PageMetafile*>& pages) {
  int error = errors::kNone;
  if (report::writePdf(pages, fileName_, info_, options_, error)) return true;
  const std::string text = fillIn(cp1252ToUtf8(locale_.text(PlatformText::PdfNotWritten)),
                                  {fileName_, cp1252ToUtf8(locale_.errorText(error))});
  port_.message({"PDF", text, MessageIcon::Exclamation, {MessageButton::Ok}, MessageButton::Ok});
  return false;
}

}  // namespace platform
