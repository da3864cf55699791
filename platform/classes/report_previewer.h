// The print preview: shows a report's pages in a window of its own, lets the user page through
// them, zoom, show several pages at once, choose which pages to print, and save them through the
// report's output target (ReportTargetSelector); then says whether they are to be printed.
//
// The window is the caller's definition (a menu bar, a toolbar and a status bar of three parts:
// status texts, zoom, page); the platform knows its controls by these labels:
//   items   ?PAGESTOPRINT ?PRINT ?SAVEAS ?EXIT ?NEXT ?PREVIOUS ?JUMP ?CHANGEDISPLAY
//   menus   ?VIEWMENU ?ZOOMMENU (filled with the zoom choices)
//   toolbar ?TBARPRINT ?TBAREXIT ?TBARZOOM, prompts ?PAGEPROMPT ?ZOOMPROMPT, spins ?CURRENTPAGE
//           ("CurrentPage"), ?PAGESACROSS ("PagesAcross"), ?PAGESDOWN ("PagesDown"), combo
//           ?ZOOMLIST ("ZoomText")
// and its three dialogs by theirs: the jump dialog (spin ?JUMPPAGE "JumpPage"), the display dialog
// (spins ?PAGESACROSS and ?PAGESDOWN) and the pages-to-print dialog (entry ?PAGESTOPRINT
// "PagesToPrint", button ?RESET), each with ?OK and ?CANCEL buttons (the display dialog needs only
// ?OK). A label the definition lacks is left out (its member stays 0).
//
// The window's place and size are kept in the INI settings under "_PreviewWindow_", the
// pages-to-print dialog's under "_PreviewAskPagesWindow_".
//
// The texts it writes at run time are PreviewTexts, English unless the caller gives its own.
//
// A report's own build of the preview derives from it: storeControls() and decideSaving() are the
// steps of the window's set-up, takeAccepted() the handling of an accepted control (the base
// handles the controls above). Not thread safe: GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/error_reporter.h"
#include "platform/classes/ini_settings.h"
#include "platform/classes/report_target.h"
#include "platform/classes/window_controller.h"
#include "platform/report/page_metafile.h"
#include "platform/ui/window.h"

namespace platform {

struct ZoomChoice {
  std::string menuText;    // UTF-8
  std::string statusText;  // UTF-8
  int size;                // -2 tile pages, -1 page width, otherwise a percentage
};

struct PreviewTexts {
  std::string zoomPrefix = "Zoom: ";  // before a percentage the user set, then "%"
  std::string pagePrefix = "Page ";   // "Page 1 of 3", "Page 1-4 of 9"
  std::string of = "of";
  std::string currentPageStatus = "Enter the page number, from 1 to ";  // followed by the page count
  std::string typedZoomSuffix = "% Zoom";                               // after a percentage typed
  std::string saveItemPrefix = "Save as ";                              // followed by the target's name
  std::string nothingCaption = "Print Preview";
  std::string nothingText = "There is nothing to print.";
  std::vector<ZoomChoice> zoomChoices = {{"Tile pages", "Zoom: Tile Pages", -2}, {"Page Width", "Zoom: Page Width", -1},
                                         {"50% Zoom", "Zoom: 50%", 50},          {"75% Zoom", "Zoom: 75%", 75},
                                         {"100% Zoom", "Zoom: 100%", 100},       {"200% Zoom", "Zoom: 200%", 200},
                                         {"300% Zoom", "Zoom: 300%", 300}};
};

// The definitions of the preview's window and dialogs.
struct PreviewWindows {
  std::string preview;
  std::string jump;
  std::string display;
  std::string pagesToPrint;
};

class PagesView;

// While it lives, every preview that this thread opens shows its pages to `watch` first: the seam
// through which tests read what a report produced. Watches nest; each restores what it replaced.
class PreviewWatch {
 public:
  using Watcher = std::function<void(const std::vector<report::PageMetafile>& pages)>;
  explicit PreviewWatch(Watcher watch);
  ~PreviewWatch();
  PreviewWatch(const PreviewWatch&) = delete;
  PreviewWatch& operator=(const PreviewWatch&) = delete;
  static void notify(const std::vector<report::PageMetafile>& pages);

 private:
  Watcher watch_;
  PreviewWatch* previous_;
};

class ReportPreviewer {
 public:
  // The control numbers of the preview's window (0: not in the definition).
  struct Controls {
    int zoomButton = 0, printButton = 0, exitButton = 0;
    int pagesItem = 0, printItem = 0, saveAsItem = 0, exitItem = 0;
    int zoomList = 0, zoomPrompt = 0, pagePrompt = 0;
    int currentPage = 0, pagesAcross = 0, pagesDown = 0;
    int next = 0, previous = 0, jump = 0, changeDisplay = 0;
    int viewMenu = 0, zoomMenu = 0;
    int lastControl = 0;
  };

  ReportPreviewer(ErrorReporter& reporter, ProcedureCodes codes, const Locale& locale, PreviewWindows windows);
  virtual ~ReportPreviewer();
  ReportPreviewer(const ReportPreviewer&) = delete;
  ReportPreviewer& operator=(const ReportPreviewer&) = delete;

  void setTexts(PreviewTexts texts) { texts_ = std::move(texts); }
  const PreviewTexts& texts() const { return texts_; }
  void setIniSettings(IniSettings* settings) { settings_ = settings; }
  void setUserZoom(bool allowed) { userZoom_ = allowed; }
  void setMaximize(bool maximize) { maximize_ = maximize; }
  // A place and size given beforehand win over the INI settings'.
  void setPlace(const WindowPlace& place) { place_ = place; }
  void setTargetSelector(ReportTargetSelector* selector) { targetSelector_ = selector; }
  ReportTargetSelector* targetSelector() const { return targetSelector_; }
  // The target the last save went through (null before).
  ReportTarget* reportTarget() const { return reportTarget_; }

  // Shows the pages, from `firstPage`, `across` by `down` at a time, zoom `zoom` (a choice's size,
  // or a percentage); returns true when the user chose to print. With no pages it tells the user
  // there is nothing to print and returns false.
  bool display(const std::vector<report::PageMetafile>& pages, int zoom = -1, int firstPage = 1, int across = 1,
               int down = 1);
  // The pages the user chose to print (numbers from 1), all of them unless narrowed.
  const std::vector<int>& pagesToPrint() const { return pagesToPrint_; }

  // While displayed: the window and what it shows.
  ui::Window* window() const { return window_.get(); }
  const Controls& controls() const { return controls_; }
  int currentPage() const { return currentPage_; }
  int pagesAcross() const { return across_; }
  int pagesDown() const { return down_; }
  int zoom() const { return zoom_; }

 protected:
  // The window's set-up steps: the control numbers, then the saving decision by the number of
  // targets (none: the save item disabled; one: its text the prefix and the target's name; more:
  // nothing changes).
  virtual void storeControls(ui::Window& window);
  virtual void decideSaving(ui::Window& window);
  // An accepted control of the preview's window (after the platform's own handling).
  virtual int takeAccepted(int control);
  // Picks the target, prepares it and writes the previewed pages through it.
  void saveThroughTarget();

 private:
  class Controller;
  friend class Controller;
  friend class PagesView;

  void setUp(ui::Window& window);
  void showPages();
  void applyZoom(int zoom);
  void zoomTyped();
  void goToPage(int page);
  void runJumpDialog();
  void runDisplayDialog();
  void runPagesDialog();
  void setLayout(int across, int down);
  void storePlace();
  Cp1252Text rangeText(const std::vector<int>& pages) const;

  ErrorReporter& reporter_;
  ProcedureCodes codes_;
  const Locale& locale_;
  PreviewWindows windows_;
  PreviewTexts texts_;
  IniSettings* settings_ = nullptr;
  ReportTargetSelector* targetSelector_ = nullptr;
  ReportTarget* reportTarget_ = nullptr;
  bool userZoom_ = false;
  bool maximize_ = false;
  std::optional<WindowPlace> place_;

  const std::vector<report::PageMetafile>* pages_ = nullptr;
  std::unique_ptr<ui::Window> window_;
  Controls controls_;
  PagesView* view_ = nullptr;
  bool print_ = false;
  int currentPage_ = 1;
  int across_ = 1;
  int down_ = 1;
  int zoom_ = -1;
  bool zoomIsTyped_ = false;
  std::int32_t currentPageValue_ = 1;
  std::int32_t acrossValue_ = 1;
  std::int32_t downValue_ = 1;
  FixedText<16> zoomText_;
  std::vector<int> pagesToPrint_;
};

}  // namespace platform
