// Access keys on real widgets, pressed through the keyboard: a prompt's key focuses the control
// that follows it, a button that shows only its icon keeps its key, and each caption shows its
// key underlined.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "platform/core/fixed_text.h"
#include "platform/ui/test_robot.h"
#include "platform/ui/window.h"

namespace platform::ui {
namespace {

// A toolbar's row as a preview has it (a print button first, then prompts with their spins and a
// combo), an entry whose prompt is followed first by a hidden and a disabled entry, a prompt with
// nothing after it to focus, and two buttons too small for their captions.
std::string definitionJson(const std::string& icon) {
  return R"({
  "title": "Teclas", "at": [null, null, 260, 80], "centre": true, "systemMenu": true,
  "controls": [
    {"label": "?IMPRIMIR", "kind": "button", "at": [4, 4, 40, 14], "text": "&Imprimir"},
    {"label": "?PAGINA:PROMPT", "kind": "prompt", "at": [50, 6, null, null], "text": "&Pagina"},
    {"label": "?PAGINA", "kind": "spin", "at": [80, 5, 30, 10], "use": "Pagina", "range": [1, 9]},
    {"label": "?COLUMNAS:PROMPT", "kind": "prompt", "at": [115, 6, null, null], "text": "Co&lumnas"},
    {"label": "?COLUMNAS", "kind": "spin", "at": [150, 5, 24, 10], "use": "Columnas", "range": [1, 10]},
    {"label": "?ZOOM:PROMPT", "kind": "prompt", "at": [180, 6, null, null], "text": "Z&oom"},
    {"label": "?ZOOM", "kind": "combo", "at": [205, 5, 50, 10], "picture": "S16", "use": "Zoom",
     "from": ["50% Zoom", "Page Width"]},
    {"label": "?NOMBRE:PROMPT", "kind": "prompt", "at": [4, 24, null, null], "text": "Precio && &Nombre"},
    {"label": "?OCULTO", "kind": "entry", "at": [80, 24, 40, 10], "picture": "@s10", "use": "Oculto",
     "flags": ["hidden"]},
    {"label": "?APAGADO", "kind": "entry", "at": [80, 24, 40, 10], "picture": "@s10", "use": "Apagado",
     "flags": ["disabled"]},
    {"label": "?NOMBRE", "kind": "entry", "at": [130, 24, 60, 10], "picture": "@s10", "use": "Nombre"},
    {"label": "?BORRAR", "kind": "button", "at": [4, 40, 16, 14], "text": "&Borrar", "icon": ")" +
         icon + R"("},
    {"label": "?AYUDA", "kind": "button", "at": [24, 40, 16, 14], "text": "Ay&uda", "icon": ")" +
         icon +
         R"(", "std": "help"},
    {"label": "?FIN:PROMPT", "kind": "prompt", "at": [4, 60, null, null], "text": "&Total"}
  ]})";
}

class AccessKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    const std::string icon = dir.filePath("icono.png").toStdString();
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    ASSERT_TRUE(image.save(QString::fromStdString(icon)));
    window = std::make_unique<Window>(
        parseWindowDefinition(QByteArray::fromStdString(definitionJson(icon)), "teclas", ControlKinds::standard()),
        locale);
    window->bind("Pagina", Variable::of(page));
    window->bind("Columnas", Variable::of(across));
    window->bind("Zoom", Variable::of(zoom));
    window->bind("Oculto", Variable::of(hidden));
    window->bind("Apagado", Variable::of(disabled));
    window->bind("Nombre", Variable::of(name));
  }

  std::vector<WindowEvent> runUntilClosed() {
    robot.inWindow("Teclas", [](WindowDriver& w) { w.closeBox(); });
    std::vector<WindowEvent> events = platform::ui::runUntilClosed(robot, *window);
    EXPECT_TRUE(robot.done()) << robot.report();
    return events;
  }

  QTemporaryDir dir;
  Locale locale;
  std::int32_t page = 1;
  std::int32_t across = 1;
  FixedText<16> zoom{"150"_cp1252};
  FixedText<10> hidden, disabled, name{"ANA"_cp1252};
  std::unique_ptr<Window> window;
  Robot robot;
};

TEST_F(AccessKeysTest, APromptsKeyFocusesTheControlAfterIt) {
  struct Case {
    Qt::Key key;
    std::string focused;
  };
  // From the print button: each key in turn, as the teacher presses them.
  const std::vector<Case> cases = {
      {Qt::Key_P, "?PAGINA"}, {Qt::Key_L, "?COLUMNAS"},
      {Qt::Key_O, "?ZOOM"},   {Qt::Key_N, "?NOMBRE"},  // the hidden and the disabled entry are passed by
      {Qt::Key_P, "?PAGINA"}, {Qt::Key_T, "?PAGINA"},  // "&Total" has nothing after it: the focus stays
  };
  robot.inWindow("Teclas", [&](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?IMPRIMIR");
    for (const Case& c : cases) {
      w.key(c.key, Qt::AltModifier);
      EXPECT_EQ(w.focusLabel(), c.focused) << "Alt+" << QKeySequence(c.key).toString().toStdString();
    }
    // The Return pressed next belongs to the page number, not to the button the focus left.
    w.key(Qt::Key_Return);
    w.key(Qt::Key_Up);
  });
  const std::vector<WindowEvent> events = runUntilClosed();
  const std::vector<WindowEvent> expected = {
      {EventKind::OpenWindow}, {EventKind::Accepted, 3}, {EventKind::CloseWindow}};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(page, 2);
}

TEST_F(AccessKeysTest, APromptShowsItsKeyUnderlined) {
  robot.inWindow("Teclas", [](WindowDriver& w) {
    struct Case {
      std::string label, shown, underlined;
    };
    for (const Case& c : std::vector<Case>{{"?PAGINA:PROMPT", "Pagina", "P"},
                                           {"?COLUMNAS:PROMPT", "Columnas", "l"},
                                           {"?NOMBRE:PROMPT", "Precio & Nombre", "N"},
                                           {"?FIN:PROMPT", "Total", ""}}) {
      std::string shown, underlined;
      for (const PaintedText& run : w.painted(c.label)) {
        shown += run.text;
        if (run.underlined) underlined += run.text;
      }
      EXPECT_EQ(shown, c.shown) << c.label;
      EXPECT_EQ(underlined, c.underlined) << c.label;
    }
    EXPECT_EQ(w.text("?PAGINA:PROMPT"), "&Pagina") << "the caption as written, as a button's";
  });
  runUntilClosed();
}

TEST_F(AccessKeysTest, AButtonShowingOnlyItsIconKeepsItsKey) {
  robot.inWindow("Teclas", [](WindowDriver& w) {
    EXPECT_EQ(w.find("?BORRAR")->toolTip().toStdString(), "Borrar");
    EXPECT_EQ(w.find("?AYUDA")->toolTip().toStdString(), "Ayuda");
    EXPECT_TRUE(w.painted("?AYUDA").empty()) << "only the icon shows";
    w.press("?NOMBRE");
    w.key(Qt::Key_B, Qt::AltModifier);
  });
  // The robot waits, as a person does, for the button to come up and click.
  robot.inWindow("Teclas", [](WindowDriver& w) { w.key(Qt::Key_I, Qt::AltModifier); });
  const std::vector<WindowEvent> events = runUntilClosed();
  const std::vector<WindowEvent> expected = {
      {EventKind::OpenWindow}, {EventKind::Accepted, 12}, {EventKind::Accepted, 1}, {EventKind::CloseWindow}};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(window->control("?AYUDA").text(), "Ay&uda");
  window->control("?BORRAR").setText("&Quitar");
  EXPECT_EQ(window->control("?BORRAR").widget()->toolTip().toStdString(), "Quitar");
}

}  // namespace
}  // namespace platform::ui
