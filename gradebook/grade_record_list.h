// The grade-record list of the grade book window: the signed-in teacher's grade records of the
// shown (programme, group) pair, in grade-record id order (tab "Por Matricula") or by student name
// and then id (tab "Por Alumno"), each row with its status text, the rows striped by their place
// among the loaded rows and the registration number red while the record has no grade; after each
// reload it recounts the pair's and the teacher's graded and ungraded records.
//
// A grade record is graded when its average is above 0 and ungraded when it equals 0 (a magnitude
// below 2^-50); a negative average counts in neither.
#pragma once

#include <cstdint>

#include "platform/classes/browse_list.h"
#include "platform/classes/view_manager.h"
#include "platform/core/fixed_text.h"
#include "platform/core/record.h"

namespace gradebook {

// The variables of the grade book that its list reads and writes.
struct GradeBookVariables {
  std::int32_t Ll_ProAcademico = 0;
  platform::FixedText<20> Ls_Grupo;
  platform::FixedText<20> Ls_Estatus;
  std::int32_t LL_GCONCALIFICACION = 0;
  std::int32_t LL_TOTGSCALIFICAR = 0;
};

// Graded and ungraded grade records among the averages counted.
struct GradeCounts {
  std::int32_t graded = 0;
  std::int32_t ungraded = 0;
  void count(double average);
};

// Opens the teacher's group view (the teacher's grade records under the alias, with their
// programme) unless it is open, gives it the teacher's filter and the order by programme
// description and group, and places it before its first record.
void StartTeacherGroupView(platform::ViewManager& groupView);

class GradeRecordList : public platform::BrowseList {
 public:
  GradeRecordList(platform::WindowController& window, GradeBookVariables& variables, platform::ViewManager& groupView);

  // The list's row record: 21 fields, each of the shown fields 3 to 16 followed by its four colours.
  static const platform::RecordLayout& rowLayout();
  // The sort orders with their filter, the locator and the field pairs.
  void configure();

 protected:
  bool chooseSortOrder(bool force) override { return ChooseSortOrder(force); }
  void prepareRow() override { PrepareRow(); }
  int fillPage(Direction direction) override { return ColourPage(direction); }
  void afterReload() override { RecountTotals(); }

 private:
  bool ChooseSortOrder(bool force);
  void PrepareRow();
  int ColourPage(Direction direction);
  void RecountTotals();
  void setText(const char* label, std::int32_t number);

  GradeBookVariables& variables_;
  platform::ViewManager& groupView_;
  const int status_;        // ACT:STATUS
  const int average_;       // ACT:PROMEDIO
  const int aliasAverage_;  // AACT:PROMEDIO
};

}  // namespace gradebook
