#include "platform/classes/ini_settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <climits>
#include <fstream>

namespace platform {
namespace {

class IniSettingsTest : public ::testing::Test {
 protected:
  std::string path(const char* name) const { return QDir(dir.path()).filePath(name).toStdString(); }
  void write(const char* name, const std::string& bytes) const { std::ofstream(path(name), std::ios::binary) << bytes; }

  QTemporaryDir dir;
};

TEST_F(IniSettingsTest, ValuesSurviveKillAndReopen) {
  {
    IniSettings ini;
    ini.init(path("Zolbrans.INI"));
    EXPECT_TRUE(ini.update("_PreviewWindow_", "Zoom", 75));
    EXPECT_TRUE(ini.update("_PreviewWindow_", "Title", "Acta, grupo 3 \xC3\xA1"));
    EXPECT_TRUE(ini.update("", "Plain", "sin secci\xC3\xB3n"));
    EXPECT_TRUE(ini.update("Other", "Zoom", -3));
    EXPECT_TRUE(ini.kill());
    EXPECT_FALSE(ini.isOpen());
    EXPECT_EQ(ini.fetch("Other", "Zoom", "gone"), "gone");
    EXPECT_FALSE(ini.update("Other", "Zoom", 1));
  }
  IniSettings ini;
  ini.init(path("Zolbrans.INI"));
  EXPECT_EQ(ini.fetchInt("_PreviewWindow_", "Zoom"), 75);
  EXPECT_EQ(ini.fetch("_PreviewWindow_", "Title"), "Acta, grupo 3 \xC3\xA1");
  EXPECT_EQ(ini.fetch("", "Plain"), "sin secci\xC3\xB3n");
  EXPECT_EQ(ini.fetchInt("Other", "Zoom"), -3);
  EXPECT_EQ(ini.fetchInt("Other", "Missing", 9), 9);
}

TEST_F(IniSettingsTest, UpdatesReachTheFileWithoutKill) {
  // A program that ends abruptly must not lose what it stored.
  IniSettings ini;
  ini.init(path("a.ini"));
  ASSERT_TRUE(ini.update("S", "K", 5));
  IniSettings reader;
  reader.init(path("a.ini"));
  EXPECT_EQ(reader.fetchInt("S", "K"), 5);
}

TEST_F(IniSettingsTest, BareNameMeansTheWorkingFolder) {
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  IniSettings ini;
  ini.init("Zolbrans.INI");
  QDir::setCurrent(before);  // the file stays where it was named, whatever the folder is later
  EXPECT_EQ(ini.fileName(), path("Zolbrans.INI"));
  ASSERT_TRUE(ini.update("S", "K", 1));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(path("Zolbrans.INI"))));
}

TEST_F(IniSettingsTest, WindowPlaceRoundTrip) {
  IniSettings ini;
  ini.init(path("w.ini"));
  EXPECT_FALSE(ini.fetchWindow("_PreviewWindow_").has_value());
  const WindowPlace preview{-8, 20, 800, 600, true};
  const WindowPlace pages{100, 120, 300, 160, false};
  ASSERT_TRUE(ini.storeWindow("_PreviewWindow_", preview));
  ASSERT_TRUE(ini.storeWindow("_PreviewAskPagesWindow_", pages));
  ini.kill();
  ini.init(path("w.ini"));
  EXPECT_EQ(ini.fetchWindow("_PreviewWindow_"), preview);
  EXPECT_EQ(ini.fetchWindow("_PreviewAskPagesWindow_"), pages);
}

TEST_F(IniSettingsTest, MalformedValuesGiveDefaults) {
  write("bad.ini",
        "[S]\nText=abc\nBig=99999999999\nNum= 42 \n"
        "[W1]\nX=1\nY=2\nWidth=0\nHeight=10\n"
        "[W2]\nX=1\nY=zz\nWidth=10\nHeight=10\n"
        "[W3]\nX=1\nY=2\nWidth=10\n");
  IniSettings ini;
  ini.init(path("bad.ini"));
  EXPECT_EQ(ini.fetchInt("S", "Text", 7), 7);
  EXPECT_EQ(ini.fetchInt("S", "Big", 7), 7);
  EXPECT_EQ(ini.fetchInt("S", "Num", 7), 42);
  EXPECT_EQ(ini.fetch("S", "Text"), "abc");
  for (const char* section : {"W1", "W2", "W3"}) EXPECT_FALSE(ini.fetchWindow(section).has_value()) << section;
}

TEST_F(IniSettingsTest, DamagedOrMissingFileGivesDefaultsAndStaysWritable) {
  std::string garbage = "\xFF\xFE[[[\x01\x02=\n=====\n[unterminated\nkey\n";
  garbage += std::string("\0\0\0", 3);
  write("damaged.ini", garbage);
  IniSettings ini;
  ini.init(path("damaged.ini"));
  EXPECT_EQ(ini.fetch("_PreviewWindow_", "X", "d"), "d");
  EXPECT_FALSE(ini.fetchWindow("_PreviewWindow_").has_value());
  EXPECT_TRUE(ini.storeWindow("_PreviewWindow_", {1, 2, 3, 4, false}));
  ini.kill();
  ini.init(path("damaged.ini"));
  EXPECT_EQ(ini.fetchWindow("_PreviewWindow_"), (WindowPlace{1, 2, 3, 4, false}));

  IniSettings missing;
  missing.init(path("no/such/folder/x.ini"));
  EXPECT_EQ(missing.fetchInt("S", "K", 3), 3);
}

TEST_F(IniSettingsTest, AFailedWriteIsReported) {
  // The "file" is a folder: nothing can be written there.
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ini"));
  IniSettings ini;
  ini.init(path("folder.ini"));
  EXPECT_FALSE(ini.update("S", "K", 1));
  EXPECT_FALSE(ini.kill());
}

TEST_F(IniSettingsTest, RemoveValueAndSection) {
  IniSettings ini;
  ini.init(path("r.ini"));
  ini.update("S", "A", 1);
  ini.update("S", "B", 2);
  ini.update("T", "A", 3);
  EXPECT_TRUE(ini.remove("S", "A"));
  EXPECT_EQ(ini.fetchInt("S", "A", -1), -1);
  EXPECT_EQ(ini.fetchInt("S", "B", -1), 2);
  EXPECT_TRUE(ini.remove("S", ""));
  EXPECT_EQ(ini.fetchInt("S", "B", -1), -1);
  EXPECT_EQ(ini.fetchInt("T", "A", -1), 3);
}

}  // namespace
}  // namespace platform
