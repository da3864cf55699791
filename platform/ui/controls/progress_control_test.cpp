// The progress bar kind: its definition, a value kept within its range, its use variable, and
// painting at once from inside a handler.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QEvent>
#include <QProgressBar>
#include <QTest>
#include <memory>

#include "platform/ui/test_robot.h"
#include "platform/ui/window.h"

namespace platform::ui {
namespace {

std::string windowWith(const std::string& progressFields) {
  return R"({"title": "Progreso", "at": [null, null, 150, 40], "font": {"name": "MS Sans Serif", "size": 8},
    "controls": [{"label": "?PROGRESS1", "kind": "progress", "at": [5, 5, 140, 12])" +
         progressFields + "}]}";
}

WindowDefinition parse(const std::string& json) {
  return parseWindowDefinition(QByteArray::fromStdString(json), "progreso", ControlKinds::standard());
}

class ProgressTest : public ::testing::Test {
 protected:
  void make(const std::string& fields = "") { window = std::make_unique<Window>(parse(windowWith(fields)), locale); }
  Control& bar() { return window->control("?PROGRESS1"); }
  QProgressBar* widget() { return qobject_cast<QProgressBar*>(bar().widget()); }

  Locale locale;
  std::unique_ptr<Window> window;
};

TEST_F(ProgressTest, RangeComesFromTheDefinitionOrIsZeroToHundred) {
  make();
  EXPECT_EQ(bar().rangeLow(), 0);
  EXPECT_EQ(bar().rangeHigh(), 100);
  EXPECT_EQ(bar().progress(), 0);
  make(R"(, "range": [5, 50])");
  EXPECT_EQ(bar().rangeLow(), 5);
  EXPECT_EQ(bar().rangeHigh(), 50);
  EXPECT_EQ(bar().progress(), 5) << "a bar starts at its low end";
  ASSERT_NE(widget(), nullptr);
  EXPECT_FALSE(widget()->isTextVisible()) << "the bar shows no percentage of its own";
}

TEST_F(ProgressTest, DefinitionMistakesAreReported) {
  const struct {
    const char* fields;
    const char* problem;
  } cases[] = {
      {R"(, "range": [1])", "\"range\" must be [low, high], two whole numbers"},
      {R"(, "range": ["0", 10])", "\"range\" must be [low, high], two whole numbers"},
      {R"(, "range": [0, 2.5])", "\"range\" must be [low, high], two whole numbers"},
      {R"(, "range": [10, 5])", "the range's low end is above its high end"},
      {R"(, "flags": ["smooth"])", "a progress takes no flag \"smooth\""},
      {R"(, "text": "50")", "unknown key \"text\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fields);
    try {
      parse(windowWith(c.fields));
      ADD_FAILURE() << "accepted";
    } catch (const layout::DefinitionError& e) {
      ASSERT_EQ(e.problems().size(), 1u) << e.what();
      EXPECT_EQ(e.problems()[0], "progreso control 1 (?PROGRESS1): " + std::string(c.problem));
    }
  }
}

TEST_F(ProgressTest, ValueIsKeptWithinTheRange) {
  make();
  bar().setRange(0, 10);
  const struct {
    int set;
    int kept;
  } cases[] = {{4, 4}, {-3, 0}, {10, 10}, {11, 10}, {INT32_MAX, 10}, {INT32_MIN, 0}};
  for (const auto& c : cases) {
    EXPECT_TRUE(bar().setProgress(c.set));
    EXPECT_EQ(bar().progress(), c.kept) << c.set;
    EXPECT_EQ(widget()->value(), c.kept) << c.set;
  }
  // Counting past the end by reading the value back leaves the bar full.
  bar().setProgress(0);
  for (int i = 0; i < 15; ++i) bar().setProgress(bar().progress() + 1);
  EXPECT_EQ(bar().progress(), 10);
  // A narrower range takes the value with it; a high end below the low end is the low end.
  bar().setRange(2, 6);
  EXPECT_EQ(bar().progress(), 6);
  bar().setRange(8, 3);
  EXPECT_EQ(bar().rangeHigh(), 8);
  EXPECT_EQ(bar().progress(), 8);
}

TEST_F(ProgressTest, EmptyRangeShowsAnEmptyBarRatherThanABusyOne) {
  make();
  bar().setRange(0, 0);
  bar().setProgress(1);
  EXPECT_EQ(bar().progress(), 0);
  EXPECT_LT(widget()->minimum(), widget()->maximum()) << "Qt animates a bar whose range is empty";
  EXPECT_EQ(WindowDriver(window->handle()).filled("?PROGRESS1"), 0);
}

TEST_F(ProgressTest, RobotReadsHowFullTheBarShows) {
  make(R"(, "range": [10, 20])");
  WindowDriver driver(window->handle());
  const struct { int value, filled; } cases[] = {{10, 0}, {15, 50}, {17, 70}, {20, 100}};
  for (const auto& c : cases) {
    bar().setProgress(c.value);
    EXPECT_EQ(driver.filled("?PROGRESS1"), c.filled) << c.value;
  }
}

TEST_F(ProgressTest, UseVariableIsShownAndNeverTakenBack) {
  make(R"(, "use": "Termometro")");
  std::int32_t termometro = 40;
  window->bind("Termometro", Variable::of(termometro));
  window->display();
  EXPECT_EQ(bar().progress(), 40);
  termometro = 250;
  window->display();
  EXPECT_EQ(bar().progress(), 100);
  bar().setProgress(7);
  window->update();
  EXPECT_EQ(termometro, 250) << "the user cannot change a bar: it only shows its variable";
}

TEST_F(ProgressTest, OtherKindsHaveNoRange) {
  Window w(parse(R"({"title": "Otra", "at": [null, null, 100, 30],
    "controls": [{"label": "?P", "kind": "prompt", "at": [1, 1, null, null], "text": "x"}]})"),
           locale);
  EXPECT_FALSE(w.control("?P").setRange(0, 10));
  EXPECT_FALSE(w.control("?P").setProgress(3));
  EXPECT_EQ(w.control("?P").progress(), 0);
}

TEST_F(ProgressTest, BarPaintsItselfAtOnceOnlyWhenItsFillChanges) {
  make(R"(, "range": [0, 100000])");
  window->open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window->handle()));
  PaintCounter counter(widget());
  bar().setProgress(1);
  EXPECT_EQ(counter.paints, 0) << "one step of 100,000 moves no pixel";
  bar().setProgress(50000);
  EXPECT_GT(counter.paints, 0) << "painted before any event was processed";
  window->close();
}

TEST_F(ProgressTest, RedrawPaintsAtOnceWithoutTheEventLoop) {
  make();
  window->open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window->handle()));
  PaintCounter counter(widget());
  for (int i = 1; i <= 3; ++i) {
    const int before = counter.paints;
    bar().setProgress(i * 10);
    window->redraw(window->find("?PROGRESS1"));
    EXPECT_GT(counter.paints, before) << "painted before any event was processed";
  }
  window->close();
}

}  // namespace
}  // namespace platform::ui
