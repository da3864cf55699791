#include "dictionary/file_declarations.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using namespace platform::literals;

using dictionary::FileDeclarations;
using platform::FieldType;
using platform::storage::FileDecl;
using platform::storage::KeyDecl;

// The expected declarations, written out from the data dictionary's tables rather than from the code.
struct ExpectedField {
  const char* name;
  FieldType type;
  std::uint32_t size;
  std::uint32_t offset;
};

enum Attr : unsigned { kPrimary = 1, kDups = 2, kNoCase = 4, kOptional = 8 };

struct ExpectedKey {
  const char* label;
  std::vector<const char*> components;
  unsigned attributes;
};

struct ExpectedFile {
  const char* label;
  const char* prefix;
  const char* physicalName;
  std::uint32_t length;
  std::vector<ExpectedField> fields;
  std::vector<ExpectedKey> keys;
};

constexpr auto L = FieldType::Long;
constexpr auto R = FieldType::Real;
constexpr auto S = FieldType::String;
constexpr auto C = FieldType::CString;

const std::vector<ExpectedField> kActasFields = {{"ID_ACT", L, 4, 0},         {"CLAVE", L, 4, 4},
                                                 {"PERIODO", S, 8, 8},        {"GRUPO", S, 12, 16},
                                                 {"ID_ALU", L, 4, 28},        {"ID_MAE", L, 4, 32},
                                                 {"ID_UAPR", L, 4, 36},       {"ID_PACA", L, 4, 40},
                                                 {"ID_CIU", L, 4, 44},        {"POR_PORTAFOLIO", R, 8, 48},
                                                 {"PORTAFOLIO", R, 8, 56},    {"POR_EXAMEN", R, 8, 64},
                                                 {"EXAMEN", R, 8, 72},        {"POR_PARTICIPACION", R, 8, 80},
                                                 {"PARTICIPACION", R, 8, 88}, {"POR_ENSAYO", R, 8, 96},
                                                 {"ENSAYO", R, 8, 104},       {"PROMEDIO", R, 8, 112},
                                                 {"STATUS", L, 4, 120}};
const std::vector<ExpectedKey> kActasKeys = {
    {"PK_ACTA", {"ID_ACT"}, kPrimary | kNoCase | kOptional}, {"AK_CLAVE", {"CLAVE"}, kDups},
    {"FK_ACTA_REF_28_ALUMNOS", {"ID_ALU"}, kDups},           {"FK_ACTA_REF_32_ZOLBRANS", {"ID_MAE"}, kDups},
    {"FK_ACTA_REF_46_PROGRAMA", {"ID_PACA"}, kDups},         {"FK_ACTAS_REF_213_CIUDAD", {"ID_CIU"}, kDups},
    {"FK_ACTAS_REF_60_UNIDAD_A", {"ID_UAPR"}, kDups}};

const std::vector<ExpectedField> kUaprFields = {
    {"ID_UAPR", L, 4, 0},      {"DESCRIPCION", S, 120, 4},  {"POR_UNO", L, 4, 124},     {"POR_DOS", L, 4, 128},
    {"POR_TRES", L, 4, 132},   {"POR_CUATRO", L, 4, 136},   {"DESC_UNO", S, 20, 140},   {"DESC_DOS", S, 20, 160},
    {"DESC_TRES", S, 20, 180}, {"DESC_CUATRO", S, 20, 200}, {"RUT_IMAGEN", S, 255, 220}};
const std::vector<ExpectedKey> kUaprKeys = {{"PK_UNIDAD_APRENDIZAJE", {"ID_UAPR"}, kPrimary | kNoCase | kOptional},
                                            {"AK_DESCRIPCION", {"DESCRIPCION"}, kNoCase | kOptional}};

const std::vector<ExpectedField> kPacaFields = {{"ID_PACA", L, 4, 0}, {"DESCRIPCION", S, 100, 4}};
const std::vector<ExpectedKey> kPacaKeys = {{"PK_PROGRAMA_ACADEMICO", {"ID_PACA"}, kPrimary | kNoCase | kOptional},
                                            {"AK_DESCRIPCION", {"DESCRIPCION"}, 0}};

// In the order in which the managers are set up.
const std::vector<ExpectedFile> kExpected = {
    {"CIUDAD",
     "CIU",
     "Ciudad.Tps",
     105,
     {{"ID_CIU", L, 4, 0}, {"DESCRIPCION", C, 101, 4}},
     {{"PK_CIUDAD", {"ID_CIU"}, kPrimary | kNoCase | kOptional}, {"AK_DESCRIPCION", {"DESCRIPCION"}, 0}}},
    {"ZOLBRANS",
     "MAE",
     "Zolbrans.Tps",
     118,
     {{"ID_MAE", L, 4, 0}, {"CLAVE", L, 4, 4}, {"NOMBRE", S, 100, 8}, {"PASSWORD", S, 10, 108}},
     {{"PK_ZOLBRANS", {"ID_MAE"}, kPrimary | kNoCase | kOptional},
      {"AK_CLAVE", {"CLAVE"}, 0},
      {"AK_NOMBRE", {"NOMBRE"}, 0}}},
    {"UNIDAD_ACADEMICA",
     "UACA",
     "Uni_Academica.Tps",
     104,
     {{"ID_UACA", L, 4, 0}, {"DESCRIPCION", S, 100, 4}},
     {{"PK_UNIDAD_ACADEMICA", {"ID_UACA"}, kPrimary | kNoCase | kOptional}, {"AK_DESCRIPCION", {"DESCRIPCION"}, 0}}},
    {"PROGRAMA_ACADEMICO", "PACA", "Prog_Academico.Tps", 104, kPacaFields, kPacaKeys},
    {"PROGRAMA_ALUMNO",
     "PALU",
     "Prog_Alumno.Tps",
     105,
     {{"ID_PALU", L, 4, 0}, {"DESCRIPCION", C, 101, 4}},
     {{"PK_PROGRAMA_ALUMNO", {"ID_PALU"}, kPrimary | kNoCase | kOptional}, {"AK_DESCRIPCION", {"DESCRIPCION"}, 0}}},
    {"UNIDAD_APRENDIZAJE", "UAPR", "Uni_Aprendizaje.Tps", 475, kUaprFields, kUaprKeys},
    {"ALUMNOS",
     "ALU",
     "Alumnos.Tps",
     132,
     {{"ID_ALU", L, 4, 0},
      {"MATRICULA", S, 12, 4},
      {"NOMBRE", S, 100, 16},
      {"SEXO", L, 4, 116},
      {"ID_UACA", L, 4, 120},
      {"ID_PALU", L, 4, 124},
      {"ID_CIU", L, 4, 128}},
     {{"PK_ALUMNOS", {"ID_ALU"}, kPrimary | kNoCase | kOptional},
      {"AK_NOMBRE", {"NOMBRE"}, 0},
      {"AK_MATRICULA", {"MATRICULA"}, 0},
      {"FK_ALUMNOS_REF_42_PROGRAMA", {"ID_PALU"}, kDups},
      {"FK_ALUMNOS_REF_36_UNIDAD_A", {"ID_UACA"}, kDups},
      {"FK_ALUMNOS_REF_146_CIUDAD", {"ID_CIU"}, kDups}}},
    {"ACTAS", "ACT", "Actas.Tps", 124, kActasFields, kActasKeys},
    {"EXPORTACION",
     "EXP",
     "Exportacion.Tps",
     649,
     {{"ID_ACT", L, 4, 0},
      {"CLAVE", L, 4, 4},
      {"PERIODO", S, 8, 8},
      {"GRUPO", S, 12, 16},
      {"MATRICULA", S, 12, 28},
      {"NOMBRE", S, 100, 40},
      {"CLA_MAESTRO", L, 4, 140},
      {"NOM_MAESTRO", S, 100, 144},
      {"UNI_APRENDIZAJE", S, 120, 244},
      {"PROG_ACADEMICO", S, 100, 364},
      {"DESC_CIUDAD", C, 101, 464},
      {"POR_PORTAFOLIO", R, 8, 565},
      {"PORTAFOLIO", R, 8, 573},
      {"POR_EXAMEN", R, 8, 581},
      {"EXAMEN", R, 8, 589},
      {"POR_PARTICIPACION", R, 8, 597},
      {"PARTICIPACION", R, 8, 605},
      {"POR_ENSAYO", R, 8, 613},
      {"ENSAYO", R, 8, 621},
      {"PROMEDIO", R, 8, 629},
      {"STATUS", L, 4, 637},
      {"FECHA", L, 4, 641},
      {"HORA", L, 4, 645}},
     {{"PK_ACTA", {"ID_ACT"}, kPrimary | kNoCase | kOptional},
      {"AK_CLAVE", {"CLAVE"}, kDups},
      {"AKBUSCAR",
       {"CLAVE", "PERIODO", "GRUPO", "MATRICULA", "NOMBRE", "CLA_MAESTRO", "NOM_MAESTRO", "UNI_APRENDIZAJE"},
       kDups | kNoCase}}},
    {"ACTAS_ALIAS", "AACT", "Actas.Tps", 124, kActasFields, kActasKeys},
    {"PROGRAMA_ACADEMICO_ALIAS", "APACA", "Prog_Academico.Tps", 104, kPacaFields, kPacaKeys},
    {"UNIDAD_APRENDIZAJE_ALIAS", "AUAPR", "Uni_Aprendizaje.Tps", 475, kUaprFields, kUaprKeys},
};

const char* typeName(FieldType type) {
  switch (type) {
    case FieldType::Long:
      return "LONG";
    case FieldType::Real:
      return "REAL";
    case FieldType::Byte:
      return "BYTE";
    case FieldType::String:
      return "STRING";
    case FieldType::CString:
      return "CSTRING";
  }
  return "?";
}

class EachDeclaration : public testing::TestWithParam<ExpectedFile> {
 protected:
  FileDeclarations decls;
};

TEST_P(EachDeclaration, MatchesTheDataDictionary) {
  const ExpectedFile& want = GetParam();
  const FileDecl* got = decls.find(want.label);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->prefix, want.prefix);
  EXPECT_EQ(got->physicalPath(), want.physicalName);
  EXPECT_EQ(got->layout.length(), want.length);

  ASSERT_EQ(got->layout.fieldCount(), static_cast<int>(want.fields.size()));
  for (int i = 0; i < got->layout.fieldCount(); ++i) {
    const auto& field = got->layout.field(i);
    const auto& expected = want.fields[static_cast<std::size_t>(i)];
    SCOPED_TRACE(std::string(want.prefix) + ":" + expected.name);
    EXPECT_EQ(field.name, expected.name);
    EXPECT_EQ(got->fieldName(i), std::string(want.prefix) + ":" + expected.name);
    EXPECT_STREQ(typeName(field.type), typeName(expected.type));
    EXPECT_EQ(field.size, expected.size);
    EXPECT_EQ(field.offset, expected.offset);
  }

  ASSERT_EQ(got->keys.size(), want.keys.size());
  for (std::size_t k = 0; k < want.keys.size(); ++k) {
    const KeyDecl& key = got->keys[k];
    const ExpectedKey& expected = want.keys[k];
    SCOPED_TRACE(std::string(want.prefix) + ":" + expected.label);
    EXPECT_EQ(key.label, expected.label);
    EXPECT_EQ(got->keyName(static_cast<int>(k)), std::string(want.prefix) + ":" + expected.label);
    std::vector<std::string> components;
    for (int c : key.components) components.push_back(got->layout.field(c).name);
    EXPECT_EQ(components, std::vector<std::string>(expected.components.begin(), expected.components.end()));
    EXPECT_EQ(key.primary, (expected.attributes & kPrimary) != 0);
    EXPECT_EQ(key.duplicates, (expected.attributes & kDups) != 0);
    EXPECT_EQ(key.caseInsensitive, (expected.attributes & kNoCase) != 0);
    EXPECT_EQ(key.optional, (expected.attributes & kOptional) != 0);
  }

  EXPECT_TRUE(got->encrypted);
  EXPECT_TRUE(got->createWhenMissing);
  EXPECT_TRUE(got->perThread);
}

INSTANTIATE_TEST_SUITE_P(DataDictionary, EachDeclaration, testing::ValuesIn(kExpected),
                         [](const testing::TestParamInfo<ExpectedFile>& info) { return info.param.label; });

TEST(FileDeclarations, FixedOrderIsTheManagersOrder) {
  FileDeclarations decls;
  ASSERT_EQ(kExpected.size(), static_cast<std::size_t>(FileDeclarations::kFileCount));
  for (int i = 0; i < FileDeclarations::kFileCount; ++i) {
    EXPECT_EQ(decls.at(i).label, kExpected[static_cast<std::size_t>(i)].label);
    EXPECT_EQ(decls.indexOf(decls.at(i)), i);
  }
  FileDecl stranger = decls.ACTAS;
  EXPECT_EQ(decls.indexOf(stranger), -1);
  EXPECT_EQ(decls.find("actas"), nullptr);
  EXPECT_EQ(decls.find("NOPE"), nullptr);

  std::vector<std::string> dataFiles;
  for (const FileDecl* decl : decls.dataFiles()) dataFiles.push_back(decl->label);
  EXPECT_EQ(dataFiles, (std::vector<std::string>{"CIUDAD", "ZOLBRANS", "UNIDAD_ACADEMICA", "PROGRAMA_ACADEMICO",
                                                 "PROGRAMA_ALUMNO", "UNIDAD_APRENDIZAJE", "ALUMNOS", "ACTAS"}));
}

TEST(FileDeclarations, AliasesDifferFromTheirFilesOnlyInLabelAndPrefix) {
  FileDeclarations decls;
  const struct {
    const FileDecl* alias;
    const FileDecl* file;
  } pairs[] = {{&decls.ACTAS_ALIAS, &decls.ACTAS},
               {&decls.PROGRAMA_ACADEMICO_ALIAS, &decls.PROGRAMA_ACADEMICO},
               {&decls.UNIDAD_APRENDIZAJE_ALIAS, &decls.UNIDAD_APRENDIZAJE}};
  for (const auto& [alias, file] : pairs) {
    SCOPED_TRACE(alias->label);
    EXPECT_EQ(decls.aliasedFile(*alias), file);
    EXPECT_EQ(decls.aliasedFile(*file), nullptr);
    EXPECT_NE(alias->label, file->label);
    EXPECT_NE(alias->prefix, file->prefix);
    EXPECT_EQ(alias->physicalPath(), file->physicalPath());
    EXPECT_EQ(alias->ownerPassword, file->ownerPassword);
    ASSERT_EQ(alias->layout.fieldCount(), file->layout.fieldCount());
    for (int i = 0; i < file->layout.fieldCount(); ++i) {
      EXPECT_EQ(alias->layout.field(i).name, file->layout.field(i).name);
      EXPECT_EQ(alias->layout.field(i).type, file->layout.field(i).type);
      EXPECT_EQ(alias->layout.field(i).offset, file->layout.field(i).offset);
      EXPECT_EQ(alias->layout.field(i).size, file->layout.field(i).size);
    }
    ASSERT_EQ(alias->keys.size(), file->keys.size());
    for (std::size_t k = 0; k < file->keys.size(); ++k) {
      EXPECT_EQ(alias->keys[k].components, file->keys[k].components);
      EXPECT_EQ(alias->keyName(static_cast<int>(k)), alias->prefix + ":" + file->keys[k].label);
    }
  }
  EXPECT_EQ(decls.aliasedFile(decls.EXPORTACION), nullptr);
}

TEST(FileDeclarations, OneOwnerPasswordOfLettersDigitsAndBlanks) {
  FileDeclarations decls;
  const std::string& password = decls.ACTAS.ownerPassword;
  EXPECT_EQ(password.size(), 45u);
  for (char c : password) {
    EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ')
        << "character " << static_cast<int>(static_cast<unsigned char>(c));
  }
  for (const FileDecl* decl : decls.inOrder()) EXPECT_EQ(decl->ownerPassword, password) << decl->label;
}

TEST(FileDeclarations, ExportFileNameFollowsTheVariable) {
  FileDeclarations decls;
  EXPECT_EQ(decls.Gs_ArchivoExportacion.value().bytes(), "Exportacion.Tps" + std::string(255 - 15, ' '));
  EXPECT_EQ(decls.EXPORTACION.physicalPath(), "Exportacion.Tps");

  decls.Gs_ArchivoExportacion = "/tmp/Exporacion - 1001 - 10-12-2024 10_00.Vyr"_cp1252;
  EXPECT_EQ(decls.EXPORTACION.physicalPath(), "/tmp/Exporacion - 1001 - 10-12-2024 10_00.Vyr");
  // A copy of the declaration (a thread's own) still follows the one variable.
  const FileDecl copy = decls.EXPORTACION;
  decls.Gs_ArchivoExportacion = "other.Vyr"_cp1252;
  EXPECT_EQ(copy.physicalPath(), "other.Vyr");

  const std::string longPath = "/" + std::string(300, 'x');
  decls.Gs_ArchivoExportacion = platform::Cp1252View::ofBytes(longPath);
  EXPECT_EQ(decls.Gs_ArchivoExportacion.value().size(), 255u);
  EXPECT_EQ(decls.EXPORTACION.physicalPath(), longPath.substr(0, 255));

  // The variable holds code page 1252, one byte per character; the file system names the file in UTF-8.
  decls.Gs_ArchivoExportacion = platform::Cp1252View::ofBytes("/tmp/Calificaci\xF3n A\xF1o/x.Vyr");
  EXPECT_EQ(decls.EXPORTACION.physicalPath(), "/tmp/Calificación Año/x.Vyr");
  EXPECT_EQ(decls.exportFilePath(), "/tmp/Calificación Año/x.Vyr");

  // Each process-level object has its own variable.
  FileDeclarations other;
  EXPECT_EQ(other.EXPORTACION.physicalPath(), "Exportacion.Tps");
}

TEST(FileDeclarations, ParentReferencesNameEachParentsPrimaryKey) {
  FileDeclarations decls;
  std::set<std::string> got;
  for (const auto& ref : dictionary::parentReferences()) {
    const FileDecl* child = decls.find(ref.file);
    const FileDecl* parent = decls.find(ref.parentFile);
    ASSERT_NE(child, nullptr) << ref.file;
    ASSERT_NE(parent, nullptr) << ref.parentFile;
    const int field = child->fieldIndex(ref.field);
    ASSERT_GE(field, 0) << ref.field;
    const int key = parent->keyIndex(ref.parentKey);
    ASSERT_GE(key, 0) << ref.parentKey;
    EXPECT_TRUE(parent->keys[static_cast<std::size_t>(key)].primary);
    ASSERT_EQ(parent->keys[static_cast<std::size_t>(key)].components.size(), 1u);
    EXPECT_EQ(parent->layout.field(parent->keys[static_cast<std::size_t>(key)].components[0]).type,
              child->layout.field(field).type);
    got.insert(child->fieldName(field) + " -> " + parent->label);
  }
  EXPECT_EQ(got, (std::set<std::string>{"ACT:ID_ALU -> ALUMNOS", "ACT:ID_MAE -> ZOLBRANS",
                                        "ACT:ID_UAPR -> UNIDAD_APRENDIZAJE", "ACT:ID_PACA -> PROGRAMA_ACADEMICO",
                                        "ACT:ID_CIU -> CIUDAD", "ALU:ID_UACA -> UNIDAD_ACADEMICA",
                                        "ALU:ID_PALU -> PROGRAMA_ALUMNO", "ALU:ID_CIU -> CIUDAD"}));
}

TEST(FixedText, AssignCutsOrPadsWithBlanks) {
  const struct {
    const char* assigned;
    const char* value;
    const char* trimmed;
  } cases[] = {
      {"", "     ", ""},     {"ab", "ab   ", "ab"},   {"abcde", "abcde", "abcde"}, {"abcdefgh", "abcde", "abcde"},
      {"a  ", "a    ", "a"}, {"  a", "  a  ", "  a"},
  };
  for (const auto& c : cases) {
    platform::FixedText<5> text;
    text = platform::Cp1252View::ofBytes(c.assigned);
    EXPECT_EQ(text.value().bytes(), c.value) << '"' << c.assigned << '"';
    EXPECT_EQ(text.trimmed().bytes(), c.trimmed) << '"' << c.assigned << '"';
  }
  platform::FixedText<5> fresh;
  EXPECT_EQ(fresh.value(), "     "_cp1252);
  EXPECT_EQ(platform::FixedText<3>("Ñandú"_cp1252).value(), "Ñan"_cp1252) << "one character, one byte";
}

}  // namespace
