#include "platform/classes/path_lookup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/port/scripted_port.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// A folder dialog that, as some desktops' dialogs do, leaves the working folder where the user
// browsed to.
class WanderingPort : public ScriptedPort {
 public:
  fs::path browsedTo;
  std::optional<std::string> chooseFolder(const FolderRequest& request) override {
    fs::current_path(browsedTo);
    return ScriptedPort::chooseFolder(request);
  }
};

// What an entry holds for a folder the file system names in UTF-8.
Cp1252Text entryOf(const std::string& utf8) { return Cp1252Text::fromUtf8(utf8).value(); }

class PathLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("path-lookup-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "datos");
    fs::create_directories(root / "actas");
    fs::create_directories(root / "inicio");
    previous = fs::current_path();
    fs::current_path(root / "datos");
    port.browsedTo = root / "actas";
    lookup.setTitle("Seleccione la Ruta");
    lookup.setDefaultFolder((root / "inicio").string());
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(root);
  }

  fs::path root, previous;
  WanderingPort port;
  PathLookup lookup{port};
};

TEST_F(PathLookupTest, OpensWhereTheEntryPointsOrInTheDefaultFolder) {
  const std::string actas = (root / "actas").string();
  const struct {
    Cp1252Text current;
    std::string opensIn;
  } cases[] = {
      {entryOf(actas), actas},
      {entryOf(actas + "   "), actas},  // an entry's trailing blanks
      {Cp1252Text(), (root / "inicio").string()},
      {entryOf((root / "no-existe").string()), (root / "inicio").string()},
  };
  for (const auto& c : cases) {
    port.clear();
    lookup.ask(c.current);
    ASSERT_EQ(port.folderRequests().size(), 1u);
    EXPECT_EQ(port.folderRequests()[0].title, "Seleccione la Ruta");
    EXPECT_EQ(port.folderRequests()[0].startFolder, c.opensIn) << "entry \"" << c.current << "\"";
  }
}

TEST_F(PathLookupTest, ReturnsTheChosenFolderAndKeepsTheWorkingFolder) {
  port.answerFolder((root / "actas").string());
  EXPECT_EQ(lookup.ask(Cp1252Text()), entryOf((root / "actas").string()));
  EXPECT_EQ(fs::current_path(), root / "datos") << "the data files' folder stays the working folder";
}

TEST_F(PathLookupTest, CancelEmptiesTheEntryOnlyWithClearOnCancel) {
  const Cp1252Text current = entryOf((root / "actas").string());
  lookup.setClearOnCancel(false);
  EXPECT_EQ(lookup.ask(current), current);
  lookup.setClearOnCancel(true);
  EXPECT_EQ(lookup.ask(current), Cp1252Text());
  EXPECT_EQ(fs::current_path(), root / "datos");
  EXPECT_EQ(port.folderRequests().size(), 2u);
}

// The entry holds code page 1252, the dialog and the file system UTF-8: the lookup converts both
// ways, and a folder the code page cannot name leaves the entry as it was.
TEST_F(PathLookupTest, TheEntryHoldsTheFolderInCodePage1252) {
  const fs::path accented = root / "Calificación";
  const fs::path foreign = root / "成绩";
  fs::create_directories(accented);
  fs::create_directories(foreign);
  const Cp1252Text entry = Cp1252Text::fromBytes((root / "Calificaci").string() + "\xF3n");
  port.answerFolder(accented.string());
  EXPECT_EQ(lookup.ask(Cp1252Text()), entry);
  port.answerFolder(foreign.string());
  EXPECT_EQ(lookup.ask(entry), entry) << "the entry keeps the folder it held";
  ASSERT_EQ(port.folderRequests().size(), 2u);
  EXPECT_EQ(port.folderRequests()[1].startFolder, accented.string()) << "opens where the entry points";
}

}  // namespace
}  // namespace platform
