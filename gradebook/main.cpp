// gradebook: the program. Run it in the folder that holds the school's data files; it starts with
// the sign-in and ends when the grade book closes (or nobody signs in). The exit code is 0.
#include <QApplication>
#include <QIcon>

#include "dictionary/program.h"
#include "gradebook/procedures.h"
#include "platform/core/locale.h"
#include "platform/os/desktop_settings.h"
#include "platform/ui/message_box.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setApplicationName("gradebook");
  // The windows come and go as the procedures run; the program ends when ProgramEntry returns.
  application.setQuitOnLastWindowClosed(false);

  // Until the program's own locale exists the port captions its buttons with the platform's.
  platform::Locale startLocale;
  platform::ui::QtUserPort messages(startLocale);
  platform::os::UserDesktopSettings desktop;

  dictionary::ProgramEnvironment environment;
  environment.procedures = gradebook::ProgramProcedures();
  environment.port = &messages;
  environment.desktop = &desktop;
  environment.makeWindowSystemReady = [&messages] { messages.useLocale(dictionary::program().locale()); };
  environment.setProgramIcon = [] { QApplication::setWindowIcon(QIcon(":/images/ZidAvidivevi.ico")); };
  return dictionary::ProgramEntry(std::move(environment));
}
