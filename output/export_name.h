// The texts the export composes: the export file's name and path, and the percentage shown under
// the progress bar. Pure functions, thread safe (ExportPath reads the environment for a blank
// folder).
#pragma once

#include <cstdint>
#include <optional>

#include "platform/core/cp1252_text.h"
#include "platform/core/date_time.h"
#include "platform/core/locale.h"

namespace output {

// "Exporacion - ", the teacher key in decimal digits (a minus sign in front when negative), " - ",
// the date through the picture "d1-", one blank, the time through "t1-" and ".Vyr"; the date and
// time without trailing blanks. Key 1234 on 8 December 2026 at 14:05 gives
// "Exporacion - 1234 - 12-08-26 14-05.Vyr"; on 7 March 2026 at 9:30 the date is " 3-07-26" and
// the time " 9-30", each with its leading blank.
platform::Cp1252Text ExportFileName(std::int32_t teacherKey, platform::LocalMoment moment,
                                    const platform::Locale& locale);

// The folder without its trailing blanks, "/" and the file name; "/" chosen as the folder gives
// "//" before the name. The folder is the entry's text and the path is Gs_ArchivoExportacion's. A
// blank folder (none chosen) is the user's home folder: the dialog opens there too, and it is where
// a teacher finds what was written without a folder of their own. Nothing when the home folder's
// name has a character code page 1252 lacks.
std::optional<platform::Cp1252Text> ExportPath(platform::Cp1252View folder, platform::Cp1252View fileName);

// `done` of `total` as a whole percentage through the picture "n3" followed by " %": 1 of 3 gives
// " 33 %", 3 of 3 "100 %". A total of 0 or less has no share to show: every record is past it, so
// the text is "100 %".
platform::Cp1252Text PercentText(std::int32_t done, std::int32_t total);

}  // namespace output
