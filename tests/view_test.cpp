// Views over real data files built from tests/fixtures/views: the grade book's three views (the
// teacher's pairs, the grade-record list in its two orders, the grade sheet's four joins), the key
// range each reads, joins with a missing parent, ties, positions and pages.
//
// The fixture's grade records, in physical order (id: teacher, programme, group, student):
//   30: 1, Ingeniería, 1A, Pablo Ruiz       10: 2, Ingeniería, 1A, Ángel Núñez
//   25: 1, Derecho, 2A, Olga Díaz           5: 1, Ingeniería, 1A, Ángel Núñez
//   40: 1, Ingeniería, 1B, Martínez Eva     15: 1, Ingeniería, 1A, Martinez Eva
//   20: 1, derecho, 1A, Zoe Paz             35: 1, Ingeniería, 1A, Ángel Núñez
//   45: 1, Ángeles, 1A, Pablo Ruiz          50: 2, Derecho, 2A, Pablo Ruiz
//   55: 1, Ingeniería, 1a, Olga Díaz
#include "platform/storage/view.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dictionary/file_declarations.h"
#include "dictionary/spanish_locale.h"
#include "platform/core/bindings.h"
#include "platform/core/cp1252_text.h"
#include "platform/core/fixed_text.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/session.h"
#include "platform/storage/testing/status_matchers.h"
#include "tests/support/source_dir.h"
#include "tools/data_tool.h"

namespace {

using namespace platform::literals;

namespace fs = std::filesystem;
using platform::storage::DataFile;
using platform::storage::Session;
using platform::storage::View;
using platform::storage::testing::HasError;
using platform::storage::testing::IsOk;
namespace errors = platform::errors;
using tests::sourceDir;

using Ids = std::vector<int>;
constexpr auto kForward = View::Direction::Forward;
constexpr auto kBackward = View::Direction::Backward;

std::string utf8(platform::Cp1252View text) { return trimRight(text).toUtf8(); }

class ViewTest : public testing::Test {
 public:
  int key(const char* name) const { return files_.ACTAS.keyIndex(name); }

 protected:
  void SetUp() override {
    dictionary::ApplySpanishLocale(locale_);
    folder_ = fs::temp_directory_path() / ("views-" + std::to_string(::getpid()) + "-" +
                                           testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    const datatool::Result loaded = datatool::loadFolder(folder_, sourceDir() / "tests" / "fixtures" / "views");
    ASSERT_TRUE(loaded.ok()) << loaded.error << (loaded.problems.empty() ? "" : loaded.problems[0]);
    previous_ = fs::current_path();
    fs::current_path(folder_);  // the declarations name files in the working folder
    session_ = std::make_unique<Session>(engine_, ".");
    actas_ = std::make_unique<DataFile>(files_.ACTAS, *session_);
    alias_ = std::make_unique<DataFile>(files_.ACTAS_ALIAS, *session_);
    paca_ = std::make_unique<DataFile>(files_.PROGRAMA_ACADEMICO, *session_);
    alumnos_ = std::make_unique<DataFile>(files_.ALUMNOS, *session_);
    zolbrans_ = std::make_unique<DataFile>(files_.ZOLBRANS, *session_);
    uapr_ = std::make_unique<DataFile>(files_.UNIDAD_APRENDIZAJE, *session_);
    names_.bind("Gl_IdMaestro", Gl_IdMaestro);
    names_.bind("Ll_ProAcademico", Ll_ProAcademico);
    names_.bind("Ls_Grupo", Ls_Grupo);
  }

  void TearDown() override {
    for (auto* file : {&actas_, &alias_, &paca_, &alumnos_, &zolbrans_, &uapr_}) file->reset();
    session_.reset();
    fs::current_path(previous_);
    fs::remove_all(folder_);
  }

  // The teacher's pairs: the grade records (under the alias) with their programme.
  std::unique_ptr<View> groupView() {
    auto view = std::make_unique<View>(*alias_, &names_);
    EXPECT_EQ(0, view->join(*paca_, "PACA:PK_PROGRAMA_ACADEMICO", "AACT:ID_PACA"));
    EXPECT_EQ(0, view->open());
    return view;
  }

  // The grade-record list: records with their programme and student.
  std::unique_ptr<View> listView(View::JoinKind kind = View::JoinKind::Outer) {
    auto view = std::make_unique<View>(*actas_, &names_);
    EXPECT_EQ(0, view->join(*paca_, "PACA:PK_PROGRAMA_ACADEMICO", "ACT:ID_PACA", kind));
    EXPECT_EQ(0, view->join(*alumnos_, "ALU:PK_ALUMNOS", "ACT:ID_ALU", kind));
    EXPECT_EQ(0, view->open());
    return view;
  }

  // The grade-record ids (field 0 of the primary) of every row, read with next() or previous()
  // from the start.
  static Ids readAll(View& view, DataFile& primary, View::Direction direction = kForward) {
    Ids ids;
    view.restart();
    while ((direction == kForward ? view.next() : view.previous()) == 0) ids.push_back(primary.buffer().getLong(0));
    return ids;
  }

  Ids page(View& view, DataFile& primary, const std::string& from, bool inclusive, View::Direction direction,
           int count) {
    Ids ids;
    const platform::storage::Status error = view.readPage(from, inclusive, direction, count, [&] {
      ids.push_back(primary.buffer().getLong(0));
      return true;
    });
    EXPECT_THAT(error, IsOk());
    return ids;
  }

  // Deletes one record of a file by its primary key value.
  void erase(DataFile& file, int id) {
    const bool wasOpen = file.isOpen();
    if (!wasOpen) {
      ASSERT_THAT(file.open(), IsOk());
    }
    file.buffer().clear();
    file.buffer().setLong(0, id);
    ASSERT_THAT(file.get(0), IsOk());
    ASSERT_THAT(file.erase(), IsOk());
    if (!wasOpen) file.close();
  }

  platform::Locale locale_;
  platform::storage::Engine engine_{locale_};
  dictionary::FileDeclarations files_;
  fs::path folder_, previous_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<DataFile> actas_, alias_, paca_, alumnos_, zolbrans_, uapr_;
  platform::Bindings names_;
  std::int32_t Gl_IdMaestro = 1;
  std::int32_t Ll_ProAcademico = 1;
  platform::FixedText<20> Ls_Grupo{"1A"_cp1252};
};

// The grade book's pass over the teacher's pairs: by programme description in the Spanish order
// ("Derecho" < "derecho" < "Ingeniería" < "Ángeles"), then group ("1A" < "1a" < "1B"), ties in
// record order, reading only the teacher's range of the teacher key.
TEST_F(ViewTest, TeachersPairsComeByDescriptionThenGroupFromTheTeachersKeyRange) {
  auto view = groupView();
  ASSERT_EQ(0, view->setFilter("AACT:ID_MAE=" + std::to_string(Gl_IdMaestro)));
  ASSERT_EQ(0, view->setOrder("PACA:DESCRIPCION,AACT:GRUPO"));
  std::vector<std::string> pairs;
  Ids ids;
  view->restart();
  while (view->next() == 0) {
    ids.push_back(alias_->buffer().getLong(0));
    pairs.push_back(utf8(paca_->buffer().getText(1)) + "-" + utf8(alias_->buffer().getText(3)));
  }
  EXPECT_EQ(ids, (Ids{25, 20, 30, 5, 15, 35, 55, 40, 45}));
  EXPECT_EQ(pairs,
            (std::vector<std::string>{"Derecho-2A", "derecho-1A", "Ingeniería-1A", "Ingeniería-1A", "Ingeniería-1A",
                                      "Ingeniería-1A", "Ingeniería-1a", "Ingeniería-1B", "Ángeles-1A"}));
  EXPECT_EQ(view->rangeKey(), key("FK_ACTA_REF_32_ZOLBRANS"));
  EXPECT_TRUE(view->sortsInMemory());
  EXPECT_EQ(view->recordsRead(), 9);  // the teacher's records only, not all 11
  EXPECT_EQ(readAll(*view, *alias_, kBackward), (Ids{45, 40, 55, 35, 15, 5, 30, 20, 25}));
}

// Which key's range a filter is read through, and how many records that reads, over a list view
// whose order is the grade-record key.
TEST_F(ViewTest, ReadsTheRangeOfTheKeyTheFilterFixes) {
  struct Case {
    const char* filter;
    const char* rangeKey;  // "" the whole file
    int recordsRead;
    Ids rows;
  };
  const Case cases[] = {
      {"ACT:ID_MAE=Gl_IdMaestro", "FK_ACTA_REF_32_ZOLBRANS", 9, {5, 15, 20, 25, 30, 35, 40, 45, 55}},
      {"(ACT:ID_MAE=Gl_IdMaestro AND ACT:ID_PACA=Ll_ProAcademico AND ACT:GRUPO=Ls_Grupo)",
       "FK_ACTA_REF_32_ZOLBRANS",
       9,
       {5, 15, 30, 35}},
      {"ACT:ID_MAE=Gl_IdMaestro  AND ACT:ID_PACA=Ll_ProAcademico AND ACT:GRUPO=Ls_Grupo",
       "FK_ACTA_REF_32_ZOLBRANS",
       9,
       {5, 15, 30, 35}},
      // The first equality in the text decides between keys that match as much.
      {"ACT:ID_PACA=Ll_ProAcademico AND ACT:ID_MAE=Gl_IdMaestro",
       "FK_ACTA_REF_46_PROGRAMA",
       7,
       {5, 15, 30, 35, 40, 55}},
      {"ACT:ID_ALU=2 AND (ACT:ID_MAE=Gl_IdMaestro)", "FK_ACTA_REF_28_ALUMNOS", 3, {5, 35}},
      {"ACT:GRUPO='1A' AND 2=ACT:ID_MAE", "FK_ACTA_REF_32_ZOLBRANS", 2, {10}},
      {"ACT:ID_MAE=3", "FK_ACTA_REF_32_ZOLBRANS", 0, {}},
      {"ACT:ID_ACT=35", "PK_ACTA", 1, {35}},
      // The key the order is by wins over an equality earlier in the text.
      {"ACT:ID_MAE=1 AND ACT:ID_ACT=35", "PK_ACTA", 1, {35}},
      // Equalities that cannot be read as a range: under OR or NOT, a null value of an optional
      // key, a text against a LONG, a fraction, no key on the field.
      {"ACT:ID_MAE=1 OR ACT:ID_MAE=2", "", 11, {5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55}},
      {"NOT ACT:ID_MAE=1", "", 11, {10, 50}},
      {"ACT:ID_ACT=0", "", 11, {}},
      {"ACT:ID_MAE='2'", "", 11, {10, 50}},
      {"ACT:ID_MAE=1.5", "", 11, {}},
      {"ACT:GRUPO=Ls_Grupo AND ACT:ID_PACA<>1", "", 11, {20, 45}},
  };
  for (const Case& c : cases) {
    auto view = listView();
    ASSERT_EQ(0, view->setFilter(c.filter)) << c.filter << ": " << session_->lastErrorText();
    ASSERT_EQ(0, view->setOrder(key("PK_ACTA"), "ALU:MATRICULA,ACT:ID_ACT"));
    EXPECT_EQ(readAll(*view, *actas_), c.rows) << c.filter;
    EXPECT_EQ(view->rangeKey(), *c.rangeKey ? key(c.rangeKey) : -1) << c.filter;
    EXPECT_EQ(view->recordsRead(), c.recordsRead) << c.filter;
  }
}

// The list's two sort orders over one filter, evaluated with the variables' values at each
// restart: the first tab by grade-record id, the second by student name then id.
TEST_F(ViewTest, ListShowsThePairInEitherOrderWithTheVariablesCurrentValues) {
  auto view = listView();
  ASSERT_EQ(0, view->setFilter("(ACT:ID_MAE=Gl_IdMaestro AND ACT:ID_PACA=Ll_ProAcademico AND ACT:GRUPO=Ls_Grupo)"));
  ASSERT_EQ(0, view->setOrder(key("PK_ACTA"), "ALU:MATRICULA,ACT:ID_ACT"));
  EXPECT_EQ(readAll(*view, *actas_), (Ids{5, 15, 30, 35}));
  ASSERT_EQ(0, view->setOrder("ALU:NOMBRE,ACT:ID_ACT"));
  // "Martinez" < "Ángel" (Á between Ö and o) < "Pablo"; two records of one student by id.
  EXPECT_EQ(readAll(*view, *actas_), (Ids{15, 5, 35, 30}));
  EXPECT_EQ(readAll(*view, *actas_, kBackward), (Ids{30, 35, 5, 15}));
  std::vector<std::string> names;
  view->restart();
  while (view->next() == 0) names.push_back(utf8(alumnos_->buffer().getText(2)));
  EXPECT_EQ(names, (std::vector<std::string>{"Martinez Eva", "Ángel Núñez", "Ángel Núñez", "Pablo Ruiz"}));

  Ls_Grupo = "1B"_cp1252;
  EXPECT_EQ(readAll(*view, *actas_), (Ids{40}));
  Ls_Grupo = "1a"_cp1252;  // case counts
  EXPECT_EQ(readAll(*view, *actas_), (Ids{55}));
  Ls_Grupo = "1A"_cp1252;
  Gl_IdMaestro = 2;
  EXPECT_EQ(readAll(*view, *actas_), (Ids{10}));
  Ll_ProAcademico = 4;
  EXPECT_EQ(readAll(*view, *actas_), (Ids{}));
}

// The grade sheet's view: four parents joined by their primary keys.
TEST_F(ViewTest, GradeSheetJoinsTeacherProgrammeUnitAndStudent) {
  View view(*actas_, &names_);
  ASSERT_THAT(view.join(*zolbrans_, "MAE:PK_ZOLBRANS", "ACT:ID_MAE"), IsOk());
  ASSERT_THAT(view.join(*paca_, "PK_PROGRAMA_ACADEMICO", "ACT:ID_PACA"), IsOk());
  ASSERT_THAT(view.join(*uapr_, "UAPR:PK_UNIDAD_APRENDIZAJE", "ACT:ID_UAPR"), IsOk());
  ASSERT_THAT(view.join(*alumnos_, "ALU:PK_ALUMNOS", "ACT:ID_ALU"), IsOk());
  ASSERT_THAT(view.open(), IsOk());
  ASSERT_THAT(view.setFilter("ACT:ID_MAE=Gl_IdMaestro  AND ACT:ID_PACA=Ll_ProAcademico AND ACT:GRUPO=Ls_Grupo"),
              IsOk());
  ASSERT_THAT(view.setOrder("ALU:NOMBRE,ACT:ID_ACT"), IsOk());
  std::vector<std::string> rows;
  view.restart();
  while (view.next() == 0) {
    rows.push_back(std::to_string(actas_->buffer().getLong(0)) + " " + utf8(zolbrans_->buffer().getText(2)) + " / " +
                   utf8(paca_->buffer().getText(1)) + " / " + utf8(uapr_->buffer().getText(1)) + " / " +
                   utf8(alumnos_->buffer().getText(2)));
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"15 Peña, Ana / Ingeniería / Álgebra / Martinez Eva",
                                            "5 Peña, Ana / Ingeniería / Álgebra / Ángel Núñez",
                                            "35 Peña, Ana / Ingeniería / Cálculo / Ángel Núñez",
                                            "30 Peña, Ana / Ingeniería / Álgebra / Pablo Ruiz"}));
  EXPECT_THAT(view.close(), IsOk());
}

// A grade record whose programme is gone: an outer join keeps it with the programme's buffer
// cleared (so its blank description sorts first), an inner join leaves it out.
TEST_F(ViewTest, MissingParentLeavesItsBufferClearedOrTheRowOut) {
  erase(*paca_, 3);  // "derecho", the programme of record 20
  auto view = groupView();
  ASSERT_EQ(0, view->setFilter("AACT:ID_MAE=Gl_IdMaestro"));
  ASSERT_EQ(0, view->setOrder("PACA:DESCRIPCION,AACT:GRUPO"));
  paca_->buffer().setText(1, "left over"_cp1252);
  ASSERT_EQ(0, view->next());
  EXPECT_EQ(alias_->buffer().getLong(0), 20);
  EXPECT_EQ(paca_->buffer().getLong(0), 0);
  EXPECT_EQ(paca_->buffer().getText(1).bytes(), std::string(100, ' '));
  EXPECT_EQ(errors::kRecordNotAvailable, paca_->put());  // no programme record to rewrite
  ASSERT_EQ(0, view->next());
  EXPECT_EQ(alias_->buffer().getLong(0), 25);
  EXPECT_EQ(utf8(paca_->buffer().getText(1)), "Derecho");
  EXPECT_EQ(readAll(*view, *alias_), (Ids{20, 25, 30, 5, 15, 35, 55, 40, 45}));

  erase(*alumnos_, 1);  // Pablo Ruiz: records 30, 45 and 50
  auto inner = listView(View::JoinKind::Inner);
  ASSERT_EQ(0, inner->setFilter("ACT:ID_MAE=Gl_IdMaestro"));
  ASSERT_EQ(0, inner->setOrder("ALU:NOMBRE,ACT:ID_ACT"));
  EXPECT_EQ(readAll(*inner, *actas_), (Ids{15, 40, 25, 55, 5, 35}));
  auto outer = listView();
  ASSERT_EQ(0, outer->setFilter("ACT:ID_MAE=Gl_IdMaestro"));
  ASSERT_EQ(0, outer->setOrder("ALU:NOMBRE,ACT:ID_ACT"));
  EXPECT_EQ(readAll(*outer, *actas_), (Ids{30, 45, 15, 40, 25, 55, 5, 35, 20}));
}

// Rows equal in every field of the order keep the order of their record numbers, ascending also
// when the field is descending.
TEST_F(ViewTest, TiesKeepRecordOrder) {
  auto view = groupView();
  ASSERT_EQ(0, view->setFilter("AACT:ID_MAE=1"));
  ASSERT_EQ(0, view->setOrder("AACT:GRUPO"));
  EXPECT_EQ(readAll(*view, *alias_), (Ids{30, 5, 15, 20, 35, 45, 55, 40, 25}));
  ASSERT_EQ(0, view->setOrder("-AACT:GRUPO"));
  EXPECT_EQ(readAll(*view, *alias_), (Ids{25, 40, 55, 30, 5, 15, 20, 35, 45}));
  // No order at all: the order of the key whose range is read, ties by record number.
  ASSERT_EQ(0, view->setOrder(""));
  EXPECT_EQ(readAll(*view, *alias_), (Ids{30, 25, 5, 40, 15, 20, 35, 45, 55}));
  EXPECT_FALSE(view->sortsInMemory());
}

// The ways a view can be read, each with every row it gives, for the tests that hold for all.
struct Mode {
  const char* name;
  std::function<void(View&, ViewTest&)> configure;
  Ids rows;
};

class ViewModes : public ViewTest {
 protected:
  std::vector<Mode> modes() {
    return {
        {"in memory, by student name",
         [](View& v, ViewTest&) {
           ASSERT_THAT(v.setFilter("ACT:ID_MAE=Gl_IdMaestro AND ACT:ID_PACA=Ll_ProAcademico AND ACT:GRUPO=Ls_Grupo"),
                       IsOk());
           ASSERT_THAT(v.setOrder("ALU:NOMBRE,ACT:ID_ACT"), IsOk());
         },
         {15, 5, 35, 30}},
        {"in memory, by key within another key's range",
         [](View& v, ViewTest& t) {
           ASSERT_THAT(v.setFilter("ACT:ID_MAE=Gl_IdMaestro"), IsOk());
           ASSERT_THAT(v.setOrder(t.key("PK_ACTA"), "ALU:MATRICULA"), IsOk());
         },
         {5, 15, 20, 25, 30, 35, 40, 45, 55}},
        {"from storage, by key",
         [](View& v, ViewTest& t) { ASSERT_THAT(v.setOrder(t.key("PK_ACTA")), IsOk()); },
         {5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55}},
        {"from storage, the filter's key range",
         [](View& v, ViewTest&) { ASSERT_THAT(v.setFilter("ACT:ID_MAE=Gl_IdMaestro AND ACT:ID_ACT<>20"), IsOk()); },
         {30, 25, 5, 40, 15, 35, 45, 55}},
        {"from storage, physical order", [](View&, ViewTest&) {}, {30, 10, 25, 5, 40, 15, 20, 35, 45, 50, 55}},
    };
  }

  std::unique_ptr<View> make(const Mode& mode) {
    auto view = listView();
    mode.configure(*view, *this);
    return view;
  }

  void checkReset(const Mode& mode);

  // Reads every row and keeps its position.
  std::vector<std::string> positions(View& view) {
    std::vector<std::string> out;
    view.restart();
    while (view.next() == 0) out.push_back(view.position());
    return out;
  }
};

TEST_F(ViewModes, ReadEveryRowEitherWay) {
  for (const Mode& mode : modes()) {
    auto view = make(mode);
    EXPECT_EQ(readAll(*view, *actas_), mode.rows) << mode.name;
    const Ids reversed(mode.rows.rbegin(), mode.rows.rend());
    EXPECT_EQ(readAll(*view, *actas_, kBackward), reversed) << mode.name;
    // Turning round: after the end, previous() reads the last row; before the start, next() the first.
    view->restart();
    while (view->next() == 0) {
    }
    ASSERT_EQ(0, view->previous()) << mode.name;
    EXPECT_EQ(actas_->buffer().getLong(0), mode.rows.back()) << mode.name;
    ASSERT_EQ(0, view->previous()) << mode.name;
    ASSERT_EQ(0, view->next()) << mode.name;
    EXPECT_EQ(actas_->buffer().getLong(0), mode.rows.back()) << mode.name;
    view->restart();
    while (view->previous() == 0) {
    }
    ASSERT_EQ(0, view->next()) << mode.name;
    EXPECT_EQ(actas_->buffer().getLong(0), mode.rows.front()) << mode.name;
  }
}

TEST_F(ViewModes, ResetReturnsToAPositionEvenAfterItsRecordWasDeleted) {
  for (const Mode& mode : modes()) {
    checkReset(mode);
    // Put the deleted record back for the next mode.
    TearDown();
    SetUp();
  }
}

void ViewModes::checkReset(const Mode& mode) {
  auto view = make(mode);
  const std::vector<std::string> at = positions(*view);
  ASSERT_EQ(at.size(), mode.rows.size()) << mode.name;
  const Ids& rows = mode.rows;
  ASSERT_EQ(0, view->reset(at[2])) << mode.name;
  ASSERT_EQ(0, view->next());
  EXPECT_EQ(actas_->buffer().getLong(0), rows[2]) << mode.name;
  ASSERT_EQ(0, view->reset(at[2]));
  ASSERT_EQ(0, view->previous());
  EXPECT_EQ(actas_->buffer().getLong(0), rows[2]) << mode.name;

  // A list row keeps its position in a blank-padded text field of 1024 characters.
  platform::RecordLayout rowLayout({{"VIEWPOSITION", platform::FieldType::String, 1024}});
  platform::RecordBuffer row(rowLayout);
  row.setText(0, platform::Cp1252View::ofBytes(at[3]));
  ASSERT_EQ(0, view->reset(row.getText(0).bytes())) << mode.name;
  ASSERT_EQ(0, view->next());
  EXPECT_EQ(actas_->buffer().getLong(0), rows[3]) << mode.name;

  // The record at a position is deleted: the view stands between its neighbours.
  ASSERT_EQ(0, view->reset(at[1]));
  ASSERT_EQ(0, view->next());
  ASSERT_EQ(0, actas_->erase()) << mode.name;
  ASSERT_EQ(0, view->reset(at[1]));
  ASSERT_EQ(0, view->next());
  EXPECT_EQ(actas_->buffer().getLong(0), rows[2]) << mode.name;
  ASSERT_EQ(0, view->reset(at[1]));
  ASSERT_EQ(0, view->previous());
  EXPECT_EQ(actas_->buffer().getLong(0), rows[0]) << mode.name;
}

// A position taken in one order places the view at the same record in another.
TEST_F(ViewModes, APositionFromAnotherOrderFindsItsRecord) {
  auto byName = make(modes()[0]);
  const std::vector<std::string> at = positions(*byName);                      // 15, 5, 35, 30
  ASSERT_EQ(0, byName->setOrder(key("PK_ACTA"), "ALU:MATRICULA,ACT:ID_ACT"));  // 5, 15, 30, 35
  ASSERT_EQ(0, byName->reset(at[2]));
  ASSERT_EQ(0, byName->next());
  EXPECT_EQ(actas_->buffer().getLong(0), 35);
  EXPECT_EQ(byName->next(), errors::kRecordNotAvailable);
  ASSERT_EQ(0, byName->reset(at[0]));
  ASSERT_EQ(0, byName->previous());
  EXPECT_EQ(actas_->buffer().getLong(0), 15);
  ASSERT_EQ(0, byName->previous());
  EXPECT_EQ(actas_->buffer().getLong(0), 5);

  auto physical = make(modes()[4]);
  ASSERT_EQ(0, physical->reset(at[0]));
  ASSERT_EQ(0, physical->next());
  EXPECT_EQ(actas_->buffer().getLong(0), 15);
  ASSERT_EQ(0, physical->next());
  EXPECT_EQ(actas_->buffer().getLong(0), 20);

  for (const std::string& bad :
       {std::string(), std::string("VW"), std::string(1024, ' '), at[0].substr(0, at[0].size() - 1)}) {
    EXPECT_EQ(errors::kInvalidParameters, physical->reset(bad)) << bad.size();
  }
}

TEST_F(ViewModes, PagesForwardAndBack) {
  for (const Mode& mode : modes()) {
    auto view = make(mode);
    const Ids& r = mode.rows;
    const std::vector<std::string> at = positions(*view);
    const std::size_t n = r.size();
    EXPECT_EQ(page(*view, *actas_, "", true, kForward, 2), (Ids{r[0], r[1]})) << mode.name;
    EXPECT_EQ(page(*view, *actas_, at[1], false, kForward, 2), (Ids{r[2], r[3]})) << mode.name;
    EXPECT_EQ(page(*view, *actas_, at[1], true, kForward, 2), (Ids{r[1], r[2]})) << mode.name;
    EXPECT_EQ(page(*view, *actas_, at[n - 2], false, kForward, 5), (Ids{r[n - 1]})) << mode.name;
    EXPECT_EQ(page(*view, *actas_, at[n - 1], false, kForward, 5), (Ids{})) << mode.name;
    EXPECT_EQ(page(*view, *actas_, "", true, kBackward, 3), (Ids{r[n - 1], r[n - 2], r[n - 3]})) << mode.name;
    EXPECT_EQ(page(*view, *actas_, at[3], true, kBackward, 10), (Ids{r[3], r[2], r[1], r[0]})) << mode.name;
    EXPECT_EQ(page(*view, *actas_, at[3], false, kBackward, 2), (Ids{r[2], r[1]})) << mode.name;
    EXPECT_EQ(page(*view, *actas_, at[0], false, kBackward, 2), (Ids{})) << mode.name;
    // The callback may stop a page early.
    int taken = 0;
    EXPECT_EQ(0, view->readPage("", true, kForward, 10, [&] { return ++taken < 2; }));
    EXPECT_EQ(taken, 2);
    // After a page, next() goes on from its last row.
    page(*view, *actas_, "", true, kForward, 2);
    ASSERT_EQ(0, view->next());
    EXPECT_EQ(actas_->buffer().getLong(0), r[2]) << mode.name;
  }
}

// Rewriting the record just read, as a process loop does, does not disturb the scan.
TEST_F(ViewModes, WritesThroughTheSessionDuringAScanKeepItsPlace) {
  const int average = files_.ACTAS.fieldIndex("PROMEDIO");
  for (const Mode& mode : modes()) {
    auto view = make(mode);
    Ids seen;
    view->restart();
    while (view->next() == 0) {
      seen.push_back(actas_->buffer().getLong(0));
      actas_->buffer().setReal(average, actas_->buffer().getReal(average) + 1);
      ASSERT_EQ(0, actas_->put()) << mode.name << " " << seen.back();
    }
    EXPECT_EQ(seen, mode.rows) << mode.name;
  }
}

// Between two reads a view holds no transaction, so another program's commit goes through at
// once instead of waiting for the reader.
TEST_F(ViewModes, ReadingHoldsNothingBetweenReads) {
  Session other(engine_, ".");
  other.setBusyTimeout(50);
  DataFile writer(files_.ZOLBRANS, other);
  ASSERT_THAT(writer.open(), IsOk());
  int changes = 0;
  for (const Mode& mode : modes()) {
    auto view = make(mode);
    ASSERT_EQ(0, view->next()) << mode.name;
    writer.buffer().clear();
    writer.buffer().setLong(0, 1);
    ASSERT_THAT(writer.get(0), IsOk());
    writer.buffer().setText(2, platform::Cp1252View::ofBytes("Otro Nombre " + std::to_string(++changes)));
    EXPECT_THAT(writer.put(), IsOk()) << mode.name << ": " << other.lastErrorText();
    ASSERT_EQ(0, view->next()) << mode.name;
  }
}

TEST_F(ViewTest, RefusesToReadWithABadFilterOrOrder) {
  View closed(*actas_, &names_);
  EXPECT_THAT(closed.next(), HasError(errors::kFileNotOpen));

  auto view = listView();
  struct Case {
    const char* filter;
    const char* message;
  };
  const Case badFilters[] = {
      {"ACT:ID_MAE=", "expected a value at the end at character 12"},
      {"ACT:ID_MAE=Gl_IdMaestr", "unknown name \"Gl_IdMaestr\" at character 12"},
      {"(ACT:ID_MAE=1", "missing ')'"},
      {"NOPE:ID_MAE=1", "unknown name \"NOPE:ID_MAE\""},
  };
  for (const Case& c : badFilters) {
    EXPECT_EQ(errors::kInvalidFilter, view->setFilter(c.filter)) << c.filter;
    // What is wrong is told to developers; a user is only given the error's text.
    EXPECT_NE(session_->lastErrorCause().find(c.message), std::string::npos) << session_->lastErrorCause();
    EXPECT_EQ(locale_.errorText(errors::kInvalidFilter), session_->lastErrorText());
    // Never the unfiltered file.
    EXPECT_EQ(errors::kInvalidFilter, view->next()) << c.filter;
  }
  ASSERT_EQ(0, view->setFilter("ACT:ID_MAE=2"));
  EXPECT_EQ(readAll(*view, *actas_), (Ids{10, 50}));

  for (const char* order : {"ALU:NOPE", "ACT:ID_ACT,,ALU:NOMBRE", "XX:NOMBRE", "-"}) {
    EXPECT_EQ(errors::kInvalidOrder, view->setOrder(order)) << order;
    EXPECT_EQ(errors::kInvalidOrder, view->next()) << order;
  }
  EXPECT_EQ(errors::kInvalidOrder, view->setOrder(99));
  ASSERT_EQ(0, view->setOrder(" -ACT:ID_ACT "));
  EXPECT_EQ(readAll(*view, *actas_), (Ids{50, 10}));

  // A filter name whose binding ends after the filter was set.
  {
    std::int32_t inner = 1;
    platform::BindingScope scope(names_);
    names_.bind("Ll_Inner", inner);
    ASSERT_EQ(0, view->setFilter("ACT:ID_MAE=Ll_Inner"));
    ASSERT_EQ(0, view->next());
  }
  view->restart();
  EXPECT_EQ(errors::kInvalidFilter, view->next());
  EXPECT_NE(session_->lastErrorCause().find("unknown name \"Ll_Inner\""), std::string::npos);
}

TEST_F(ViewTest, RefusesJoinsThatDoNotFit) {
  View view(*actas_, &names_);
  EXPECT_THAT(view.join(*paca_, "PACA:NOPE", "ACT:ID_PACA"), HasError(errors::kInvalidKey));
  EXPECT_THAT(view.join(*paca_, "PACA:PK_PROGRAMA_ACADEMICO", "ACT:GRUPO"),
              HasError(errors::kInvalidParameters));  // text to LONG
  EXPECT_THAT(view.join(*paca_, "PACA:PK_PROGRAMA_ACADEMICO", "ACT:ID_PACA,ACT:ID_ALU"),
              HasError(errors::kInvalidParameters));
  EXPECT_THAT(view.join(*paca_, "PACA:PK_PROGRAMA_ACADEMICO", "ALU:ID_ALU"),
              HasError(errors::kInvalidParameters));  // not joined yet
  EXPECT_THAT(view.join(*actas_, "ACT:PK_ACTA", "ACT:ID_ACT"), HasError(errors::kInvalidParameters));
  EXPECT_THAT(view.join(*paca_, "PACA:PK_PROGRAMA_ACADEMICO", "ACT:ID_PACA"), IsOk());
}

// A read that finds no row leaves every buffer of the view as it was, though the view read
// records into them to test the filter.
TEST_F(ViewTest, ReadingNoRowLeavesTheBuffersAsTheyWere) {
  auto view = listView();
  ASSERT_EQ(0, view->setFilter("ACT:ID_MAE=Gl_IdMaestro AND ACT:PROMEDIO>100"));
  ASSERT_EQ(0, view->setOrder("ALU:NOMBRE"));
  actas_->buffer().setLong(0, 777);
  alumnos_->buffer().setText(2, "sin cambio"_cp1252);
  EXPECT_EQ(errors::kRecordNotAvailable, view->next());
  EXPECT_EQ(view->recordsRead(), 9);
  EXPECT_EQ(actas_->buffer().getLong(0), 777);
  EXPECT_EQ(utf8(alumnos_->buffer().getText(2)), "sin cambio");
}

// A row read through the view is the record that a put() rewrites, keys included: a key whose
// value the put changes is rewritten even when the new value is that of the record the file read
// before the view.
TEST_F(ViewTest, PutAfterAViewRowRewritesTheKeysOfThatRow) {
  const int student = files_.ACTAS.fieldIndex("ID_ALU");
  const int byStudent = key("ACT:FK_ACTA_REF_28_ALUMNOS");
  ASSERT_EQ(0, actas_->open());
  actas_->buffer().setLong(0, 30);  // student 1
  ASSERT_EQ(0, actas_->get(0));
  auto view = listView();
  ASSERT_EQ(0, view->setFilter("ACT:ID_ACT=25"));  // student 3
  ASSERT_EQ(0, view->next());
  actas_->buffer().setLong(student, 1);
  ASSERT_EQ(0, actas_->put());
  Ids ofStudent;
  actas_->buffer().clear();
  actas_->buffer().setLong(student, 1);
  ASSERT_EQ(0, actas_->setFromBuffer(byStudent));
  while (actas_->next() == 0 && actas_->buffer().getLong(student) == 1) {
    ofStudent.push_back(actas_->buffer().getLong(0));
  }
  EXPECT_EQ((Ids{30, 25, 45, 50}), ofStudent);  // in record order within the key value
}

// The view opens the files that are not open and closes only those.
TEST_F(ViewTest, ClosesOnlyTheFilesItOpened) {
  ASSERT_EQ(0, paca_->open());
  auto view = listView();
  EXPECT_TRUE(actas_->isOpen());
  EXPECT_EQ(0, view->open());  // open already: nothing changes
  ASSERT_EQ(0, view->close());
  EXPECT_FALSE(actas_->isOpen());
  EXPECT_FALSE(alumnos_->isOpen());
  EXPECT_TRUE(paca_->isOpen());
  EXPECT_EQ(errors::kFileNotOpen, view->next());
  EXPECT_EQ(errors::kFileNotOpen, view->close());
}

}  // namespace
