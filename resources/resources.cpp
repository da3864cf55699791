#include "resources/resources.h"

#include <QDir>

namespace gradebook {

std::vector<std::string> WindowDefinitionNames() {
  std::vector<std::string> names;
  for (const QString& file : QDir(":/windows").entryList({"*.json"}, QDir::Files, QDir::Name))
    names.push_back(file.chopped(5).toStdString());
  return names;
}

std::vector<std::string> SystemHelpIds() { return {"Main", "UpdateACTAS", "BrowseZOLBRANS", "UpdateZOLBRANS"}; }

}  // namespace gradebook
