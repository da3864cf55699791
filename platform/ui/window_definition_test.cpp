#include "platform/ui/window_definition.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include "platform/ui/control.h"

namespace platform::ui {
namespace {

constexpr const char* kGood = R"({
  "label": "P1$WINDOW", "title": "Prueba", "at": [null, null, 200, 80], "centre": true,
  "font": {"name": "MS Sans Serif", "size": 8, "style": "regular"},
  "icon": "lock.ico", "frame": "double", "systemMenu": true, "background": "COLOR:BTNFACE",
  "helpId": "Prueba", "timer": 10,
  "controls": [
    {"label": "?BOX1", "kind": "box", "at": [0, 0, 200, 30], "colour": "FFFFFFh", "fill": "FFFFFFh"},
    {"label": "?PROMPT1", "kind": "prompt", "at": [5, 40, null, null], "text": "Nombre:"},
    {"label": "?NOMBRE", "kind": "entry", "at": [60, 40, 100, 10], "picture": "@s20", "use": "Nombre",
     "flags": ["upper", "required"], "fontColour": "800000h", "font": {"style": "bold"}},
    {"label": "?OK", "kind": "button", "at": [100, 60, 45, 14], "text": "&Aceptar", "flags": ["default"]},
    {"label": "?CANCEL", "kind": "button", "at": [150, 60, 45, 14], "text": "&Cancelar", "std": "close",
     "parent": "?BOX1"}
  ]
})";

bool knownImage(const std::string& name) { return name == "lock.ico" || name == "logo.png"; }

WindowDefinition parse(const std::string& json) {
  return parseWindowDefinition(QByteArray::fromStdString(json), "prueba", ControlKinds::standard(), &knownImage);
}

TEST(WindowDefinitionTest, ReadsTheWindowAndItsControlsInOrder) {
  const WindowDefinition w = parse(kGood);
  EXPECT_EQ(w.name, "prueba");
  EXPECT_EQ(w.label, "P1$WINDOW");
  EXPECT_EQ(w.title, "Prueba");
  EXPECT_FALSE(w.x.has_value());
  EXPECT_EQ(w.width, 200);
  EXPECT_EQ(w.height, 80);
  EXPECT_TRUE(w.centred);
  EXPECT_EQ(w.font.name, "MS Sans Serif");
  EXPECT_EQ(w.font.size, 8);
  EXPECT_EQ(w.icon, "lock.ico");
  EXPECT_EQ(w.frame, Frame::Double);
  EXPECT_TRUE(w.systemMenu);
  EXPECT_FALSE(w.maximizeBox);
  EXPECT_EQ(w.background, static_cast<std::int32_t>(0x8000000Fu));
  EXPECT_EQ(w.helpId, "Prueba");
  EXPECT_EQ(w.timer, 10);
  ASSERT_EQ(w.controls.size(), 5u);

  const ControlDefinition& entry = w.controls[2];
  EXPECT_EQ(entry.number, 3);
  EXPECT_EQ(entry.label, "?NOMBRE");
  EXPECT_EQ(entry.kind, "entry");
  EXPECT_EQ(entry.x, 60);
  EXPECT_EQ(entry.height, 10);
  EXPECT_EQ(entry.text("picture"), "@s20");
  EXPECT_EQ(entry.text("use"), "Nombre");
  EXPECT_TRUE(entry.has("upper"));
  EXPECT_TRUE(entry.has("required"));
  EXPECT_FALSE(entry.has("password"));
  EXPECT_EQ(entry.fontColour, 0x800000);
  ASSERT_TRUE(entry.font.has_value());
  EXPECT_EQ(entry.font->style, layout::FontStyle::Bold);
  EXPECT_EQ(entry.font->size, 8);  // the window's, where the control's font says nothing

  EXPECT_FALSE(w.controls[1].width.has_value());  // a dash: the default size
  EXPECT_EQ(w.controls[0].colour("fill"), 0xFFFFFF);
  EXPECT_EQ(w.controls[4].parent, "?BOX1");
  EXPECT_EQ(w.find("?nombre"), 3);
  EXPECT_EQ(w.find("?NADA"), 0);
}

TEST(WindowDefinitionTest, ReportsEveryMistakeWithWhereItIs) {
  struct Case {
    std::string json;
    std::string problem;
  };
  const std::string frame = R"({"title": "T", "at": [0, 0, 100, 50], "controls": [)";
  const Case cases[] = {
      {"{", "prueba: not JSON"},
      {"[]", "must be a JSON object"},
      {R"({"title": "T"})", "prueba window: \"at\" is missing"},
      {R"({"title": "T", "at": [0, 0, 100]})", "\"at\" must be [x, y, width, height]"},
      {R"({"title": "T", "at": [0, 0, null, 5]})", "the window needs a width and a height"},
      {R"({"title": "T", "at": [0, 0, 10, 5], "colour": "FFh"})", "window: unknown key \"colour\""},
      {R"({"title": "T", "at": [0, 0, 10, 5], "frame": "thick"})", "frame \"thick\""},
      {R"({"title": "T", "at": [0, 0, 10, 5], "icon": "missing.ico"})", "no image \"missing.ico\""},
      {R"({"title": "T", "at": [0, 0, 10, 5], "font": {"style": "heavy"}})", "font style \"heavy\""},
      {R"({"title": "T", "at": [0, 0, 10, 5], "font": {"size": 73}})",
       "window font: \"size\" must be a whole number of points from 1 to 72"},
      {R"({"title": "T", "at": [0, 0, 10, 5], "font": "Arial"})", "window: \"font\" must be an object"},
      {R"({"title": "T", "at": [0, 0, 10, 5], "timer": -1})", "\"timer\" must be a whole number"},
      {R"({"title": 5, "at": [0, 0, 10, 5]})", "\"title\" must be a text"},
      {frame + R"({"label": "X", "kind": "box", "at": [0,0,1,1]}]})", "control 1: the label must be"},
      {frame + R"({"label": "?A", "kind": "slider"}]})", "control 1 (?A): unknown kind \"slider\""},
      {frame + R"({"label": "?A", "kind": "prompt", "text": "a"}, {"label": "?a", "kind": "prompt", "text": "b"}]})",
       "control 2 (?a): the label is used by an earlier control"},
      {frame + R"({"label": "?A", "kind": "entry", "picture": "@q5"}]})", "\"@q5\" is not a picture"},
      {frame + R"({"label": "?A", "kind": "entry"}]})", "an entry needs a picture"},
      {frame + R"({"label": "?A", "kind": "entry", "picture": "@s5", "flags": ["uper"]}]})",
       "a entry takes no flag \"uper\""},
      {frame + R"({"label": "?A", "kind": "prompt", "text": "a", "picture": "@s5"}]})", "unknown key \"picture\""},
      {frame + R"({"label": "?A", "kind": "prompt", "text": "a", "fontColour": "red"}]})",
       "\"fontColour\" is not a colour"},
      {frame + R"({"label": "?A", "kind": "prompt", "text": "a", "parent": "?B"}]})",
       "the parent ?B is not an earlier"},
      {frame + R"({"label": "?A", "kind": "image", "image": "nada.png"}]})", "no image \"nada.png\""},
      {frame + R"({"label": "?A", "kind": "image"}]})", "an image needs \"image\""},
      {frame + R"({"label": "?A", "kind": "box", "at": [0, 0, null, 4]}]})", "a box needs a width and a height"},
      {frame + R"({"label": "?A", "kind": "button", "std": "print"}]})", "standard action \"print\""},
      {frame + R"({"label": "?A", "kind": "list", "at": [0, 0, 50, 40], "format": "20L@s5"}]})",
       "control 1 (?A): list format: a picture is not closed with \"@\" (at 3)"},
      {frame + R"({"label": "?A", "kind": "droplist", "format": "20L@s5@", "drop": 0}]})",
       "\"drop\" must be a number of rows"},
      {frame + R"({"label": "?A", "kind": "tab", "text": "Uno"}]})", "a tab needs its sheet as \"parent\""},
      {frame + R"({"label": "?A", "kind": "sheet"}]})", "a sheet needs a width and a height"},
      {frame + R"({"label": "?A", "kind": "string", "text": "a", "use": "X"}]})", "either its \"text\" or its \"use\""},
      {frame + R"({"label": "?A", "kind": "button", "at": [0, 0, 1.5, 4]}]})", "not a position in dialog units"},
  };
  for (const Case& c : cases) {
    try {
      parse(c.json);
      ADD_FAILURE() << "accepted: " << c.json;
    } catch (const layout::DefinitionError& e) {
      EXPECT_NE(std::string(e.what()).find(c.problem), std::string::npos) << e.what() << "\nwanted: " << c.problem;
    }
  }
}

TEST(WindowDefinitionTest, ListsAllProblemsAtOnce) {
  try {
    parse(R"({"title": "T", "at": [0, 0, 10, 5], "frame": "x", "controls": [{"label": "?A", "kind": "z"}]})");
    FAIL();
  } catch (const layout::DefinitionError& e) {
    EXPECT_EQ(e.problems().size(), 2u) << e.what();
  }
}

TEST(WindowDefinitionTest, AStoredDefinitionThatIsNotThereIsReported) {
  EXPECT_THROW(loadWindowDefinition("no_such_window"), layout::DefinitionError);
}

}  // namespace
}  // namespace platform::ui
