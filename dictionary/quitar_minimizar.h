// The program module's window routine: takes the minimise box away from the current window (the
// window this thread opened last), so that it can be minimised neither from its title bar nor
// from its system menu. A window without a system menu is left as it is; no other style bit
// changes. The sign-in window calls it when it opens.
#pragma once

namespace dictionary {

void Quitar_Minimizar();

}  // namespace dictionary
