#include "platform/classes/ini_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <limits>

namespace platform {
namespace {

QString qs(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

// QSettings puts keys without a group in [General]; a key path "section/name" addresses the rest.
QString keyPath(const std::string& section, const std::string& name) {
  return section.empty() ? qs(name) : qs(section) + QLatin1Char('/') + qs(name);
}

std::optional<int> toInt(const QVariant& value) {
  if (!value.isValid()) return std::nullopt;
  bool ok = false;
  const qlonglong n = value.toString().trimmed().toLongLong(&ok);
  if (!ok || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(n);
}

}  // namespace

IniSettings::IniSettings() = default;

IniSettings::~IniSettings() { kill(); }

void IniSettings::init(const std::string& fileName) {
  std::lock_guard lock(mutex_);
  if (settings_) {
    syncLocked();
    settings_.reset();
  }
  const QString path = QFileInfo(QDir::current(), qs(fileName)).absoluteFilePath();
  settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

bool IniSettings::kill() {
  std::lock_guard lock(mutex_);
  if (!settings_) return true;
  const bool ok = syncLocked();
  settings_.reset();
  return ok;
}

bool IniSettings::isOpen() const {
  std::lock_guard lock(mutex_);
  return settings_ != nullptr;
}

std::string IniSettings::fileName() const {
  std::lock_guard lock(mutex_);
  return settings_ ? settings_->fileName().toStdString() : std::string();
}

bool IniSettings::syncLocked() {
  settings_->sync();
  // A damaged file that was only read shows FormatError; that does not make a write fail.
  return settings_->status() != QSettings::AccessError;
}

std::string IniSettings::fetch(const std::string& section, const std::string& name,
                               const std::string& defaultValue) const {
  std::lock_guard lock(mutex_);
  if (!settings_) return defaultValue;
  const QVariant value = settings_->value(keyPath(section, name));
  if (!value.isValid()) return defaultValue;
  // A hand-written value with unquoted commas reads back as a list: give it back joined by ", ".
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", ")).toStdString();
  return value.toString().toStdString();
}

int IniSettings::fetchInt(const std::string& section, const std::string& name, int defaultValue) const {
  std::lock_guard lock(mutex_);
  if (!settings_) return defaultValue;
  return toInt(settings_->value(keyPath(section, name))).value_or(defaultValue);
}

bool IniSettings::update(const std::string& section, const std::string& name, const std::string& value) {
  std::lock_guard lock(mutex_);
  if (!settings_ || name.empty()) return false;
  settings_->setValue(keyPath(section, name), qs(value));
  return syncLocked();
}

bool IniSettings::update(const std::string& section, const std::string& name, int value) {
  return update(section, name, std::to_string(value));
}

bool IniSettings::remove(const std::string& section, const std::string& name) {
  std::lock_guard lock(mutex_);
  if (!settings_) return false;
  if (name.empty()) {
    if (section.empty()) return false;
    settings_->remove(qs(section));
  } else {
    settings_->remove(keyPath(section, name));
  }
  return syncLocked();
}

bool IniSettings::storeWindow(const std::string& section, const WindowPlace& place) {
  std::lock_guard lock(mutex_);
  if (!settings_) return false;
  settings_->setValue(keyPath(section, "X"), place.x);
  settings_->setValue(keyPath(section, "Y"), place.y);
  settings_->setValue(keyPath(section, "Width"), place.width);
  settings_->setValue(keyPath(section, "Height"), place.height);
  settings_->setValue(keyPath(section, "Maximized"), place.maximized ? 1 : 0);
  return syncLocked();
}

std::optional<WindowPlace> IniSettings::fetchWindow(const std::string& section) const {
  std::lock_guard lock(mutex_);
  if (!settings_) return std::nullopt;
  const auto x = toInt(settings_->value(keyPath(section, "X")));
  const auto y = toInt(settings_->value(keyPath(section, "Y")));
  const auto width = toInt(settings_->value(keyPath(section, "Width")));
  const auto height = toInt(settings_->value(keyPath(section, "Height")));
  const auto maximized = toInt(settings_->value(keyPath(section, "Maximized")));
  if (!x || !y || !width || !height || *width <= 0 || *height <= 0) return std::nullopt;
  return WindowPlace{*x, *y, *width, *height, maximized.value_or(0) != 0};
}

}  // namespace platform
