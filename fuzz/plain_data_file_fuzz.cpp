// Fuzz target: a data file damaged behind its cipher, as only a faulty program or engine could
// damage it: the input is a declaration byte and the file's page images (the database as the
// engine reads it), which are encrypted with the declaration's key before the storage opens the
// file. Every page is authentic, so the damage reaches the engine's parsing of the pages, the
// checks of the stored layout and collation, the key images and the records.
#include <cstddef>
#include <cstdint>

#include "fuzz/damaged_file_reader.h"
#include "platform/storage/page_cipher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::DamagedFileReader reader;
  const std::span<const std::uint8_t> input(data, size);
  if (const auto* decl = reader.declarationOf(input)) {
    const std::string_view pages(reinterpret_cast<const char*>(data) + 1, size - 1);
    reader.readFile(*decl, platform::storage::encryptPages(pages, reader.rawKey(*decl), fuzz::kFuzzSalt));
  }
  return 0;
}
