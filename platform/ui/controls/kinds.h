// The standard control kinds, one file each. A new kind adds its maker here and one line to
// ControlKinds::standard().
#pragma once

#include <memory>

#include "platform/ui/control.h"

namespace platform::ui::controls {

// "box": a rectangle. Fields "colour" (border) and "fill"; flag "rounded".
std::unique_ptr<ControlKind> boxKind();
// "image": a picture file of ":/images/" (an animated GIF plays). Field "image"; flags "stretch"
// (fill the control's rectangle), otherwise the image keeps its proportions, centred.
std::unique_ptr<ControlKind> imageKind();
// "prompt": a caption. Field "text"; flags "left", "right", "centre", "transparent".
std::unique_ptr<ControlKind> promptKind();
// "entry": a one-line text field showing its use variable through its picture. Fields "picture"
// (required), "use"; flags "upper", "password", "readonly", "skip", "required", "left", "right",
// "centre".
std::unique_ptr<ControlKind> entryKind();
// "button": a push button. Fields "text", "icon", "std" (its standard action: "close" asks the
// window to close, "help" shows the help page of the window's help id); flags "default", "skip".
// A button too small for its icon and caption shows its icon, the caption as its tooltip.
std::unique_ptr<ControlKind> buttonKind();
// "list": rows in columns (list_control.h).
std::unique_ptr<ControlKind> listKind();
// "droplist": a drop-down of rows in columns (drop_list_control.h).
std::unique_ptr<ControlKind> dropListKind();
// "sheet" and "tab": tabs, each holding the controls that name it as parent (sheet_control.h).
std::unique_ptr<ControlKind> sheetKind();
std::unique_ptr<ControlKind> tabKind();
// "group": a frame with a caption around other controls, lying under them. Field "text" (none: a
// plain box).
std::unique_ptr<ControlKind> groupKind();
// "region": an area with nothing to show that lets the mouse through to what lies under it.
std::unique_ptr<ControlKind> regionKind();
// "string": a text: its "text", or its "use" variable through its "picture". Flags "left", "right",
// "centre", "transparent".
std::unique_ptr<ControlKind> textKind();

// Checks a definition's "format" field as a list format.
void checkFormatField(const ControlDefinition& definition, std::vector<std::string>& problems);
// Checks a definition's "drop" field: how many rows a drop-down shows, 1 to 100.
void checkDropField(const ControlDefinition& definition, std::vector<std::string>& problems);
// "progress": a progress bar without text. Fields "range" ([low, high], [0, 100] when absent) and
// "use" (a number variable the bar shows).
std::unique_ptr<ControlKind> progressKind();

// "menu": a menu of the menu bar or, with a parent menu, a submenu. Field "text"; flag "separated"
// (a separator line before it). It has no widget: the window's menu bar holds it.
std::unique_ptr<ControlKind> menuKind();
// "item": a command of its parent menu; choosing it accepts it. Field "text"; flag "separated".
std::unique_ptr<ControlKind> itemKind();
// "spin": a number with up and down arrows. Fields "picture", "use" (a number variable) and
// "range" ([low, high], [1, 9999] when absent); each change the user makes is accepted.
std::unique_ptr<ControlKind> spinKind();
// "combo": a text typed or chosen from a drop-down list (combo_control.h).
std::unique_ptr<ControlKind> comboKind();
// "panel": a sunken frame, drawn as a separator when thin.
std::unique_ptr<ControlKind> panelKind();
// "line": a line from the control's top-left corner to its bottom-right one. Field "colour".
std::unique_ptr<ControlKind> lineKind();

}  // namespace platform::ui::controls
