#include "fuzz/damaged_file_reader.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "dictionary/spanish_locale.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/page_cipher.h"
#include "platform/storage/view.h"

namespace fuzz {
namespace {

namespace fs = std::filesystem;
using platform::storage::DataFile;
using platform::storage::FileDecl;
using platform::storage::Position;
using platform::storage::View;
namespace errors = platform::errors;

// The salt of the files made from page images: any 16 bytes will do.
constexpr std::string_view kSalt = "fuzzed data file";

// Records looked up by every key and the one written back: the first ones in physical order.
constexpr std::size_t kLookedUp = 16;

struct ReadRecord {
  Position position;
  std::string bytes;
};

fs::path scratchFolder() {
  const char* scratch = std::getenv("GRADEBOOK_FUZZ_SCRATCH");
  const fs::path parent = scratch != nullptr && *scratch != '\0' ? fs::path(scratch) : fs::temp_directory_path();
  return parent / ("gradebook-fuzz-" + std::to_string(::getpid()));
}

// Every record in the order of `key` (-1 physical), forwards and then backwards; the first
// records read forwards are kept in `first`.
void readInOrder(DataFile& file, int key, std::vector<ReadRecord>* first) {
  if (file.set(key) == errors::kNone) {
    while (file.next() == errors::kNone) {
      if (first != nullptr && first->size() < kLookedUp) {
        first->push_back(
            {file.position(), std::string(reinterpret_cast<const char*>(file.buffer().data()), file.buffer().size())});
      }
    }
  }
  if (file.set(key) == errors::kNone) {
    while (file.previous() == errors::kNone) {
    }
  }
}

// Every row of a view over the file, as the lists read it, forwards and then backwards: in the
// order of `key` (-1: physical order), or sorted in memory by `fields` when they are given.
void readThroughView(DataFile& file, int key, const std::string& fields = {}) {
  View view(file);
  if (view.open() != errors::kNone) return;
  const int ordered = !fields.empty() ? view.setOrder(fields) : key >= 0 ? view.setOrder(key) : errors::kNone;
  if (ordered != errors::kNone) return;
  for (bool forward : {true, false}) {
    view.restart();
    while ((forward ? view.next() : view.previous()) == errors::kNone) {
    }
  }
}

// Rewrites the first record as it is, adds it again (refused where a key is unique) and a
// changed copy of it, and erases what was added.
void writeTo(DataFile& file, const ReadRecord& record) {
  if (file.reset(record.position) == errors::kNone && file.next() == errors::kNone) (void)file.put();
  for (bool changed : {false, true}) {
    file.buffer().assignBytes(record.bytes.data(), record.bytes.size());
    if (changed) file.buffer().setLong(0, file.buffer().getLong(0) ^ 0x40000000);
    if (file.add() == errors::kNone) (void)file.erase();
  }
}

void readAndWrite(DataFile& file) {
  file.records();
  std::vector<ReadRecord> first;
  readInOrder(file, -1, &first);
  const int keys = static_cast<int>(file.decl().keys.size());
  for (int key = 0; key < keys; ++key) readInOrder(file, key, nullptr);
  for (int key = -1; key < keys; ++key) readThroughView(file, key);
  readThroughView(file, -1, file.decl().fieldName(file.decl().layout.fieldCount() - 1));
  for (const ReadRecord& record : first) {
    for (int key = 0; key < keys; ++key) {
      file.buffer().assignBytes(record.bytes.data(), record.bytes.size());
      (void)file.get(key);
    }
    (void)file.getRecord(record.position.record);
  }
  if (!first.empty()) writeTo(file, first.front());
}

}  // namespace

std::vector<const FileDecl*> fuzzedDeclarations(const dictionary::FileDeclarations& decls) {
  std::vector<const FileDecl*> out;
  for (const FileDecl* decl : decls.dataFiles()) out.push_back(decl);
  out.push_back(&decls.EXPORTACION);
  return out;
}

DamagedFileReader::DamagedFileReader() : folder_(scratchFolder()), engine_(locale_) {
  dictionary::ApplySpanishLocale(locale_);
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
  fs::create_directories(folder_, ignored);
  for (const FileDecl* decl : fuzzedDeclarations(declarations_)) {
    placed_.push_back(platform::storage::placedAt(*decl, (folder_ / decl->physicalPath()).string()));
  }
  session_ = std::make_unique<platform::storage::Session>(engine_, folder_.string());
}

DamagedFileReader::~DamagedFileReader() {
  session_.reset();
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

void DamagedFileReader::readEncryptedInput(std::span<const std::uint8_t> input) {
  if (input.empty()) return;
  readFile(placed_[input[0] % placed_.size()],
           std::string_view(reinterpret_cast<const char*>(input.data()) + 1, input.size() - 1));
}

void DamagedFileReader::readPlainInput(std::span<const std::uint8_t> input) {
  if (input.empty()) return;
  const FileDecl& decl = placed_[input[0] % placed_.size()];
  const std::string_view pages(reinterpret_cast<const char*>(input.data()) + 1, input.size() - 1);
  readFile(decl, platform::storage::encryptPages(pages, engine_.rawKey(decl.ownerPassword), kSalt));
}

void DamagedFileReader::readFile(const FileDecl& decl, std::string_view bytes) {
  const std::string path = decl.physicalPath();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  {
    DataFile file(decl, *session_);
    if (file.open() == errors::kKeysMustBeRebuilt && file.buildKeys() == errors::kNone) (void)file.open();
    if (file.isOpen()) {
      readAndWrite(file);
      file.close();
    }
  }
  std::error_code ignored;
  for (const char* suffix : {"", "-journal", ".new", ".rebuild"}) fs::remove(path + suffix, ignored);
}

}  // namespace fuzz
