// Finding a declaration's fields and keys by name.
#include "platform/storage/file_decl.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace platform::storage {
namespace {

FileDecl peopleDecl() {
  FileDecl decl;
  decl.label = "PEOPLE";
  decl.prefix = "PEO";
  decl.layout = RecordLayout({{"ID", FieldType::Long}, {"NAME", FieldType::String, 20}});
  decl.keys = {{"PK_ID", {0}, true, false, false, false}, {"AK_NAME", {1}}};
  return decl;
}

TEST(FileDeclTest, NamesAreFoundWithOrWithoutTheirPrefixInAnyCase) {
  const FileDecl decl = peopleDecl();
  for (const char* name : {"NAME", "name", "PEO:NAME", "peo:Name"}) {
    EXPECT_EQ(1, decl.fieldIndex(name)) << name;
    EXPECT_EQ(1, decl.fieldNamed(name)) << name;
  }
  for (const char* name : {"AK_NAME", "PEO:ak_name"}) {
    EXPECT_EQ(1, decl.keyIndex(name)) << name;
    EXPECT_EQ(1, decl.keyNamed(name)) << name;
  }
  // Another file's prefix is part of the name: no such field here.
  EXPECT_EQ(-1, decl.fieldIndex("ACT:NAME"));
  EXPECT_EQ(-1, decl.keyIndex("NAMES"));
}

// A name the program spells wrong fails where it is looked up, naming the file and the name.
TEST(FileDeclTest, AWrongNameTheProgramSpellsFailsNamingTheFileAndTheName) {
  const FileDecl decl = peopleDecl();
  const auto failure = [](auto&& lookUp) {
    try {
      lookUp();
    } catch (const std::logic_error& e) {
      return std::string(e.what());
    }
    return std::string("no failure");
  };
  EXPECT_EQ("PEOPLE has no field NAMES", failure([&] { return decl.fieldNamed("NAMES"); }));
  EXPECT_EQ("PEOPLE has no field ACT:NAME", failure([&] { return decl.fieldNamed("ACT:NAME"); }));
  EXPECT_EQ("PEOPLE has no key PEO:PK_NAME", failure([&] { return decl.keyNamed("PEO:PK_NAME"); }));
}

}  // namespace
}  // namespace platform::storage
