#include "platform/ui/toolkit_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QVariant>
#include <memory>

namespace platform::ui {

namespace {

// Names the one translator this module installs among the application's children, and the
// property that holds the language it was asked for.
constexpr const char* kTranslatorName = "platform-toolkit-translation";
constexpr const char* kLanguageProperty = "language";

}  // namespace

bool loadToolkitTranslation(std::string_view language) {
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr) return false;
  const QString wanted = QString::fromUtf8(language.data(), static_cast<qsizetype>(language.size()));
  auto* current = application->findChild<QTranslator*>(kTranslatorName, Qt::FindDirectChildrenOnly);
  if (current != nullptr && current->property(kLanguageProperty).toString() == wanted) return true;
  auto translator = std::make_unique<QTranslator>(application);
  if (!translator->load("qtbase_" + wanted, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return false;
  translator->setObjectName(kTranslatorName);
  translator->setProperty(kLanguageProperty, wanted);
  if (current != nullptr) {
    QCoreApplication::removeTranslator(current);
    delete current;
  }
  QCoreApplication::installTranslator(translator.release());
  return true;
}

}  // namespace platform::ui
