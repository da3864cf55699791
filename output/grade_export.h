// The export of the signed-in teacher's grade records into a new export file (EXPORTACION): one
// record per grade record of Gl_IdMaestro, in the order of the teacher key of ACTAS, with the
// names of its student, teacher, learning unit, programme and city looked up by their primary
// keys, all appended in one transaction on the export file.
//
// The file is named from the folder, the teacher's key and the date and time (export_name.h), read
// once, and Gs_ArchivoExportacion takes that name. A name longer than the 255 characters
// Gs_ArchivoExportacion holds (a deep folder) is refused with a message before anything is
// written or closed: cut, it would name another file. A file of that name is replaced: two exports
// within one minute leave the second. Before the new name is set, the export file is closed; the
// empty placeholder Exportacion.Tps that the window's opening keeps in the working folder is
// deleted then.
//
// Each export starts its progress at nothing done. All or nothing: when creating, opening or
// writing the file, starting or committing the transaction, or reading the grade records fails,
// the transaction is rolled back, the new file is removed, Gs_ArchivoExportacion takes back the
// name it held, the progress goes back to nothing done, one message box shows the error's text
// (no caption, no icon, an OK button) and run() returns false. Only an export that committed
// every record shows "Exportación Terminada"; the new file is then opened again through its
// relation manager and stays open until the next export or until the window closes.
//
// A look-up that finds nothing leaves its export fields blank (0 for the teacher key); the record
// is still written. The date and time fields are 0.
//
// Needs the files of OpenExportFiles() open on this thread; uses the thread's record buffers of
// those files. Messages go through the error reporter's port.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/cp1252_text.h"

namespace output {

// What the export shows while it runs.
class ExportProgress {
 public:
  virtual ~ExportProgress() = default;
  // The new file's name without its folder, before the file is created.
  virtual void showFileName(platform::Cp1252View name) = 0;
  // Nothing done of `total`: as each export starts, and again when it fails (nothing of it is kept).
  virtual void start(std::int32_t total) = 0;
  // After each record written.
  virtual void advance() = 0;
};

class GradeExport {
 public:
  // `total` is what the progress counts to: the grade book's count of the teacher's grade records.
  GradeExport(std::int32_t total, ExportProgress& progress);
  ~GradeExport();
  GradeExport(const GradeExport&) = delete;
  GradeExport& operator=(const GradeExport&) = delete;

  // Exports into `folder` (trailing blanks ignored; blank: the user's home folder). True when the
  // file holds every grade record of the teacher.
  bool run(platform::Cp1252View folder);

 private:
  struct Lookup;
  bool writeExportFile();
  bool appendGradeRecords();
  void fillExportRecord();
  bool fail(int error, bool removeFile);
  bool refuse(platform::Cp1252View text);

  std::int32_t total_;
  ExportProgress& progress_;
  std::vector<Lookup> lookups_;
};

// Opens the export file through its relation manager under the name Gs_ArchivoExportacion holds
// (created empty when missing), as the export window does when it opens. When that name is an
// earlier export's and its file is gone (deleted, moved, its disk taken away), the name goes back
// to the placeholder Exportacion.Tps in the working folder, rather than making the file again.
int OpenExportFile();

// What the export reads and writes, opened as the export window opens them: ACTAS with every file
// related to it, the export file (OpenExportFile), and ALUMNOS, ZOLBRANS, CIUDAD,
// UNIDAD_APRENDIZAJE and PROGRAMA_ACADEMICO put in use. CloseExportFiles closes ACTAS with its
// related files and the export file, through their relation managers.
void OpenExportFiles();
void CloseExportFiles();

}  // namespace output
