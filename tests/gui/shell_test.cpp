// The main window within the shell: the "Open..." dialog, and quitting by its
// close box, File > Close or Quit.
#include <gtest/gtest.h>

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

// A choice goes to the front window, else to the application: with Add
// Images in front (opened by its key), "Close" is disabled and "Quit" works.
TEST(ShellGui, CloseAndQuitGoToTheFrontWindowElseTheApplication) {
  const struct {
    const char* how;
    bool addImages;
    Qt::Key key;  // with Ctrl; none: the close box
    bool quits;
  } rows[] = {
      {"the close box", false, Qt::Key_unknown, true},
      {"File > Close", false, Qt::Key_W, true},
      {"Close with Add Images in front", true, Qt::Key_W, false},
      {"Quit with Add Images in front", true, Qt::Key_Q, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.how);
    ProgramHarness h;
    if (row.addImages) QTest::keyClick(h.main()->Host(), Qt::Key_A, Qt::ControlModifier);
    ProgramHarness::Settle();
    fw::Window* front = fw::FrontWindow();
    ASSERT_EQ(front->ClassName(), row.addImages ? "AddImages.AddImages" : "Main.Main");
    EXPECT_EQ(ProgramHarness::MenuEnabled("FileClose"), !row.addImages);
    if (row.key == Qt::Key_unknown)
      front->Host()->close();
    else
      QTest::keyClick(front->Host(), row.key, Qt::ControlModifier);
    ProgramHarness::Settle();
    EXPECT_EQ(fw::Quitting(), row.quits);
    EXPECT_EQ(fw::ExitCode(), 0);
    EXPECT_TRUE(h.reports.empty());
  }
}

}  // namespace
