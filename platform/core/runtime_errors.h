// Runtime error numbers that the platform reports, and its own (English) texts for them.
// The locale can replace any text by number (see Locale::setErrorText).
#pragma once

#include <string>

namespace platform::errors {

inline constexpr int kNone = 0;
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kTooManyFiles = 4;
inline constexpr int kAccessDenied = 5;
inline constexpr int kMemoryCorrupted = 7;
inline constexpr int kOutOfMemory = 8;
inline constexpr int kInvalidDrive = 15;
inline constexpr int kEntryNotFound = 30;
inline constexpr int kFileLocked = 32;
inline constexpr int kRecordNotAvailable = 33;
inline constexpr int kRecordNotFound = 35;
inline constexpr int kInvalidDataFile = 36;
inline constexpr int kFileNotOpen = 37;
inline constexpr int kDuplicateKey = 40;
inline constexpr int kRecordHeld = 43;
inline constexpr int kInvalidFileName = 45;
inline constexpr int kKeysMustBeRebuilt = 46;
inline constexpr int kBadFileStructure = 47;
inline constexpr int kTransactionNotStarted = 48;
inline constexpr int kFileAlreadyOpen = 52;
inline constexpr int kCannotCreate = 54;
inline constexpr int kMustBeShared = 55;
inline constexpr int kExclusiveAccessRequired = 63;
inline constexpr int kSharingViolation = 64;
inline constexpr int kRollbackFailed = 65;
inline constexpr int kInvalidFieldType = 75;
inline constexpr int kInvalidKey = 76;
inline constexpr int kKeyAccessFailed = 77;
inline constexpr int kInvalidParameters = 78;
inline constexpr int kNotSupported = 80;
inline constexpr int kRecordChanged = 89;
inline constexpr int kNotInCodePage = 90;      // a text holds a character code page 1252 lacks
inline constexpr int kTransactionActive = 91;  // the operation is not allowed inside a transaction
inline constexpr int kNoTransaction = 92;      // commit or rollback without a transaction
inline constexpr int kDiskFull = 93;
inline constexpr int kIoError = 94;
inline constexpr int kInvalidFilter = 95;  // a view's filter does not parse or names an unknown name
inline constexpr int kInvalidOrder = 96;   // a view's order names no field of its files

// The platform's own (English, plain ASCII) text for an error number: every constant above has
// one; any other number gives "Error N". Returned by value so that the "Error N" text needs no
// storage of its own.
std::string defaultErrorText(int code);
// Whether `code` is one of the constants above (kNone included).
bool isKnownError(int code);

}  // namespace platform::errors
