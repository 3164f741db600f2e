// The main window as a user meets it: first state, resizing, drops, the
// "Open..." dialog, and the lists after a conversion.
#include <gtest/gtest.h>

#include <QAction>
#include <QMainWindow>

#include "framework/window.h"
#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"

using testsupport::ProgramHarness;
using testsupport::TempDir;

TEST(MainWindowGui, FirstStateAndResizingWithTheLocks) {
  ProgramHarness h;
  mapconv::Main* w = h.main();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Title(), "Orvistella");
  EXPECT_EQ(w->Width(), 300);
  EXPECT_EQ(w->Height(), 600);
  const std::vector<std::string> help = {"", "", "Program to open .map and .sem", "data files from PHI", "",
                                         "Click 'Open...' to open a single file", "", "-OR-", "",
                                         "Drag one or more files into this ", "window"};
  EXPECT_EQ(h.Rows("LBraw"), help);
  EXPECT_TRUE(h.Rows("LBresults").empty());
  EXPECT_EQ(h.Status(), "");
  EXPECT_TRUE(w->CB_autosave()->Value());
  EXPECT_EQ(w->CB_autosave()->Caption(), "Auto-save PNG Files");
  EXPECT_EQ(w->PushButton1()->Caption(), "Open...");

  w->Host()->resize(w->Host()->width() + 100, w->Host()->height() + 50);
  ProgramHarness::Settle();
  ASSERT_EQ(w->Width(), 400);
  ASSERT_EQ(w->Height(), 650);
  auto geometry = [&](const char* name) { return w->ControlByName(name)->Widget()->geometry(); };
  EXPECT_EQ(geometry("LBraw"), QRect(20, 74, 360, 256));      // all four locks: grows both ways
  EXPECT_EQ(geometry("LBresults"), QRect(20, 342, 360, 288));  // follows the bottom at its height
  EXPECT_EQ(geometry("PushButton1"), QRect(20, 14, 69, 20));
  EXPECT_EQ(geometry("STfilename"), QRect(101, 43, 140, 20));
  EXPECT_EQ(geometry("CB_autosave"), QRect(110, 14, 140, 20));

  w->Host()->resize(100, 100);  // not below the minimum content size
  ProgramHarness::Settle();
  EXPECT_GE(w->Width(), 300);
  EXPECT_GE(w->Height(), 300);
}

TEST(MainWindowGui, DropOfThreeFilesConvertsEachInOrder) {
  TempDir dir;
  std::vector<std::string> paths;
  for (const char* name : {"a.map", "b.sem", "c.map"}) {
    testsupport::MapSpec spec;
    spec.width = 8;
    spec.height = 6;
    spec.species = {"O1"};
    testsupport::WriteMapFile(dir.File(name), spec);
    paths.push_back(dir.File(name));
  }
  paths.insert(paths.begin() + 1, "http://example.invalid/not-a-file");
  ProgramHarness h;
  ProgramHarness::Drop(h.main(), paths);
  ProgramHarness::Settle();
  EXPECT_EQ(h.Status(), "c.map");
  const auto rows = h.Rows("LBresults");
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[0], "Pixel Size: 8(w) x 6(h)");
  EXPECT_EQ(rows[3], "Files Created:");
  EXPECT_EQ(rows[6], "c O1 (80nmw).png");
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a O1 (80nmw).png", "a.map", "b O1 (80nmw).png", "b.sem",
                                                   "c O1 (80nmw).png", "c.map"}));
}
