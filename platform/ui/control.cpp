#include "platform/ui/control.h"

#include <QApplication>
#include <QPalette>

#include "platform/layout/colour.h"
#include "platform/ui/controls/kinds.h"
#include "platform/ui/window.h"

namespace platform::ui {

Control::Control(Window& window, const ControlDefinition& definition)
    : window_(window),
      definition_(definition),
      useName_(definition.text("use")),
      fontColour_(definition.fontColour),
      background_(definition.background) {
  const std::string picture = definition.text("picture");
  if (!picture.empty()) picture_ = Picture::parse(picture);
}

Control::~Control() = default;

QSize Control::defaultSize() const {
  QWidget* w = widget();
  return w != nullptr ? w->sizeHint() : QSize();
}

void Control::display() {
  if (!variable_) return;
  showValue(variable_->show(picture_, window_.locale()));
  displayed_ = takenValue();
}

void Control::update() {
  if (!variable_ || !takesInput() || (displayed_ && *displayed_ == takenValue())) return;
  takeInput();
}

void Control::takeInput() {
  if (!variable_) return;
  displayed_ = takenValue();
  variable_->take(*displayed_);
}

bool Control::isHidden() const { return widget() == nullptr || widget()->isHidden(); }

void Control::setHidden(bool hidden) {
  if (QWidget* w = widget()) w->setVisible(!hidden);
}

bool Control::isDisabled() const { return widget() == nullptr || !widget()->isEnabled(); }

void Control::setDisabled(bool disabled) {
  if (QWidget* w = widget()) w->setEnabled(!disabled);
}

void Control::setFontColour(std::int32_t colour) {
  fontColour_ = colour;
  applyColours();
}

void Control::setBackground(std::int32_t colour) {
  background_ = colour;
  applyColours();
}

void Control::applyColours() {
  QWidget* w = widget();
  if (w == nullptr) return;
  QPalette palette = QApplication::palette(w);
  const QColor text = layout::toQColor(fontColour_);
  if (text.isValid()) {
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      palette.setColor(role, text);
  }
  const QColor back = layout::toQColor(background_);
  if (back.isValid()) {
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) palette.setColor(role, back);
  }
  w->setPalette(palette);
  w->setAutoFillBackground(back.isValid());
}

void Control::setUpWidget(QWidget* w) {
  w->setObjectName(QString::fromStdString(definition_.label));
  w->setProperty("controlNumber", definition_.number);
  if (definition_.font) w->setFont(layout::makeFont(*definition_.font));
  if (!definition_.tip.empty()) w->setToolTip(QString::fromStdString(definition_.tip));
  if (!definition_.status.empty()) w->setStatusTip(QString::fromStdString(definition_.status));
  if (definition_.has("hidden")) w->setVisible(false);
  if (definition_.has("disabled")) w->setEnabled(false);
  applyColours();
}

void Control::postAccepted() { window_.post(EventKind::Accepted, number()); }

void Control::postNewSelection() { window_.post(EventKind::NewSelection, number()); }

void ControlKinds::add(std::unique_ptr<ControlKind> kind) {
  std::string name(kind->name());
  kinds_.insert_or_assign(std::move(name), std::move(kind));
}

const ControlKind* ControlKinds::find(std::string_view name) const {
  auto it = kinds_.find(name);
  return it == kinds_.end() ? nullptr : it->second.get();
}

std::vector<std::string> ControlKinds::names() const {
  std::vector<std::string> names;
  for (const auto& [name, kind] : kinds_) names.push_back(name);
  return names;
}

const ControlKinds& ControlKinds::standard() {
  static const ControlKinds kinds = [] {
    ControlKinds k;
    k.add(controls::boxKind());
    k.add(controls::imageKind());
    k.add(controls::promptKind());
    k.add(controls::entryKind());
    k.add(controls::buttonKind());
    k.add(controls::listKind());
    k.add(controls::dropListKind());
    k.add(controls::sheetKind());
    k.add(controls::tabKind());
    k.add(controls::groupKind());
    k.add(controls::regionKind());
    k.add(controls::textKind());
    k.add(controls::progressKind());
    k.add(controls::menuKind());
    k.add(controls::itemKind());
    k.add(controls::spinKind());
    k.add(controls::comboKind());
    k.add(controls::panelKind());
    k.add(controls::lineKind());
    return k;
  }();
  return kinds;
}

}  // namespace platform::ui
