#include "platform/classes/window_controller.h"

#include <gtest/gtest.h>

#include "platform/core/fixed_text.h"
#include "platform/port/scripted_port.h"
#include "platform/ui/test_robot.h"

namespace platform {
namespace {

constexpr const char* kWindow = R"({
  "title": "Procedimiento", "at": [null, null, 160, 60], "centre": true, "systemMenu": true,
  "controls": [
    {"label": "?NOMBRE", "kind": "entry", "at": [5, 5, 100, 10], "picture": "@s10", "use": "Nombre"},
    {"label": "?OTRO", "kind": "entry", "at": [5, 20, 100, 10], "picture": "@s10", "use": "Nombre"},
    {"label": "?OK", "kind": "button", "at": [5, 40, 45, 14], "text": "&Aceptar", "flags": ["default"]},
    {"label": "?CERRAR", "kind": "button", "at": [55, 40, 45, 14], "text": "&Cerrar"},
    {"label": "?CANCEL", "kind": "button", "at": [105, 40, 45, 14], "text": "&Cancelar", "std": "close"}
  ]})";

// A procedure that records what its controller does and when.
class Procedure : public WindowController {
 public:
  Procedure(ui::Window& window, ErrorReporter& reporter, ProcedureCodes codes)
      : WindowController(window, reporter, "Prueba", codes) {}

  bool openFiles() override {
    log.push_back(std::string("open files, window shown: ") + (window().isOpen() ? "yes" : "no") +
                  ", procedure: " + errors().status().procedure);
    return opensFiles;
  }
  void closeFiles() override { log.push_back("close files"); }
  int takeAccepted() override {
    const int level = WindowController::takeAccepted();
    log.push_back("accepted " + std::to_string(event().control));
    return event().control == window().find("?OK") ? acceptedLevel : level;
  }
  int takeWindowEvent() override {
    WindowController::takeWindowEvent();
    if (event().kind == ui::EventKind::OpenWindow) log.push_back("opened, request " + std::to_string(request()));
    if (event().kind == ui::EventKind::CloseWindow) {
      log.push_back("close asked");
      if (refusals > 0) {
        --refusals;
        return kLevelNotify;
      }
    }
    return kLevelBenign;
  }

  std::vector<std::string> log;
  bool opensFiles = true;
  int refusals = 0;
  int acceptedLevel = kLevelBenign;
};

class WindowControllerTest : public ::testing::Test {
 protected:
  WindowControllerTest()
      : reporter(locale, port),
        window(ui::parseWindowDefinition(kWindow, "procedimiento", ui::ControlKinds::standard()), locale),
        procedure(window, reporter, {request, response, navigation}) {
    window.bind("Nombre", ui::Variable::of(nombre));
    reporter.setProcedureName("Anterior");
  }

  Locale locale;
  ScriptedPort port;
  ErrorReporter reporter;
  ui::Window window;
  FixedText<10> nombre;
  std::uint8_t request = kRequestChange;
  std::uint8_t response = 7;
  std::int32_t navigation = 3;
  Procedure procedure;
  ui::Robot robot;
};

TEST_F(WindowControllerTest, FollowsTheConventionFromInitialiseToKill) {
  procedure.setFirstField("?OTRO");
  procedure.setCloseControl("?CERRAR", kResponseCompleted);
  robot.inWindow("Procedimiento", [this](ui::WindowDriver& w) {
    EXPECT_EQ(w.focusLabel(), "?OTRO");
    EXPECT_EQ(request, 0) << "the codes are cleared once the request is taken";
    EXPECT_EQ(response, 0);
    EXPECT_EQ(reporter.status().procedure, "Prueba");
    w.press("?CERRAR");
  });
  int result = 0;
  robot.run([&] { result = procedure.run(); });
  ASSERT_TRUE(robot.done()) << robot.report();
  EXPECT_EQ(result, kResponseCompleted);
  EXPECT_EQ(procedure.request(), kRequestChange);
  EXPECT_EQ(procedure.navigation(), &navigation);
  const std::vector<std::string> expected = {"open files, window shown: no, procedure: Prueba", "opened, request 2",
                                             "accepted 4", "close asked", "close files"};
  EXPECT_EQ(procedure.log, expected);
  EXPECT_EQ(reporter.status().procedure, "Anterior") << "kill gives the previous name back";
  EXPECT_TRUE(window.isClosed());
}

TEST_F(WindowControllerTest, AHandlerMayRefuseToClose) {
  procedure.refusals = 1;
  robot.inWindow("Procedimiento", [](ui::WindowDriver& w) { w.closeBox(); });
  robot.inWindow("Procedimiento", [](ui::WindowDriver& w) { w.press("?CANCEL"); });
  int result = 0;
  robot.run([&] { result = procedure.run(); });
  ASSERT_TRUE(robot.done()) << robot.report();
  EXPECT_EQ(result, kResponseCancelled) << "closing without a close control leaves the run cancelled";
  const std::vector<std::string> expected = {"open files, window shown: no, procedure: Prueba", "opened, request 2",
                                             "close asked", "close asked", "close files"};
  EXPECT_EQ(procedure.log, expected);
}

TEST_F(WindowControllerTest, FatalEndsTheLoopAndFilesNotOpenedAreNotClosed) {
  procedure.acceptedLevel = kLevelFatal;
  procedure.opensFiles = false;
  robot.inWindow("Procedimiento", [](ui::WindowDriver& w) {
    w.type("?NOMBRE", "x");
    w.key(Qt::Key_Return);  // accepts ?NOMBRE, then presses ?OK
  });
  robot.run([&] { procedure.run(); });
  ASSERT_TRUE(robot.done()) << robot.report();
  const std::vector<std::string> expected = {"open files, window shown: no, procedure: Prueba", "opened, request 2",
                                             "accepted 1", "accepted 3"};
  EXPECT_EQ(procedure.log, expected);
  EXPECT_TRUE(window.isClosed());
  EXPECT_FALSE(window.handle()->isVisible());
}

TEST_F(WindowControllerTest, AFailedInitialiseOpensNothingButStillKills) {
  window.close();
  EXPECT_EQ(procedure.run(), kResponseCancelled);
  EXPECT_TRUE(procedure.log.empty());
  EXPECT_EQ(reporter.status().procedure, "Anterior");
  EXPECT_EQ(request, kRequestChange) << "the codes stay as they were";
  EXPECT_EQ(procedure.kill(), kLevelNotify) << "a second kill does nothing";
}

TEST_F(WindowControllerTest, UnknownLabelsAreProgrammingErrors) {
  EXPECT_THROW(procedure.setCloseControl("?NADA", kResponseCompleted), std::invalid_argument);
  procedure.setFirstField("?NADA");
  EXPECT_THROW(procedure.init(), std::invalid_argument);
}

class Target : public ToolbarTarget {
 public:
  Target(std::vector<ToolbarAction> offered, std::vector<std::string>& log, std::string name)
      : offered_(std::move(offered)), log_(log), name_(std::move(name)) {}
  bool offers(ToolbarAction action) const override {
    return std::find(offered_.begin(), offered_.end(), action) != offered_.end();
  }
  void takeToolbar(ToolbarAction action) override { log_.push_back(name_ + " " + std::to_string(int(action))); }

 private:
  std::vector<ToolbarAction> offered_;
  std::vector<std::string>& log_;
  std::string name_;
};

TEST_F(WindowControllerTest, ToolbarActionsReachTheTargetThatOffersThem) {
  std::vector<std::string> taken;
  Target list({ToolbarAction::Insert, ToolbarAction::Change, ToolbarAction::Down}, taken, "list");
  Target form({ToolbarAction::Change, ToolbarAction::History}, taken, "form");
  ToolbarDispatcher dispatcher;
  dispatcher.addTarget(list);
  dispatcher.addTarget(form);
  procedure.addToolbarDispatcher(dispatcher);
  EXPECT_TRUE(dispatcher.offers(ToolbarAction::Down));
  EXPECT_FALSE(dispatcher.offers(ToolbarAction::Help));
  robot.inWindow("Procedimiento", [this](ui::WindowDriver&) {
    window.post(ui::EventKind::Toolbar, 0, static_cast<int>(ToolbarAction::Change));  // the last added first
    window.post(ui::EventKind::Toolbar, 0, static_cast<int>(ToolbarAction::Down));
    window.post(ui::EventKind::Toolbar, 0, static_cast<int>(ToolbarAction::Help));  // nobody: ignored
    window.post(ui::EventKind::CloseWindow);
  });
  robot.run([&] { procedure.run(); });
  ASSERT_TRUE(robot.done()) << robot.report();
  EXPECT_EQ(taken, (std::vector<std::string>{"form 2", "list 8"}));
  dispatcher.removeTarget(form);
  EXPECT_TRUE(dispatcher.dispatch(ToolbarAction::Change));
  EXPECT_EQ(taken.back(), "list 2");
  EXPECT_FALSE(dispatcher.dispatch(ToolbarAction::History));
}

TEST_F(WindowControllerTest, AlertKeysAreSetWhenTheWindowOpens) {
  robot.inWindow("Procedimiento", [](ui::WindowDriver& w) {
    w.key(Qt::Key_F2);
    w.closeBox();
  });
  std::vector<ui::WindowEvent> seen;
  class Recorder : public Procedure {
   public:
    using Procedure::Procedure;
    std::vector<ui::WindowEvent>* seen = nullptr;
    int takeWindowEvent() override {
      seen->push_back(event());
      return Procedure::takeWindowEvent();
    }
  };
  Recorder recorder(window, reporter, {request, response, navigation});
  recorder.addAlert(Qt::Key_F2);
  recorder.seen = &seen;
  robot.run([&] { recorder.run(); });
  ASSERT_TRUE(robot.done()) << robot.report();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1].kind, ui::EventKind::AlertKey);
  EXPECT_EQ(seen[1].value, Qt::Key_F2);
}

}  // namespace
}  // namespace platform
