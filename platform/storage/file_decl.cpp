#include "platform/storage/file_decl.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <utility>

#include "platform/core/trim.h"

namespace platform::storage {
namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

// "ACT:ID_ACT" -> "ID_ACT" when the prefix is the file's; other names are returned whole.
std::string_view withoutPrefix(std::string_view name, std::string_view prefix) {
  const auto colon = name.find(':');
  if (colon != std::string_view::npos && sameIgnoringCase(name.substr(0, colon), prefix)) {
    return name.substr(colon + 1);
  }
  return name;
}

}  // namespace

std::string FileDecl::physicalPath() const { return std::string(trimRight(nameSource ? nameSource() : physicalName)); }

std::string FileDecl::keyName(int key) const { return prefix + ":" + keys.at(static_cast<std::size_t>(key)).label; }

std::string FileDecl::fieldName(int field) const { return prefix + ":" + layout.field(field).name; }

int FileDecl::keyIndex(std::string_view name) const {
  const auto bare = withoutPrefix(name, prefix);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (sameIgnoringCase(keys[i].label, bare)) return static_cast<int>(i);
  }
  return -1;
}

int FileDecl::fieldIndex(std::string_view name) const { return layout.indexOf(withoutPrefix(name, prefix)); }

int FileDecl::keyNamed(std::string_view name) const {
  const int key = keyIndex(name);
  if (key < 0) throw std::logic_error(label + " has no key " + std::string(name));
  return key;
}

int FileDecl::fieldNamed(std::string_view name) const {
  const int field = fieldIndex(name);
  if (field < 0) throw std::logic_error(label + " has no field " + std::string(name));
  return field;
}

FileDecl aliasOf(const FileDecl& file, std::string label, std::string prefix) {
  FileDecl alias = file;
  alias.label = std::move(label);
  alias.prefix = std::move(prefix);
  return alias;
}

FileDecl placedAt(const FileDecl& file, std::string path) {
  FileDecl placed = file;
  placed.physicalName = std::move(path);
  placed.nameSource = nullptr;
  return placed;
}

}  // namespace platform::storage
