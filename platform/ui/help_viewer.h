// Help pages: a window's help button shows the page of the window's help id, stored by the program
// as the resource ":/help/ID.html" (HTML; its <title> is the help window's title). The page shows in
// a modal window with one button, captioned as the locale's OK button, that closes it. The page's
// text is the control "?TEXT" and the button "?OK", for the test robot.
#pragma once

#include <string>

#include "platform/core/locale.h"

class QWidget;

namespace platform::ui {

std::string helpPagePath(const std::string& helpId);
bool helpPageExists(const std::string& helpId);

// Shows the page and waits until it is closed. False, showing nothing, when there is no page.
bool showHelpPage(const std::string& helpId, const Locale& locale, QWidget* over);

}  // namespace platform::ui
