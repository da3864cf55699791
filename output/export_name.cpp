#include "output/export_name.h"

#include "platform/core/cp1252.h"
#include "platform/core/picture.h"
#include "platform/os/folders.h"

namespace output {
namespace {

std::string withoutTrailingBlanks(const std::string& text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

}  // namespace

std::string ExportFileName(std::int32_t teacherKey, platform::LocalMoment moment, const platform::Locale& locale) {
  const platform::Picture date = *platform::Picture::parse("d1-");
  const platform::Picture time = *platform::Picture::parse("t1-");
  return "Exporacion - " + std::to_string(teacherKey) + " - " + withoutTrailingBlanks(date.formatDate(moment.date)) +
         " " + withoutTrailingBlanks(time.formatTime(moment.time, locale)) + ".Vyr";
}

std::optional<std::string> ExportPath(const std::string& folder, const std::string& fileName) {
  std::string chosen = withoutTrailingBlanks(folder);
  if (chosen.empty() && !platform::utf8ToCp1252(platform::os::homeFolder(), chosen)) return std::nullopt;
  return chosen + "/" + fileName;
}

std::string PercentText(std::int32_t done, std::int32_t total) {
  const double percent = total > 0 ? static_cast<double>(done) / total * 100 : 100;
  return platform::formatPicture("n3", percent) + " %";
}

}  // namespace output
