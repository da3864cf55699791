// The program's Spanish message table for the error reporter: every numbered message that the
// file managers, the relation managers and the windows report, with its level, title and text.
#pragma once

#include <vector>

#include "platform/classes/error_reporter.h"

namespace dictionary {

std::vector<platform::ErrorMessage> SpanishErrorMessages();

}  // namespace dictionary
