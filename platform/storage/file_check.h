// Checking a data file without changing it, and mending a damaged one from every record that can
// still be read. Any file declaration will do.
//
// What a check looks at:
// - every page in use can be read: the cipher authenticates each page, so a page whose bytes
//   changed cannot be read (the engine's integrity check reads every page of every table and key,
//   and names the first one it cannot read);
// - the engine's structure is sound (its integrity check: pages, cells, every key holding exactly
//   the entries of the records);
// - every key agrees with the records: each record's key images computed afresh from its bytes
//   with the engine's locale equal the stored ones (so the key's order is the records' order),
//   each key holds as many entries as records it should hold, and no two records take one value
//   of a unique key once their images are computed afresh;
// - the stored description matches the declaration: the format, the layout (fields and keys) and
//   the collation (the locale's sort order) it was made with.
//
// checkFile changes nothing and takes no lock that stops a program: it copies the file into a
// folder of its own while it holds the engine's shared read lock (as any reader does, for the
// time of the copy) and checks the copy. A program that died in the middle of a change leaves a
// journal that the next open rolls back into the file; check copies that journal with the file
// and checks the copy as the next program will find it, the change undone.
//
// Records are read in record-number order; where a page cannot be read, the reading narrows down
// on the record numbers around it (record numbers come from the keys, which list them), so that
// only the records of the damaged pages are lost. A damaged page that leads to others (a table's
// inner page) loses every record behind it.
//
// Thread safety: as the Engine and Session given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/storage/file_decl.h"
#include "platform/storage/session.h"

namespace platform::storage {

// Record numbers from `first` to `last` whose records could not be read; `records` of them are
// known (from the keys) to hold a record.
struct UnreadableRecords {
  std::int64_t first = 0;
  std::int64_t last = 0;
  std::int64_t records = 0;
};

// What could be read of a file's records.
struct RecordsRead {
  std::int64_t read = 0;        // records read whole
  std::int64_t unreadable = 0;  // records known to exist that could not be read
  // False when no key could list every record number: more records may be lost than `unreadable`
  // says, somewhere in `gaps`.
  bool exact = true;
  std::vector<UnreadableRecords> gaps;  // in record-number order
  std::int64_t wrongLength = 0;         // records read whose bytes are not of the record length (not counted in `read`)
  std::int64_t firstWrongLength = 0;
};

// How one key stands against the records.
struct KeyFinding {
  int key = -1;
  bool unreadable = false;       // a page of the key cannot be read
  std::int64_t disagreeing = 0;  // records whose stored key image differs from the one computed afresh
  std::int64_t firstDisagreeing = 0;
  // The key's entries, when they are not as many as the records it should hold (`expected`); -1
  // when they agree or could not be counted.
  std::int64_t entries = -1;
  std::int64_t expected = 0;
  // Two records that take one value of this unique key once computed afresh (0 when none).
  std::int64_t duplicate[2] = {0, 0};
};

struct FileCheck {
  enum class State {
    kSound,
    kMissing,      // no such file
    kUnreadable,   // nothing can be read (`error`): not a data file under this password, its first
                   // pages damaged, or not readable by this user
    kOtherLayout,  // made for another layout or format (kBadFileStructure): not a file of this declaration
    kDamaged,      // readable, with the findings below
  };
  State state = State::kSound;
  int error = 0;                         // the runtime error number behind kUnreadable and kOtherLayout
  bool unfinishedChange = false;         // a change left by a program that died was undone in the copy checked
  bool descriptionUnreadable = false;    // the stored description (format, layout, collation) cannot be read
  bool otherCollation = false;           // the keys were made under another sort order than the locale's
  std::int64_t firstUnreadablePage = 0;  // the first page the integrity check could not read (0: none)
  std::vector<std::string> structure;    // its other findings, in the engine's words (keys by their names)
  RecordsRead records;
  std::vector<KeyFinding> keys;  // only the keys with a finding

  bool sound() const { return state == State::kSound; }
  // Whether repairFile can mend it: a file of this declaration with records that can be read
  // (or none lost), whose fresh keys do not collide.
  bool repairable() const;
};

// Checks the file that `decl` names, changing nothing (see above).
FileCheck checkFile(Engine& engine, const FileDecl& decl);

struct RepairOutcome {
  // kNone: repaired, or nothing to do (`repaired` false: the file was sound). Otherwise nothing
  // was changed: kFileNotFound no such file; kExclusiveAccessRequired the file is open in a
  // program (on this or another computer); kInvalidDataFile, kBadFileStructure or kDuplicateKey it
  // cannot be repaired (`before` says why); or the error that stopped the repair.
  int error = 0;
  bool repaired = false;
  FileCheck before;     // what was wrong
  RecordsRead records;  // what was saved (read) and lost (unreadable)
  std::string keptAs;   // the damaged file's name now, beside the new one
};

// Rebuilds a damaged file from every record that can be read, with every key computed afresh: the
// new file is written beside it (`<name>.rebuild`), checked, and only then moved into place, the
// damaged file kept beside it as `<name>.damaged` (`-2`, `-3`... after an earlier one). The file
// is held alone from start to end (see sharing.h): the repair is refused while a program has it
// open, and no program opens it meanwhile. A change left unfinished by a program that died is
// rolled back first, as any open does. Uses `session` for the new file.
RepairOutcome repairFile(Session& session, const FileDecl& decl);

}  // namespace platform::storage
