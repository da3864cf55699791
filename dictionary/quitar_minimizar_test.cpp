#include "dictionary/quitar_minimizar.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <QWindow>

#include "platform/core/fixed_text.h"
#include "platform/os/window_style.h"
#include "platform/ui/window.h"

namespace dictionary {
namespace {

using platform::ui::Window;
namespace os = platform::os;

std::unique_ptr<Window> openWindow(const std::string& json, const platform::Locale& locale) {
  auto window = std::make_unique<Window>(
      platform::ui::parseWindowDefinition(QByteArray::fromStdString(json), "prueba",
                                          platform::ui::ControlKinds::standard(), &platform::layout::imageExists),
      locale);
  window->open();
  return window;
}

struct Place {
  QString title;
  QRect geometry;
  qint64 icon;
  bool visible;
};

Place placeOf(const QWidget* w) {
  return {w->windowTitle(), w->geometry(), w->windowIcon().cacheKey(), w->isVisible()};
}

void expectSamePlace(const Place& a, const Place& b) {
  EXPECT_EQ(a.title, b.title);
  EXPECT_EQ(a.geometry, b.geometry);
  EXPECT_EQ(a.icon, b.icon);
  EXPECT_EQ(a.visible, b.visible);
}

TEST(QuitarMinimizarTest, TheSignInWindowKeepsOnlyItsCloseBox) {
  platform::Locale locale;
  Window window("comprobar_usuario", locale);
  platform::FixedText<20> key, password;
  window.bind("Gs_Maestro", platform::ui::Variable::of(key));
  window.bind("LS_TEMCONTRASENA", platform::ui::Variable::of(password));
  window.open();
  QWidget* w = window.handle();
  // An icon gives the window the system menu and the minimise box together.
  ASSERT_EQ(os::windowStyle(w) & (os::kSystemMenu | os::kMinimizeBox | os::kMaximizeBox),
            os::kSystemMenu | os::kMinimizeBox);
  const Place before = placeOf(w);

  Quitar_Minimizar();
  EXPECT_EQ(os::windowStyle(w) & (os::kSystemMenu | os::kMinimizeBox | os::kMaximizeBox), os::kSystemMenu);
  const Qt::WindowFlags flags = w->windowHandle()->flags();
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  expectSamePlace(placeOf(w), before);

  const std::uint32_t once = os::windowStyle(w);
  Quitar_Minimizar();
  EXPECT_EQ(os::windowStyle(w), once) << "a second call changes nothing";
  expectSamePlace(placeOf(w), before);
}

TEST(QuitarMinimizarTest, ChangesNothingElseOnAnyWindow) {
  struct Case {
    const char* what;
    const char* attributes;
    std::uint32_t before;
    std::uint32_t after;
  };
  const Case cases[] = {
      {"no system menu", R"("systemMenu": false)", os::kCaption, os::kCaption},
      {"no frame, no menu", R"("frame": "none")", 0, 0},
      {"a menu, no minimise box", R"("systemMenu": true)", os::kCaption | os::kSystemMenu,
       os::kCaption | os::kSystemMenu},
      {"menu and both boxes", R"("systemMenu": true, "minimizeBox": true, "maximizeBox": true)",
       os::kCaption | os::kSystemMenu | os::kMinimizeBox | os::kMaximizeBox,
       os::kCaption | os::kSystemMenu | os::kMaximizeBox},
  };
  platform::Locale locale;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto window =
        openWindow(std::string(R"({"title": "Prueba", "at": [null, null, 100, 50], )") + c.attributes + "}", locale);
    const std::uint32_t visible = os::kVisible;
    ASSERT_EQ(os::windowStyle(window->handle()), c.before | visible);
    const Place before = placeOf(window->handle());
    Quitar_Minimizar();
    EXPECT_EQ(os::windowStyle(window->handle()), c.after | visible);
    expectSamePlace(placeOf(window->handle()), before);
    window->close();
  }
}

TEST(QuitarMinimizarTest, ActsOnTheWindowOpenedLastAndOnNothingWithoutOne) {
  platform::Locale locale;
  Quitar_Minimizar();  // no window: nothing to do
  const std::string json = R"({"title": "Prueba", "at": [null, null, 100, 50], "minimizeBox": true})";
  auto outer = openWindow(json, locale);
  auto inner = openWindow(json, locale);
  Quitar_Minimizar();
  EXPECT_FALSE(os::windowStyle(inner->handle()) & os::kMinimizeBox);
  EXPECT_TRUE(os::windowStyle(outer->handle()) & os::kMinimizeBox);
  inner->close();
  Quitar_Minimizar();
  EXPECT_FALSE(os::windowStyle(outer->handle()) & os::kMinimizeBox);
}

}  // namespace
}  // namespace dictionary
