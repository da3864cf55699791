#include "platform/os/paths.h"

namespace platform::os {

std::filesystem::path pathOf(Cp1252View name) { return std::filesystem::path(trimRight(name).toUtf8()); }

std::optional<Cp1252Text> textOf(const std::filesystem::path& path) { return Cp1252Text::fromUtf8(path.native()); }

}  // namespace platform::os
