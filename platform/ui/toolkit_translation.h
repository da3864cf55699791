// The toolkit's own texts in a language: the labels and buttons of its file, folder and print
// dialogs and the entries of its context menus ("Look in:", "Cancel", "Select All"), from the
// translation the toolkit installs (qtbase_LANGUAGE.qm in its translations folder). Texts the
// program gives (window titles, captions, items) are never translated.
//
// GUI thread only; needs the application object, which owns the translation.
#pragma once

#include <string_view>

namespace platform::ui {

// Replaces the toolkit translation loaded earlier, if any, with the one for `language` ("es").
// Loading the one already in use again changes nothing. False, with the texts left as they were,
// when there is no application object or the toolkit has no translation for the language.
bool loadToolkitTranslation(std::string_view language);

}  // namespace platform::ui
