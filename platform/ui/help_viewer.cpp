#include "platform/ui/help_viewer.h"

#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include "platform/core/cp1252.h"

namespace platform::ui {

std::string helpPagePath(const std::string& helpId) { return ":/help/" + helpId + ".html"; }

bool helpPageExists(const std::string& helpId) {
  return !helpId.empty() && QFile::exists(QString::fromStdString(helpPagePath(helpId)));
}

bool showHelpPage(const std::string& helpId, const Locale& locale, QWidget* over) {
  QFile file(QString::fromStdString(helpPagePath(helpId)));
  if (helpId.empty() || !file.open(QIODevice::ReadOnly)) return false;
  QDialog dialog(over);
  dialog.setWindowModality(Qt::ApplicationModal);
  auto* text = new QTextBrowser(&dialog);
  text->setObjectName("?TEXT");
  text->setProperty("controlNumber", 1);
  text->setHtml(QString::fromUtf8(file.readAll()));
  text->setOpenLinks(false);
  auto* close = new QPushButton(QString::fromStdString(cp1252ToUtf8(locale.buttonCaption(MessageButton::Ok))), &dialog);
  close->setObjectName("?OK");
  close->setProperty("controlNumber", 2);
  close->setDefault(true);
  QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(text, 1);
  layout->addLayout(buttons);
  dialog.setWindowTitle(text->documentTitle());
  dialog.resize(480, 360);
  dialog.exec();
  return true;
}

}  // namespace platform::ui
