#include "platform/ui/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <stdexcept>

#include "platform/layout/colour.h"
#include "platform/os/window_style.h"
#include "platform/ui/help_viewer.h"

namespace platform::ui {

// The window's top-level widget: it turns the close box into a CloseWindow request and watches
// the controls' keys for Enter and the alert keys. A window without a system menu has no close
// box: the window manager's close request (Alt+F4) is refused, and only the window's own controls
// end it.
class WindowWidget : public QWidget {
 public:
  explicit WindowWidget(Window& window)
      : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), window_(window) {}

  void detach() { attached_ = false; }

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (attached_ && os::hasSystemMenu(this)) window_.closeRequested();
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (attached_ && event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      return window_.handleKey(watched, key->key(), static_cast<int>(key->modifiers()));
    }
    return false;
  }
  bool event(QEvent* event) override {
    if (attached_ && event->type() == QEvent::StatusTip) {
      window_.showStatusTip(static_cast<QStatusTipEvent*>(event)->tip().toStdString());
      return true;
    }
    return QWidget::event(event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (!attached_ || !window_.handleKey(this, event->key(), static_cast<int>(event->modifiers())))
      QWidget::keyPressEvent(event);
  }

 private:
  Window& window_;
  bool attached_ = true;
};

namespace {

// The windows of this thread, in the order they were opened.
std::vector<Window*>& openWindows() {
  thread_local std::vector<Window*> windows;
  return windows;
}

void forget(Window* window) {
  auto& windows = openWindows();
  windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

std::uint32_t styleOf(const WindowDefinition& d) {
  std::uint32_t style = d.frame == Frame::None ? 0 : os::kCaption;
  if (d.systemMenu) style |= os::kSystemMenu;
  // A window with an icon gets the system menu and the minimise box, as a desktop builds it.
  if (!d.icon.empty() || d.minimizeBox) style |= os::kSystemMenu | os::kMinimizeBox;
  if (d.maximizeBox) style |= os::kSystemMenu | os::kMaximizeBox;
  return style;
}

}  // namespace

Window::Window(WindowDefinition definition, const Locale& locale, const ControlKinds& kinds)
    : definition_(std::move(definition)), locale_(locale) {
  build(kinds);
}

Window::Window(const std::string& resourceName, const Locale& locale)
    : Window(loadWindowDefinition(resourceName), locale) {}

Window::~Window() {
  forget(this);
  if (widget_) {
    widget_->detach();
    delete widget_.data();
  }
  controls_.clear();
}

QWidget* Window::handle() const { return widget_.data(); }

std::string Window::title() const { return widget_ ? widget_->windowTitle().toStdString() : std::string(); }

void Window::setTitle(const std::string& utf8) {
  if (widget_) widget_->setWindowTitle(QString::fromStdString(utf8));
}

void Window::build(const ControlKinds& kinds) {
  const QFont font = layout::makeFont(definition_.font);
  units_ = std::make_unique<DialogUnits>(font);
  widget_ = new WindowWidget(*this);
  widget_->setFont(font);
  widget_->setWindowTitle(QString::fromStdString(definition_.title));
  widget_->setObjectName(QString::fromStdString(definition_.name));
  if (!definition_.icon.empty())
    widget_->setWindowIcon(QIcon(QString::fromStdString(layout::imagePath(definition_.icon))));
  os::setWindowStyle(widget_, styleOf(definition_));
  client_ = widget_;
  buildChrome();
  QSize size(units_->toPixelsX(definition_.width), units_->toPixelsY(definition_.height));
  // The definition's size is the client area's: the menu bar, toolbar and status bar add to it.
  if (menuBar_ != nullptr) size.rheight() += menuBar_->sizeHint().height();
  if (toolbar_ != nullptr) size.rheight() += toolbar_->height();
  if (statusBar_ != nullptr) size.rheight() += statusBar_->sizeHint().height();
  if (definition_.frame == Frame::Resizable || definition_.maximizeBox)
    widget_->resize(size);
  else
    widget_->setFixedSize(size);
  const QColor background = layout::toQColor(definition_.background);
  if (background.isValid()) {
    QPalette palette = widget_->palette();
    palette.setColor(QPalette::Window, background);
    widget_->setPalette(palette);
    widget_->setAutoFillBackground(true);
  }

  for (const ControlDefinition& d : definition_.controls) {
    const ControlKind* kind = kinds.find(d.kind);
    if (kind == nullptr) throw std::runtime_error(definition_.name + ": no control kind \"" + d.kind + "\"");
    QWidget* parent = d.has("toolbar") ? toolbar_ : client_;
    if (!d.parent.empty()) {
      if (QWidget* container = control(d.parent).container()) parent = container;
    }
    controls_.push_back(kind->create(*this, d, parent));
    Control& made = *controls_.back();
    if (made.widget() == nullptr) continue;  // a menu or menu item
    if (!made.placesItself()) placeControl(made);
    made.widget()->installEventFilter(widget_);
    if (defaultButton_ == 0 && made.isButton() && d.has("default")) defaultButton_ = d.number;
  }
  for (const auto& c : controls_) c->windowComplete();
  setTabOrder();
  stackByLayer();

  timerObject_ = new QTimer(widget_);
  QObject::connect(timerObject_, &QTimer::timeout, widget_, [this] {
    const bool waiting =
        std::any_of(queue_.begin(), queue_.end(), [](const WindowEvent& e) { return e.kind == EventKind::Timer; });
    if (!waiting) post(EventKind::Timer);
  });
  timer_ = definition_.timer;
}

// Positions are dialog units from the window's client area, also for controls that lie in a
// container (a sheet, a group).
void Window::buildChrome() {
  const bool menus = std::any_of(definition_.controls.begin(), definition_.controls.end(),
                                 [](const ControlDefinition& c) { return c.kind == "menu"; });
  if (!menus && definition_.toolbarHeight == 0 && definition_.statusBar.empty()) return;
  auto* layout = new QVBoxLayout(widget_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  if (menus) layout->setMenuBar(menuBar());
  if (definition_.toolbarHeight > 0) {
    toolbar_ = new QWidget(widget_);
    toolbar_->setFixedHeight(units_->toPixelsY(definition_.toolbarHeight));
    layout->addWidget(toolbar_);
  }
  client_ = new QWidget(widget_);
  layout->addWidget(client_, 1);
  if (!definition_.statusBar.empty()) {
    statusBar_ = new QStatusBar(widget_);
    statusBar_->setSizeGripEnabled(definition_.frame == Frame::Resizable);
    for (int width : definition_.statusBar) {
      auto* part = new QLabel(statusBar_);
      part->setTextFormat(Qt::PlainText);
      if (width >= 0) part->setFixedWidth(units_->toPixelsX(width));
      statusBar_->addWidget(part, width < 0 ? 1 : 0);
      statusParts_.push_back(part);
    }
    layout->addWidget(statusBar_);
  }
}

QMenuBar* Window::menuBar() {
  if (menuBar_ == nullptr) menuBar_ = new QMenuBar(widget_);
  return menuBar_;
}

void Window::setStatusText(int part, const std::string& utf8) {
  if (part >= 0 && part < static_cast<int>(statusParts_.size()))
    statusParts_[static_cast<std::size_t>(part)]->setText(QString::fromStdString(utf8));
}

std::string Window::statusText(int part) const {
  if (part < 0 || part >= static_cast<int>(statusParts_.size())) return {};
  return statusParts_[static_cast<std::size_t>(part)]->text().toStdString();
}

void Window::placeControl(Control& control) {
  const ControlDefinition& d = control.definition();
  QWidget* w = control.widget();
  const QSize natural = control.defaultSize();
  QRect r(units_->toPixelsX(d.x.value_or(0)), units_->toPixelsY(d.y.value_or(0)),
          d.width ? units_->toPixelsX(*d.width) : natural.width(),
          d.height ? units_->toPixelsY(*d.height) : natural.height());
  QWidget* area = d.has("toolbar") ? toolbar_ : client_;
  if (w->parentWidget() != area) r.translate(-w->parentWidget()->mapTo(area, QPoint(0, 0)));
  w->setGeometry(r);
  control.placed();
}

// Frames go under the controls they frame, then sheets under everything: whatever order the
// definition lists them in, a group never takes the clicks meant for the entries inside it.
void Window::stackByLayer() {
  for (Control::Layer layer : {Control::Layer::Frame, Control::Layer::Bottom}) {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
      if ((*it)->layer() == layer && (*it)->widget() != nullptr) (*it)->widget()->lower();
    }
  }
}

void Window::setTabOrder() {
  QWidget* previous = nullptr;
  for (const auto& c : controls_) {
    QWidget* w = c->widget();
    if (w == nullptr) continue;
    if (!c->takesFocus()) {
      if (w->focusPolicy() != Qt::ClickFocus) w->setFocusPolicy(Qt::NoFocus);
      continue;
    }
    if (previous != nullptr) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

void Window::bind(std::string_view name, Variable variable) {
  bool bound = false;
  for (const auto& c : controls_) {
    if (c->useName().empty() || locale_.compareNoCase(c->useName(), name) != 0) continue;
    c->bind(variable);
    bound = true;
  }
  if (!bound) throw std::invalid_argument(definition_.name + ": no control uses \"" + std::string(name) + "\"");
}

void Window::bindRecord(std::string_view prefix, RecordBuffer& record) {
  for (const auto& c : controls_) {
    const std::string& use = c->useName();
    if (use.size() <= prefix.size() || use[prefix.size()] != ':' ||
        locale_.compareNoCase(std::string_view(use).substr(0, prefix.size()), prefix) != 0)
      continue;
    const int field = record.layout().indexOf(std::string_view(use).substr(prefix.size() + 1));
    if (field < 0)
      throw std::invalid_argument(definition_.name + ": " + c->label() + " uses \"" + use + "\", no field");
    c->bind(Variable::ofField(record, field));
  }
}

Control& Window::control(int number) const {
  if (number < 1 || number > controlCount())
    throw std::out_of_range(definition_.name + ": no control " + std::to_string(number));
  return *controls_[static_cast<std::size_t>(number - 1)];
}

Control& Window::control(std::string_view label) const {
  const int number = find(label);
  if (number == 0) throw std::out_of_range(definition_.name + ": no control " + std::string(label));
  return control(number);
}

Control* Window::controlOf(QObject* object) const {
  for (QObject* o = object; o != nullptr && o != widget_; o = o->parent()) {
    for (const auto& c : controls_)
      if (c->widget() == o) return c.get();
  }
  return nullptr;
}

void Window::open() {
  if (opened_) return;
  for (const auto& c : controls_) {
    if (!c->useName().empty() && !c->isBound())
      throw std::logic_error(definition_.name + ": " + c->label() + " uses \"" + c->useName() +
                             "\", which is not bound");
  }
  if (definition_.centred || !definition_.x || !definition_.y) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      widget_->move(area.center() - QPoint(widget_->width() / 2, widget_->height() / 2));
    }
  } else {
    widget_->move(units_->toPixelsX(*definition_.x), units_->toPixelsY(*definition_.y));
  }
  widget_->setWindowModality(Qt::ApplicationModal);
  widget_->show();
  widget_->raise();
  widget_->activateWindow();
  // Open from here on: what the widgets report while they are laid out for the first time is none
  // of the user's doing.
  opened_ = true;
  openWindows().push_back(this);
  display();
  focusFrom(firstField_);
  setTimer(timer_);
  post(EventKind::OpenWindow);
}

void Window::close() {
  if (closed_) return;
  closed_ = true;
  if (timerObject_ != nullptr) timerObject_->stop();
  forget(this);
  if (widget_) widget_->hide();
  queue_.clear();
  markWaiting();
  if (loop_ != nullptr) loop_->quit();
}

std::optional<WindowEvent> Window::accept() {
  while (!closed_ && queue_.empty()) {
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
  }
  if (closed_) {
    event_.reset();
    return std::nullopt;
  }
  event_ = queue_.front();
  queue_.pop_front();
  markWaiting();
  return event_;
}

void Window::post(EventKind kind, int control, int value) {
  if (closed_) return;
  queue_.push_back({kind, control, value});
  markWaiting();
  if (loop_ != nullptr) loop_->quit();
}

void Window::display(int number) {
  if (number != 0) {
    control(number).display();
    return;
  }
  for (const auto& c : controls_) c->display();
}

void Window::update(int number) {
  if (number != 0) {
    control(number).update();
    return;
  }
  for (const auto& c : controls_) c->update();
}

void Window::redraw(int number) {
  QWidget* w = number == 0 ? widget_.data() : control(number).widget();
  if (w != nullptr && w->isVisible()) w->repaint();
}

int Window::firstLackingValue() const {
  for (const auto& c : controls_)
    if (c->lacksRequiredValue()) return c->number();
  return 0;
}

void Window::select(int number) {
  control(number);  // a number that is no control is a programming error
  focusFrom(number);
}

void Window::focusByAccessKey(int prompt) {
  control(prompt);
  focusFrom(prompt, Qt::ShortcutFocusReason);
}

void Window::focusFrom(int number, Qt::FocusReason reason) {
  for (const auto& c : controls_) {
    if (c->number() >= number && c->canHoldFocus() && !c->isHidden() && !c->isDisabled()) {
      c->widget()->setFocus(reason);
      return;
    }
  }
}

int Window::focus() const {
  if (!widget_) return 0;
  const Control* c = controlOf(widget_->focusWidget());
  return c != nullptr ? c->number() : 0;
}

void Window::alert(int key) {
  if (std::find(alerts_.begin(), alerts_.end(), key) == alerts_.end()) alerts_.push_back(key);
}

void Window::setTimer(int hundredths) {
  timer_ = hundredths < 0 ? 0 : hundredths;
  if (timerObject_ == nullptr || !opened_ || closed_) return;
  if (timer_ == 0)
    timerObject_->stop();
  else
    timerObject_->start(timer_ * 10);
}

// The widget tells whether events wait to be handled: the test robot waits for them, as a person
// waits for the window to answer what was done last.
void Window::markWaiting() {
  if (widget_) widget_->setProperty("eventsWaiting", static_cast<int>(queue_.size()));
}

Window* Window::current() {
  const auto& windows = openWindows();
  return windows.empty() ? nullptr : windows.back();
}

bool Window::handleKey(QObject* target, int key, int modifiers) {
  const int combined = key | (modifiers & ~Qt::KeypadModifier);
  if (std::find(alerts_.begin(), alerts_.end(), combined) != alerts_.end()) {
    post(EventKind::AlertKey, focus(), combined);
    return true;
  }
  if ((key != Qt::Key_Return && key != Qt::Key_Enter) || (modifiers & ~Qt::KeypadModifier) != 0) return false;
  Control* c = controlOf(target);
  if (c != nullptr && c->isButton()) {
    c->press();
    return true;
  }
  if (c != nullptr) c->commit();
  if (defaultButton_ != 0) control(defaultButton_).press();
  return true;
}

void Window::showHelp() {
  if (!definition_.helpId.empty()) showHelpPage(definition_.helpId, locale_, widget_);
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace platform::ui
