#include "platform/ui/folder_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace platform::ui {

FolderDialog::FolderDialog(const FolderRequest& request, QWidget* parent)
    : QFileDialog(parent, QString::fromStdString(request.title),
                  request.startFolder.empty() ? QDir::currentPath() : QString::fromStdString(request.startFolder)) {
  setFileMode(QFileDialog::Directory);
  setOption(QFileDialog::ShowDirsOnly, true);
  setAcceptMode(QFileDialog::AcceptOpen);
  setWindowModality(Qt::ApplicationModal);
}

std::optional<std::string> FolderDialog::chosenFolder() const {
  if (result() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return QFileInfo(chosen.front()).absoluteFilePath().toStdString();
}

std::optional<std::string> askFolder(const FolderRequest& request) {
  FolderDialog dialog(request, QApplication::activeWindow());
  dialog.exec();
  return dialog.chosenFolder();
}

}  // namespace platform::ui
