// Checking and salvaging data files of any declaration: how far a damaged page reaches.
#include "platform/storage/file_check.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/session.h"
#include "platform/storage/testing/page_damage.h"
#include "platform/storage/testing/status_matchers.h"

namespace fs = std::filesystem;
using namespace platform;
using namespace platform::storage;
using platform::storage::testing::IsOk;

namespace {

constexpr int kRecords = 3000;

// People with a number, a name and a score. With `everyKeyOptional`, no key has to hold every
// record, so none can be trusted to list every record number.
FileDecl peopleDecl(const std::string& path, bool everyKeyOptional) {
  FileDecl decl;
  decl.label = "PEOPLE";
  decl.prefix = "PEO";
  decl.physicalName = path;
  decl.ownerPassword = "a test password of forty-five characters 12345";
  decl.layout = RecordLayout({{"ID", FieldType::Long}, {"NAME", FieldType::String, 30}, {"SCORE", FieldType::Real}});
  decl.keys = {{"PK_ID", {0}, true, false, false, true},
               {"AK_NAME", {1}, false, false, false, everyKeyOptional},
               {"K_SCORE", {2}, false, true, false, everyKeyOptional}};
  return decl;
}

class FileCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("file-check-test-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path() const { return (folder_ / "People.dat").string(); }

  void fill(const FileDecl& decl) {
    Session session(engine_, folder_.string());
    DataFile file(decl, session);
    ASSERT_THAT(file.create(), IsOk());
    ASSERT_THAT(file.open(), IsOk());
    ASSERT_THAT(session.begin({&file}, 5), IsOk());
    for (int id = 1; id <= kRecords; ++id) {
      file.buffer().clear();
      file.buffer().setLong(0, id);
      file.buffer().setText(1, platform::Cp1252View::ofBytes("Person " + std::to_string(id)));
      file.buffer().setReal(2, id % 7);
      ASSERT_THAT(file.add(), IsOk());
    }
    ASSERT_THAT(session.commit(), IsOk());
  }

  // Every record by its number, as the driver reads it.
  std::map<std::int64_t, std::string> records(const FileDecl& decl) {
    std::map<std::int64_t, std::string> out;
    Session session(engine_, folder_.string());
    DataFile file(decl, session);
    EXPECT_THAT(file.open(), IsOk());
    (void)file.set();  // cannot fail on a file just opened
    while (file.next() == errors::kNone) {
      out[file.position().record] =
          std::string(reinterpret_cast<const char*>(file.buffer().data()), file.buffer().size());
    }
    return out;
  }

  RepairOutcome repair(const FileDecl& decl) {
    Session session(engine_, folder_.string());
    return repairFile(session, decl);
  }

  std::string key(const FileDecl& decl) { return engine_.rawKey(decl.ownerPassword); }

  Locale locale_;
  Engine engine_{locale_};
  fs::path folder_;
};

// A damaged page of records loses its records only, whether or not a key lists every record
// number (without one, the loss is told as "at least"); repair keeps every other record as it was.
TEST_F(FileCheckTest, DamagedRecordPageLosesOnlyItsRecords) {
  for (const bool everyKeyOptional : {false, true}) {
    SCOPED_TRACE(everyKeyOptional ? "every key optional" : "a key lists every record");
    const FileDecl decl = peopleDecl(path(), everyKeyOptional);
    fill(decl);
    const auto before = records(decl);
    storage::testing::damagePage(path(), storage::testing::pageOfRecord(path(), key(decl), 1500));

    const FileCheck check = checkFile(engine_, decl);
    ASSERT_EQ(FileCheck::State::kDamaged, check.state);
    ASSERT_EQ(1u, check.records.gaps.size());
    const UnreadableRecords gap = check.records.gaps[0];
    EXPECT_LE(gap.first, 1500);
    EXPECT_GE(gap.last, 1500);
    ASSERT_LT(gap.last - gap.first, 100);
    EXPECT_EQ(gap.last - gap.first + 1, gap.records);
    EXPECT_EQ(gap.records, check.records.unreadable);
    EXPECT_EQ(kRecords - gap.records, check.records.read);
    EXPECT_EQ(!everyKeyOptional, check.records.exact);
    EXPECT_TRUE(check.repairable());

    const RepairOutcome repaired = repair(decl);
    ASSERT_EQ(errors::kNone, repaired.error);
    ASSERT_TRUE(repaired.repaired);
    EXPECT_EQ(check.records.read, repaired.records.read);
    EXPECT_EQ(check.records.unreadable, repaired.records.unreadable);
    auto kept = before;
    for (std::int64_t n = gap.first; n <= gap.last; ++n) kept.erase(n);
    EXPECT_TRUE(kept == records(decl));
    EXPECT_TRUE(checkFile(engine_, decl).sound());
    fs::remove(repaired.keptAs);
  }
}

// The table's first page leads to all its others: nothing can be read, and repair, which would
// leave an empty file, refuses and changes nothing.
TEST_F(FileCheckTest, FileWhoseRecordsCannotBeReachedIsLeftAsItIs) {
  const FileDecl decl = peopleDecl(path(), false);
  fill(decl);
  storage::testing::damagePage(path(), storage::testing::rootPageOf(path(), key(decl), "rec"));
  const FileCheck check = checkFile(engine_, decl);
  EXPECT_EQ(FileCheck::State::kDamaged, check.state);
  EXPECT_EQ(0, check.records.read);
  EXPECT_EQ(kRecords, check.records.unreadable);
  EXPECT_TRUE(check.records.exact);
  EXPECT_FALSE(check.repairable());
  const auto bytes = fs::file_size(path());
  const RepairOutcome refused = repair(decl);
  EXPECT_EQ(errors::kInvalidDataFile, refused.error);
  EXPECT_FALSE(refused.repaired);
  EXPECT_EQ(bytes, fs::file_size(path()));
  EXPECT_FALSE(fs::exists(path() + ".damaged"));
}

// The page of the stored description (layout, sort order): the records are still read by the
// declaration's columns, and the new file has a sound description.
TEST_F(FileCheckTest, DamagedDescriptionStillLetsTheRecordsBeSaved) {
  const FileDecl decl = peopleDecl(path(), false);
  fill(decl);
  const auto before = records(decl);
  storage::testing::damagePage(path(), storage::testing::rootPageOf(path(), key(decl), "meta"));
  const FileCheck check = checkFile(engine_, decl);
  EXPECT_EQ(FileCheck::State::kDamaged, check.state);
  EXPECT_TRUE(check.descriptionUnreadable);
  EXPECT_EQ(kRecords, check.records.read);
  const RepairOutcome repaired = repair(decl);
  ASSERT_EQ(errors::kNone, repaired.error);
  EXPECT_EQ(kRecords, repaired.records.read);
  EXPECT_TRUE(checkFile(engine_, decl).sound());
  EXPECT_TRUE(before == records(decl));
}

}  // namespace
