// Fuzz target: a CSV table as a school hands it in, read by the data tool's reader from the text
// whole and from a stream in small blocks, and its records written back and read again. The
// input is a block size byte and the table (see table_inputs.h).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/table_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (const std::string broken = fuzz::readCsvInput({data, size}); !broken.empty()) {
    std::fprintf(stderr, "csv_fuzz: broken property: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
