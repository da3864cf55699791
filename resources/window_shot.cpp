// gradebook-window-shot: renders a window the program holds, or a message box, offscreen to a PNG
// file, so that it can be looked at without a display.
//
//   gradebook-window-shot NAME OUT.png                    the window ":/windows/NAME.json"
//   gradebook-window-shot --message CAPTION TEXT OUT.png  a notice as the program shows it
//
// Every use variable of the window is bound to an empty text. Prints the dialog units and sizes.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

#include "platform/core/fixed_text.h"
#include "platform/ui/message_box.h"
#include "platform/ui/test_robot.h"
#include "platform/ui/window.h"

namespace {

int usage() {
  std::fputs(
      "usage: gradebook-window-shot NAME OUT.png\n"
      "       gradebook-window-shot --message CAPTION TEXT OUT.png\n",
      stderr);
  return 2;
}

int shootWindow(const std::string& name, const std::string& out) {
  platform::Locale locale;
  platform::ui::Window window(name, locale);
  std::deque<platform::FixedText<255>> texts;
  for (const platform::ui::ControlDefinition& c : window.definition().controls) {
    const std::string use = c.text("use");
    if (use.empty() || window.control(c.number).isBound()) continue;
    window.bind(use, platform::ui::Variable::of(texts.emplace_back()));
  }
  window.open();
  QApplication::processEvents();
  const platform::ui::DialogUnits& du = window.units();
  std::printf("%s: dialog units %d x %d pixels (average width, height); window %d x %d pixels\n", name.c_str(),
              du.baseWidth(), du.baseHeight(), window.handle()->width(), window.handle()->height());
  for (int n = 1; n <= window.controlCount(); ++n) {
    const QRect r = window.control(n).widget()->geometry();
    std::printf("  %2d %-20s %4d %4d %4d %4d\n", n, window.control(n).label().c_str(), r.x(), r.y(), r.width(),
                r.height());
  }
  if (!window.handle()->grab().save(QString::fromStdString(out), "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}

int shootMessage(const std::string& caption, const std::string& text, const std::string& out) {
  platform::Locale locale;
  locale.set("CLABUTTON", "&Aceptar,&Si,&No,&Abortar,&Reintentar,&Ignorar,&Cancelar,&Ayuda");
  platform::ui::QtUserPort port(locale);
  platform::ui::Robot robot;
  robot.inMessage([&](platform::ui::MessageDriver& m) {
    m.grab(out);
    m.press("&Aceptar");
  });
  robot.run([&] {
    port.message({caption,
                  text,
                  platform::MessageIcon::Exclamation,
                  {platform::MessageButton::Ok},
                  platform::MessageButton::Ok});
  });
  if (!robot.done()) {
    std::fputs(robot.report().c_str(), stderr);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  try {
    if (argc == 5 && std::string(argv[1]) == "--message") return shootMessage(argv[2], argv[3], argv[4]);
    if (argc == 3) return shootWindow(argv[1], argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gradebook-window-shot: %s\n", e.what());
    return 1;
  }
  return usage();
}
