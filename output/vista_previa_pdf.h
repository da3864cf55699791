// The grade book's own build of the print preview: its Spanish window and texts, and two additions
// for saving as PDF: the toolbar button "Guardar a Pdf" (?BOTPDF) and the submenu "&Guardar
// Como..." (?ARCHIVOGUARDARCOMO) that holds the save item. With exactly one output target both are
// enabled; the button posts an accepted event to the save item, so both save the same way.
#pragma once

#include "platform/classes/report_previewer.h"

namespace output {

// The Spanish texts of the preview's run time.
platform::PreviewTexts TextosVistaPrevia();
// The preview's window and dialogs, as the program holds them.
platform::PreviewWindows VentanasVistaPrevia();

class VistaPreviaConPdf : public platform::ReportPreviewer {
 public:
  VistaPreviaConPdf(platform::ErrorReporter& reporter, platform::ProcedureCodes codes, const platform::Locale& locale);

  // The control numbers of the additions (0 until the window is set up).
  int BOTPDF = 0;
  int ARCHIVOGUARDARCOMO = 0;

 protected:
  void storeControls(platform::ui::Window& window) override;
  void decideSaving(platform::ui::Window& window) override;
  int takeAccepted(int control) override;
};

}  // namespace output
