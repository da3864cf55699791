// The forms' history copies: one copy of a file's record per thread, cleared (blank texts, zero
// numbers) the first time a form of that file asks for it on the thread and kept between the
// form's calls. The history key of a form puts a field's value back from it.
#pragma once

#include "dictionary/managers.h"
#include "platform/core/record.h"

namespace gradebook {

platform::RecordBuffer& HistoryCopyOf(dictionary::File file);

}  // namespace gradebook
