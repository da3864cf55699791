// The sign-in window: the teacher types a numeric key and a password; when they match a teacher of
// ZOLBRANS, Gl_IdMaestro becomes that teacher's id and the window closes. After the third failed
// attempt it closes with Gl_IdMaestro 0; cancel and the close box leave Gl_IdMaestro as it was.
// Gs_Maestro keeps the last key typed. The Response code holds the window's run result. A key that
// no teacher has and a wrong password show the same failure message; a teachers file that cannot
// be read shows the error reporter's read-failure message (platform::kMessageViewReadFailed) with
// the error, and counts as a failed attempt too.
//
// Needs the running Program with the thread's managers set up (DictionaryInit) and a QApplication.
#pragma once

namespace gradebook {

void Comprobar_Usuario();

}  // namespace gradebook
