// The names of the window definitions the program holds (":/windows/NAME.json"), for tools and
// tests that go through all of them.
#pragma once

#include <string>
#include <vector>

namespace gradebook {

std::vector<std::string> WindowDefinitionNames();

}  // namespace gradebook
