// Keys: every key kept right by a put, duplicates refused and named, optional keys, keys built under
// another collation, a rebuild refused, and a layout or keys that differ from the file's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/locale.h"
#include "platform/storage/storage_test_fixture.h"

namespace storage_test {
namespace {

using namespace platform::literals;

// put() rewrites only the keys whose values changed; every key still finds the record by its new
// value and no longer by its old one.
TEST_F(StorageTest, PutKeepsEveryKeyRightWhateverChanged) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  fill(file, 1, "Ann", "c1", 1);
  ASSERT_OK(file.add());
  fill(file, 2, "Bo", "c2", 2);
  ASSERT_OK(file.add());
  ASSERT_OK(file.put());  // a put right after add rewrites the record just added
  struct Change {
    const char* name;
    const char* code;
    double score;
  };
  for (const Change& change :
       {Change{"Ann", "c1", 5}, Change{"Annie", "c1", 5}, Change{"Annie", "", 6}, Change{"Ann", "c9", 6}}) {
    SCOPED_TRACE(change.name);
    file.buffer().clear();
    file.buffer().setLong(kId, 1);
    ASSERT_OK(file.get(kPkId));
    const std::string oldName = trimmed(file.buffer().getText(kName));
    file.buffer().setText(kName, platform::Cp1252View::ofBytes(change.name));
    file.buffer().setText(kCode, platform::Cp1252View::ofBytes(change.code));
    file.buffer().setReal(kScore, change.score);
    ASSERT_OK(file.put());
    DataFile check(decl_, *session);
    ASSERT_OK(check.open());
    check.buffer().setText(kName, platform::Cp1252View::ofBytes(change.name));
    ASSERT_OK(check.get(kAkName));
    EXPECT_EQ(1, check.buffer().getLong(kId));
    if (oldName != change.name) {
      check.buffer().setText(kName, platform::Cp1252View::ofBytes(oldName));
      EXPECT_EQ(errors::kRecordNotFound, check.get(kAkName));
    }
    EXPECT_EQ(std::string(change.code).empty() ? 1 : 2, static_cast<int>(namesInOrder(check, kAkCode).size()));
    EXPECT_EQ((std::vector<std::string>{"Bo", change.name}), namesInOrder(check, kKScore));
  }
  // A changed key that collides is refused and names the key.
  file.buffer().setText(kName, "Bo"_cp1252);
  EXPECT_EQ(errors::kDuplicateKey, file.put());
  EXPECT_EQ(kAkName, file.duplicateKey());
}

TEST_F(StorageTest, DuplicateInUniqueKeyIsRefusedAndNamed) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  fill(file, 1, "Ana", "X1", 1);
  ASSERT_OK(file.add());
  fill(file, 2, "Bea", "X2", 2);
  ASSERT_OK(file.add());

  struct Case {
    std::int32_t id;
    std::string name, code;
    int key;
  } cases[] = {{1, "Other", "Y", kPkId}, {3, "Ana", "Y", kAkName}, {3, "Cai", "x1", kAkCode}};
  for (const Case& c : cases) {
    fill(file, c.id, c.name, c.code, 9);
    EXPECT_EQ(errors::kDuplicateKey, file.add()) << c.name;
    EXPECT_EQ(c.key, file.duplicateKey()) << c.name;
  }
  // Case matters in a case-sensitive key.
  fill(file, 3, "ana", "Z", 3);
  EXPECT_OK(file.add());
  // A put that would duplicate is refused too, and the stored record stays.
  file.buffer().setLong(kId, 2);
  ASSERT_OK(file.get(kPkId));
  file.buffer().setText(kName, "Ana"_cp1252);
  EXPECT_EQ(errors::kDuplicateKey, file.put());
  EXPECT_EQ(kAkName, file.duplicateKey());
  ASSERT_OK(file.get(kPkId));
  EXPECT_EQ("Bea", trimmed(file.buffer().getText(kName)));
  EXPECT_EQ(3, file.records());
}

TEST_F(StorageTest, OptionalKeysLeaveNullRecordsOut) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  fill(file, 0, "Zero", "", 1);
  ASSERT_OK(file.add());
  fill(file, 0, "Also zero", "", 1);
  ASSERT_OK(file.add());  // several null values are allowed in an optional unique key
  fill(file, 7, "Seven", "S", 1);
  ASSERT_OK(file.add());
  EXPECT_EQ((std::vector<std::string>{"Seven"}), namesInOrder(file, kPkId));
  EXPECT_EQ((std::vector<std::string>{"Seven"}), namesInOrder(file, kAkCode));
  EXPECT_EQ(3u, namesInOrder(file, kAkName).size());
  file.buffer().clear();
  EXPECT_EQ(errors::kRecordNotFound, file.get(kPkId));
}

TEST_F(StorageTest, KeysBuiltUnderAnotherCollationMustBeRebuilt) {
  {
    auto session = newSession();
    DataFile a(decl_, *session);
    ASSERT_OK(a.create());
    ASSERT_OK(a.open());
    for (const char* name : {"b", "B", "a", "A"}) {
      fill(a, 0, name, "", 0);
      ASSERT_OK(a.add());
    }
    EXPECT_EQ((std::vector<std::string>{"A", "B", "a", "b"}), namesInOrder(a, kAkName));
  }
  Locale interleaved;
  ASSERT_TRUE(interleaved.set("CLACOLSEQ", "AaBb"));
  Engine engine(interleaved);
  Session session(engine, folder_.string());
  DataFile a(decl_, session);
  EXPECT_EQ(errors::kKeysMustBeRebuilt, a.open());
  ASSERT_OK(a.buildKeys());
  ASSERT_OK(a.open());
  EXPECT_EQ((std::vector<std::string>{"A", "a", "B", "b"}), namesInOrder(a, kAkName));
  EXPECT_EQ(4, a.records());
}

// A rebuild that cannot run leaves an open file as it was: open, in its mode.
TEST_F(StorageTest, RefusedBuildKeysLeavesTheFileOpen) {
  auto session = newSession();
  DataFile file(decl_, *session);
  ASSERT_OK(file.create());
  ASSERT_OK(file.open());
  fill(file, 1, "one", "", 0);
  ASSERT_OK(file.add());
  const FileDecl alias = aliasOf(decl_, "PEOPLE_ALIAS", "APEO");
  DataFile second(alias, *session);
  ASSERT_OK(second.open());
  EXPECT_EQ(errors::kExclusiveAccessRequired, file.buildKeys());
  EXPECT_TRUE(file.isOpen());
  EXPECT_EQ(kReadWriteShared, file.mode());
  fill(file, 2, "two", "", 0);
  EXPECT_OK(file.add());
  ASSERT_OK(second.close());
  EXPECT_OK(file.buildKeys());
  EXPECT_TRUE(file.isOpen());
  EXPECT_EQ(2, file.records());
}

TEST_F(StorageTest, ChangedLayoutIsRefused) {
  auto session = newSession();
  {
    DataFile a(decl_, *session);
    ASSERT_OK(a.create());
  }
  FileDecl wider = decl_;
  wider.layout = RecordLayout({{"ID", FieldType::Long},
                               {"NAME", FieldType::String, 30},
                               {"CODE", FieldType::CString, 11},
                               {"SCORE", FieldType::Real}});
  DataFile file(wider, *session);
  EXPECT_EQ(errors::kBadFileStructure, file.open());
  FileDecl otherKeys = decl_;
  otherKeys.keys[kAkName].duplicates = true;
  DataFile second(otherKeys, *session);
  EXPECT_EQ(errors::kBadFileStructure, second.open());
}

}  // namespace
}  // namespace storage_test
