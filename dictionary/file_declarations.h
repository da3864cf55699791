// The twelve file declarations of the grade book: nine physical data files, three of them seen a
// second time under an alias label, and the export file whose name is a variable.
//
// One FileDeclarations object belongs to the process (built by the program's start-up, or by a
// tool, and passed by reference to whoever opens data files). The declarations never change after
// construction; the only moving part is Gs_ArchivoExportacion, the name the export file is created
// or opened under. Threads that need their own copies of the declarations copy the FileDecl values;
// the copies of EXPORTACION keep reading this object's Gs_ArchivoExportacion, so the object must
// outlive them. Not thread safe for writing Gs_ArchivoExportacion.
#pragma once

#include <array>
#include <filesystem>
#include <span>
#include <string_view>

#include "platform/core/fixed_text.h"
#include "platform/storage/file_decl.h"

namespace dictionary {

// A field whose value must be the primary-key value of a record of another file.
struct ParentReference {
  std::string_view file;        // the child file's label: "ACTAS"
  std::string_view field;       // the child field, without prefix: "ID_ALU"
  std::string_view parentFile;  // the parent file's label: "ALUMNOS"
  std::string_view parentKey;   // the parent's primary key, without prefix: "PK_ALUMNOS"
};

// Every parent reference, for each child file in field order (ACTAS, then ALUMNOS).
std::span<const ParentReference> parentReferences();

// The name Gs_ArchivoExportacion starts with: an export file in the working folder.
inline constexpr platform::Cp1252View kInitialExportFileName = platform::Cp1252View::ofBytes("Exportacion.Tps");

class FileDeclarations {
 public:
  static constexpr int kFileCount = 12;

  FileDeclarations();
  // EXPORTACION reads Gs_ArchivoExportacion through a reference into this object.
  FileDeclarations(const FileDeclarations&) = delete;
  FileDeclarations& operator=(const FileDeclarations&) = delete;

  // The physical name of EXPORTACION; initially kInitialExportFileName. Declared first: EXPORTACION is
  // built reading it. In code page 1252, as every text of the program: one byte per character.
  platform::FixedText<255> Gs_ArchivoExportacion;
  // Gs_ArchivoExportacion as the file system names the file (platform/os/paths.h).
  std::filesystem::path exportFilePath() const;

  // In the fixed order in which the managers are set up and torn down: every alias after the file
  // it aliases.
  const platform::storage::FileDecl CIUDAD;
  const platform::storage::FileDecl ZOLBRANS;
  const platform::storage::FileDecl UNIDAD_ACADEMICA;
  const platform::storage::FileDecl PROGRAMA_ACADEMICO;
  const platform::storage::FileDecl PROGRAMA_ALUMNO;
  const platform::storage::FileDecl UNIDAD_APRENDIZAJE;
  const platform::storage::FileDecl ALUMNOS;
  const platform::storage::FileDecl ACTAS;
  const platform::storage::FileDecl EXPORTACION;
  const platform::storage::FileDecl ACTAS_ALIAS;
  const platform::storage::FileDecl PROGRAMA_ACADEMICO_ALIAS;
  const platform::storage::FileDecl UNIDAD_APRENDIZAJE_ALIAS;

  // The twelve declarations in the fixed order above.
  const std::array<const platform::storage::FileDecl*, kFileCount>& inOrder() const { return order_; }
  const platform::storage::FileDecl& at(int index) const { return *order_.at(static_cast<std::size_t>(index)); }
  // Position of a declaration in the fixed order; -1 when it is not one of these twelve objects.
  int indexOf(const platform::storage::FileDecl& decl) const;

  // The declaration with that label (exact, upper case as declared); null when there is none.
  const platform::storage::FileDecl* find(std::string_view label) const;

  // For an alias, the declaration of the file it aliases; null for every other declaration.
  const platform::storage::FileDecl* aliasedFile(const platform::storage::FileDecl& decl) const;

  // The eight data files that a school's data lives in: the fixed order without EXPORTACION and
  // without the aliases.
  std::array<const platform::storage::FileDecl*, 8> dataFiles() const;

 private:
  std::array<const platform::storage::FileDecl*, kFileCount> order_;
};

}  // namespace dictionary
