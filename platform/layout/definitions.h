// What window and report definitions share: the error that lists every problem found in one, and
// the images a definition names.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform::layout {

// A definition with mistakes in it: every problem found, one per line in what().
class DefinitionError : public std::runtime_error {
 public:
  explicit DefinitionError(const std::vector<std::string>& problems);
  const std::vector<std::string>& problems() const { return problems_; }

 private:
  std::vector<std::string> problems_;
};

// Whether the program holds an image of that name.
using ImageCheck = std::function<bool(const std::string& name)>;

// The path of an image named in a definition: a bare name is a resource of ":/images/"; a name
// that begins with "/" or ":" is a path of its own.
std::string imagePath(const std::string& name);
bool imageExists(const std::string& name);

}  // namespace platform::layout
