// The outcome of a storage operation: its runtime error number (platform/core/runtime_errors.h;
// 0 done) with what the session recorded beside it when it failed: the locale's text for the
// number, the physical file it concerns and, for developers only, the engine's own words or what
// is wrong with a filter or an order (Session::lastErrorCause). A failure reads, in a test's
// output and in a log, as "47 Bad file structure (Actas.Tps)".
//
// Made where the Session records an error (Session::setError), so that it says the same as the
// session's lastError...() right after the operation; a done Status holds nothing else and costs
// no allocation. Statuses are small values, cheap to copy (the details are shared), immutable.
//
// It converts implicitly to its number, deliberately: the number is the contract callers branch
// on (`if (int error = file.next())`, `file.get(k) == errors::kRecordNotFound`, a switch), and
// the program hands numbers to the error reporter; a Status keeps all of them compiling as they
// were, while whoever keeps the Status itself (a test above all) has the whole story. The other
// way, a bare number never becomes a Status by itself: a failure without its text is spelled
// Status(code).
//
// The operations whose failure a caller would otherwise miss are [[nodiscard]]: reading, writing,
// transactions, opening and placing a file. Closing, removing, rolling back, a driver option and a
// view's set-up may go unchecked (a bad filter or order makes every read of the view fail; a join
// refused leaves the view without that file).
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

namespace platform::storage {

class Status {
 public:
  // Done: no error.
  Status() = default;
  // A failure that no session recorded (the session is gone, or the number comes from outside
  // the engine): the number alone.
  explicit Status(int code) : code_(code) {}
  // `text` in code page 1252, as the locale gives it.
  Status(int code, std::string text, std::string file, std::string cause);

  int code() const { return code_; }
  bool ok() const { return code_ == 0; }
  // The locale's text for the number (code page 1252); empty when done or not recorded.
  const std::string& text() const;
  // The physical file the failure concerns; empty when done or not known.
  const std::string& file() const;
  // What lay behind it, for developers only: never shown to a user. Often empty.
  const std::string& cause() const;

  // "47 Bad file structure (Actas.Tps): the engine's words", in UTF-8; "0" when done. A number
  // that no session recorded takes the platform's own text for it.
  std::string describe() const;

  operator int() const { return code_; }  // implicit on purpose: see above
  friend bool operator==(const Status& status, int code) { return status.code_ == code; }

 private:
  struct Details {
    std::string text, file, cause;
  };
  int code_ = 0;
  std::shared_ptr<const Details> details_;
};

// How GoogleTest prints a Status (found by argument-dependent lookup): describe().
void PrintTo(const Status& status, std::ostream* os);

}  // namespace platform::storage
