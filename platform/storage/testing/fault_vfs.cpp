#include "platform/storage/testing/fault_vfs.h"

#include <sqlcipher/sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace platform::storage::testing {
namespace {

sqlite3_vfs* base = nullptr;
sqlite3_vfs faultVfs;
std::atomic<int> crashAt{0};
std::atomic<int> failFrom{0};
std::atomic<int> seen{0};
std::atomic<int> first{0};
thread_local std::vector<long long>* readsTo = nullptr;

struct FaultFile {
  sqlite3_file base;   // must be first: SQLite sees this struct as an sqlite3_file
  sqlite3_file* real;  // the default VFS's file, allocated right after this struct
};

// Counts a file-changing operation; true when it must fail with `code`.
bool beforeChange(int code) {
  const int n = ++seen;
  if (crashAt != 0 && n >= crashAt) _exit(77);
  if (failFrom == 0 || n < failFrom) return false;
  int none = 0;
  first.compare_exchange_strong(none, code);
  return true;
}

sqlite3_file* realOf(sqlite3_file* file) { return reinterpret_cast<FaultFile*>(file)->real; }

int xClose(sqlite3_file* f) { return realOf(f)->pMethods->xClose(realOf(f)); }
int xRead(sqlite3_file* f, void* p, int n, sqlite3_int64 o) {
  if (readsTo != nullptr) readsTo->push_back(o);
  return realOf(f)->pMethods->xRead(realOf(f), p, n, o);
}
int xWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 o) {
  if (beforeChange(SQLITE_FULL)) return SQLITE_FULL;
  return realOf(f)->pMethods->xWrite(realOf(f), p, n, o);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
  if (beforeChange(SQLITE_FULL)) return SQLITE_FULL;
  return realOf(f)->pMethods->xTruncate(realOf(f), size);
}
int xSync(sqlite3_file* f, int flags) {
  if (beforeChange(SQLITE_IOERR)) return SQLITE_IOERR_FSYNC;
  return realOf(f)->pMethods->xSync(realOf(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) { return realOf(f)->pMethods->xFileSize(realOf(f), size); }
int xLock(sqlite3_file* f, int l) { return realOf(f)->pMethods->xLock(realOf(f), l); }
int xUnlock(sqlite3_file* f, int l) { return realOf(f)->pMethods->xUnlock(realOf(f), l); }
int xCheckReservedLock(sqlite3_file* f, int* out) { return realOf(f)->pMethods->xCheckReservedLock(realOf(f), out); }
int xFileControl(sqlite3_file* f, int op, void* arg) { return realOf(f)->pMethods->xFileControl(realOf(f), op, arg); }
int xSectorSize(sqlite3_file* f) { return realOf(f)->pMethods->xSectorSize(realOf(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f)); }

sqlite3_io_methods methods = [] {
  sqlite3_io_methods m{};
  m.iVersion = 1;  // no shared memory: the files never use WAL
  m.xClose = xClose;
  m.xRead = xRead;
  m.xWrite = xWrite;
  m.xTruncate = xTruncate;
  m.xSync = xSync;
  m.xFileSize = xFileSize;
  m.xLock = xLock;
  m.xUnlock = xUnlock;
  m.xCheckReservedLock = xCheckReservedLock;
  m.xFileControl = xFileControl;
  m.xSectorSize = xSectorSize;
  m.xDeviceCharacteristics = xDeviceCharacteristics;
  return m;
}();

int xOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
  auto* wrapper = reinterpret_cast<FaultFile*>(file);
  wrapper->real = reinterpret_cast<sqlite3_file*>(wrapper + 1);
  const int rc = base->xOpen(base, name, wrapper->real, flags, outFlags);
  wrapper->base.pMethods = rc == SQLITE_OK && wrapper->real->pMethods ? &methods : nullptr;
  return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int syncDir) {
  if (beforeChange(SQLITE_IOERR)) return SQLITE_IOERR_DELETE;
  return base->xDelete(base, name, syncDir);
}

}  // namespace

const char* registerFaultVfs() {
  if (base == nullptr) {
    base = sqlite3_vfs_find(nullptr);
    faultVfs = *base;
    faultVfs.zName = "fault";
    faultVfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + base->szOsFile;
    faultVfs.xOpen = xOpen;
    faultVfs.xDelete = xDelete;
    faultVfs.pNext = nullptr;
    sqlite3_vfs_register(&faultVfs, 0);
  }
  return "fault";
}

void crashAtOperation(int nth, int) {
  seen = 0;
  crashAt = nth;
}

void failFromOperation(int nth) {
  seen = 0;
  first = 0;
  failFrom = nth;
}

int firstFailure() { return first; }

int operationsSeen() { return seen; }

void recordReads(std::vector<long long>* offsets) { readsTo = offsets; }
bool beforeOtherOperation() { return beforeChange(SQLITE_IOERR); }

}  // namespace platform::storage::testing
