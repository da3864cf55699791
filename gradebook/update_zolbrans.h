// The teacher form: adds (Request code 1), changes (2), deletes (3, asked first, without showing
// the window) or shows (6) the teacher in the ZOLBRANS buffer: its numeric key and its name, both
// required and unique; the password is not on the form. The Response code is 1 when the teacher
// was saved or deleted, 2 otherwise.
//
// Needs the running Program with the thread's managers set up (DictionaryInit) and a QApplication.
#pragma once

namespace gradebook {

void UpdateZOLBRANS();

}  // namespace gradebook
