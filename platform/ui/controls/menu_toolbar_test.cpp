// Windows with a menu bar, a toolbar and a status bar, and the kinds that live there: menus and
// items, spins, combos, panels and lines, driven by the robot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QStatusTipEvent>

#include "platform/core/fixed_text.h"
#include "platform/ui/test_robot.h"
#include "platform/ui/window.h"

namespace platform::ui {
namespace {

const char* kDefinition = R"({
  "title": "Vista", "at": [null, null, 300, 100], "frame": "resizable", "toolbar": 30, "statusBar": [100, -1],
  "controls": [
    {"label": "?FILEMENU", "kind": "menu", "text": "&Archivo"},
    {"label": "?PRINT", "kind": "item", "parent": "?FILEMENU", "text": "&Imprimir", "status": "Imprimir Reporte"},
    {"label": "?SAVEMENU", "kind": "menu", "parent": "?FILEMENU", "text": "&Guardar Como...", "flags": ["disabled"]},
    {"label": "?SAVEAS", "kind": "item", "parent": "?SAVEMENU", "text": "Archivo de &Pdf"},
    {"label": "?EXIT", "kind": "item", "parent": "?FILEMENU", "text": "&Salir", "flags": ["separated"]},
    {"label": "?PANEL1", "kind": "panel", "at": [0, 0, 5000, 1], "flags": ["toolbar"]},
    {"label": "?PAGE", "kind": "spin", "at": [10, 8, 30, 10], "picture": "n4", "use": "Page", "range": [1, 5],
     "tip": "Página", "flags": ["toolbar"]},
    {"label": "?ZOOM", "kind": "combo", "at": [50, 8, 60, 10], "picture": "S16", "use": "Zoom",
     "from": ["50% Zoom", "Page Width"], "flags": ["toolbar"]},
    {"label": "?RULE", "kind": "line", "at": [0, 50, 300, 0], "colour": "0000FFh"},
    {"label": "?PAGEPROMPT", "kind": "prompt", "at": [120, 8, null, null], "text": "&Pagina && Zoom", "flags": ["toolbar"]}
  ]})";

class MenuToolbarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<Window>(parseWindowDefinition(kDefinition, "vista", ControlKinds::standard()), locale);
    window->bind("Page", Variable::of(page));
    window->bind("Zoom", Variable::of(zoom));
  }
  // The events the window posts, until it has none waiting.
  std::vector<WindowEvent> drain() {
    std::vector<WindowEvent> events;
    QApplication::processEvents();
    window->post(EventKind::Timer);
    while (auto e = window->accept()) {
      if (e->kind == EventKind::Timer) break;
      events.push_back(*e);
    }
    return events;
  }

  Locale locale;
  std::int32_t page = 2;
  FixedText<16> zoom{"Page Width"_cp1252};
  std::unique_ptr<Window> window;
};

TEST_F(MenuToolbarTest, MenusToolbarAndStatusBarSurroundTheClientArea) {
  window->open();
  drain();
  QMenuBar* bar = window->menuBar();
  ASSERT_EQ(bar->actions().size(), 1);
  EXPECT_EQ(bar->actions()[0]->text(), "&Archivo");
  WindowDriver w(window->handle());
  EXPECT_EQ(w.itemText("?SAVEAS"), "Archivo de &Pdf");
  EXPECT_FALSE(w.isItemEnabled("?SAVEMENU"));
  EXPECT_THROW(w.choose("?SAVEAS"), RobotError) << "its menu is disabled";
  EXPECT_EQ(window->control("?SAVEMENU").isDisabled(), true);
  window->control("?SAVEMENU").setDisabled(false);
  window->control("?SAVEAS").setText("Archivo de PDF");
  EXPECT_EQ(w.itemText("?SAVEAS"), "Archivo de PDF");
  w.choose("?SAVEAS");
  w.choose("?PRINT");
  EXPECT_EQ(drain(), (std::vector<WindowEvent>{{EventKind::Accepted, 4}, {EventKind::Accepted, 2}}));

  EXPECT_EQ(window->toolbarArea()->height(), window->units().toPixelsY(30));
  EXPECT_EQ(window->control("?PAGE").widget()->parentWidget(), window->toolbarArea());
  EXPECT_EQ(window->control("?RULE").widget()->parentWidget(), window->clientArea());
  EXPECT_GE(window->clientArea()->mapTo(window->handle(), QPoint(0, 0)).y(),
            bar->height() + window->toolbarArea()->height())
      << "the client area lies under the bars";
  EXPECT_EQ(window->control("?RULE").widget()->geometry().top(), window->units().toPixelsY(50));
  EXPECT_EQ(w.text("?PAGEPROMPT"), "Pagina & Zoom") << "a caption's access-key mark is not shown";

  window->setStatusText(1, "Página 1 de 3");
  EXPECT_EQ(w.statusText(1), "Página 1 de 3");
  QStatusTipEvent tip("Imprimir Reporte");
  QApplication::sendEvent(window->handle(), &tip);
  EXPECT_EQ(w.statusText(0), "Imprimir Reporte") << "status texts show in the first part";
  window->close();
}

TEST_F(MenuToolbarTest, SpinsAndCombosTakeWhatTheUserDoes) {
  window->open();
  WindowDriver w(window->handle());
  EXPECT_EQ(w.text("?PAGE"), "2");
  EXPECT_EQ(w.text("?ZOOM"), "Page Width");
  EXPECT_EQ(w.choices("?ZOOM"), (std::vector<std::string>{"50% Zoom", "Page Width"}));
  drain();
  w.press("?PAGE");
  w.key(Qt::Key_Up);
  EXPECT_EQ(page, 3);
  w.type("?ZOOM", "150");
  w.key(Qt::Key_Tab);
  EXPECT_EQ(zoom.trimmed(), "150"_cp1252);
  const std::vector<WindowEvent> events = drain();
  EXPECT_NE(std::find(events.begin(), events.end(), WindowEvent{EventKind::Accepted, 7}), events.end());
  EXPECT_NE(std::find(events.begin(), events.end(), WindowEvent{EventKind::Accepted, 8}), events.end());
  page = 9;
  window->display();
  EXPECT_EQ(w.text("?PAGE"), "5") << "kept within the range";
  EXPECT_TRUE(drain().empty()) << "what the program shows is not accepted";
  window->control("?ZOOM").setChoices({"Tile pages", "75% Zoom"});
  EXPECT_EQ(window->control("?ZOOM").choices(), (std::vector<std::string>{"Tile pages", "75% Zoom"}));
  window->close();
}

TEST_F(MenuToolbarTest, AToolbarControlNeedsAToolbarAndAnItemAMenu) {
  EXPECT_THROW(parseWindowDefinition(R"({"title": "x", "at": [0, 0, 10, 10], "controls": [
    {"label": "?A", "kind": "panel", "at": [0, 0, 5, 5], "flags": ["toolbar"]}]})",
                                     "x", ControlKinds::standard()),
               layout::DefinitionError);
  EXPECT_THROW(parseWindowDefinition(R"({"title": "x", "at": [0, 0, 10, 10], "controls": [
    {"label": "?A", "kind": "item", "text": "Hola"}]})",
                                     "x", ControlKinds::standard()),
               layout::DefinitionError);
  EXPECT_THROW(parseWindowDefinition(R"({"title": "x", "at": [0, 0, 10, 10], "statusBar": [-2], "controls": []})", "x",
                                     ControlKinds::standard()),
               layout::DefinitionError);
}

}  // namespace
}  // namespace platform::ui
