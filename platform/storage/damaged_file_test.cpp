// Data files damaged in ways the fuzz targets found (fuzz/): each test is named after the fault.
#include <gtest/gtest.h>
#include <sqlcipher/sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/page_cipher.h"
#include "platform/storage/session.h"
#include "platform/storage/testing/status_matchers.h"
#include "platform/storage/view.h"

namespace fs = std::filesystem;
using namespace platform;
using namespace platform::storage;
using platform::storage::testing::IsOk;

namespace {

using namespace platform::literals;

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class DamagedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("damaged-file-test-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    decl_.label = "ITEMS";
    decl_.prefix = "ITE";
    decl_.physicalName = (folder_ / "Items.dat").string();
    decl_.ownerPassword = "an owner password";
    decl_.layout = RecordLayout({{"ID", FieldType::Long}, {"NAME", FieldType::String, 30}});
    decl_.keys = {{"PK_ID", {0}, true, false, false, false},
                  {"AK_NAME", {1}, false, false, false, false},
                  {"K_NAME", {1}, false, true, true, false}};
  }
  void TearDown() override { fs::remove_all(folder_); }

  Locale locale_;
  Engine engine_{locale_};
  fs::path folder_;
  FileDecl decl_;
};

// How a read in one order ended: the records read (at most the limit + 1) and the error that
// stopped it.
struct ReadEnd {
  int records = 0;
  int error = errors::kNone;
};

// Reads in the order of `key` (-1 physical) one way until a read fails, or past `limit` records.
ReadEnd readInOrder(DataFile& file, int key, bool forward, int limit) {
  ReadEnd end;
  if ((end.error = file.set(key)) != errors::kNone) return end;
  while (end.records <= limit && (end.error = forward ? file.next() : file.previous()) == errors::kNone) ++end.records;
  return end;
}

// The same through a view (which reads with statements of its own), in physical order when `key`
// is -1.
ReadEnd readViewInOrder(DataFile& file, int key, bool forward, int limit) {
  View view(file);
  ReadEnd end;
  if ((end.error = view.open()) != errors::kNone) return end;
  if (key >= 0 && (end.error = view.setOrder(key)) != errors::kNone) return end;
  while (end.records <= limit && (end.error = forward ? view.next() : view.previous()) == errors::kNone) ++end.records;
  return end;
}

// A read that ended by itself: after the last record, or stopped as the keys must be rebuilt.
bool endedWell(const ReadEnd& end, int limit) {
  return end.records <= limit && (end.error == errors::kRecordNotAvailable || end.error == errors::kKeysMustBeRebuilt);
}

// A crash whose journal is then lost (removed by hand, or left behind by a copy of the folder)
// leaves a file holding pages of two of its versions. Every page is still authentic, but the
// records' tree may lead from a later record back to earlier ones: reading in physical order went
// round again for ever. Each read ends, in every order, whichever page is the older one.
TEST_F(DamagedFileTest, FileMixingPagesOfTwoOfItsVersionsNeverReadsForEver) {
  constexpr int kRecords = 60;
  std::string before, after;
  {
    Session session(engine_, folder_.string());
    DataFile file(decl_, session);
    ASSERT_THAT(file.create(), IsOk());
    ASSERT_THAT(file.open(), IsOk());
    ASSERT_THAT(session.begin({&file}, 1), IsOk());
    for (int id = 1; id <= kRecords; ++id) {
      file.buffer().setLong(0, id);
      file.buffer().setText(1, platform::Cp1252View::ofBytes("name " + std::to_string(1000 + id)));
      ASSERT_THAT(file.add(), IsOk());
    }
    ASSERT_THAT(session.commit(), IsOk());
    before = readBytes(decl_.physicalName);
    // Later names that sort before or after every earlier one.
    ASSERT_THAT(session.begin({&file}, 1), IsOk());
    for (int id = 1; id <= kRecords; id += 3) {
      ASSERT_THAT(file.getRecord(id), IsOk());
      file.buffer().setText(1,
                            platform::Cp1252View::ofBytes((id % 2 ? "early " : "zeta ") + std::to_string(1000 + id)));
      ASSERT_THAT(file.put(), IsOk());
    }
    ASSERT_THAT(session.commit(), IsOk());
    after = readBytes(decl_.physicalName);
  }
  ASSERT_EQ(before.size(), after.size());
  for (std::size_t page = 1; page < after.size() / kCipherPageSize; ++page) {
    std::string mixed = after;
    mixed.replace(page * kCipherPageSize, kCipherPageSize, before, page * kCipherPageSize, kCipherPageSize);
    writeBytes(decl_.physicalName, mixed);
    Session session(engine_, folder_.string());
    DataFile file(decl_, session);
    if (file.open() != errors::kNone) continue;
    for (int key = -1; key < static_cast<int>(decl_.keys.size()); ++key) {
      for (bool forward : {true, false}) {
        for (const ReadEnd& end :
             {readInOrder(file, key, forward, kRecords), readViewInOrder(file, key, forward, kRecords)}) {
          EXPECT_TRUE(endedWell(end, kRecords))
              << "page " << page << ", key " << key << (forward ? ", forwards: " : ", backwards: ") << end.records
              << " records, error " << end.error;
        }
      }
    }
  }
}

// The root page of an index in a database's page images.
int rootPageOf(const std::string& pages, const fs::path& scratch, const std::string& index) {
  writeBytes(scratch, pages);
  sqlite3* db = nullptr;
  int root = 0;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_open_v2(scratch.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, ("SELECT rootpage FROM sqlite_master WHERE name = '" + index + "'").c_str(), -1,
                         &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW) {
    root = sqlite3_column_int(statement, 0);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return root;
}

// A record whose entry in a key's index holds another value than the record's own (a damaged
// index page, whose page is still authentic): reading in that key went from the entry's record
// to its own value and back to the entry again, for ever. Whichever entry of a run of equal
// values is damaged, each read ends; where it cannot go on, with error 46 (rebuild the keys).
TEST_F(DamagedFileTest, IndexEntryUnderAnotherValueNeverReadsForEver) {
  constexpr int kNameKey = 2;
  constexpr int kRecords = 5;
  const std::string key = engine_.rawKey(decl_.ownerPassword);
  std::string image, smaller;
  {
    Session session(engine_, folder_.string());
    DataFile file(decl_, session);
    ASSERT_THAT(file.create(), IsOk());
    ASSERT_THAT(file.open(), IsOk());
    // One value in the key (which ignores case) for every record.
    const char* names[kRecords] = {"same", "Same", "sAme", "saMe", "samE"};
    for (int id = 1; id <= kRecords; ++id) {
      file.buffer().setLong(0, id);
      file.buffer().setText(1, platform::Cp1252View::ofBytes(names[id - 1]));
      ASSERT_THAT(file.add(), IsOk());
    }
    image = file.keyImage(kNameKey);
    file.buffer().setText(1, "samd"_cp1252);
    smaller = file.keyImage(kNameKey);
    ASSERT_EQ(image.size(), smaller.size());
  }
  std::string pages;
  ASSERT_TRUE(storage::decryptPages(readBytes(decl_.physicalName), key, pages));
  const int root = rootPageOf(pages, folder_ / "plain.db", "rec_k" + std::to_string(kNameKey));
  ASSERT_GT(root, 1);
  int entries = 0;
  for (std::size_t at = pages.find(image, (root - 1) * kCipherPageSize); at < root * kCipherPageSize;
       at = pages.find(image, at + 1), ++entries) {
    std::string damaged = pages;
    damaged.replace(at, smaller.size(), smaller);
    writeBytes(decl_.physicalName, storage::encryptPages(damaged, key, "sixteen byte slt"));
    Session session(engine_, folder_.string());
    DataFile file(decl_, session);
    ASSERT_THAT(file.open(), IsOk());
    for (bool forward : {true, false}) {
      for (const ReadEnd& end :
           {readInOrder(file, kNameKey, forward, kRecords), readViewInOrder(file, kNameKey, forward, kRecords)}) {
        EXPECT_TRUE(endedWell(end, kRecords)) << "entry at " << at << (forward ? ", forwards: " : ", backwards: ")
                                              << end.records << " records, error " << end.error;
      }
    }
  }
  EXPECT_EQ(kRecords, entries);
}

// The engine takes the page size that a file's first page states, but its cipher stays set for
// its own size: a first page stating a smaller one, authentic under the owner password's key
// (compiled into the program, so anyone can write such a file), made it read past its buffers.
// Such a file is no data file (36); a larger size, or its own, opens.
TEST_F(DamagedFileTest, FirstPageStatingAnotherPageSizeIsNoDataFile) {
  {
    Session session(engine_, folder_.string());
    DataFile file(decl_, session);
    ASSERT_THAT(file.create(), IsOk());
  }
  const std::string key = engine_.rawKey(decl_.ownerPassword);
  std::string pages;
  ASSERT_TRUE(storage::decryptPages(readBytes(decl_.physicalName), key, pages));
  const struct {
    unsigned char high, low;  // the page size's two bytes (big-endian)
    int error;
  } cases[] = {{0x02, 0x00, errors::kInvalidDataFile},
               {0x04, 0x00, errors::kInvalidDataFile},
               {0x08, 0x00, errors::kInvalidDataFile},
               {0x10, 0x00, errors::kNone}};
  for (const auto& c : cases) {
    std::string stated = pages;
    stated[16] = static_cast<char>(c.high);
    stated[17] = static_cast<char>(c.low);
    writeBytes(decl_.physicalName, storage::encryptPages(stated, key, "sixteen byte slt"));
    Session session(engine_, folder_.string());
    DataFile file(decl_, session);
    EXPECT_EQ(c.error, file.open()) << "page size " << (c.high << 8 | c.low);
  }
}

}  // namespace
