#include "platform/core/runtime_errors.h"

#include <string_view>

namespace platform::errors {

namespace {

struct Entry {
  int code;
  std::string_view text;
};

constexpr Entry kTexts[] = {
    {kNone, "No error"},
    {kFileNotFound, "File not found"},
    {kPathNotFound, "Path not found"},
    {kTooManyFiles, "Too many open files"},
    {kAccessDenied, "Access denied"},
    {kMemoryCorrupted, "Memory corrupted"},
    {kOutOfMemory, "Insufficient memory"},
    {kInvalidDrive, "Invalid drive"},
    {kEntryNotFound, "Entry not found"},
    {kFileLocked, "File is locked"},
    {kRecordNotAvailable, "Record not available"},
    {kRecordNotFound, "Record not found"},
    {kInvalidDataFile, "Invalid data file"},
    {kFileNotOpen, "File not open"},
    {kDuplicateKey, "Creates duplicate key"},
    {kRecordHeld, "Record is already held"},
    {kInvalidFileName, "Invalid file name"},
    {kKeysMustBeRebuilt, "Keys must be rebuilt"},
    {kBadFileStructure, "Invalid file structure"},
    {kTransactionNotStarted, "Transaction could not be started"},
    {kFileAlreadyOpen, "File already open"},
    {kCannotCreate, "File cannot be created"},
    {kMustBeShared, "File must be opened for shared access"},
    {kExclusiveAccessRequired, "Exclusive access required"},
    {kSharingViolation, "Sharing violation"},
    {kRollbackFailed, "Rollback failed"},
    {kInvalidFieldType, "Invalid field type"},
    {kInvalidKey, "Invalid key"},
    {kKeyAccessFailed, "Key could not be accessed"},
    {kInvalidParameters, "Invalid number of parameters"},
    {kNotSupported, "Function not supported"},
    {kRecordChanged, "Record changed by another user"},
    {kNotInCodePage, "Text holds a character the code page cannot store"},
    {kTransactionActive, "Not allowed during a transaction"},
    {kNoTransaction, "No transaction active"},
    {kDiskFull, "Disk full"},
    {kIoError, "Input/output error"},
    {kInvalidFilter, "Invalid filter"},
    {kInvalidOrder, "Invalid order"},
};

const Entry* find(int code) {
  for (const Entry& e : kTexts) {
    if (e.code == code) return &e;
  }
  return nullptr;
}

}  // namespace

std::string defaultErrorText(int code) {
  if (const Entry* e = find(code)) return std::string(e->text);
  return "Error " + std::to_string(code);
}

bool isKnownError(int code) { return find(code) != nullptr; }

}  // namespace platform::errors
