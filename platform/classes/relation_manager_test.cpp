#include "platform/classes/relation_manager.h"

#include "platform/classes/manager_test_support.h"

namespace platform::testing {
namespace {

using B = MessageButton;
using Rows = std::vector<std::vector<std::int32_t>>;

// Teams are the parents of players, players of goals; the modes of both relations are the test's.
class RelationManagerTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    port.clear();
    seed(teamDecl, {{1}, {2}}, {"Lions", "Tigers"});
    seed(playerDecl, {{10, 1}, {11, 1}, {20, 2}}, {"Ann", "Bo", "Cy"});
    seed(goalDecl, {{100, 10, 1}, {101, 10, 2}, {110, 11, 1}});
    team = manage(teamDecl);
    player = manage(playerDecl);
    goal = manage(goalDecl);
    team->file.addKey(kTeamPk, "TEA:PK_ID", true);
    player->file.addKey(kPlayerPk, "PLA:PK_ID", true);
    goal->file.addKey(kGoalPk, "GOA:PK_ID", true);
    team->relations.relationsToAdd = [this](RelationManager& rm) {
      rm.addRelation(player->relations, teamUpdate, teamDelete, kPlayerByTeam);
      rm.addField(kTeamId, kPlayerTeam);
    };
    player->relations.relationsToAdd = [this](RelationManager& rm) {
      rm.addRelation(team->relations);
      rm.addRelation(goal->relations, playerUpdate, playerDelete, kGoalByPlayer);
      rm.addField(kPlayerId, kGoalPlayer);
    };
    goal->relations.relationsToAdd = [this](RelationManager& rm) { rm.addRelation(player->relations); };
  }

  void TearDown() override {
    goal.reset();
    player.reset();
    team.reset();
    ManagerTest::TearDown();
  }

  // Reads a record into the manager's buffer, as a form does before a change.
  static void readRecord(ManagedFile& file, int key, std::int32_t id) {
    ASSERT_EQ(kLevelBenign, file.relations.open());
    file.file.buffer().clear();
    file.file.buffer().setLong(0, id);
    ASSERT_EQ(kLevelBenign, file.file.tryFetch(key));
    file.relations.rememberLinkingValues();
  }

  int teamUpdate = kRelationCascade, teamDelete = kRelationRestrict;
  int playerUpdate = kRelationCascade, playerDelete = kRelationRestrict;
  std::unique_ptr<ManagedFile> team, player, goal;
};

TEST_F(RelationManagerTest, PlainOpenReachesTheDirectRelationsOnly) {
  ASSERT_EQ(kLevelBenign, player->relations.open());
  EXPECT_EQ(1, player->relations.registrations);
  EXPECT_EQ(0, team->relations.registrations);
  EXPECT_EQ(0, goal->relations.registrations);
  for (ManagedFile* f : {team.get(), player.get(), goal.get()}) EXPECT_EQ(1, f->file.openCount());
  EXPECT_TRUE(player->file.isPhysicallyOpen());  // the starting file is used at once
  EXPECT_FALSE(team->file.isPhysicallyOpen());

  // A walk from another file goes on through files whose relations are registered already.
  ASSERT_EQ(kLevelBenign, goal->relations.open());
  EXPECT_EQ(1, goal->relations.registrations);
  for (ManagedFile* f : {team.get(), player.get(), goal.get()}) EXPECT_EQ(2, f->file.openCount());

  goal->relations.close();
  player->relations.close();
  for (ManagedFile* f : {team.get(), player.get(), goal.get()}) {
    EXPECT_EQ(0, f->file.openCount()) << f->file.fileName();
    EXPECT_FALSE(f->file.isPhysicallyOpen()) << f->file.fileName();
  }
}

TEST_F(RelationManagerTest, OpenRelatedReachesEveryLevelOnceAndCloseUndoesIt) {
  team->relations.setOpenRelated();
  ASSERT_EQ(kLevelBenign, team->relations.open());
  EXPECT_FALSE(team->relations.forcingOpen());
  for (ManagedFile* f : {team.get(), player.get(), goal.get()}) {
    EXPECT_EQ(1, f->file.openCount()) << f->file.fileName();
    EXPECT_EQ(1, f->relations.registrations) << f->file.fileName();
  }
  // A second open counts again; registration never repeats.
  ASSERT_EQ(kLevelBenign, team->relations.open());
  EXPECT_EQ(2, goal->file.openCount());
  team->relations.close();
  team->relations.close();
  for (ManagedFile* f : {team.get(), player.get(), goal.get()}) {
    EXPECT_EQ(0, f->file.openCount()) << f->file.fileName();
    EXPECT_EQ(1, f->relations.registrations);
  }
}

struct UpdateCase {
  const char* name;
  int mode;
  int expectedLevel;
  Rows teams;
  Rows players;
  std::vector<std::string> messages;
};

// Team 1 becomes team 5 under each update mode.
TEST_F(RelationManagerTest, ChangedLinkUnderEachUpdateMode) {
  const std::vector<UpdateCase> cases = {
      {"cascade", kRelationCascade, kLevelBenign, {{5}, {2}}, {{10, 5}, {11, 5}, {20, 2}}, {}},
      {"clear", kRelationClear, kLevelBenign, {{5}, {2}}, {{10, 0}, {11, 0}, {20, 2}}, {}},
      {"restrict", kRelationRestrict, kLevelNotify, {{1}, {2}}, {{10, 1}, {11, 1}, {20, 2}}, {"M34"}},
      {"nothing", kRelationNone, kLevelBenign, {{5}, {2}}, {{10, 1}, {11, 1}, {20, 2}}, {}},
  };
  for (const UpdateCase& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    teamUpdate = c.mode;
    readRecord(*team, kTeamPk, 1);
    team->file.buffer().setLong(kTeamId, 5);
    EXPECT_EQ(c.expectedLevel, team->relations.update());
    EXPECT_EQ(c.messages, captions());
    EXPECT_EQ(c.teams, rowsOf(teamDecl));
    EXPECT_EQ(c.players, rowsOf(playerDecl));
    if (c.mode == kRelationRestrict) {
      EXPECT_EQ(1, team->file.buffer().getLong(kTeamId));  // the link is put back
      EXPECT_EQ("file=PLAYER field= message= error=", port.last().text);
    }
    team->relations.close();
    EXPECT_EQ(0, player->file.openCount());
  }
}

TEST_F(RelationManagerTest, UnchangedLinksRunNoChildStep) {
  teamUpdate = kRelationRestrict;
  readRecord(*team, kTeamPk, 1);
  team->file.buffer().setText(kTeamName, "Lions FC"_cp1252);
  EXPECT_EQ(kLevelBenign, team->relations.update());
  EXPECT_TRUE(port.shown().empty());
  EXPECT_EQ("Lions FC", team->file.buffer().getText(kTeamName).bytes().substr(0, 8));
  team->relations.close();
}

TEST_F(RelationManagerTest, CascadeGoesDownEveryLevelInOneTransaction) {
  readRecord(*player, kPlayerPk, 10);
  player->file.buffer().setLong(kPlayerId, 15);
  EXPECT_EQ(kLevelBenign, player->relations.update());
  EXPECT_EQ((Rows{{15, 1}, {11, 1}, {20, 2}}), rowsOf(playerDecl));
  EXPECT_EQ((Rows{{100, 15, 1}, {101, 15, 2}, {110, 11, 1}}), rowsOf(goalDecl));
  // The new value is remembered: changing it again moves the same goals on.
  player->file.buffer().setLong(kPlayerId, 16);
  EXPECT_EQ(kLevelBenign, player->relations.update());
  EXPECT_EQ((Rows{{100, 16, 1}, {101, 16, 2}, {110, 11, 1}}), rowsOf(goalDecl));
  player->relations.close();
}

// A child that refuses its new value in the middle of a cascade undoes the whole save.
// Another program holds the goals locked for a write of its own. A save that changes no link
// needs only its own file; one whose change must reach the goals gives up after 2 seconds.
TEST_F(RelationManagerTest, SaveLocksOnlyTheFilesItMayWrite) {
  int ready[2], done[2];
  ASSERT_EQ(0, pipe(ready));
  ASSERT_EQ(0, pipe(done));
  const pid_t pid = fork();
  if (pid == 0) {
    storage::Session other(engine, (folder / "other").string());
    storage::DataFile goals(goalDecl, other);
    if (goals.open() || other.begin({&goals}, 2)) _exit(1);
    goals.buffer().setLong(kGoalId, 100);
    if (goals.get(kGoalPk)) _exit(2);
    goals.buffer().setLong(kGoalSeq, 9);
    if (goals.put()) _exit(3);
    (void)!write(ready[1], "x", 1);
    char c;
    (void)!read(done[0], &c, 1);
    _exit(other.rollback());
  }
  char c;
  ASSERT_EQ(1, read(ready[0], &c, 1));
  readRecord(*player, kPlayerPk, 10);
  player->file.buffer().setText(kPlayerName, "Ann B"_cp1252);
  EXPECT_EQ(kLevelBenign, player->relations.update());
  EXPECT_TRUE(port.shown().empty());

  player->file.buffer().setLong(kPlayerId, 15);
  EXPECT_EQ(kLevelNotify, player->relations.update());
  EXPECT_EQ(std::vector<std::string>{"M24"}, captions());
  // The error's number and its text, nothing of the engine's own words.
  EXPECT_EQ("file=GOAL field= message= error=" + locale.errorText(errors::kTransactionNotStarted), port.last().text);
  (void)!write(done[1], "x", 1);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_EQ((Rows{{10, 1}, {11, 1}, {20, 2}}), rowsOf(playerDecl));
  player->relations.close();
}

TEST_F(RelationManagerTest, ChildRefusedInTheMiddleRollsEverythingBack) {
  player->file.check = [this](int field, bool report) {
    if (field != 3 || player->file.buffer().getText(kPlayerName).bytes().rfind("Bo", 0) != 0) return kLevelBenign;
    reporter.setField("PLA:NAME");
    return report ? reporter.throwMessage(16, "TEAM") : kLevelNotify;
  };
  readRecord(*team, kTeamPk, 1);
  team->file.buffer().setLong(kTeamId, 5);
  EXPECT_EQ(kLevelUser, team->relations.update());
  EXPECT_EQ(std::vector<std::string>{"M16"}, captions());
  EXPECT_EQ((Rows{{1}, {2}}), rowsOf(teamDecl));
  EXPECT_EQ((Rows{{10, 1}, {11, 1}, {20, 2}}), rowsOf(playerDecl));
  team->relations.close();
}

TEST_F(RelationManagerTest, RecordChangedByAnotherProgramIsReportedAndReadAgain) {
  for (bool fromForm : {true, false}) {
    SCOPED_TRACE(fromForm ? "from a form" : "not from a form");
    port.clear();
    readRecord(*team, kTeamPk, 2);
    ASSERT_EQ(0, inChild([&] {
                storage::Session other(engine, folder.string());
                storage::DataFile data(teamDecl, other);
                data.buffer().setLong(kTeamId, 2);
                if (data.open() || data.get(kTeamPk)) return 1;
                data.buffer().setText(kTeamName, platform::Cp1252View::ofBytes(fromForm ? "Pumas" : "Jaguars"));
                return data.put().code();
              }));
    team->file.buffer().setText(kTeamName, "Mine"_cp1252);
    EXPECT_EQ(kLevelNotify, team->relations.update(fromForm));
    EXPECT_EQ(std::vector<std::string>{fromForm ? "M8" : "M7"}, captions());
    EXPECT_EQ(fromForm ? "Pumas" : "Jaguars",
              team->file.buffer().getText(kTeamName).bytes().substr(0, fromForm ? 5 : 7));
    team->relations.close();
  }
}

TEST_F(RelationManagerTest, RestrictedDeleteNamesTheChildAndAsksToTryAgain) {
  readRecord(*team, kTeamPk, 1);
  port.answer({B::Yes, B::Ok, B::Yes, B::Ok, B::No});  // confirm, try again once, then give up
  EXPECT_EQ(kLevelNotify, team->relations.deleteRecord(true));
  EXPECT_EQ((std::vector<std::string>{"M11", "M33", "M36", "M33", "M36"}), captions());
  EXPECT_EQ("file=PLAYER field= message= error=", port.shown()[1].text);
  EXPECT_EQ((Rows{{1}, {2}}), rowsOf(teamDecl));
  EXPECT_EQ(0, port.busyDepth());
  EXPECT_EQ(2, port.busyShown());
  team->relations.close();
}

TEST_F(RelationManagerTest, DeleteAnsweredNoDeletesNothing) {
  readRecord(*team, kTeamPk, 2);
  port.answer(B::No);
  EXPECT_EQ(kLevelCancel, team->relations.deleteRecord(true));
  EXPECT_EQ((Rows{{1}, {2}}), rowsOf(teamDecl));
  team->relations.close();
}

TEST_F(RelationManagerTest, CascadedDeleteTakesEveryLevelOrNothing) {
  teamDelete = kRelationCascade;
  playerDelete = kRelationCascade;
  readRecord(*team, kTeamPk, 1);
  EXPECT_EQ(kLevelBenign, team->relations.deleteRecord(false));
  EXPECT_TRUE(port.shown().empty());
  EXPECT_EQ((Rows{{2}}), rowsOf(teamDecl));
  EXPECT_EQ((Rows{{20, 2}}), rowsOf(playerDecl));
  EXPECT_TRUE(rowsOf(goalDecl).empty());
  team->relations.close();
}

TEST_F(RelationManagerTest, RestrictionBelowACascadeUndoesTheCascade) {
  teamDelete = kRelationCascade;  // players go with their team, but not players with goals
  readRecord(*team, kTeamPk, 1);
  port.answer({B::Ok, B::No});
  EXPECT_EQ(kLevelNotify, team->relations.deleteRecord(false));
  EXPECT_EQ((std::vector<std::string>{"M33", "M36"}), captions());
  EXPECT_EQ("file=GOAL field= message= error=", port.shown()[0].text);
  EXPECT_EQ((Rows{{1}, {2}}), rowsOf(teamDecl));
  EXPECT_EQ((Rows{{10, 1}, {11, 1}, {20, 2}}), rowsOf(playerDecl));
  EXPECT_EQ(3u, rowsOf(goalDecl).size());
  team->relations.close();
}

TEST_F(RelationManagerTest, ClearedDeleteLeavesTheChildrenWithoutParent) {
  teamDelete = kRelationClear;
  readRecord(*team, kTeamPk, 1);
  EXPECT_EQ(kLevelBenign, team->relations.deleteRecord(false));
  EXPECT_EQ((Rows{{2}}), rowsOf(teamDecl));
  EXPECT_EQ((Rows{{10, 0}, {11, 0}, {20, 2}}), rowsOf(playerDecl));
  team->relations.close();
}

TEST_F(RelationManagerTest, QuickScanReachesTheFilesItsPropagationNames) {
  struct Case {
    int propagate;
    bool team, player, goal;  // quick scan still on afterwards
  };
  for (const Case& c : {Case{0, true, false, true}, Case{1, false, false, true}, Case{2, true, false, false},
                        Case{3, false, false, false}}) {
    SCOPED_TRACE(c.propagate);
    for (ManagedFile* f : {team.get(), player.get(), goal.get()}) f->data.sendOption("QUICKSCAN=on");
    team->relations.setOpenRelated();
    ASSERT_EQ(kLevelBenign, team->relations.open());
    player->relations.setQuickScan(false, c.propagate);
    EXPECT_EQ(c.team, team->data.quickScan());
    EXPECT_EQ(c.player, player->data.quickScan());
    EXPECT_EQ(c.goal, goal->data.quickScan());
    team->relations.close();
  }
}

}  // namespace
}  // namespace platform::testing
