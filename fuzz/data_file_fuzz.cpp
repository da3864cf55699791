// Fuzz target: a data file whose bytes are damaged anywhere, opened and read through the storage.
// The input is a declaration byte and the encrypted file (see damaged_file_reader.h). Most damage
// stops at the page authentication; plain_data_file_fuzz reaches behind it.
#include <cstddef>
#include <cstdint>

#include "fuzz/damaged_file_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::DamagedFileReader reader;
  reader.readEncryptedInput({data, size});
  return 0;
}
