// The relation manager: one data file with the files related to it, on one thread. Procedures open
// and close a file through it (its related files with it), and forms save and delete through it,
// which keeps the links between files intact.
//
// Relations. Each file registers its relations once, the first time they are needed
// (registerRelations(), an override of the derived class): a child-of entry names only the other
// file; a parent-of entry names the child, the child's key by which its records that refer to this
// file are found, an update mode and a delete mode (kRelationNone, kRelationClear,
// kRelationRestrict, kRelationCascade), followed by its linking pairs (this file's field, the
// child's field). Every relation is registered on both sides.
//
// Opening. open() walks the relations: the file is opened (counted) and used at once, then every
// related file is opened in the same walk, each once (a per-thread walk counter marks the visited
// ones). Without the open-related request only the starting file's relations are registered and
// its direct relations opened (further only where relations were registered before); after
// setOpenRelated() the walk registers and opens every file it reaches. close() walks back through
// the entries that opened something and undoes exactly that.
//
// Writing. update() and deleteRecord() open the file with every related file, make every file of
// that set physically open, and run the whole work in one storage transaction over every file it
// may write, started within the logout time-out (2 s) or not at all (kMessageTransactionFailed). An
// update may write a child only through a link whose value changed (and, below it, through links
// made of the fields that change), so a save that changes no link is a transaction over its own
// file alone. Update writes the record and then carries every changed linking value into the
// children (clear, restrict: message 34, cascade), each child through its own relation manager;
// delete first applies each child relation (restrict: message 33, clear, cascade) and then deletes
// the record; a failed delete asks message 36 whether to try again. Any failure rolls everything
// back; the relation manager's own messages are shown after the rollback, so that no other program
// waits on a message box. Linking values are compared with the ones remembered by
// rememberLinkingValues(); a relation whose values were never remembered is taken as unchanged, and
// a successful update remembers the new ones.
//
// Levels returned: kLevelBenign done; kLevelUser the record was not written (refused by its checks,
// or any write error of the record or of its commit but a change by another program); kLevelCancel
// cancelled (delete); kLevelNotify failed and shown. A save that failed leaves the record in the
// buffer as the caller made it, and the next update() tries the same write again.
//
// Thread safety: a relation manager and its relations belong to one thread.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "platform/classes/file_manager.h"

namespace platform {

// The message shown when the storage transaction of a save or delete cannot be started.
inline constexpr int kMessageTransactionFailed = 24;

// Update and delete modes of a relation.
inline constexpr int kRelationNone = 0;
inline constexpr int kRelationClear = 1;
inline constexpr int kRelationRestrict = 2;
inline constexpr int kRelationCascade = 3;

class RelationManager {
 public:
  struct LinkingPair {
    int parentField = -1;  // a field of this file
    int childField = -1;   // the matching field of the other file
  };

  struct Relation {
    RelationManager* file = nullptr;  // the other file
    bool parent = false;              // this file is the other file's parent
    std::vector<LinkingPair> fields;
    int hisKey = -1;  // the other file's key, for parent entries
    int updateMode = kRelationNone;
    int deleteMode = kRelationNone;
    int opened = 0;  // opens of the other file made through this entry, not yet closed
  };

  RelationManager();
  virtual ~RelationManager();
  RelationManager(const RelationManager&) = delete;
  RelationManager& operator=(const RelationManager&) = delete;

  // Binds the file manager, empties the relations, sets the transaction use and a 2-second
  // time-out for starting it, and enters the manager in the thread's list.
  void init(FileManager& me, bool useLogout);
  // For an alias: the relation manager of the aliased file.
  void setAliasFile(RelationManager* aliased) { aliasFile_ = aliased; }
  // Leaves the thread's list and releases the relations.
  virtual void kill();

  // Registration (from registerRelations()).
  void addRelation(RelationManager& other);
  void addRelation(RelationManager& other, int updateMode, int deleteMode, int hisKey);
  // A linking pair of the relation added last.
  void addField(int parentField, int childField);

  // ---- Operations ----

  // The next open() also registers and opens the related files at every level.
  void setOpenRelated() { forcingOpen_ = true; }
  Level open();
  Level close();
  // Takes the current value of every parent field, to know later which links changed.
  void rememberLinkingValues();
  // Writes the changed record and carries changed links into the children. `fromForm` reports a
  // record changed by another program with kMessageRecordChangedShown instead of
  // kMessageRecordChanged.
  Level update(bool fromForm = false);
  // Deletes the record when the relations allow it; `ask` asks message 11 first.
  Level deleteRecord(bool ask = true);
  // Sends "QUICKSCAN=on|off" to the file while it is open; `propagate` 0 stops there, 1 carries it
  // to the files this file is a child of, 2 to its children, anything else to every related file.
  void setQuickScan(bool on, int propagate = 0);

  // ---- State ----

  FileManager& me() { return *me_; }
  const FileManager& me() const { return *me_; }
  RelationManager* aliasFile() const { return aliasFile_; }
  const std::vector<Relation>& relations() const { return relations_; }
  bool relationsRegistered() const { return relationsRegistered_; }
  bool useLogout() const { return useLogout_; }
  int logoutTimeout() const { return logoutTimeout_; }
  bool forcingOpen() const { return forcingOpen_; }
  int lastTouched() const { return lastTouched_; }

  // The relation managers initialised on this thread and not killed yet, in initialise order.
  static const std::vector<RelationManager*>& thisThreadsManagers();

 protected:
  // Adds the file's relations; run at most once per object, the first time they are needed.
  virtual void registerRelations() {}

 private:
  struct Failure;
  class Transaction;
  struct WriteSet;

  void ensureRelations();
  Level openWalk(int walk, bool forcing, bool starting);
  void closeWalk(int walk);
  Level useConnected();
  void collectUpdateWrites(WriteSet& writes, const std::vector<int>* changedFields);
  void collectDeleteWrites(WriteSet& writes);
  Level updateOpened(bool fromForm);
  Level deleteOpened(const storage::Position& kept);
  bool cascadeUpdates(Failure& failure);
  bool nestedUpdate(Failure& failure);
  bool forEachLinkedChild(Relation& relation, const RecordBuffer& values, Failure& failure,
                          const std::function<bool(RelationManager& child)>& visit);
  bool updateChildren(Relation& relation, Failure& failure);
  bool applyDeleteRules(Failure& failure);
  bool deleteChildren(Relation& relation, Failure& failure);
  bool linkChanged(const Relation& relation) const;
  void quickScanWalk(bool on, int propagate, int walk);
  void showFailure(const Failure& failure);

  FileManager* me_ = nullptr;
  RelationManager* aliasFile_ = nullptr;
  std::vector<Relation> relations_;
  bool useLogout_ = false;
  int logoutTimeout_ = 0;
  int lastTouched_ = 0;
  bool forcingOpen_ = false;
  bool relationsRegistered_ = false;
  std::optional<RecordBuffer> remembered_;  // the record as it was when its links were remembered
};

}  // namespace platform
