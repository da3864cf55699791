#include "dictionary/quitar_minimizar.h"

#include "platform/os/window_style.h"
#include "platform/ui/window.h"

namespace dictionary {

void Quitar_Minimizar() {
  const platform::ui::Window* target = platform::ui::Window::current();
  if (target == nullptr) return;
  const platform::os::WindowHandle handle = target->handle();
  if (!platform::os::hasSystemMenu(handle)) return;
  const std::uint32_t style = platform::os::windowStyle(handle);
  platform::os::setWindowStyle(handle, style & ~platform::os::kMinimizeBox);
  platform::os::redrawMenuBar(handle);
}

}  // namespace dictionary
