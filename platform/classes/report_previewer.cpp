#include "platform/classes/report_previewer.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/core/number_text.h"
#include "platform/report/page_painter.h"

namespace platform {
namespace {

constexpr const char* kPreviewSection = "_PreviewWindow_";
constexpr const char* kPagesSection = "_PreviewAskPagesWindow_";
constexpr int kMargin = 8;  // pixels around and between the pages shown

int labelled(const ui::Window& window, const char* label) { return window.find(label); }

WindowPlace placeOf(const QWidget* w, bool maximized) {
  const QRect r = maximized ? w->normalGeometry() : w->geometry();
  return {r.x(), r.y(), r.width(), r.height(), maximized};
}

void applyPlace(QWidget* w, const WindowPlace& place) {
  w->setGeometry(place.x, place.y, place.width, place.height);
  if (place.maximized) w->showMaximized();
}

// What the zoom entry holds for a text of the preview's (UTF-8); nothing for one the entry cannot hold.
Cp1252Text entryText(std::string_view utf8) { return Cp1252Text::fromUtf8(utf8).value_or(Cp1252Text()); }

// Page numbers from a text such as "1-3,5": ranges and single pages separated by commas; a part
// that is not one, or pages outside 1..count, are left out.
std::vector<int> parsePages(const std::string& text, int count) {
  std::vector<int> pages;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string part = text.substr(start, comma - start);
    const std::size_t dash = part.find('-');
    const auto number = [](const std::string& s) {
      return s.find_first_of("0123456789") == std::string::npos ? -1 : leadingWholeNumber(s);
    };
    const int from = number(dash == std::string::npos ? part : part.substr(0, dash));
    const int to = dash == std::string::npos ? from : number(part.substr(dash + 1));
    for (int p = std::max(from, 1); from > 0 && to >= from && p <= std::min(to, count); ++p)
      if (std::find(pages.begin(), pages.end(), p) == pages.end()) pages.push_back(p);
    start = comma + 1;
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

}  // namespace

// The pages shown, side by side and in rows, at the preview's zoom.
class PagesView : public QWidget {
 public:
  PagesView(ReportPreviewer& previewer, QScrollArea* area) : QWidget(area), previewer_(previewer), area_(area) {
    setObjectName("?PAGES");
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Dark);
    area->viewport()->installEventFilter(this);
  }

  // The size of one page in pixels at the current zoom.
  QSizeF pageSize() const {
    const report::PageMetafile& first = previewer_.pages_->front();
    const double dpi = logicalDpiX();
    const QSizeF natural(first.width / 1000.0 * dpi, first.height / 1000.0 * dpi);
    const int across = previewer_.across_, down = previewer_.down_;
    const QSize room = area_->viewport()->size() - QSize(kMargin * (across + 1), kMargin * (down + 1));
    double scale = previewer_.zoom_ / 100.0;
    if (previewer_.zoom_ == -1) scale = room.width() / across / natural.width();
    if (previewer_.zoom_ == -2)
      scale = std::min(room.width() / across / natural.width(), room.height() / down / natural.height());
    if (scale <= 0) scale = 0.01;
    return natural * scale;
  }

  void relayout() {
    const QSizeF page = pageSize();
    resize(static_cast<int>(page.width() * previewer_.across_) + kMargin * (previewer_.across_ + 1),
           static_cast<int>(page.height() * previewer_.down_) + kMargin * (previewer_.down_ + 1));
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QSizeF page = pageSize();
    const auto& pages = *previewer_.pages_;
    for (int row = 0; row < previewer_.down_; ++row) {
      for (int column = 0; column < previewer_.across_; ++column) {
        const int index = previewer_.currentPage_ - 1 + row * previewer_.across_ + column;
        if (index >= static_cast<int>(pages.size())) return;
        const QRectF target(kMargin + column * (page.width() + kMargin), kMargin + row * (page.height() + kMargin),
                            page.width(), page.height());
        painter.fillRect(target, Qt::white);
        report::paintPage(painter, pages[static_cast<std::size_t>(index)], target);
        painter.setPen(Qt::black);
        painter.drawRect(target);
      }
    }
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize && previewer_.zoom_ < 0) relayout();
    return false;
  }

 private:
  ReportPreviewer& previewer_;
  QScrollArea* area_;
};

// The preview's window procedure: the platform's handling first, then the previewer's.
class ReportPreviewer::Controller : public WindowController {
 public:
  Controller(ReportPreviewer& previewer, ui::Window& window)
      : WindowController(window, previewer.reporter_, "ReportPreviewer", previewer.codes_), previewer_(previewer) {}

  int init() override {
    if (const int level = WindowController::init(); level != kLevelBenign) return level;
    previewer_.setUp(window());
    return kLevelBenign;
  }
  int takeAccepted() override {
    if (const int level = WindowController::takeAccepted(); level != kLevelBenign) return level;
    return previewer_.takeAccepted(event().control);
  }
  int takeWindowEvent() override {
    const int level = WindowController::takeWindowEvent();
    if (event().kind == ui::EventKind::CloseWindow) previewer_.storePlace();
    return level;
  }

 private:
  ReportPreviewer& previewer_;
};

// A dialog of the preview: ?OK completes it, ?CANCEL cancels it, ?RESET runs `reset`.
class PreviewDialog : public WindowController {
 public:
  PreviewDialog(ui::Window& window, ErrorReporter& reporter, ProcedureCodes codes, std::function<void()> reset,
                std::optional<WindowPlace> place = std::nullopt)
      : WindowController(window, reporter, "ReportPreviewer", codes), reset_(std::move(reset)), place_(place) {
    if (window.find("?CANCEL") != 0) setCloseControl("?CANCEL", kResponseCancelled);
  }
  int init() override {
    if (const int level = WindowController::init(); level != kLevelBenign) return level;
    if (place_) applyPlace(window().handle(), *place_);
    return kLevelBenign;
  }
  int takeAccepted() override {
    if (const int level = WindowController::takeAccepted(); level != kLevelBenign) return level;
    const int control = event().control;
    if (control == window().find("?OK")) {
      window().update();
      setResponse(kResponseCompleted);
      window().post(ui::EventKind::CloseWindow, control);
    } else if (control == window().find("?RESET") && reset_) {
      reset_();
      window().display();
    }
    return kLevelBenign;
  }

 private:
  std::function<void()> reset_;
  std::optional<WindowPlace> place_;
};

namespace {
thread_local PreviewWatch* currentWatch = nullptr;
}  // namespace

PreviewWatch::PreviewWatch(Watcher watch) : watch_(std::move(watch)), previous_(currentWatch) { currentWatch = this; }

PreviewWatch::~PreviewWatch() { currentWatch = previous_; }

void PreviewWatch::notify(const std::vector<report::PageMetafile>& pages) {
  if (currentWatch != nullptr && currentWatch->watch_) currentWatch->watch_(pages);
}

ReportPreviewer::ReportPreviewer(ErrorReporter& reporter, ProcedureCodes codes, const Locale& locale,
                                 PreviewWindows windows)
    : reporter_(reporter), codes_(codes), locale_(locale), windows_(std::move(windows)) {}

ReportPreviewer::~ReportPreviewer() = default;

bool ReportPreviewer::display(const std::vector<report::PageMetafile>& pages, int zoom, int firstPage, int across,
                              int down) {
  print_ = false;
  reportTarget_ = nullptr;
  PreviewWatch::notify(pages);
  if (pages.empty()) {
    reporter_.port().message(
        {texts_.nothingCaption, texts_.nothingText, MessageIcon::Exclamation, {MessageButton::Ok}, MessageButton::Ok});
    return false;
  }
  pages_ = &pages;
  const int count = static_cast<int>(pages.size());
  pagesToPrint_.clear();
  for (int p = 1; p <= count; ++p) pagesToPrint_.push_back(p);
  currentPage_ = std::clamp(firstPage, 1, count);
  across_ = std::clamp(across, 1, 10);
  down_ = std::clamp(down, 1, 10);
  zoom_ = zoom;
  window_ = std::make_unique<ui::Window>(windows_.preview, locale_);
  for (const auto& [label, variable] : {std::pair{"CurrentPage", &currentPageValue_},
                                        std::pair{"PagesAcross", &acrossValue_}, std::pair{"PagesDown", &downValue_}}) {
    try {
      window_->bind(label, ui::Variable::of(*variable));
    } catch (const std::invalid_argument&) {
      // The definition has no such control: nothing shows it.
    }
  }
  try {
    window_->bind("ZoomText", ui::Variable::of(zoomText_));
  } catch (const std::invalid_argument&) {
  }
  {
    Controller controller(*this, *window_);
    controller.run();
  }
  view_ = nullptr;
  window_.reset();
  pages_ = nullptr;
  return print_;
}

void ReportPreviewer::setUp(ui::Window& window) {
  QWidget* handle = window.handle();
  if (place_)
    applyPlace(handle, *place_);
  else if (settings_ != nullptr)
    if (std::optional<WindowPlace> stored = settings_->fetchWindow(kPreviewSection)) applyPlace(handle, *stored);
  if (maximize_) handle->showMaximized();
  storeControls(window);
  decideSaving(window);

  if (controls_.zoomMenu != 0) {
    if (auto* menu = qobject_cast<QMenu*>(window.control(controls_.zoomMenu).container())) {
      for (const ZoomChoice& choice : texts_.zoomChoices) {
        QAction* action = menu->addAction(QString::fromStdString(choice.menuText));
        action->setStatusTip(QString::fromStdString(choice.statusText));
        const int size = choice.size;
        QObject::connect(action, &QAction::triggered, action, [this, size] { applyZoom(size); });
      }
    }
  }
  if (controls_.zoomList != 0) {
    std::vector<std::string> names;
    for (const ZoomChoice& choice : texts_.zoomChoices) names.push_back(choice.menuText);
    window.control(controls_.zoomList).setChoices(names);
  }
  for (int control : {controls_.zoomList, controls_.zoomPrompt})
    if (control != 0) window.control(control).setHidden(!userZoom_);
  const int count = static_cast<int>(pages_->size());
  if (controls_.currentPage != 0) {
    window.control(controls_.currentPage).setRange(1, count);
    if (QWidget* w = window.control(controls_.currentPage).widget())
      w->setStatusTip(QString::fromStdString(texts_.currentPageStatus + std::to_string(count)));
  }

  auto* area = new QScrollArea(window.clientArea());
  area->setObjectName("?PAGEAREA");
  area->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  auto* layout = new QVBoxLayout(window.clientArea());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(area);
  view_ = new PagesView(*this, area);
  area->setWidget(view_);
  area->show();
  applyZoom(zoom_);
}

void ReportPreviewer::storeControls(ui::Window& window) {
  Controls& c = controls_;
  c.zoomButton = labelled(window, "?TBARZOOM");
  c.printButton = labelled(window, "?TBARPRINT");
  c.exitButton = labelled(window, "?TBAREXIT");
  c.pagesItem = labelled(window, "?PAGESTOPRINT");
  c.printItem = labelled(window, "?PRINT");
  c.saveAsItem = labelled(window, "?SAVEAS");
  c.exitItem = labelled(window, "?EXIT");
  c.zoomList = labelled(window, "?ZOOMLIST");
  c.zoomPrompt = labelled(window, "?ZOOMPROMPT");
  c.pagePrompt = labelled(window, "?PAGEPROMPT");
  c.currentPage = labelled(window, "?CURRENTPAGE");
  c.pagesAcross = labelled(window, "?PAGESACROSS");
  c.pagesDown = labelled(window, "?PAGESDOWN");
  c.next = labelled(window, "?NEXT");
  c.previous = labelled(window, "?PREVIOUS");
  c.jump = labelled(window, "?JUMP");
  c.changeDisplay = labelled(window, "?CHANGEDISPLAY");
  c.viewMenu = labelled(window, "?VIEWMENU");
  c.zoomMenu = labelled(window, "?ZOOMMENU");
  c.lastControl = c.zoomList;
}

void ReportPreviewer::decideSaving(ui::Window& window) {
  if (controls_.saveAsItem == 0) return;
  const int targets = targetSelector_ != nullptr ? targetSelector_->count() : 0;
  if (targets == 0) {
    window.control(controls_.saveAsItem).setDisabled(true);
  } else if (targets == 1) {
    window.control(controls_.saveAsItem).setText(texts_.saveItemPrefix + targetSelector_->enabledTarget(0)->name());
  }
}

int ReportPreviewer::takeAccepted(int control) {
  const Controls& c = controls_;
  ui::Window& w = *window_;
  if (control == 0) return kLevelBenign;
  if (control == c.printItem || control == c.printButton) {
    print_ = true;
    w.post(ui::EventKind::CloseWindow, control);
  } else if (control == c.exitItem || control == c.exitButton) {
    print_ = false;
    w.post(ui::EventKind::CloseWindow, control);
  } else if (control == c.saveAsItem) {
    saveThroughTarget();
  } else if (control == c.next) {
    goToPage(currentPage_ + across_ * down_);
  } else if (control == c.previous) {
    goToPage(currentPage_ - across_ * down_);
  } else if (control == c.currentPage) {
    goToPage(currentPageValue_);
  } else if (control == c.pagesAcross || control == c.pagesDown) {
    setLayout(acrossValue_, downValue_);
  } else if (control == c.jump) {
    runJumpDialog();
  } else if (control == c.changeDisplay) {
    runDisplayDialog();
  } else if (control == c.pagesItem) {
    runPagesDialog();
  } else if (control == c.zoomList) {
    zoomTyped();
  } else if (control == c.zoomButton) {
    // The zoom button steps through the zoom choices.
    const auto& choices = texts_.zoomChoices;
    auto it = std::find_if(choices.begin(), choices.end(), [this](const ZoomChoice& z) { return z.size == zoom_; });
    if (!choices.empty())
      applyZoom(it == choices.end() || it + 1 == choices.end() ? choices.front().size : (it + 1)->size);
  }
  return kLevelBenign;
}

void ReportPreviewer::saveThroughTarget() {
  if (targetSelector_ == nullptr) return;
  ReportTarget* target = targetSelector_->select();
  if (target == nullptr) return;
  reportTarget_ = target;
  if (!target->prepare()) return;
  std::vector<const report::PageMetafile*> pages;
  for (const report::PageMetafile& page : *pages_) pages.push_back(&page);
  target->write(pages);
}

void ReportPreviewer::applyZoom(int zoom) {
  zoom_ = zoom;
  const auto& choices = texts_.zoomChoices;
  const auto choice =
      std::find_if(choices.begin(), choices.end(), [zoom](const ZoomChoice& z) { return z.size == zoom; });
  zoomIsTyped_ = choice == choices.end();
  if (zoomIsTyped_ && zoom_ <= 0) zoom_ = 100;
  if (zoomIsTyped_) {
    zoomText_ = entryText(std::to_string(zoom_) + texts_.typedZoomSuffix);
    window_->setStatusText(1, texts_.zoomPrefix + std::to_string(zoom_) + "%");
  } else {
    zoomText_ = entryText(choice->menuText);
    window_->setStatusText(1, choice->statusText);
  }
  showPages();
}

void ReportPreviewer::zoomTyped() {
  const Cp1252Text typed = zoomText_.trimmed();
  for (const ZoomChoice& choice : texts_.zoomChoices) {
    if (typed == entryText(choice.menuText)) {
      applyZoom(choice.size);
      return;
    }
  }
  const int percent = leadingWholeNumber(typed.bytes());
  applyZoom(percent > 0 ? std::min(percent, 1000) : zoom_);
}

void ReportPreviewer::goToPage(int page) {
  currentPage_ = std::clamp(page, 1, static_cast<int>(pages_->size()));
  showPages();
}

void ReportPreviewer::setLayout(int across, int down) {
  across_ = std::clamp(across, 1, 10);
  down_ = std::clamp(down, 1, 10);
  showPages();
}

void ReportPreviewer::showPages() {
  const int count = static_cast<int>(pages_->size());
  const int last = std::min(count, currentPage_ + across_ * down_ - 1);
  currentPageValue_ = currentPage_;
  acrossValue_ = across_;
  downValue_ = down_;
  const std::string shown =
      last > currentPage_ ? std::to_string(currentPage_) + "-" + std::to_string(last) : std::to_string(currentPage_);
  window_->setStatusText(2, texts_.pagePrefix + shown + " " + texts_.of + " " + std::to_string(count));
  if (controls_.previous != 0) window_->control(controls_.previous).setDisabled(currentPage_ <= 1);
  if (controls_.next != 0) window_->control(controls_.next).setDisabled(last >= count);
  window_->display();
  if (view_ != nullptr) view_->relayout();
}

void ReportPreviewer::runJumpDialog() {
  std::int32_t page = currentPage_;
  ui::Window dialog(windows_.jump, locale_);
  dialog.bind("JumpPage", ui::Variable::of(page));
  if (dialog.find("?JUMPPAGE") != 0) dialog.control("?JUMPPAGE").setRange(1, static_cast<int>(pages_->size()));
  PreviewDialog controller(dialog, reporter_, codes_, {});
  if (controller.run() == kResponseCompleted) goToPage(page);
}

void ReportPreviewer::runDisplayDialog() {
  std::int32_t across = across_, down = down_;
  ui::Window dialog(windows_.display, locale_);
  dialog.bind("PagesAcross", ui::Variable::of(across));
  dialog.bind("PagesDown", ui::Variable::of(down));
  PreviewDialog controller(dialog, reporter_, codes_, {});
  if (controller.run() == kResponseCompleted) setLayout(across, down);
}

void ReportPreviewer::runPagesDialog() {
  const int count = static_cast<int>(pages_->size());
  FixedText<255> text(rangeText(pagesToPrint_));
  ui::Window dialog(windows_.pagesToPrint, locale_);
  dialog.bind("PagesToPrint", ui::Variable::of(text));
  // The dialog takes its place from the settings when it opens, and gives it back when it closes.
  std::optional<WindowPlace> place = settings_ != nullptr ? settings_->fetchWindow(kPagesSection) : std::nullopt;
  PreviewDialog controller(
      dialog, reporter_, codes_,
      [&text, count, this] {
        std::vector<int> all;
        for (int p = 1; p <= count; ++p) all.push_back(p);
        text = rangeText(all);
      },
      place);
  const int response = controller.run();
  if (settings_ != nullptr) settings_->storeWindow(kPagesSection, placeOf(dialog.handle(), false));
  if (response != kResponseCompleted) return;
  std::vector<int> chosen = parsePages(text.trimmed().bytes(), count);
  if (!chosen.empty()) pagesToPrint_ = std::move(chosen);
}

Cp1252Text ReportPreviewer::rangeText(const std::vector<int>& pages) const {
  std::string text;
  for (std::size_t i = 0; i < pages.size();) {
    std::size_t j = i;
    while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
    if (!text.empty()) text += ",";
    text += std::to_string(pages[i]);
    if (j > i) text += "-" + std::to_string(pages[j]);
    i = j + 1;
  }
  return Cp1252Text::fromBytes(std::move(text));  // digits, commas and dashes
}

void ReportPreviewer::storePlace() {
  if (settings_ == nullptr || !window_ || window_->handle() == nullptr) return;
  const QWidget* w = window_->handle();
  settings_->storeWindow(kPreviewSection, placeOf(w, w->isMaximized()));
}

}  // namespace platform
