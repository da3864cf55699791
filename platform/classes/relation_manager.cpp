#include "platform/classes/relation_manager.h"

#include <algorithm>
#include <functional>

#include "platform/classes/field_values.h"
#include "platform/core/cp1252.h"
#include "platform/core/runtime_errors.h"

namespace platform {
namespace {

thread_local std::vector<RelationManager*> tManagers;
// Numbers the open, close and quick-scan walks of this thread.
thread_local int tWalkCounter = 0;

void leaveThreadList(RelationManager* manager) {
  tManagers.erase(std::remove(tManagers.begin(), tManagers.end(), manager), tManagers.end());
}

}  // namespace

// Why integrity work failed, to be shown once everything is rolled back.
struct RelationManager::Failure {
  Level level = kLevelNotify;
  FileManager* file = nullptr;  // the file the message is about
  int message = 0;              // 33, 34, or kMessageWriteFailed for a read error; 0: the file's own
                                // write error, or nothing to show (a refused check has shown its
                                // message already)
  bool writeError = false;
  int errorCode = 0;
  std::string errorText;
  std::optional<RecordBuffer> childLeft;  // the child's record as the failing step left it
};

// The storage transaction of one update or delete; rolled back unless committed, also when a
// fatal error unwinds through it.
class RelationManager::Transaction {
 public:
  Transaction(storage::Session& session, bool used) : session_(session), used_(used) {}
  ~Transaction() { rollback(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  storage::Status begin(const std::vector<storage::DataFile*>& files, double timeoutSeconds) {
    if (!used_) return {};
    storage::Status error = session_.begin(files, timeoutSeconds);
    active_ = error.ok();
    return error;
  }
  storage::Status commit() {
    if (!active_) return {};
    active_ = false;
    return session_.commit();
  }
  void rollback() {
    if (active_) session_.rollback();
    active_ = false;
  }

 private:
  storage::Session& session_;
  bool used_;
  bool active_ = false;
};

RelationManager::RelationManager() = default;

RelationManager::~RelationManager() { leaveThreadList(this); }

const std::vector<RelationManager*>& RelationManager::thisThreadsManagers() { return tManagers; }

void RelationManager::init(FileManager& me, bool useLogout) {
  me_ = &me;
  relations_.clear();
  useLogout_ = useLogout;
  logoutTimeout_ = 2;
  if (std::find(tManagers.begin(), tManagers.end(), this) == tManagers.end()) tManagers.push_back(this);
}

void RelationManager::kill() {
  leaveThreadList(this);
  relations_.clear();
  remembered_.reset();
}

void RelationManager::addRelation(RelationManager& other) {
  Relation relation;
  relation.file = &other;
  relations_.push_back(std::move(relation));
}

void RelationManager::addRelation(RelationManager& other, int updateMode, int deleteMode, int hisKey) {
  Relation relation;
  relation.file = &other;
  relation.parent = true;
  relation.hisKey = hisKey;
  relation.updateMode = updateMode;
  relation.deleteMode = deleteMode;
  relations_.push_back(std::move(relation));
}

void RelationManager::addField(int parentField, int childField) {
  if (!relations_.empty()) relations_.back().fields.push_back({parentField, childField});
}

void RelationManager::ensureRelations() {
  if (relationsRegistered_) return;
  registerRelations();
  relationsRegistered_ = true;
}

// ---- Open and close walks ----

Level RelationManager::open() {
  ensureRelations();
  const bool forcing = forcingOpen_;
  const Level level = openWalk(++tWalkCounter, forcing, true);
  forcingOpen_ = false;
  return level;
}

Level RelationManager::openWalk(int walk, bool forcing, bool starting) {
  if (lastTouched_ == walk) return kLevelBenign;
  lastTouched_ = walk;
  if (Level level = me_->open()) return level;
  if (starting) {
    if (Level level = me_->useFile(kUseAccess)) return level;
  }
  if (starting || forcing) ensureRelations();
  for (Relation& relation : relations_) {
    const int before = relation.file->me_->openCount();
    if (Level level = relation.file->openWalk(walk, forcing, false)) return level;
    if (relation.file->me_->openCount() > before) ++relation.opened;
  }
  return kLevelBenign;
}

Level RelationManager::close() {
  ensureRelations();
  closeWalk(++tWalkCounter);
  return kLevelBenign;
}

void RelationManager::closeWalk(int walk) {
  if (lastTouched_ == walk) return;
  lastTouched_ = walk;
  for (Relation& relation : relations_) {
    if (relation.opened <= 0) continue;
    const int before = relation.file->me_->openCount();
    relation.file->closeWalk(walk);
    if (relation.file->me_->openCount() < before) --relation.opened;
  }
  me_->close();
}

// Opens physically every file of the related set that is open (counted) but not yet in use: a
// storage transaction cannot take in a file once it has started.
Level RelationManager::useConnected() {
  std::vector<RelationManager*> seen{this};
  for (std::size_t i = 0; i < seen.size(); ++i) {
    RelationManager* manager = seen[i];
    if (manager->me_->openCount() > 0) {
      if (Level level = manager->me_->useFile(kUseAccess)) return level;
    }
    for (const Relation& relation : manager->relations_) {
      if (std::find(seen.begin(), seen.end(), relation.file) == seen.end()) seen.push_back(relation.file);
    }
  }
  return kLevelBenign;
}

// ---- Remembering the links ----

void RelationManager::rememberLinkingValues() {
  ensureRelations();
  remembered_.emplace(me_->buffer());
}

bool RelationManager::linkChanged(const Relation& relation) const {
  if (!remembered_) return false;
  const Locale& locale = me_->file().session().engine().locale();
  for (const LinkingPair& pair : relation.fields) {
    if (!sameValue(me_->buffer(), pair.parentField, *remembered_, pair.parentField, locale, false)) return true;
  }
  return false;
}

// ---- Transactions ----

// The files an integrity operation may write, and the relations already followed to find them.
struct RelationManager::WriteSet {
  std::vector<RelationManager*> files;
  std::vector<std::pair<const RelationManager*, std::size_t>> followed;

  void add(RelationManager* manager) {
    if (std::find(files.begin(), files.end(), manager) == files.end()) files.push_back(manager);
  }
  // Whether relation `index` of `manager` was followed before; marks it followed.
  bool follow(const RelationManager* manager, std::size_t index) {
    const auto entry = std::make_pair(manager, index);
    if (std::find(followed.begin(), followed.end(), entry) != followed.end()) return false;
    followed.push_back(entry);
    return true;
  }
};

namespace {

std::vector<int> childFieldsOf(const RelationManager::Relation& relation) {
  std::vector<int> fields;
  for (const auto& pair : relation.fields) fields.push_back(pair.childField);
  return fields;
}

}  // namespace

// An update writes this file and, through each cascading or clearing relation whose parent fields
// may change, the child; the child's fields that change may in turn change its own links.
// `changedFields` null: this is the file being saved, whose changed links are known.
void RelationManager::collectUpdateWrites(WriteSet& writes, const std::vector<int>* changedFields) {
  writes.add(this);
  ensureRelations();
  for (std::size_t i = 0; i < relations_.size(); ++i) {
    const Relation& relation = relations_[i];
    if (!relation.parent || (relation.updateMode != kRelationCascade && relation.updateMode != kRelationClear))
      continue;
    bool mayChange = changedFields == nullptr && linkChanged(relation);
    for (const LinkingPair& pair : relation.fields) {
      mayChange = mayChange || (changedFields != nullptr && std::find(changedFields->begin(), changedFields->end(),
                                                                      pair.parentField) != changedFields->end());
    }
    if (!mayChange || !writes.follow(this, i)) continue;
    const std::vector<int> childFields = childFieldsOf(relation);
    relation.file->collectUpdateWrites(writes, &childFields);
  }
}

// A delete writes this file, the children it deletes (and theirs), and the children it clears
// (and what their cleared fields may write).
void RelationManager::collectDeleteWrites(WriteSet& writes) {
  writes.add(this);
  ensureRelations();
  for (std::size_t i = 0; i < relations_.size(); ++i) {
    const Relation& relation = relations_[i];
    if (!relation.parent || !writes.follow(this, i)) continue;
    if (relation.deleteMode == kRelationCascade) relation.file->collectDeleteWrites(writes);
    if (relation.deleteMode == kRelationClear) {
      const std::vector<int> childFields = childFieldsOf(relation);
      relation.file->collectUpdateWrites(writes, &childFields);
    }
  }
}

namespace {

std::vector<storage::DataFile*> dataFilesOf(const std::vector<RelationManager*>& managers) {
  std::vector<storage::DataFile*> files;
  for (RelationManager* manager : managers) files.push_back(&manager->me().file());
  return files;
}

// The manager whose file a storage error names (by its physical path), else the first.
FileManager& fileNamedBy(const std::vector<RelationManager*>& managers, const std::string& path) {
  for (RelationManager* manager : managers) {
    if (!path.empty() && manager->me().file().decl().physicalPath() == path) return manager->me();
  }
  return managers.front()->me();
}

Level reportOn(FileManager& file, int id, int errorCode, const std::string& errorText) {
  ErrorReporter& errors = *file.errors();
  errors.setFile(file.fileName());
  errors.setError(errorCode, errorText);
  return errors.throwMessage(id);
}

}  // namespace

void RelationManager::showFailure(const Failure& failure) {
  if (failure.file == nullptr) return;
  if (failure.writeError) {
    failure.file->reportWriteError(kMessageRecordChanged, false);
  } else if (failure.message != 0) {
    reportOn(*failure.file, failure.message, failure.errorCode, failure.errorText);
  }
}

// ---- Update ----

Level RelationManager::update(bool fromForm) {
  ensureRelations();
  setOpenRelated();
  if (Level level = open()) return level;
  const Level level = updateOpened(fromForm);
  close();
  return level;
}

Level RelationManager::updateOpened(bool fromForm) {
  if (Level level = useConnected()) return level;
  // The checks read other files only: run them before any file is locked.
  if (me_->validateRecord() != kLevelBenign) return kLevelUser;

  WriteSet writes;
  collectUpdateWrites(writes, nullptr);
  storage::Session& session = me_->file().session();
  Transaction transaction(session, useLogout_);
  if (storage::Status error = transaction.begin(dataFilesOf(writes.files), logoutTimeout_)) {
    return reportOn(fileNamedBy(writes.files, error.file()), kMessageTransactionFailed, error,
                    cp1252ToUtf8(error.text()));
  }
  if (me_->tryPut() != kLevelBenign) {
    transaction.rollback();
    const bool changedElsewhere = me_->lastWriteChangedElsewhere();
    me_->reportWriteError(fromForm ? kMessageRecordChangedShown : kMessageRecordChanged, true);
    return changedElsewhere ? kLevelNotify : kLevelUser;
  }
  Failure failure;
  if (!cascadeUpdates(failure)) {
    transaction.rollback();
    showFailure(failure);
    return failure.level;
  }
  if (storage::Status error = transaction.commit()) {
    // Nothing was written (another program's reader still held a file, the disk is full): a write
    // error of the record like any other, which a form offers to try again.
    reportOn(*me_, kMessageWriteFailed, error, cp1252ToUtf8(error.text()));
    return kLevelUser;
  }
  rememberLinkingValues();
  return kLevelBenign;
}

// Runs the child steps of every relation whose linking value changed; on failure the parent field
// takes the value the child step left in the child's linking field.
bool RelationManager::cascadeUpdates(Failure& failure) {
  for (Relation& relation : relations_) {
    if (!relation.parent || relation.updateMode < kRelationClear || relation.updateMode > kRelationCascade) continue;
    if (!linkChanged(relation)) continue;
    if (!updateChildren(relation, failure)) {
      if (failure.childLeft) {
        for (const LinkingPair& pair : relation.fields) {
          copyValue(*failure.childLeft, pair.childField, me_->buffer(), pair.parentField);
        }
      }
      return false;
    }
  }
  return true;
}

// The child's own cascades, then its write (with its checks).
bool RelationManager::nestedUpdate(Failure& failure) {
  if (!cascadeUpdates(failure)) return false;
  const Level level = me_->tryUpdate();
  if (level == kLevelBenign) return true;
  failure = Failure{};
  failure.level = level;
  failure.file = me_;
  failure.writeError = level != kLevelUser;
  return false;
}

// Visits, in the child key's order, every record of the child whose linking fields hold the
// values that `values` has in this file's linking fields; `visit` returns false on failure, which
// ends the walk. The child file's buffer and place are given back at the end; on failure the
// child's record as the failing step left it is kept in `failure.childLeft`.
bool RelationManager::forEachLinkedChild(Relation& relation, const RecordBuffer& values, Failure& failure,
                                         const std::function<bool(RelationManager& child)>& visit) {
  RelationManager& child = *relation.file;
  child.ensureRelations();
  FileManager& childFile = *child.me_;
  storage::DataFile& data = childFile.file();
  const Locale& locale = data.session().engine().locale();
  const bool noCase = data.decl().keys.at(static_cast<std::size_t>(relation.hisKey)).caseInsensitive;
  const FileManager::SavedState saved = childFile.saveFile();

  data.buffer().clear();
  for (const LinkingPair& pair : relation.fields) copyValue(values, pair.parentField, data.buffer(), pair.childField);
  int error = data.setFromBuffer(relation.hisKey);
  bool ok = true;
  while (ok) {
    if (error == errors::kNone) error = data.next();
    if (error == errors::kRecordNotAvailable) break;
    if (error != errors::kNone) {
      failure = Failure{kLevelNotify,
                        &childFile,
                        kMessageWriteFailed,
                        false,
                        error,
                        cp1252ToUtf8(data.session().lastErrorText()),
                        {}};
      ok = false;
      break;
    }
    bool stillLinked = true;
    for (const LinkingPair& pair : relation.fields) {
      stillLinked = stillLinked && sameValue(data.buffer(), pair.childField, values, pair.parentField, locale, noCase);
    }
    if (!stillLinked) break;
    ok = visit(child);
  }
  if (!ok) failure.childLeft.emplace(data.buffer());
  childFile.restoreFile(saved);
  return ok;
}

// Carries this file's changed link into the child's records that hold its remembered value.
bool RelationManager::updateChildren(Relation& relation, Failure& failure) {
  return forEachLinkedChild(relation, *remembered_, failure, [&](RelationManager& child) {
    RecordBuffer& record = child.me_->buffer();
    child.rememberLinkingValues();
    if (relation.updateMode == kRelationRestrict) {
      failure = Failure{kLevelNotify, child.me_, 34, false, 0, {}, {}};
      for (const LinkingPair& pair : relation.fields)
        copyValue(*remembered_, pair.parentField, me_->buffer(), pair.parentField);
      return false;
    }
    for (const LinkingPair& pair : relation.fields) {
      if (relation.updateMode == kRelationClear)
        clearValue(record, pair.childField);
      else
        copyValue(me_->buffer(), pair.parentField, record, pair.childField);
    }
    return child.nestedUpdate(failure);
  });
}

// ---- Delete ----

Level RelationManager::deleteRecord(bool ask) {
  ensureRelations();
  ErrorReporter& errors = *me_->errors();
  if (ask && errors.throwMessage(11) != kLevelBenign) return kLevelCancel;
  for (;;) {
    Level level;
    {
      BusyCursor busy(errors.port());
      const storage::Position kept = me_->file().position();
      setOpenRelated();
      level = open();
      if (level == kLevelBenign) {
        level = deleteOpened(kept);
        close();
      }
    }
    if (level == kLevelBenign) return level;
    if (errors.throwMessage(36) != kLevelBenign) return level;
  }
}

Level RelationManager::deleteOpened(const storage::Position& kept) {
  if (Level level = useConnected()) return level;
  WriteSet writes;
  collectDeleteWrites(writes);
  storage::Session& session = me_->file().session();
  Transaction transaction(session, useLogout_);
  if (storage::Status error = transaction.begin(dataFilesOf(writes.files), logoutTimeout_)) {
    return reportOn(fileNamedBy(writes.files, error.file()), kMessageTransactionFailed, error,
                    cp1252ToUtf8(error.text()));
  }
  storage::DataFile& data = me_->file();
  const int reread = kept.record == 0 ? errors::kRecordNotAvailable : data.getRecord(kept.record);
  if (reread != errors::kNone) {
    const std::string text = cp1252ToUtf8(session.lastErrorText());
    transaction.rollback();
    return reportOn(*me_, kMessageWriteFailed, reread, text);
  }
  Failure failure;
  bool ok = applyDeleteRules(failure);
  if (ok && me_->tryDelete() != kLevelBenign) {
    failure = Failure{};
    failure.file = me_;
    failure.writeError = true;
    ok = false;
  }
  if (!ok) {
    transaction.rollback();
    showFailure(failure);
    return failure.level;
  }
  if (storage::Status error = transaction.commit()) {
    return reportOn(*me_, kMessageWriteFailed, error, cp1252ToUtf8(error.text()));
  }
  return kLevelBenign;
}

bool RelationManager::applyDeleteRules(Failure& failure) {
  ensureRelations();
  for (Relation& relation : relations_) {
    if (!relation.parent || relation.deleteMode < kRelationClear || relation.deleteMode > kRelationCascade) continue;
    if (!deleteChildren(relation, failure)) return false;
  }
  return true;
}

// Applies a delete rule to the child's records that refer to this file's record.
bool RelationManager::deleteChildren(Relation& relation, Failure& failure) {
  return forEachLinkedChild(relation, me_->buffer(), failure, [&](RelationManager& child) {
    if (relation.deleteMode == kRelationRestrict) {
      failure = Failure{kLevelNotify, child.me_, 33, false, 0, {}, {}};
      return false;
    }
    if (relation.deleteMode == kRelationClear) {
      child.rememberLinkingValues();
      for (const LinkingPair& pair : relation.fields) clearValue(child.me_->buffer(), pair.childField);
      return child.nestedUpdate(failure);
    }
    if (!child.applyDeleteRules(failure)) return false;
    if (child.me_->tryDelete() == kLevelBenign) return true;
    failure = Failure{};
    failure.file = child.me_;
    failure.writeError = true;
    return false;
  });
}

// ---- Quick scan ----

void RelationManager::setQuickScan(bool on, int propagate) {
  ensureRelations();
  quickScanWalk(on, propagate, ++tWalkCounter);
}

void RelationManager::quickScanWalk(bool on, int propagate, int walk) {
  if (lastTouched_ == walk) return;
  lastTouched_ = walk;
  if (me_->openCount() > 0 || me_->isPhysicallyOpen()) me_->setQuickScan(on);
  if (propagate == 0) return;
  for (Relation& relation : relations_) {
    const bool toParent = !relation.parent;
    const bool carried = propagate == 1 ? toParent : propagate == 2 ? !toParent : true;
    if (!carried) continue;
    relation.file->ensureRelations();
    relation.file->quickScanWalk(on, propagate, walk);
  }
}

}  // namespace platform
