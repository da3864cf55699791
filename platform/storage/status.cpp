#include "platform/storage/status.h"

#include <ostream>
#include <utility>

#include "platform/core/cp1252.h"
#include "platform/core/runtime_errors.h"

namespace platform::storage {
namespace {

const std::string& none() {
  static const std::string empty;
  return empty;
}

}  // namespace

Status::Status(int code, std::string text, std::string file, std::string cause) : code_(code) {
  if (code != 0)
    details_ = std::make_shared<const Details>(Details{std::move(text), std::move(file), std::move(cause)});
}

const std::string& Status::text() const { return details_ ? details_->text : none(); }
const std::string& Status::file() const { return details_ ? details_->file : none(); }
const std::string& Status::cause() const { return details_ ? details_->cause : none(); }

std::string Status::describe() const {
  std::string out = std::to_string(code_);
  if (ok()) return out;
  out += ' ';
  out += text().empty() ? errors::defaultErrorText(code_) : cp1252ToUtf8(text());
  if (!file().empty()) out += " (" + file() + ")";
  if (!cause().empty()) out += ": " + cause();
  return out;
}

void PrintTo(const Status& status, std::ostream* os) { *os << status.describe(); }

}  // namespace platform::storage
