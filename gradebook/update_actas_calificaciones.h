// The grade form: changes one grade record, the one in the ACTAS record buffer. The request comes
// in the Request code (the grade book's list sets it to change); the form leaves its outcome in
// the Response code (1 completed, 2 cancelled).
#pragma once

namespace gradebook {

void UpdateACTAS_CALIFICACIONES();

}  // namespace gradebook
