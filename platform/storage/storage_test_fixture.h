// Shared by the storage's tests: a small declaration (PEOPLE: an id, a name, a code and a score,
// with a unique key, a case-insensitive name key, an optional code key and a key with duplicates),
// a fresh folder per test, and other programs played by child processes, one of them acting on
// cue (ProgramOnCue).
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/locale.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/file_decl.h"
#include "platform/storage/session.h"
#include "platform/storage/testing/child_process.h"

namespace storage_test {

namespace fs = std::filesystem;
using namespace platform;
using namespace platform::storage;

#define ASSERT_OK(expression) ASSERT_EQ(errors::kNone, (expression))
#define EXPECT_OK(expression) EXPECT_EQ(errors::kNone, (expression))

enum Field { kId, kName, kCode, kScore };
enum Key { kPkId, kAkName, kAkCode, kKScore };

inline FileDecl peopleDecl(const std::string& path) {
  FileDecl decl;
  decl.label = "PEOPLE";
  decl.prefix = "PEO";
  decl.physicalName = path;
  decl.ownerPassword = "a test password of forty-five characters 12345";
  decl.layout = RecordLayout({{"ID", FieldType::Long},
                              {"NAME", FieldType::String, 20},
                              {"CODE", FieldType::CString, 11},
                              {"SCORE", FieldType::Real}});
  decl.keys = {{"PK_ID", {kId}, true, false, true, true},
               {"AK_NAME", {kName}, false, false, false, false},
               {"AK_CODE", {kCode}, false, false, true, true},
               {"K_SCORE", {kScore}, false, true, false, false}};
  return decl;
}

// A fresh folder per test, removed afterwards; the working folder of the test's files.
class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("storage-test-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    decl_ = peopleDecl((folder_ / "People.dat").string());
    other_ = peopleDecl((folder_ / "Other.dat").string());
    other_.label = "OTHER";
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::unique_ptr<Session> newSession() { return std::make_unique<Session>(engine_, folder_.string()); }

  static void fill(DataFile& file, std::int32_t id, const std::string& name, const std::string& code, double score) {
    file.buffer().clear();
    file.buffer().setLong(kId, id);
    file.buffer().setText(kName, platform::Cp1252View::ofBytes(name));
    file.buffer().setText(kCode, platform::Cp1252View::ofBytes(code));
    file.buffer().setReal(kScore, score);
  }

  static std::vector<std::string> namesInOrder(DataFile& file, int key, bool backwards = false) {
    std::vector<std::string> names;
    EXPECT_OK(file.set(key));
    while ((backwards ? file.previous() : file.next()) == errors::kNone)
      names.push_back(trimmed(file.buffer().getText(kName)));
    return names;
  }

  static std::string trimmed(const platform::Cp1252Text& text) { return std::string(trimRight(text.bytes())); }

  // The file made with one record: 1, "Ana", score 10; closed again.
  void createWithAna() {
    auto session = newSession();
    DataFile file(decl_, *session);
    ASSERT_OK(file.create());
    ASSERT_OK(file.open());
    fill(file, 1, "Ana", "", 10);
    ASSERT_OK(file.add());
  }

  void createEmpty(const FileDecl& decl) {
    auto session = newSession();
    DataFile file(decl, *session);
    ASSERT_OK(file.create());
  }

  // Starts `body` in a child process (another program) and returns its pid once the child has
  // called ready(), or has ended without doing so.
  static pid_t startChild(const std::function<int(const std::function<void()>& ready)>& body) {
    int ends[2];
    if (pipe(ends) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
      close(ends[0]);
      _exit(body([&] { (void)!write(ends[1], "x", 1); }));
    }
    close(ends[1]);
    char c;
    (void)!read(ends[0], &c, 1);
    close(ends[0]);
    return pid;
  }
  // Waits for a child started by startChild and gives its exit status.
  static int exitStatus(pid_t pid) { return storage::testing::exitStatus(pid); }

  // Runs `body` in a child process (another program) and returns its exit status.
  static int inChild(const std::function<int()>& body) { return storage::testing::runInChild(body); }

  // Another program that does one thing on cue: started at once, it acts on the file through
  // `action` when act() is called (from anywhere, even from inside a step of this process),
  // answers the action's result, and keeps what it opened until finish().
  class ProgramOnCue {
   public:
    ProgramOnCue(StorageTest& test, const FileDecl& decl, std::function<int(DataFile&)> action) {
      if (pipe(cue_) != 0 || pipe(answer_) != 0) return;
      pid_ = startChild([&](const std::function<void()>& ready) {
        Session session(test.engine_, test.folder_.string());
        DataFile file(decl, session);
        ready();
        char c;
        if (read(cue_[0], &c, 1) != 1) return 1;
        const char result = static_cast<char>(action(file));
        (void)!write(answer_[1], &result, 1);
        (void)!read(cue_[0], &c, 1);
        return 0;
      });
    }
    ~ProgramOnCue() {
      finish();
      for (int fd : {cue_[0], cue_[1], answer_[0], answer_[1]}) close(fd);
    }
    ProgramOnCue(const ProgramOnCue&) = delete;
    ProgramOnCue& operator=(const ProgramOnCue&) = delete;

    // The action's result (-1 when the program gave none).
    int act() {
      char c = 'x';
      if (write(cue_[1], &c, 1) != 1 || read(answer_[0], &c, 1) != 1) return -1;
      return static_cast<unsigned char>(c);
    }
    // Lets the program end; its exit status (0 when it did its part).
    int finish() {
      if (pid_ <= 0) return -1;
      (void)!write(cue_[1], "x", 1);
      const int status = exitStatus(pid_);
      pid_ = -1;
      return status;
    }

   private:
    int cue_[2] = {-1, -1};
    int answer_[2] = {-1, -1};
    pid_t pid_ = -1;
  };

  Locale locale_;
  Engine engine_{locale_};
  fs::path folder_;
  FileDecl decl_;
  FileDecl other_;
};

}  // namespace storage_test
