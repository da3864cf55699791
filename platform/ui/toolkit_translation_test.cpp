// The toolkit's own texts in the language loaded: the Qt port's save, folder and print dialogs and
// an entry's context menu, answered from a timer while they wait; the texts the program gives stay
// as given.
#include "platform/ui/toolkit_translation.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <functional>
#include <memory>

#include "platform/ui/message_box.h"

namespace platform::ui {
namespace {

using Texts = std::vector<std::string>;

// The entries of a new entry's context menu, without their shortcuts.
Texts contextMenuOfAnEntry() {
  QLineEdit entry;
  std::unique_ptr<QMenu> menu(entry.createStandardContextMenu());
  Texts texts;
  for (QAction* action : menu->actions())
    if (!action->isSeparator()) texts.push_back(action->text().section('\t', 0, 0).toStdString());
  return texts;
}

template <typename Dialog>
Texts textsOf(const Dialog& dialog) {
  Texts texts;
  for (const auto* label : dialog.template findChildren<QLabel*>())
    if (label->isVisibleTo(&dialog) && !label->text().isEmpty()) texts.push_back(label->text().toStdString());
  for (const auto* button : dialog.template findChildren<QPushButton*>())
    if (button->isVisibleTo(&dialog)) texts.push_back(button->text().toStdString());
  return texts;
}

class ToolkitTranslationTest : public ::testing::Test {
 protected:
  // Runs `step` on the first modal dialog of type Dialog as soon as it waits.
  template <typename Dialog>
  void whenOpen(std::function<void(Dialog&)> step) {
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [this, step] {
      if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
        timer.stop();
        step(*dialog);
        dialog->reject();
      }
    });
    timer.start();
  }

  static int translators() {
    return static_cast<int>(QCoreApplication::instance()->findChildren<QTranslator*>().size());
  }

  QTemporaryDir dir;
  QTimer timer;
  Locale locale;
  QtUserPort port{locale};
};

TEST_F(ToolkitTranslationTest, TheEntrysContextMenuSpeaksTheLanguageLoadedOnce) {
  EXPECT_EQ(contextMenuOfAnEntry(), (Texts{"&Undo", "&Redo", "Cu&t", "&Copy", "&Paste", "Delete", "Select All"}));
  ASSERT_TRUE(loadToolkitTranslation("es"));
  const Texts spanish = {"&Deshacer", "&Rehacer", "Cor&tar", "&Copiar", "&Pegar", "Borrar", "Seleccionar todo"};
  EXPECT_EQ(contextMenuOfAnEntry(), spanish);
  ASSERT_TRUE(loadToolkitTranslation("es"));
  EXPECT_EQ(translators(), 1) << "loading the language in use again installs nothing more";
  EXPECT_FALSE(loadToolkitTranslation("xx-no-such-language"));
  EXPECT_EQ(contextMenuOfAnEntry(), spanish) << "a language without a translation leaves the one in use";
  EXPECT_EQ(translators(), 1);
}

TEST_F(ToolkitTranslationTest, TheSaveDialogSpeaksTheLanguageButKeepsTheTitleGiven) {
  ASSERT_TRUE(loadToolkitTranslation("es"));
  Texts shown;
  std::string title;
  whenOpen<QFileDialog>([&](QFileDialog& dialog) {
    shown = textsOf(dialog);
    title = dialog.windowTitle().toStdString();
  });
  EXPECT_FALSE(
      port.chooseFileToSave({"Save PDF File", {{"PDF", "*.PDF"}, {"All", "*.*"}}, "", dir.path().toStdString()}));
  EXPECT_EQ(title, "Save PDF File");
  EXPECT_EQ(shown, (Texts{"Ver en:", "&Nombre de fichero:", "Ficheros de tipo:", "&Guardar", "Cancelar"}));
}

TEST_F(ToolkitTranslationTest, TheFolderDialogSpeaksTheLanguage) {
  ASSERT_TRUE(loadToolkitTranslation("es"));
  Texts shown;
  whenOpen<QFileDialog>([&](QFileDialog& dialog) { shown = textsOf(dialog); });
  EXPECT_FALSE(port.chooseFolder({"Seleccione la Ruta", dir.path().toStdString()}));
  EXPECT_EQ(shown, (Texts{"Ver en:", "Directorio:", "Ficheros de tipo:", "&Seleccionar", "Cancelar"}));
}

TEST_F(ToolkitTranslationTest, ThePrintDialogSpeaksTheLanguageButKeepsTheTitleGiven) {
  ASSERT_TRUE(loadToolkitTranslation("es"));
  Texts shown;
  std::string title;
  whenOpen<QPrintDialog>([&](QPrintDialog& dialog) {
    shown = textsOf(dialog);
    title = dialog.windowTitle().toStdString();
  });
  EXPECT_FALSE(port.choosePrinter({"Report", 3}));
  EXPECT_EQ(title, "Report");
  for (const char* text : {"&Nombre:", "Ubicación:", "Im&primir", "Cancelar"})
    EXPECT_NE(std::find(shown.begin(), shown.end(), text), shown.end()) << text;
}

}  // namespace
}  // namespace platform::ui
