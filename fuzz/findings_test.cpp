// The inputs with which the fuzz targets found faults, kept in tests/fixtures/fuzz/TARGET/ under
// the fault's name and run again through the targets' own harness: each is now read, or refused,
// without a crash, a hang or a sanitizer report. Faults whose cause a test can build are tested
// where they were mended (platform/storage/damaged_file_test.cpp, tools/csv_test.cpp); these are
// the others.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/damaged_file_reader.h"
#include "tests/support/source_dir.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> finding(const char* target, const char* name) {
  std::ifstream in(tests::sourceDir() / "tests" / "fixtures" / "fuzz" / target / name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fuzz::DamagedFileReader& reader() {
  static fuzz::DamagedFileReader reader;
  return reader;
}

// A ZOLBRANS file whose index page lists cells beyond its end and whose header counts billions of
// pages: the engine followed the cells' offsets out of its memory and crashed the program while
// reading in physical order backwards. The engine now checks the cells of every page it reads.
TEST(DataFileFindings, IndexPageWithCellsOutsideItNeverCrashesTheEngine) {
  const std::vector<std::uint8_t> input = finding("plain_data_file_fuzz", "index_page_with_cells_outside_it");
  ASSERT_FALSE(input.empty());
  reader().readPlainInput(input);
}

}  // namespace
