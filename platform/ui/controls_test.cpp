// The list, drop list, sheet and tabs, group and text controls on real widgets, driven by the robot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>

#include "platform/core/cp1252_text.h"
#include "platform/core/record_queue.h"
#include "platform/layout/colour.h"
#include "platform/ui/controls/drop_list_control.h"
#include "platform/ui/controls/list_control.h"
#include "platform/ui/controls/sheet_control.h"
#include "platform/ui/test_robot.h"
#include "platform/ui/window.h"

namespace platform::ui {
namespace {

constexpr const char* kWindow = R"({
  "title": "Controles", "at": [null, null, 260, 172], "centre": true, "systemMenu": true,
  "controls": [
    {"label": "?LISTA", "kind": "list", "at": [6, 6, 200, 70], "flags": ["vscroll", "hscroll"],
     "format": "0R(2)~ID~@n-6@60L(2)|_M*~Nombre~@s10@30C|~Nota~R(1)@n3@"},
    {"label": "?CAMBIAR", "kind": "button", "at": [210, 6, 45, 14], "text": "&Cambiar", "flags": ["default"]},
    {"label": "?BORRAR", "kind": "button", "at": [210, 22, 45, 14], "text": "&Borrar", "flags": ["disabled"]},
    {"label": "?PARES", "kind": "droplist", "at": [6, 82, 120, 10], "drop": 5,
     "format": "0L@n-6@80L(2)|M~Descripcion~@s20@40L(2)~Grupo~@s6@"},
    {"label": "?HOJA", "kind": "sheet", "at": [2, 96, 256, 72]},
    {"label": "?TAB:1", "kind": "tab", "parent": "?HOJA", "text": "Uno"},
    {"label": "?EN_UNO", "kind": "prompt", "parent": "?TAB:1", "at": [20, 120, null, null], "text": "En la uno"},
    {"label": "?TAB:2", "kind": "tab", "parent": "?HOJA", "text": "Dos"},
    {"label": "?GRUPO", "kind": "group", "at": [6, 148, 200, 20], "text": "Cuentas"},
    {"label": "?TOTAL", "kind": "string", "at": [12, 156, 40, 10], "use": "Total", "picture": "@N3",
     "flags": ["right"], "font": {"style": "bold"}, "fontColour": "800000h"},
    {"label": "?ETIQUETA", "kind": "string", "at": [60, 156, null, null], "text": "Con Calificación"},
    {"label": "?AYUDA", "kind": "button", "at": [210, 40, 45, 14], "text": "Ay&uda", "std": "help"},
    {"label": "?CERRAR", "kind": "button", "at": [210, 150, 45, 14], "text": "&Cerrar", "std": "close"}
  ]})";

// Rows: an id, a name with its four colours, a grade.
const RecordLayout& rowLayout() {
  static const RecordLayout layout({{"ID", FieldType::Long},
                                    {"NOMBRE", FieldType::String, 20},
                                    {"NOMBRE_NFG", FieldType::Long},
                                    {"NOMBRE_NBG", FieldType::Long},
                                    {"NOMBRE_SFG", FieldType::Long},
                                    {"NOMBRE_SBG", FieldType::Long},
                                    {"NOTA", FieldType::Real}});
  return layout;
}

const RecordLayout& pairLayout() {
  static const RecordLayout layout(
      {{"ID", FieldType::Long}, {"DESCRIPCION", FieldType::String, 30}, {"GRUPO", FieldType::String, 6}});
  return layout;
}

class ControlsTest : public ::testing::Test {
 protected:
  ControlsTest() : window(parseWindowDefinition(kWindow, "controles", ControlKinds::standard()), locale) {
    window.bind("Total", Variable::of(total));
    addRow(1, "Ana Ruiz", 0x0000FF, 0xD0DEDE, 95.5);
    addRow(2, "Luis Soto", -1, 0xE8EEEE, 0);
    addRow(3, "Eva Paz", -1, -1, 70.4);
    for (const auto& [id, description, group] :
         std::vector<std::tuple<int, const char*, const char*>>{{7, "Derecho", "1A"}, {9, "Ingeniería", "2B"}}) {
      pairs.buffer().setLong(0, id);
      pairs.buffer().setText(1, Cp1252Text::fromUtf8(description).value());
      pairs.buffer().setText(2, Cp1252Text::fromUtf8(group).value());
      pairs.append();
    }
  }

  void addRow(int id, const char* name, std::int32_t text, std::int32_t background, double grade) {
    RecordBuffer& row = rows.buffer();
    row.setLong(0, id);
    row.setText(1, Cp1252Text::fromUtf8(name).value());
    row.setLong(2, text);
    row.setLong(3, background);
    row.setLong(4, text);
    row.setLong(5, -1);
    row.setReal(6, grade);
    rows.append();
  }

  ListControl& list() { return dynamic_cast<ListControl&>(window.control("?LISTA")); }
  DropListControl& drop() { return dynamic_cast<DropListControl&>(window.control("?PARES")); }
  SheetControl& sheet() { return dynamic_cast<SheetControl&>(window.control("?HOJA")); }

  // Opens the window and takes its events until a close request, which it grants.
  std::vector<WindowEvent> runUntilClosed() {
    std::vector<WindowEvent> events = platform::ui::runUntilClosed(robot, window);
    EXPECT_TRUE(robot.done()) << robot.report();
    return events;
  }

  Locale locale;
  Window window;
  std::int32_t total = 5;
  RecordQueue rows{rowLayout()};
  RecordQueue pairs{pairLayout()};
  Robot robot;
};

TEST_F(ControlsTest, AListShowsItsQueueInTheFormatsColumns) {
  ASSERT_TRUE(list().setRows(&rows));
  list().select(2);
  robot.inWindow("Controles", [](WindowDriver& w) {
    EXPECT_EQ(w.rowCount("?LISTA"), 3);
    EXPECT_EQ(w.header("?LISTA", 2), "Nombre");
    EXPECT_EQ(w.header("?LISTA", 3), "Nota");
    EXPECT_EQ(w.cell("?LISTA", 1, 1), "1") << "a hidden column still holds its field";
    EXPECT_EQ(w.cell("?LISTA", 1, 2), "Ana Ruiz");
    EXPECT_EQ(w.cell("?LISTA", 1, 3), "96");
    EXPECT_EQ(w.cell("?LISTA", 2, 3), "0");
    EXPECT_EQ(w.cell("?LISTA", 3, 3), "70");
    // The coloured column paints the row's colours; the other keeps the list's own.
    EXPECT_EQ(w.cellColours("?LISTA", 1, 2), (CellColours{0x0000FF, 0xD0DEDE, 0x0000FF, -1}));
    EXPECT_EQ(w.shownBackground("?LISTA", 1, 2), 0xD0DEDE);
    EXPECT_EQ(w.shownText("?LISTA", 1, 2), 0x0000FF);
    EXPECT_EQ(w.shownBackground("?LISTA", 3, 2), layout::fromQColor(QApplication::palette().color(QPalette::Base)));
    EXPECT_EQ(w.shownBackground("?LISTA", 1, 3), layout::fromQColor(QApplication::palette().color(QPalette::Base)));
    // The selected row: its own selected colours where it has them, the highlight elsewhere.
    EXPECT_EQ(w.selectedRow("?LISTA"), 2);
    const std::int32_t highlight = layout::fromQColor(QApplication::palette().color(QPalette::Highlight));
    EXPECT_EQ(w.shownBackground("?LISTA", 2, 2), highlight);
    EXPECT_EQ(w.shownBackground("?LISTA", 2, 3), highlight);
    w.clickRow("?LISTA", 3);
    EXPECT_EQ(w.selectedRow("?LISTA"), 3);
    w.closeBox();
  });
  const std::vector<WindowEvent> events = runUntilClosed();
  const std::vector<WindowEvent> expected = {
      {EventKind::OpenWindow}, {EventKind::NewSelection, 1}, {EventKind::CloseWindow}};
  EXPECT_EQ(events, expected);

  const RecordLayout wrong({{"ID", FieldType::Long}, {"NOMBRE", FieldType::String, 20}});
  RecordQueue short_(wrong);
  std::string problem;
  EXPECT_FALSE(list().setRows(&short_, &problem));
  EXPECT_EQ(problem, "column 2 is coloured, but field 3 is not a LONG");
  EXPECT_EQ(list().rows(), &rows) << "a queue that does not fit is not attached";
}

TEST_F(ControlsTest, AListReportsScrollingTypingAndPressesItsButtons) {
  ASSERT_TRUE(list().setRows(&rows));
  list().setActivateControl(2);
  list().setMenuControls({2, 3});
  robot.inWindow("Controles", [this](WindowDriver& w) {
    w.clickRow("?LISTA", 1);
    w.key(Qt::Key_Down);
    w.key(Qt::Key_PageDown);
    w.key(Qt::Key_End, Qt::ControlModifier);
    w.key(Qt::Key_Home);
    w.scrollArrow("?LISTA", true);
    w.typeHere("ab");
    EXPECT_EQ(list().locatorText(), "ab"_cp1252);
    w.key(Qt::Key_Backspace);
    EXPECT_EQ(list().locatorText(), "a"_cp1252);
    w.doubleClickRow("?LISTA", 2);
    w.key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_THROW(w.contextMenu("?LISTA", 3, "&Borrar"), RobotError) << "a disabled button's entry";
    w.contextMenu("?LISTA", 3, "&Cambiar");
    w.closeBox();
  });
  const std::vector<WindowEvent> events = runUntilClosed();
  auto scroll = [](ScrollAction action) { return WindowEvent{EventKind::Scroll, 1, static_cast<int>(action)}; };
  const std::vector<WindowEvent> expected = {
      {EventKind::OpenWindow},        {EventKind::NewSelection, 1}, scroll(ScrollAction::SelectDown),
      scroll(ScrollAction::PageDown), scroll(ScrollAction::Bottom), scroll(ScrollAction::Top),
      scroll(ScrollAction::RowDown),  scroll(ScrollAction::Locate), scroll(ScrollAction::Locate),
      scroll(ScrollAction::Locate),   {EventKind::NewSelection, 1}, {EventKind::Accepted, 2},
      {EventKind::Accepted, 2},       {EventKind::NewSelection, 1}, {EventKind::NewSelection, 1},
      {EventKind::Accepted, 2},       {EventKind::CloseWindow}};
  EXPECT_EQ(events, expected);
}

TEST_F(ControlsTest, ADropListShowsItsRowsAndTheChosenOne) {
  ASSERT_TRUE(drop().setRows(&pairs));
  EXPECT_EQ(drop().selected(), 0);
  drop().select(1);
  robot.inWindow("Controles", [this](WindowDriver& w) {
    EXPECT_EQ(w.dropRowCount("?PARES"), 2);
    EXPECT_EQ(w.dropCell("?PARES", 2, 2), "Ingeniería");
    EXPECT_EQ(w.dropCell("?PARES", 2, 3), "2B");
    EXPECT_EQ(w.text("?PARES"), "Derecho") << "the box's text is its first shown column";
    w.chooseRow("?PARES", 2);
    EXPECT_EQ(w.dropSelected("?PARES"), 2);
    EXPECT_EQ(w.text("?PARES"), "Ingeniería");
    EXPECT_EQ(drop().selected(), 2);
    w.closeBox();
  });
  const std::vector<WindowEvent> events = runUntilClosed();
  const std::vector<WindowEvent> expected = {
      {EventKind::OpenWindow}, {EventKind::NewSelection, 4}, {EventKind::CloseWindow}};
  EXPECT_EQ(events, expected);
  drop().refresh();
  EXPECT_EQ(drop().selected(), 2) << "a refresh keeps the selection";
  pairs.free();
  drop().refresh();
  EXPECT_EQ(drop().rowCount(), 0);
  EXPECT_EQ(drop().selected(), 0);
}

// Two groups of one programme: once chosen, the closed box tells them apart, showing each shown
// column where the drop-down shows it.
TEST_F(ControlsTest, AClosedDropListShowsTheChosenRowsColumns) {
  pairs.buffer().setLong(0, 9);
  pairs.buffer().setText(2, "2C"_cp1252);
  pairs.append();
  ASSERT_TRUE(drop().setRows(&pairs));
  const int groupColumn = window.units().toPixelsX(80);  // after the hidden id, Descripcion's width
  robot.inWindow("Controles", [&](WindowDriver& w) {
    for (int row : {2, 3}) {
      w.chooseRow("?PARES", row);
      const std::vector<PaintedText> runs = w.painted("?PARES");
      std::vector<std::string> texts;
      for (const PaintedText& run : runs) texts.push_back(run.text);
      EXPECT_EQ(texts, (std::vector<std::string>{"Ingeniería", w.dropCell("?PARES", row, 3)})) << "row " << row;
      if (runs.size() != 2) continue;
      EXPECT_LT(runs[0].at.x(), groupColumn);
      EXPECT_GE(runs[1].at.x(), groupColumn) << "the group stands in its own column";
    }
    EXPECT_EQ(w.text("?PARES"), "Ingeniería") << "the box's text is still its first shown column";
    w.closeBox();
  });
  runUntilClosed();
}

TEST_F(ControlsTest, TabsHoldTheirControlsAtWindowPositionsAndTheSheetLiesBeneath) {
  const DialogUnits& du = window.units();
  QWidget* onTab = window.control("?EN_UNO").widget();
  EXPECT_EQ(QRect(onTab->mapTo(window.handle(), QPoint(0, 0)), onTab->size()).topLeft(),
            QPoint(du.toPixelsX(20), du.toPixelsY(120)))
      << "placed before the window shows";
  robot.inWindow("Controles", [&](WindowDriver& w) {
    EXPECT_EQ(onTab->mapTo(w.window(), QPoint(0, 0)), QPoint(du.toPixelsX(20), du.toPixelsY(120)))
        << "and still there once shown";
    EXPECT_EQ(w.selectedTab("?HOJA"), 1);
    EXPECT_TRUE(w.isVisible("?EN_UNO"));
    EXPECT_EQ(w.text("?TAB:2"), "Dos");
    // The group lies on the sheet's area and is not hidden by it.
    const QRect group = w.geometry("?GRUPO");
    EXPECT_EQ(w.window()->childAt(group.left() + 2, group.center().y()), w.find("?GRUPO"));
    w.selectTab("?HOJA", 2);
    EXPECT_EQ(sheet().selectedTab(), 2);
    EXPECT_FALSE(w.isVisible("?EN_UNO"));
    sheet().selectTab(1);  // the program's choice posts nothing
    w.closeBox();
  });
  const std::vector<WindowEvent> events = runUntilClosed();
  const std::vector<WindowEvent> expected = {
      {EventKind::OpenWindow}, {EventKind::NewSelection, 5}, {EventKind::CloseWindow}};
  EXPECT_EQ(events, expected);
}

TEST_F(ControlsTest, TextsShowConstantsAndVariablesThroughTheirPicture) {
  robot.inWindow("Controles", [this](WindowDriver& w) {
    EXPECT_EQ(w.text("?TOTAL"), "5") << "the picture's blanks are left to the alignment";
    EXPECT_EQ(w.text("?ETIQUETA"), "Con Calificación");
    EXPECT_EQ(w.text("?GRUPO"), "Cuentas");
    EXPECT_EQ(w.fontColour("?TOTAL"), 0x800000);
    auto* label = qobject_cast<QLabel*>(w.find("?TOTAL"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->font().bold());
    EXPECT_TRUE(label->alignment() & Qt::AlignRight);
    total = 1234;
    window.display();
    EXPECT_EQ(w.text("?TOTAL"), "###") << "too wide for @N3";
    window.update();
    EXPECT_EQ(total, 1234) << "a text only shows its variable: the window's update leaves it alone";
    window.control("?ETIQUETA").setText("Sin Calificación");
    EXPECT_EQ(w.text("?ETIQUETA"), "Sin Calificación");
    w.press("?AYUDA");  // no help id: nothing to show
    w.press("?CERRAR");
  });
  const std::vector<WindowEvent> events = runUntilClosed();
  const std::vector<WindowEvent> expected = {{EventKind::OpenWindow}, {EventKind::CloseWindow, 13}};
  EXPECT_EQ(events, expected);
}

TEST(TextSizeTest, TextOnAVariableIsAsWideAsItsPictureByDefault) {
  Locale locale;
  Window window(parseWindowDefinition(R"({"title": "Ancho", "at": [null, null, 200, 40], "controls": [
    {"label": "?POR", "kind": "string", "at": [10, 10, null, null], "use": "Por", "picture": "s20", "flags": ["centre"]},
    {"label": "?FIJO", "kind": "string", "at": [10, 24, null, null], "text": "Archivo:"}]})",
                                      "ancho", ControlKinds::standard()),
                locale);
  EXPECT_EQ(window.control("?POR").widget()->width(), window.units().toPixelsX(80)) << "20 positions of 4 units";
  auto* fixed = qobject_cast<QLabel*>(window.control("?FIJO").widget());
  EXPECT_EQ(fixed->width(), fixed->sizeHint().width()) << "a constant text keeps its own width";
}

}  // namespace
}  // namespace platform::ui
