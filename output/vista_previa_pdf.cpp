#include "output/vista_previa_pdf.h"

namespace output {

platform::PreviewTexts TextosVistaPrevia() {
  platform::PreviewTexts t;
  t.zoomPrefix = "Zoom: ";
  t.pagePrefix = "Página ";
  t.of = "de";
  t.currentPageStatus = "Introducir el número de página a partir del 1 de ";
  t.typedZoomSuffix = "% Zoom";
  t.saveItemPrefix = "Archivo de ";
  t.nothingCaption = "Presentación Preliminar";
  t.nothingText = "No hay páginas que imprimir.";
  t.zoomChoices = {{"Tile pages", "Zoom: Tile Pages", -2}, {"Page Width", "Zoom: A lo ancho de la ventana", -1},
                   {"50% Zoom", "Zoom: 50%", 50},          {"75% Zoom", "Zoom: 75%", 75},
                   {"100% Zoom", "Zoom: 100%", 100},       {"200% Zoom", "Zoom: 200%", 200},
                   {"300% Zoom", "Zoom: 300%", 300}};
  return t;
}

platform::PreviewWindows VentanasVistaPrevia() {
  return {"vista_previa", "vista_previa_salto", "vista_previa_vista", "vista_previa_paginas"};
}

VistaPreviaConPdf::VistaPreviaConPdf(platform::ErrorReporter& reporter, platform::ProcedureCodes codes,
                                     const platform::Locale& locale)
    : ReportPreviewer(reporter, codes, locale, VentanasVistaPrevia()) {
  setTexts(TextosVistaPrevia());
}

void VistaPreviaConPdf::storeControls(platform::ui::Window& window) {
  ReportPreviewer::storeControls(window);
  BOTPDF = window.find("?BOTPDF");
  ARCHIVOGUARDARCOMO = window.find("?ARCHIVOGUARDARCOMO");
}

void VistaPreviaConPdf::decideSaving(platform::ui::Window& window) {
  ReportPreviewer::decideSaving(window);
  // One target: the submenu and the button are offered; none or several leave them disabled.
  if (targetSelector() == nullptr || targetSelector()->count() != 1) return;
  if (ARCHIVOGUARDARCOMO != 0) window.control(ARCHIVOGUARDARCOMO).setDisabled(false);
  if (BOTPDF != 0) window.control(BOTPDF).setDisabled(false);
}

int VistaPreviaConPdf::takeAccepted(int control) {
  if (control != 0 && control == BOTPDF) {
    window()->post(platform::ui::EventKind::Accepted, controls().saveAsItem);
    return platform::kLevelBenign;
  }
  return ReportPreviewer::takeAccepted(control);
}

}  // namespace output
