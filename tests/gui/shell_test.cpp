// The main window within the shell: the "Open..." dialog, quitting by its
// close box or by File > Close, the tab order, and a click that arrives while
// a conversion yields.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QTest>

#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/window.h"
#include "framework/yield.h"
#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"
#include "tests/support/program_files.h"

using testsupport::CountPngs;
using testsupport::ProgramHarness;
using testsupport::TempDir;
using testsupport::WriteSmallMap;

namespace {

TEST(ShellGui, OpenDialogCancelledOrAnsweredWithAnotherSuffixConvertsNothing) {
  using Rows = std::vector<std::string>;
  const struct {
    const char* answer;  // "" for a cancelled dialog
    Rows results;
    const char* status;
  } rows[] = {
      {"", {}, "working..."},
      {"notes.txt", {"This program can only open", ".map and .sem files."}, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.answer);
    TempDir dir;
    testsupport::TouchFiles(dir, {"notes.txt"});
    ProgramHarness h;
    h.ClickOpen(*row.answer ? dir.File(row.answer) : "");
    EXPECT_TRUE(h.Rows("LBraw").empty());
    EXPECT_EQ(h.Rows("LBresults"), row.results);
    EXPECT_EQ(h.Status(), row.status);
    EXPECT_TRUE(h.messages.empty());
    EXPECT_FALSE(fw::Quitting());
    EXPECT_EQ(dir.Names(), Rows{"notes.txt"});
  }
}

TEST(ShellGui, CloseBoxAndFileCloseQuitWithCodeZero) {
  for (const bool closeBox : {true, false}) {
    SCOPED_TRACE(closeBox ? "close box" : "File > Close");
    ProgramHarness h;
    if (closeBox)
      h.main()->Host()->close();
    else
      ProgramHarness::ChooseMenu("FileClose");
    ProgramHarness::Settle();
    EXPECT_TRUE(fw::Quitting());
    EXPECT_EQ(fw::ExitCode(), 0);
    EXPECT_TRUE(h.reports.empty());
  }
}

// The Tab key goes through the controls in their TabIndex order and passes
// over the file-name label.
TEST(ShellGui, TabOrderFollowsTabIndex) {
  ProgramHarness h;
  mapconv::Main* w = h.main();
  w->Host()->activateWindow();
  w->PushButton1()->Widget()->setFocus(Qt::TabFocusReason);
  ProgramHarness::Settle();
  if (QApplication::focusWidget() != w->PushButton1()->Widget())
    GTEST_SKIP() << "the platform gives no keyboard focus (a button may not take tab focus here)";
  std::vector<std::string> tabbed;
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    tabbed.push_back(QApplication::focusWidget()->objectName().toStdString());
  }
  EXPECT_EQ(tabbed, (std::vector<std::string>{"LBraw", "LBresults", "CB_autosave", "PushButton1"}));
}

// A click on "Open..." while OpenFile yields runs after it, never inside it
// (a drop is the converter's tests' case).
TEST(ShellGui, AClickOnOpenDuringAConversionRunsAfterIt) {
  TempDir dir;
  const std::string first = WriteSmallMap(dir, "first.map", 64, 64, {"C1", "O1"});
  const std::string second = WriteSmallMap(dir, "second.map", 8, 8, {"N1"});
  ProgramHarness h;
  fw::SetOpenDialogPresenter([second](const std::string&) { return fw::FolderItem::FromPath(second); });
  std::vector<std::string> log;  // each new status text, and the moment of the click
  std::string lastStatus;
  size_t firstPngsWhenSecondBegan = 99;
  int yields = 0;
  fw::SetYieldHook([&] {
    if (h.Status() != lastStatus) {
      lastStatus = h.Status();
      log.push_back(lastStatus);
      if (lastStatus == "second.map") firstPngsWhenSecondBegan = CountPngs(dir, "first ");
    }
    // Click once, while the first file's first image is being read.
    if (log.size() == 1 && h.Rows("LBresults").size() == 4) {
      QTest::mouseClick(h.main()->PushButton1()->Widget(), Qt::LeftButton);
      log.push_back("click");
    }
    // Let events through now and then, as the yield does once its time slice is up.
    if (log.size() > 1 && ++yields % 512 == 0) QCoreApplication::processEvents();
  });
  ProgramHarness::Drop(h.main(), {first});
  ProgramHarness::Settle();
  fw::SetYieldHook(nullptr);

  EXPECT_EQ(log, (std::vector<std::string>{"first.map", "click", "second.map"}));
  EXPECT_EQ(firstPngsWhenSecondBegan, 2u) << "the first file was not finished";
  EXPECT_EQ(h.Rows("LBresults").size(), 7u);
  EXPECT_EQ(CountPngs(dir, "second "), 1u);
  EXPECT_TRUE(h.messages.empty());
}

}  // namespace
