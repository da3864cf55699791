// What the export window shows while the export runs: the new file's name in ?STRNOMARCHIVO, the
// bar ?PROGRESS1 counting from 0 to the total, and under it the percentage held in LS_POR
// (?LS_POR). The export runs inside the window's handler, where no event is processed until it
// ends, so each change is painted at once.
//
// The bar keeps its value within its range: it counts by reading its own value back, so with more
// records than the total it stays full and the percentage at "100 %".
#pragma once

#include <cstdint>
#include <string>

#include "output/grade_export.h"
#include "platform/core/fixed_text.h"
#include "platform/ui/window.h"

namespace output {

class ExportWindowProgress : public ExportProgress {
 public:
  // The window and LS_POR must outlive the object.
  ExportWindowProgress(platform::ui::Window& window, platform::FixedText<20>& LS_POR);

  void showFileName(platform::Cp1252View name) override;
  void start(std::int32_t total) override;
  void advance() override;

 private:
  void showPercent(const platform::Cp1252Text& text);

  platform::ui::Window& window_;
  platform::FixedText<20>& LS_POR_;
  int fileNameControl_;
  int barControl_;
  int percentControl_;
  std::int32_t total_ = 0;
};

}  // namespace output
