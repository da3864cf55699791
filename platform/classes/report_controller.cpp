#include "platform/classes/report_controller.h"

#include <QElapsedTimer>
#include <QPrinter>

#include "platform/core/cp1252.h"
#include "platform/core/runtime_errors.h"
#include "platform/report/page_painter.h"

namespace platform {

ReportController::ReportController(ui::Window& progressWindow, ErrorReporter& reporter, std::string procedureName,
                                   ProcedureCodes codes)
    : WindowController(progressWindow, reporter, std::move(procedureName), codes) {}

void ReportController::setUp(RecordProcessor& processor, report::Report& report, ReportPreviewer* previewer) {
  processor_ = &processor;
  report_ = &report;
  previewer_ = previewer;
}

int ReportController::update() {
  window().update();
  return kLevelBenign;
}

int ReportController::openReport() {
  const int error = processor_->open();
  if (error != errors::kNone) {
    if (error == errors::kRecordNotAvailable) {
      errors().throwMessage(kMessageNoRecords);
    } else {
      tellFailure(PlatformText::RecordsNotRead, error);
    }
    setResponse(kResponseCancelled);
    window().post(ui::EventKind::CloseWindow);
    return kLevelNotify;
  }
  report_->open();
  opened_ = true;
  return kLevelBenign;
}

int ReportController::endReport() {
  report_->close();
  return kLevelBenign;
}

int ReportController::takeWindowEvent() {
  const int level = WindowController::takeWindowEvent();
  switch (event().kind) {
    case ui::EventKind::OpenWindow:
      if (reset() == kLevelBenign) openReport();
      break;
    case ui::EventKind::Timer:
      if (opened_ && !exhausted_) printRows();
      break;
    case ui::EventKind::CloseWindow:
      if (opened_ && !finished_) finish();
      break;
    default:
      break;
  }
  return level;
}

void ReportController::printRows() {
  QElapsedTimer clock;
  clock.start();
  do {
    if (processor_->takeRecord() != kLevelBenign) {
      setResponse(kResponseCancelled);
      exhausted_ = true;
      window().post(ui::EventKind::CloseWindow);
      return;
    }
    ++rows_;
    const int error = processor_->next();
    if (error != errors::kNone) {
      exhausted_ = true;
      if (error == errors::kRecordNotAvailable) {
        setResponse(kResponseCompleted);
      } else {
        setResponse(kResponseCancelled);
        tellFailure(PlatformText::RecordsNotRead, error);
      }
      window().post(ui::EventKind::CloseWindow);
      return;
    }
  } while (clock.elapsed() < slice_);
}

void ReportController::finish() {
  finished_ = true;
  const bool completed = response() == kResponseCompleted;
  if (endReport() != kLevelBenign || !completed) {
    // A cancelled run prints nothing: its pages are thrown away.
    report_->discard();
    return;
  }
  if (skipPreview_ || previewer_ == nullptr) return;
  if (targetSelector_ != nullptr) previewer_->setTargetSelector(targetSelector_);
  if (previewer_->display(report_->pages(), previewZoom_)) printOnPrinter();
}

void ReportController::tellFailure(PlatformText text, int error) {
  const Locale& locale = errors().locale();
  const std::string message =
      fillIn(cp1252ToUtf8(locale.text(text)), {std::to_string(error), cp1252ToUtf8(locale.errorText(error))});
  errors().port().message({procedureName(), message, MessageIcon::Exclamation, {MessageButton::Ok}, MessageButton::Ok});
}

void ReportController::printOnPrinter() {
  std::vector<const report::PageMetafile*> pages;
  for (int number : previewer_->pagesToPrint())
    if (number >= 1 && number <= report_->pageCount())
      pages.push_back(&report_->pages()[static_cast<std::size_t>(number - 1)]);
  const std::optional<PrinterChoice> choice =
      errors().port().choosePrinter({procedureName(), static_cast<int>(pages.size())});
  if (!choice) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setFullPage(true);
  if (!choice->outputFile.empty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(choice->outputFile));
  } else if (!choice->printer.empty()) {
    printer.setPrinterName(QString::fromStdString(choice->printer));
  }
  int error = errors::kNone;
  if (!report::paintPages(printer, pages, error)) tellFailure(PlatformText::ReportNotPrinted, error);
}

}  // namespace platform
