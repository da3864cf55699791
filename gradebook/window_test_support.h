// Shared by the tests of the grade book's windows: the program started on a data folder loaded from
// tests/fixtures (grade_form unless a test names other tables), its messages shown as real message
// boxes that the robot answers, and a way to read a grade record as the grade-record list reads it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dictionary/dictionary_test_support.h"
#include "platform/core/number_text.h"
#include "platform/storage/view.h"
#include "platform/ui/message_box.h"
#include "platform/ui/test_robot.h"
#include "platform/ui/toolkit_translation.h"

namespace gradebook::testing {

class WindowTest : public dictionary::testing::DictionaryTest {
 protected:
  std::string tables() const override { return "grade_form"; }

  void SetUp() override {
    DictionaryTest::SetUp();
    if (HasFatalFailure()) return;
    beforeProgramStarts();
    dictionary::ProgramEnvironment env = environment();
    env.port = &messages;
    started = std::make_unique<dictionary::Program>(env);
    dictionary::ApplySpanishLocale(started->locale());
    // The toolkit's texts in Spanish, as the grade book sets them; the titles the windows give in
    // English ("View Record") stay as given.
    ASSERT_TRUE(platform::ui::loadToolkitTranslation("es"));
    started->errors().init(&dictionary::ThreadErrorStatus);
    dictionary::DictionaryInit();
    started->errors().setProcedureName("Main");
  }

  // Where a test starts the other programs it plays: before this one opens anything.
  virtual void beforeProgramStarts() {}

  // Runs a procedure with the Request code set, the robot's steps beside it; returns the Response.
  int run(std::uint8_t request, void (*procedure)()) {
    dictionary::ThisThread().Request = request;
    robot.run(procedure);
    EXPECT_TRUE(robot.done()) << robot.report();
    return dictionary::ThisThread().Response;
  }

  // Expects a message box with this caption and text and presses one of its buttons.
  void message(const std::string& caption, const std::string& text, const std::string& press,
               std::vector<std::string> buttons = {}) {
    robot.inMessage([=](platform::ui::MessageDriver& m) {
      EXPECT_EQ(m.caption(), caption);
      EXPECT_EQ(m.text(), text);
      if (!buttons.empty()) {
        EXPECT_EQ(m.buttons(), buttons);
      }
      m.press(press);
    });
  }

  // A grade record as the grade-record list reads it, through a view of its own: the four scores,
  // the weighted scores, the average and the status, "|" between them.
  std::string gradeRecordSeenByTheList(std::int32_t id) {
    platform::storage::DataFile& grades = dictionary::DataFileOf(dictionary::File::ACTAS);
    const platform::storage::FileDecl& decl = grades.decl();
    dictionary::RelationManagerOf(dictionary::File::ACTAS)->open();
    std::string seen = "not found";
    {
      platform::storage::View view(grades);
      (void)view.open();  // a view that is not open reads nothing: "not found"
      view.setFilter("ACT:ID_ACT=" + std::to_string(id));
      view.restart();
      if (view.next() == platform::errors::kNone) {
        seen.clear();
        for (const char* name : {"PORTAFOLIO", "EXAMEN", "PARTICIPACION", "ENSAYO", "POR_PORTAFOLIO", "POR_EXAMEN",
                                 "POR_PARTICIPACION", "POR_ENSAYO", "PROMEDIO"}) {
          seen += platform::shortestDecimal(grades.buffer().getReal(decl.fieldIndex(name))) + "|";
        }
        seen += std::to_string(grades.buffer().getLong(decl.fieldIndex("STATUS")));
      }
      view.close();
    }
    dictionary::RelationManagerOf(dictionary::File::ACTAS)->close();
    return seen;
  }

  platform::ui::QtUserPort messages{spanish};
  platform::ui::Robot robot;
};

}  // namespace gradebook::testing
