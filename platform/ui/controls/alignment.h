// The horizontal alignment that a control's flags ask for.
#pragma once

#include <Qt>

#include "platform/ui/window_definition.h"

namespace platform::ui::controls {

inline Qt::Alignment horizontalAlignment(const ControlDefinition& d, Qt::Alignment otherwise) {
  if (d.has("right")) return Qt::AlignRight;
  if (d.has("centre")) return Qt::AlignHCenter;
  if (d.has("left")) return Qt::AlignLeft;
  return otherwise;
}

}  // namespace platform::ui::controls
