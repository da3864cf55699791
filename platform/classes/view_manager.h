// The view manager: a view (platform/storage/view.h) over files reached through their file
// managers. Opening makes each file ready through its manager first (the manager opens it, or
// reports why it cannot), so that the view reads files the managers own and never opens or closes
// one behind their back. The files must have been opened through their managers (counted) before.
//
// Levels: open() returns the file manager's level (kLevelBenign done). Reading goes through view(), which
// returns runtime errors; reportReadError() shows one through the primary file's error reporter.
//
// Thread safety: belongs to the thread of its file managers.
#pragma once

#include <string_view>
#include <vector>

#include "platform/classes/file_manager.h"
#include "platform/core/bindings.h"
#include "platform/storage/view.h"

namespace platform {

// The error reporter's message for a failed read of a view: %File names the view's primary file,
// %ErrorText the storage's error.
inline constexpr int kMessageViewReadFailed = 47;

class ViewManager {
 public:
  // `names`: the procedure's bindings, for the filter's names that are not the view's fields.
  explicit ViewManager(FileManager& primary, const Bindings* names = nullptr);

  // As View::join; the parent is read through its file manager.
  [[nodiscard]] storage::Status join(FileManager& parent, std::string_view parentKey, std::string_view fields,
                                     storage::View::JoinKind kind = storage::View::JoinKind::Outer);
  // As View::joinNamed: for a join the program itself spells.
  void joinNamed(FileManager& parent, std::string_view parentKey, std::string_view fields,
                 storage::View::JoinKind kind = storage::View::JoinKind::Outer);
  Level open();
  storage::Status close();
  bool isOpen() const { return view_.isOpen(); }

  storage::View& view() { return view_; }
  FileManager& primary() { return primary_; }

  // Shows message kMessageViewReadFailed for the runtime error; returns the reporter's level.
  Level reportReadError(int error);

 private:
  FileManager& primary_;
  storage::View view_;
  std::vector<FileManager*> files_;
};

}  // namespace platform
