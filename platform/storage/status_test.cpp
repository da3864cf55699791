// What a storage operation's Status says, and how a failing test shows it.
#include "platform/storage/status.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "platform/storage/storage_test_fixture.h"
#include "platform/storage/testing/status_matchers.h"
#include "platform/storage/view.h"

using platform::storage::testing::HasError;
using platform::storage::testing::IsOk;

namespace storage_test {
namespace {

class StatusTest : public StorageTest {};

// Each failure's Status holds what the session recorded for it, right after the operation.
TEST_F(StatusTest, AFailureSaysWhatTheSessionRecorded) {
  struct Case {
    const char* what;
    int code;
    std::function<Status(Session&, DataFile&, View&)> fail;
  };
  const Case cases[] = {
      {"a record that is not there", errors::kRecordNotFound,
       [](Session&, DataFile& file, View&) {
         file.buffer().setLong(kId, 7);
         return file.get(kPkId);
       }},
      {"a transaction over a closed file", errors::kFileNotOpen,
       [](Session& session, DataFile& file, View&) {
         file.close();
         return session.begin({&file}, 1);
       }},
      {"a filter that names nothing", errors::kInvalidFilter,
       [](Session&, DataFile&, View& view) { return view.setFilter("PEO:NOWHERE = 1"); }},
      {"a file that is no data file", errors::kInvalidDataFile,
       [this](Session& session, DataFile& file, View&) {
         file.close();
         std::ofstream(decl_.physicalName, std::ios::binary | std::ios::trunc) << std::string(4096, 'x');
         return file.open();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(decl_.physicalName);
    Session session(engine_, folder_.string());
    DataFile file(decl_, session);
    ASSERT_THAT(file.create(), IsOk());
    ASSERT_THAT(file.open(), IsOk());
    View view(file);
    const Status status = c.fail(session, file, view);
    EXPECT_EQ(c.code, status.code());
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(session.lastError(), status.code());
    EXPECT_EQ(locale_.errorText(c.code), status.text());
    EXPECT_EQ(session.lastErrorFile(), status.file());
    EXPECT_EQ(session.lastErrorCause(), status.cause());
  }
}

TEST_F(StatusTest, DoneHoldsNothingButItsNumber) {
  Session session(engine_, folder_.string());
  DataFile file(decl_, session);
  const Status done = file.create();
  EXPECT_TRUE(done.ok());
  EXPECT_EQ(0, done);
  EXPECT_EQ("", done.text());
  EXPECT_EQ("", done.file());
  EXPECT_EQ("", done.cause());
  EXPECT_EQ("0", ::testing::PrintToString(done));
}

// A failing test shows the number, the locale's text (in UTF-8), the file and the cause.
TEST_F(StatusTest, AFailingTestPrintsTheWholeStatus) {
  locale_.setErrorText(errors::kRecordNotFound, "Registro no encontrado en el \xEDndice");
  Session session(engine_, folder_.string());
  DataFile file(decl_, session);
  ASSERT_THAT(file.create(), IsOk());
  ASSERT_THAT(file.open(), IsOk());
  file.buffer().setLong(kId, 7);
  const Status missing = file.get(kPkId);
  const std::string shown = "35 Registro no encontrado en el \xC3\xADndice (" + decl_.physicalName + ")";
  EXPECT_EQ(shown, ::testing::PrintToString(missing));
  EXPECT_NONFATAL_FAILURE(EXPECT_EQ(errors::kNone, missing), shown);
  EXPECT_NONFATAL_FAILURE(EXPECT_THAT(missing, IsOk()), shown);
  EXPECT_NONFATAL_FAILURE(EXPECT_THAT(missing, HasError(errors::kFileLocked)), "fails with 32 (File is locked)");
  EXPECT_THAT(missing, HasError(errors::kRecordNotFound));

  View view(file);
  const Status badFilter = view.setFilter("PEO:NOWHERE = 1");
  EXPECT_EQ("95 " + locale_.errorText(errors::kInvalidFilter) + " (" + decl_.physicalName + "): " + badFilter.cause(),
            ::testing::PrintToString(badFilter));
  EXPECT_NE(std::string::npos, badFilter.cause().find("NOWHERE")) << badFilter.cause();
}

// A number that no session recorded still reads as something.
TEST_F(StatusTest, ANumberAloneTakesThePlatformsText) {
  EXPECT_EQ("37 File not open", Status(errors::kFileNotOpen).describe());
}

}  // namespace
}  // namespace storage_test
