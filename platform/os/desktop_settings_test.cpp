#include "platform/os/desktop_settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <optional>

#include "platform/os/fake_desktop_settings.h"

namespace platform::os {
namespace {

// Points the user's configuration folder at a temporary one for the test's duration.
class DesktopSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved = old;
    setenv("XDG_CONFIG_HOME", config().c_str(), 1);
  }
  void TearDown() override {
    if (saved)
      setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
  }
  std::string config() const { return QDir(dir.path()).filePath("config").toStdString(); }
  std::string file() const { return config() + "/desktop-settings.ini"; }

  QTemporaryDir dir;
  std::optional<std::string> saved;
};

TEST_F(DesktopSettingsTest, FileLivesInTheUsersConfigurationFolder) {
  EXPECT_EQ(UserDesktopSettings::defaultFileName(), file());
  EXPECT_EQ(UserDesktopSettings().fileName(), file());
}

TEST_F(DesktopSettingsTest, OnWhenNeverSet) {
  UserDesktopSettings settings;
  int value = -7;
  ASSERT_TRUE(settings.dragFullWindows(value));
  EXPECT_EQ(value, 1);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(file())));  // reading creates nothing
}

TEST_F(DesktopSettingsTest, SavedChangeOutlivesTheProgram) {
  ASSERT_TRUE(UserDesktopSettings().setDragFullWindows(0, kUpdateProfile | kAnnounceChange));
  int value = -1;
  ASSERT_TRUE(UserDesktopSettings().dragFullWindows(value));  // another process's view
  EXPECT_EQ(value, 0);
  ASSERT_TRUE(UserDesktopSettings().setDragFullWindows(1, 3));
  ASSERT_TRUE(UserDesktopSettings().dragFullWindows(value));
  EXPECT_EQ(value, 1);
}

TEST_F(DesktopSettingsTest, UnsavedChangeHoldsForThisObjectOnly) {
  UserDesktopSettings settings;
  ASSERT_TRUE(settings.setDragFullWindows(0, 0));
  int value = -1;
  ASSERT_TRUE(settings.dragFullWindows(value));
  EXPECT_EQ(value, 0);
  ASSERT_TRUE(UserDesktopSettings().dragFullWindows(value));
  EXPECT_EQ(value, 1);
}

TEST_F(DesktopSettingsTest, ReadFailsOnAMalformedValueOrUnreadableFile) {
  QDir().mkpath(QString::fromStdString(config()));
  std::ofstream(file()) << "[General]\nDragFullWindows=yes\n";
  int value = 5;
  EXPECT_FALSE(UserDesktopSettings().dragFullWindows(value));
  EXPECT_EQ(value, 5);

  // A folder where the file should be: neither read nor write succeeds.
  UserDesktopSettings folder(config());
  EXPECT_FALSE(folder.dragFullWindows(value));
  EXPECT_FALSE(folder.setDragFullWindows(0, kUpdateProfile));
  EXPECT_EQ(value, 5);
}

TEST_F(DesktopSettingsTest, WriteRepairsAMalformedValue) {
  QDir().mkpath(QString::fromStdString(config()));
  std::ofstream(file()) << "[General]\nDragFullWindows=yes\nOther=2\n";
  ASSERT_TRUE(UserDesktopSettings().setDragFullWindows(0, 3));
  int value = -1;
  ASSERT_TRUE(UserDesktopSettings().dragFullWindows(value));
  EXPECT_EQ(value, 0);
}

TEST(FakeDesktopSettingsTest, RecordsReadsAndWrites) {
  FakeDesktopSettings fake(1);
  int value = 0;
  EXPECT_TRUE(fake.dragFullWindows(value));
  EXPECT_EQ(value, 1);
  EXPECT_TRUE(fake.setDragFullWindows(0, 3));
  fake.failReads = true;
  value = 9;
  EXPECT_FALSE(fake.dragFullWindows(value));
  EXPECT_EQ(value, 9);
  fake.failWrites = true;
  EXPECT_FALSE(fake.setDragFullWindows(1, 3));
  EXPECT_EQ(fake.value, 0);
  EXPECT_EQ(fake.reads, 2);
  EXPECT_EQ(fake.writes, (std::vector<FakeDesktopSettings::Write>{{0, 3}, {1, 3}}));
}

}  // namespace
}  // namespace platform::os
