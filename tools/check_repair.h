// The data tool's commands for a school's IT person when the program reports a damaged file.
//
// `check FOLDER` checks every data file of the folder (see platform/storage/file_check.h): one
// line per file, "ok" or what is wrong and where, then a line that sums up and says what to run.
// It changes nothing and may run while programs have the folder open. Exit code 0 when every file
// is there and sound, 1 when any is damaged, missing or cannot be checked.
//
// `repair FILE` rebuilds one damaged data file from every record that can be read, keeps the
// damaged file beside it (FILE.damaged, FILE.damaged-2, ...) and says how many records it saved
// and how many it could not read. It refuses while a program has the file open. Exit code 0 when
// the file was repaired or was sound, 1 when nothing was changed because it could not be.
//
// The caller's Locale must be the one the program orders keys by (ApplySpanishLocale).
#pragma once

#include <filesystem>
#include <iosfwd>

#include "dictionary/file_declarations.h"
#include "platform/core/locale.h"

namespace datatool {

int checkCommand(const dictionary::FileDeclarations& decls, const platform::Locale& locale,
                 const std::filesystem::path& folder, std::ostream& out, std::ostream& err);

int repairCommand(const dictionary::FileDeclarations& decls, const platform::Locale& locale,
                  const std::filesystem::path& file, std::ostream& out, std::ostream& err);

}  // namespace datatool
