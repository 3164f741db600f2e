// The start-up and shut-down order as the framework records it, with the real
// sequence and the real event loop.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <QTimer>
#include <algorithm>
#include <stdexcept>

#include "app/app_object.h"
#include "app/implicit.h"
#include "app/menu_bar1.h"
#include "app/startup.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/file_types.h"
#include "framework/recorder.h"
#include "framework/window.h"
#include "framework/yield.h"

namespace {

using Events = std::vector<std::string>;

// Every test starts from a runtime without application object, windows or
// record, and leaves it so.
class StartupSequence : public testing::Test {
 protected:
  void SetUp() override {
    fw::ResetRuntimeForTest();
    fw::SetYieldHook(nullptr);
    fw::SetDocumentArguments({});
    fw::SetExceptionPresenter([this](const std::string& text) { reports.push_back(text); });
    fw::ClearRecord();
  }
  void TearDown() override {
    fw::SetRecordHook(nullptr);
    fw::ResetRuntimeForTest();
    fw::SetExceptionPresenter(nullptr);
    fw::ClearRecord();
  }

  // The process entry's steps between the toolkit's start and its end.
  static void RunProcessSteps() {
    app::LoadPlugins();
    app::RegisterClasses();
    app::RunMain();
  }

  static long Count(const Events& events, const std::string& prefix) {
    return std::count_if(events.begin(), events.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
  }

  Events reports;
};

TEST_F(StartupSequence, RunsInOrderAndShutsDownInOrder) {
  bool mainShownWhileRunning = false;
  QTimer::singleShot(0, [&] {
    fw::Window* main = fw::GetImplicitWindow("Main.Main");
    mainShownWhileRunning = main && main->Host()->isVisible() && fw::FrontWindow() == main;
    fw::Quit(0);
  });
  RunProcessSteps();

  // While the application object still exists: its bar and its one binding.
  app::App* theApp = app::implicit::App();
  ASSERT_NE(theApp, nullptr);
  EXPECT_EQ(theApp->GetMenuBar(), app::implicit::MenuBar1());
  EXPECT_NE(theApp->MenuHandler("ToolsAddImages"), nullptr);
  EXPECT_EQ(theApp->MenuHandler("FileClose"), nullptr);
  const std::vector<fw::RegisteredFileType> types = fw::RegisteredFileTypes();
  ASSERT_EQ(types.size(), 3u);
  const struct {
    const char *name, *creator, *type, *extensions;
  } kTypes[] = {{"text", "R*ch", "TEXT", ""},
                {"special/any", "????", "????", ""},
                {"PHI SEM-MAP Image", "????", "????", ".sem; .map"}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(kTypes[i].name);
    EXPECT_EQ(types[i].name, kTypes[i].name);
    EXPECT_EQ(types[i].creator, kTypes[i].creator);
    EXPECT_EQ(types[i].type, kTypes[i].type);
    EXPECT_EQ(types[i].extensions, kTypes[i].extensions);
  }

  app::ReleaseModuleObjects();
  EXPECT_TRUE(mainShownWhileRunning);
  EXPECT_TRUE(fw::RegisteredFileTypes().empty());
  EXPECT_EQ(fw::GetAppObject(), nullptr);
  EXPECT_TRUE(fw::OpenWindows().empty());
  EXPECT_EQ(fw::ExitCode(), 0);
  EXPECT_TRUE(reports.empty());

  const Events expected = {"RegisterClass Main",
                           "RegisterClass MenuBar1",
                           "RegisterClass App",
                           "RegisterClass AddImages",
                           "RuntimeInitExternalClasses",
                           "PluginLookup found",
                           "RegisterFileType text",
                           "RegisterFileType special/any",
                           "RegisterFileType PHI SEM-MAP Image",
                           "SetMenuBar App",
                           "RegisterAppObject",
                           "AddMenuHandler App ToolsAddImages",
                           "CreateWindow Main.Main",
                           "AddMenuHandler Main.Main FileClose",
                           "RuntimeRun",
                           "RuntimeRun returned",
                           "ReleaseFrameworkLists",
                           "DeregisterFileType text",
                           "DeregisterFileType special/any",
                           "DeregisterFileType PHI SEM-MAP Image",
                           "ReleaseMenuBar1"};
  EXPECT_EQ(fw::Recorded(), expected);
  EXPECT_EQ(Count(fw::Recorded(), "AddMenuHandler App "), 1);
}

TEST_F(StartupSequence, ExceptionWhileDefiningFileTypesIsReportedOnceAndShutsDownInOrder) {
  fw::SetRecordHook([](const std::string& event) {
    if (event == "RegisterFileType special/any") throw std::runtime_error("no room for the type");
  });
  // Should the loop be entered after all, it must not hang the test; the
  // timer dies with the test, so it cannot quit a later one.
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { fw::Quit(0); });
  guard.start(0);
  RunProcessSteps();
  fw::SetRecordHook(nullptr);
  EXPECT_EQ(app::implicit::App(), nullptr);
  EXPECT_EQ(fw::GetImplicitWindow("Main.Main"), nullptr);
  app::ReleaseModuleObjects();

  EXPECT_EQ(reports, Events{"no room for the type"});
  const Events events = fw::Recorded();
  for (const char* never : {"SetMenuBar", "RegisterAppObject", "AddMenuHandler", "CreateWindow", "RuntimeRun",
                            "RegisterFileType PHI"}) {
    EXPECT_EQ(Count(events, never), 0) << never;
  }
  // Only what was registered is withdrawn.
  const Events tail(std::find(events.begin(), events.end(), "RegisterFileType special/any"), events.end());
  EXPECT_EQ(tail, (Events{"RegisterFileType special/any", "UnhandledException", "ReleaseFrameworkLists",
                          "DeregisterFileType text", "ReleaseMenuBar1"}));
  EXPECT_TRUE(fw::RegisteredFileTypes().empty());
  EXPECT_NE(fw::ExitCode(), 0);
  EXPECT_EQ(fw::ExitCode(), 1);
}

TEST_F(StartupSequence, ExceptionInAHandlerWhileTheLoopRunsEndsTheRunWithCodeOne) {
  // A document the framework cannot name: the program's handler fails on it.
  QTimer::singleShot(0, [] { fw::PostOpenDocument(nullptr); });
  RunProcessSteps();
  app::ReleaseModuleObjects();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("NilObjectException"), std::string::npos) << reports[0];
  const Events events = fw::Recorded();
  const Events tail(std::find(events.begin(), events.end(), "RuntimeRun"), events.end());
  EXPECT_EQ(tail, (Events{"RuntimeRun", "UnhandledException", "RuntimeRun returned", "ReleaseFrameworkLists",
                          "DeregisterFileType text", "DeregisterFileType special/any",
                          "DeregisterFileType PHI SEM-MAP Image", "ReleaseMenuBar1"}));
  EXPECT_EQ(fw::ExitCode(), 1);
}

}  // namespace
