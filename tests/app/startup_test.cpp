// The start-up and the shut-down, with the real sequence and the real event
// loop, as the user and the desktop see them.
#include <gtest/gtest.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <stdexcept>

#include "app/startup.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/file_types.h"
#include "framework/menu.h"
#include "framework/recorder.h"
#include "framework/window.h"
#include "framework/yield.h"

namespace {

using Events = std::vector<std::string>;

// Every test starts from a runtime without application object, windows or
// record, and leaves it so.
class Startup : public testing::Test {
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
  static void RunProgram() {
    app::LoadPlugins();
    app::RegisterClasses();
    app::RunMain();
    app::ReleaseModuleObjects();
  }
  // After the shut-down nothing is left registered or open.
  static void ExpectNothingLeft() {
    EXPECT_TRUE(fw::RegisteredFileTypes().empty());
    EXPECT_EQ(fw::GetAppObject(), nullptr);
    EXPECT_TRUE(fw::OpenWindows().empty());
  }

  Events reports;
};

// What the user meets while the loop runs: the main window in front with its
// menu bar, every item with its key and the commands bound; after the
// shut-down nothing is left registered or open.
TEST_F(Startup, RunsAndShutsDownInOrder) {
  bool mainInFront = false;
  std::string types;  // name, creator, type and extensions of each
  Events shown;       // the menu bar's items, marked "-" when disabled
  QTimer::singleShot(0, [&] {
    fw::Window* main = fw::GetImplicitWindow("Main.Main");
    mainInFront = main && main->Host()->isVisible() && fw::FrontWindow() == main;
    for (const fw::RegisteredFileType& t : fw::RegisteredFileTypes())
      types += t.name + "|" + t.creator + "|" + t.type + "|" + t.extensions + "\n";
    fw::UpdateMenuEnabling();
    for (QAction* menu : main->Host()->menuBar()->actions())
      for (QAction* item : menu->menu()->actions())
        shown.push_back(menu->text().toStdString() + " > " + item->text().toStdString() + " " +
                        item->shortcut().toString().toStdString() + (item->isEnabled() ? "" : " -"));
    fw::Quit(0);
  });
  RunProgram();
  EXPECT_TRUE(mainInFront);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(fw::ExitCode(), 0);
  EXPECT_EQ(types, "text|R*ch|TEXT|\nspecial/any|????|????|\nPHI SEM-MAP Image|????|????|.sem; .map\n");
  EXPECT_EQ(shown, (Events{"&File > Close Ctrl+W", "&File > Quit Ctrl+Q", "&Edit > &Undo Ctrl+Z -", "&Edit > - ",
                           "&Edit > Cu&t Ctrl+X -", "&Edit > &Copy Ctrl+C -", "&Edit > &Paste Ctrl+V -",
                           "&Edit > Clear  -", "Tools > Add Images... Ctrl+A"}));
  ExpectNothingLeft();
}

// A failed start is reported and shuts down with code 1 without entering the loop.
TEST_F(Startup, AnExceptionWhileDefiningFileTypesIsReportedAndShutsDownInOrder) {
  fw::SetRecordHook([](const std::string& event) {
    if (event == "RegisterFileType special/any") throw std::runtime_error("no room for the type");
  });
  bool looped = false;
  QTimer guard;  // should the loop run after all, it must not hang the test
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&] { looped = true, fw::Quit(0); });
  guard.start(0);
  RunProgram();
  EXPECT_EQ(reports, Events{"no room for the type"});
  EXPECT_FALSE(looped);
  EXPECT_EQ(fw::ExitCode(), 1);
  ExpectNothingLeft();
}

TEST_F(Startup, AnExceptionInAHandlerWhileTheLoopRunsEndsTheRunWithCodeOne) {
  // A document the framework cannot name: the program's handler fails on it.
  QTimer::singleShot(0, [] { fw::PostOpenDocument(nullptr); });
  RunProgram();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("NilObjectException"), std::string::npos) << reports[0];
  EXPECT_EQ(fw::ExitCode(), 1);
  ExpectNothingLeft();
}

}  // namespace
