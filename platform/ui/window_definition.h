// Window definitions: a window and its controls declared as data (JSON, stored as program
// resources under ":/windows/NAME.json"), checked when read, so that a window is never built from
// a definition with a mistake in it.
//
// The window object holds:
//   "label"        the definition's own label (text)
//   "title"        the title bar's text
//   "at"           [x, y, width, height] in dialog units; x and y may be null (placed by the
//                  system, or centred)
//   "centre"       true: centred on the screen
//   "font"         {"name": "MS Sans Serif", "size": 8, "style": "regular"|"bold"|"italic"|
//                  "bold italic"}
//   "icon"         an image of ":/images/" shown in the title bar
//   "frame"        "double" (fixed size, the default), "resizable", "single" or "none"
//   "systemMenu", "maximizeBox", "minimizeBox"   the title bar's menu and boxes (booleans)
//   "background"   a colour (colour.h), "-1" for the default
//   "helpId"       the help topic
//   "timer"        the window's timer in hundredths of a second, 0 for none
//   "immediate"    true: size changes are reported at once
//   "toolbar"      the height of a toolbar under the menu bar, in dialog units (0: none); controls
//                  with the flag "toolbar" are placed in it, their positions relative to it
//   "statusBar"    the widths of the status bar's parts in dialog units, the last -1 to take what
//                  is left; the first part shows the status texts of menus and controls
//   "controls"     the controls, in control-number order (the first is control 1)
// and each control:
//   "label" (required, "?NAME", unique without regard to case), "kind" (required, one of the
//   kinds given to the reader), "at" ([x, y, width, height], null for the kind's default size),
//   "parent" (the label of an earlier control that holds this one), "flags" (list), "fontColour"
//   and "background" (colours), "font" (as the window's, each part optional), and the fields that
//   the control's kind reads (text, picture, use, image, icon, std ...).
//
// Every key is checked: an unknown key, a flag or field that the kind does not take, a picture
// that is not one, a colour that is not one, a duplicate label, a parent that does not come
// earlier, and (when a check is given) an image that the program does not hold are reported, each
// with the definition's name and the control's number and label.
#pragma once

#include <QJsonObject>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/layout/definitions.h"
#include "platform/layout/font.h"

class QByteArray;

namespace platform::ui {

class ControlKinds;

enum class Frame { Double, Resizable, Single, None };

struct ControlDefinition {
  int number = 0;  // 1-based, the control's place in the definition
  std::string label;
  std::string kind;
  // Dialog units; nothing for the kind's default.
  std::optional<int> x, y, width, height;
  std::string parent;
  std::set<std::string> flags;
  std::int32_t fontColour = -1;
  std::int32_t background = -1;
  std::optional<layout::FontSpec> font;
  std::string tip;     // UTF-8
  std::string status;  // UTF-8
  // The kind's own fields, as written (text, picture, use, image, icon, std, colour, fill ...).
  QJsonObject fields;

  bool has(std::string_view flag) const { return flags.count(std::string(flag)) != 0; }
  // A text field of the kind's own, empty when absent.
  std::string text(const char* field) const;
  // A colour field of the kind's own, -1 when absent.
  std::int32_t colour(const char* field) const;
};

struct WindowDefinition {
  std::string name;  // the resource name, or whatever the caller named it
  std::string label;
  std::string title;
  std::optional<int> x, y;
  int width = 0;
  int height = 0;
  bool centred = false;
  layout::FontSpec font;
  std::string icon;
  Frame frame = Frame::Double;
  bool systemMenu = false;
  bool maximizeBox = false;
  bool minimizeBox = false;
  std::int32_t background = -1;
  std::string helpId;
  int timer = 0;
  bool immediate = false;
  int toolbarHeight = 0;
  std::vector<int> statusBar;  // part widths in dialog units, -1 for the rest
  std::vector<ControlDefinition> controls;

  // The control's number, 0 when no control has that label (matched without regard to case).
  int find(std::string_view label) const;
};

// Reads a definition; throws layout::DefinitionError listing every problem found.
WindowDefinition parseWindowDefinition(const QByteArray& json, const std::string& name, const ControlKinds& kinds,
                                       const layout::ImageCheck& imageExists = {});

// The definition stored as ":/windows/NAME.json", read with the standard control kinds; images
// are checked against ":/images/". Throws layout::DefinitionError (also when there is no such resource).
WindowDefinition loadWindowDefinition(const std::string& name);
}  // namespace platform::ui
