// Main: the grade book window "Calificaciones", where the teacher's whole work with the program
// happens. It calls the grade form, the grade sheet and the export that the program was given
// (dictionary::Procedures).
//
// Needs the running Program with the thread's managers set up (ProgramMain runs it) and a
// QApplication.
#pragma once

namespace gradebook {

void Main();

}  // namespace gradebook
