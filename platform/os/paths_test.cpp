#include "platform/os/paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <type_traits>

namespace platform::os {
namespace {

namespace fs = std::filesystem;

// A path is made from a program's text only by pathOf.
static_assert(!std::is_constructible_v<fs::path, Cp1252Text>);
static_assert(!std::is_constructible_v<fs::path, Cp1252View>);

// A folder of the test's own, removed afterwards.
class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(root_); }
  void TearDown() override { fs::remove_all(root_); }
  const fs::path root_ = fs::temp_directory_path() / ("paths-" + std::to_string(::getpid()));
};

TEST_F(PathsTest, ANameWithAccentsAndEnyeIsTheFileSystemsUtf8Name) {
  const Cp1252Text folder = Cp1252Text::fromUtf8(root_.native()).value() + "/Año escolar/Canción ñu"_cp1252;
  ASSERT_EQ(folder.bytes().substr(folder.size() - 23), "/A\xF1o escolar/Canci\xF3n \xF1u") << "code page 1252";
  const fs::path made = pathOf(folder);
  ASSERT_TRUE(fs::create_directories(made));
  std::ofstream(made / "lista.txt") << "x";

  // What lies on the disk is named in UTF-8, as every other program names it.
  EXPECT_TRUE(fs::is_directory(root_ / "Año escolar" / "Canción ñu"));
  EXPECT_TRUE(fs::is_regular_file(root_ / "Año escolar" / "Canción ñu" / "lista.txt"));
  EXPECT_EQ(fs::directory_iterator(root_)->path().filename().native(), "Año escolar");
  // And the name comes back as the text it was made from.
  EXPECT_EQ(textOf(made), folder);
}

TEST_F(PathsTest, TrailingBlanksPadTheNameAndNamesNoFieldCanHoldComeBackAsNothing) {
  EXPECT_EQ(pathOf("Exportacion.Tps   "_cp1252), fs::path("Exportacion.Tps"));
  EXPECT_EQ(pathOf(" a b "_cp1252), fs::path(" a b")) << "leading and inner blanks are the name's";
  EXPECT_EQ(pathOf("      "_cp1252), fs::path());
  EXPECT_EQ(pathOf(Cp1252View()), fs::path());

  EXPECT_EQ(textOf(fs::path("/home/Peña/€")), "/home/Peña/€"_cp1252);
  EXPECT_EQ(textOf(fs::path("/home/Dvořák")), std::nullopt) << "ř has no byte in code page 1252";
  EXPECT_EQ(textOf(fs::path("/home/A\xF1o")), std::nullopt) << "a name in bytes that are not UTF-8";
}

}  // namespace
}  // namespace platform::os
