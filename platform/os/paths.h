// The file system's names of the files and folders that the program's texts name: a name held in a
// record's field or a window's variable is code page 1252 (Cp1252Text), and this platform's file
// system names are UTF-8. Every such name reaches the file system through pathOf, and the file
// system's names come back into the program's texts through textOf; nothing else converts them.
// Pure functions, thread safe.
#pragma once

#include <filesystem>
#include <optional>

#include "platform/core/cp1252_text.h"

namespace platform::os {

// The path a name stands for. Its trailing blanks are no part of it: they pad the field or
// variable that holds it. A blank name gives the empty path.
std::filesystem::path pathOf(Cp1252View name);

// A path as the program's texts hold it; nothing when its name has a character that code page 1252
// lacks (or bytes that are not UTF-8), since no field or variable could hold it.
std::optional<Cp1252Text> textOf(const std::filesystem::path& path);

}  // namespace platform::os
