// The browse list on real widgets over real data files: players (with their team joined), read a
// page at a time, scrolled, located, sorted, and changed through the window's update procedure.
#include "platform/classes/browse_list.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "platform/classes/manager_test_support.h"
#include "platform/classes/view_manager.h"
#include "platform/ui/test_robot.h"

namespace platform::testing {
namespace {

using ui::ScrollAction;
using ui::WindowDriver;
using Ids = std::vector<int>;

constexpr const char* kWindow = R"({
  "title": "Jugadores", "at": [null, null, 220, 120], "centre": true, "systemMenu": true,
  "controls": [
    {"label": "?LISTA", "kind": "list", "at": [4, 4, 150, 90], "flags": ["vscroll", "immediate"],
     "format": "30R(2)|M~Id~@n5@80L(2)|M~Nombre~@s20@40L(2)~Equipo~@s10@"},
    {"label": "?CAMBIAR", "kind": "button", "at": [160, 4, 50, 14], "text": "&Cambiar", "flags": ["default"]},
    {"label": "?NUEVO", "kind": "button", "at": [160, 20, 50, 14], "text": "&Nuevo"},
    {"label": "?BORRAR", "kind": "button", "at": [160, 36, 50, 14], "text": "&Borrar"},
    {"label": "?ELEGIR", "kind": "button", "at": [160, 52, 50, 14], "text": "&Elegir"},
    {"label": "?CERRAR", "kind": "button", "at": [160, 100, 50, 14], "text": "&Cerrar", "std": "close"}
  ]})";

const RecordLayout& rowLayout() {
  static const RecordLayout layout(
      {{"PLA:ID", FieldType::Long}, {"PLA:NAME", FieldType::String, 20}, {"TEA:NAME", FieldType::String, 10}});
  return layout;
}

// A browse list that writes down what its hooks were asked.
class RecordingList : public BrowseList {
 public:
  using BrowseList::BrowseList;
  int order = 2;  // the sort order chooseSortOrder asks for
  int prepared = 0;
  std::vector<std::string> log;

 protected:
  bool chooseSortOrder(bool force) override { return setSort(order, force); }
  void prepareRow() override {
    ++prepared;
    BrowseList::prepareRow();
  }
  int fillPage(Direction direction) override {
    const int error = BrowseList::fillPage(direction);
    log.push_back(std::string(direction == Direction::Forward ? "fill forward" : "fill backward") +
                  (error != 0 ? " failed" : ""));
    return error;
  }
  void afterReload() override {
    log.push_back("reload");
    BrowseList::afterReload();
  }
};

// The window procedure: opens the files, sets the list up, and records its update calls.
class Players : public WindowController {
 public:
  Players(ui::Window& window, ErrorReporter& reporter, ProcedureCodes codes, ManagedFile& players, ManagedFile& teams,
          Bindings& names)
      : WindowController(window, reporter, "Jugadores", codes),
        players_(players),
        teams_(teams),
        view(players.file, &names),
        list(*this) {
    view.joinNamed(teams.file, "TEA:PK_ID", "PLA:TEAM");
  }

  bool openFiles() override {
    players_.file.open();
    teams_.file.open();
    view.open();
    list.init("?LISTA", view, rows);
    list.setChangeControl("?CAMBIAR");
    list.setInsertControl("?NUEVO");
    list.setDeleteControl("?BORRAR");
    list.setSelectControl("?ELEGIR");
    list.setUpdateProcedure(7);
    list.addSortOrder();
    list.appendOrder("PLA:NAME,PLA:ID");
    list.setFilter(filter);
    list.setLocator("PLA:NAME", false);
    list.addSortOrder(kPlayerPk);
    list.setNumericStep();
    list.setFilter(filter);
    list.setLocator("PLA:ID", true);
    list.addSortOrder();  // by team, with no locator
    list.appendOrder("PLA:TEAM,PLA:ID");
    list.setFilter(filter);
    list.addField("PLA:ID", "PLA:ID");
    list.addField("PLA:NAME", "PLA:NAME");
    list.addField("TEA:NAME", "TEA:NAME");
    return true;
  }
  void closeFiles() override {
    view.close();
    teams_.file.close();
    players_.file.close();
  }
  int runProcedure(int number, int request) override {
    calls.push_back({number, request, players_.data.buffer().getLong(kPlayerId)});
    if (whenCalled) whenCalled();
    return kResponseCompleted;
  }

  struct Call {
    int number, request, player;
    bool operator==(const Call&) const = default;
    friend void PrintTo(const Call& c, std::ostream* os) {
      *os << "{procedure " << c.number << ", request " << c.request << ", player " << c.player << "}";
    }
  };
  std::vector<Call> calls;
  std::function<void()> whenCalled;
  std::string filter;
  ManagedFile& players_;
  ManagedFile& teams_;
  ViewManager view;
  RecordQueue rows{rowLayout()};
  RecordingList list;
};

class BrowseListTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    reporter.addMessages({{kMessageViewReadFailed, kLevelNotify, "M47", "file=%File error=%ErrorText"}});
    seed(teamDecl, {{1}, {2}}, {"Rojos", "Azules"});
    // Players 1..40; their names run against their ids ("Jugador 960" is player 40); every fifth
    // plays for the blue team.
    std::vector<std::vector<std::int32_t>> players;
    std::vector<std::string> names;
    for (int id = 1; id <= kPlayers; ++id) {
      players.push_back({id, id % 5 == 0 ? 2 : 1});
      names.push_back("Jugador " + std::to_string(1000 - id));
    }
    seed(playerDecl, players, names);
    playerFile = manage(playerDecl);
    teamFile = manage(teamDecl);
    names_.bind("Equipo", team);
    window = std::make_unique<ui::Window>(ui::parseWindowDefinition(kWindow, "jugadores", ui::ControlKinds::standard()),
                                          locale);
    procedure = std::make_unique<Players>(*window, reporter, ProcedureCodes{request, response, navigation}, *playerFile,
                                          *teamFile, names_);
  }
  void TearDown() override {
    procedure.reset();
    window.reset();
    playerFile.reset();
    teamFile.reset();
    ManagerTest::TearDown();
  }

  // The player ids the list shows, top to bottom.
  static Ids shown(WindowDriver& w) {
    Ids ids;
    for (int row = 1; row <= w.rowCount("?LISTA"); ++row) ids.push_back(std::stoi(w.cell("?LISTA", row, 1)));
    return ids;
  }
  static Ids range(int first, int last) {
    Ids ids;
    for (int id = first; id <= last; ++id) ids.push_back(id);
    return ids;
  }
  RecordingList& list() { return procedure->list; }

  void run() {
    robot.run([this] { procedure->run(); });
    EXPECT_TRUE(robot.done()) << robot.report();
  }

  static constexpr int kPlayers = 40;
  std::unique_ptr<ManagedFile> playerFile, teamFile;
  Bindings names_;
  std::int32_t team = 1;
  std::uint8_t request = 0, response = 0;
  std::int32_t navigation = 0;
  std::unique_ptr<ui::Window> window;
  std::unique_ptr<Players> procedure;
  ui::Robot robot;
};

TEST_F(BrowseListTest, ReadsOnlyThePageItShowsAndScrollsThroughTheRest) {
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    const int page = list().visibleRows();
    ASSERT_GE(page, 3);
    ASSERT_LT(3 * page, kPlayers) << "the list must hold fewer rows than the file";
    EXPECT_EQ(shown(w), range(1, page));
    EXPECT_EQ(list().prepared, page) << "only the page is read";
    EXPECT_EQ(list().log, (std::vector<std::string>{"fill forward", "reload"}));
    EXPECT_EQ(w.selectedRow("?LISTA"), 1);
    EXPECT_EQ(w.cell("?LISTA", 2, 3), "Rojos") << "the joined file's field";
    EXPECT_EQ(w.thumb("?LISTA"), 0);

    list().scroll(ScrollAction::SelectDown);
    EXPECT_EQ(w.selectedRow("?LISTA"), 2) << "the selection moves within the page first";
    EXPECT_EQ(shown(w), range(1, page));
    for (int i = 2; i < page; ++i) list().scroll(ScrollAction::SelectDown);
    list().prepared = 0;
    list().scroll(ScrollAction::SelectDown);
    EXPECT_EQ(shown(w), range(2, page + 1)) << "then the page follows it";
    EXPECT_EQ(w.selectedRow("?LISTA"), page);
    EXPECT_EQ(list().prepared, 1) << "one row read";

    list().scroll(ScrollAction::PageDown);
    EXPECT_EQ(shown(w), range(page + 2, 2 * page + 1));
    EXPECT_GT(w.thumb("?LISTA"), 0);
    EXPECT_LT(w.thumb("?LISTA"), 100);
    list().scroll(ScrollAction::RowUp);
    EXPECT_EQ(shown(w), range(page + 1, 2 * page));

    list().scroll(ScrollAction::Bottom);
    EXPECT_EQ(shown(w), range(kPlayers - page + 1, kPlayers));
    EXPECT_EQ(w.selectedRow("?LISTA"), page);
    EXPECT_EQ(w.thumb("?LISTA"), 100);
    list().scroll(ScrollAction::SelectDown);
    list().scroll(ScrollAction::PageDown);
    list().scroll(ScrollAction::RowDown);
    EXPECT_EQ(shown(w), range(kPlayers - page + 1, kPlayers)) << "nothing after the last row";

    list().scroll(ScrollAction::Top);
    EXPECT_EQ(shown(w), range(1, page));
    list().scroll(ScrollAction::PageUp);
    list().scroll(ScrollAction::SelectUp);
    EXPECT_EQ(shown(w), range(1, page)) << "nothing before the first row";
    EXPECT_EQ(w.selectedRow("?LISTA"), 1);
    w.closeBox();
  });
  run();
}

TEST_F(BrowseListTest, TheScrollBarAndTheKeysMoveThePage) {
  robot.inWindow("Jugadores", [](WindowDriver& w) {
    w.clickRow("?LISTA", 1);
    w.key(Qt::Key_PageDown);
    w.scrollArrow("?LISTA", true);
  });
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    const int page = list().visibleRows();
    EXPECT_EQ(shown(w), range(page + 2, 2 * page + 1));
    w.key(Qt::Key_End, Qt::ControlModifier);
  });
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    EXPECT_EQ(shown(w).back(), kPlayers);
    // The thumb at the middle: the step stands for the ids' values, 1 to 40.
    w.dragThumb("?LISTA", 50);
  });
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    const Ids ids = shown(w);
    ASSERT_FALSE(ids.empty());
    EXPECT_NEAR(ids.front(), 1 + (kPlayers - 1) / 2, 2);
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(list().visibleRows()));
    w.closeBox();
  });
  run();
}

TEST_F(BrowseListTest, TheLocatorGoesToTheFirstRowAtOrAfterWhatWasTyped) {
  robot.inWindow("Jugadores", [](WindowDriver& w) {
    w.clickRow("?LISTA", 1);
    w.typeHere("23");
  });
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    EXPECT_EQ(shown(w).front(), 23);
    EXPECT_EQ(w.selectedRow("?LISTA"), 1);
    w.typeHere("9");  // 239: after the last id
  });
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    EXPECT_EQ(shown(w).back(), kPlayers) << "nothing at or after it: the last page";
    list().order = 1;  // by name, located without regard to case
    procedure->reset(false);
    EXPECT_EQ(shown(w).front(), kPlayers) << "\"Jugador 960\" first";
    w.clickRow("?LISTA", 1);
    w.typeHere("jugador 97");
  });
  robot.inWindow("Jugadores", [](WindowDriver& w) {
    EXPECT_EQ(shown(w).front(), 30) << "\"Jugador 970\"";
    w.closeBox();
  });
  run();
}

// Where the located record falls: the list's rows, what is typed, and the record the locator must
// select (and the change button then hand the update procedure).
struct LocatorCase {
  const char* where;
  const char* filter;  // "Equipo" is bound to `team`
  std::int32_t team;
  const char* typed;
  int found;
  bool byEnter;  // Enter (the default button) rather than a click on the change button
  friend void PrintTo(const LocatorCase& c, std::ostream* os) { *os << c.where << " \"" << c.typed << "\""; }
};

class BrowseListLocatorTest : public BrowseListTest, public ::testing::WithParamInterface<LocatorCase> {};

TEST_P(BrowseListLocatorTest, SelectsTheRecordItFoundAndTheChangeButtonTakesIt) {
  const LocatorCase& c = GetParam();
  procedure->filter = c.filter;
  team = c.team;
  robot.inWindow("Jugadores", [&c](WindowDriver& w) {
    w.clickRow("?LISTA", 2);
    w.typeHere(c.typed);
  });
  robot.inWindow("Jugadores", [this, &c](WindowDriver& w) {
    const int row = w.selectedRow("?LISTA");
    ASSERT_GE(row, 1);
    EXPECT_EQ(std::stoi(w.cell("?LISTA", row, 1)), c.found) << "the page shows " << ::testing::PrintToString(shown(w));
    EXPECT_EQ(list().selected(), row);
    if (c.byEnter)
      w.key(Qt::Key_Return);
    else
      w.press("?CAMBIAR");
  });
  robot.inWindow("Jugadores", [](WindowDriver& w) { w.closeBox(); });
  run();
  EXPECT_EQ(procedure->calls, (std::vector<Players::Call>{{7, kRequestChange, c.found}}));
}

INSTANTIATE_TEST_SUITE_P(WhereverThePageFalls, BrowseListLocatorTest,
                         ::testing::Values(LocatorCase{"ShorterThanAPage", "PLA:ID<=Equipo", 5, "4", 4, false},
                                           LocatorCase{"OnTheFirstPage", "", 0, "3", 3, true},
                                           LocatorCase{"BetweenPages", "", 0, "20", 20, false},
                                           LocatorCase{"OnTheLastPageRefilledFromAbove", "", 0, "37", 37, true},
                                           LocatorCase{"TheLastRow", "", 0, "40", 40, false},
                                           LocatorCase{"NoExactMatchTheNextOne", "PLA:TEAM=Equipo", 2, "23", 25, false},
                                           LocatorCase{"NoExactMatchNearTheEnd", "PLA:TEAM=Equipo", 2, "36", 40, true},
                                           LocatorCase{"NothingAtOrAfterItTheLastRow", "", 0, "41", 40, false}),
                         [](const ::testing::TestParamInfo<LocatorCase>& info) {
                           return std::string(info.param.where);
                         });

TEST_F(BrowseListTest, WhatIsTypedAfterAnyOtherMoveLocatesAfresh) {
  const auto selectedId = [](WindowDriver& w) { return std::stoi(w.cell("?LISTA", w.selectedRow("?LISTA"), 1)); };
  robot.inWindow("Jugadores", [](WindowDriver& w) {
    // Typed at once, as fast typing does: each key is there before the list has handled the last.
    w.clickRow("?LISTA", 1);
    w.typeHere("37");
    w.key(Qt::Key_Down);
    w.typeHere("12");
  });
  robot.inWindow("Jugadores", [&](WindowDriver& w) {
    EXPECT_EQ(selectedId(w), 12);
    w.clickRow("?LISTA", 3);
    w.typeHere("5");
  });
  robot.inWindow("Jugadores", [&](WindowDriver& w) {
    EXPECT_EQ(selectedId(w), 5);
    w.key(Qt::Key_Return);  // the change button, and the page read again
  });
  robot.inWindow("Jugadores", [](WindowDriver& w) { w.typeHere("9"); });
  robot.inWindow("Jugadores", [&](WindowDriver& w) {
    EXPECT_EQ(selectedId(w), 9);
    w.closeBox();
  });
  run();
  EXPECT_EQ(procedure->calls, (std::vector<Players::Call>{{7, kRequestChange, 5}}));
}

TEST_F(BrowseListTest, TypingIntoAnOrderWithoutALocatorLeavesTheSelection) {
  list().order = 3;
  robot.inWindow("Jugadores", [](WindowDriver& w) {
    w.clickRow("?LISTA", 1);
    w.key(Qt::Key_PageDown);
  });
  robot.inWindow("Jugadores", [](WindowDriver& w) { w.clickRow("?LISTA", 3); });
  Ids before;
  robot.inWindow("Jugadores", [this, &before](WindowDriver& w) {
    before = shown(w);
    ASSERT_FALSE(before.empty());
    EXPECT_NE(before.front(), 1) << "a page past the first";
    EXPECT_EQ(w.selectedRow("?LISTA"), 3);
    list().log.clear();
    w.typeHere("j1");
  });
  robot.inWindow("Jugadores", [this, &before](WindowDriver& w) {
    EXPECT_EQ(shown(w), before);
    EXPECT_EQ(w.selectedRow("?LISTA"), 3);
    EXPECT_TRUE(list().log.empty()) << "nothing read again";
    w.key(Qt::Key_Backspace);
  });
  robot.inWindow("Jugadores", [&before](WindowDriver& w) {
    EXPECT_EQ(shown(w), before);
    EXPECT_EQ(w.selectedRow("?LISTA"), 3);
    w.closeBox();
  });
  run();
}

TEST_F(BrowseListTest, AListMadeHigherAtItsEndKeepsTheSelectedRecord) {
  robot.inWindow("Jugadores", [](WindowDriver& w) { w.key(Qt::Key_End, Qt::ControlModifier); });
  robot.inWindow("Jugadores", [](WindowDriver& w) {
    w.clickRow("?LISTA", w.rowCount("?LISTA") - 1);  // player 39
    QWidget* view = w.find("?LISTA");
    view->resize(view->width(), view->height() * 2);
  });
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    EXPECT_EQ(w.rowCount("?LISTA"), list().visibleRows());
    EXPECT_EQ(shown(w).back(), kPlayers) << "filled from above";
    EXPECT_EQ(w.cell("?LISTA", w.selectedRow("?LISTA"), 1), "39");
    w.closeBox();
  });
  run();
}

TEST_F(BrowseListTest, SortOrdersReloadWhenChangedOrForcedAndFilterByTheirVariables) {
  procedure->filter = "PLA:TEAM=Equipo";
  team = 2;
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    const Ids blue = {5, 10, 15, 20, 25, 30, 35, 40};
    const auto page = std::min(blue.size(), static_cast<std::size_t>(list().visibleRows()));
    EXPECT_EQ(shown(w), Ids(blue.begin(), blue.begin() + static_cast<std::ptrdiff_t>(page)));
    EXPECT_EQ(w.cell("?LISTA", 1, 3), "Azules");
    list().log.clear();
    EXPECT_FALSE(procedure->list.setSort(2, false)) << "the same order, not forced";
    EXPECT_TRUE(list().log.empty());
    list().order = 1;
    procedure->reset(false);
    EXPECT_EQ(shown(w).front(), 40) << "by name: \"Jugador 960\" first";
    EXPECT_EQ(list().log, (std::vector<std::string>{"fill forward", "reload"}));
    team = 1;  // the filter reads the variable when the list reloads, so only a forced reset shows it
    procedure->reset(false);
    EXPECT_EQ(shown(w).front(), 40);
    procedure->reset(true);
    EXPECT_EQ(shown(w).front(), 39);
    w.closeBox();
  });
  run();
}

TEST_F(BrowseListTest, TheButtonsAskTheUpdateProcedureWithTheSelectedRecord) {
  procedure->whenCalled = [this] { EXPECT_TRUE(list().log.empty()) << "the list reads nothing before the call"; };
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    list().log.clear();
    w.clickRow("?LISTA", 3);
    w.press("?CAMBIAR");
  });
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    EXPECT_EQ(list().log, (std::vector<std::string>{"fill forward", "reload"})) << "the page read again";
    list().log.clear();
    w.doubleClickRow("?LISTA", 2);
  });
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    list().log.clear();
    w.clickRow("?LISTA", 4);
    w.key(Qt::Key_Return, Qt::ControlModifier);
  });
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    list().log.clear();
    w.contextMenu("?LISTA", 1, "&Borrar");
  });
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    list().log.clear();
    w.contextMenu("?LISTA", 2, "&Nuevo");
  });
  robot.inWindow("Jugadores", [](WindowDriver& w) { w.contextMenu("?LISTA", 5, "&Elegir"); });
  run();
  using Call = Players::Call;
  // A new record is primed by the file manager: cleared (this file has no numbered key).
  const std::vector<Call> expected = {{7, kRequestChange, 3},
                                      {7, kRequestChange, 2},
                                      {7, kRequestChange, 4},
                                      {7, kRequestDelete, 1},
                                      {7, kRequestInsert, 0}};
  EXPECT_EQ(procedure->calls, expected);
  EXPECT_EQ(procedure->response(), kResponseCompleted) << "chosen";
  EXPECT_EQ(playerFile->data.buffer().getLong(kPlayerId), 5) << "the chosen record is in the buffer";
}

TEST_F(BrowseListTest, ARecordGoneSinceThePageWasReadIsNotChanged) {
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    w.clickRow("?LISTA", 2);
    // Another connection (as another program would) deletes player 2.
    storage::Session own(engine, folder.string());
    storage::DataFile data(playerDecl, own);
    ASSERT_THAT(data.open(), IsOk());
    data.buffer().setLong(kPlayerId, 2);
    ASSERT_THAT(data.get(kPlayerPk), IsOk());
    ASSERT_THAT(data.erase(), IsOk());
    w.press("?CAMBIAR");
  });
  robot.inWindow("Jugadores", [](WindowDriver& w) {
    EXPECT_EQ(shown(w).front(), 1);
    EXPECT_EQ(w.cell("?LISTA", 2, 1), "3") << "the page shows what is there now";
    w.closeBox();
  });
  run();
  EXPECT_TRUE(procedure->calls.empty());
}

TEST_F(BrowseListTest, AFailedReadIsReportedAndClosesTheWindow) {
  procedure->filter = "PLA:TEAM=Nadie";  // a name nobody bound: every read fails
  run();
  ASSERT_EQ(port.shown().size(), 1u);
  EXPECT_EQ(port.last().caption, "M47");
  EXPECT_NE(port.last().text.find("file=PLAYER"), std::string::npos) << port.last().text;
  EXPECT_EQ(list().log, (std::vector<std::string>{"fill forward failed"})) << "the fill's hook runs all the same";
  EXPECT_TRUE(window->isClosed());
}

TEST_F(BrowseListTest, AHigherListReadsMoreRows) {
  robot.inWindow("Jugadores", [](WindowDriver& w) {
    QWidget* view = w.find("?LISTA");
    view->resize(view->width(), view->height() * 2);
  });
  robot.inWindow("Jugadores", [this](WindowDriver& w) {
    EXPECT_EQ(w.rowCount("?LISTA"), list().visibleRows());
    EXPECT_EQ(shown(w).front(), 1);
    w.closeBox();
  });
  run();
}

}  // namespace
}  // namespace platform::testing
