#include "platform/ui/test_robot.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEngine>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/layout/colour.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/message_box.h"

namespace platform::ui {
namespace {

std::string utf8(const QString& s) { return s.toStdString(); }

// Types each character as its own key press: ASCII by its key, anything else (ñ, é, €) as the text
// of a key the keyboard has no name for, as an input method delivers it.
void typeKeys(QWidget* target, const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
      QTest::keyClick(target, c.toLatin1());
    else
      QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

// Where the parts of a vertical scroll bar lie, as its style draws them.
QRect scrollBarPart(QScrollBar* bar, QStyle::SubControl part) {
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.orientation = bar->orientation();
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.sliderPosition = bar->sliderPosition();
  option.sliderValue = bar->value();
  option.singleStep = bar->singleStep();
  option.pageStep = bar->pageStep();
  option.upsideDown = bar->invertedAppearance();
  if (bar->orientation() == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
  return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

QComboBox* comboOf(QWidget* w, const std::string& label) {
  auto* box = qobject_cast<QComboBox*>(w);
  if (box == nullptr) throw RobotError(label + " is not a drop list");
  return box;
}

// A paint device that keeps the texts painted on it and nothing else; its measures are those of
// the widget painted on it, so that texts are laid out as on the screen.
class TextRecorder : public QPaintDevice {
 public:
  explicit TextRecorder(const QWidget& widget) : widget_(widget), engine_(*this) {}
  QPaintEngine* paintEngine() const override { return &engine_; }
  std::vector<PaintedText> texts;

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth:
        return widget_.width();
      case PdmHeight:
        return widget_.height();
      case PdmWidthMM:
        return widget_.widthMM();
      case PdmHeightMM:
        return widget_.heightMM();
      case PdmNumColors:
        return widget_.colorCount();
      case PdmDepth:
        return widget_.depth();
      case PdmDpiX:
        return widget_.logicalDpiX();
      case PdmDpiY:
        return widget_.logicalDpiY();
      case PdmPhysicalDpiX:
        return widget_.physicalDpiX();
      case PdmPhysicalDpiY:
        return widget_.physicalDpiY();
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
    }
    return 0;
  }

 private:
  class Engine : public QPaintEngine {
   public:
    explicit Engine(TextRecorder& recorder) : QPaintEngine(AllFeatures), recorder_(recorder) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& state) override {
      if (state.state() & DirtyTransform) transform_ = state.transform();
    }
    // Shapes and pictures are not texts: nothing of them is kept.
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF& at, const QTextItem& item) override {
      const bool underlined = (item.renderFlags() & QTextItem::Underline) || item.font().underline();
      recorder_.texts.push_back({item.text().toStdString(), transform_.map(at).toPoint(), underlined});
    }

   private:
    TextRecorder& recorder_;
    QTransform transform_;
  };

  const QWidget& widget_;
  mutable Engine engine_;
};

QTabWidget* sheetOf(QWidget* w, const std::string& label) {
  auto* sheet = qobject_cast<QTabWidget*>(w);
  if (sheet == nullptr) throw RobotError(label + " is not a sheet");
  return sheet;
}

}  // namespace

WindowDriver::WindowDriver(QWidget* window) : window_(window) {
  if (window_ == nullptr) throw RobotError("no window to drive");
}

std::string WindowDriver::title() const { return utf8(window_->windowTitle()); }

QWidget* WindowDriver::find(const std::string& label) const {
  const QString name = QString::fromStdString(label);
  for (QWidget* w : window_->findChildren<QWidget*>()) {
    if (w->objectName().compare(name, Qt::CaseInsensitive) == 0 && w->property("controlNumber").isValid()) return w;
  }
  throw RobotError("window \"" + title() + "\" has no control " + label);
}

void WindowDriver::type(const std::string& label, const std::string& text) {
  QWidget* w = find(label);
  if (!w->isVisible()) throw RobotError(label + " is hidden: nobody can type into it");
  // A combo is typed into through its text, not its drop-down arrow.
  if (auto* combo = qobject_cast<QComboBox*>(w); combo != nullptr && combo->lineEdit() != nullptr)
    w = combo->lineEdit();
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(w->width() - 4, w->height() / 2));
  QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(w, Qt::Key_Delete);
  typeKeys(w, QString::fromStdString(text));
}

void WindowDriver::typeHere(const std::string& text) {
  QWidget* target = window_->focusWidget() != nullptr ? window_->focusWidget() : window_;
  typeKeys(target, QString::fromStdString(text));
}

void WindowDriver::press(const std::string& label) {
  QWidget* w = find(label);
  if (!w->isVisible()) throw RobotError(label + " is hidden: nobody can press it");
  QTest::mouseClick(w, Qt::LeftButton);
}

void WindowDriver::key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = window_->focusWidget() != nullptr ? window_->focusWidget() : window_;
  QTest::keyClick(target, key, modifiers);
}

void WindowDriver::closeBox() { window_->close(); }

QAction* WindowDriver::findItem(const std::string& label) const {
  const QString name = QString::fromStdString(label);
  for (QAction* a : window_->findChildren<QAction*>()) {
    if (a->objectName().compare(name, Qt::CaseInsensitive) == 0 && a->property("controlNumber").isValid()) return a;
  }
  throw RobotError("window \"" + title() + "\" has no menu item " + label);
}

void WindowDriver::choose(const std::string& label) {
  QAction* item = findItem(label);
  if (!item->isEnabled() || !item->isVisible()) throw RobotError(label + " cannot be chosen: it is disabled or hidden");
  // A person reaches an item through the menus that hold it; each of them must be enabled too.
  for (QObject* o = item->parent(); o != nullptr && o != window_; o = o->parent()) {
    if (auto* menu = qobject_cast<QMenu*>(o); menu != nullptr && !menu->menuAction()->isEnabled())
      throw RobotError(label + " cannot be chosen: its menu " + utf8(menu->title()) + " is disabled");
  }
  item->trigger();
}

std::string WindowDriver::itemText(const std::string& label) const { return utf8(findItem(label)->text()); }

bool WindowDriver::isItemEnabled(const std::string& label) const { return findItem(label)->isEnabled(); }

std::vector<std::string> WindowDriver::choices(const std::string& label) const {
  std::vector<std::string> out;
  if (auto* combo = qobject_cast<QComboBox*>(find(label)))
    for (int i = 0; i < combo->count(); ++i) out.push_back(utf8(combo->itemText(i)));
  return out;
}

std::string WindowDriver::statusText(int part) const {
  auto* bar = window_->findChild<QStatusBar*>();
  if (bar == nullptr) return {};
  const QList<QLabel*> parts = bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
  return part >= 0 && part < parts.size() ? utf8(parts[part]->text()) : std::string();
}

std::string WindowDriver::shown(const std::string& label) const {
  QWidget* w = find(label);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return utf8(edit->displayText());
  return text(label);
}

std::vector<PaintedText> WindowDriver::painted(const std::string& label) const {
  QWidget* w = find(label);
  if (!w->isVisible()) throw RobotError(label + " is hidden: nothing of it is on the screen");
  TextRecorder recorder(*w);
  w->render(&recorder, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
  return recorder.texts;
}

std::string WindowDriver::text(const std::string& label) const {
  QWidget* w = find(label);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return utf8(edit->text());
  if (auto* l = qobject_cast<QLabel*>(w)) return utf8(l->text());
  // A button that shows only its icon keeps its caption as its tooltip.
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return utf8(b->text().isEmpty() ? b->toolTip() : b->text());
  if (auto* e = qobject_cast<QTextEdit*>(w)) return utf8(e->toPlainText());
  if (auto* c = qobject_cast<QComboBox*>(w)) return utf8(c->currentText());
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) return utf8(spin->text());
  if (auto* g = qobject_cast<QGroupBox*>(w)) return utf8(g->title());
  // A tab's page: its caption on the sheet.
  for (QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget()) {
    if (auto* sheet = qobject_cast<QTabWidget*>(p)) {
      if (sheet->indexOf(w) >= 0) return utf8(sheet->tabText(sheet->indexOf(w)));
      break;
    }
  }
  return {};
}

int WindowDriver::filled(const std::string& label) const {
  auto* bar = qobject_cast<QProgressBar*>(find(label));
  if (bar == nullptr) throw RobotError(label + " is not a progress bar");
  const long long span = static_cast<long long>(bar->maximum()) - bar->minimum();
  if (span <= 0) return 0;
  return static_cast<int>((static_cast<long long>(bar->value()) - bar->minimum()) * 100 / span);
}

bool WindowDriver::isVisible(const std::string& label) const { return find(label)->isVisible(); }
bool WindowDriver::isEnabled(const std::string& label) const { return find(label)->isEnabled(); }

bool WindowDriver::isReadOnly(const std::string& label) const {
  auto* edit = qobject_cast<QLineEdit*>(find(label));
  return edit != nullptr && edit->isReadOnly();
}

bool WindowDriver::isMasked(const std::string& label) const {
  auto* edit = qobject_cast<QLineEdit*>(find(label));
  return edit != nullptr && edit->echoMode() == QLineEdit::Password;
}

bool WindowDriver::hasFocus(const std::string& label) const { return window_->focusWidget() == find(label); }

std::string WindowDriver::focusLabel() const {
  QWidget* f = window_->focusWidget();
  return f != nullptr && f->property("controlNumber").isValid() ? utf8(f->objectName()) : std::string();
}

std::int32_t WindowDriver::fontColour(const std::string& label) const {
  QWidget* w = find(label);
  return layout::fromQColor(w->palette().color(w->foregroundRole()));
}

std::int32_t WindowDriver::background(const std::string& label) const {
  QWidget* w = find(label);
  return layout::fromQColor(w->palette().color(w->backgroundRole()));
}

QRect WindowDriver::geometry(const std::string& label) const { return find(label)->geometry(); }

void WindowDriver::grab(const std::string& path) const {
  if (!window_->grab().save(QString::fromStdString(path), "PNG")) throw RobotError("cannot write " + path);
}

ListView* WindowDriver::list(const std::string& label) const {
  auto* view = dynamic_cast<ListView*>(find(label));
  if (view == nullptr) throw RobotError(label + " is not a list");
  return view;
}

QPoint WindowDriver::rowPoint(const std::string& label, int row) const {
  ListView* view = list(label);
  if (row < 1 || row > view->rowCount())
    throw RobotError(label + " shows no row " + std::to_string(row) + " (it shows " + std::to_string(view->rowCount()) +
                     ")");
  // Inside the first column that is shown.
  for (int column = 1; column <= static_cast<int>(view->columns().size()); ++column) {
    const QRect r = view->cellRect(row, column);
    if (r.width() > 0) return QPoint(std::max(r.left(), 0) + 3, r.center().y());
  }
  throw RobotError(label + " shows no column");
}

int WindowDriver::rowCount(const std::string& label) const { return list(label)->rowCount(); }

std::string WindowDriver::header(const std::string& label, int column) const {
  ListView* view = list(label);
  if (column < 1 || column > static_cast<int>(view->columns().size()))
    throw RobotError(label + " has no column " + std::to_string(column));
  return utf8(view->columns()[static_cast<std::size_t>(column - 1)].header);
}

std::string WindowDriver::cell(const std::string& label, int row, int column) const {
  return utf8(list(label)->cell(row, column).text);
}

CellColours WindowDriver::cellColours(const std::string& label, int row, int column) const {
  return list(label)->cell(row, column).colours;
}

std::int32_t WindowDriver::shownText(const std::string& label, int row, int column) const {
  return layout::fromQColor(list(label)->shownText(row, column));
}

std::int32_t WindowDriver::shownBackground(const std::string& label, int row, int column) const {
  ListView* view = list(label);
  const QRect r = view->cellRect(row, column);
  if (r.width() < 3 || r.left() < 0 || r.left() + 1 >= view->viewport()->width())
    throw RobotError(label + ": the cell " + std::to_string(row) + "," + std::to_string(column) +
                     " is not on the screen");
  const QImage painted = view->viewport()->grab().toImage();
  return layout::fromQColor(painted.pixelColor(r.left() + 1, r.top() + 1));
}

int WindowDriver::selectedRow(const std::string& label) const { return list(label)->selected(); }
int WindowDriver::thumb(const std::string& label) const { return list(label)->thumb(); }

void WindowDriver::clickRow(const std::string& label, int row) {
  QTest::mouseClick(list(label)->viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(label, row));
}

void WindowDriver::doubleClickRow(const std::string& label, int row) {
  QTest::mouseDClick(list(label)->viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(label, row));
}

void WindowDriver::contextMenu(const std::string& label, int row, const std::string& entry) {
  QTest::mouseClick(list(label)->viewport(), Qt::RightButton, Qt::NoModifier, rowPoint(label, row));
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (menu == nullptr) throw RobotError(label + " opened no menu");
  std::string offered;
  for (QAction* action : menu->actions()) {
    if (utf8(action->text()) != entry) {
      offered += (offered.empty() ? "" : ", ") + utf8(action->text());
      continue;
    }
    if (!action->isEnabled()) {
      menu->close();
      throw RobotError("the menu's entry " + entry + " is disabled");
    }
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
    return;
  }
  menu->close();
  throw RobotError("the menu has no entry " + entry + "; it has: " + offered);
}

void WindowDriver::scrollArrow(const std::string& label, bool down) {
  QScrollBar* bar = list(label)->verticalScrollBar();
  const QRect arrow = scrollBarPart(bar, down ? QStyle::SC_ScrollBarAddLine : QStyle::SC_ScrollBarSubLine);
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, arrow.center());
}

void WindowDriver::scrollPage(const std::string& label, bool down) {
  QScrollBar* bar = list(label)->verticalScrollBar();
  const QRect page = scrollBarPart(bar, down ? QStyle::SC_ScrollBarAddPage : QStyle::SC_ScrollBarSubPage);
  if (page.isEmpty()) throw RobotError(label + ": the thumb leaves no page area there");
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, page.center());
}

void WindowDriver::dragThumb(const std::string& label, int place) {
  QScrollBar* bar = list(label)->verticalScrollBar();
  const QRect handle = scrollBarPart(bar, QStyle::SC_ScrollBarSlider);
  const QRect groove = scrollBarPart(bar, QStyle::SC_ScrollBarGroove);
  const int travel = groove.height() - handle.height();
  const QPoint to(handle.center().x(), groove.top() + handle.height() / 2 + travel * std::clamp(place, 0, 100) / 100);
  QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, handle.center());
  QTest::mouseMove(bar, to);
  QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, to);
}

void WindowDriver::scrollSideways(const std::string& label, bool toRight) {
  QScrollBar* bar = list(label)->horizontalScrollBar();
  for (int click = 0; click < 100 && (toRight ? bar->value() < bar->maximum() : bar->value() > bar->minimum());
       ++click) {
    const QRect page = scrollBarPart(bar, toRight ? QStyle::SC_ScrollBarAddPage : QStyle::SC_ScrollBarSubPage);
    if (page.isEmpty()) break;
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, page.center());
  }
}

int WindowDriver::dropRowCount(const std::string& label) const { return comboOf(find(label), label)->count(); }

std::string WindowDriver::dropCell(const std::string& label, int row, int column) const {
  QComboBox* box = comboOf(find(label), label);
  return utf8(box->model()->index(row - 1, column - 1).data().toString());
}

int WindowDriver::dropSelected(const std::string& label) const {
  return comboOf(find(label), label)->currentIndex() + 1;
}

void WindowDriver::chooseRow(const std::string& label, int row) {
  QComboBox* box = comboOf(find(label), label);
  if (row < 1 || row > box->count()) throw RobotError(label + " has no row " + std::to_string(row));
  if (!box->isEnabled() || !box->isVisible()) throw RobotError(label + " is disabled or hidden: nobody can choose");
  if (box->isEditable()) {
    // Home and the arrows belong to the text of a combo: the row is clicked in its open drop-down.
    box->showPopup();
    QAbstractItemView* rows = box->view();
    const QRect place = rows->visualRect(rows->model()->index(row - 1, box->modelColumn()));
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
    return;
  }
  box->setFocus(Qt::TabFocusReason);
  QTest::keyClick(box, Qt::Key_Home);
  for (int i = 1; i < row; ++i) QTest::keyClick(box, Qt::Key_Down);
}

void WindowDriver::selectTab(const std::string& label, int tab) {
  QTabWidget* sheet = sheetOf(find(label), label);
  auto* bar = sheet->findChild<QTabBar*>();
  if (bar == nullptr || tab < 1 || tab > bar->count()) throw RobotError(label + " has no tab " + std::to_string(tab));
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(tab - 1).center());
}

int WindowDriver::selectedTab(const std::string& label) const {
  return sheetOf(find(label), label)->currentIndex() + 1;
}

bool PaintCounter::eventFilter(QObject*, QEvent* event) {
  if (event->type() == QEvent::Paint) ++paints;
  return false;
}

MessageDriver::MessageDriver(MessageDialog* box) : box_(box) {
  if (box_ == nullptr) throw RobotError("no message box is open");
}

std::string MessageDriver::caption() const { return utf8(box_->windowTitle()); }

int MessageDriver::width() const { return box_->width(); }
std::string MessageDriver::text() const { return utf8(box_->textLabel()->text()); }

std::vector<std::string> MessageDriver::buttons() const {
  std::vector<std::pair<int, std::string>> placed;
  for (QPushButton* b : box_->buttons()) placed.emplace_back(b->mapTo(box_, QPoint(0, 0)).x(), utf8(b->text()));
  std::sort(placed.begin(), placed.end());
  std::vector<std::string> captions;
  for (auto& [x, caption] : placed) captions.push_back(caption);
  return captions;
}

int MessageDriver::shownLines() const {
  const QLabel* label = box_->textLabel();
  const int lineHeight = QFontMetrics(label->font()).lineSpacing();
  return (label->contentsRect().height() + lineHeight / 2) / lineHeight;
}

std::string MessageDriver::defaultButton() const {
  return box_->defaultButton() != nullptr ? utf8(box_->defaultButton()->text()) : std::string();
}

bool MessageDriver::showsExclamation() const { return box_->icon() == MessageIcon::Exclamation; }

void MessageDriver::press(const std::string& caption) {
  for (QPushButton* b : box_->buttons()) {
    if (utf8(b->text()) == caption) {
      QTest::mouseClick(b, Qt::LeftButton);
      return;
    }
  }
  throw RobotError("the message \"" + caption + "\" button is not there; it has: " + [this] {
    std::string all;
    for (const std::string& b : buttons()) all += (all.empty() ? "" : ", ") + b;
    return all;
  }());
}

void MessageDriver::key(Qt::Key key) {
  QWidget* target = box_->focusWidget() != nullptr ? box_->focusWidget() : box_;
  QTest::keyClick(target, key);
}

void MessageDriver::grab(const std::string& path) const {
  if (!box_->grab().save(QString::fromStdString(path), "PNG")) throw RobotError("cannot write " + path);
}

std::string Robot::Step::describe() const {
  return title.empty() ? std::string("a message box") : "the window \"" + title + "\"";
}

Robot::Robot() : self_(std::make_shared<Robot*>(this)) {}

Robot::~Robot() { *self_ = nullptr; }

void Robot::inWindow(std::string title, std::function<void(WindowDriver&)> step) {
  steps_.push_back({std::move(title), std::move(step), {}});
}

void Robot::inMessage(std::function<void(MessageDriver&)> step) { steps_.push_back({{}, {}, std::move(step)}); }

void Robot::run(const std::function<void()>& body) {
  running_ = true;
  givingUp_ = false;
  waiting_.start();
  schedule();
  try {
    body();
  } catch (...) {
    running_ = false;
    throw;
  }
  running_ = false;
}

std::string Robot::report() const {
  std::string text;
  for (const std::string& f : failures_) text += f + "\n";
  for (const Step& s : steps_) text += "not run: a step in " + s.describe() + "\n";
  return text;
}

void Robot::schedule() {
  std::weak_ptr<Robot*> weak = self_;
  QTimer::singleShot(pollMilliseconds_, [weak] {
    if (auto self = weak.lock(); self && *self != nullptr) (*self)->poll();
  });
}

void Robot::giveUp(const std::string& why) {
  // Said at once: a body that never returns would otherwise hide why.
  std::fprintf(stderr, "robot: %s\n", why.c_str());
  failures_.push_back(why);
  givingUp_ = true;
  waiting_.start();
}

void Robot::poll() {
  if (!running_) return;
  QWidget* modal = QApplication::activeModalWidget();
  if (givingUp_) {
    // Close whatever is open until the body returns. A program that will not end that way (a
    // window whose close asks a question that the closing answers No) ends the test's process.
    if (waiting_.elapsed() >= 2 * patience_) {
      std::fprintf(stderr, "robot: the body would not end; the test program stops here\n");
      std::_Exit(3);
    }
    if (auto* box = dynamic_cast<MessageDialog*>(modal))
      box->reject();
    else if (modal != nullptr)
      modal->close();
    schedule();
    return;
  }
  if (steps_.empty()) {
    // The script is over; a body that still waits would wait for ever.
    if (waiting_.elapsed() >= patience_) giveUp("the body did not return after the last step");
    schedule();
    return;
  }
  const Step& next = steps_.front();
  bool ready =
      modal != nullptr && modal->isVisible() &&
      (next.title.empty() ? dynamic_cast<MessageDialog*>(modal) != nullptr
                          : dynamic_cast<MessageDialog*>(modal) == nullptr && utf8(modal->windowTitle()) == next.title);
  // A person waits for the window to answer what was done last; a button pressed by its access
  // key shows itself pressed for a moment before it clicks.
  if (ready && modal->property("eventsWaiting").toInt() > 0) ready = false;
  if (ready) {
    const QList<QAbstractButton*> buttons = modal->findChildren<QAbstractButton*>();
    if (std::any_of(buttons.begin(), buttons.end(), [](QAbstractButton* b) { return b->isDown(); })) ready = false;
  }
  // A person waits for the window to come up and take the keyboard before typing into it.
  if (ready && !modal->isActiveWindow()) {
    modal->activateWindow();
    ready = false;
  }
  if (!ready) {
    if (waiting_.elapsed() >= patience_) {
      giveUp("step " + std::to_string(stepNumber_ + 1) + " waited in vain for " + next.describe() +
             "; open: " + (modal != nullptr ? "\"" + utf8(modal->windowTitle()) + "\"" : std::string("nothing")));
    }
    schedule();
    return;
  }
  Step step = std::move(steps_.front());
  steps_.pop_front();
  ++stepNumber_;
  waiting_.start();
  schedule();
  try {
    if (step.title.empty()) {
      MessageDriver driver(dynamic_cast<MessageDialog*>(modal));
      step.inMessage(driver);
    } else {
      WindowDriver driver(modal);
      step.inWindow(driver);
    }
  } catch (const std::exception& e) {
    giveUp("step " + std::to_string(stepNumber_) + " in " + step.describe() + " failed: " + e.what());
  }
}

std::vector<WindowEvent> runUntilClosed(Robot& robot, Window& window) {
  std::vector<WindowEvent> events;
  robot.run([&] {
    window.open();
    while (auto e = window.accept()) {
      events.push_back(*e);
      if (e->kind == EventKind::CloseWindow) window.close();
    }
  });
  return events;
}

}  // namespace platform::ui
