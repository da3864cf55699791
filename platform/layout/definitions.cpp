#include "platform/layout/definitions.h"

#include <QFile>
#include <QString>

namespace platform::layout {
namespace {

std::string joinProblems(const std::vector<std::string>& problems) {
  std::string text;
  for (const std::string& p : problems) {
    if (!text.empty()) text += '\n';
    text += p;
  }
  return text;
}

}  // namespace

DefinitionError::DefinitionError(const std::vector<std::string>& problems)
    : std::runtime_error(joinProblems(problems)), problems_(problems) {}

std::string imagePath(const std::string& name) {
  // A path of its own (a file, or a resource of another folder) is taken as it is.
  if (!name.empty() && (name[0] == '/' || name[0] == ':')) return name;
  return ":/images/" + name;
}

bool imageExists(const std::string& name) { return QFile::exists(QString::fromStdString(imagePath(name))); }

}  // namespace platform::layout
