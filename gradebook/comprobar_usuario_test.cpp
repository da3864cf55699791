// The sign-in window on real widgets, driven by the robot, over a teachers file loaded from
// tests/fixtures/sign_in.
#include "gradebook/comprobar_usuario.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <QWindow>
#include <cstdlib>

#include "gradebook/window_test_support.h"
#include "platform/classes/window_controller.h"
#include "platform/os/window_style.h"
#include "platform/storage/testing/page_damage.h"
#include "platform/ui/message_box.h"
#include "platform/ui/test_robot.h"

namespace gradebook {
namespace {

using namespace platform::literals;

using platform::ui::MessageDriver;
using platform::ui::WindowDriver;

constexpr const char* kTitle = "Bienvenido";
// The failure message as the box shows it: three lines, the first two ending with a blank.
constexpr const char* kFailureLines =
    "No se puede iniciar sesíon. Asegurase de que su nombre de usuario sean los \n"
    "correctos, luego repita su contraseña. Las letras de la contraseña se deben escribir \n"
    "usando mayúsculas y minusculas correctamente";

class SignInTest : public testing::WindowTest {
 protected:
  std::string tables() const override { return "sign_in"; }

  dictionary::Program& program() { return *started; }

  // Types the key and the password and presses "&Aceptar".
  void attempt(const std::string& key, const std::string& password) {
    robot.inWindow(kTitle, [key, password](WindowDriver& w) {
      w.type("?GS_MAESTRO", key);
      w.type("?LS_TEMCONTRASENA", password);
      w.press("?ACEPTAR");
    });
  }
  // Expects the failure message and acknowledges it.
  void failureMessage() {
    robot.inMessage([this](MessageDriver& m) {
      ++failuresShown;
      EXPECT_EQ(m.caption(), "Aviso al Usuario");
      EXPECT_EQ(m.text(), kFailureLines);
      EXPECT_EQ(m.shownLines(), 3);
      EXPECT_TRUE(m.showsExclamation());
      EXPECT_EQ(m.buttons(), std::vector<std::string>{"&Aceptar"});
      m.press("&Aceptar");
    });
  }
  void cancel() {
    robot.inWindow(kTitle, [](WindowDriver& w) { w.press("?CANCELAR"); });
  }
  void signIn() {
    robot.run([] { Comprobar_Usuario(); });
    EXPECT_TRUE(robot.done()) << robot.report();
  }

  int failuresShown = 0;
};

TEST_F(SignInTest, RightKeyAndPasswordSignInAtOnce) {
  robot.inWindow(kTitle, [](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?GS_MAESTRO") << "the key entry takes the focus first";
    EXPECT_TRUE(w.isMasked("?LS_TEMCONTRASENA"));
    EXPECT_FALSE(w.isMasked("?GS_MAESTRO"));
    w.type("?GS_MAESTRO", "1001");
    w.type("?LS_TEMCONTRASENA", "Clave9");
    EXPECT_EQ(QString::fromStdString(w.shown("?LS_TEMCONTRASENA")).size(), 6);
    EXPECT_EQ(w.shown("?LS_TEMCONTRASENA").find("Clave9"), std::string::npos);
    w.press("?ACEPTAR");
  });
  signIn();
  EXPECT_EQ(failuresShown, 0);
  EXPECT_EQ(program().Gl_IdMaestro, 1);
  EXPECT_EQ(program().Gs_Maestro.trimmed(), "1001"_cp1252);
  EXPECT_EQ(fileManager(dictionary::File::ZOLBRANS).openCount(), 0) << "kill closes the teachers file";
  EXPECT_EQ(program().errors().status().procedure, "Main") << "kill gives the caller's name back";
  EXPECT_EQ(dictionary::ThisThread().Request, 0);
}

TEST_F(SignInTest, EachKeyAndPasswordByTheRules) {
  struct Case {
    const char* key;
    const char* password;
    std::int32_t signedIn;  // -1: refused
    const char* why;
  };
  const Case cases[] = {
      {"1001", "clave9", -1, "a letter in the wrong case"},
      {"1001", "Clave9   ", 1, "trailing blanks do not count"},
      {"1001", " Clave9", -1, "a leading blank counts"},
      {"42", "", 2, "a blank stored password and an empty entry"},
      {"42", "x", -1, "a blank stored password and something typed"},
      {"7", "abcdefghij", 3, "all ten characters"},
      {"7", "abcdefghijk", -1, "eleven characters never match ten"},
      {"0007", "abcdefghij", 3, "leading zeros"},
      {"7abc", "abcdefghij", 3, "digits followed by letters"},
      {"", "cero", 5, "an empty key looks up the key 0"},
      {"x9", "cero", 5, "a key that begins with a letter looks up the key 0"},
      {"99999999999", "mayor", 4, "a key too large for 32 bits is the largest LONG"},
      {"-5", "cero", -1, "a key that no teacher has"},
      {"12", "Ñandú", 6, "accents count"},
      {"12", "ñandú", -1, "Ñ is not ñ"},
      {"12", "Nandu", -1, "accented and plain letters differ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.why) + ": key \"" + c.key + "\", password \"" + c.password + "\"");
    program().Gl_IdMaestro = 0;
    failuresShown = 0;
    attempt(c.key, c.password);
    if (c.signedIn < 0) {
      failureMessage();
      robot.inWindow(kTitle, [&c](WindowDriver& w) {
        EXPECT_EQ(w.text("?LS_TEMCONTRASENA"), c.password) << "nothing typed is cleared";
        w.press("?CANCELAR");
      });
    }
    signIn();
    EXPECT_EQ(program().Gl_IdMaestro, c.signedIn < 0 ? 0 : c.signedIn);
    EXPECT_EQ(failuresShown, c.signedIn < 0 ? 1 : 0);
  }
}

TEST_F(SignInTest, ATeacherWithIdZeroLeavesNobodySignedIn) {
  program().Gl_IdMaestro = 0;
  attempt("500", "nadie");
  signIn();
  EXPECT_EQ(failuresShown, 0);
  EXPECT_EQ(program().Gl_IdMaestro, 0);
}

TEST_F(SignInTest, TwoFailuresThenSuccess) {
  attempt("1001", "mal");
  failureMessage();
  attempt("2002", "Clave9");
  failureMessage();
  attempt("1001", "Clave9");
  signIn();
  EXPECT_EQ(failuresShown, 2);
  EXPECT_EQ(program().Gl_IdMaestro, 1);
}

TEST_F(SignInTest, ThreeFailuresCloseTheWindowWithNobodySignedIn) {
  program().Gl_IdMaestro = 9;
  for (int i = 0; i < 3; ++i) {
    attempt("1001", "mal");
    failureMessage();
  }
  signIn();
  EXPECT_EQ(failuresShown, 3);
  EXPECT_EQ(program().Gl_IdMaestro, 0);
  EXPECT_EQ(fileManager(dictionary::File::ZOLBRANS).openCount(), 0);
}

TEST_F(SignInTest, EachCallCountsItsOwnFailures) {
  for (int call = 0; call < 2; ++call) {
    attempt("1001", "mal");
    failureMessage();
    attempt("1001", "mal");
    failureMessage();
    cancel();
    signIn();
  }
  attempt("1001", "mal");
  failureMessage();
  attempt("1001", "Clave9");
  signIn();
  EXPECT_EQ(program().Gl_IdMaestro, 1);
}

// A page of the teachers' key damaged on disk: every look-up fails. The sign-in says that the
// file cannot be read, and why, instead of calling it a wrong password; each attempt counts.
TEST_F(SignInTest, ATeachersFileThatCannotBeReadIsReportedAsSuch) {
  const platform::storage::FileDecl& decl = dictionary::DataFileOf(dictionary::File::ZOLBRANS).decl();
  const std::string key = program().engine().rawKey(decl.ownerPassword);
  const std::string file = decl.physicalPath();
  platform::storage::testing::damagePage(
      file, platform::storage::testing::pageOfKeyEntry(file, key, decl.keyIndex("AK_CLAVE"), 1));
  program().Gl_IdMaestro = 9;
  for (int i = 0; i < 3; ++i) {
    attempt("1001", "Clave9");
    message("Error de Lectura", "Error: (Las llaves deben de reconstruirse...) leyendo el archivo ZOLBRANS.",
            "&Aceptar", {"&Aceptar"});
  }
  signIn();
  EXPECT_EQ(failuresShown, 0) << "no wrong-password message";
  EXPECT_EQ(program().Gl_IdMaestro, 0) << "the third attempt ends the sign-in";
}

TEST_F(SignInTest, CancelAndTheCloseBoxLeaveTheTeacherAsItWas) {
  program().Gl_IdMaestro = 77;
  cancel();
  signIn();
  EXPECT_EQ(program().Gl_IdMaestro, 77);
  EXPECT_EQ(dictionary::ThisThread().Response, platform::kResponseCancelled);

  robot.inWindow(kTitle, [](WindowDriver& w) {
    w.type("?GS_MAESTRO", "1001");
    w.closeBox();
  });
  signIn();
  EXPECT_EQ(program().Gl_IdMaestro, 77);
  EXPECT_EQ(program().Gs_Maestro.trimmed(), "1001"_cp1252) << "the key typed last stays";
}

TEST_F(SignInTest, EnterInEitherEntryChecks) {
  for (const char* entry : {"?GS_MAESTRO", "?LS_TEMCONTRASENA"}) {
    SCOPED_TRACE(entry);
    program().Gl_IdMaestro = 0;
    robot.inWindow(kTitle, [entry](WindowDriver& w) {
      w.type("?GS_MAESTRO", "7");
      w.type("?LS_TEMCONTRASENA", "abcdefghij");
      w.press(entry);
      w.key(Qt::Key_Return);
    });
    signIn();
    EXPECT_EQ(program().Gl_IdMaestro, 3);
  }
}

TEST_F(SignInTest, TheKeyIsTypedInCapitalsAndTabGoesThroughTheWindow) {
  robot.inWindow(kTitle, [](WindowDriver& w) {
    w.typeHere("ab1ñ");
    EXPECT_EQ(w.text("?GS_MAESTRO"), "AB1Ñ");
    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.focusLabel(), "?LS_TEMCONTRASENA");
    w.typeHere("ab");
    EXPECT_EQ(w.text("?LS_TEMCONTRASENA"), "ab") << "the password's letters stay as typed";
    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.focusLabel(), "?ACEPTAR");
    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.focusLabel(), "?CANCELAR");
    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.focusLabel(), "?GS_MAESTRO");
    w.press("?CANCELAR");
  });
  signIn();
  EXPECT_EQ(program().Gs_Maestro.trimmed(), "AB1Ñ"_cp1252);
}

TEST_F(SignInTest, TheWindowCannotBeMinimised) {
  robot.inWindow(kTitle, [](WindowDriver& w) {
    const std::uint32_t style = platform::os::windowStyle(w.window());
    EXPECT_TRUE(style & platform::os::kSystemMenu);
    EXPECT_FALSE(style & platform::os::kMinimizeBox);
    EXPECT_FALSE(style & platform::os::kMaximizeBox);
    EXPECT_FALSE(w.window()->windowHandle()->flags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(w.window()->windowHandle()->flags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(w.window()->windowIcon().isNull()) << "the padlock";
    EXPECT_EQ(w.text("?PROMPT1"), "Clave del Maestro:");
    EXPECT_EQ(w.text("?PROMPT2"), "Contraseña:");
    EXPECT_EQ(w.text("?ACEPTAR"), "&Aceptar");
    EXPECT_EQ(w.text("?CANCELAR"), "&Cancelar");
    w.press("?CANCELAR");
  });
  signIn();
}

// With GRADEBOOK_SCREENSHOTS naming a folder, saves the window and its failure message there.
TEST_F(SignInTest, Screenshots) {
  const char* folder = std::getenv("GRADEBOOK_SCREENSHOTS");
  if (folder == nullptr) GTEST_SKIP() << "GRADEBOOK_SCREENSHOTS is not set";
  const std::string dir = folder;
  robot.inWindow(kTitle, [dir](WindowDriver& w) {
    w.type("?GS_MAESTRO", "1001");
    w.type("?LS_TEMCONTRASENA", "clave9");
    w.grab(dir + "/sign_in.png");
    w.press("?ACEPTAR");
  });
  robot.inMessage([dir](MessageDriver& m) {
    m.grab(dir + "/sign_in_failure.png");
    m.press("&Aceptar");
  });
  cancel();
  signIn();
}

}  // namespace
}  // namespace gradebook
