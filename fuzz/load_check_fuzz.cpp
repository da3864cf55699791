// Fuzz target: the tables of a school as a load checks them before it writes anything: every
// field's type and width, code page 1252, control characters, the unique keys and the parent
// records across the eight tables. The input is the eight tables separated by 0xFF (see
// table_inputs.h); nothing is written.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/table_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (const std::string broken = fuzz::checkTablesInput({data, size}); !broken.empty()) {
    std::fprintf(stderr, "load_check_fuzz: broken property: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
