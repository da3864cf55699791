// The grade form: the teacher corrects the four scores of one grade record. The caller loads the
// record into the ACTAS buffer and sets the Request code (platform::kRequestChange; kRequestView
// and kRequestInsert are served too). The form shows the record's student, group, teacher, learning unit and programme
// with the unit's four weights; each score accepted recomputes its weighted score, the average
// and the status (grade_rule.h); "&Aceptar" accepts every score again and writes the record, if
// it changed, through the relation manager of ACTAS. The Response code is kResponseCompleted when
// "&Aceptar" ended the form in change or insert mode, kResponseCancelled otherwise.
//
// Needs the running Program with the thread's managers set up (DictionaryInit) and a QApplication.
#pragma once

namespace gradebook {

void UpdateACTAS_CALIFICACIONES();

}  // namespace gradebook
