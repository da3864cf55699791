#include "platform/classes/file_manager.h"

#include <climits>
#include <fstream>
#include <thread>

#include "platform/classes/manager_test_support.h"

namespace platform::testing {
namespace {

using B = MessageButton;

class FileManagerTest : public ManagerTest {};

TEST_F(FileManagerTest, OpensLazilyCreatesWhenMissingAndClosesWithTheLastClose) {
  auto team = manage(teamDecl);
  ASSERT_FALSE(fs::exists(teamDecl.physicalName));
  EXPECT_EQ(kLevelBenign, team->file.useFile(kUseSetUpOnly));  // set-up only: nothing opened
  ASSERT_EQ(kLevelBenign, team->file.open());
  ASSERT_EQ(kLevelBenign, team->file.open());
  EXPECT_FALSE(team->file.isPhysicallyOpen());
  EXPECT_FALSE(fs::exists(teamDecl.physicalName));

  ASSERT_EQ(kLevelBenign, team->file.useFile());
  EXPECT_TRUE(team->file.isPhysicallyOpen());
  EXPECT_TRUE(fs::exists(teamDecl.physicalName));
  EXPECT_EQ(2, team->file.openCount());

  team->file.close();
  EXPECT_TRUE(team->file.isPhysicallyOpen());
  team->file.close();
  EXPECT_FALSE(team->file.isPhysicallyOpen());
  EXPECT_EQ(0, team->file.openCount());
  EXPECT_TRUE(port.shown().empty());
}

TEST_F(FileManagerTest, UsingAFileThatWasNeverOpenedEndsTheProgram) {
  auto team = manage(teamDecl);
  EXPECT_THROW(team->file.useFile(), ProgramHalted);
  EXPECT_EQ("M42", port.last().caption);
  EXPECT_EQ("file=TEAM error=  Press OK to end this application", port.last().text);
}

TEST_F(FileManagerTest, KeysAreRegisteredOnceWithTheirAttributes) {
  auto player = manage(playerDecl);
  player->file.addKey(kPlayerPk, "PLA:PK_ID", true);
  player->file.addKey(kPlayerByTeam, "PLA:K_TEAM");
  player->file.addKey(kPlayerPk, "again", true);
  ASSERT_EQ(2u, player->file.keys().size());
  const auto& byTeam = player->file.keys()[1];
  EXPECT_EQ("PLA:K_TEAM", byTeam.description);
  EXPECT_TRUE(byTeam.duplicates);
  EXPECT_FALSE(byTeam.numbered);
  EXPECT_TRUE(player->file.keys()[0].noCase);
  EXPECT_TRUE(player->file.keys()[0].numbered);
  // A text key cannot be numbered.
  player->file.addKey(kPlayerByName, "PLA:AK_NAME", true);
  EXPECT_FALSE(player->file.keys()[2].numbered);
}

// The file name in messages: the name source when there is one, without trailing blanks.
TEST_F(FileManagerTest, MessagesNameTheFileByItsNameSourceWhenSet) {
  auto team = manage(teamDecl);
  EXPECT_EQ("TEAM", team->file.fileName());
  team->file.setFileNameSource([] { return std::string("C:\\exports\\x.dat   "); });
  EXPECT_EQ("C:\\exports\\x.dat", team->file.fileName());
}

TEST_F(FileManagerTest, NumberingTakesTheHighestValuePlusOne) {
  auto team = manage(teamDecl);
  team->file.addKey(kTeamPk, "TEA:PK_ID", true);
  team->file.addKey(kTeamName_, "TEA:AK_NAME");
  ASSERT_EQ(kLevelBenign, team->file.open());

  team->file.buffer().setLong(kTeamId, 77);  // an unprimed record is numbered whatever it holds
  team->file.buffer().setText(kTeamName, "first"_cp1252);
  ASSERT_EQ(kLevelBenign, team->file.insert());
  EXPECT_EQ(1, team->file.buffer().getLong(kTeamId));

  team->file.close();
  seed(teamDecl, {{5}, {41}, {17}}, {"five", "forty-one", "seventeen"});
  ASSERT_EQ(kLevelBenign, team->file.open());
  ASSERT_EQ(kLevelBenign, team->file.primeRecord());
  EXPECT_EQ(42, team->file.buffer().getLong(kTeamId));
  EXPECT_TRUE(team->file.primed());
  team->file.buffer().setText(kTeamName, "next"_cp1252);
  ASSERT_EQ(kLevelBenign, team->file.insert());
  EXPECT_FALSE(team->file.primed());
  EXPECT_EQ((std::vector<std::vector<std::int32_t>>{{1}, {5}, {41}, {17}, {42}}), rowsOf(teamDecl));
  EXPECT_TRUE(port.shown().empty());
}

// A numbered key with a leading component numbers within the records that share it.
TEST_F(FileManagerTest, NumberingWithinTheLeadingComponents) {
  seed(goalDecl, {{1, 7, 1}, {2, 7, 2}, {3, 9, 5}});
  auto goal = manage(goalDecl);
  goal->file.addKey(kGoalByPlayer, "GOA:K_PLAYER", true);
  ASSERT_EQ(kLevelBenign, goal->file.open());
  for (auto [player, expected] : {std::pair{7, 3}, {9, 6}, {8, 1}}) {
    goal->file.buffer().clear();
    goal->file.buffer().setLong(kGoalPlayer, player);
    goal->file.buffer().setLong(kGoalId, 10 + player);
    ASSERT_EQ(kLevelBenign, goal->file.insert());
    EXPECT_EQ(expected, goal->file.buffer().getLong(kGoalSeq)) << "player " << player;
  }
}

TEST_F(FileManagerTest, NumberTakenMeanwhileIsTakenAgain) {
  seed(teamDecl, {{1}}, {"one"});
  auto team = manage(teamDecl);
  team->file.addKey(kTeamPk, "TEA:PK_ID", true);
  ASSERT_EQ(kLevelBenign, team->file.open());
  ASSERT_EQ(kLevelBenign, team->file.primeRecord());
  ASSERT_EQ(2, team->file.buffer().getLong(kTeamId));
  seed(teamDecl, {{2}, {3}}, {"two", "three"});  // another program numbers two records meanwhile
  team->file.buffer().setText(kTeamName, "mine"_cp1252);
  ASSERT_EQ(kLevelBenign, team->file.insert());
  EXPECT_EQ(4, team->file.buffer().getLong(kTeamId));
  EXPECT_TRUE(port.shown().empty());
}

TEST_F(FileManagerTest, NumberingThatKeepsFailingAsksWhetherToGoOn) {
  seed(teamDecl, {{INT_MAX}}, {"last"});  // no number is left after this one
  auto team = manage(teamDecl);
  team->file.addKey(kTeamPk, "TEA:PK_ID", true);
  ASSERT_EQ(kLevelBenign, team->file.open());
  team->file.buffer().setText(kTeamName, "mine"_cp1252);
  port.answer({B::Yes, B::No});
  EXPECT_EQ(kLevelNotify, team->file.insert());
  EXPECT_EQ((std::vector<std::string>{"M35", "M35"}), captions());
  EXPECT_EQ(1u, rowsOf(teamDecl).size());
}

TEST_F(FileManagerTest, DuplicateInAUniqueKeyNamesTheKeyAndAddsNothing) {
  seed(teamDecl, {{1}}, {"Lions"});
  auto team = manage(teamDecl);
  team->file.addKey(kTeamPk, "TEA:PK_ID", true);
  team->file.addKey(kTeamName_, "TEA:AK_NAME");
  ASSERT_EQ(kLevelBenign, team->file.open());
  ASSERT_EQ(kLevelBenign, team->file.primeRecord());
  team->file.buffer().setText(kTeamName, "Lions"_cp1252);
  EXPECT_EQ(kLevelNotify, team->file.insert());
  EXPECT_EQ("M15", port.last().caption);
  EXPECT_NE(std::string::npos, port.last().text.find("message=TEA:AK_NAME")) << port.last().text;
  EXPECT_EQ(1u, rowsOf(teamDecl).size());
  // The primed number stays: the corrected record goes in under it.
  team->file.buffer().setText(kTeamName, "Tigers"_cp1252);
  ASSERT_EQ(kLevelBenign, team->file.insert());
  EXPECT_EQ(2, team->file.buffer().getLong(kTeamId));
}

TEST_F(FileManagerTest, FieldChecksRunInFieldOrderAndStopAtTheFirstFailure) {
  auto player = manage(playerDecl);
  std::vector<int> checked;
  player->file.check = [&](int field, bool report) {
    checked.push_back(field);
    if (field < 2) return kLevelBenign;
    reporter.setField("field " + std::to_string(field));
    return report ? reporter.throwMessage(16, "TEAM") : kLevelNotify;
  };
  ASSERT_EQ(kLevelBenign, player->file.open());
  player->file.buffer().setText(kPlayerName, "Ann"_cp1252);
  EXPECT_EQ(kLevelNotify, player->file.insert());
  EXPECT_EQ((std::vector<int>{1, 2}), checked);
  ASSERT_EQ(1u, port.shown().size());
  EXPECT_EQ("file= field=field 2 message=TEAM error=", port.last().text);
  EXPECT_TRUE(rowsOf(playerDecl).empty());
  // An update refused by its checks is level 1.
  seed(playerDecl, {{1, 1}}, {"Bo"});
  player->file.buffer().setLong(kPlayerId, 1);
  ASSERT_EQ(kLevelBenign, player->file.tryFetch(kPlayerPk));
  EXPECT_EQ(kLevelUser, player->file.update());
}

// An alias has no checks of its own: the aliased file's checks run on a copy of the alias' record,
// and the aliased file's buffer and place are given back.
TEST_F(FileManagerTest, AliasRunsTheAliasedFilesChecksOnItsOwnRecord) {
  seed(playerDecl, {{1, 10}, {2, 20}}, {"Ann", "Bo"});
  auto player = manage(playerDecl);
  storage::FileDecl aliasDecl = storage::aliasOf(playerDecl, "PLAYER_ALIAS", "APLA");
  auto alias = manage(aliasDecl);
  alias->file.setAliasedFile(&player->file);
  std::vector<std::int32_t> teamsSeen;
  player->file.check = [&](int field, bool) {
    if (field == 2) teamsSeen.push_back(player->file.buffer().getLong(kPlayerTeam));
    return kLevelBenign;
  };
  ASSERT_EQ(kLevelBenign, player->file.open());
  player->file.buffer().setLong(kPlayerId, 1);
  ASSERT_EQ(kLevelBenign, player->file.tryFetch(kPlayerPk));
  const RecordBuffer before = player->file.buffer();

  alias->file.buffer().clear();
  alias->file.buffer().setLong(kPlayerTeam, 99);
  EXPECT_EQ(kLevelBenign, alias->file.validateRecord());
  EXPECT_EQ(std::vector<std::int32_t>{99}, teamsSeen);
  EXPECT_TRUE(player->file.buffer() == before);
  player->file.buffer().setText(kPlayerName, "Ann B"_cp1252);
  EXPECT_EQ(kLevelBenign, player->file.update());  // still aimed at record 1
  EXPECT_EQ((std::vector<std::vector<std::int32_t>>{{1, 10}, {2, 20}}), rowsOf(playerDecl));
}

TEST_F(FileManagerTest, FetchesAndSavedState) {
  seed(teamDecl, {{1}, {2}}, {"one", "two"});
  auto team = manage(teamDecl);
  ASSERT_EQ(kLevelBenign, team->file.open());
  team->file.buffer().setLong(kTeamId, 2);
  ASSERT_EQ(kLevelBenign, team->file.tryFetch(kTeamPk));
  const auto saved = team->file.saveFile();
  team->file.buffer().setLong(kTeamId, 9);
  EXPECT_EQ(kLevelNotify, team->file.tryFetch(kTeamPk));
  EXPECT_EQ(9, team->file.buffer().getLong(kTeamId));  // a try leaves the buffer alone
  EXPECT_EQ(kLevelNotify, team->file.fetch(kTeamPk));
  EXPECT_EQ(0, team->file.buffer().getLong(kTeamId));  // a fetch clears it
  team->file.restoreFile(saved);
  EXPECT_EQ(2, team->file.buffer().getLong(kTeamId));
  EXPECT_TRUE(port.shown().empty());
}

TEST_F(FileManagerTest, RecordChangedByAnotherProgramIsReadAgainAndReported) {
  seed(teamDecl, {{1}}, {"one"});
  auto team = manage(teamDecl);
  ASSERT_EQ(kLevelBenign, team->file.open());
  team->file.buffer().setLong(kTeamId, 1);
  ASSERT_EQ(kLevelBenign, team->file.tryFetch(kTeamPk));
  ASSERT_EQ(0, inChild([&] {
              storage::Session other(engine, folder.string());
              storage::DataFile data(teamDecl, other);
              data.buffer().setLong(kTeamId, 1);
              if (data.open() || data.get(kTeamPk)) return 1;
              data.buffer().setText(kTeamName, "theirs"_cp1252);
              return data.put().code();
            }));
  team->file.buffer().setText(kTeamName, "mine"_cp1252);
  EXPECT_EQ(kLevelNotify, team->file.update());
  EXPECT_EQ("M7", port.last().caption);
  EXPECT_EQ("theirs", team->file.buffer().getText(kTeamName).bytes().substr(0, 6));
  // With the stored record read again, saving it works.
  team->file.buffer().setText(kTeamName, "mine again"_cp1252);
  EXPECT_EQ(kLevelBenign, team->file.update());
}

TEST_F(FileManagerTest, OtherUpdateFailureIsMessage28) {
  seed(teamDecl, {{1}, {2}}, {"one", "two"});
  auto team = manage(teamDecl);
  ASSERT_EQ(kLevelBenign, team->file.open());
  team->file.buffer().setLong(kTeamId, 2);
  ASSERT_EQ(kLevelBenign, team->file.tryFetch(kTeamPk));
  team->file.buffer().setText(kTeamName, "one"_cp1252);
  EXPECT_EQ(kLevelNotify, team->file.tryUpdate());  // quiet: nothing shown yet
  EXPECT_TRUE(port.shown().empty());
  EXPECT_EQ(errors::kDuplicateKey, team->file.lastWriteError());
  EXPECT_EQ(kLevelNotify, team->file.update());
  EXPECT_EQ("M28", port.last().caption);
  EXPECT_EQ("file=TEAM field= message= error=" + locale.errorText(errors::kDuplicateKey), port.last().text);
}

// Open failures, each with its cure or its message.
TEST_F(FileManagerTest, ForeignFileCannotBeOpened) {
  std::ofstream(teamDecl.physicalName) << std::string(4096, 'x');
  auto team = manage(teamDecl);
  ASSERT_EQ(kLevelBenign, team->file.open());
  EXPECT_THROW(team->file.useFile(), ProgramHalted);
  EXPECT_EQ("M26", port.last().caption);
  EXPECT_EQ("file=TEAM error=" + locale.errorText(errors::kInvalidDataFile) + "  Press OK to end this application",
            port.last().text);
}

TEST_F(FileManagerTest, FileThatCannotBeCreatedEndsTheProgram) {
  teamDecl.physicalName = (folder / "no such folder" / "Team.dat").string();
  auto team = manage(teamDecl);
  ASSERT_EQ(kLevelBenign, team->file.open());
  EXPECT_THROW(team->file.useFile(), ProgramHalted);
  EXPECT_EQ("M12", port.last().caption);
}

TEST_F(FileManagerTest, KeysBuiltUnderAnotherOrderAreRebuiltAfterMessage30) {
  seed(teamDecl, {{1}, {2}}, {"b", "a"});
  Locale other;
  ASSERT_TRUE(other.set("CLACOLSEQ", "ba"));
  storage::Engine otherEngine(other);
  storage::Session otherSession(otherEngine, folder.string());
  ManagedFile team(teamDecl, otherSession, reporter);
  team.file.addKey(kTeamName_, "TEA:AK_NAME");
  ASSERT_EQ(kLevelBenign, team.file.open());
  ASSERT_EQ(kLevelBenign, team.file.useFile());
  EXPECT_EQ((std::vector<std::string>{"M30"}), captions());
  ASSERT_THAT(team.data.set(kTeamName_), IsOk());
  ASSERT_THAT(team.data.next(), IsOk());
  EXPECT_EQ("b", team.data.buffer().getText(kTeamName).bytes().substr(0, 1));  // "b" sorts first now
}

// Another program holds the file with writing denied: after the lock-recovery retry the file is
// opened read-only, with message 2.
TEST_F(FileManagerTest, FileLockedAgainstWritingIsOpenedReadOnly) {
  int ready[2], done[2];
  ASSERT_EQ(0, pipe(ready));
  ASSERT_EQ(0, pipe(done));
  const pid_t pid = fork();
  if (pid == 0) {
    // The other program makes the file itself: a file this process had opened before the fork
    // would share its lock descriptor with it.
    seed(teamDecl, {{1}}, {"one"});
    storage::Session other(engine, folder.string());
    storage::DataFile data(teamDecl, other);
    if (data.open(storage::kReadWriteDenyWrite)) _exit(1);
    (void)!write(ready[1], "x", 1);
    char c;
    (void)!read(done[0], &c, 1);
    _exit(0);
  }
  char c;
  ASSERT_EQ(1, read(ready[0], &c, 1));
  auto team = manage(teamDecl);
  team->file.setLockRecover(1);
  ASSERT_EQ(kLevelBenign, team->file.open());
  EXPECT_EQ(kLevelBenign, team->file.useFile());
  (void)!write(done[1], "x", 1);
  waitpid(pid, nullptr, 0);
  EXPECT_EQ((std::vector<std::string>{"M2"}), captions());
  EXPECT_EQ(storage::kReadOnly, team->file.file().mode());
  team->file.buffer().setLong(kTeamId, 1);
  EXPECT_EQ(kLevelBenign, team->file.tryFetch(kTeamPk));
}

TEST_F(FileManagerTest, KillClosesOnceAndLeavesTheThreadsList) {
  auto team = manage(teamDecl);
  const auto& list = FileManager::thisThreadsManagers();
  EXPECT_EQ(1, std::count(list.begin(), list.end(), &team->file));
  ASSERT_EQ(kLevelBenign, team->file.open());
  ASSERT_EQ(kLevelBenign, team->file.useFile());
  team->file.kill();
  EXPECT_TRUE(team->file.killed());
  EXPECT_FALSE(team->file.initialized());
  EXPECT_FALSE(team->data.isOpen());
  EXPECT_EQ(0, std::count(list.begin(), list.end(), &team->file));
  team->file.kill();  // a second kill does nothing
  // Another thread has a list of its own.
  std::size_t elsewhere = 99;
  std::thread([&] { elsewhere = FileManager::thisThreadsManagers().size(); }).join();
  EXPECT_EQ(0u, elsewhere);
}

}  // namespace
}  // namespace platform::testing
