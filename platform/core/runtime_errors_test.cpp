#include "platform/core/runtime_errors.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/core/locale.h"

namespace platform {
namespace {

// Every number the platform reports, as the header lists them.
constexpr int kReported[] = {
    errors::kNone,
    errors::kFileNotFound,
    errors::kPathNotFound,
    errors::kTooManyFiles,
    errors::kAccessDenied,
    errors::kMemoryCorrupted,
    errors::kOutOfMemory,
    errors::kInvalidDrive,
    errors::kEntryNotFound,
    errors::kFileLocked,
    errors::kRecordNotAvailable,
    errors::kRecordNotFound,
    errors::kInvalidDataFile,
    errors::kFileNotOpen,
    errors::kDuplicateKey,
    errors::kRecordHeld,
    errors::kInvalidFileName,
    errors::kKeysMustBeRebuilt,
    errors::kBadFileStructure,
    errors::kTransactionNotStarted,
    errors::kFileAlreadyOpen,
    errors::kCannotCreate,
    errors::kMustBeShared,
    errors::kExclusiveAccessRequired,
    errors::kSharingViolation,
    errors::kRollbackFailed,
    errors::kInvalidFieldType,
    errors::kInvalidKey,
    errors::kKeyAccessFailed,
    errors::kInvalidParameters,
    errors::kNotSupported,
    errors::kRecordChanged,
    errors::kNotInCodePage,
    errors::kTransactionActive,
    errors::kNoTransaction,
    errors::kDiskFull,
    errors::kIoError,
};

TEST(RuntimeErrors, EveryReportedNumberHasItsOwnPlainText) {
  std::set<int> numbers;
  std::set<std::string> texts;
  for (int code : kReported) {
    EXPECT_TRUE(errors::isKnownError(code)) << code;
    const std::string text = errors::defaultErrorText(code);
    EXPECT_FALSE(text.empty()) << code;
    EXPECT_NE(text, "Error " + std::to_string(code)) << code;
    for (char c : text) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << code << ": " << text;
    numbers.insert(code);
    texts.insert(text);
  }
  EXPECT_EQ(numbers.size(), std::size(kReported));
  EXPECT_EQ(texts.size(), std::size(kReported));  // no two errors read alike
}

TEST(RuntimeErrors, UnknownNumbersGetAGenericText) {
  for (int code : {1, 6, 57, 73, 999, -1}) {
    EXPECT_FALSE(errors::isKnownError(code)) << code;
    EXPECT_EQ(errors::defaultErrorText(code), "Error " + std::to_string(code));
  }
}

TEST(RuntimeErrors, TheLocaleReplacesTextsByNumberOnly) {
  Locale locale;
  EXPECT_EQ(locale.errorText(errors::kDuplicateKey), "Creates duplicate key");
  ASSERT_TRUE(locale.set("CLAMSG40", "Crea llave duplicada..."));
  locale.setErrorText(73, "Memo missing");
  EXPECT_EQ(locale.errorText(errors::kDuplicateKey), "Crea llave duplicada...");
  EXPECT_EQ(locale.errorText(73), "Memo missing");
  EXPECT_EQ(locale.errorText(errors::kRecordChanged), errors::defaultErrorText(errors::kRecordChanged));
  // An empty text is a text too: it replaces the platform's.
  locale.setErrorText(errors::kFileLocked, "");
  EXPECT_EQ(locale.errorText(errors::kFileLocked), "");
}

}  // namespace
}  // namespace platform
