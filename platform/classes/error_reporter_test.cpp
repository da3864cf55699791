#include "platform/classes/error_reporter.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>

#include "platform/core/runtime_errors.h"
#include "platform/port/scripted_port.h"

namespace platform {
namespace {

using B = MessageButton;

// A per-thread status as the program's start-up objects provide it.
ErrorStatus& threadStatus() {
  thread_local ErrorStatus status;
  return status;
}

class ErrorReporterTest : public ::testing::Test {
 protected:
  ErrorReporterTest() : reporter(locale, port) {
    threadStatus() = ErrorStatus{};
    reporter.init(&threadStatus);
    reporter.addMessages({
        {2, kLevelNotify, "Acceso", "Solo lectura para %File."},
        {12, kLevelFatal, "Crear", "Error: (%ErrorText) creando %File."},
        {16, kLevelNotify, "Campo", "El valor de %Field debe encontrarse en %Message el archivo."},
        {42, kLevelProgram, "Uso", "Archivo (%File) sin abrir"},
        {36, kLevelUser, "Borrar", "Otra vez?|Sí o no"},
        {37, kLevelUser, "Guardar", "De nuevo?", {B::Yes, B::No, B::Cancel}, B::Cancel},
        {50, kLevelBenign, "Nada", "no se muestra"},
        {51, kLevelCancel, "Cancelado", "Cancelado por %Message"},
    });
  }

  Locale locale;
  ScriptedPort port;
  ErrorReporter reporter;
};

TEST_F(ErrorReporterTest, NotifyShowsOneOkButtonAndReturnsFive) {
  reporter.setField("ACT:ID_ALU");
  EXPECT_EQ(reporter.throwMessage(16, "ALUMNOS"), kLevelNotify);
  ASSERT_EQ(port.shown().size(), 1u);
  const MessageRequest& r = port.last();
  EXPECT_EQ(r.caption, "Campo");
  EXPECT_EQ(r.text, "El valor de ACT:ID_ALU debe encontrarse en ALUMNOS el archivo.");
  EXPECT_EQ(r.icon, MessageIcon::Exclamation);
  EXPECT_EQ(r.buttons, std::vector<B>{B::Ok});
  EXPECT_EQ(r.defaultButton, B::Ok);
  EXPECT_EQ(reporter.status().message, "ALUMNOS");
}

TEST_F(ErrorReporterTest, QuestionAnswersMapToLevels) {
  struct Case {
    int id;
    B answer;
    Level level;
  };
  const Case cases[] = {
      {36, B::Yes, kLevelBenign}, {36, B::No, kLevelCancel},   {37, B::Yes, kLevelBenign},
      {37, B::No, kLevelCancel},  {37, B::Cancel, kLevelUser},
  };
  for (const Case& c : cases) {
    port.answer(c.answer);
    EXPECT_EQ(reporter.throwMessage(c.id), c.level) << c.id << " answered " << static_cast<int>(c.answer);
    EXPECT_EQ(port.last().icon, MessageIcon::Question);
  }
}

TEST_F(ErrorReporterTest, QuestionButtonsAndDefaults) {
  // Closing the box answers with the default: Yes for a plain question, Cancel for message 37.
  EXPECT_EQ(reporter.throwMessage(36), kLevelBenign);
  EXPECT_EQ(port.last().buttons, (std::vector<B>{B::Yes, B::No}));
  EXPECT_EQ(port.last().defaultButton, B::Yes);
  EXPECT_EQ(port.last().text, "Otra vez?|Sí o no");  // "|" goes through to the port

  EXPECT_EQ(reporter.throwMessage(37), kLevelUser);
  EXPECT_EQ(port.last().buttons, (std::vector<B>{B::Yes, B::No, B::Cancel}));
  EXPECT_EQ(port.last().defaultButton, B::Cancel);
}

TEST_F(ErrorReporterTest, ProgramAndFatalErrorsAppendTheEndNoticeAndHalt) {
  reporter.setFile("ACTAS     ");
  reporter.setError(errors::kCannotCreate, "disco lleno");
  EXPECT_THROW(reporter.throwMessage(12), ProgramHalted);
  EXPECT_THROW(reporter.throwMessage(42), ProgramHalted);
  EXPECT_EQ(port.halts(), 2);
  ASSERT_EQ(port.shown().size(), 2u);
  EXPECT_EQ(port.shown()[0].text, "Error: (disco lleno) creando ACTAS.  Press OK to end this application");
  EXPECT_EQ(port.shown()[1].text, "Archivo (ACTAS) sin abrir  Press OK to end this application");
  for (const MessageRequest& r : port.shown()) {
    EXPECT_EQ(r.buttons, std::vector<B>{B::Ok});
    EXPECT_EQ(r.icon, MessageIcon::Exclamation);
  }
}

TEST_F(ErrorReporterTest, BenignIsSilentAndCancelIsShown) {
  EXPECT_EQ(reporter.throwMessage(50), kLevelBenign);
  EXPECT_TRUE(port.shown().empty());
  EXPECT_TRUE(reporter.status().history.empty());

  EXPECT_EQ(reporter.throwMessage(51, "el usuario"), kLevelCancel);
  ASSERT_EQ(port.shown().size(), 1u);
  EXPECT_EQ(port.last().text, "Cancelado por el usuario");
  EXPECT_EQ(port.last().buttons, std::vector<B>{B::Ok});
}

// A failing test shows a level with its name; a level the table gives outside the named ones is
// shown with one OK button and returned as given, so that the caller still sees a failure.
TEST_F(ErrorReporterTest, LevelsPrintWithTheirNamesAndAnUnlistedOneComesBackAsGiven) {
  const std::pair<Level, const char*> named[] = {{kLevelBenign, "0 (done)"},      {kLevelUser, "1 (user)"},
                                                 {kLevelProgram, "2 (program)"},  {kLevelFatal, "3 (fatal)"},
                                                 {kLevelCancel, "4 (cancelled)"}, {kLevelNotify, "5 (notify)"}};
  for (const auto& [level, printed] : named) EXPECT_EQ(printed, ::testing::PrintToString(level));

  reporter.addMessages({{60, 7, "Otro", "Nivel siete"}});
  const Level unlisted = reporter.throwMessage(60);
  EXPECT_EQ(7, unlisted);
  EXPECT_EQ("7", ::testing::PrintToString(unlisted));
  EXPECT_EQ(port.last().buttons, std::vector<B>{B::Ok});
}

TEST_F(ErrorReporterTest, UnknownNumberIsAProgramErrorNamingIt) {
  EXPECT_THROW(reporter.throwMessage(999), ProgramHalted);
  ASSERT_EQ(port.shown().size(), 1u);
  EXPECT_NE(port.last().text.find("999"), std::string::npos);
  EXPECT_NE(port.last().text.find("  Press OK to end this application"), std::string::npos);
}

TEST_F(ErrorReporterTest, ErrorTextComesFromTheLocaleWhenNotGiven) {
  // Locale texts are code page 1252; the port gets UTF-8.
  locale.setErrorText(errors::kCannotCreate, "No se pudo crear el archivo (\xE1rea)");
  reporter.setFile("CIUDAD");
  reporter.setError(errors::kCannotCreate);
  EXPECT_EQ(reporter.status().errorCode, errors::kCannotCreate);
  EXPECT_EQ(reporter.render(12), "Error: (No se pudo crear el archivo (\xC3\xA1rea)) creando CIUDAD.");

  // Clearing the error leaves the placeholder empty.
  reporter.setError(errors::kNone);
  EXPECT_EQ(reporter.render(12), "Error: () creando CIUDAD.");
}

TEST_F(ErrorReporterTest, PlaceholderValuesAreNotExpandedAgain) {
  reporter.setField("%Message");
  reporter.setFile("%Field  ");
  EXPECT_EQ(reporter.render(16, "%File"), "El valor de %Message debe encontrarse en %File el archivo.");
  EXPECT_EQ(reporter.render(2), "Solo lectura para %Field.");
}

TEST_F(ErrorReporterTest, ProcedureNamesNestLikeAStack) {
  EXPECT_EQ(reporter.setProcedureName("Main"), "");
  EXPECT_EQ(reporter.setProcedureName("UpdateZOLBRANS"), "Main");
  reporter.setField("MAE:CLAVE");
  reporter.throwMessage(16, "ZOLBRANS");
  EXPECT_EQ(reporter.setProcedureName("Main"), "UpdateZOLBRANS");
  EXPECT_EQ(reporter.status().procedure, "Main");
  ASSERT_EQ(reporter.status().history.size(), 1u);
  EXPECT_EQ(reporter.status().history[0],
            "UpdateZOLBRANS: 16 Campo: El valor de MAE:CLAVE debe encontrarse en ZOLBRANS el archivo.");
}

TEST_F(ErrorReporterTest, HistoryKeepsOnlyTheNewestReports) {
  for (int i = 0; i < 25; ++i) reporter.throwMessage(51, std::to_string(i));
  const auto& history = reporter.status().history;
  ASSERT_EQ(history.size(), kErrorHistoryLimit);
  EXPECT_NE(history.front().find("por 5"), std::string::npos);
  EXPECT_NE(history.back().find("por 24"), std::string::npos);
}

TEST_F(ErrorReporterTest, EachThreadHasItsOwnStatus) {
  reporter.setProcedureName("Main");
  reporter.setField("ACT:ID_ALU");
  std::string otherProcedure = "unset";
  std::string otherField = "unset";
  std::thread([&] {
    otherProcedure = reporter.setProcedureName("Worker");
    otherField = reporter.status().field;
  }).join();
  EXPECT_EQ(otherProcedure, "");
  EXPECT_EQ(otherField, "");
  EXPECT_EQ(reporter.status().procedure, "Main");
  EXPECT_EQ(reporter.status().field, "ACT:ID_ALU");
}

TEST_F(ErrorReporterTest, AddMessagesReplacesByNumber) {
  reporter.addMessages({{2, kLevelNotify, "Nuevo", "Texto nuevo"}});
  ASSERT_NE(reporter.find(2), nullptr);
  EXPECT_EQ(reporter.find(2)->title, "Nuevo");
  EXPECT_EQ(reporter.find(3), nullptr);
}

TEST(ErrorReporterUnbound, WorksWithItsOwnStatusBeforeInit) {
  Locale locale;
  ScriptedPort port;
  ErrorReporter reporter(locale, port);
  reporter.addMessages({{2, kLevelNotify, "T", "%File"}});
  reporter.setFile("ACTAS");
  EXPECT_EQ(reporter.throwMessage(2), kLevelNotify);
  EXPECT_EQ(port.last().text, "ACTAS");
}

TEST(ScriptedPortTest, RefusesAnAnswerThatIsNotAButtonOfTheMessage) {
  ScriptedPort port{MessageButton::Cancel};
  MessageRequest request{"T", "x", MessageIcon::Exclamation, {MessageButton::Ok}, MessageButton::Ok};
  EXPECT_THROW(port.message(request), std::logic_error);
}

}  // namespace
}  // namespace platform
