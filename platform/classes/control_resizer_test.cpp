#include "platform/classes/control_resizer.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "platform/core/locale.h"
#include "platform/ui/window.h"

namespace platform {
namespace {

constexpr const char* kWindow = R"({
  "title": "Ventana", "at": [null, null, 200, 120], "centre": true, "systemMenu": true, "maximizeBox": true,
  "controls": [
    {"label": "?LISTA", "kind": "list", "at": [4, 20, 192, 70], "format": "40L@s10@"},
    {"label": "?TITULO", "kind": "prompt", "at": [4, 4, 40, 10], "text": "Lista"},
    {"label": "?AYUDA", "kind": "button", "at": [180, 2, 16, 14], "text": "?"},
    {"label": "?GRUPO1", "kind": "group", "at": [4, 94, 80, 22], "text": "Todos"},
    {"label": "?TOTAL1", "kind": "string", "at": [10, 102, 20, 10], "text": "1"},
    {"label": "?GRUPO2", "kind": "group", "at": [110, 94, 86, 22], "text": "Grupo"},
    {"label": "?ETIQUETA2", "kind": "string", "at": [114, 102, 20, 10], "text": "Total"},
    {"label": "?TOTAL2", "kind": "string", "at": [160, 102, 20, 10], "text": "2"}
  ]})";

class ControlResizerTest : public ::testing::Test {
 protected:
  ControlResizerTest() : window(ui::parseWindowDefinition(kWindow, "ventana", ui::ControlKinds::standard()), locale) {
    window.open();
    opening = window.handle()->size();
    for (int n = 1; n <= window.controlCount(); ++n) before.push_back(geometry(n));
    resizer.init(opening);
  }
  ~ControlResizerTest() override { window.close(); }

  QRect geometry(int control) const { return window.control(control).widget()->geometry(); }
  QRect geometry(const char* label) const { return window.control(label).widget()->geometry(); }
  QRect was(const char* label) const { return before[static_cast<std::size_t>(window.find(label) - 1)]; }

  Locale locale;
  ui::Window window;
  QSize opening;
  std::vector<QRect> before;
  ControlResizer resizer{window};
};

TEST_F(ControlResizerTest, ControlsFollowTheWindowByWhereTheyLie) {
  EXPECT_EQ(resizer.parentOf(window.find("?TOTAL1")), window.find("?GRUPO1"));
  EXPECT_EQ(resizer.parentOf(window.find("?TOTAL2")), window.find("?GRUPO2"));
  EXPECT_EQ(resizer.parentOf(window.find("?LISTA")), 0);

  const int dw = 120, dh = 80;
  window.handle()->resize(opening + QSize(dw, dh));
  QApplication::processEvents();
  // The list is wider and higher than half the window: it stretches with it.
  EXPECT_EQ(geometry("?LISTA"), was("?LISTA").adjusted(0, 0, dw, dh));
  // The title lies near the top left corner: it stays; the help button keeps to the right edge.
  EXPECT_EQ(geometry("?TITULO"), was("?TITULO"));
  EXPECT_EQ(geometry("?AYUDA"), was("?AYUDA").translated(dw, 0));
  // The groups keep to the bottom, the second to the right too, and what they hold goes with them.
  EXPECT_EQ(geometry("?GRUPO1"), was("?GRUPO1").translated(0, dh));
  EXPECT_EQ(geometry("?TOTAL1"), was("?TOTAL1").translated(0, dh));
  EXPECT_EQ(geometry("?GRUPO2"), was("?GRUPO2").translated(dw, dh));
  EXPECT_EQ(geometry("?ETIQUETA2"), was("?ETIQUETA2").translated(dw, dh)) << "in the group's left half, all the same";
  EXPECT_EQ(geometry("?TOTAL2"), was("?TOTAL2").translated(dw, dh));

  window.handle()->resize(opening);
  QApplication::processEvents();
  for (int n = 1; n <= window.controlCount(); ++n)
    EXPECT_EQ(geometry(n), before[static_cast<std::size_t>(n - 1)]) << window.control(n).label();
}

TEST_F(ControlResizerTest, TheWindowIsNeverSmallerThanItsOpeningSize) {
  window.handle()->resize(opening - QSize(50, 50));
  QApplication::processEvents();
  EXPECT_EQ(window.handle()->size(), opening);
  EXPECT_EQ(window.handle()->minimumSize(), opening);
  window.handle()->showMaximized();
  QApplication::processEvents();
  const QSize now = window.handle()->size();
  ASSERT_TRUE(now.width() >= opening.width() && now.height() >= opening.height());
  EXPECT_EQ(geometry("?LISTA").size(), was("?LISTA").size() + (now - opening)) << "a maximised window";
  resizer.kill();
  window.handle()->showNormal();
  window.handle()->resize(now + QSize(10, 10));
  QApplication::processEvents();
  EXPECT_EQ(geometry("?LISTA").size(), was("?LISTA").size() + (now - opening)) << "killed: it follows no more";
}

}  // namespace
}  // namespace platform
