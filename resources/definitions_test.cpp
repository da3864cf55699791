// Every window definition the program holds parses, names only images the program holds, and
// builds: every control made and every image decoded.
#include <gtest/gtest.h>

#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QMovie>
#include <QTextDocument>
#include <deque>

#include "platform/core/fixed_text.h"
#include "platform/ui/help_viewer.h"
#include "platform/ui/test_robot.h"
#include "platform/ui/window.h"
#include "resources/resources.h"

namespace gradebook {
namespace {

TEST(DefinitionsTest, EveryStoredWindowParsesAndBuilds) {
  const std::vector<std::string> names = WindowDefinitionNames();
  ASSERT_FALSE(names.empty());
  platform::Locale locale;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    platform::ui::WindowDefinition definition;
    try {
      definition = platform::ui::loadWindowDefinition(name);
    } catch (const platform::layout::DefinitionError& e) {
      ADD_FAILURE() << e.what();
      continue;
    }
    platform::ui::Window window(definition, locale);
    EXPECT_EQ(window.controlCount(), static_cast<int>(definition.controls.size()));
    std::deque<platform::FixedText<255>> texts;
    for (const platform::ui::ControlDefinition& c : definition.controls) {
      const std::string use = c.text("use");
      if (!use.empty() && !window.control(c.number).isBound())
        window.bind(use, platform::ui::Variable::of(texts.emplace_back()));
      if (c.kind != "image") continue;
      auto* label = qobject_cast<QLabel*>(window.control(c.number).widget());
      ASSERT_NE(label, nullptr);
      EXPECT_TRUE(label->movie() != nullptr || !label->pixmap().isNull()) << c.label << " shows nothing";
    }
    EXPECT_NO_THROW(window.open());
    window.close();
    if (!definition.helpId.empty()) {
      EXPECT_TRUE(platform::ui::helpPageExists(definition.helpId)) << "no help page for " << definition.helpId;
    }
  }
}

TEST(DefinitionsTest, TheSignInBarIsAnimated) {
  platform::Locale locale;
  platform::ui::Window window("comprobar_usuario", locale);
  auto* bar = qobject_cast<QLabel*>(window.control("?IMAGE3").widget());
  ASSERT_NE(bar, nullptr);
  ASSERT_NE(bar->movie(), nullptr);
  EXPECT_GT(bar->movie()->frameCount(), 1);
  EXPECT_EQ(bar->width(), window.units().toPixelsX(220));
}

TEST(DefinitionsTest, EveryHelpIdHasItsPage) {
  for (const std::string& id : SystemHelpIds()) EXPECT_TRUE(platform::ui::helpPageExists(id)) << id;
  for (const std::string& name : WindowDefinitionNames()) {
    const std::string id = platform::ui::loadWindowDefinition(name).helpId;
    if (!id.empty()) {
      EXPECT_TRUE(platform::ui::helpPageExists(id)) << name << ": " << id;
    }
  }
}

// A prompt's access key focuses the control after it: each prompt that has one is followed by a
// control that can hold the focus.
TEST(DefinitionsTest, EveryPromptWithAnAccessKeyLabelsAControl) {
  platform::Locale locale;
  for (const std::string& name : WindowDefinitionNames()) {
    const platform::ui::Window window(platform::ui::loadWindowDefinition(name), locale);
    for (int n = 1; n <= window.controlCount(); ++n) {
      const platform::ui::Control& prompt = window.control(n);
      if (prompt.definition().kind != "prompt" ||
          QKeySequence::mnemonic(QString::fromStdString(prompt.text())).isEmpty())
        continue;
      bool labels = false;
      for (int next = n + 1; next <= window.controlCount() && !labels; ++next)
        labels = window.control(next).canHoldFocus();
      EXPECT_TRUE(labels) << name << ": " << prompt.label() << " \"" << prompt.text()
                          << "\" has an access key and no control after it to focus";
    }
  }
}

// The pages name the buttons as they show, without their access-key marks.
TEST(DefinitionsTest, HelpPagesShowNoAccessKeyMarks) {
  for (const std::string& id : SystemHelpIds()) {
    QFile page(QString::fromStdString(platform::ui::helpPagePath(id)));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << id;
    QTextDocument document;
    document.setHtml(QString::fromUtf8(page.readAll()));
    EXPECT_FALSE(document.toPlainText().contains('&')) << id << ": " << document.toPlainText().toStdString();
  }
}

// The help button shows only its icon: its tooltip names it, and its access key (Alt+U) shows the
// page as a click does, wherever the focus is.
TEST(DefinitionsTest, TheHelpButtonShowsTheWindowsPage) {
  platform::Locale locale;
  ASSERT_TRUE(locale.set("CLABUTTON", "&Aceptar,&Si,&No,&Abortar,&Reintentar,&Ignorar,&Cancelar,&Ayuda"));
  for (const bool byKey : {false, true}) {
    SCOPED_TRACE(byKey ? "Alt+U" : "a click");
    platform::ui::Window window("calificaciones", locale);
    std::int32_t graded = 0, ungraded = 0;
    window.bind("LL_GCONCALIFICACION", platform::ui::Variable::of(graded));
    window.bind("LL_TOTGSCALIFICAR", platform::ui::Variable::of(ungraded));
    platform::ui::Robot robot;
    robot.inWindow("Calificaciones", [byKey](platform::ui::WindowDriver& w) {
      EXPECT_EQ(w.find("?HELP")->toolTip().toStdString(), "Ayuda");
      EXPECT_TRUE(w.painted("?HELP").empty()) << "only its icon shows";
      if (byKey)
        w.key(Qt::Key_U, Qt::AltModifier);
      else
        w.press("?HELP");
    });
    robot.inWindow("Ayuda: Calificaciones", [](platform::ui::WindowDriver& w) {
      EXPECT_NE(w.text("?TEXT").find("pulse Buscar para ver sus actas"), std::string::npos) << w.text("?TEXT");
      EXPECT_EQ(w.text("?OK"), "&Aceptar");
      w.press("?OK");
    });
    robot.inWindow("Calificaciones", [](platform::ui::WindowDriver& w) { w.closeBox(); });
    platform::ui::runUntilClosed(robot, window);
    EXPECT_TRUE(robot.done()) << robot.report();
  }
}

}  // namespace
}  // namespace gradebook
