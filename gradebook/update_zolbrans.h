// The teacher form: adds (Request code platform::kRequestInsert), changes (kRequestChange),
// deletes (kRequestDelete, asked first, without showing the window) or shows (kRequestView) the
// teacher in the ZOLBRANS buffer: its numeric key and its name, both required and unique; the
// password is not on the form. The Response code is kResponseCompleted when the teacher was saved
// or deleted, kResponseCancelled otherwise.
//
// Needs the running Program with the thread's managers set up (DictionaryInit) and a QApplication.
#pragma once

namespace gradebook {

void UpdateZOLBRANS();

}  // namespace gradebook
