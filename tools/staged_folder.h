// A new data folder that appears whole or not at all, even when the program making it is killed.
//
// The files are made in a staging folder beside the target, in the same parent folder (so on the
// same file system), named ".NAME.loading-PID-N". Once every file in it is complete, its other
// entries are removed, it is synced, and one rename(2) puts it in the target's place: a folder
// renamed onto a missing or empty folder replaces it atomically, so after a crash at any moment
// the target holds none of the files or all of them. The parent folder is then synced, so that
// the rename lasts.
//
// New files for a folder that exists and holds other files (a load in place) are staged the same
// way inside the folder itself (".loading-PID-N": on the folder's own file system, whatever is
// mounted where), and moved into it one by one (moveInto) once they are complete.
//
// While its maker runs, a staging folder is locked (flock). One left by a program that died
// holds no lock: removeLeftoverStagings removes it, so that it never stands in the next one's way.
//
// Not thread safe; the target's parent folder must exist.
#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace datatool {

// For tests: called just before each change made to folders here (making, syncing, renaming or
// removing one, or an entry of one); returning true makes that change fail, as a full disk would.
using FolderChangeHook = std::function<bool()>;

class StagedFolder {
 public:
  // `target`: an absolute path with symbolic links resolved, of a missing or empty folder. The
  // staging folder is made beside it, to be put in its place (putInPlace).
  StagedFolder(std::filesystem::path target, FolderChangeHook hook);
  // `folder`: an absolute path with symbolic links resolved, of a folder that exists. The staging
  // folder is made inside it, for files to be moved into it (moveInto).
  static StagedFolder inside(std::filesystem::path folder, FolderChangeHook hook);
  // Removes the staging folder unless it was put in place.
  ~StagedFolder();
  StagedFolder(const StagedFolder&) = delete;
  StagedFolder& operator=(const StagedFolder&) = delete;

  // Makes the staging folder, with the permissions and owner of the target when it exists.
  // Returns an empty text when done, else what failed.
  std::string make();
  const std::filesystem::path& path() const { return path_; }

  // Keeps the entries named in `keep` and removes the others (the files the work needed and the
  // target must not hold), then puts the staging folder in the target's place. Returns an empty
  // text when done, else what failed (the target is then as it was).
  std::string putInPlace(const std::set<std::string>& keep);
  // After putInPlace: whether the target was this process's working folder (which then moved
  // with it: the process works in the new folder).
  bool replacedWorkingFolder() const { return replacedWorkingFolder_; }

  // Inside a folder: removes the journals left beside the entries named, which the folder lacks,
  // and syncs it. Such a journal belongs to no file, and would be rolled back into the file moved
  // in under that name. Returns an empty text when done, else what failed.
  std::string removeJournalsOf(const std::vector<std::string>& names);
  // Inside a folder: moves the entries named from the staging folder into it, each by one rename
  // that replaces nothing, then syncs the folder. Returns an empty text when all are moved, else
  // what failed (the entries moved so far stay moved).
  std::string moveInto(const std::vector<std::string>& names);

 private:
  StagedFolder(std::filesystem::path target, FolderChangeHook hook, bool inside);
  bool change() const { return hook_ && hook_(); }

  std::filesystem::path target_;
  bool inside_ = false;
  FolderChangeHook hook_;
  std::filesystem::path path_;
  int lockFd_ = -1;
  bool placed_ = false;
  bool replacedWorkingFolder_ = false;
};

// Removes the staging folders that programs making `target`, or files in it, left when they died.
void removeLeftoverStagings(const std::filesystem::path& target, const FolderChangeHook& hook);

}  // namespace datatool
