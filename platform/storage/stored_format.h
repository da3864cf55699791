// Inside the storage module: what the driver (data_file.cpp) and the checker (file_check.cpp) both
// know of the stored format (FORMAT.md).
#pragma once

#include <string>

#include "platform/storage/file_decl.h"

namespace platform::storage::stored {

// Every file's page size (the cipher's page size too).
inline constexpr int kPageSize = 4096;

// The meta table's 'format'.
inline constexpr int kFormatVersion = 1;

// "k3": the column of key 3's images in the record table; its index is "rec_k3".
std::string keyColumn(int key);

// The meta table's 'layout': what a file must have been created with to be read through this
// declaration (the fields and the keys' components and attributes; not the labels or prefix,
// which aliases change).
std::string layoutSignature(const FileDecl& decl);

// Moves the finished file `from` into place at `to` (an atomic rename, the folder synced before
// and after), first removing a journal left next to `to`: it belongs to the file replaced. False
// when it failed; `from` is then removed.
bool replaceFile(const std::string& from, const std::string& to);

// Syncs the folder of `path`, so that renames, links and removals made in it last.
void syncFolderOf(const std::string& path);

}  // namespace platform::storage::stored
