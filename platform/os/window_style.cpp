#include "platform/os/window_style.h"

#include <QEvent>
#include <QGuiApplication>
#include <QVariant>
#include <QWidget>
#include <QWindow>
#include <cstdlib>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace platform::os {
namespace {

// The style bits with no Qt counterpart are kept on the widget under this property.
constexpr char kOtherBitsProperty[] = "platform.os.otherStyleBits";
constexpr std::uint32_t kMappedBits = kMaximizeBox | kMinimizeBox | kSystemMenu | kCaption | kVisible;

bool isWindow(WindowHandle window) { return window != nullptr && window->isWindow(); }

Qt::WindowFlags flagsFor(Qt::WindowFlags current, std::uint32_t style) {
  Qt::WindowFlags flags = current | Qt::CustomizeWindowHint;
  auto apply = [&flags](bool on, Qt::WindowFlags hint) {
    if (on)
      flags |= hint;
    else
      flags &= ~hint;
  };
  apply((style & kCaption) == kCaption, Qt::WindowTitleHint);
  apply(style & kSystemMenu, Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  apply(style & kMinimizeBox, Qt::WindowMinimizeButtonHint);
  apply(style & kMaximizeBox, Qt::WindowMaximizeButtonHint);
  return flags;
}

// An X11 window manager learns which boxes a window has from its Motif hints, which Qt writes from
// the window's flags. For a window with a title and none of the three boxes Qt writes no functions
// at all, and the manager reads that as every function: it draws all three boxes and offers to
// close the window. Such a window is told here that it can be moved, and nothing more.
void tellWindowManager(WindowHandle window) {
#if QT_CONFIG(xcb)
  // Other platforms (offscreen among them) may offer the interface without a connection.
  if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
  QWindow* native = window->windowHandle();
  const Qt::WindowFlags flags = window->windowFlags();
  const Qt::WindowFlags boxes = Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;
  if (connection == nullptr || native == nullptr || (flags & boxes) || !flags.testFlag(Qt::WindowTitleHint)) return;
  struct MotifHints {
    std::uint32_t flags, functions, decorations;
    std::int32_t inputMode;
    std::uint32_t status;
  };
  constexpr std::uint32_t kFunctionsGiven = 1, kDecorationsGiven = 2;
  constexpr std::uint32_t kResize = 2, kMove = 4;
  constexpr std::uint32_t kBorder = 2, kResizeHandle = 4, kTitle = 8;
  const MotifHints hints{kFunctionsGiven | kDecorationsGiven, kMove | kResize, kBorder | kResizeHandle | kTitle, 0, 0};
  static constexpr char kName[] = "_MOTIF_WM_HINTS";
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof kName - 1, kName), nullptr);
  if (atom == nullptr) return;
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(native->winId()), atom->atom,
                      atom->atom, 32, sizeof hints / 4, &hints);
  std::free(atom);
  xcb_flush(connection);
#endif
}

// Qt writes its own hints when it makes the native window, which it does when the window is first
// shown: they are corrected then, before the window manager sees the window.
class HintsAtShow : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) tellWindowManager(static_cast<QWidget*>(watched));
    return false;
  }
};

constexpr char kHintsProperty[] = "platform.os.hintsAtShow";

}  // namespace

bool hasSystemMenu(WindowHandle window) {
  return isWindow(window) && window->windowFlags().testFlag(Qt::WindowSystemMenuHint);
}

std::uint32_t windowStyle(WindowHandle window) {
  if (!isWindow(window)) return 0;
  const Qt::WindowFlags flags = window->windowFlags();
  std::uint32_t style = window->property(kOtherBitsProperty).toUInt();
  if (flags.testFlag(Qt::WindowTitleHint)) style |= kCaption;
  if (flags.testFlag(Qt::WindowSystemMenuHint)) style |= kSystemMenu;
  if (flags.testFlag(Qt::WindowMinimizeButtonHint)) style |= kMinimizeBox;
  if (flags.testFlag(Qt::WindowMaximizeButtonHint)) style |= kMaximizeBox;
  if (window->isVisible()) style |= kVisible;
  return style;
}

void setWindowStyle(WindowHandle window, std::uint32_t style) {
  if (!isWindow(window)) return;
  window->setProperty(kOtherBitsProperty, QVariant::fromValue(style & ~kMappedBits));
  if (!window->property(kHintsProperty).toBool()) {
    window->installEventFilter(new HintsAtShow(window));
    window->setProperty(kHintsProperty, true);
  }
  const Qt::WindowFlags flags = flagsFor(window->windowFlags(), style);
  if (flags == window->windowFlags()) return;
  // setWindowFlags would hide the window and make it anew; tell the widget and its native
  // window separately instead, so that an open window stays open where it is.
  window->overrideWindowFlags(flags);
  if (QWindow* native = window->windowHandle()) native->setFlags(flags);
  tellWindowManager(window);
}

void redrawMenuBar(WindowHandle window) {
  if (isWindow(window)) window->update();
}

}  // namespace platform::os
