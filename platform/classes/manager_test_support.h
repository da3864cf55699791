// Shared by the file-manager and relation-manager tests: three small data files in a fresh folder
// (teams, their players, the players' goals), a scripted user, and a message table whose texts show
// every placeholder.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/error_reporter.h"
#include "platform/classes/file_manager.h"
#include "platform/classes/relation_manager.h"
#include "platform/core/runtime_errors.h"
#include "platform/port/scripted_port.h"
#include "platform/storage/data_file.h"
#include "platform/storage/session.h"
#include "platform/storage/testing/child_process.h"
#include "platform/storage/testing/status_matchers.h"

namespace platform::testing {

namespace fs = std::filesystem;
using storage::testing::HasError;
using storage::testing::IsOk;

enum TeamField { kTeamId, kTeamName };
enum TeamKey { kTeamPk, kTeamName_ };
enum PlayerField { kPlayerId, kPlayerTeam, kPlayerName };
enum PlayerKey { kPlayerPk, kPlayerByTeam, kPlayerByName };
enum GoalField { kGoalId, kGoalPlayer, kGoalSeq };
enum GoalKey { kGoalPk, kGoalByPlayer };

inline storage::FileDecl declare(std::string label, std::string prefix, const fs::path& path,
                                 std::vector<FieldSpec> fields, std::vector<storage::KeyDecl> keys) {
  storage::FileDecl decl;
  decl.label = std::move(label);
  decl.prefix = std::move(prefix);
  decl.physicalName = path.string();
  decl.ownerPassword = "a test password of forty-five characters 12345";
  decl.layout = RecordLayout(fields);
  decl.keys = std::move(keys);
  return decl;
}

// The messages the managers show, each text naming its placeholders so that a test sees them filled.
inline std::vector<ErrorMessage> testMessages() {
  auto notify = [](int id) {
    return ErrorMessage{id, kLevelNotify, "M" + std::to_string(id),
                        "file=%File field=%Field message=%Message error=%ErrorText"};
  };
  auto fatal = [](int id, Level level) {
    return ErrorMessage{id, level, "M" + std::to_string(id), "file=%File error=%ErrorText"};
  };
  auto question = [](int id) { return ErrorMessage{id, kLevelUser, "M" + std::to_string(id), "file=%File?"}; };
  return {notify(2),
          notify(4),
          notify(7),
          notify(8),
          notify(15),
          notify(16),
          notify(24),
          notify(28),
          notify(30),
          notify(33),
          notify(34),
          fatal(12, kLevelFatal),
          fatal(26, kLevelFatal),
          fatal(29, kLevelFatal),
          fatal(42, kLevelProgram),
          question(11),
          question(35),
          question(36)};
}

// A file manager whose field checks are given by the test.
class CheckedFileManager : public FileManager {
 public:
  std::function<Level(int field, bool report)> check;

  Level validateField(int field, bool report) override {
    if (Level level = FileManager::validateField(field, report)) return level;
    return check ? check(field, report) : kLevelBenign;
  }
};

// A relation manager whose relations are given by the test.
class ScriptedRelationManager : public RelationManager {
 public:
  std::function<void(RelationManager&)> relationsToAdd;
  int registrations = 0;

 protected:
  void registerRelations() override {
    ++registrations;
    if (relationsToAdd) relationsToAdd(*this);
  }
};

// One file as a thread sees it: its data file, file manager and relation manager.
struct ManagedFile {
  ManagedFile(const storage::FileDecl& decl, storage::Session& session, ErrorReporter& errors) : data(decl, session) {
    file.bindFile(data);
    file.setErrors(errors);
    file.init();
    file.init(data, errors);
    relations.init(file, true);
  }
  ~ManagedFile() {
    relations.kill();
    file.kill();
  }

  storage::DataFile data;
  CheckedFileManager file;
  ScriptedRelationManager relations;
};

class ManagerTest : public ::testing::Test {
 protected:
  ManagerTest() : reporter(locale, port) {
    reporter.addMessages(testMessages());
    reporter.status() = ErrorStatus{};
  }

  void SetUp() override {
    folder = fs::temp_directory_path() / ("managers-" + std::to_string(::getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    teamDecl = declare("TEAM", "TEA", folder / "Team.dat", {{"ID", FieldType::Long}, {"NAME", FieldType::String, 20}},
                       {{"PK_ID", {kTeamId}, true, false, true, true}, {"AK_NAME", {kTeamName}}});
    playerDecl = declare("PLAYER", "PLA", folder / "Player.dat",
                         {{"ID", FieldType::Long}, {"TEAM", FieldType::Long}, {"NAME", FieldType::String, 20}},
                         {{"PK_ID", {kPlayerId}, true, false, true, true},
                          {"K_TEAM", {kPlayerTeam}, false, true},
                          {"AK_NAME", {kPlayerName}}});
    goalDecl = declare("GOAL", "GOA", folder / "Goal.dat",
                       {{"ID", FieldType::Long}, {"PLAYER", FieldType::Long}, {"SEQ", FieldType::Long}},
                       {{"PK_ID", {kGoalId}, true, false, true, true}, {"K_PLAYER", {kGoalPlayer, kGoalSeq}}});
    session = std::make_unique<storage::Session>(engine, folder.string());
  }

  void TearDown() override {
    // A level compared says only that something went wrong; what the user was shown says what.
    if (HasFailure()) {
      for (const MessageRequest& m : port.shown())
        std::cout << "  message shown: " << m.caption << ": " << m.text << "\n";
    }
    session.reset();
    fs::remove_all(folder);
  }

  std::unique_ptr<ManagedFile> manage(const storage::FileDecl& decl) {
    return std::make_unique<ManagedFile>(decl, *session, reporter);
  }

  // Adds records straight through the storage, in a session of their own.
  void seed(const storage::FileDecl& decl, const std::vector<std::vector<std::int32_t>>& rows,
            const std::vector<std::string>& names = {}) {
    storage::Session own(engine, folder.string());
    storage::DataFile data(decl, own);
    if (!data.exists()) {
      ASSERT_THAT(data.create(), IsOk());
    }
    ASSERT_THAT(data.open(), IsOk());
    for (std::size_t r = 0; r < rows.size(); ++r) {
      data.buffer().clear();
      int text = 0;
      for (int f = 0, v = 0; f < decl.layout.fieldCount(); ++f) {
        if (decl.layout.field(f).type == FieldType::Long) {
          data.buffer().setLong(f, rows[r].at(static_cast<std::size_t>(v++)));
        } else {
          data.buffer().setText(f, platform::Cp1252View::ofBytes(r < names.size() && text++ == 0 ? names[r] : ""));
        }
      }
      ASSERT_THAT(data.add(), IsOk()) << decl.label << " row " << r;
    }
  }

  // Every record of a file in physical order, each as its LONG fields.
  std::vector<std::vector<std::int32_t>> rowsOf(const storage::FileDecl& decl) {
    storage::Session own(engine, folder.string());
    storage::DataFile data(decl, own);
    std::vector<std::vector<std::int32_t>> rows;
    if (data.open(storage::kReadOnly) != errors::kNone) return rows;
    (void)data.set();  // cannot fail on a file just opened
    while (data.next() == errors::kNone) {
      std::vector<std::int32_t> row;
      for (int f = 0; f < decl.layout.fieldCount(); ++f) {
        if (decl.layout.field(f).type == FieldType::Long) row.push_back(data.buffer().getLong(f));
      }
      rows.push_back(row);
    }
    return rows;
  }

  // Runs `body` in another process (another program) and returns its exit code.
  static int inChild(const std::function<int()>& body) { return storage::testing::runInChild(body); }

  std::vector<std::string> captions() const {
    std::vector<std::string> out;
    for (const MessageRequest& m : port.shown()) out.push_back(m.caption);
    return out;
  }

  Locale locale;
  storage::Engine engine{locale};
  ScriptedPort port;
  ErrorReporter reporter;
  fs::path folder;
  storage::FileDecl teamDecl, playerDecl, goalDecl;
  std::unique_ptr<storage::Session> session;
};

}  // namespace platform::testing
