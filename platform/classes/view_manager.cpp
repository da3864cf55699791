#include "platform/classes/view_manager.h"

#include "platform/core/cp1252.h"

namespace platform {

ViewManager::ViewManager(FileManager& primary, const Bindings* names)
    : primary_(primary), view_(primary.file(), names), files_{&primary} {}

storage::Status ViewManager::join(FileManager& parent, std::string_view parentKey, std::string_view fields,
                                  storage::View::JoinKind kind) {
  storage::Status error = view_.join(parent.file(), parentKey, fields, kind);
  if (error == 0) files_.push_back(&parent);
  return error;
}

void ViewManager::joinNamed(FileManager& parent, std::string_view parentKey, std::string_view fields,
                            storage::View::JoinKind kind) {
  view_.joinNamed(parent.file(), parentKey, fields, kind);
  files_.push_back(&parent);
}

Level ViewManager::open() {
  for (FileManager* file : files_) {
    if (const Level level = file->useFile()) return level;
  }
  if (const int error = view_.open()) return reportReadError(error);
  return kLevelBenign;
}

storage::Status ViewManager::close() { return view_.close(); }

Level ViewManager::reportReadError(int error) {
  ErrorReporter* errors = primary_.errors();
  if (errors == nullptr) return kLevelNotify;
  errors->setError(error, cp1252ToUtf8(primary_.file().session().lastErrorText()));
  return errors->throwFile(kMessageViewReadFailed, primary_.fileName());
}

}  // namespace platform
