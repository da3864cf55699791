#include "output/dlg_exportacion.h"

#include "dictionary/program.h"
#include "output/export_window.h"
#include "output/grade_export.h"
#include "platform/classes/path_lookup.h"
#include "platform/classes/window_controller.h"
#include "platform/core/fixed_text.h"
#include "platform/os/folders.h"
#include "platform/ui/window.h"

namespace output {
namespace {

using namespace platform::literals;

class ExportWindow : public platform::WindowController {
 public:
  ExportWindow(platform::ui::Window& window, platform::FixedText<255>& LS_RUTA, platform::FixedText<20>& LS_POR,
               std::int32_t LL_TOTAL, platform::PathLookup& folderLookup)
      : WindowController(window, dictionary::program().errors(), "Dlg_Exportacion",
                         {dictionary::ThisThread().Request, dictionary::ThisThread().Response,
                          dictionary::ThisThread().NavigationRequest}),
        LS_RUTA_(LS_RUTA),
        LS_POR_(LS_POR),
        LL_TOTAL_(LL_TOTAL),
        folderLookup_(folderLookup),
        progress_(window, LS_POR) {
    setFirstField(window.control(1).label());
  }

  bool openFiles() override {
    OpenExportFiles();
    return true;
  }
  void closeFiles() override { CloseExportFiles(); }

  int takeWindowEvent() override {
    const int level = WindowController::takeWindowEvent();
    if (event().kind == platform::ui::EventKind::OpenWindow) {
      LS_POR_ = " 0 %"_cp1252;
      window().display();
    }
    return level;
  }

  int takeAccepted() override {
    const int level = WindowController::takeAccepted();
    const int control = event().control;
    if (control == window().find("?LOOKUPFILE")) {
      window().update();
      LS_RUTA_ = folderLookup_.ask(LS_RUTA_.value());
      window().display();
    } else if (control == window().find("?OKBUTTON")) {
      window().update();
      GradeExport(LL_TOTAL_, progress_).run(LS_RUTA_.value());
    }
    return level;
  }

 private:
  platform::FixedText<255>& LS_RUTA_;
  platform::FixedText<20>& LS_POR_;
  std::int32_t LL_TOTAL_;
  platform::PathLookup& folderLookup_;
  ExportWindowProgress progress_;
};

}  // namespace

void Dlg_Exportacion(std::int32_t LL_TOTAL) {
  dictionary::Program& program = dictionary::program();
  platform::FixedText<255> LS_RUTA;
  platform::FixedText<20> LS_POR;
  platform::ui::Window window("dlg_exportacion", program.locale());
  window.bind("LS_RUTA", platform::ui::Variable::of(LS_RUTA));
  window.bind("LS_POR", platform::ui::Variable::of(LS_POR));

  platform::PathLookup folderLookup(program.errors().port());
  folderLookup.setTitle("Seleccione la Ruta");
  folderLookup.setDefaultFolder(platform::os::homeFolder());
  folderLookup.setClearOnCancel(true);

  ExportWindow controller(window, LS_RUTA, LS_POR, LL_TOTAL, folderLookup);
  dictionary::ThisThread().Response = static_cast<std::uint8_t>(controller.run());
}

}  // namespace output
