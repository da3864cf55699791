// The export file's name as the folder, the teacher key and the clock make it, and the percentage
// under the progress bar.
#include "output/export_name.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace output {
namespace {

using platform::Cp1252Text;
using platform::Cp1252View;
using namespace platform::literals;

platform::LocalMoment at(int year, int month, int day, int hour, int minute) {
  return {platform::dateSerial(year, month, day), platform::clockValue(hour, minute, 0)};
}

TEST(ExportNameTest, KeyDateAndTimeWithTheBlanksOfTheirPictures) {
  const platform::Locale locale;
  const struct {
    std::int32_t key;
    platform::LocalMoment moment;
    Cp1252View name;
  } cases[] = {
      {1234, at(2026, 12, 8, 14, 5), "Exporacion - 1234 - 12-08-26 14-05.Vyr"_cp1252},
      {1234, at(2026, 3, 7, 9, 30), "Exporacion - 1234 -  3-07-26  9-30.Vyr"_cp1252},
      {1234, at(2026, 1, 31, 0, 0), "Exporacion - 1234 -  1-31-26  0-00.Vyr"_cp1252},
      {1234, at(2026, 9, 1, 23, 59), "Exporacion - 1234 -  9-01-26 23-59.Vyr"_cp1252},
      {1234, at(2026, 10, 1, 10, 0), "Exporacion - 1234 - 10-01-26 10-00.Vyr"_cp1252},
      {1234, at(2000, 11, 5, 12, 7), "Exporacion - 1234 - 11-05-00 12-07.Vyr"_cp1252},
      {-7, at(2026, 12, 8, 14, 5), "Exporacion - -7 - 12-08-26 14-05.Vyr"_cp1252},
      {0, at(2026, 12, 8, 14, 5), "Exporacion - 0 - 12-08-26 14-05.Vyr"_cp1252},
  };
  for (const auto& c : cases) EXPECT_EQ(ExportFileName(c.key, c.moment, locale), c.name);
  // Seconds do not show: two exports within one minute get one name.
  EXPECT_EQ(ExportFileName(1, {platform::dateSerial(2026, 12, 8), platform::clockValue(14, 5, 1)}, locale),
            ExportFileName(1, {platform::dateSerial(2026, 12, 8), platform::clockValue(14, 5, 59, 99)}, locale));
}

TEST(ExportNameTest, PathIsTheFolderASlashAndTheNameOneBytePerCharacter) {
  const Cp1252Text name = "Exporacion - 1234 - 12-08-26 14-05.Vyr"_cp1252;
  const Cp1252Text deep = Cp1252Text::fromBytes("/" + std::string(230, 'c'));
  const Cp1252View accented = Cp1252View::ofBytes(
      "/home/mar\xED"
      "a/Calificaci\xF3"
      "n");
  const struct {
    Cp1252Text folder;
    Cp1252Text path;  // as Gs_ArchivoExportacion takes it
  } cases[] = {
      {"/home/ana/Actas"_cp1252, "/home/ana/Actas/"_cp1252 + name},
      {"/home/ana/Actas   "_cp1252, "/home/ana/Actas/"_cp1252 + name},
      {"/"_cp1252, "//"_cp1252 + name},
      {"/media/usb/Mis Actas"_cp1252, "/media/usb/Mis Actas/"_cp1252 + name},
      {accented, Cp1252Text(accented) + "/"_cp1252 + name},
      {deep, deep + "/"_cp1252 + name},  // whole: the export refuses what Gs_ArchivoExportacion cannot hold
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExportPath(c.folder, name), c.path) << c.folder.size() << " characters of folder";
}

TEST(ExportNameTest, BlankFolderIsTheHomeFolder) {
  const std::filesystem::path base =
      std::filesystem::temp_directory_path() / ("export-home-" + std::to_string(::getpid()));
  const char* saved = std::getenv("HOME");
  const std::string previous = saved != nullptr ? saved : "";
  const struct {
    std::string home;  // UTF-8, as the system names it
    std::optional<Cp1252Text> path;
  } cases[] = {
      {"Ana", Cp1252Text::fromBytes(base.string() + "/Ana/a.Vyr")},
      {"Mar\u00EDa", Cp1252Text::fromBytes(base.string() + "/Mar\xED"
                                                           "a/a.Vyr")},
      {"\u0391\u03BD\u03B1", std::nullopt},  // a name code page 1252 cannot hold
  };
  for (const auto& c : cases) {
    const std::filesystem::path home = base / c.home;
    std::filesystem::create_directories(home);
    ::setenv("HOME", home.c_str(), 1);
    EXPECT_EQ(ExportPath(""_cp1252, "a.Vyr"_cp1252), c.path) << c.home;
    EXPECT_EQ(ExportPath("     "_cp1252, "a.Vyr"_cp1252), c.path) << c.home;
  }
  if (saved != nullptr)
    ::setenv("HOME", previous.c_str(), 1);
  else
    ::unsetenv("HOME");
  std::filesystem::remove_all(base);
}

TEST(ExportNameTest, PercentRoundedHalvesUpInThreePositions) {
  const struct {
    std::int32_t done, total;
    Cp1252View text;
  } cases[] = {
      {0, 3, "  0 %"_cp1252},   {1, 3, " 33 %"_cp1252},  {2, 3, " 67 %"_cp1252},
      {3, 3, "100 %"_cp1252},   {1, 8, " 13 %"_cp1252},  // 12.5
      {1, 200, "  1 %"_cp1252},                          // 0.5
      {1, 201, "  0 %"_cp1252}, {7, 40, " 18 %"_cp1252}, {1999, 2000, "100 %"_cp1252},
      {0, 0, "100 %"_cp1252},   {5, 0, "100 %"_cp1252},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentText(c.done, c.total), c.text) << c.done << " of " << c.total;
}

}  // namespace
}  // namespace output
