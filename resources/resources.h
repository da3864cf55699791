// The names of the window definitions the program holds (":/windows/NAME.json"), and the help ids
// of its windows, for tools and tests that go through all of them.
#pragma once

#include <string>
#include <vector>

namespace gradebook {

std::vector<std::string> WindowDefinitionNames();

// The help ids of the program's windows; each has a page ":/help/ID.html".
std::vector<std::string> SystemHelpIds();

}  // namespace gradebook
