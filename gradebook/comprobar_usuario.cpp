#include "gradebook/comprobar_usuario.h"

#include "dictionary/managers.h"
#include "dictionary/program.h"
#include "dictionary/quitar_minimizar.h"
#include "platform/classes/view_manager.h"
#include "platform/classes/window_controller.h"
#include "platform/core/cp1252.h"
#include "platform/core/fixed_text.h"
#include "platform/core/number_text.h"
#include "platform/core/runtime_errors.h"
#include "platform/ui/window.h"

namespace gradebook {
namespace {

using dictionary::File;

constexpr const char* kFailureCaption = "Aviso al Usuario";
constexpr const char* kFailureText =
    "No se puede iniciar sesíon. Asegurase de que su nombre de usuario sean los |correctos, luego repita su "
    "contraseña. Las letras de la contraseña se deben escribir |usando mayúsculas y minusculas correctamente";

class SignInWindow : public platform::WindowController {
 public:
  SignInWindow(platform::ui::Window& window, platform::FixedText<20>& password)
      : WindowController(window, dictionary::program().errors(), "Comprobar_Usuario",
                         {dictionary::ThisThread().Request, dictionary::ThisThread().Response,
                          dictionary::ThisThread().NavigationRequest}),
        password_(password) {
    setFirstField(window.control(1).label());
    addToolbarDispatcher(toolbar_);
  }

  bool openFiles() override {
    dictionary::RelationManagerOf(File::ZOLBRANS)->open();
    return true;
  }
  void closeFiles() override { dictionary::RelationManagerOf(File::ZOLBRANS)->close(); }

  int takeWindowEvent() override {
    const int level = WindowController::takeWindowEvent();
    if (event().kind == platform::ui::EventKind::OpenWindow) {
      dictionary::Quitar_Minimizar();
      password_ = platform::Cp1252View();
      window().display();
    }
    return level;
  }

  int takeAccepted() override {
    const int level = WindowController::takeAccepted();
    if (event().control == window().find("?ACEPTAR")) check();
    return level;
  }

 private:
  void check() {
    dictionary::Program& program = dictionary::program();
    platform::storage::DataFile& teachers = dictionary::DataFileOf(File::ZOLBRANS);
    const platform::storage::FileDecl& decl = teachers.decl();
    platform::RecordBuffer& teacher = teachers.buffer();
    window().update();
    teacher.setLong(decl.fieldNamed("CLAVE"), platform::leadingWholeNumber(program.Gs_Maestro.value().bytes()));
    const int read = teachers.get(decl.keyNamed("AK_CLAVE"));
    if (read == platform::errors::kRecordNotFound) {
      fail();
    } else if (read != platform::errors::kNone) {
      failToRead(teachers, read);
    } else if (program.locale().equal(teacher.getText(decl.fieldNamed("PASSWORD")), password_.value())) {
      program.Gl_IdMaestro = teacher.getLong(decl.fieldNamed("ID_MAE"));
      window().post(platform::ui::EventKind::CloseWindow);
    } else {
      fail();
    }
    if (failures_ > 2) {
      program.Gl_IdMaestro = 0;
      window().post(platform::ui::EventKind::CloseWindow);
    }
  }

  void fail() {
    ++failures_;
    errors().port().message({kFailureCaption,
                             kFailureText,
                             platform::MessageIcon::Exclamation,
                             {platform::MessageButton::Ok},
                             platform::MessageButton::Ok});
  }

  // A teachers file that cannot be read is no wrong password: the attempt counts all the same, and
  // the reporter's read-failure message names the file and the error, so that it gets mended.
  void failToRead(platform::storage::DataFile& teachers, int error) {
    ++failures_;
    errors().setError(error, platform::cp1252ToUtf8(teachers.session().lastErrorText()));
    errors().throwFile(platform::kMessageViewReadFailed, dictionary::FileManagerOf(File::ZOLBRANS)->fileName());
  }

  platform::FixedText<20>& password_;
  platform::ToolbarDispatcher toolbar_;
  int failures_ = 0;
};

}  // namespace

void Comprobar_Usuario() {
  platform::FixedText<20> LS_TEMCONTRASENA;
  platform::ui::Window window("comprobar_usuario", dictionary::program().locale());
  window.bind("Gs_Maestro", platform::ui::Variable::of(dictionary::program().Gs_Maestro));
  window.bind("LS_TEMCONTRASENA", platform::ui::Variable::of(LS_TEMCONTRASENA));
  SignInWindow controller(window, LS_TEMCONTRASENA);
  dictionary::ThisThread().Response = static_cast<std::uint8_t>(controller.run());
}

}  // namespace gradebook
