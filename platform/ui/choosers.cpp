// The Qt port's file and printer choosers: the desktop's own dialogs.
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>

#include "platform/ui/message_box.h"

namespace platform::ui {

std::optional<std::string> QtUserPort::chooseFileToSave(const SaveFileRequest& request) {
  QStringList filters;
  for (const auto& [name, patterns] : request.types) filters << QString::fromStdString(name + " (" + patterns + ")");
  QString proposed = QString::fromStdString(request.folder);
  if (!request.proposedName.empty())
    proposed = proposed.isEmpty() ? QString::fromStdString(request.proposedName)
                                  : proposed + "/" + QString::fromStdString(request.proposedName);
  const QString chosen =
      QFileDialog::getSaveFileName(nullptr, QString::fromStdString(request.title), proposed, filters.join(";;"));
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdString();
}

std::optional<PrinterChoice> QtUserPort::choosePrinter(const PrinterRequest& request) {
  QPrinter printer;
  QPrintDialog dialog(&printer);
  dialog.setWindowTitle(QString::fromStdString(request.title));
  if (request.pageCount > 0) dialog.setMinMax(1, request.pageCount);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  PrinterChoice choice;
  if (printer.outputFormat() == QPrinter::PdfFormat)
    choice.outputFile = printer.outputFileName().toStdString();
  else
    choice.printer = printer.printerName().toStdString();
  return choice;
}

}  // namespace platform::ui
