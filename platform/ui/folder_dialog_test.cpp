// The Qt port's folder-browse dialog, answered from a timer while it waits in its own loop.
#include "platform/ui/folder_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "platform/ui/message_box.h"

namespace platform::ui {
namespace {

class FolderDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath("inicio/actas"));
    start = dir.filePath("inicio").toStdString();
  }

  // Runs `step` on the dialog as soon as it is the active modal widget.
  void whenOpen(std::function<void(FolderDialog&)> step) {
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [this, step] {
      if (auto* dialog = dynamic_cast<FolderDialog*>(QApplication::activeModalWidget())) {
        timer.stop();
        step(*dialog);
      }
    });
    timer.start();
  }

  QTemporaryDir dir;
  std::string start;
  QTimer timer;
  Locale locale;
  QtUserPort port{locale};
};

TEST_F(FolderDialogTest, OffersFoldersOnlyAndGivesTheChosenOnesFullPath) {
  whenOpen([this](FolderDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Seleccione la Ruta");
    EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(dialog.testOption(QFileDialog::ShowDirsOnly));
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath().toStdString(),
              QDir(QString::fromStdString(start)).canonicalPath().toStdString());
    dialog.setDirectory(QString::fromStdString(start + "/actas"));
    static_cast<QDialog&>(dialog).accept();  // the OK button
  });
  const std::optional<std::string> chosen = port.chooseFolder({"Seleccione la Ruta", start});
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(QDir(QString::fromStdString(*chosen)).canonicalPath(), QDir(dir.filePath("inicio/actas")).canonicalPath());
  EXPECT_TRUE(QDir::isAbsolutePath(QString::fromStdString(*chosen)));
}

TEST_F(FolderDialogTest, CancelGivesNothing) {
  whenOpen([](FolderDialog& dialog) { dialog.reject(); });
  EXPECT_FALSE(port.chooseFolder({"Seleccione la Ruta", start}).has_value());
}

TEST_F(FolderDialogTest, WithoutAStartFolderItOpensInTheWorkingFolder) {
  const FolderDialog dialog(FolderRequest{"Ruta", ""});
  EXPECT_EQ(dialog.directory().absolutePath(), QDir::currentPath());
}

}  // namespace
}  // namespace platform::ui
