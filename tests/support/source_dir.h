// Where the project's sources lie, for tests that read files of it (fixtures): the folder CTest
// gives in GRADEBOOK_SOURCE_DIR or, for a test binary run by hand, the folder it was built from
// (GRADEBOOK_SOURCE_DIR_FALLBACK, which gradebook_test and gradebook_gui_test define).
#pragma once

#include <cstdlib>
#include <filesystem>

namespace tests {

inline std::filesystem::path sourceDir() {
  const char* dir = std::getenv("GRADEBOOK_SOURCE_DIR");
  return dir != nullptr ? std::filesystem::path(dir) : std::filesystem::path(GRADEBOOK_SOURCE_DIR_FALLBACK);
}

}  // namespace tests
