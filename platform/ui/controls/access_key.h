// Access keys in captions: "&" marks the letter after it ("&Aceptar": Alt+A), "&&" stands for one
// "&" shown.
#pragma once

#include <QString>

namespace platform::ui::controls {

// The caption as shown where its access key is not underlined (a tooltip, a plain text): the
// marks left out, "&&" shown as one "&".
inline QString withoutAccessKey(const QString& caption) {
  QString shown;
  shown.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

}  // namespace platform::ui::controls
