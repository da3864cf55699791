#include "platform/storage/page_cipher.h"

#include <gtest/gtest.h>
#include <sqlcipher/sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/session.h"
#include "platform/storage/testing/status_matchers.h"

namespace fs = std::filesystem;
using namespace platform;
using namespace platform::storage;
using platform::storage::testing::IsOk;

namespace {

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class PageCipherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("page-cipher-test-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    decl_.label = "ITEMS";
    decl_.prefix = "ITE";
    decl_.physicalName = (folder_ / "Items.dat").string();
    decl_.ownerPassword = "an owner password";
    decl_.layout = RecordLayout({{"ID", FieldType::Long}, {"NAME", FieldType::String, 30}});
    decl_.keys = {{"PK_ID", {0}, true, false, false, false}, {"K_NAME", {1}, false, true, false, false}};
  }
  void TearDown() override { fs::remove_all(folder_); }

  // A file of `count` records, ids 1.. and names "item N", as the storage writes it.
  void makeFile(Session& session, int count) {
    DataFile file(decl_, session);
    ASSERT_THAT(file.create(), IsOk());
    ASSERT_THAT(file.open(), IsOk());
    ASSERT_THAT(session.begin({&file}, 1), IsOk());
    for (int id = 1; id <= count; ++id) {
      file.buffer().setLong(0, id);
      file.buffer().setText(1, platform::Cp1252View::ofBytes("item " + std::to_string(id)));
      ASSERT_THAT(file.add(), IsOk());
    }
    ASSERT_THAT(session.commit(), IsOk());
    ASSERT_THAT(file.close(), IsOk());
  }

  Locale locale_;
  Engine engine_{locale_};
  fs::path folder_;
  FileDecl decl_;
};

TEST_F(PageCipherTest, PagesOfAStoredFileAreThePlainDatabaseAndEncryptBackIntoAFileTheStorageOpens) {
  Session session(engine_, folder_.string());
  makeFile(session, 200);
  const std::string key = engine_.rawKey(decl_.ownerPassword);
  std::string pages;
  ASSERT_TRUE(decryptPages(readBytes(decl_.physicalName), key, pages));
  ASSERT_EQ(0, pages.compare(0, 16, std::string("SQLite format 3\0", 16)));
  EXPECT_EQ(kCipherReserve, static_cast<unsigned char>(pages[20]));

  // The images are the database itself: the engine reads them with no key at all.
  const fs::path plain = folder_ / "plain.db";
  writeBytes(plain, pages);
  sqlite3* db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(plain.c_str(), &db, SQLITE_OPEN_READONLY, nullptr));
  sqlite3_stmt* count = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, "SELECT count(*) FROM rec", -1, &count, nullptr));
  ASSERT_EQ(SQLITE_ROW, sqlite3_step(count));
  EXPECT_EQ(200, sqlite3_column_int(count, 0));
  sqlite3_finalize(count);
  sqlite3_close(db);

  // Encrypted again under another salt, the file opens and reads through the storage.
  writeBytes(decl_.physicalName, encryptPages(pages, key, "another salt 16b"));
  DataFile file(decl_, session);
  ASSERT_THAT(file.open(), IsOk());
  EXPECT_EQ(200, file.records());
  file.buffer().setLong(0, 117);
  ASSERT_THAT(file.get(0), IsOk());
  EXPECT_EQ("item 117 ", file.buffer().getText(1).bytes().substr(0, 9));
}

TEST_F(PageCipherTest, WrongKeyAndPartialPagesAreRefused) {
  Session session(engine_, folder_.string());
  makeFile(session, 3);
  const std::string bytes = readBytes(decl_.physicalName);
  std::string pages;
  EXPECT_FALSE(decryptPages(bytes, engine_.rawKey("another password"), pages));
  EXPECT_FALSE(decryptPages(bytes.substr(0, bytes.size() - 1), engine_.rawKey(decl_.ownerPassword), pages));
  EXPECT_FALSE(decryptPages(bytes, "not a key", pages));
}

}  // namespace
