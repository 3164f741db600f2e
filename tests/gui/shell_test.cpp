// The main window within the shell: the "Open..." dialog, and quitting by its
// close box or by File > Close.
#include <gtest/gtest.h>

#include <QMainWindow>

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

}  // namespace
