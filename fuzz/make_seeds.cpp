// fuzz_seeds FOLDER: the seed inputs of the fuzz targets, made from the demo school, one folder
// per target. For each declaration of fuzzedDeclarations: its demo file whole (when it is small
// enough to fuzz), a file of its first few records and an empty file; data_file_fuzz gets them
// encrypted, plain_data_file_fuzz as their page images. The targets of the tables get the demo
// school's tables and those of the data tool's test fixtures (tests/fixtures/datatool_*): each
// table for csv_fuzz, each school for load_check_fuzz.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "dictionary/spanish_locale.h"
#include "fuzz/damaged_file_reader.h"
#include "fuzz/table_inputs.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/page_cipher.h"
#include "tools/data_tool.h"

namespace {

namespace fs = std::filesystem;
using platform::FieldType;
using platform::RecordBuffer;
using platform::storage::DataFile;
using platform::storage::FileDecl;
namespace errors = platform::errors;

// Seeds above this are left out: scripts/fuzz.sh gives the targets a -max_len just above it.
constexpr std::uintmax_t kLargestSeed = 64 * 1024;
constexpr int kFewRecords = 5;

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Copies the fields of `from` into the fields of `to` of the same name and type.
void copySameNamedFields(const RecordBuffer& from, RecordBuffer& to) {
  to.clear();
  for (int field = 0; field < to.layout().fieldCount(); ++field) {
    const int source = from.layout().indexOf(to.layout().field(field).name);
    if (source < 0 || from.layout().field(source).type != to.layout().field(field).type) continue;
    switch (to.layout().field(field).type) {
      case FieldType::Long:
        to.setLong(field, from.getLong(source));
        break;
      case FieldType::Real:
        to.setReal(field, from.getReal(source));
        break;
      case FieldType::Byte:
        to.setByte(field, from.getByte(source));
        break;
      case FieldType::String:
      case FieldType::CString:
        to.setText(field, from.getText(source));
        break;
    }
  }
}

// Makes `target` with the first `count` records of `source` (physical order), fields copied by
// name; false with a message on failure.
bool makeFileFrom(platform::storage::Session& session, const FileDecl& source, const FileDecl& target, int count) {
  DataFile from(source, session), to(target, session);
  if (to.create() != errors::kNone || to.open() != errors::kNone ||
      from.open(platform::storage::kReadOnly) != errors::kNone || from.set() != errors::kNone) {
    std::cerr << "fuzz_seeds: cannot make " << target.physicalPath() << ": " << session.lastErrorText() << "\n";
    return false;
  }
  for (int n = 0; n < count && from.next() == errors::kNone; ++n) {
    copySameNamedFields(from.buffer(), to.buffer());
    if (to.add() != errors::kNone) {
      std::cerr << "fuzz_seeds: cannot add to " << target.physicalPath() << ": " << session.lastErrorText() << "\n";
      return false;
    }
  }
  return true;
}

// Table seeds are cut, at a line break, to at most this: scripts/fuzz.sh gives csv_fuzz a
// -max_len above it, and load_check_fuzz one above eight of them.
constexpr std::size_t kLargestTable = 4 * 1024;

std::string firstLines(const std::string& table) {
  if (table.size() <= kLargestTable) return table;
  return table.substr(0, table.rfind('\n', kLargestTable) + 1);
}

// The seeds of one school's tables (by label; a missing one is empty), named after `school`.
void writeTableSeeds(const fs::path& out, const dictionary::FileDeclarations& decls, const std::string& school,
                     const std::map<std::string, std::string>& byLabel) {
  std::vector<std::string> tables;
  for (const FileDecl* decl : decls.dataFiles()) {
    const auto it = byLabel.find(decl->label);
    tables.push_back(it == byLabel.end() ? std::string() : firstLines(it->second));
    if (tables.back().empty()) continue;
    // Blocks of 1 byte, and of as many as make the records straddle them at different places.
    for (const std::size_t block : {1, 7, 64}) {
      std::ofstream(out / "csv_fuzz" / (school + "-" + decl->label + "-" + std::to_string(block)), std::ios::binary)
          << fuzz::csvInput(block, tables.back());
    }
  }
  std::ofstream(out / "load_check_fuzz" / school, std::ios::binary) << fuzz::tablesInput(tables);
}

bool writeAllTableSeeds(const fs::path& out, const dictionary::FileDeclarations& decls) {
  for (const char* target : {"csv_fuzz", "load_check_fuzz"}) fs::create_directories(out / target);
  std::map<std::string, std::string> demo;
  for (const auto& [label, table] : datatool::demoTables()) demo[label] = table.text;
  writeTableSeeds(out, decls, "demo", demo);
  for (const char* school : {"datatool_good", "datatool_bad", "datatool_names"}) {
    const fs::path folder = fs::path(GRADEBOOK_SOURCE_DIR) / "tests" / "fixtures" / school;
    std::map<std::string, std::string> tables;
    for (const FileDecl* decl : decls.dataFiles()) {
      if (fs::exists(folder / (decl->label + ".csv"))) tables[decl->label] = readBytes(folder / (decl->label + ".csv"));
    }
    if (tables.empty()) {
      std::cerr << "fuzz_seeds: no tables in " << folder << "\n";
      return false;
    }
    writeTableSeeds(out, decls, school, tables);
  }
  return true;
}

class SeedWriter {
 public:
  explicit SeedWriter(const fs::path& folder) : folder_(folder) {
    for (const char* target : {"data_file_fuzz", "plain_data_file_fuzz"}) fs::create_directories(folder_ / target);
  }
  // The seeds of one file of declaration number `index`: encrypted and as page images.
  bool write(std::size_t index, const std::string& name, const std::string& file, const std::string& rawKey) {
    std::string pages;
    if (!platform::storage::decryptPages(file, rawKey, pages)) {
      std::cerr << "fuzz_seeds: " << name << ": the pages do not decrypt\n";
      return false;
    }
    const char selector = static_cast<char>(index);
    std::ofstream(folder_ / "data_file_fuzz" / name, std::ios::binary) << selector << file;
    std::ofstream(folder_ / "plain_data_file_fuzz" / name, std::ios::binary) << selector << pages;
    return true;
  }

 private:
  fs::path folder_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_seeds FOLDER\n";
    return 2;
  }
  const fs::path out = argv[1];
  const fs::path work = fs::temp_directory_path() / ("gradebook-fuzz-seeds-" + std::to_string(::getpid()));
  platform::Locale locale;
  dictionary::ApplySpanishLocale(locale);
  dictionary::FileDeclarations decls;
  if (const datatool::Result demo = datatool::buildDemo(decls, locale, work / "demo"); !demo.ok()) {
    std::cerr << "fuzz_seeds: the demo school: " << demo.error << "\n";
    return 1;
  }
  platform::storage::Engine engine(locale);
  bool ok = true;
  {
    platform::storage::Session session(engine, work.string());
    SeedWriter seeds(out);
    const std::vector<const FileDecl*> fuzzed = fuzz::fuzzedDeclarations(decls);
    for (std::size_t index = 0; index < fuzzed.size(); ++index) {
      const FileDecl& decl = *fuzzed[index];
      const std::string key = engine.rawKey(decl.ownerPassword);
      const fs::path demoFile = work / "demo" / decl.physicalPath();
      // The export file has no demo file: its records come from the grade records.
      const FileDecl& origin = &decl == &decls.EXPORTACION ? decls.ACTAS : decl;
      const FileDecl source = platform::storage::placedAt(origin, (work / "demo" / origin.physicalPath()).string());
      if (fs::exists(demoFile) && fs::file_size(demoFile) <= kLargestSeed) {
        ok = seeds.write(index, decl.label + "-demo", readBytes(demoFile), key) && ok;
      }
      for (const int count : {kFewRecords, 0}) {
        const FileDecl made = platform::storage::placedAt(decl, (work / ("made-" + decl.physicalPath())).string());
        ok = makeFileFrom(session, source, made, count) &&
             seeds.write(index, decl.label + "-" + std::to_string(count), readBytes(made.physicalPath()), key) && ok;
      }
    }
  }
  std::error_code ignored;
  fs::remove_all(work, ignored);
  ok = writeAllTableSeeds(out, decls) && ok;
  return ok ? 0 : 1;
}
