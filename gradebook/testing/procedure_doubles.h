// For tests of the grade book only: stand-ins for the grade form, the grade sheet and the export
// that record what the grade book asked of them. The program links the real procedures.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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
};

// The calls of this thread.
ProcedureCalls& Calls();

}  // namespace gradebook::testing
