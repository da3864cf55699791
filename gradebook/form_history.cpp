#include "gradebook/form_history.h"

#include <map>
#include <memory>

#include "dictionary/program.h"

namespace gradebook {
namespace {

// A copy of the record with a layout of its own, so that it outlives the thread's declarations.
struct History {
  explicit History(const platform::RecordLayout& of) : layout(of), record(layout) {}
  platform::RecordLayout layout;
  platform::RecordBuffer record;
};

}  // namespace

platform::RecordBuffer& HistoryCopyOf(dictionary::File file) {
  thread_local std::map<dictionary::File, std::unique_ptr<History>> copies;
  std::unique_ptr<History>& copy = copies[file];
  if (!copy) copy = std::make_unique<History>(dictionary::DataFileOf(file).buffer().layout());
  return copy->record;
}

}  // namespace gradebook
