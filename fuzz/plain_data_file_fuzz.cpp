// Fuzz target: a data file damaged behind its cipher, as only a faulty program or engine could
// damage it: the input is a declaration byte and the file's page images (the database as the
// engine reads it), which are encrypted with the declaration's key before the storage opens the
// file. Every page is authentic, so the damage reaches the engine's parsing of the pages, the
// checks of the stored layout and collation, the key images and the records.
#include <cstddef>
#include <cstdint>

#include "fuzz/damaged_file_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::DamagedFileReader reader;
  reader.readPlainInput({data, size});
  return 0;
}
