// GoogleTest matchers for what storage operations return, for tests only:
//
//   EXPECT_THAT(file.open(), IsOk());
//   EXPECT_THAT(file.get(kPkId), HasError(errors::kRecordNotFound));
//
// A mismatch prints the whole Status ("47 Bad file structure (People.dat)"), since a Status
// prints itself (status.h). They take a plain runtime error number too.
#pragma once

#include <gmock/gmock.h>

#include <string>

#include "platform/core/runtime_errors.h"
#include "platform/storage/status.h"

namespace platform::storage::testing {

// "32 (File is locked)": an error number as a matcher describes it.
inline std::string errorName(int code) { return std::to_string(code) + " (" + errors::defaultErrorText(code) + ")"; }

MATCHER(IsOk, negation ? "fails" : "is done (error 0)") { return static_cast<int>(arg) == errors::kNone; }

MATCHER_P(HasError, code, std::string(negation ? "does not fail with " : "fails with ") + errorName(code)) {
  return static_cast<int>(arg) == code;
}

}  // namespace platform::storage::testing
