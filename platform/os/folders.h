// Folders of the user's own, as this platform names them.
#pragma once

#include <string>

namespace platform::os {

// The user's home folder: $HOME when it names a folder, else the home folder of the user's account,
// else the filesystem's root "/". Never empty, never ending in "/" unless it is the root.
std::string homeFolder();

}  // namespace platform::os
