// The controls a form is made of, on real widgets driven by the robot: drop lists of fixed choices,
// combos over rows, regions, groups over entries, and how entries hand values to their variables.
#include <gtest/gtest.h>

#include <QWidget>

#include "platform/core/cp1252_text.h"
#include "platform/core/record_queue.h"
#include "platform/ui/controls/combo_control.h"
#include "platform/ui/controls/drop_list_control.h"
#include "platform/ui/test_robot.h"
#include "platform/ui/window.h"
#include "tests/support/decimal_comma_locale.h"

namespace platform::ui {
namespace {

constexpr const char* kWindow = R"({
  "title": "Ficha", "at": [null, null, 240, 120], "centre": true, "systemMenu": true,
  "controls": [
    {"label": "?CLAVE", "kind": "entry", "at": [40, 6, 40, 10], "picture": "@n-7", "use": "Clave",
     "flags": ["skip", "readonly"]},
    {"label": "?NOTA", "kind": "entry", "at": [40, 30, 30, 10], "picture": "@n3", "use": "Nota"},
    {"label": "?REQUERIDA", "kind": "entry", "at": [80, 30, 40, 10], "picture": "N010", "use": "Requerida",
     "flags": ["required"]},
    {"label": "?GRUPO", "kind": "group", "at": [4, 22, 230, 24]},
    {"label": "?REGION", "kind": "region", "at": [36, 50, 120, 14]},
    {"label": "?SEXO", "kind": "droplist", "at": [40, 52, 80, 10], "from": "MASCULINO|#1|FEMENINO|#2",
     "use": "Sexo", "flags": ["skip"]},
    {"label": "?UNIDAD", "kind": "combo", "at": [40, 70, 150, 10], "use": "Unidad", "drop": 5,
     "format": "120L(2)|M@s20@0L(2)~ID~@n-7@", "flags": ["skip", "immediate"]},
    {"label": "?CERRAR", "kind": "button", "at": [180, 100, 45, 14], "text": "&Cerrar", "std": "close"}
  ]})";

const RecordLayout& unitLayout() {
  static const RecordLayout layout({{"DESCRIPCION", FieldType::String, 20}, {"ID", FieldType::Long}});
  return layout;
}

class FormControlsTest : public ::testing::Test {
 protected:
  FormControlsTest() : window(parseWindowDefinition(kWindow, "ficha", ControlKinds::standard()), locale) {
    window.bind("Clave", Variable::of(key));
    window.bind("Nota", Variable::of(grade));
    window.bind("Requerida", Variable::of(required));
    window.bind("Sexo", Variable::of(sex));
    window.bind("Unidad", Variable::of(unit));
    for (const auto& [text, id] : std::vector<std::pair<const char*, int>>{{"Álgebra", 3}, {"Cálculo", 5}}) {
      units.buffer().setText(0, Cp1252Text::fromUtf8(text).value());
      units.buffer().setLong(1, id);
      units.append();
    }
  }

  std::vector<WindowEvent> runUntilClosed() {
    std::vector<WindowEvent> events = platform::ui::runUntilClosed(robot, window);
    EXPECT_TRUE(robot.done()) << robot.report();
    return events;
  }

  DropListControl& sexList() { return dynamic_cast<DropListControl&>(window.control("?SEXO")); }
  ComboControl& unitCombo() { return dynamic_cast<ComboControl&>(window.control("?UNIDAD")); }

  Locale locale;
  Window window;
  std::int32_t key = 1001;
  double grade = 79.6;
  std::int32_t required = 0;
  std::int32_t sex = 2;
  FixedText<20> unit;
  RecordQueue units{unitLayout()};
  Robot robot;
};

TEST(ChoicesTest, TextsStandForTheValueAfterThemOrForThemselves) {
  EXPECT_EQ(parseChoices("MASCULINO|#1|FEMENINO|#2"),
            (std::vector<Choice>{{"MASCULINO", "1"_cp1252}, {"FEMENINO", "2"_cp1252}}));
  EXPECT_EQ(parseChoices("Sí|No|#0"), (std::vector<Choice>{{"Sí", Cp1252View::ofBytes("S\xED")}, {"No", "0"_cp1252}}));
  EXPECT_TRUE(parseChoices("").empty());
  EXPECT_TRUE(parseChoices("#1").empty()) << "a value with no text before it names nothing";
}

TEST(ChoicesTest, ADropListNeedsRowsOrChoicesAndOnlyChoicesTakeAVariable) {
  auto problemsOf = [](const char* control) {
    const std::string json = std::string(R"({"title": "x", "at": [0, 0, 50, 50], "controls": [)") + control + "]}";
    try {
      parseWindowDefinition(QByteArray::fromStdString(json), "x", ControlKinds::standard());
    } catch (const layout::DefinitionError& e) {
      return static_cast<int>(e.problems().size());
    }
    return 0;
  };
  EXPECT_EQ(problemsOf(R"({"label": "?L", "kind": "droplist", "at": [0, 0, 40, 10], "from": "A|#1"})"), 0);
  EXPECT_EQ(problemsOf(R"({"label": "?L", "kind": "droplist", "at": [0, 0, 40, 10]})"), 1);
  EXPECT_EQ(problemsOf(R"({"label": "?L", "kind": "droplist", "at": [0, 0, 40, 10], "format": "20L@s5@",
                          "use": "X"})"),
            1);
  EXPECT_EQ(problemsOf(R"({"label": "?R", "kind": "region", "at": [0, 0, null, null]})"), 1);
}

TEST_F(FormControlsTest, ADropListOfChoicesShowsAndTakesItsVariablesValue) {
  robot.inWindow("Ficha", [this](WindowDriver& w) {
    EXPECT_EQ(w.text("?SEXO"), "FEMENINO");
    EXPECT_EQ(sexList().choices(), (std::vector<std::string>{"MASCULINO", "FEMENINO"}));
    w.chooseRow("?SEXO", 1);
    EXPECT_EQ(sex, 1);
    sex = 7;
    window.display();
    EXPECT_EQ(w.dropSelected("?SEXO"), 0) << "a value that no choice stands for selects none";
    EXPECT_EQ(w.text("?SEXO"), "");
    w.closeBox();
  });
  const std::vector<WindowEvent> events = runUntilClosed();
  const std::vector<WindowEvent> expected = {
      {EventKind::OpenWindow}, {EventKind::NewSelection, 6}, {EventKind::Accepted, 6}, {EventKind::CloseWindow}};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(sex, 7) << "closing takes nothing the user did not choose";
}

TEST(DropListNumbersTest, AChoiceStandsForItsNumberWrittenAnyWayUnderAnyLocale) {
  tests::DecimalCommaLocale comma;
  Locale locale;
  Window window(
      parseWindowDefinition(
          R"({"title": "Escala", "at": [null, null, 120, 40], "centre": true, "systemMenu": true, "controls": [
      {"label": "?ESCALA", "kind": "droplist", "at": [4, 4, 80, 10], "from": "MEDIO|#0.50|ENTERO|#1.0|DOBLE|#2e0",
       "use": "Escala"},
      {"label": "?CERRAR", "kind": "button", "at": [70, 22, 45, 14], "text": "&Cerrar", "std": "close"}]})",
          "escala", ControlKinds::standard()),
      locale);
  double scale = 0.5;
  window.bind("Escala", Variable::of(scale));
  Robot robot;
  robot.inWindow("Escala", [&](WindowDriver& w) {
    EXPECT_EQ(w.text("?ESCALA"), "MEDIO");
    for (const auto& [value, shown] : std::vector<std::pair<double, const char*>>{{1, "ENTERO"}, {2, "DOBLE"}}) {
      scale = value;
      window.display();
      EXPECT_EQ(w.text("?ESCALA"), shown);
    }
    w.chooseRow("?ESCALA", 1);
    EXPECT_EQ(scale, 0.5);
    w.closeBox();
  });
  platform::ui::runUntilClosed(robot, window);
  EXPECT_TRUE(robot.done()) << robot.report();
}

TEST_F(FormControlsTest, AComboOfAFormatDropsItsRowsAndTakesTheChosenText) {
  ASSERT_TRUE(unitCombo().setRows(&units));
  robot.inWindow("Ficha", [this](WindowDriver& w) {
    EXPECT_EQ(w.dropRowCount("?UNIDAD"), 2);
    EXPECT_EQ(w.dropCell("?UNIDAD", 2, 1), "Cálculo");
    EXPECT_EQ(w.dropCell("?UNIDAD", 2, 2), "5");
    w.chooseRow("?UNIDAD", 2);
    EXPECT_EQ(w.text("?UNIDAD"), "Cálculo");
    EXPECT_EQ(unitCombo().selected(), 2);
    EXPECT_EQ(unit.trimmed(), "Cálculo"_cp1252);
    w.type("?UNIDAD", "Al");
    w.press("?CERRAR");
  });
  const std::vector<WindowEvent> events = runUntilClosed();
  // Clearing the text and each of the two letters typed are told at once; leaving accepts it.
  const std::vector<WindowEvent> expected = {{EventKind::OpenWindow},      {EventKind::Accepted, 7},
                                             {EventKind::NewSelection, 7}, {EventKind::NewSelection, 7},
                                             {EventKind::NewSelection, 7}, {EventKind::Accepted, 7},
                                             {EventKind::CloseWindow, 8}};
  EXPECT_EQ(events, expected);
}

TEST_F(FormControlsTest, AComboTakesOnlyCharactersThatRecordsCanHold) {
  robot.inWindow("Ficha", [](WindowDriver& w) {
    w.type("?UNIDAD", "A\u0142g\u20AC");  // ł has no byte in the code page: refused; € has one
    EXPECT_EQ(w.text("?UNIDAD"), "Ag\u20AC");
    w.press("?CERRAR");
  });
  runUntilClosed();
  EXPECT_EQ(unit.trimmed(), "Ag€"_cp1252);
}

TEST_F(FormControlsTest, GroupsAndRegionsLeaveTheMouseToTheControlsTheyCover) {
  robot.inWindow("Ficha", [](WindowDriver& w) {
    for (const char* covered : {"?NOTA", "?SEXO"}) {
      const QRect r = w.geometry(covered);
      EXPECT_EQ(w.window()->childAt(r.center()), w.find(covered)) << covered;
    }
    const QRect group = w.geometry("?GRUPO");
    EXPECT_EQ(w.window()->childAt(group.left() + 2, group.center().y()), w.find("?GRUPO"));
    w.closeBox();
  });
  runUntilClosed();
}

TEST_F(FormControlsTest, UntouchedEntriesKeepTheirValueAndRequiredNumbersMustNotBeZero) {
  robot.inWindow("Ficha", [this](WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?CLAVE") << "a control Tab passes by can still be the first field";
    EXPECT_EQ(w.text("?NOTA"), "80");
    EXPECT_EQ(w.text("?REQUERIDA"), "0000000000");
    EXPECT_EQ(window.firstLackingValue(), window.find("?REQUERIDA")) << "zeros are no key";
    window.update();
    EXPECT_EQ(grade, 79.6) << "the picture's rounding never reaches the variable";
    w.type("?NOTA", "80");
    w.type("?REQUERIDA", "42");
    EXPECT_EQ(window.firstLackingValue(), 0);
    EXPECT_EQ(grade, 80) << "typed over, the same text is the user's value";
    w.closeBox();
  });
  runUntilClosed();
  EXPECT_EQ(required, 42);
}

TEST(BindRecordTest, BindsEveryControlThatUsesAFieldOfTheRecord) {
  const RecordLayout layout({{"ID", FieldType::Long}, {"NOMBRE", FieldType::String, 10}});
  RecordBuffer record(layout);
  record.setLong(0, 7);
  record.setText(1, "Ana"_cp1252);
  Locale locale;
  auto windowUsing = [&](const char* use) {
    return std::make_unique<Window>(
        parseWindowDefinition(
            QByteArray::fromStdString(std::string(R"({"title": "x", "at": [0, 0, 90, 40], "controls": [
          {"label": "?A", "kind": "entry", "at": [0, 0, 40, 10], "picture": "@n3", "use": "mae:id"},
          {"label": "?B", "kind": "entry", "at": [0, 12, 40, 10], "picture": "@s10", "use": ")") +
                                      use + R"("}]})"),
            "x", ControlKinds::standard()),
        locale);
  };
  auto window = windowUsing("MAE:NOMBRE");
  window->bindRecord("MAE", record);
  window->display();
  EXPECT_EQ(window->control("?A").text(), "7");
  EXPECT_EQ(window->control("?B").text(), "Ana");
  EXPECT_THROW(windowUsing("MAE:CLAVE")->bindRecord("MAE", record), std::invalid_argument);
}

TEST_F(FormControlsTest, TheTitleCanBeReplaced) {
  EXPECT_EQ(window.title(), "Ficha");
  window.setTitle("Modificar Calificación");
  robot.inWindow("Modificar Calificación", [](WindowDriver& w) { w.closeBox(); });
  runUntilClosed();
}

}  // namespace
}  // namespace platform::ui
