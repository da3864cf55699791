#include "bench/school.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "dictionary/file_declarations.h"
#include "dictionary/spanish_locale.h"
#include "platform/core/locale.h"
#include "platform/storage/data_file.h"
#include "tools/data_tool.h"

namespace bench {
namespace {

namespace fs = std::filesystem;
using platform::storage::DataFile;

// Raised whenever the generator's output changes, so that stale caches are not reused.
constexpr int kGeneratorVersion = 2;  // 2: text key images end with a marker byte
constexpr int kProgrammes = 3;
constexpr int kClassSize = 40;
constexpr int kRecordsPerTransaction = 100'000;
// A page cache that holds the key indexes while they are filled in random order: without it every
// insert re-reads and decrypts pages that were just written out.
constexpr int kGeneratorCacheKiB = 512 * 1024;

constexpr std::array kCities = {"Guadalajara", "Mérida", "León",  "Querétaro", "Morelia",  "Córdoba",
                                "Monterrey",   "Cancún", "Tepic", "Culiacán",  "Mazatlán", "Zapopan"};
constexpr std::array kProgrammeNames = {"Licenciatura en Informática", "Ingeniería de Software",
                                        "Licenciatura en Contaduría"};
constexpr std::array kAcademicUnits = {"Facultad de Informática", "Facultad de Ingeniería",
                                       "Escuela de Contaduría y Administración"};
constexpr std::array kStudentProgrammes = {"Escolarizado", "Semiescolarizado", "Intercambio académico"};
constexpr std::array kFirstNames = {"Ángel",  "Begoña",  "Íñigo",  "Sofía",    "María José", "José Luis", "Lucía",
                                    "Andrés", "Ramón",   "Inés",   "Raúl",     "Mónica",     "Julián",    "Verónica",
                                    "Óscar",  "Valeria", "Daniel", "Fernanda", "Jesús",      "Zoé",       "Hugo",
                                    "Paula",  "Elena",   "Adrián", "Camila",   "Tomás",      "Nicolás",   "Martín",
                                    "Víctor", "Jimena",  "Renata", "Emilio"};
constexpr std::array kSurnames = {
    "Martínez",  "Martinez", "García",  "López",  "Hernández", "González", "Pérez",    "Perez",   "Sánchez",
    "Ramírez",   "Torres",   "Flores",  "Rivera", "Gómez",     "Díaz",     "Cruz",     "Morales", "Reyes",
    "Gutiérrez", "Ortiz",    "Muñoz",   "Peña",   "Pena",      "Núñez",    "Castillo", "Jiménez", "Ruiz",
    "Álvarez",   "Romero",   "Vázquez", "Ávila",  "Ibáñez",    "Olvera",   "Ñíguez",   "Aguilar", "Mendoza"};
// The four weights of a learning unit, by unit number.
constexpr std::array<std::array<int, 4>, 6> kWeights = {
    {{30, 20, 20, 30}, {25, 25, 25, 25}, {40, 30, 10, 20}, {35, 35, 15, 15}, {20, 50, 10, 20}, {10, 60, 10, 20}}};

std::uint64_t mix(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15ull;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

std::string formatted(const char* format, long long value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

int groupCount(const SchoolSpec& spec) { return kProgrammes * spec.groupsPerProgramme; }

void check(const SchoolSpec& spec) {
  const bool ok = spec.gradeRecords >= 1 && spec.gradeRecords <= 100'000'000 && spec.teachers >= 1 &&
                  spec.teachers <= 99'999 && spec.busyTeacherRecords >= 0 &&
                  spec.busyTeacherRecords <= spec.gradeRecords &&
                  (spec.teachers > 1 || spec.busyTeacherRecords == spec.gradeRecords) && spec.groupsPerProgramme >= 1 &&
                  spec.groupsPerProgramme <= 99 && spec.learningUnits >= 1 && spec.learningUnits <= 999 &&
                  spec.students >= groupCount(spec) && spec.students <= 9'999'999;
  if (!ok) throw std::runtime_error("bench school: inconsistent spec " + cacheName(spec));
}

// --- Catalogues, as the data tool's CSV tables ---------------------------------------------------

std::string csvLine(std::initializer_list<std::string> fields) {
  std::string line;
  for (const std::string& field : fields) line += (line.empty() ? "" : ",") + field;
  return line + "\n";
}

void addTable(datatool::Tables& tables, const std::string& label, std::string text) {
  tables[label] = datatool::Table{label + ".csv", std::move(text), {}};
}

template <std::size_t N>
void addCatalogue(datatool::Tables& tables, const std::string& label, const std::string& idField,
                  const std::array<const char*, N>& names) {
  std::string text = csvLine({idField, "DESCRIPCION"});
  for (std::size_t i = 0; i < N; ++i) text += csvLine({std::to_string(i + 1), names[i]});
  addTable(tables, label, std::move(text));
}

// The student's group, 0-based: students are dealt to the groups in turn.
int groupOfStudent(const SchoolSpec& spec, int student) { return (student - 1) % groupCount(spec); }
int programmeOfGroup(const SchoolSpec& spec, int group) { return group / spec.groupsPerProgramme + 1; }
int cityOfStudent(int student) { return student % static_cast<int>(kCities.size()) + 1; }

std::string studentName(int student) {
  const std::size_t i = static_cast<std::size_t>(student - 1);
  const std::size_t first = i % kFirstNames.size(), rest = i / kFirstNames.size();
  const std::size_t surname1 = rest % kSurnames.size(), surname2 = rest / kSurnames.size() % kSurnames.size();
  std::string name = std::string(kSurnames[surname1]) + " " + kSurnames[surname2] + " " + kFirstNames[first];
  const std::size_t round = i / (kFirstNames.size() * kSurnames.size() * kSurnames.size());
  if (round > 0) name += " " + std::to_string(round + 1);  // unique beyond the combinations
  return name;
}

datatool::Tables catalogueTables(const SchoolSpec& spec) {
  datatool::Tables tables;
  addCatalogue(tables, "CIUDAD", "ID_CIU", kCities);
  addCatalogue(tables, "UNIDAD_ACADEMICA", "ID_UACA", kAcademicUnits);
  addCatalogue(tables, "PROGRAMA_ACADEMICO", "ID_PACA", kProgrammeNames);
  addCatalogue(tables, "PROGRAMA_ALUMNO", "ID_PALU", kStudentProgrammes);

  std::string units = csvLine({"ID_UAPR", "DESCRIPCION", "POR_UNO", "POR_DOS", "POR_TRES", "POR_CUATRO", "DESC_UNO",
                               "DESC_DOS", "DESC_TRES", "DESC_CUATRO", "RUT_IMAGEN"});
  for (int u = 1; u <= spec.learningUnits; ++u) {
    const auto& w = kWeights[static_cast<std::size_t>(u) % kWeights.size()];
    units += csvLine({std::to_string(u), formatted("Unidad de aprendizaje %03lld", u), std::to_string(w[0]),
                      std::to_string(w[1]), std::to_string(w[2]), std::to_string(w[3]), "PORTAFOLIO", "EXAMEN",
                      "PARTICIPACIÓN", "ENSAYO", ""});
  }
  addTable(tables, "UNIDAD_APRENDIZAJE", std::move(units));

  std::string teachers = csvLine({"ID_MAE", "CLAVE", "NOMBRE", "PASSWORD"});
  for (int t = 1; t <= spec.teachers; ++t) {
    teachers += csvLine({std::to_string(t), std::to_string(1000 + t), studentName(t) + formatted(" (maestro %lld)", t),
                         "clave" + std::to_string(t)});
  }
  addTable(tables, "ZOLBRANS", std::move(teachers));

  std::string students = csvLine({"ID_ALU", "MATRICULA", "NOMBRE", "SEXO", "ID_UACA", "ID_PALU", "ID_CIU"});
  for (int s = 1; s <= spec.students; ++s) {
    const int programme = programmeOfGroup(spec, groupOfStudent(spec, s));
    students += csvLine({std::to_string(s), formatted("24%07lld", s), studentName(s), std::to_string(s % 2 + 1),
                         std::to_string(programme), std::to_string(s % 3 + 1), std::to_string(cityOfStudent(s))});
  }
  addTable(tables, "ALUMNOS", std::move(students));
  return tables;
}

// --- Grade records ---------------------------------------------------------------------------------

struct ActasFields {
  explicit ActasFields(const platform::storage::FileDecl& d)
      : id(d.fieldIndex("ID_ACT")),
        code(d.fieldIndex("CLAVE")),
        period(d.fieldIndex("PERIODO")),
        group(d.fieldIndex("GRUPO")),
        student(d.fieldIndex("ID_ALU")),
        teacher(d.fieldIndex("ID_MAE")),
        unit(d.fieldIndex("ID_UAPR")),
        programme(d.fieldIndex("ID_PACA")),
        city(d.fieldIndex("ID_CIU")),
        average(d.fieldIndex("PROMEDIO")),
        status(d.fieldIndex("STATUS")) {
    const char* names[4][2] = {{"POR_PORTAFOLIO", "PORTAFOLIO"},
                               {"POR_EXAMEN", "EXAMEN"},
                               {"POR_PARTICIPACION", "PARTICIPACION"},
                               {"POR_ENSAYO", "ENSAYO"}};
    for (int k = 0; k < 4; ++k) {
      weighted[k] = d.fieldIndex(names[k][0]);
      score[k] = d.fieldIndex(names[k][1]);
    }
  }
  int id, code, period, group, student, teacher, unit, programme, city, average, status;
  int weighted[4], score[4];
};

// The teacher of the record with 0-based key-order index `i`, and the record's place among that
// teacher's records.
void teacherOf(const SchoolSpec& spec, std::int64_t i, int& teacher, std::int64_t& place) {
  if (i < spec.busyTeacherRecords) {
    teacher = 1;
    place = i;
    return;
  }
  const std::int64_t r = i - spec.busyTeacherRecords;
  const std::int64_t others = spec.teachers - 1;
  const std::int64_t each = (spec.gradeRecords - spec.busyTeacherRecords) / others;
  const std::int64_t extra = (spec.gradeRecords - spec.busyTeacherRecords) % others;  // teachers with one more
  if (r < extra * (each + 1)) {
    teacher = static_cast<int>(2 + r / (each + 1));
    place = r % (each + 1);
  } else {
    const std::int64_t rest = r - extra * (each + 1);
    teacher = static_cast<int>(2 + extra + rest / each);
    place = rest % each;
  }
}

void fillGradeRecord(const SchoolSpec& spec, const ActasFields& f, std::int64_t i, platform::RecordBuffer& record) {
  int teacher;
  std::int64_t place;
  teacherOf(spec, i, teacher, place);
  const std::int64_t classNo = place / kClassSize;
  const int seat = static_cast<int>(place % kClassSize);
  const int groups = groupCount(spec);
  const int group = static_cast<int>((teacher * 7 + classNo * 3) % groups);
  const int programme = programmeOfGroup(spec, group);
  const int unit = static_cast<int>((teacher * 5 + classNo) % spec.learningUnits) + 1;
  const int inGroup = spec.students / groups + (group < spec.students % groups ? 1 : 0);
  const int student = group + 1 + static_cast<int>((classNo * 11 + seat) % inGroup) * groups;

  record.clear();
  record.setLong(f.id, static_cast<std::int32_t>(i + 1));
  record.setLong(f.code, 1000 * programme + unit);
  record.setText(f.period, platform::Cp1252View::ofBytes("2024-2"));
  record.setText(f.group, platform::Cp1252Text::fromBytes(formatted("%lldG", programme) +
                                                          formatted("%02lld", group % spec.groupsPerProgramme + 1)));
  record.setLong(f.student, student);
  record.setLong(f.teacher, teacher);
  record.setLong(f.unit, unit);
  record.setLong(f.programme, programme);
  record.setLong(f.city, cityOfStudent(student));

  const std::uint64_t h = mix(static_cast<std::uint64_t>(i) ^ 0x5c400ull);
  const bool ungraded = h % 20 == 0;
  const auto& weights = kWeights[static_cast<std::size_t>(unit) % kWeights.size()];
  double average = 0;
  for (int k = 0; k < 4; ++k) {
    const double score = ungraded ? 0 : static_cast<double>(40 + (h >> (8 + 8 * k)) % 61);
    const double weighted = score * (weights[static_cast<std::size_t>(k)] / 100.0);
    record.setReal(f.score[k], score);
    record.setReal(f.weighted[k], weighted);
    average += weighted;
  }
  record.setReal(f.average, average);
  record.setLong(f.status, average >= 60 ? 1 : 0);
}

// The order in which the records are added: key order, or a fixed shuffle of it.
std::vector<std::uint32_t> additionOrder(const SchoolSpec& spec) {
  std::vector<std::uint32_t> order(static_cast<std::size_t>(spec.gradeRecords));
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
  if (spec.order == RecordOrder::Scattered) {
    std::uint64_t state = 0x1234567ull;
    for (std::size_t i = order.size(); i > 1; --i) {
      state = mix(state);
      std::swap(order[i - 1], order[state % i]);
    }
  }
  return order;
}

void addGradeRecords(const SchoolSpec& spec, const dictionary::FileDeclarations& decls, const platform::Locale& locale,
                     const fs::path& folder) {
  platform::storage::Engine engine(locale);
  engine.setPageCacheKiB(kGeneratorCacheKiB);
  platform::storage::Session session(engine, folder.string());
  const platform::storage::FileDecl actasDecl =
      platform::storage::placedAt(decls.ACTAS, (folder / decls.ACTAS.physicalName).string());
  DataFile actas(actasDecl, session);
  const auto fail = [&](const char* what) {
    throw std::runtime_error(std::string("bench school: ") + what + ": " + session.lastErrorText());
  };
  if (actas.open(platform::storage::kReadWriteDenyWrite) != 0) fail("open Actas.Tps");
  const ActasFields fields(actasDecl);
  const std::vector<std::uint32_t> order = additionOrder(spec);
  for (std::size_t start = 0; start < order.size(); start += kRecordsPerTransaction) {
    if (session.begin({&actas}, 10) != 0) fail("begin");
    const std::size_t end = std::min(order.size(), start + kRecordsPerTransaction);
    for (std::size_t n = start; n < end; ++n) {
      fillGradeRecord(spec, fields, order[n], actas.buffer());
      if (actas.add() != 0) fail("add");
    }
    if (session.commit() != 0) fail("commit");
  }
  actas.close();
}

}  // namespace

std::string cacheName(const SchoolSpec& spec) {
  return "school-v" + std::to_string(kGeneratorVersion) + "-n" + std::to_string(spec.gradeRecords) +
         (spec.order == RecordOrder::KeyOrder ? "-keyorder" : "-scattered") + "-busy" +
         std::to_string(spec.busyTeacherRecords) + "-t" + std::to_string(spec.teachers) + "-s" +
         std::to_string(spec.students) + "-g" + std::to_string(spec.groupsPerProgramme) + "-u" +
         std::to_string(spec.learningUnits);
}

fs::path cacheRoot() {
  if (const char* root = std::getenv("GRADEBOOK_BENCH_CACHE"); root != nullptr && *root != '\0') return root;
  return GRADEBOOK_BENCH_CACHE_DIR;
}

School buildSchool(const SchoolSpec& spec, const fs::path& folder) {
  check(spec);
  if (fs::exists(folder)) throw std::runtime_error("bench school: " + folder.string() + " exists already");
  platform::Locale locale;
  dictionary::ApplySpanishLocale(locale);  // the key order of the files
  const dictionary::FileDeclarations decls;
  const datatool::Result loaded = datatool::load(decls, locale, folder, catalogueTables(spec));
  if (!loaded.ok()) {
    std::string why = loaded.error;
    for (const std::string& problem : loaded.problems) why += "; " + problem;
    throw std::runtime_error("bench school: catalogues refused: " + why);
  }
  addGradeRecords(spec, decls, locale, folder);
  School school;
  school.folder = folder;
  school.spec = spec;
  return school;
}

School cachedSchool(const SchoolSpec& spec) {
  check(spec);
  const fs::path folder = cacheRoot() / cacheName(spec);
  if (!fs::exists(folder)) {
    std::fprintf(stderr, "Generating %s (once; kept in %s)\n", cacheName(spec).c_str(), cacheRoot().c_str());
    fs::create_directories(cacheRoot());
    const fs::path partial = cacheRoot() / (cacheName(spec) + ".partial-" + std::to_string(::getpid()));
    fs::remove_all(partial);
    buildSchool(spec, partial);
    std::error_code ec;
    fs::rename(partial, folder, ec);
    if (ec) fs::remove_all(partial);  // another run finished the same school first
    if (!fs::exists(folder)) throw std::runtime_error("bench school: cannot keep " + folder.string());
  }
  School school;
  school.folder = folder;
  school.spec = spec;
  return school;
}

std::filesystem::path cachedTables(const SchoolSpec& spec) {
  const fs::path folder = cacheRoot() / (cacheName(spec) + "-csv");
  if (fs::exists(folder)) return folder;
  const School school = cachedSchool(spec);
  std::fprintf(stderr, "Writing %s as CSV tables (once; kept in %s)\n", cacheName(spec).c_str(), cacheRoot().c_str());
  const fs::path partial = cacheRoot() / (cacheName(spec) + "-csv.partial-" + std::to_string(::getpid()));
  fs::remove_all(partial);
  fs::create_directories(partial);
  platform::Locale locale;
  dictionary::ApplySpanishLocale(locale);
  const dictionary::FileDeclarations decls;
  for (const platform::storage::FileDecl* decl : decls.dataFiles()) {
    std::ofstream out(partial / (decl->label + ".csv"), std::ios::binary);
    const datatool::Result dumped = datatool::dump(decls, locale, school.folder / decl->physicalName, {}, out);
    out.close();
    if (!dumped.ok() || !out) {
      throw std::runtime_error("bench school: cannot write " + decl->label + ".csv: " + dumped.error);
    }
  }
  std::error_code ec;
  fs::rename(partial, folder, ec);
  if (ec) fs::remove_all(partial);  // another run finished the same tables first
  if (!fs::exists(folder)) throw std::runtime_error("bench school: cannot keep " + folder.string());
  return folder;
}

// Writes a copied file through to the disk, so that the first commit into it does not pay for
// flushing the whole copy.
static void syncFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("bench school: cannot sync " + path.string());
  ::fsync(fd);
  ::close(fd);
}

School copyOf(const School& school, const fs::path& folder) {
  fs::create_directories(folder);
  for (const auto& entry : fs::directory_iterator(school.folder)) {
    if (entry.is_regular_file() && entry.path().extension() == ".Tps") {
      const fs::path target = folder / entry.path().filename();
      fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
      syncFile(target);
    }
  }
  School copy = school;
  copy.folder = folder;
  return copy;
}

}  // namespace bench
