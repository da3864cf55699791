#include "platform/ui/window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include "platform/core/cp1252.h"
#include "platform/core/fixed_text.h"
#include "platform/core/record.h"
#include "platform/os/window_style.h"
#include "platform/ui/test_robot.h"
#include "tests/support/decimal_comma_locale.h"

namespace platform::ui {
namespace {

// A window with one control of each kind, two entries on use variables, a default button and a
// close button.
std::string definitionJson(const std::string& imageFile) {
  return R"({
  "title": "Prueba", "at": [null, null, 200, 100], "centre": true, "systemMenu": true,
  "font": {"name": "MS Sans Serif", "size": 8},
  "controls": [
    {"label": "?BOX1", "kind": "box", "at": [0, 0, 200, 30], "colour": "FFFFFFh", "fill": "FFFFFFh"},
    {"label": "?IMAGE1", "kind": "image", "at": [2, 2, 40, 26], "image": ")" +
         imageFile + R"("},
    {"label": "?PROMPT1", "kind": "prompt", "at": [5, 40, null, null], "text": "Nombre:"},
    {"label": "?NOMBRE", "kind": "entry", "at": [60, 40, 100, 10], "picture": "@s10", "use": "Nombre",
     "flags": ["upper", "required"]},
    {"label": "?CLAVE", "kind": "entry", "at": [60, 52, 100, 10], "picture": "@s20", "use": "Clave",
     "flags": ["password"]},
    {"label": "?NUMERO", "kind": "entry", "at": [60, 64, 40, 10], "picture": "@n5", "use": "Numero"},
    {"label": "?SALTO", "kind": "entry", "at": [110, 64, 40, 10], "picture": "@n6.2", "use": "Importe",
     "flags": ["skip", "readonly"]},
    {"label": "?OK", "kind": "button", "at": [100, 80, 45, 14], "text": "&Aceptar", "flags": ["default"]},
    {"label": "?CANCEL", "kind": "button", "at": [150, 80, 45, 14], "text": "&Cancelar", "std": "close"}
  ]})";
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    std::string pairs;
    ASSERT_TRUE(utf8ToCp1252("ÉÑ,éñ", pairs));
    ASSERT_TRUE(locale.set("CLACASE", pairs));
    imageFile = dir.filePath("logo.png").toStdString();
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    ASSERT_TRUE(image.save(QString::fromStdString(imageFile)));
    window = std::make_unique<Window>(
        parseWindowDefinition(QByteArray::fromStdString(definitionJson(imageFile)), "prueba", ControlKinds::standard()),
        locale);
    window->bind("Nombre", Variable::of(nombre));
    window->bind("clave", Variable::of(clave));
    window->bind("Numero", Variable::of(numero));
    window->bind("Importe", Variable::of(importe));
  }

  // Opens the window and takes its events until a close request, which it grants.
  std::vector<WindowEvent> runUntilClosed() { return platform::ui::runUntilClosed(robot, *window); }

  QTemporaryDir dir;
  std::string imageFile;
  Locale locale;
  FixedText<10> nombre;
  FixedText<20> clave;
  std::int32_t numero = 0;
  double importe = 0;
  std::unique_ptr<Window> window;
  Robot robot;
};

TEST_F(WindowTest, PlacesControlsInDialogUnitsOfTheWindowsFont) {
  const DialogUnits& du = window->units();
  QWidget* handle = window->handle();
  EXPECT_EQ(handle->size(), QSize(du.toPixelsX(200), du.toPixelsY(100)));
  EXPECT_EQ(window->control("?NOMBRE").widget()->geometry(), du.toPixels(60, 40, 100, 10));
  EXPECT_EQ(window->control("?OK").widget()->geometry(), du.toPixels(100, 80, 45, 14));
  // A dash takes the control's natural size.
  QWidget* prompt = window->control("?PROMPT1").widget();
  EXPECT_EQ(prompt->geometry(), QRect(QPoint(du.toPixelsX(5), du.toPixelsY(40)), prompt->sizeHint()));
  EXPECT_EQ(window->controlCount(), 9);
  EXPECT_EQ(window->find("?ok"), 8);
  EXPECT_EQ(window->control(8).label(), "?OK");
  EXPECT_EQ(window->defaultButton(), 8);
  EXPECT_THROW(window->control(10), std::out_of_range);
  EXPECT_THROW(window->control("?NADA"), std::out_of_range);
  EXPECT_EQ(handle->windowTitle(), "Prueba");
  EXPECT_FALSE(handle->isVisible());
}

TEST_F(WindowTest, ShowsAndTakesUseVariablesThroughPictures) {
  nombre = "ana"_cp1252;
  clave = "secreto"_cp1252;
  numero = 42;
  importe = 3.14159;
  robot.inWindow("Prueba", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?NOMBRE"), "ANA");  // upper case; trailing blanks are not shown
    EXPECT_EQ(w.text("?CLAVE"), "secreto");
    EXPECT_TRUE(w.isMasked("?CLAVE"));
    EXPECT_EQ(QString::fromStdString(w.shown("?CLAVE")).size(), 7);
    EXPECT_EQ(w.shown("?CLAVE").find("secreto"), std::string::npos);
    EXPECT_EQ(w.text("?NUMERO"), "42");  // the picture's leading blanks are not shown
    EXPECT_EQ(w.text("?SALTO"), "3.14");
    w.type("?NOMBRE", "josé peña");  // the picture holds 10 characters; the entry takes no more
    w.type("?NUMERO", "0012abc");
    w.press("?OK");
  });
  robot.inWindow("Prueba", [](WindowDriver& w) { w.press("?CANCEL"); });
  std::vector<WindowEvent> events;
  robot.run([&] {
    window->open();
    while (auto e = window->accept()) {
      events.push_back(*e);
      if (e->kind == EventKind::Accepted && e->control == 8) window->update();
      if (e->kind == EventKind::CloseWindow) window->close();
    }
  });
  ASSERT_TRUE(robot.done()) << robot.report();
  EXPECT_EQ(nombre.value(), "JOSÉ PEÑA "_cp1252);  // upper case by the locale's pairs (É, Ñ)
  EXPECT_EQ(numero, 12);                           // the number the text begins with
  EXPECT_EQ(clave.value().bytes(), "secreto" + std::string(13, ' '));
}

TEST_F(WindowTest, RecordFieldsAndRealsAreUseVariablesToo) {
  RecordLayout layout({{"ID", FieldType::Long},
                       {"NOMBRE", FieldType::String, 10},
                       {"NOTA", FieldType::Real},
                       {"EDAD", FieldType::Byte}});
  RecordBuffer record(layout);
  record.setText(1, "Luis"_cp1252);
  record.setReal(2, 87.5);
  record.setByte(3, 200);
  const Picture text = *Picture::parse("@s6");
  const Picture number = *Picture::parse("@n5.1");
  const Variable name = Variable::ofField(record, 1);
  const Variable grade = Variable::ofField(record, 2);
  const Variable age = Variable::ofField(record, 3);
  EXPECT_EQ(name.show(text, locale), "Luis  "_cp1252);
  EXPECT_EQ(grade.show(number, locale), " 87.5"_cp1252);
  EXPECT_EQ(grade.show(std::nullopt, locale), "87.5"_cp1252);
  EXPECT_TRUE(grade.isNumber());
  EXPECT_FALSE(name.isNumber());
  name.take("Roberto Carlos"_cp1252);
  EXPECT_EQ(record.getText(1), "Roberto Ca"_cp1252);
  grade.take("9,25"_cp1252);
  EXPECT_EQ(record.getReal(2), 9.25);
  age.take("300"_cp1252);
  EXPECT_EQ(record.getByte(3), 255);
  age.take("-4"_cp1252);
  EXPECT_EQ(record.getByte(3), 0);
  std::int32_t whole = 0;
  Variable::of(whole).take("99999999999"_cp1252);
  EXPECT_EQ(whole, INT32_MAX);
}

TEST_F(WindowTest, RealsShowAndAreTakenWithADotUnderADecimalCommaLocale) {
  tests::DecimalCommaLocale comma;
  double grade = 87.5;
  const Variable variable = Variable::of(grade);
  EXPECT_EQ(variable.show(std::nullopt, locale), "87.5"_cp1252);
  EXPECT_EQ(variable.show(*Picture::parse("@n5.1"), locale), " 87.5"_cp1252);
  variable.take("9.25"_cp1252);
  EXPECT_EQ(grade, 9.25);
  variable.take("9,75"_cp1252);
  EXPECT_EQ(grade, 9.75);
}

TEST_F(WindowTest, EventsComeInTheOrderThePersonCausedThem) {
  robot.inWindow("Prueba", [](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?NOMBRE");  // the first control that takes the focus
    w.typeHere("ab");
    w.key(Qt::Key_Tab);  // leaving a changed entry accepts it
    EXPECT_EQ(w.focusLabel(), "?CLAVE");
    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.focusLabel(), "?NUMERO");
    w.key(Qt::Key_Tab);  // ?SALTO is skipped
    EXPECT_EQ(w.focusLabel(), "?OK");
    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.focusLabel(), "?CANCEL");
    w.type("?CLAVE", "x");
    w.key(Qt::Key_Return);  // Enter: the entry, then the default button
  });
  robot.inWindow("Prueba", [](WindowDriver& w) {
    w.press("?NUMERO");
    w.key(Qt::Key_Enter, Qt::KeypadModifier);  // nothing typed: only the default button
  });
  robot.inWindow("Prueba", [](WindowDriver& w) { w.closeBox(); });
  const std::vector<WindowEvent> events = runUntilClosed();
  ASSERT_TRUE(robot.done()) << robot.report();
  const std::vector<WindowEvent> expected = {
      {EventKind::OpenWindow},  {EventKind::Accepted, 4}, {EventKind::Accepted, 5},
      {EventKind::Accepted, 8}, {EventKind::Accepted, 8}, {EventKind::CloseWindow},
  };
  EXPECT_EQ(events, expected);
  EXPECT_EQ(nombre.value(), "AB        "_cp1252);
  EXPECT_FALSE(window->accept().has_value()) << "a closed window gives no more events";
}

TEST_F(WindowTest, CloseButtonsAskToCloseAndTheProcedureMayRefuse) {
  int refusals = 0;
  robot.inWindow("Prueba", [](WindowDriver& w) { w.press("?CANCEL"); });
  robot.inWindow("Prueba", [](WindowDriver& w) {
    w.press("?NUMERO");
    w.key(Qt::Key_Tab);
    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.focusLabel(), "?CANCEL");
    w.key(Qt::Key_Space);  // a focused button pressed from the keyboard
  });
  robot.inWindow("Prueba", [](WindowDriver& w) { w.closeBox(); });
  robot.run([&] {
    window->open();
    while (auto e = window->accept()) {
      if (e->kind == EventKind::CloseWindow && refusals++ < 2) continue;  // refused: the window stays
      if (e->kind == EventKind::CloseWindow) window->close();
    }
  });
  EXPECT_TRUE(robot.done()) << robot.report();
  EXPECT_EQ(refusals, 3);
  EXPECT_TRUE(window->isClosed());
  EXPECT_FALSE(window->handle()->isVisible());
}

// Without a system menu a window has no close box: the window manager's close request (Alt+F4)
// posts nothing, and only the window's own controls end it.
TEST(CloseBoxTest, OnlyAWindowWithASystemMenuTakesTheWindowManagersClose) {
  struct Case {
    bool systemMenu;
    bool menuRemovedWhileOpen;
    bool closes;
  };
  for (const Case& c : std::vector<Case>{{false, false, false}, {true, true, false}, {true, false, true}}) {
    SCOPED_TRACE(c.systemMenu ? (c.menuRemovedWhileOpen ? "menu removed" : "system menu") : "no system menu");
    Locale locale;
    Window window(parseWindowDefinition(QByteArray::fromStdString(std::string(R"({"title": "Progreso...",
      "at": [null, null, 142, 59], "systemMenu": )") + (c.systemMenu ? "true" : "false") +
                                                                  R"(, "controls": [
      {"label": "?CANCEL", "kind": "button", "at": [41, 40, 60, 18], "text": "&Cancelar", "std": "close"}]})"),
                                        "progreso", ControlKinds::standard()),
                  locale);
    Robot robot;
    robot.inWindow("Progreso...", [&](WindowDriver& w) {
      if (c.menuRemovedWhileOpen) os::setWindowStyle(w.window(), os::windowStyle(w.window()) & ~os::kSystemMenu);
      w.closeBox();
    });
    if (!c.closes) robot.inWindow("Progreso...", [](WindowDriver& w) { w.press("?CANCEL"); });
    const std::vector<WindowEvent> events = runUntilClosed(robot, window);
    EXPECT_TRUE(robot.done()) << robot.report();
    const std::vector<WindowEvent> expected = {
        {EventKind::OpenWindow},
        c.closes ? WindowEvent{EventKind::CloseWindow} : WindowEvent{EventKind::CloseWindow, 1}};
    EXPECT_EQ(events, expected);
  }
}

TEST_F(WindowTest, TimerAlertKeysAndPostedEvents) {
  window->alert(Qt::Key_F5);
  window->alert(static_cast<int>(Qt::Key_H) | static_cast<int>(Qt::ControlModifier));
  robot.inWindow("Prueba", [](WindowDriver& w) {
    w.key(Qt::Key_F5);
    w.key(Qt::Key_H, Qt::ControlModifier);
    w.key(Qt::Key_F6);  // not an alert key
  });
  std::vector<WindowEvent> events;
  robot.run([&] {
    window->open();
    window->setTimer(1);
    int timers = 0;
    while (auto e = window->accept()) {
      if (e->kind == EventKind::Timer && ++timers == 3) {
        window->setTimer(0);
        window->post(EventKind::NewSelection, 4);
        window->post(EventKind::CloseWindow);
      }
      if (e->kind != EventKind::Timer) events.push_back(*e);
      if (e->kind == EventKind::CloseWindow) window->close();
    }
  });
  EXPECT_TRUE(robot.done()) << robot.report();
  // The key events reach the window before its third timer event.
  const std::vector<WindowEvent> expected = {
      {EventKind::OpenWindow},
      {EventKind::AlertKey, 4, Qt::Key_F5},
      {EventKind::AlertKey, 4, static_cast<int>(Qt::Key_H) | static_cast<int>(Qt::ControlModifier)},
      {EventKind::NewSelection, 4},
      {EventKind::CloseWindow}};
  EXPECT_EQ(events, expected);
}

TEST_F(WindowTest, PropertiesThatProceduresSet) {
  Control& nombreEntry = window->control("?NOMBRE");
  window->control("?PROMPT1").setText("Apellido:");
  window->control("?OK").setDisabled(true);
  window->control("?CANCEL").setHidden(true);
  EXPECT_TRUE(nombreEntry.setReadOnly(true));
  EXPECT_FALSE(window->control("?PROMPT1").setReadOnly(true)) << "a prompt has no read-only state";
  nombreEntry.setFontColour(0x800000);
  nombreEntry.setBackground(0x00FFFF);
  robot.inWindow("Prueba", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?PROMPT1"), "Apellido:");
    EXPECT_FALSE(w.isEnabled("?OK"));
    EXPECT_FALSE(w.isVisible("?CANCEL"));
    EXPECT_TRUE(w.isReadOnly("?NOMBRE"));
    EXPECT_EQ(w.fontColour("?NOMBRE"), 0x800000);
    EXPECT_EQ(w.background("?NOMBRE"), 0x00FFFF);
    w.type("?NOMBRE", "xyz");  // read-only: typing changes nothing
    EXPECT_EQ(w.text("?NOMBRE"), "");
    w.press("?OK");          // disabled: nothing happens
    w.type("?CLAVE", "ł€");  // ł has no byte in the code page: refused; € has one
    EXPECT_EQ(w.text("?CLAVE"), "€");
    w.closeBox();
  });
  const std::vector<WindowEvent> events = runUntilClosed();
  EXPECT_TRUE(robot.done()) << robot.report();
  const std::vector<WindowEvent> expected = {{EventKind::OpenWindow}, {EventKind::CloseWindow}};
  EXPECT_EQ(events, expected);
  nombreEntry.setFontColour(-1);
  EXPECT_EQ(nombreEntry.widget()->palette().color(QPalette::Text), QApplication::palette().color(QPalette::Text));
}

TEST_F(WindowTest, RequiredEntriesAndTheFirstField) {
  window->setFirstField(6);
  robot.inWindow("Prueba", [this](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?NUMERO");
    EXPECT_EQ(window->firstLackingValue(), 4);
    w.type("?NOMBRE", "  ");
    EXPECT_EQ(window->firstLackingValue(), 4) << "blanks are no value";
    w.type("?NOMBRE", "x");
    EXPECT_EQ(window->firstLackingValue(), 0);
    window->select(5);
    EXPECT_EQ(window->focus(), 5);
    w.closeBox();
  });
  runUntilClosed();
  EXPECT_TRUE(robot.done()) << robot.report();
}

TEST_F(WindowTest, EveryUseMustBeBoundAndEveryBindingUsed) {
  auto fresh = std::make_unique<Window>(
      parseWindowDefinition(QByteArray::fromStdString(definitionJson(imageFile)), "prueba", ControlKinds::standard()),
      locale);
  EXPECT_THROW(fresh->bind("Nadie", Variable::of(numero)), std::invalid_argument);
  fresh->bind("Nombre", Variable::of(nombre));
  EXPECT_THROW(fresh->open(), std::logic_error);
  EXPECT_FALSE(fresh->isOpen());
}

TEST_F(WindowTest, TheCurrentWindowIsTheLastOpened) {
  EXPECT_EQ(Window::current(), nullptr);
  window->open();
  EXPECT_EQ(Window::current(), window.get());
  {
    Window inner(
        parseWindowDefinition(QByteArray::fromStdString(definitionJson(imageFile)), "otra", ControlKinds::standard()),
        locale);
    inner.bind("Nombre", Variable::of(nombre));
    inner.bind("Clave", Variable::of(clave));
    inner.bind("Numero", Variable::of(numero));
    inner.bind("Importe", Variable::of(importe));
    inner.open();
    EXPECT_EQ(Window::current(), &inner);
    EXPECT_EQ(QApplication::activeModalWidget(), inner.handle());
  }
  EXPECT_EQ(Window::current(), window.get()) << "a destroyed window is no longer current";
  window->close();
  EXPECT_EQ(Window::current(), nullptr);
}

TEST_F(WindowTest, ImagesFitTheirRectangle) {
  auto* label = qobject_cast<QLabel*>(window->control("?IMAGE1").widget());
  ASSERT_NE(label, nullptr);
  const QSize area = label->size();
  const QSize shown = label->pixmap().size();
  EXPECT_TRUE(shown.width() == area.width() || shown.height() == area.height());
  EXPECT_LE(shown.width(), area.width());
  EXPECT_LE(shown.height(), area.height());
  EXPECT_NEAR(static_cast<double>(shown.width()) / shown.height(), 60.0 / 40.0, 0.1) << "proportions kept";
}

TEST(WaitCursorTest, ShowsWhileItLives) {
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  {
    WaitCursor wait;
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace platform::ui
