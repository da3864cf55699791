#include "platform/layout/font.h"

namespace platform::layout {

QFont makeFont(const FontSpec& spec) {
  QFont font;
  if (spec.name == "MS Sans Serif") {
    font.setFamily("Sans Serif");
    font.setStyleHint(QFont::SansSerif);
  } else if (spec.name == "Arial") {
    font.setFamily("Liberation Sans");
    font.setStyleHint(QFont::SansSerif);
  } else {
    font.setFamily(QString::fromStdString(spec.name));
  }
  font.setPointSize(spec.size);
  font.setBold(spec.style == FontStyle::Bold || spec.style == FontStyle::BoldItalic);
  font.setItalic(spec.style == FontStyle::Italic || spec.style == FontStyle::BoldItalic);
  return font;
}

}  // namespace platform::layout
