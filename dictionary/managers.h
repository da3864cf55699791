// The file and relation managers of the twelve files, one pair per file on each thread.
//
// DictionaryInit() sets a thread's managers up: ConstructManagers() creates the 24 objects and
// publishes the relation managers, InitManagers() initialises them (each relation manager its file
// manager first, which publishes itself), always in the fixed file order (CIUDAD first,
// UNIDAD_APRENDIZAJE_ALIAS last; every alias after the file it aliases). Nothing is opened, read,
// created or registered then: a file manager registers its keys at its first use, a relation
// manager its relations at its first need. DictionaryKill() (KillManagers()) tears them down in the
// same order; afterwards every reference of the thread is null.
//
// Procedures reach a file through FileManagerOf() (fetch, save, checks) and RelationManagerOf()
// (open and close with the related files, saving and deleting with the relations kept), and its
// record buffer through the thread's DataFile (DataFileOf(), program.h). Both return null outside
// DictionaryInit() ... DictionaryKill() on the calling thread.
//
// Thread safety: every reference and object here belongs to the calling thread.
#pragma once

#include <string_view>

#include "platform/classes/file_manager.h"
#include "platform/classes/relation_manager.h"

namespace dictionary {

// The twelve files in their fixed order (the order of FileDeclarations::inOrder()).
enum class File {
  CIUDAD,
  ZOLBRANS,
  UNIDAD_ACADEMICA,
  PROGRAMA_ACADEMICO,
  PROGRAMA_ALUMNO,
  UNIDAD_APRENDIZAJE,
  ALUMNOS,
  ACTAS,
  EXPORTACION,
  ACTAS_ALIAS,
  PROGRAMA_ACADEMICO_ALIAS,
  UNIDAD_APRENDIZAJE_ALIAS,
};
inline constexpr int kFileCount = 12;

// The published references of the calling thread.
platform::FileManager* FileManagerOf(File file);
platform::RelationManager* RelationManagerOf(File file);

// The four references a thread keeps per file.
struct ManagerReferences {
  platform::FileManager* owningFileManager = nullptr;
  platform::RelationManager* owningRelationManager = nullptr;
  platform::FileManager* fileManager = nullptr;          // published
  platform::RelationManager* relationManager = nullptr;  // published
};
ManagerReferences ReferencesOf(File file);

void DictionaryInit();
void DictionaryKill();
void ConstructManagers();
void InitManagers();
void KillManagers();

}  // namespace dictionary
