// ProgramMain and ProgramEntry: the program's main routine, which calls the grade book's Main, and
// the whole process around it.
#include <cfenv>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "dictionary/program.h"

namespace dictionary {
namespace {

// A write of the drag setting: kept in the user's profile and announced to the desktop.
constexpr int kDragWriteFlags = platform::os::kUpdateProfile | platform::os::kAnnounceChange;

// Switches the drag setting back on, once, if this run switched it off.
void SwitchDragSettingBackOn(Program& p) {
  if (!p.dragSettingSwitchedOff) return;
  p.dragSettingSwitchedOff = false;
  p.desktop().setDragFullWindows(1, kDragWriteFlags);
  p.observe("drag setting switched on");
}

}  // namespace

void ProgramMain() {
  Program& p = program();
  p.observe("ProgramMain");
  if (!p.environment().procedures.Main) throw std::logic_error("the program was given no Main");
  p.errors().init(&ThreadErrorStatus);
  p.fuzzyMatcher().init();
  p.fuzzyMatcher().setOption(platform::FuzzyMatcher::kNoCase, true);
  p.fuzzyMatcher().setOption(platform::FuzzyMatcher::kWordOnly, false);
  p.settings().init("Zolbrans.INI");
  DictionaryInit();
  if (p.environment().setProgramIcon) p.environment().setProgramIcon();
  // The results of the read and the write are not tested: a failed read leaves the setting 0.
  p.desktop().dragFullWindows(p.savedDragSetting);
  if (p.savedDragSetting == 1) {
    p.desktop().setDragFullWindows(0, kDragWriteFlags);
    p.dragSettingSwitchedOff = true;
    p.observe("drag setting switched off");
  }
  p.observe("Main");
  p.environment().procedures.Main();
  SwitchDragSettingBackOn(p);
  p.settings().kill();
  p.fuzzyMatcher().kill();
  p.observe("ProgramMain done");
}

int ProgramEntry(ProgramEnvironment environment) {
  std::fesetenv(FE_DFL_ENV);
  try {
    Program program(std::move(environment));
    try {
      ProgramMain();
    } catch (const platform::ProgramHalted&) {
      SwitchDragSettingBackOn(program);
    } catch (const std::exception& e) {
      SwitchDragSettingBackOn(program);
      std::fprintf(stderr, "the program ended on an error: %s\n", e.what());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "the program could not start: %s\n", e.what());
  }
  return 0;
}

void HaltProgram() { throw platform::ProgramHalted(); }

}  // namespace dictionary
