// The program's own procedures: the grade book's Main and the grade form, grade sheet and export it
// calls. gradebook/main.cpp hands them to the start-up; so does a test of the program as it ships.
#pragma once

#include "dictionary/program.h"

namespace gradebook {

dictionary::Procedures ProgramProcedures();

}  // namespace gradebook
