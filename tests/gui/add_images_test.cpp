// The "Add Images" window through the Tools menu and real drops.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <fstream>

#include "addimages/add_images_window.h"
#include "framework/window.h"
#include "tests/support/gui_harness.h"

using testsupport::ProgramHarness;
using testsupport::TempDir;

namespace {
const char* const kInstruction = "Drag Auger .MAP files into this window for element-by-element adding.";

addimages::AddImages* OpenAddImages() {
  ProgramHarness::ChooseMenu("ToolsAddImages");
  return static_cast<addimages::AddImages*>(fw::GetImplicitWindow("AddImages.AddImages"));
}

std::vector<std::string> Touch(const TempDir& dir, std::initializer_list<const char*> names) {
  std::vector<std::string> paths;
  for (const char* n : names) {
    std::ofstream(dir.File(n)) << "x";
    paths.push_back(dir.File(n));
  }
  return paths;
}
}  // namespace

TEST(AddImagesGui, MenuShowsTheWindowAndDropsChangeTheText) {
  TempDir dir;
  ProgramHarness h;
  addimages::AddImages* w = OpenAddImages();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Title(), "Add Images");
  EXPECT_EQ(w->Width(), 300);
  EXPECT_EQ(w->Height(), 300);
  EXPECT_TRUE(w->Host()->isVisible());
  EXPECT_EQ(w->ST()->Text(), kInstruction);
  EXPECT_EQ(w->Host()->menuWidget(), nullptr);  // no menu bar of its own

  ProgramHarness::Drop(w, Touch(dir, {"abc2.map", "abc1.map", "notes.txt", "abc3.MAP"}));
  ProgramHarness::Settle();
  EXPECT_EQ(w->ST()->Text(), "abc1.map\nabc2.map\nabc3.MAP\n3  abc\nbasename = 'abc1-3'");
  ASSERT_EQ(w->ff.size(), 3u);
  EXPECT_EQ(w->ff[0]->DisplayName(), "abc1.map");
  EXPECT_EQ(w->fname[2], "abc3.MAP");

  // A drop that keeps fewer than two files leaves the summary on screen.
  ProgramHarness::Drop(w, Touch(dir, {"only.map", "x.mapx"}));
  ProgramHarness::Settle();
  EXPECT_EQ(w->ST()->Text(), "abc1.map\nabc2.map\nabc3.MAP\n3  abc\nbasename = 'abc1-3'");
  EXPECT_EQ(w->fname, std::vector<std::string>{"only.map"});

  // The command shows the same window, its text unchanged; the main window
  // keeps its content.
  EXPECT_EQ(OpenAddImages(), w);
  EXPECT_EQ(w->ST()->Text(), "abc1.map\nabc2.map\nabc3.MAP\n3  abc\nbasename = 'abc1-3'");
  EXPECT_EQ(h.Rows("LBraw").size(), 11u);
  // Nothing was read or written.
  EXPECT_EQ(dir.Names().size(), 6u);
}

TEST(AddImagesGui, ClosingAndReopeningGivesTheInstructionAgain) {
  TempDir dir;
  ProgramHarness h;
  addimages::AddImages* w = OpenAddImages();
  ProgramHarness::Drop(w, Touch(dir, {"scan10.map", "scan12.map"}));
  ProgramHarness::Settle();
  EXPECT_EQ(w->ST()->Text(), "scan10.map\nscan12.map\n5  scan1\nbasename = 'scan10-2'");
  w->Close();
  ProgramHarness::Settle();
  EXPECT_EQ(fw::GetImplicitWindow("AddImages.AddImages"), nullptr);
  EXPECT_FALSE(fw::Quitting());  // closing this window does not quit
  addimages::AddImages* fresh = OpenAddImages();
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->ST()->Text(), kInstruction);
  EXPECT_TRUE(fresh->ff.empty());
}
