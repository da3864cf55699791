#include "output/export_name.h"

#include "platform/core/picture.h"
#include "platform/os/folders.h"
#include "platform/os/paths.h"

namespace output {

using platform::Cp1252Text;
using namespace platform::literals;

// The pictures make code page 1252 (digits, dashes and blanks).
Cp1252Text ExportFileName(std::int32_t teacherKey, platform::LocalMoment moment, const platform::Locale& locale) {
  const platform::Picture date = *platform::Picture::parse("d1-");
  const platform::Picture time = *platform::Picture::parse("t1-");
  return "Exporacion - "_cp1252 + Cp1252Text::decimal(teacherKey) + " - "_cp1252 +
         trimRight(Cp1252Text::fromBytes(date.formatDate(moment.date))) + " "_cp1252 +
         trimRight(Cp1252Text::fromBytes(time.formatTime(moment.time, locale))) + ".Vyr"_cp1252;
}

std::optional<Cp1252Text> ExportPath(platform::Cp1252View folder, platform::Cp1252View fileName) {
  std::optional<Cp1252Text> chosen = Cp1252Text(trimRight(folder));
  if (chosen->empty()) chosen = platform::os::textOf(platform::os::homeFolder());
  if (!chosen) return std::nullopt;
  return *chosen + "/"_cp1252 + fileName;
}

Cp1252Text PercentText(std::int32_t done, std::int32_t total) {
  const double percent = total > 0 ? static_cast<double>(done) / total * 100 : 100;
  return Cp1252Text::fromBytes(platform::formatPicture("n3", percent)) + " %"_cp1252;
}

}  // namespace output
