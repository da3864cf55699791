// A small generated school holds what the benchmarks rely on: the counts of its spec, valid
// references, consistent grades, the same records in either order, and the same bytes every time.
#include "bench/school.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/file_declarations.h"
#include "dictionary/spanish_locale.h"
#include "platform/storage/data_file.h"
#include "platform/storage/testing/status_matchers.h"
#include "tools/data_tool.h"

namespace {

namespace fs = std::filesystem;
using platform::storage::DataFile;
using platform::storage::FileDecl;
using platform::storage::testing::IsOk;

bench::SchoolSpec SmallSpec(bench::RecordOrder order) {
  bench::SchoolSpec spec;
  spec.gradeRecords = 5000;
  spec.order = order;
  spec.busyTeacherRecords = 1200;
  spec.teachers = 6;
  spec.students = 300;
  spec.groupsPerProgramme = 2;
  spec.learningUnits = 5;
  return spec;
}

class SchoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dictionary::ApplySpanishLocale(locale_);
    root_ = fs::temp_directory_path() / ("school-test-" + std::to_string(::getpid()));
    fs::remove_all(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  // The grade records as CSV in physical order, or in the order of a key.
  std::string dump(const bench::School& school, const std::string& key = {}) {
    std::ostringstream csv;
    datatool::DumpOptions options;
    options.key = key;
    const datatool::Result result = datatool::dump(decls_, locale_, school.folder / "Actas.Tps", options, csv);
    EXPECT_TRUE(result.ok()) << result.error;
    return csv.str();
  }

  platform::Locale locale_;
  dictionary::FileDeclarations decls_;
  fs::path root_;
};

TEST_F(SchoolTest, HoldsTheSpecsCountsWithValidReferencesAndGrades) {
  const bench::School school = bench::buildSchool(SmallSpec(bench::RecordOrder::Scattered), root_ / "school");
  platform::storage::Engine engine(locale_);
  platform::storage::Session session(engine, school.folder.string());
  std::vector<FileDecl> placed;
  for (const FileDecl* decl : decls_.dataFiles()) {
    placed.push_back(platform::storage::placedAt(*decl, (school.folder / decl->physicalName).string()));
  }
  std::map<std::string, std::unique_ptr<DataFile>> files;
  for (const FileDecl& decl : placed) {
    files[decl.label] = std::make_unique<DataFile>(decl, session);
    ASSERT_EQ(0, files[decl.label]->open(platform::storage::kReadOnly)) << decl.label;
  }
  DataFile& actas = *files["ACTAS"];
  EXPECT_EQ(5000, actas.records());
  EXPECT_EQ(6, files["ZOLBRANS"]->records());
  EXPECT_EQ(300, files["ALUMNOS"]->records());

  const FileDecl& a = decls_.ACTAS;
  std::map<std::int32_t, int> perTeacher;
  int ungraded = 0;
  ASSERT_THAT(actas.set(), IsOk());
  while (actas.next() == 0) {
    const platform::RecordBuffer& r = actas.buffer();
    ++perTeacher[r.getLong(a.fieldIndex("ID_MAE"))];
    // Every id that names a parent finds it.
    for (const dictionary::ParentReference& ref : dictionary::parentReferences()) {
      if (ref.file != "ACTAS") continue;
      DataFile& parent = *files[std::string(ref.parentFile)];
      const FileDecl& parentDecl = parent.decl();
      const int parentKey = parentDecl.keyIndex(std::string(ref.parentKey));
      parent.buffer().clear();
      parent.buffer().setLong(parentDecl.keys[static_cast<std::size_t>(parentKey)].components.at(0),
                              r.getLong(a.fieldIndex(std::string(ref.field))));
      ASSERT_THAT(parent.get(parentKey), IsOk()) << ref.field;
    }
    // The average is the sum of the weighted scores; the status follows it.
    const double average = r.getReal(a.fieldIndex("PROMEDIO"));
    double sum = 0;
    for (const char* part : {"POR_PORTAFOLIO", "POR_EXAMEN", "POR_PARTICIPACION", "POR_ENSAYO"}) {
      sum += r.getReal(a.fieldIndex(part));
    }
    EXPECT_EQ(average, sum);
    EXPECT_EQ(r.getLong(a.fieldIndex("STATUS")), average >= 60 ? 1 : 0);
    if (average == 0) ++ungraded;
  }
  EXPECT_EQ(1200, perTeacher[school.busyTeacherId]);
  for (std::int32_t teacher = 2; teacher <= 6; ++teacher) EXPECT_EQ(760, perTeacher[teacher]) << teacher;
  EXPECT_GT(ungraded, 100);
  EXPECT_LT(ungraded, 500);

  // The busy teacher signs in with the key and password the School names.
  DataFile& teachers = *files["ZOLBRANS"];
  teachers.buffer().setLong(decls_.ZOLBRANS.fieldIndex("CLAVE"), school.busyTeacherKey);
  ASSERT_THAT(teachers.get(decls_.ZOLBRANS.keyIndex("AK_CLAVE")), IsOk());
  EXPECT_EQ(school.busyTeacherId, teachers.buffer().getLong(decls_.ZOLBRANS.fieldIndex("ID_MAE")));
  EXPECT_TRUE(locale_.equal(teachers.buffer().getText(decls_.ZOLBRANS.fieldIndex("PASSWORD")).bytes(),
                            school.busyTeacherPassword));
}

TEST_F(SchoolTest, ScatteredHoldsTheSameRecordsSpreadThroughTheFile) {
  const bench::School inOrder = bench::buildSchool(SmallSpec(bench::RecordOrder::KeyOrder), root_ / "ordered");
  const bench::School scattered = bench::buildSchool(SmallSpec(bench::RecordOrder::Scattered), root_ / "scattered");
  EXPECT_EQ(dump(inOrder, "ACT:PK_ACTA"), dump(scattered, "ACT:PK_ACTA"));
  EXPECT_EQ(dump(inOrder), dump(inOrder, "ACT:PK_ACTA"));
  EXPECT_NE(dump(scattered), dump(scattered, "ACT:PK_ACTA"));

  // Record numbers of the busy teacher's records: neighbours in one file, spread in the other.
  platform::storage::Engine engine(locale_);
  for (const bench::School* school : {&inOrder, &scattered}) {
    platform::storage::Session session(engine, school->folder.string());
    const FileDecl decl = platform::storage::placedAt(decls_.ACTAS, (school->folder / "Actas.Tps").string());
    DataFile actas(decl, session);
    ASSERT_THAT(actas.open(platform::storage::kReadOnly), IsOk());
    actas.buffer().setLong(decl.fieldIndex("ID_MAE"), school->busyTeacherId);
    ASSERT_THAT(actas.setFromBuffer(decl.keyIndex("FK_ACTA_REF_32_ZOLBRANS")), IsOk());
    std::int64_t first = -1, last = -1;
    int count = 0;
    while (actas.next() == 0 && actas.buffer().getLong(decl.fieldIndex("ID_MAE")) == school->busyTeacherId) {
      if (first < 0) first = actas.position().record;
      last = actas.position().record;
      ++count;
    }
    EXPECT_EQ(1200, count);
    if (school == &inOrder)
      EXPECT_EQ(1199, last - first);
    else
      EXPECT_GT(last - first, 4000);
  }
}

TEST_F(SchoolTest, TheSameSpecGivesTheSameFileAndACacheNameOfItsOwn) {
  const bench::SchoolSpec spec = SmallSpec(bench::RecordOrder::Scattered);
  const bench::School one = bench::buildSchool(spec, root_ / "one");
  const bench::School two = bench::buildSchool(spec, root_ / "two");
  EXPECT_EQ(dump(one), dump(two));
  EXPECT_THROW(bench::buildSchool(spec, root_ / "one"), std::runtime_error);

  bench::SchoolSpec other = spec;
  other.busyTeacherRecords = 1201;
  EXPECT_NE(bench::cacheName(spec), bench::cacheName(other));
  other = spec;
  other.order = bench::RecordOrder::KeyOrder;
  EXPECT_NE(bench::cacheName(spec), bench::cacheName(other));
  other.busyTeacherRecords = 6000;  // more than the school's records
  EXPECT_THROW(bench::buildSchool(other, root_ / "bad"), std::runtime_error);

  // The cache hands back what it built.
  setenv("GRADEBOOK_BENCH_CACHE", (root_ / "cache").c_str(), 1);
  const bench::School cached = bench::cachedSchool(spec);
  EXPECT_EQ(root_ / "cache" / bench::cacheName(spec), cached.folder);
  EXPECT_EQ(dump(one), dump(cached));
  EXPECT_EQ(cached.folder, bench::cachedSchool(spec).folder);
  unsetenv("GRADEBOOK_BENCH_CACHE");
}

}  // namespace
