#include "platform/ui/message_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>

#include "platform/ui/test_robot.h"

namespace platform::ui {
namespace {

using B = MessageButton;

class MessageBoxTest : public ::testing::Test {
 protected:
  MessageBoxTest() : port(locale) {
    locale.set("CLABUTTON", "&Aceptar,&Si,&No,&Abortar,&Reintentar,&Ignorar,&Cancelar,&Ayuda");
  }
  Locale locale;
  QtUserPort port;
  Robot robot;
};

TEST_F(MessageBoxTest, ShowsCaptionLinesIconAndTheLocalesButtons) {
  robot.inMessage([](MessageDriver& m) {
    EXPECT_EQ(m.caption(), "Aviso al Usuario");
    EXPECT_EQ(m.text(), "Primera línea \nsegunda \ntercera");
    EXPECT_EQ(m.shownLines(), 3);
    EXPECT_TRUE(m.showsExclamation());
    EXPECT_EQ(m.buttons(), std::vector<std::string>{"&Aceptar"});
    EXPECT_EQ(m.defaultButton(), "&Aceptar");
    m.press("&Aceptar");
  });
  MessageButton answer = B::Cancel;
  robot.run([&] {
    answer =
        port.message({"Aviso al Usuario", "Primera línea |segunda |tercera", MessageIcon::Exclamation, {B::Ok}, B::Ok});
  });
  EXPECT_TRUE(robot.done()) << robot.report();
  EXPECT_EQ(answer, B::Ok);
}

TEST_F(MessageBoxTest, ABoxGivenNoCaptionTakesTheLocalesAndALongCaptionIsNotCut) {
  const std::string caption = "Los Cambios serán Perdidos si no se Guardan";
  int captionWidth = 0;
  robot.inMessage([](MessageDriver& m) {
    EXPECT_EQ(m.caption(), "Error") << "not the program file's name";
    m.press("&Aceptar");
  });
  robot.inMessage([&](MessageDriver& m) {
    QFont bold = QApplication::font();
    bold.setBold(true);
    captionWidth = QFontMetrics(bold).horizontalAdvance(QString::fromStdString(caption));
    EXPECT_GT(m.width(), captionWidth) << "the title bar holds the whole caption";
    m.press("&Si");
  });
  robot.run([&] {
    port.message({"", "NO se encontró el Path del archivo", MessageIcon::None, {B::Ok}, B::Ok});
    port.message({caption, "¿Seguro?", MessageIcon::Question, {B::Yes, B::No}, B::No});
  });
  EXPECT_TRUE(robot.done()) << robot.report();
  EXPECT_GT(captionWidth, 0);
}

TEST_F(MessageBoxTest, ReturnsTheButtonPressed) {
  struct Case {
    std::vector<B> buttons;
    B defaultButton;
    std::string press;  // empty: Escape
    B expected;
  };
  const Case cases[] = {
      {{B::Yes, B::No}, B::No, "&Si", B::Yes},
      {{B::Yes, B::No}, B::No, "&No", B::No},
      {{B::Yes, B::No}, B::Yes, "", B::Yes},  // closed otherwise: the default button
      {{B::Yes, B::No, B::Cancel}, B::Yes, "&Cancelar", B::Cancel},
      {{B::Abort, B::Retry, B::Ignore}, B::Retry, "&Ignorar", B::Ignore},
  };
  for (const Case& c : cases) {
    Robot r;
    r.inMessage([&c](MessageDriver& m) {
      EXPECT_EQ(m.buttons().size(), c.buttons.size());
      if (c.press.empty())
        m.key(Qt::Key_Escape);
      else
        m.press(c.press);
    });
    MessageButton answer{};
    r.run([&] { answer = port.message({"Atención", "¿Seguro?", MessageIcon::Question, c.buttons, c.defaultButton}); });
    EXPECT_TRUE(r.done()) << r.report();
    EXPECT_EQ(answer, c.expected) << c.press;
  }
}

TEST_F(MessageBoxTest, EnterPressesTheDefaultButton) {
  robot.inMessage([](MessageDriver& m) {
    EXPECT_EQ(m.defaultButton(), "&No");
    m.key(Qt::Key_Return);
  });
  MessageButton answer{};
  robot.run([&] {
    answer = port.message({"Atención", "3 Alumno(s)", MessageIcon::Exclamation, {B::Yes, B::No}, B::No});
  });
  EXPECT_TRUE(robot.done()) << robot.report();
  EXPECT_EQ(answer, B::No);
}

TEST(QtUserPortTest, HaltLeavesTheShutDownToTheProgramsEntry) {
  Locale locale;
  QtUserPort port(locale);
  EXPECT_THROW(port.halt(), ProgramHalted);
}

TEST(QtUserPortTest, BusyCursorsNest) {
  Locale locale;
  QtUserPort port(locale);
  port.setBusy(true);
  port.setBusy(true);
  port.setBusy(false);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  port.setBusy(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  port.setBusy(false);  // one too many: nothing to take back
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(MessageLinesTest, EveryBarStartsALine) {
  EXPECT_EQ(messageLines("a|b||c|"), "a\nb\n\nc\n");
  EXPECT_EQ(messageLines("sin barras"), "sin barras");
}

}  // namespace
}  // namespace platform::ui
