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
// "button": a push button. Fields "text", "icon", "std" ("close": closing the window is its
// standard action); flags "default", "skip".
std::unique_ptr<ControlKind> buttonKind();
// "progress": a progress bar without text. Fields "range" ([low, high], [0, 100] when absent) and
// "use" (a number variable the bar shows and takes its value from).
std::unique_ptr<ControlKind> progressKind();

}  // namespace platform::ui::controls
