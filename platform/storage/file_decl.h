// A file declaration: what a keyed-record data file is, as data. The driver derives the stored
// table, its key indexes and their order from it; nothing in the driver knows any particular file.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/record.h"

namespace platform::storage {

struct KeyDecl {
  std::string label;            // without the prefix: "PK_ACTA"
  std::vector<int> components;  // field indexes in the record, each ascending
  bool primary = false;
  bool duplicates = false;       // false: no two records may share the key value
  bool caseInsensitive = false;  // text components compared through the case table
  bool optional = false;         // records whose components are all null are left out
};

struct FileDecl {
  std::string label;   // "ACTAS"
  std::string prefix;  // "ACT"
  // The physical file name, fixed; or, when `nameSource` is set, the value it returns each time
  // the file is created or opened (trailing blanks ignored).
  std::string physicalName;
  std::function<std::string()> nameSource;
  std::string ownerPassword;  // the files' encryption is keyed from it
  bool encrypted = true;
  bool createWhenMissing = true;
  bool perThread = true;
  RecordLayout layout;
  std::vector<KeyDecl> keys;

  // The file's name as it is now: the variable's value or the fixed name, trailing blanks removed.
  std::string physicalPath() const;
  // "ACT:PK_ACTA" for key 0 of ACTAS.
  std::string keyName(int key) const;
  // "ACT:ID_ACT" for field 0 of ACTAS.
  std::string fieldName(int field) const;
  // Index of a key by its name with or without the prefix, ignoring ASCII case; -1 when absent.
  // For names that come from outside (a data file's rows, a view's text), which may be wrong.
  int keyIndex(std::string_view name) const;
  // Index of a field by its name with or without the prefix, ignoring ASCII case; -1 when absent.
  int fieldIndex(std::string_view name) const;
  // The same for a name the program itself spells: one the declaration lacks is a fault of the
  // program, and fails at once with std::logic_error naming the file and the name ("ACTAS has no
  // field PROMEDI"), before a -1 can reach a record.
  int keyNamed(std::string_view name) const;
  int fieldNamed(std::string_view name) const;
};

// The declaration of an alias: the same physical file, layout and keys under another label and
// prefix.
FileDecl aliasOf(const FileDecl& file, std::string label, std::string prefix);

// The same declaration with a fixed physical path in place of its name or name variable: a tool
// or benchmark working on the data files of a folder other than the working folder.
FileDecl placedAt(const FileDecl& file, std::string path);

}  // namespace platform::storage
