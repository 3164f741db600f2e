// The main window within the shell: the "Open..." dialog, quitting by its
// close box or by File > Close, and the tab order.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QTest>

#include "framework/application.h"
#include "framework/window.h"
#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"
#include "tests/support/program_files.h"

using testsupport::ProgramHarness;
using testsupport::TempDir;

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

}  // namespace
