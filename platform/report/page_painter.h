// Paints page metafiles with QPainter: onto the preview's widgets, a printer (QPrinter) or a PDF
// (QPdfWriter). Positions are thousandths of an inch; fonts keep their exact point sizes on every
// device, whatever its resolution or the zoom.
//
// Not thread safe beyond QPainter's own rules: paint from the GUI thread.
#pragma once

#include <QPagedPaintDevice>
#include <QPainter>
#include <QRectF>
#include <string>
#include <vector>

#include "platform/report/page_metafile.h"

namespace platform::report {

// Paints the page into `target` (in the painter's current coordinates), the page's width and
// height mapped onto the target's.
void paintPage(QPainter& painter, const PageMetafile& page, const QRectF& target);

// Paints the pages onto a paged device (a printer or a PDF writer), one device page each, the
// page size and orientation set from the first page, no margins. False, with `error` set to a
// runtime error number (platform/core/runtime_errors.h), when there are no pages
// (kInvalidParameters) or the device cannot be painted on (kIoError).
bool paintPages(QPagedPaintDevice& device, const std::vector<const PageMetafile*>& pages, int& error);

}  // namespace platform::report
