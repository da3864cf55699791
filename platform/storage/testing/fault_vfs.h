// A test seam under the storage: an SQLite VFS that passes everything to the default one and can
// end the process abruptly just before its Nth write, sync, truncate or delete, as a power cut or
// a kill at that moment would, or from the Nth on fail them, as a full disk does. It can also
// note where it reads, to find the page that holds something.
#pragma once

#include <vector>

namespace platform::storage::testing {

// Registers the VFS under the name "fault" (once); returns that name.
const char* registerFaultVfs();
// From now on, _exit(exitCode) just before the nth file-changing operation (1 = the next one).
// 0 disarms.
void crashAtOperation(int nth, int exitCode = 77);
// From now on, the nth file-changing operation and every one after it fail: writes and truncates
// with SQLITE_FULL, syncs and deletes with SQLITE_IOERR. 0 mends the disk.
void failFromOperation(int nth);
// The SQLite code of the first operation failed since the last failFromOperation call: SQLITE_FULL
// (a write or truncate), SQLITE_IOERR (a sync or delete), or 0 when none failed.
int firstFailure();
// File-changing operations seen since the last crashAtOperation or failFromOperation call.
int operationsSeen();
// From now on, the file offset of every read on this thread is appended to `offsets`; null stops.
void recordReads(std::vector<long long>* offsets);
// Counts a file-changing operation made outside SQLite (a folder renamed, removed or synced) among
// the same operations: the process ends here when it is the one crashAtOperation names, and the
// result is true when it must fail (from failFromOperation's on).
bool beforeOtherOperation();

}  // namespace platform::storage::testing
