#include "output/export_window.h"

#include "output/export_name.h"

namespace output {

using namespace platform::literals;

ExportWindowProgress::ExportWindowProgress(platform::ui::Window& window, platform::FixedText<20>& LS_POR)
    : window_(window),
      LS_POR_(LS_POR),
      fileNameControl_(window.control("?STRNOMARCHIVO").number()),
      barControl_(window.control("?PROGRESS1").number()),
      percentControl_(window.control("?LS_POR").number()) {}

void ExportWindowProgress::showFileName(platform::Cp1252View name) {
  window_.control(fileNameControl_).setText(name.toUtf8());
  window_.display();
  window_.redraw();
}

void ExportWindowProgress::start(std::int32_t total) {
  total_ = total;
  platform::ui::Control& bar = window_.control(barControl_);
  bar.setRange(0, total);
  bar.setProgress(0);
  window_.redraw(barControl_);
  showPercent("  0 %"_cp1252);
}

// The bar paints itself as soon as its fill changes; the percentage is painted when its text
// changes. Painting what did not change would only cost time: at 2,000 records it cost twenty
// times the export itself.
void ExportWindowProgress::advance() {
  platform::ui::Control& bar = window_.control(barControl_);
  bar.setProgress(bar.progress() + 1);
  showPercent(PercentText(bar.progress(), total_));
}

void ExportWindowProgress::showPercent(const platform::Cp1252Text& text) {
  const bool changed = LS_POR_.value() != platform::FixedText<20>(text).value();
  LS_POR_ = text;
  window_.display(percentControl_);
  if (changed) window_.redraw(percentControl_);
}

}  // namespace output
