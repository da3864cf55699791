// The report controller: the window procedure of a report's run. It owns the progress window and
// drives the run:
//
//   opening   when the progress window opens: reset(), then openReport() (the record processor
//             reads the first record; none is message 25 of the error reporter, the response
//             cancelled and the window closed)
//   printing  on each timer event, rows for a slice of time (at most 80 ms unless set): the
//             processor's takeRecord() prints the current record, then the next one is read; after
//             the last the response becomes completed and the window is asked to close
//   closing   when the window is asked to close after the report opened: endReport() closes the
//             last page; a completed run is previewed (unless skipped) and, when the user chooses
//             to print, printed on the printer the user chooses; a cancelled run's pages are
//             discarded
//
// A procedure derives from it and overrides what it needs (init, kill, reset, update, takeWindowEvent,
// endReport, openReport), running the base first.
//
// Not thread safe: GUI thread only. The processor, report, preview and selector must outlive the
// run.
#pragma once

#include <string>

#include "platform/classes/record_processor.h"
#include "platform/classes/report_previewer.h"
#include "platform/classes/report_target.h"
#include "platform/classes/window_controller.h"
#include "platform/report/report.h"

namespace platform {

// The error reporter's message for a report without records.
inline constexpr int kMessageNoRecords = 25;

class ReportController : public WindowController {
 public:
  ReportController(ui::Window& progressWindow, ErrorReporter& reporter, std::string procedureName,
                   ProcedureCodes codes);

  // The pieces of the run, given by the procedure's init.
  void setUp(RecordProcessor& processor, report::Report& report, ReportPreviewer* previewer);
  void setTargetSelector(ReportTargetSelector* selector) { targetSelector_ = selector; }
  ReportTargetSelector* targetSelector() const { return targetSelector_; }
  void setSkipPreview(bool skip) { skipPreview_ = skip; }
  bool skipPreview() const { return skipPreview_; }
  void setPreviewZoom(int zoom) { previewZoom_ = zoom; }
  int previewZoom() const { return previewZoom_; }
  // How long one slice of rows may take, in milliseconds.
  void setSlice(int milliseconds) { slice_ = milliseconds; }

  int takeWindowEvent() override;

  // Refreshes what the report shows from the buffers (the base does nothing).
  virtual int reset() { return kLevelBenign; }
  // Takes the window's controls into their variables.
  virtual int update();
  // Opens the report: the processor reads the first record. Non-zero when nothing is to be printed.
  virtual int openReport();
  // Closes the last page.
  virtual int endReport();

  RecordProcessor* processor() const { return processor_; }
  report::Report* report() const { return report_; }
  ReportPreviewer* previewer() const { return previewer_; }
  bool reportOpened() const { return opened_; }
  // Rows printed so far.
  std::int64_t rowsPrinted() const { return rows_; }

 private:
  void printRows();
  void finish();
  void printOnPrinter();
  // Tells the user that the run failed, in the locale's words: `text` with the runtime error's
  // number (%1) and text (%2).
  void tellFailure(PlatformText text, int error);

  RecordProcessor* processor_ = nullptr;
  report::Report* report_ = nullptr;
  ReportPreviewer* previewer_ = nullptr;
  ReportTargetSelector* targetSelector_ = nullptr;
  bool skipPreview_ = false;
  int previewZoom_ = -1;
  int slice_ = 80;
  bool opened_ = false;
  bool exhausted_ = false;
  bool finished_ = false;
  std::int64_t rows_ = 0;
};

}  // namespace platform
