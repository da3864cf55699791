// Generated schools for benchmarks at scale: a data folder with the eight data files, the
// catalogues filled and "Actas.Tps" holding any number of grade records.
//
// The school is a pure function of its SchoolSpec (no clock, no global random state): the same
// spec gives the same records on every run. Generating 1,000,000 grade records takes tens of
// seconds, so cachedSchool() keeps each school it builds in a cache folder named after the SchoolSpec
// and hands the same folder back on later runs. Benchmarks that write must copy the files first
// (copyOf): the cached folder is shared by every run.
//
// Shape: 3 programmes, each with `groupsPerProgramme` groups; students spread evenly over the
// groups; teacher 1 (MAE:ID_MAE 1, key 1001) holds exactly `busyTeacherRecords` grade records,
// the other teachers share the rest evenly. Each teacher's records come in classes of 40: one
// group, one learning unit, 40 of the group's students. About 5% of the records are ungraded
// (average 0). ACT:ID_ACT numbers the records 1..N teacher by teacher.
//
// Not thread safe: build or fetch schools from one thread. Failures throw std::runtime_error.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace bench {

enum class RecordOrder {
  KeyOrder,   // records added in ACT:ID_ACT order: a teacher's records are neighbours in the file
  Scattered,  // records added in a shuffled order: a teacher's records are spread through the file
};

struct SchoolSpec {
  std::int64_t gradeRecords = 1'000'000;
  RecordOrder order = RecordOrder::KeyOrder;
  int busyTeacherRecords = 2'000;  // grade records of teacher 1; at most gradeRecords
  int teachers = 200;
  int students = 20'000;
  int groupsPerProgramme = 20;
  int learningUnits = 40;
};

struct School {
  std::filesystem::path folder;  // the data folder: Actas.Tps, Alumnos.Tps, Zolbrans.Tps, ...
  SchoolSpec spec;
  std::int32_t busyTeacherId = 1;      // MAE:ID_MAE of the teacher with busyTeacherRecords
  std::int32_t busyTeacherKey = 1001;  // MAE:CLAVE, what the teacher types to sign in
  std::string busyTeacherPassword = "clave1";
};

// The cache folder's name for a spec: every field, and the generator's version.
std::string cacheName(const SchoolSpec& spec);

// The folder where cachedSchool keeps its schools: $GRADEBOOK_BENCH_CACHE when set, else the
// build folder's bench-cache/.
std::filesystem::path cacheRoot();

// The school of `spec` from the cache, built there first when missing. A build is written under a
// temporary name and renamed when complete, so an interrupted run never leaves half a school.
School cachedSchool(const SchoolSpec& spec);

// The school of `spec` as the data tool's CSV tables, one LABEL.csv per data file, in the form a
// dump gives (so that loading them and dumping the files gives back the same bytes). Written from
// cachedSchool(spec)'s files once, and cached beside it like the school.
std::filesystem::path cachedTables(const SchoolSpec& spec);

// Builds the school of `spec` into `folder`, which must not exist yet.
School buildSchool(const SchoolSpec& spec, const std::filesystem::path& folder);

// Copies a school's data files into `folder` (replacing what is there) for a benchmark that
// writes; returns the copy.
School copyOf(const School& school, const std::filesystem::path& folder);

}  // namespace bench
