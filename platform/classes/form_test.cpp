// Forms on real widgets over real data files: a player's form, with its team chosen from a lookup
// drop list over the teams, saved through the players' relation manager.
#include <gtest/gtest.h>

#include "platform/classes/lookup_drop_list.h"
#include "platform/classes/manager_test_support.h"
#include "platform/classes/window_controller.h"
#include "platform/ui/test_robot.h"

namespace platform::testing {
namespace {

using ui::WindowDriver;
using B = MessageButton;
using Rows = std::vector<std::vector<std::int32_t>>;

constexpr const char* kWindow = R"({
  "title": "Jugador", "at": [null, null, 200, 80], "centre": true, "systemMenu": true,
  "controls": [
    {"label": "?NOMBRE:PROMPT", "kind": "prompt", "at": [4, 6, null, null], "text": "Nombre"},
    {"label": "?NOMBRE", "kind": "entry", "at": [40, 6, 100, 10], "picture": "@s20", "use": "PLA:NAME",
     "flags": ["required"]},
    {"label": "?EQUIPO", "kind": "combo", "at": [40, 20, 100, 10], "use": "TEA:NAME",
     "format": "80L(2)@s20@0L@n-7@"},
    {"label": "?DORSAL", "kind": "entry", "at": [40, 34, 30, 10], "picture": "@n3", "use": "PLA:ID",
     "flags": ["readonly", "skip"]},
    {"label": "?OK", "kind": "button", "at": [40, 60, 45, 14], "text": "&Aceptar", "flags": ["default"]},
    {"label": "?CANCEL", "kind": "button", "at": [90, 60, 45, 14], "text": "&Cancelar"}
  ]})";

constexpr int kHistoryKey = static_cast<int>(Qt::Key_H) | static_cast<int>(Qt::ControlModifier);

const RecordLayout& teamRows() {
  static const RecordLayout layout({{"NAME", FieldType::String, 20}, {"ID", FieldType::Long}});
  return layout;
}

// The player's form. It refuses the name "NADIE" by taking the focus back to it.
class PlayerForm : public WindowController {
 public:
  PlayerForm(ui::Window& window, ErrorReporter& reporter, ProcedureCodes codes, ManagedFile& players,
             ManagedFile& teams, RecordBuffer& history)
      : WindowController(window, reporter, "Jugador", codes), players_(players), teams_(teams), teamList(*this) {
    setFirstField("?NOMBRE:PROMPT");
    setUpdateFile(players.file);
    setPrimary(players.relations);
    setOkControl("?OK");
    setCloseControl("?CANCEL", kResponseCancelled);
    setModeTitle(kRequestChange, "Cambiar Jugador");
    setModeTitle(kRequestInsert, "Nuevo Jugador");
    setHistory(kHistoryKey, history);
    addHistoryField("?NOMBRE", kPlayerName + 1);
  }

  bool openFiles() override {
    players_.relations.open();
    teamList.init("?EQUIPO", teams_.relations, rows, kTeamName_);
    teamList.addField("TEA:NAME", "NAME");
    teamList.addField("TEA:ID", "ID");
    teamList.addUpdateField("TEA:ID", players_.data.buffer(), kPlayerTeam);
    return true;
  }
  void closeFiles() override { players_.relations.close(); }

  int takeAccepted() override {
    const int level = WindowController::takeAccepted();
    const std::string label = window().control(event().control).label();
    accepted.push_back(label + (acceptingAll() ? " again" : ""));
    if (label == "?NOMBRE" && players_.data.buffer().getText(kPlayerName).bytes().rfind("NADIE", 0) == 0) select(label);
    return level;
  }
  void reset(bool force) override {
    ++resets;
    WindowController::reset(force);
  }

  std::vector<std::string> accepted;
  int resets = 0;
  ManagedFile& players_;
  ManagedFile& teams_;
  RecordQueue rows{teamRows()};
  LookupDropList teamList;
};

class FormTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    reporter.addMessages({{kMessageLoseChanges, kLevelUser, "M10", "lose?"},
                          {kMessageRetrySave, kLevelUser, "M37", "again?", {B::Yes, B::No, B::Cancel}, B::Cancel}});
    seed(teamDecl, {{1}, {2}, {3}}, {"Lions", "Eagles", "Bears"});
    seed(playerDecl, {{10, 1}, {11, 2}}, {"Ana", "Luis"});
    teams = manage(teamDecl);
    players = manage(playerDecl);
    history.emplace(playerDecl.layout);
  }
  void TearDown() override {
    players.reset();
    teams.reset();
    ManagerTest::TearDown();
  }

  // The player as the caller leaves it for a change, delete or view: read, file still open.
  void load(std::int32_t id) {
    ASSERT_EQ(kLevelBenign, players->file.open());
    players->data.buffer().clear();
    players->data.buffer().setLong(kPlayerId, id);
    ASSERT_EQ(kLevelBenign, players->file.tryFetch(kPlayerPk));
  }
  // Runs the form for a request; returns its response.
  int run(int request) {
    code = static_cast<std::uint8_t>(request);
    int result = 0;
    robot.run([&] {
      ui::Window window(ui::parseWindowDefinition(kWindow, "jugador", ui::ControlKinds::standard()), locale);
      window.bind("PLA:NAME", ui::Variable::ofField(players->data.buffer(), kPlayerName));
      window.bind("PLA:ID", ui::Variable::ofField(players->data.buffer(), kPlayerId));
      window.bind("TEA:NAME", ui::Variable::ofField(teams->data.buffer(), kTeamName));
      PlayerForm form(window, reporter, {code, response, navigation}, *players, *teams, *history);
      this->form = &form;
      result = form.run();
      this->form = nullptr;
      accepted = form.accepted;
      resets = form.resets;
    });
    EXPECT_TRUE(robot.done()) << robot.report();
    return result;
  }
  std::string player(std::int32_t id) {
    storage::Session own(engine, folder.string());
    storage::DataFile data(playerDecl, own);
    data.buffer().setLong(kPlayerId, id);
    if (data.open(storage::kReadOnly) != errors::kNone || data.get(kPlayerPk) != errors::kNone) return "none";
    return std::string(trimRight(data.buffer().textView(kPlayerName).bytes())) + "/" +
           std::to_string(data.buffer().getLong(kPlayerTeam));
  }

  std::unique_ptr<ManagedFile> teams, players;
  std::optional<RecordBuffer> history;  // of the players' layout
  std::uint8_t code = 0, response = 0;
  std::int32_t navigation = 0;
  std::vector<std::string> accepted;
  int resets = 0;
  PlayerForm* form = nullptr;
  ui::Robot robot;
};

TEST_F(FormTest, ChangeSavesTheRecordOnlyWhenItChangedAndClosesCompleted) {
  load(10);
  robot.inWindow("Cambiar Jugador", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?NOMBRE"), "Ana");
    EXPECT_EQ(w.text("?EQUIPO"), "Lions") << "the lookup follows the player's team";
    EXPECT_EQ(w.focusLabel(), "?NOMBRE") << "the first field is the prompt: the focus goes on to its entry";
    w.press("?OK");
  });
  EXPECT_EQ(kResponseCompleted, run(kRequestChange));
  EXPECT_EQ(0, code) << "the form took its request and cleared the code";
  EXPECT_EQ((std::vector<std::string>{"?NOMBRE again", "?EQUIPO again", "?DORSAL again", "?OK"}), accepted)
      << "the pass accepts every input control again, also a read-only one, and leaves the button out";
  EXPECT_EQ(1, resets) << "reset when the window opened, never during the pass";

  robot.inWindow("Cambiar Jugador", [](WindowDriver& w) {
    w.type("?NOMBRE", "Ana Paz");
    w.chooseRow("?EQUIPO", 1);
    EXPECT_EQ(w.text("?EQUIPO"), "Bears");
    w.press("?OK");
  });
  EXPECT_EQ(kResponseCompleted, run(kRequestChange));
  EXPECT_EQ("Ana Paz/3", player(10));
  EXPECT_EQ("Luis/2", player(11));
  EXPECT_EQ("Ana Paz", history->getText(kPlayerName).bytes().substr(0, 7)) << "the history took the saved record";
  players->file.close();
}

TEST_F(FormTest, LosingAChangedRecordIsAskedAndNoKeepsTheFormOpen) {
  load(11);
  robot.inWindow("Cambiar Jugador", [](WindowDriver& w) { w.press("?CANCEL"); });
  EXPECT_EQ(kResponseCancelled, run(kRequestChange));
  EXPECT_TRUE(port.shown().empty()) << "nothing changed: nothing to ask";

  port.answer({B::No, B::Yes});
  robot.inWindow("Cambiar Jugador", [](WindowDriver& w) {
    w.type("?NOMBRE", "Otro");
    w.press("?CANCEL");
  });
  robot.inWindow("Cambiar Jugador", [this](WindowDriver& w) {
    EXPECT_EQ(std::vector<std::string>{"M10"}, captions());
    EXPECT_EQ(w.focusLabel(), "?NOMBRE") << "No: back to the first field";
    w.closeBox();
  });
  EXPECT_EQ(kResponseCancelled, run(kRequestChange));
  EXPECT_EQ((std::vector<std::string>{"M10", "M10"}), captions());
  EXPECT_EQ("Luis/2", player(11)) << "nothing is written";
  players->file.close();
}

TEST_F(FormTest, ThePassStopsAtAnEmptyRequiredEntryAndWhereAHandlerTakesTheFocus) {
  load(10);
  for (const char* name : {"", "NADIE"}) {
    SCOPED_TRACE(std::string("name \"") + name + "\"");
    port.clear();
    port.answer(B::Yes);
    robot.inWindow("Cambiar Jugador", [name](WindowDriver& w) {
      w.type("?NOMBRE", name);
      w.chooseRow("?EQUIPO", 2);
      w.press("?OK");
    });
    robot.inWindow("Cambiar Jugador", [](WindowDriver& w) {
      EXPECT_EQ(w.focusLabel(), "?NOMBRE");
      w.press("?CANCEL");
    });
    EXPECT_EQ(kResponseCancelled, run(kRequestChange));
    EXPECT_EQ(std::find(accepted.begin(), accepted.end(), "?EQUIPO again"), accepted.end()) << "the pass stopped";
    EXPECT_EQ("Ana/1", player(10));
  }
  players->file.close();
}

TEST_F(FormTest, InsertAddsThroughTheFileManagerAndADuplicateKeepsTheFormOpen) {
  players->file.addKey(kPlayerPk, "PLA:PK_ID", true);
  players->file.addKey(kPlayerByName, "PLA:AK_NAME");
  ASSERT_EQ(kLevelBenign, players->file.open());
  ASSERT_EQ(kLevelBenign, players->file.primeRecord());
  robot.inWindow("Nuevo Jugador", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?EQUIPO"), "") << "a team id that no row holds shows nothing";
    w.type("?NOMBRE", "Luis");
    w.chooseRow("?EQUIPO", 2);
    w.press("?OK");
  });
  robot.inWindow("Nuevo Jugador", [this](WindowDriver& w) {
    EXPECT_EQ(std::vector<std::string>{"M15"}, captions());
    w.type("?NOMBRE", "Eva");
    w.press("?OK");
  });
  EXPECT_EQ(kResponseCompleted, run(kRequestInsert));
  EXPECT_EQ("Eva/2", player(12));
  players->file.close();
}

TEST_F(FormTest, DeleteAsksAndNeverShowsTheWindow) {
  load(11);
  port.answer(B::No);
  EXPECT_EQ(kResponseCancelled, run(kRequestDelete));
  EXPECT_EQ("Luis/2", player(11));
  port.answer(B::Yes);
  EXPECT_EQ(kResponseCompleted, run(kRequestDelete));
  EXPECT_EQ("none", player(11));
  EXPECT_EQ((std::vector<std::string>{"M11", "M11"}), captions());
  EXPECT_TRUE(accepted.empty());
  players->file.close();
}

TEST_F(FormTest, ViewSavesNothingAndClosesWithoutAsking) {
  load(10);
  robot.inWindow("Jugador", [](WindowDriver& w) {
    w.type("?NOMBRE", "Cambiado");
    w.press("?OK");
    w.press("?CANCEL");
  });
  EXPECT_EQ(kResponseCancelled, run(kRequestView));
  EXPECT_TRUE(port.shown().empty());
  EXPECT_EQ("Ana/1", player(10));
  EXPECT_EQ((std::vector<std::string>{"?NOMBRE", "?OK", "?CANCEL"}), accepted) << "no pass in view mode";
  players->file.close();
}

TEST_F(FormTest, AFailedSaveOffersToSaveAgain) {
  int refusals = 2;
  players->file.check = [&](int field, bool) {
    return field == kPlayerName + 1 && refusals-- > 0 ? kLevelNotify : kLevelBenign;
  };
  load(10);
  port.answer({B::Yes, B::Yes});  // refused twice, saved at the third try
  robot.inWindow("Cambiar Jugador", [](WindowDriver& w) {
    w.type("?NOMBRE", "Ana Ruiz");
    w.press("?OK");
  });
  EXPECT_EQ(kResponseCompleted, run(kRequestChange));
  EXPECT_EQ((std::vector<std::string>{"M37", "M37"}), captions());
  EXPECT_EQ("Ana Ruiz/1", player(10));

  refusals = 2;
  port.clear();
  port.answer({B::Cancel, B::No});
  robot.inWindow("Cambiar Jugador", [](WindowDriver& w) {
    w.type("?NOMBRE", "Ana Sanz");
    w.press("?OK");
  });
  robot.inWindow("Cambiar Jugador", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?NOMBRE"), "Ana Sanz") << "Cancel keeps the form open as it was";
    w.press("?OK");
  });
  EXPECT_EQ(kResponseCancelled, run(kRequestChange)) << "No gives the save up and closes the form";
  EXPECT_EQ((std::vector<std::string>{"M37", "M37"}), captions());
  EXPECT_EQ("Ana Ruiz/1", player(10));
  players->file.close();
}

TEST_F(FormTest, ARecordChangedByAnotherProgramIsShownAndDittoCallsTheUsersOneBack) {
  load(10);
  robot.inWindow("Cambiar Jugador", [this](WindowDriver& w) {
    w.type("?NOMBRE", "Mía");
    ASSERT_EQ(0, inChild([&] {
                storage::Session other(engine, folder.string());
                storage::DataFile data(playerDecl, other);
                data.buffer().setLong(kPlayerId, 10);
                if (data.open() || data.get(kPlayerPk)) return 1;
                data.buffer().setText(kPlayerName, "Otra"_cp1252);
                return data.put().code();
              }));
    w.press("?OK");
  });
  robot.inWindow("Cambiar Jugador", [this](WindowDriver& w) {
    EXPECT_EQ(std::vector<std::string>{"M8"}, captions());
    EXPECT_EQ(w.text("?NOMBRE"), "Otra") << "the record as the other program stored it";
    w.key(Qt::Key_Apostrophe, Qt::ControlModifier);
  });
  robot.inWindow("Cambiar Jugador", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?NOMBRE"), "Mía");
    w.press("?OK");
  });
  EXPECT_EQ(kResponseCompleted, run(kRequestChange));
  EXPECT_EQ(
      "M\xED"
      "a/1",
      player(10));
  players->file.close();
}

TEST_F(FormTest, TheHistoryKeyPutsTheLastSavedValueBack) {
  load(10);
  robot.inWindow("Cambiar Jugador", [](WindowDriver& w) { w.key(Qt::Key_H, Qt::ControlModifier); });
  robot.inWindow("Cambiar Jugador", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?NOMBRE"), "") << "nothing saved yet: the copy is blank";
    w.type("?NOMBRE", "Ana Paz");
    w.press("?OK");
  });
  EXPECT_EQ(kResponseCompleted, run(kRequestChange));
  players->file.close();
  load(11);
  port.answer(B::Yes);
  robot.inWindow("Cambiar Jugador", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?NOMBRE"), "Luis");
    w.press("?NOMBRE");
    w.key(Qt::Key_H, Qt::ControlModifier);
  });
  robot.inWindow("Cambiar Jugador", [](WindowDriver& w) {
    EXPECT_EQ(w.text("?NOMBRE"), "Ana Paz");
    w.press("?CANCEL");
  });
  EXPECT_EQ(kResponseCancelled, run(kRequestChange));
  EXPECT_EQ(std::vector<std::string>{"M10"}, captions()) << "the history's value changed the record";
  EXPECT_EQ("Luis/2", player(11));
  players->file.close();
}

TEST_F(FormTest, TheLookupTakesATypedTextOrItsStartAndReadsItsRowsAgainWhenForced) {
  load(11);
  robot.inWindow("Cambiar Jugador", [this](WindowDriver& w) {
    EXPECT_EQ(w.dropRowCount("?EQUIPO"), 3);
    EXPECT_EQ(w.dropCell("?EQUIPO", 1, 1), "Bears") << "in the order of the key";
    EXPECT_EQ(w.dropSelected("?EQUIPO"), 2);
    w.type("?EQUIPO", "li");
    w.press("?NOMBRE");
  });
  robot.inWindow("Cambiar Jugador", [this](WindowDriver& w) {
    EXPECT_EQ(w.text("?EQUIPO"), "Lions");
    EXPECT_EQ(players->data.buffer().getLong(kPlayerTeam), 1);
    w.type("?EQUIPO", "Zebras");
    w.press("?NOMBRE");
  });
  robot.inWindow("Cambiar Jugador", [this](WindowDriver& w) {
    EXPECT_EQ(w.text("?EQUIPO"), "Lions") << "a text no row begins with gives the current row back";
    EXPECT_EQ(players->data.buffer().getLong(kPlayerTeam), 1);
    seed(teamDecl, {{4}}, {"Aardvarks"});
    form->reset(true);
    EXPECT_EQ(w.dropRowCount("?EQUIPO"), 4);
    EXPECT_EQ(w.dropCell("?EQUIPO", 1, 1), "Aardvarks");
    EXPECT_EQ(w.text("?EQUIPO"), "Lions");
    w.press("?OK");
  });
  EXPECT_EQ(kResponseCompleted, run(kRequestChange));
  EXPECT_EQ("Luis/1", player(11));
  EXPECT_EQ(0, teams->file.openCount()) << "the lookup closed the teams file";
  players->file.close();
}

}  // namespace
}  // namespace platform::testing
