// The data tool: loads a school's data from CSV tables into the data files, dumps any data file
// (an export file too) as CSV, and builds the demo school.
//
// Tables are UTF-8 CSV (see csv.h), one per data file, named after the file's label
// ("ALUMNOS.csv"). The first record names the fields as the declaration does, without the prefix
// (the prefix and letter case are tolerated), in any order, each field exactly once. Values:
// LONG a decimal integer in the 32-bit range; REAL a finite decimal number; STRING(n) at most n and
// CSTRING(n) at most n-1 characters, each of them in code page 1252 and none a control character
// (a line break, a tab, NUL: it would show and print broken). A text too long for its field is an
// error here, never cut.
//
// Loading checks every row of every table first (fields, the unique keys compared as the data
// files compare them, and the parent records that the ids refer to) and reports every bad row;
// only when all rows are good does it write, all files in one transaction: either everything is
// loaded or nothing. A table missing from the set loads its file empty. The tables are read one
// row at a time, twice (once to check, once to write): what the checks keep is a compact set of
// key images per unique key (tens of bytes a value), so a million grade records load in about
// 55 MB.
//
// A load into a new folder (missing, or empty) is all or nothing even when the process is
// killed or the power fails: the files are made in a staging folder beside it
// (".NAME.loading-PID-N", see staged_folder.h) and appear by one rename of that folder once every
// file in it is complete. Afterwards the folder holds none of the data files or all of them; a
// staging folder left by a load that died is removed by the next load. A folder that holds other
// files and no data files is refused (it cannot be replaced whole) unless told to replace.
// --replace replaces the records of the data files in place, in the same transaction as the load.
// The data files the folder lacks are made and written, in that transaction, in a staging folder
// inside it (".loading-PID-N") and moved in once it has committed. Killed or failed before the
// commit, the load leaves the files the folder held with their old records and no other data file
// (the next load removes the staging folder). The commit and the moving in cannot be one step
// (each file is an entry of the folder of its own): killed between them, during the few renames
// that follow the commit, the load leaves the new records in the files the folder held and the
// others complete in the staging folder, not in place; loading again gives the whole school.
// Making the missing files empty before the transaction, and removing them when it fails, would
// leave them after a kill at any moment of the load, empty beside the old records.
//
// What a dump gives back differs from the table that was loaded only in form: fields in the
// declaration's order, STRING values without trailing blanks, numbers in their shortest form
// (REAL: the shortest text that reads back to the same double), quotes only where needed, LF line
// ends, no byte-order mark, rows in the order they were added (physical order) unless a key is
// named. The demo tables are kept in exactly that form.
//
// The caller's Locale must be the one the program orders keys by (ApplySpanishLocale): key images
// stored in the files depend on it. Nothing here throws for bad input; failures come back in the
// Result. A large table is read, and a large dump formatted, on a thread of the call's own while
// the calling thread does the rest; the call returns only once that thread is done.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "dictionary/file_declarations.h"
#include "platform/core/locale.h"
#include "platform/storage/session.h"

namespace datatool {

// One CSV table: its file name for messages ("ALUMNOS.csv") and its bytes, held in memory or in
// a file. A file is read twice, from its start, and never held whole.
struct Table {
  std::string name;
  std::string text;            // the bytes, when `file` is empty
  std::filesystem::path file;  // else the file that holds them
};

// Tables by file label ("ALUMNOS").
using Tables = std::map<std::string, Table>;

struct Result {
  // Each bad row (or header, or table) as "ALUMNOS.csv:7: reason", in the files' fixed order and
  // then by line.
  std::vector<std::string> problems;
  // What failed, in one line, when something did ("3 bad rows; nothing was written").
  std::string error;
  // Things worth telling that are not failures ("no CIUDAD.csv: CIUDAD is loaded empty").
  std::vector<std::string> notes;

  bool ok() const { return problems.empty() && error.empty(); }
};

// Finds the tables of the eight data files in a folder: LABEL.csv, the name matched without
// regard to case (the tables name their files; the load reads them). A .csv file that names no
// data file is a problem (a misspelt name would otherwise load a file empty); a missing table is
// a note.
Result readTables(const dictionary::FileDeclarations& decls, const std::filesystem::path& folder, Tables& tables);

// The demo school's tables, compiled into the tool from tools/demo/*.csv.
Tables demoTables();

// The checks of a load's first pass, writing nothing and touching no folder: every table names a
// data file, and every row of every table is checked as load() checks it before it writes. The
// Result is the one load() gives for tables that do not check (its problems and notes, and
// "nothing was written"); ok() when load() would go on to write them.
Result checkTables(const dictionary::FileDeclarations& decls, const platform::Locale& locale, const Tables& tables);

struct LoadOptions {
  // Replace the records of data files that already exist (in the same transaction as the load),
  // or load into a folder that holds other files in place. Without it, a folder that holds any of
  // the data files, or other files, is refused.
  bool replace = false;
  // The storage engine to write through, made with the load's locale (its settings, and the keys
  // it derived already); none: the load makes its own. With `beforeFolderChange`, the seam
  // through which tests cut the power in the middle of a load (an engine on the fault VFS).
  platform::storage::Engine* engine = nullptr;
  // For tests: called just before each change the load makes to folders itself, outside the
  // storage engine (making, syncing, renaming or removing its staging folder, removing a
  // leftover); returning true makes that change fail, as a full disk would.
  std::function<bool()> beforeFolderChange;
};

// Loads the tables into the eight data files in `folder` (created if missing, and then only
// once the load is complete). What this call created is removed again when it fails; existing
// files keep their records.
Result load(const dictionary::FileDeclarations& decls, const platform::Locale& locale,
            const std::filesystem::path& folder, const Tables& tables, LoadOptions options = {});

struct DumpOptions {
  // The declaration to read the file by ("ALUMNOS"); empty: chosen by the file's name (a physical
  // name of the dictionary, ignoring case and folder), else EXPORTACION.
  std::string label;
  // A key to order the rows by ("ALU:AK_NOMBRE" or "AK_NOMBRE"); empty: physical order. A key
  // leaves out the records that it leaves out (optional keys skip null values).
  std::string key;
};

// Writes the file to `out` as a CSV table (UTF-8), a chunk of rows at a time: a file of any size
// is dumped in little memory. A dump that fails part way (a damaged page, a full disk) has
// written the rows before the failure; the Result tells that it failed.
Result dump(const dictionary::FileDeclarations& decls, const platform::Locale& locale,
            const std::filesystem::path& file, const DumpOptions& options, std::ostream& out);

// Builds the demo school in `folder`: refuses a folder that exists and is not empty unless
// `replace`. `from`, when not empty, is a folder of tables used in place of the compiled-in ones.
Result buildDemo(const dictionary::FileDeclarations& decls, const platform::Locale& locale,
                 const std::filesystem::path& folder, const std::filesystem::path& from = {}, bool replace = false);

// Fixture helper for tests of other parts: loads the tables of a folder with the program's own
// declarations and locale.
Result loadFolder(const std::filesystem::path& dataFolder, const std::filesystem::path& csvFolder,
                  bool replace = false);

// The command line, without the program's name. Output to `out`, messages to `err`. Returns the
// exit code: 0 done, 1 failed, 2 wrong arguments.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace datatool
