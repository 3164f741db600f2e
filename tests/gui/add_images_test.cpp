// The "Add Images" window through the Tools command and real drops: the one
// home of the Tools command.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <QPointer>

#include "addimages/add_images_window.h"
#include "framework/window.h"
#include "tests/support/gui_harness.h"
#include "tests/support/program_files.h"

using testsupport::ProgramHarness;
using testsupport::TempDir;

namespace {

const char* const kInstruction = "Drag Auger .MAP files into this window for element-by-element adding.";
const char* const kSummary = "abc1.map\nabc2.map\nabc3.MAP\n3  abc\nbasename = 'abc1-3'";

addimages::AddImages* ChooseTools() {
  ProgramHarness::ChooseMenu("ToolsAddImages");
  return static_cast<addimages::AddImages*>(fw::GetImplicitWindow("AddImages.AddImages"));
}

TEST(AddImagesGui, ToolsShowsTheWindowAndDropsChangeItsText) {
  TempDir dir;
  ProgramHarness h;
  addimages::AddImages* w = ChooseTools();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Title(), "Add Images");
  EXPECT_EQ(std::pair(w->Width(), w->Height()), std::pair(300, 300));
  EXPECT_TRUE(w->Host()->isVisible());
  EXPECT_EQ(w->ST()->Text(), kInstruction);
  EXPECT_EQ(w->Host()->menuWidget(), nullptr);  // no menu bar of its own

  ProgramHarness::Drop(w, testsupport::TouchFiles(dir, {"abc2.map", "abc1.map", "notes.txt", "abc3.MAP"}));
  ProgramHarness::Settle();
  EXPECT_EQ(w->ST()->Text(), kSummary);

  // A drop that keeps fewer than two files leaves the summary on screen.
  ProgramHarness::Drop(w, testsupport::TouchFiles(dir, {"only.map", "x.mapx"}));
  ProgramHarness::Settle();
  EXPECT_EQ(w->ST()->Text(), kSummary);

  // Tools again shows the same window, its text unchanged; the main window
  // keeps its content, and nothing was read or written.
  EXPECT_EQ(ChooseTools(), w);
  EXPECT_EQ(w->ST()->Text(), kSummary);
  EXPECT_EQ(h.Rows("LBraw"), testsupport::kHelpRows);
  EXPECT_EQ(dir.Names().size(), 6u);

  // Closed, it is destroyed once no handler runs, and does not quit; Tools
  // then gives a fresh window.
  const QPointer<QMainWindow> host = w->Host();
  w->Close();
  ProgramHarness::Settle();
  EXPECT_TRUE(host.isNull());
  EXPECT_EQ(fw::GetImplicitWindow("AddImages.AddImages"), nullptr);
  EXPECT_FALSE(fw::Quitting());
  addimages::AddImages* fresh = ChooseTools();
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->ST()->Text(), kInstruction);
}

}  // namespace
