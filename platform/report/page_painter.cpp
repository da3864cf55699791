#include "platform/report/page_painter.h"

#include <QPageLayout>
#include <QPageSize>

#include "platform/core/runtime_errors.h"
#include "platform/layout/colour.h"

namespace platform::report {
namespace {

QRectF rectOf(const Rect& r) { return QRectF(r.x, r.y, r.width, r.height); }

Qt::Alignment alignmentOf(Alignment a) {
  switch (a) {
    case Alignment::Centre:
      return Qt::AlignHCenter;
    case Alignment::Right:
      return Qt::AlignRight;
    case Alignment::Left:
      break;
  }
  return Qt::AlignLeft;
}

QColor colourOr(std::int32_t colour, const QColor& otherwise) {
  const QColor c = layout::toQColor(colour);
  return c.isValid() ? c : otherwise;
}

class OpPainter {
 public:
  OpPainter(QPainter& painter, double deviceDpi) : painter_(painter), deviceDpi_(deviceDpi) {}

  void operator()(const TextOp& op) {
    // The painter's coordinates are thousandths of an inch: a font of p points must be p/72 inch
    // high there, which the device's resolution would otherwise decide.
    QFont font = layout::makeFont(op.font);
    font.setPointSizeF(op.font.size * 1000.0 / deviceDpi_);
    painter_.setFont(font);
    if (op.background != -1) painter_.fillRect(rectOf(op.at), colourOr(op.background, Qt::white));
    painter_.setPen(colourOr(op.colour, Qt::black));
    painter_.drawText(rectOf(op.at), static_cast<int>(alignmentOf(op.alignment) | Qt::AlignTop | Qt::TextSingleLine),
                      QString::fromStdString(op.text));
  }
  void operator()(const LineOp& op) {
    painter_.setPen(QPen(colourOr(op.colour, Qt::black), op.width, Qt::SolidLine, Qt::FlatCap));
    painter_.drawLine(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2));
  }
  void operator()(const BoxOp& op) {
    if (op.border == -1)
      painter_.setPen(Qt::NoPen);
    else
      painter_.setPen(
          QPen(colourOr(op.border, Qt::black), op.borderWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter_.setBrush(op.fill == -1 ? QBrush(Qt::NoBrush) : QBrush(colourOr(op.fill, Qt::white)));
    painter_.drawRect(rectOf(op.at));
  }
  void operator()(const ImageOp& op) { painter_.drawImage(rectOf(op.at), op.image); }

 private:
  QPainter& painter_;
  double deviceDpi_;
};

}  // namespace

void paintPage(QPainter& painter, const PageMetafile& page, const QRectF& target) {
  if (page.width <= 0 || page.height <= 0) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.translate(target.topLeft());
  painter.scale(target.width() / page.width, target.height() / page.height);
  painter.setClipRect(QRectF(0, 0, page.width, page.height), Qt::IntersectClip);
  const double dpi = painter.device() != nullptr ? painter.device()->logicalDpiY() : 96.0;
  OpPainter paintOp(painter, dpi);
  for (const DrawOp& op : page.ops) std::visit(paintOp, op);
  painter.restore();
}

bool paintPages(QPagedPaintDevice& device, const std::vector<const PageMetafile*>& pages, int& error) {
  if (pages.empty()) {
    error = errors::kInvalidParameters;
    return false;
  }
  const PageMetafile& first = *pages.front();
  const bool landscape = first.width > first.height;
  const QSizeF portrait(std::min(first.width, first.height) / 1000.0, std::max(first.width, first.height) / 1000.0);
  device.setPageLayout(QPageLayout(QPageSize(portrait, QPageSize::Inch, QString(), QPageSize::FuzzyMatch),
                                   landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
  QPainter painter;
  if (!painter.begin(&device)) {
    error = errors::kIoError;
    return false;
  }
  // The whole paper, from its top-left corner, in device pixels.
  const QRectF full = device.pageLayout().fullRectPixels(device.logicalDpiX());
  bool first_ = true;
  for (const PageMetafile* page : pages) {
    if (!first_ && !device.newPage()) {
      error = errors::kIoError;
      painter.end();
      return false;
    }
    first_ = false;
    const QRectF paintable = device.pageLayout().paintRectPixels(device.logicalDpiX());
    paintPage(painter, *page, QRectF(full.topLeft() - paintable.topLeft(), full.size()));
  }
  if (!painter.end()) {
    error = errors::kIoError;
    return false;
  }
  return true;
}

}  // namespace platform::report
