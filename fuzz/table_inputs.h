// What the fuzz targets of the CSV tables do with each input, and the form of their inputs. A
// crash, a hang, a leak or a sanitizer report is a finding; so is a broken property, which these
// functions name (an empty text: none broken) and the targets abort on.
//
// csv_fuzz: one byte giving the size of the blocks in which a stream is read (1 to 64), then a
// table. The table is read from the text whole and from a stream in those blocks: both must give
// the same records and errors, each record starting on a later line than the one before. The
// records read, written back with appendRecord, must read back as the same fields without error.
//
// load_check_fuzz: the tables of the eight data files in their fixed order (CIUDAD first, ACTAS
// last), separated by a 0xFF byte (which no UTF-8 text holds); an empty table, or one not reached,
// is missing (its file is loaded empty, and its children's references fail). The
// tables go through the whole check of a load, which writes nothing. When no table has a
// malformed record, the same tables with their columns in reverse order must have as many bad
// rows, and be loadable when they are.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

inline constexpr char kTableSeparator = '\xFF';

std::string readCsvInput(std::span<const std::uint8_t> input);
std::string checkTablesInput(std::span<const std::uint8_t> input);

// A csv_fuzz input: a table read in blocks of `block` bytes.
std::string csvInput(std::size_t block, std::string_view table);
// A load_check_fuzz input of the tables given, in the files' order (empty or fewer: missing).
std::string tablesInput(const std::vector<std::string>& tables);

}  // namespace fuzz
