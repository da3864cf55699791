// A window's native style value, as the program reads and writes it: a 32-bit set of style bits
// of which three are the title bar's boxes. On this platform the window system is told through
// Qt's window flags:
//
//   kSystemMenu   (00080000h)  the system menu and its close box (WindowSystemMenuHint and
//                              WindowCloseButtonHint)
//   kMinimizeBox  (00020000h)  WindowMinimizeButtonHint
//   kMaximizeBox  (00010000h)  WindowMaximizeButtonHint
//   kCaption      (00C00000h)  WindowTitleHint
//   kVisible      (10000000h)  the window is shown (read only: writing it changes nothing)
//
// Any other bit has no Qt counterpart: a write keeps it with the window, so that reading gives back
// what was written. A window's flags are changed in place, without hiding or re-creating it. On
// X11, a window with a caption and none of the three boxes is also told through the window
// manager's hints that it can only be moved (Qt's own hints would offer every box then); a manager
// that heeds them draws no box.
//
// The handle of a window is its top-level QWidget. Functions given a null handle, or a widget that
// is not a window, do nothing and read 0 / false. Call from the GUI thread only.
#pragma once

#include <cstdint>

class QWidget;

namespace platform::os {

using WindowHandle = QWidget*;

inline constexpr std::uint32_t kMaximizeBox = 0x00010000u;
inline constexpr std::uint32_t kMinimizeBox = 0x00020000u;
inline constexpr std::uint32_t kSystemMenu = 0x00080000u;
inline constexpr std::uint32_t kCaption = 0x00C00000u;
inline constexpr std::uint32_t kVisible = 0x10000000u;

// Whether the window has a system menu (the native call returns a menu, or none).
bool hasSystemMenu(WindowHandle window);
// The window's style value.
std::uint32_t windowStyle(WindowHandle window);
// Replaces the window's style value; the flags are applied at once.
void setWindowStyle(WindowHandle window, std::uint32_t style);
// Redraws the window's title bar and menu bar after a style change.
void redrawMenuBar(WindowHandle window);

}  // namespace platform::os
