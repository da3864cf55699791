#include "platform/os/window_style.h"

#include <QVariant>
#include <QWidget>
#include <QWindow>

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
  const Qt::WindowFlags flags = flagsFor(window->windowFlags(), style);
  if (flags == window->windowFlags()) return;
  // setWindowFlags would hide the window and make it anew; tell the widget and its native
  // window separately instead, so that an open window stays open where it is.
  window->overrideWindowFlags(flags);
  if (QWindow* native = window->windowHandle()) native->setFlags(flags);
}

void redrawMenuBar(WindowHandle window) {
  if (isWindow(window)) window->update();
}

}  // namespace platform::os
