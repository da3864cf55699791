// What the fuzz targets of the data files do with each input: the bytes of a data file, written
// under its name into a scratch folder and opened through the storage with the grade book's own
// declaration, then read in every order, looked up by every key, counted, written to and closed,
// as the program and the data tool would. Errors are answers; a crash, a hang, a leak or a
// sanitizer report is a finding.
//
// An input is one byte naming the declaration (its value modulo the number of declarations, see
// fuzzedDeclarations) followed by the file's bytes. One reader belongs to a process (a fuzz
// target's, or that of the test replaying their findings, findings_test.cpp): the storage engine
// derives each key once per process, and a folder on tmpfs keeps an input's writes and syncs cheap.
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

class DamagedFileReader {
 public:
  // Works in a new folder under $GRADEBOOK_FUZZ_SCRATCH (scripts/fuzz.sh sets one on tmpfs), else
  // under the system's temporary folder; removed again when the reader goes.
  DamagedFileReader();
  ~DamagedFileReader();
  DamagedFileReader(const DamagedFileReader&) = delete;
  DamagedFileReader& operator=(const DamagedFileReader&) = delete;

  // The inputs of the two targets: a declaration byte and the encrypted file (data_file_fuzz), or
  // a declaration byte and the file's page images, encrypted here under the declaration's key
  // (plain_data_file_fuzz). An empty input does nothing.
  void readEncryptedInput(std::span<const std::uint8_t> input);
  void readPlainInput(std::span<const std::uint8_t> input);

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
