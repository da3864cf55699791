// For tests of the grade book only: stand-ins for the grade form, the grade sheet and the export
// that record what the grade book asked of them. A test gives them to the program it starts
// (standIns()), beside the grade book's own Main; the program gives the real procedures
// (gradebook/procedures.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/program.h"

namespace gradebook::testing {

struct ProcedureCalls {
  // The grade form: the request it was given and the grade record in the ACTAS buffer.
  struct Change {
    int request;
    std::int32_t gradeRecord;
    bool operator==(const Change&) const = default;
  };
  struct Report {
    std::string group;
    std::int32_t programme;
    bool operator==(const Report&) const = default;
  };
  std::vector<Change> changes;
  std::vector<Report> reports;
  std::vector<std::int32_t> exports;
  // What the grade form does while it runs; it returns the Response (2, cancelled, when unset).
  std::function<std::uint8_t()> form;

  void clear() { *this = ProcedureCalls{}; }

  // The stand-ins: each records its call here. Main is left to the test.
  dictionary::Procedures standIns();
  void gradeForm();
  void gradeSheet(std::string_view group, std::int32_t programme);
  void exportGradeRecords(std::int32_t studentCount);
};

}  // namespace gradebook::testing
