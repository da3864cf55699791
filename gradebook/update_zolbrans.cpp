#include "gradebook/update_zolbrans.h"

#include "dictionary/managers.h"
#include "dictionary/program.h"
#include "gradebook/form_history.h"
#include "platform/classes/control_resizer.h"
#include "platform/classes/window_controller.h"
#include "platform/ui/window.h"

namespace gradebook {
namespace {

using dictionary::File;

constexpr int kHistoryKey = 0x48 | 0x04000000;  // Ctrl+H

class TeacherForm : public platform::WindowController {
 public:
  explicit TeacherForm(platform::ui::Window& window)
      : WindowController(window, dictionary::program().errors(), "UpdateZOLBRANS",
                         {dictionary::ThisThread().Request, dictionary::ThisThread().Response,
                          dictionary::ThisThread().NavigationRequest}),
        resizer_(window) {
    setFirstField("?MAE:CLAVE:PROMPT");
    setHistory(kHistoryKey, HistoryCopyOf(File::ZOLBRANS));
    addHistoryField("?MAE:CLAVE", 2);
    addHistoryField("?MAE:NOMBRE", 3);
    setUpdateFile(*dictionary::FileManagerOf(File::ZOLBRANS));
    setCloseControl("?CANCEL", platform::kResponseCancelled);
    setOkControl("?OK");
    setModeTitle(platform::kRequestInsert, "Nuevo Maestro");
    setModeTitle(platform::kRequestChange, "Modificar Maestro");
    setModeTitle(platform::kRequestView, "View Record");
  }

  int init() override {
    if (const int level = WindowController::init()) return level;
    if (request() == platform::kRequestView) {
      for (const char* label : {"?MAE:CLAVE", "?MAE:NOMBRE"}) window().control(label).setReadOnly(true);
    }
    const QSize size = window().handle()->size();
    resizer_.init(size, size);
    addComponent(resizer_);
    return platform::kLevelBenign;
  }

  bool openFiles() override {
    platform::RelationManager& teachers = *dictionary::RelationManagerOf(File::ZOLBRANS);
    teachers.open();
    setPrimary(teachers);
    return true;
  }
  void closeFiles() override { dictionary::RelationManagerOf(File::ZOLBRANS)->close(); }

  int takeAccepted() override {
    const int level = WindowController::takeAccepted();
    if (event().control == window().find("?OK")) {
      update();
      if (request() == platform::kRequestView) window().post(platform::ui::EventKind::CloseWindow, event().control);
    }
    return level;
  }

 private:
  platform::ControlResizer resizer_;
};

}  // namespace

void UpdateZOLBRANS() {
  platform::ui::Window window("update_zolbrans", dictionary::program().locale());
  window.bindRecord("MAE", dictionary::DataFileOf(File::ZOLBRANS).buffer());
  TeacherForm form(window);
  dictionary::ThisThread().Response = static_cast<std::uint8_t>(form.run());
}

}  // namespace gradebook
