// What the fuzz targets of the data files do with each input: the bytes of a data file, written
// under its name into a scratch folder and opened through the storage with the grade book's own
// declaration, then read in every order, looked up by every key, counted, written to and closed,
// as the program and the data tool would. Errors are answers; a crash, a hang, a leak or a
// sanitizer report is a finding.
//
// An input is one byte naming the declaration (its value modulo the number of declarations, see
// fuzzedDeclarations) followed by the file's bytes. One reader belongs to a fuzz target's process:
// the storage engine derives each key once per process, and a folder on tmpfs keeps an input's
// writes and syncs cheap.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/file_declarations.h"
#include "platform/core/locale.h"
#include "platform/storage/file_decl.h"
#include "platform/storage/session.h"

namespace fuzz {

// The declarations an input may name: the eight data files, then the export file (the aliases
// read the same files as the files they alias).
std::vector<const platform::storage::FileDecl*> fuzzedDeclarations(const dictionary::FileDeclarations& decls);

// The salt of the data files that the plain-page target encrypts: any 16 bytes will do.
inline constexpr std::string_view kFuzzSalt = "fuzzed data file";

class DamagedFileReader {
 public:
  // Works in a new folder under $GRADEBOOK_FUZZ_SCRATCH (scripts/fuzz.sh sets one on tmpfs), else
  // under the system's temporary folder; removed again when the reader goes.
  DamagedFileReader();
  ~DamagedFileReader();
  DamagedFileReader(const DamagedFileReader&) = delete;
  DamagedFileReader& operator=(const DamagedFileReader&) = delete;

  // The declaration that an input's first byte names, placed in the scratch folder; null for an
  // empty input.
  const platform::storage::FileDecl* declarationOf(std::span<const std::uint8_t> input) const;
  // The engine's raw key of a declaration's owner password (derived once).
  std::string rawKey(const platform::storage::FileDecl& decl) { return engine_.rawKey(decl.ownerPassword); }

  // Writes `bytes` as the declaration's file, opens it (rebuilding its keys when the file asks
  // for it, as the program does), reads and writes it, closes it and removes it.
  void readFile(const platform::storage::FileDecl& decl, std::string_view bytes);

 private:
  platform::Locale locale_;
  dictionary::FileDeclarations declarations_;
  std::vector<platform::storage::FileDecl> placed_;  // fuzzedDeclarations() in the scratch folder
  std::filesystem::path folder_;
  platform::storage::Engine engine_;
  std::unique_ptr<platform::storage::Session> session_;
};

}  // namespace fuzz
