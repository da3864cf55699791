#include "platform/os/desktop_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>

namespace platform::os {
namespace {

const QString kKey = QStringLiteral("DragFullWindows");

}  // namespace

UserDesktopSettings::UserDesktopSettings() : UserDesktopSettings(defaultFileName()) {}

UserDesktopSettings::UserDesktopSettings(std::string fileName) : fileName_(std::move(fileName)) {}

std::string UserDesktopSettings::defaultFileName() {
  // The generic configuration location follows $XDG_CONFIG_HOME and falls back to ~/.config.
  QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (folder.isEmpty()) folder = QDir::homePath() + QStringLiteral("/.config");
  return (folder + QStringLiteral("/desktop-settings.ini")).toStdString();
}

bool UserDesktopSettings::dragFullWindows(int& value) {
  if (sessionValue_) {
    value = *sessionValue_;
    return true;
  }
  const QString path = QString::fromStdString(fileName_);
  const QFileInfo info(path);
  if (info.exists() && (!info.isFile() || !info.isReadable())) return false;
  QSettings settings(path, QSettings::IniFormat);
  if (settings.status() != QSettings::NoError) return false;
  const QVariant stored = settings.value(kKey);
  if (!stored.isValid()) {
    value = 1;
    return true;
  }
  bool ok = false;
  const int n = stored.toString().trimmed().toInt(&ok);
  if (!ok) return false;
  value = n;
  return true;
}

bool UserDesktopSettings::setDragFullWindows(int value, int flags) {
  if ((flags & kUpdateProfile) == 0) {
    sessionValue_ = value;
    return true;
  }
  const QString path = QString::fromStdString(fileName_);
  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) return false;
  if (!QDir().mkpath(info.absolutePath())) return false;
  QSettings settings(path, QSettings::IniFormat);
  settings.setValue(kKey, value);
  settings.sync();
  if (settings.status() != QSettings::NoError) return false;
  sessionValue_.reset();
  return true;
}

}  // namespace platform::os
