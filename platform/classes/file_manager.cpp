#include "platform/classes/file_manager.h"

#include <algorithm>
#include <climits>

#include "platform/core/cp1252.h"
#include "platform/core/runtime_errors.h"
#include "platform/core/trim.h"

namespace platform {
namespace {

thread_local std::vector<FileManager*> tManagers;

void leaveThreadList(FileManager* manager) {
  tManagers.erase(std::remove(tManagers.begin(), tManagers.end(), manager), tManagers.end());
}

bool writes(int mode) { return (mode & 0x0F) != 0; }

// An open refused because another program holds the file in a way that excludes ours.
bool refusedByLock(int error) { return error == errors::kAccessDenied || error == errors::kFileLocked; }

// A LONG key component's image is always its last 4 bytes.
constexpr std::size_t kLongImageSize = 4;

}  // namespace

FileManager::FileManager() = default;

FileManager::~FileManager() { leaveThreadList(this); }

const std::vector<FileManager*>& FileManager::thisThreadsManagers() { return tManagers; }

std::string FileManager::fileName() const {
  return std::string(trimRight(fileNameSource_ ? fileNameSource_() : fileNameValue_));
}

void FileManager::init() {
  openCount_ = 0;
  lazyOpen_ = true;
  if (std::find(tManagers.begin(), tManagers.end(), this) == tManagers.end()) tManagers.push_back(this);
}

void FileManager::init(storage::DataFile& file, ErrorReporter& errors) {
  file_ = &file;
  errors_ = &errors;
  keys_.clear();
  openMode_ = storage::kReadWriteShared;
  create_ = true;
  lockRecover_ = 10;
  fileNameValue_ = file.decl().label;
  primed_ = false;
  killed_ = false;
  initialized_ = true;
}

void FileManager::addKey(int key, std::string description, bool numbered) {
  const auto& declared = file_->decl().keys;
  if (key < 0 || key >= static_cast<int>(declared.size())) return;
  for (const KeyEntry& entry : keys_) {
    if (entry.key == key) return;
  }
  const storage::KeyDecl& decl = declared[static_cast<std::size_t>(key)];
  KeyEntry entry;
  entry.key = key;
  entry.description = std::move(description);
  entry.fields = decl.components;
  // Only a LONG last component can be numbered.
  entry.numbered = numbered && !decl.components.empty() &&
                   file_->buffer().layout().field(decl.components.back()).type == FieldType::Long;
  entry.duplicates = decl.duplicates;
  entry.noCase = decl.caseInsensitive;
  keys_.push_back(std::move(entry));
}

void FileManager::kill() {
  if (initialized_ && !killed_) {
    if (file_ != nullptr && file_->isOpen()) file_->close();
    openCount_ = 0;
    keys_.clear();
    primed_ = false;
    file_ = nullptr;
    killed_ = true;
    initialized_ = false;
  }
  leaveThreadList(this);
}

// ---- Opening ----

Level FileManager::open() {
  ++openCount_;
  if (!lazyOpen_) {
    if (Level level = useFile(kUseAccess)) {
      --openCount_;
      return level;
    }
  }
  return kLevelBenign;
}

Level FileManager::close() {
  if (openCount_ == 0) return kLevelBenign;
  if (--openCount_ == 0 && isPhysicallyOpen()) file_->close();
  return kLevelBenign;
}

Level FileManager::useFile(int kind) {
  if (file_ == nullptr || errors_ == nullptr) return kLevelFatal;
  if (!initialized_) init(*file_, *errors_);
  if (file_->isOpen()) return kLevelBenign;
  if (kind == kUseSetUpOnly) return kLevelBenign;
  if (openCount_ == 0) return report(42, errors::kNone, {});
  return openPhysically();
}

Level FileManager::openPhysically() {
  int mode = openMode_;
  int error = file_->open(mode);
  if (error == errors::kNone) return kLevelBenign;

  if (error == errors::kFileNotFound && create_) {
    if (int created = file_->create()) return report(12, created, storageErrorText());
    error = file_->open(mode);
  } else if (refusedByLock(error)) {
    file_->sendOption("Recover=" + std::to_string(lockRecover_));
    error = file_->open(mode);
    if (refusedByLock(error) && writes(mode)) {
      report(2, error, storageErrorText());
      mode = storage::kReadOnly;
      error = file_->open(mode);
    }
  } else if (error == errors::kKeysMustBeRebuilt) {
    report(30, error, storageErrorText());
    if (int rebuilt = file_->buildKeys()) return report(29, rebuilt, storageErrorText());
    error = file_->open(mode);
  }
  if (error != errors::kNone) return report(26, error, storageErrorText());
  return kLevelBenign;
}

// ---- Reading ----

Level FileManager::tryFetch(int key) {
  if (useFile(kUseAccess) != kLevelBenign) return kLevelFatal;
  return file_->get(key) == errors::kNone ? kLevelBenign : kLevelNotify;
}

Level FileManager::fetch(int key) {
  const Level level = tryFetch(key);
  if (level == kLevelNotify) buffer().clear();
  return level;
}

FileManager::SavedState FileManager::saveFile() const { return SavedState{file_->saveState(), primed_}; }

void FileManager::restoreFile(const SavedState& state) {
  file_->restoreState(state.file);
  primed_ = state.primed;
}

// ---- Numbering ----

bool FileManager::numbers() const {
  return std::any_of(keys_.begin(), keys_.end(), [](const KeyEntry& k) { return k.numbered; });
}

bool FileManager::isNumberedKey(int key) const {
  return std::any_of(keys_.begin(), keys_.end(), [key](const KeyEntry& k) { return k.numbered && k.key == key; });
}

// The highest value of the key's last component among the records that share the buffer's other
// components, plus 1; the file's state is left as it was.
int FileManager::nextNumber(const KeyEntry& entry, std::int32_t& number) {
  const int field = entry.fields.back();
  const storage::FileState state = file_->saveState();
  buffer().setLong(field, INT32_MAX);
  const std::string ceiling = file_->keyImage(entry.key);
  const std::string_view wantedPrefix(ceiling.data(), ceiling.size() - kLongImageSize);
  std::int32_t highest = 0;
  // The record at the ceiling itself, then the one just below it.
  int error = file_->get(entry.key);
  if (error == errors::kNone) {
    highest = INT32_MAX;
  } else if (error == errors::kRecordNotFound && (error = file_->setFromBuffer(entry.key)) == errors::kNone) {
    error = file_->previous();
  }
  if (error == errors::kNone && highest == 0) {
    const std::string found = file_->keyImage(entry.key);
    if (found.size() == ceiling.size() && found.compare(0, wantedPrefix.size(), wantedPrefix) == 0) {
      highest = buffer().getLong(field);
    }
  } else if (error == errors::kRecordNotAvailable) {
    error = errors::kNone;
  }
  file_->restoreState(state);
  if (error != errors::kNone) return error;
  if (highest == INT32_MAX) return errors::kInvalidKey;  // no number left
  number = std::max(highest, 0) + 1;
  return errors::kNone;
}

int FileManager::numberOnce() {
  for (const KeyEntry& entry : keys_) {
    if (!entry.numbered) continue;
    std::int32_t number = 0;
    if (int error = nextNumber(entry, number)) return error;
    buffer().setLong(entry.fields.back(), number);
  }
  return errors::kNone;
}

Level FileManager::numberRecord() {
  for (;;) {
    int error = errors::kNone;
    for (int tries = 0; tries < 3; ++tries) {
      if ((error = numberOnce()) == errors::kNone) return kLevelBenign;
    }
    if (report(kMessageNumberingFailed, error, storageErrorText()) != kLevelBenign) return kLevelNotify;
  }
}

// ---- Writing ----

Level FileManager::primeRecord() {
  if (Level level = useFile(kUseAccess)) return level;
  buffer().clear();
  primed_ = false;
  if (!numbers()) return kLevelBenign;
  if (Level level = numberRecord()) return level;
  primed_ = true;
  return kLevelBenign;
}

Level FileManager::insert() { return insertRecord(true); }
Level FileManager::tryInsert() { return insertRecord(false); }

Level FileManager::insertRecord(bool reportFailure) {
  if (Level level = useFile(kUseAccess)) return level;
  if (validateRecord() != kLevelBenign) return kLevelNotify;
  int failedTries = 0;
  for (;;) {
    int error = errors::kNone;
    if (numbers() && !primed_) {
      error = numberOnce();
      primed_ = error == errors::kNone;
    }
    if (error == errors::kNone) {
      error = file_->add();
      if (error == errors::kNone) {
        primed_ = false;
        lastWriteError_ = errors::kNone;
        return kLevelBenign;
      }
      if (!(error == errors::kDuplicateKey && isNumberedKey(file_->duplicateKey()))) {
        failWrite(error);
        if (!reportFailure) return kLevelNotify;
        if (error != errors::kDuplicateKey || file_->duplicateKey() < 0) return report(4, error, lastWriteErrorText_);
        const int key = file_->duplicateKey();
        std::string label = file_->decl().keyName(key);
        for (const KeyEntry& entry : keys_) {
          if (entry.key == key) label = entry.description;
        }
        return report(15, error, lastWriteErrorText_, label);
      }
      // Another program took the number: number the record again.
      primed_ = false;
    }
    failWrite(error);
    if (++failedTries < 3) continue;
    if (!reportFailure) return kLevelNotify;
    if (report(kMessageNumberingFailed, error, lastWriteErrorText_) != kLevelBenign) return kLevelNotify;
    failedTries = 0;
  }
}

Level FileManager::update() {
  if (Level level = tryUpdate()) return level == kLevelUser ? level : reportWriteError();
  return kLevelBenign;
}

Level FileManager::tryUpdate() {
  if (Level level = useFile(kUseAccess)) return level;
  if (validateRecord() != kLevelBenign) return kLevelUser;
  return tryPut();
}

Level FileManager::tryPut() {
  if (Level level = useFile(kUseAccess)) return level;
  if (int error = file_->put()) return failWrite(error);
  lastWriteError_ = errors::kNone;
  return kLevelBenign;
}

Level FileManager::deleteRecord() {
  if (tryDelete() != kLevelBenign) return reportWriteError();
  return kLevelBenign;
}

Level FileManager::tryDelete() {
  if (Level level = useFile(kUseAccess)) return level;
  if (int error = file_->erase()) return failWrite(error);
  lastWriteError_ = errors::kNone;
  return kLevelBenign;
}

Level FileManager::failWrite(int error) {
  lastWriteError_ = error;
  lastWriteErrorText_ = storageErrorText();
  return kLevelNotify;
}

bool FileManager::lastWriteChangedElsewhere() const { return lastWriteError_ == errors::kRecordChanged; }

Level FileManager::reportWriteError(int changedMessage, bool reread) {
  if (lastWriteChangedElsewhere()) {
    const std::int64_t record = file_->position().record;
    if (reread && record != 0) (void)file_->getRecord(record);  // the message is shown either way
    return report(changedMessage, lastWriteError_, lastWriteErrorText_);
  }
  return report(kMessageWriteFailed, lastWriteError_, lastWriteErrorText_);
}

// ---- Checks ----

Level FileManager::validateField(int field, bool report) {
  if (aliasedFile_ == nullptr) return kLevelBenign;
  const SavedState saved = aliasedFile_->saveFile();
  aliasedFile_->buffer().assign(buffer());
  const Level level = aliasedFile_->validateField(field, report);
  aliasedFile_->restoreFile(saved);
  return level;
}

Level FileManager::validateRecord() {
  const int fields = buffer().layout().fieldCount();
  for (int field = 1; field <= fields; ++field) {
    if (Level level = validateField(field, true)) return level;
  }
  return kLevelBenign;
}

void FileManager::setQuickScan(bool on) {
  if (file_ != nullptr) file_->sendOption(on ? "QUICKSCAN=on" : "QUICKSCAN=off");
}

// ---- Reporting ----

std::string FileManager::storageErrorText() const {
  return file_ == nullptr ? std::string() : cp1252ToUtf8(file_->session().lastErrorText());
}

Level FileManager::report(int id, int errorCode, const std::string& errorText, const std::string& messageText) {
  errors_->setFile(fileName());
  errors_->setError(errorCode, errorText);
  return errors_->throwMessage(id, messageText);
}

}  // namespace platform
