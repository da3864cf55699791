#include "platform/report/report.h"

#include <QFontMetricsF>
#include <QImageReader>
#include <cmath>
#include <stdexcept>

#include "platform/core/cp1252_text.h"
#include "platform/core/number_text.h"
#include "platform/core/picture.h"

namespace platform::report {
namespace {

// A device of 1000 dots per inch: measured there, a length in pixels is in thousandths of an inch.
const QImage& thousandthsDevice() {
  static const QImage device = [] {
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setDotsPerMeterX(39370);
    image.setDotsPerMeterY(39370);
    return image;
  }();
  return device;
}

}  // namespace

Report::Report(ReportDefinition definition, const Locale& locale, const Bindings& names)
    : definition_(std::move(definition)), locale_(locale), names_(names) {
  for (const BandDefinition& band : definition_.bands) {
    for (const ReportControlDefinition& c : band.controls) {
      ControlState& s = states_[labelKey(c.label)];
      s.hidden = c.hidden;
      if (c.kind == ReportControlKind::Image) {
        s.image = c.image;
        s.picture = load(c.image);
      }
    }
  }
}

double Report::textWidth(const std::string& utf8, const layout::FontSpec& font) {
  return QFontMetricsF(layout::makeFont(font), &thousandthsDevice()).horizontalAdvance(QString::fromStdString(utf8));
}

double Report::averageCharWidth(const layout::FontSpec& font) {
  return QFontMetricsF(layout::makeFont(font), &thousandthsDevice()).averageCharWidth();
}

double Report::fontHeight(const layout::FontSpec& font) {
  return QFontMetricsF(layout::makeFont(font), &thousandthsDevice()).height();
}

const ReportControlDefinition& Report::control(std::string_view label) const {
  const std::string wanted = labelKey(label);
  for (const BandDefinition& band : definition_.bands)
    for (const ReportControlDefinition& c : band.controls)
      if (labelKey(c.label) == wanted) return c;
  throw std::out_of_range(definition_.name + ": no control " + std::string(label));
}

Report::ControlState& Report::state(std::string_view label) {
  control(label);
  return states_[labelKey(label)];
}

void Report::setHidden(std::string_view label, bool hidden) { state(label).hidden = hidden; }

bool Report::isHidden(std::string_view label) const {
  control(label);
  return states_.at(labelKey(label)).hidden;
}

bool Report::setImage(std::string_view label, const std::string& path) {
  ControlState& s = state(label);
  if (control(label).kind != ReportControlKind::Image) return false;
  QImage picture = load(path);
  if (picture.isNull()) return false;
  s.image = path;
  s.picture = picture;
  return true;
}

const std::string& Report::imageOf(std::string_view label) const {
  control(label);
  return states_.at(labelKey(label)).image;
}

void Report::showPageNumber(std::string_view label) { state(label).pageNumber = true; }

QImage Report::load(const std::string& source) const {
  if (source.empty()) return {};
  auto found = images_.find(source);
  if (found != images_.end()) return found->second;
  QImageReader reader(QString::fromStdString(layout::imagePath(source)));
  QImage image = reader.read();
  images_.emplace(source, image);
  return image;
}

void Report::open() {
  pages_.clear();
  open_ = true;
  pageOpen_ = false;
}

void Report::discard() {
  pages_.clear();
  open_ = false;
  pageOpen_ = false;
}

void Report::print(std::string_view detailBand) {
  const BandDefinition* band = detailBand.empty() ? definition_.bandOf(BandKind::Detail) : definition_.band(detailBand);
  if (band == nullptr || band->kind != BandKind::Detail)
    throw std::out_of_range(definition_.name + ": no detail band " + std::string(detailBand));
  if (!open_) open();
  const Rect& area = definition_.detailArea;
  if (pageOpen_ && detailsOnPage_ > 0 && nextDetailY_ + band->at.height > area.y + area.height) finishPage();
  if (!pageOpen_) startPage();
  printBand(*band, area.x, nextDetailY_);
  nextDetailY_ += band->at.height;
  ++detailsOnPage_;
}

void Report::close() {
  if (pageOpen_) finishPage();
}

void Report::startPage() {
  PageMetafile page;
  page.number = static_cast<int>(pages_.size()) + 1;
  page.width = definition_.pageWidth();
  page.height = definition_.pageHeight();
  pages_.push_back(std::move(page));
  pageOpen_ = true;
  detailsOnPage_ = 0;
  nextDetailY_ = definition_.detailArea.y;
  for (BandKind kind : {BandKind::Form, BandKind::Header})
    for (const BandDefinition& band : definition_.bands)
      if (band.kind == kind) printBand(band, band.at.x, band.at.y);
}

void Report::finishPage() {
  for (const BandDefinition& band : definition_.bands)
    if (band.kind == BandKind::Footer) printBand(band, band.at.x, band.at.y);
  pageOpen_ = false;
}

void Report::printBand(const BandDefinition& band, int x, int y) {
  for (const ReportControlDefinition& c : band.controls)
    if (!states_[labelKey(c.label)].hidden) printControl(c, x + c.x, y + c.y);
}

std::string Report::valueText(const ReportControlDefinition& c) const {
  const std::optional<Picture> picture = c.picture.empty() ? std::nullopt : Picture::parse(c.picture);
  bool isNumber = false;
  double number = 0;
  Cp1252Text text;
  if (states_.at(labelKey(c.label)).pageNumber) {
    isNumber = true;
    number = static_cast<double>(currentPage());
  } else {
    const std::optional<BoundName> bound = c.use.empty() ? std::nullopt : names_.find(c.use);
    if (!bound) return {};
    switch (bound->kind) {
      case BoundName::Kind::Long:
        isNumber = true;
        number = *static_cast<const std::int32_t*>(bound->variable);
        break;
      case BoundName::Kind::Real:
        isNumber = true;
        number = *static_cast<const double*>(bound->variable);
        break;
      case BoundName::Kind::Byte:
        isNumber = true;
        number = *static_cast<const std::uint8_t*>(bound->variable);
        break;
      case BoundName::Kind::Text:
        text = *static_cast<const Cp1252Text*>(bound->variable);
        break;
      case BoundName::Kind::Field:
        switch (bound->record->layout().field(bound->field).type) {
          case FieldType::Long:
            isNumber = true;
            number = bound->record->getLong(bound->field);
            break;
          case FieldType::Real:
            isNumber = true;
            number = bound->record->getReal(bound->field);
            break;
          case FieldType::Byte:
            isNumber = true;
            number = bound->record->getByte(bound->field);
            break;
          case FieldType::String:
          case FieldType::CString:
            text = bound->record->getText(bound->field);
            break;
        }
        break;
    }
  }
  // What a picture makes is code page 1252: the value's characters and the locale's.
  std::string shown;
  if (!picture)
    shown = isNumber ? formatPicture("", number) : text.bytes();  // the shortest decimal text
  else
    shown = isNumber ? picture->format(number, locale_) : picture->formatText(text.bytes());
  Cp1252View kept = trimRight(Cp1252View::ofBytes(shown));
  if (picture && picture->kind() != PictureKind::Text) kept = trimLeft(kept);
  return kept.toUtf8();
}

void Report::printControl(const ReportControlDefinition& c, int x, int y) {
  PageMetafile& page = pages_.back();
  switch (c.kind) {
    case ReportControlKind::Text:
    case ReportControlKind::String: {
      TextOp op;
      op.label = c.label;
      op.text = c.kind == ReportControlKind::Text ? c.text : valueText(c);
      op.font = c.font;
      op.colour = c.fontColour;
      op.alignment = c.alignment;
      int width = c.width.value_or(0);
      if (!c.width) {
        // A picture gives the room: its digits for a number, its characters at the font's average
        // width for a text, so that a column of values lines up whatever each value holds.
        const std::optional<Picture> picture = c.picture.empty() ? std::nullopt : Picture::parse(c.picture);
        double measured = textWidth(op.text, c.font);
        if (picture && picture->kind() != PictureKind::Text)
          measured = textWidth(std::string(static_cast<std::size_t>(picture->width()), '0'), c.font);
        else if (picture)
          measured = std::max(measured, picture->width() * averageCharWidth(c.font));
        width = static_cast<int>(std::ceil(measured));
      }
      op.at = {x, y, width, c.height.value_or(static_cast<int>(std::ceil(fontHeight(c.font))))};
      page.ops.push_back(std::move(op));
      break;
    }
    case ReportControlKind::Line:
      page.ops.push_back(LineOp{x, y, x + c.width.value_or(0), y + c.height.value_or(0), c.colour, 10, c.label});
      break;
    case ReportControlKind::Box:
      page.ops.push_back(BoxOp{{x, y, c.width.value_or(0), c.height.value_or(0)}, c.colour, c.fill, 10, c.label});
      break;
    case ReportControlKind::Image: {
      const ControlState& s = states_.at(labelKey(c.label));
      if (s.picture.isNull()) break;
      const int width = c.width.value_or(0);
      const QSizeF natural = s.picture.size();
      Rect at{x, y, width,
              c.height ? *c.height : static_cast<int>(std::lround(width * natural.height() / natural.width()))};
      if (!c.stretch && c.height) {
        const QSizeF fitted = natural.scaled(QSizeF(at.width, at.height), Qt::KeepAspectRatio);
        at = {x + static_cast<int>(std::lround((at.width - fitted.width()) / 2)),
              y + static_cast<int>(std::lround((at.height - fitted.height()) / 2)),
              static_cast<int>(std::lround(fitted.width())), static_cast<int>(std::lround(fitted.height()))};
      }
      page.ops.push_back(ImageOp{at, s.picture, s.image, c.label});
      break;
    }
  }
}

}  // namespace platform::report
