#include "dictionary/managers.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dictionary/program.h"

namespace dictionary {
namespace {

using platform::FileManager;
using platform::RelationManager;
using platform::storage::FileDecl;

constexpr std::size_t index(File file) { return static_cast<std::size_t>(file); }

ManagerSlot& slotOf(File file) { return ThisThread().managers[index(file)]; }

const FileDecl& declOf(File file) { return program().files().at(static_cast<int>(file)); }

// A field or key named in the tables below; a misspelt name is a fault of this file.
int fieldOf(File file, std::string_view name) { return declOf(file).fieldNamed(name); }
int keyOf(File file, std::string_view name) { return declOf(file).keyNamed(name); }

// The file an alias stands for.
constexpr std::optional<File> aliasedFileOf(File file) {
  switch (file) {
    case File::ACTAS_ALIAS:
      return File::ACTAS;
    case File::PROGRAMA_ACADEMICO_ALIAS:
      return File::PROGRAMA_ACADEMICO;
    case File::UNIDAD_APRENDIZAJE_ALIAS:
      return File::UNIDAD_APRENDIZAJE;
    default:
      return std::nullopt;
  }
}

// The key whose id the file manager numbers when a record is added: the primary key, except for
// the learning units, whose ids come with the data.
constexpr bool numbersItsPrimaryKey(File file) {
  return file != File::UNIDAD_APRENDIZAJE && file != File::UNIDAD_APRENDIZAJE_ALIAS;
}

// A relation as a file registers it: without fields, `from` is a child of `other`; with them,
// `from` is the parent of `other`, linked by the two fields and found through `childKey`.
struct RelationSpec {
  File from;
  File other;
  const char* parentField = nullptr;
  const char* childField = nullptr;
  const char* childKey = nullptr;
};

// Per file in registration order. Every parent relation cascades changes and restricts deletes.
constexpr RelationSpec kRelations[] = {
    {File::UNIDAD_APRENDIZAJE_ALIAS, File::ACTAS},
    {File::PROGRAMA_ACADEMICO_ALIAS, File::ACTAS_ALIAS, "ID_PACA", "ID_PACA", "FK_ACTA_REF_46_PROGRAMA"},
    {File::ACTAS_ALIAS, File::PROGRAMA_ACADEMICO_ALIAS},
    {File::ACTAS, File::CIUDAD},
    {File::ACTAS, File::ZOLBRANS},
    {File::ACTAS, File::PROGRAMA_ACADEMICO},
    {File::ACTAS, File::UNIDAD_APRENDIZAJE},
    {File::ACTAS, File::ALUMNOS},
    {File::ACTAS, File::UNIDAD_APRENDIZAJE_ALIAS, "ID_UAPR", "ID_UAPR", "PK_UNIDAD_APRENDIZAJE"},
    {File::ALUMNOS, File::CIUDAD},
    {File::ALUMNOS, File::UNIDAD_ACADEMICA},
    {File::ALUMNOS, File::PROGRAMA_ALUMNO},
    {File::ALUMNOS, File::ACTAS, "ID_ALU", "ID_ALU", "FK_ACTA_REF_28_ALUMNOS"},
    {File::UNIDAD_APRENDIZAJE, File::ACTAS, "ID_UAPR", "ID_UAPR", "FK_ACTAS_REF_60_UNIDAD_A"},
    {File::PROGRAMA_ALUMNO, File::ALUMNOS, "ID_PALU", "ID_PALU", "FK_ALUMNOS_REF_42_PROGRAMA"},
    {File::PROGRAMA_ACADEMICO, File::ACTAS, "ID_PACA", "ID_PACA", "FK_ACTA_REF_46_PROGRAMA"},
    {File::UNIDAD_ACADEMICA, File::ALUMNOS, "ID_UACA", "ID_UACA", "FK_ALUMNOS_REF_36_UNIDAD_A"},
    {File::ZOLBRANS, File::ACTAS, "ID_MAE", "ID_MAE", "FK_ACTA_REF_32_ZOLBRANS"},
    {File::CIUDAD, File::ACTAS, "ID_CIU", "ID_CIU", "FK_ACTAS_REF_213_CIUDAD"},
    {File::CIUDAD, File::ALUMNOS, "ID_CIU", "ID_CIU", "FK_ALUMNOS_REF_146_CIUDAD"},
};

// ---- File managers ----

// The file manager of one file: initialise, kill and use file as every file has them.
template <File F>
class DictionaryFileManager : public FileManager {
 public:
  using FileManager::init;

  void init() override {
    bindFile(DataFileOf(F));
    constexpr std::optional<File> aliased = aliasedFileOf(F);
    if constexpr (aliased.has_value()) setAliasedFile(FileManagerOf(*aliased));
    setFileNameValue(declOf(F).label);
    setErrors(program().errors());
    if constexpr (F == File::EXPORTACION) {
      setFileNameSource([] { return program().files().exportFilePath(); });
    }
    FileManager::init();
    slotOf(F).fileManager = this;
  }

  void kill() override {
    FileManager::kill();
    slotOf(F).fileManager = nullptr;
  }

  // The first use of any kind registers the keys, each under its own name, once.
  platform::Level useFile(int kind) override {
    if (kind != platform::kUseSetUpOnly) useFile(platform::kUseSetUpOnly);
    if (kind == platform::kUseSetUpOnly && !initialized()) {
      inUseFile_ = true;
      FileManager::init(file(), *errors());
      setCreate(true);
      setLockRecover(10);
      const FileDecl& decl = declOf(F);
      for (int key = 0; key < static_cast<int>(decl.keys.size()); ++key) {
        addKey(key, decl.keyName(key), numbersItsPrimaryKey(F) && decl.keys[static_cast<std::size_t>(key)].primary);
      }
      inUseFile_ = false;
    }
    return FileManager::useFile(kind);
  }
};

// A field that must hold the id of an existing record of its parent file, with what the check
// needs of both files, worked out once from the declarations.
struct ParentCheck {
  int fieldNumber;  // counted from 1
  int field;
  File parent;
  int parentKey;            // the parent's primary key
  int parentId;             // its one component
  std::string fieldText;    // "ACT:ID_ALU": what %Field shows
  std::string messageText;  // "ALUMNOS": what %Message shows
};

std::vector<ParentCheck> parentChecksOf(File file) {
  std::vector<ParentCheck> checks;
  const FileDecl& decl = declOf(file);
  for (const ParentReference& reference : parentReferences()) {
    if (reference.file != decl.label) continue;
    const FileDecl& parentDecl = *program().files().find(reference.parentFile);
    const File parent = static_cast<File>(program().files().indexOf(parentDecl));
    const int field = fieldOf(file, reference.field);
    const int parentKey = keyOf(parent, reference.parentKey);
    checks.push_back({field + 1, field, parent, parentKey,
                      parentDecl.keys[static_cast<std::size_t>(parentKey)].components.front(), decl.fieldName(field),
                      std::string(reference.parentFile)});
  }
  return checks;
}

// The files whose fields name parent records: each such field must hold the id of an existing
// record of its parent file.
template <File F>
class CheckedFileManager : public DictionaryFileManager<F> {
 public:
  platform::Level validateField(int field, bool report) override {
    platform::Level level = FileManager::validateField(field, report);
    static const std::vector<ParentCheck> checks = parentChecksOf(F);
    for (const ParentCheck& check : checks) {
      if (check.fieldNumber == field) level = checkParent(check, report);
    }
    return level;
  }

 private:
  platform::Level checkParent(const ParentCheck& check, bool report) {
    platform::ErrorReporter& errors = *this->errors();
    errors.setField(check.fieldText);
    FileManager& parent = *FileManagerOf(check.parent);
    const FileManager::SavedState saved = parent.saveFile();
    parent.buffer().setLong(check.parentId, this->buffer().getLong(check.field));
    platform::Level level = parent.tryFetch(check.parentKey);
    if (level != platform::kLevelBenign && report) {
      errors.setFile(this->fileName());
      level = errors.throwMessage(16, check.messageText);
    }
    parent.restoreFile(saved);
    return level;
  }
};

// ---- Relation managers ----

template <File F>
class DictionaryRelationManager : public RelationManager {
 public:
  // The class's own initialise: the file manager first, then the relation manager on it.
  void init() {
    ManagerSlot& slot = slotOf(F);
    slot.owningFileManager->init();
    RelationManager::init(*slot.fileManager, true);
    constexpr std::optional<File> aliased = aliasedFileOf(F);
    if constexpr (aliased.has_value()) setAliasFile(RelationManagerOf(*aliased));
  }

  void kill() override {
    ManagerSlot& slot = slotOf(F);
    if (slot.owningFileManager) slot.owningFileManager->kill();
    RelationManager::kill();
    slot.relationManager = nullptr;
    slot.owningFileManager.reset();
  }

 protected:
  void registerRelations() override {
    for (const RelationSpec& spec : kRelations) {
      if (spec.from == F && spec.parentField == nullptr) addRelation(*RelationManagerOf(spec.other));
    }
    for (const RelationSpec& spec : kRelations) {
      if (spec.from != F || spec.parentField == nullptr) continue;
      addRelation(*RelationManagerOf(spec.other), platform::kRelationCascade, platform::kRelationRestrict,
                  keyOf(spec.other, spec.childKey));
      addField(fieldOf(F, spec.parentField), fieldOf(spec.other, spec.childField));
    }
  }
};

template <File F>
using FileManagerClass =
    std::conditional_t<F == File::ACTAS || F == File::ALUMNOS, CheckedFileManager<F>, DictionaryFileManager<F>>;

// What ConstructManagers and InitManagers need of each file's two classes.
struct ManagerClasses {
  std::unique_ptr<FileManager> (*makeFileManager)();
  std::unique_ptr<RelationManager> (*makeRelationManager)();
  void (*initialise)(RelationManager&);
};

template <File F>
constexpr ManagerClasses classesOf() {
  return {[]() -> std::unique_ptr<FileManager> { return std::make_unique<FileManagerClass<F>>(); },
          []() -> std::unique_ptr<RelationManager> { return std::make_unique<DictionaryRelationManager<F>>(); },
          [](RelationManager& manager) { static_cast<DictionaryRelationManager<F>&>(manager).init(); }};
}

template <std::size_t... I>
constexpr std::array<ManagerClasses, kFileCount> allClasses(std::index_sequence<I...>) {
  return {classesOf<static_cast<File>(I)>()...};
}

constexpr std::array<ManagerClasses, kFileCount> kClasses = allClasses(std::make_index_sequence<kFileCount>());

}  // namespace

FileManager* FileManagerOf(File file) { return slotOf(file).fileManager; }
RelationManager* RelationManagerOf(File file) { return slotOf(file).relationManager; }

ManagerReferences ReferencesOf(File file) {
  const ManagerSlot& slot = slotOf(file);
  return {slot.owningFileManager.get(), slot.owningRelationManager.get(), slot.fileManager, slot.relationManager};
}

void DictionaryInit() {
  program().observe("DictionaryInit");
  ConstructManagers();
  InitManagers();
}

void DictionaryKill() {
  program().observe("DictionaryKill");
  KillManagers();
}

void ConstructManagers() {
  auto& slots = ThisThread().managers;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    slots[i].owningFileManager = kClasses[i].makeFileManager();
    slots[i].owningRelationManager = kClasses[i].makeRelationManager();
  }
  for (ManagerSlot& slot : slots) slot.relationManager = slot.owningRelationManager.get();
}

void InitManagers() {
  auto& slots = ThisThread().managers;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (slots[i].owningRelationManager) kClasses[i].initialise(*slots[i].owningRelationManager);
  }
}

void KillManagers() {
  for (ManagerSlot& slot : ThisThread().managers) {
    if (!slot.owningRelationManager) continue;
    slot.owningRelationManager->kill();
    slot.owningRelationManager.reset();
  }
}

}  // namespace dictionary
