// The main window within the shell: the "Open..." dialog, quitting by its
// close box or by File > Close, the Tools command, the tab order, and events
// that arrive while a conversion yields.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QTest>
#include <fstream>
#include <functional>

#include "addimages/add_images_window.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/window.h"
#include "framework/yield.h"
#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"

using testsupport::ProgramHarness;
using testsupport::TempDir;

namespace {

const char* const kInstruction = "Drag Auger .MAP files into this window for element-by-element adding.";

std::string WriteMap(const TempDir& dir, const std::string& name, int size, std::vector<std::string> species) {
  testsupport::MapSpec spec;
  spec.width = size;
  spec.height = size;
  spec.species = std::move(species);
  testsupport::WriteMapFile(dir.File(name), spec);
  return dir.File(name);
}

size_t PngsStartingWith(const TempDir& dir, const std::string& base) {
  size_t n = 0;
  for (const auto& name : dir.Names())
    n += name.rfind(base + " ", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".png";
  return n;
}

addimages::AddImages* AddImagesWindow() {
  return static_cast<addimages::AddImages*>(fw::GetImplicitWindow("AddImages.AddImages"));
}

TEST(ShellGui, CancelledOpenDialogLeavesBothListsEmptyAndWorking) {
  ProgramHarness h;
  h.ClickOpen("");
  EXPECT_TRUE(h.Rows("LBraw").empty());
  EXPECT_TRUE(h.Rows("LBresults").empty());
  EXPECT_EQ(h.Status(), "working...");
  EXPECT_TRUE(h.messages.empty());
  EXPECT_FALSE(fw::Quitting());
}

TEST(ShellGui, AFileOfAnotherSuffixThroughTheDialogIsRefusedInTheResults) {
  TempDir dir;
  std::ofstream(dir.File("notes.txt")) << "NoMapPixelsXY: 4 4\n";
  ProgramHarness h;
  h.ClickOpen(dir.File("notes.txt"));
  EXPECT_EQ(h.Rows("LBresults"), (std::vector<std::string>{"This program can only open", ".map and .sem files."}));
  EXPECT_TRUE(h.Rows("LBraw").empty());
  EXPECT_EQ(h.Status(), "");
  EXPECT_TRUE(h.messages.empty());
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"notes.txt"});
}

TEST(ShellGui, CloseBoxAndFileCloseQuitWithCodeZero) {
  const struct {
    const char* how;
    std::function<void(ProgramHarness&)> close;
  } kRows[] = {
      {"close box", [](ProgramHarness& h) { h.main()->Host()->close(); }},
      {"File > Close", [](ProgramHarness&) { ProgramHarness::ChooseMenu("FileClose"); }},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.how);
    ProgramHarness h;
    ASSERT_FALSE(fw::Quitting());
    row.close(h);
    ProgramHarness::Settle();
    EXPECT_TRUE(fw::Quitting());
    EXPECT_EQ(fw::ExitCode(), 0);
    EXPECT_TRUE(h.reports.empty());
  }
}

TEST(ShellGui, ToolsCommandShowsTheOpenWindowOrAFreshOneAfterClosing) {
  TempDir dir;
  const std::vector<std::string> files = {WriteMap(dir, "abc1.map", 2, {"O"}), WriteMap(dir, "abc2.map", 2, {"O"})};
  ProgramHarness h;
  ProgramHarness::ChooseMenu("ToolsAddImages");
  addimages::AddImages* first = AddImagesWindow();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->Host()->isVisible());
  EXPECT_EQ(first->ST()->Text(), kInstruction);
  ProgramHarness::Drop(first, files);
  ProgramHarness::Settle();
  const std::string summary = first->ST()->Text();
  ASSERT_NE(summary, kInstruction);

  ProgramHarness::ChooseMenu("ToolsAddImages");
  EXPECT_EQ(AddImagesWindow(), first);
  EXPECT_EQ(first->ST()->Text(), summary);
  EXPECT_EQ(first->fname.size(), 2u);

  first->Host()->close();
  ProgramHarness::Settle();
  EXPECT_EQ(AddImagesWindow(), nullptr);
  EXPECT_FALSE(fw::Quitting());
  ProgramHarness::ChooseMenu("ToolsAddImages");
  addimages::AddImages* fresh = AddImagesWindow();
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->ST()->Text(), kInstruction);
  EXPECT_TRUE(fresh->fname.empty());
  EXPECT_EQ(h.Rows("LBraw").size(), 11u);  // the main window keeps its content
  EXPECT_EQ(h.Status(), "");
}

TEST(ShellGui, TabOrderFollowsTabIndex) {
  ProgramHarness h;
  mapconv::Main* w = h.main();
  // The focus chain holds every control in TabIndex order, the file-name line
  // included, although a label never takes the focus itself.
  // The list boxes' own inner widgets sit in the chain as well.
  QWidget* start = w->PushButton1()->Widget();
  std::vector<std::string> chain;
  for (QWidget* at = start->nextInFocusChain(); at != start && chain.size() < 10; at = at->nextInFocusChain())
    if (w->ControlByName(at->objectName().toStdString())) chain.push_back(at->objectName().toStdString());
  EXPECT_EQ(chain, (std::vector<std::string>{"LBraw", "LBresults", "STfilename", "CB_autosave"}));

  // With the keyboard, the label is passed over.
  w->Host()->activateWindow();
  w->PushButton1()->Widget()->setFocus(Qt::TabFocusReason);
  ProgramHarness::Settle();
  if (QApplication::focusWidget() != w->PushButton1()->Widget())
    GTEST_SKIP() << "the platform gives no keyboard focus (a button may not take tab focus here)";
  std::vector<std::string> tabbed;
  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    tabbed.push_back(QApplication::focusWidget()->objectName().toStdString());
  }
  EXPECT_EQ(tabbed, (std::vector<std::string>{"LBraw", "LBresults", "CB_autosave"}));
}

// Events that arrive while OpenFile yields run after it, never inside it.
TEST(ShellGui, ADropOrAClickDuringAConversionRunsAfterIt) {
  const struct {
    const char* what;
    std::function<void(ProgramHarness&, const std::string&)> act;
  } kRows[] = {
      {"drop", [](ProgramHarness& h, const std::string& path) { ProgramHarness::Drop(h.main(), {path}); }},
      {"click on Open...",
       [](ProgramHarness& h, const std::string& path) {
         fw::SetOpenDialogPresenter([path](const std::string&) { return fw::FolderItem::FromPath(path); });
         QTest::mouseClick(h.main()->PushButton1()->Widget(), Qt::LeftButton);
       }},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    const std::string first = WriteMap(dir, "first.map", 64, {"C1", "O1"});
    const std::string second = WriteMap(dir, "second.map", 8, {"N1"});
    ProgramHarness h;
    std::vector<std::string> log;  // each new status text, and the moment of the second event
    std::string lastStatus;
    bool sent = false;
    int yields = 0;
    size_t firstPngsWhenSecondBegan = 99;
    fw::SetYieldHook([&] {
      const std::string status = h.Status();
      if (status != lastStatus) {
        lastStatus = status;
        log.push_back(status);
        if (status == "second.map") firstPngsWhenSecondBegan = PngsStartingWith(dir, "first");
      }
      // Send the second event while the first file's first image is being read.
      if (!sent && status == "first.map" && h.Rows("LBresults").size() == 4) {
        sent = true;
        row.act(h, second);
        log.push_back("second event sent");
      }
      // Let events through now and then, as the yield does once its time
      // slice is up, whatever the speed of this machine.
      if (sent && ++yields % 512 == 0) QCoreApplication::processEvents();
    });
    ProgramHarness::Drop(h.main(), {first});
    ProgramHarness::Settle();
    fw::SetYieldHook(nullptr);

    ASSERT_TRUE(sent);
    EXPECT_EQ(log, (std::vector<std::string>{"first.map", "second event sent", "second.map"}));
    EXPECT_EQ(firstPngsWhenSecondBegan, 2u);  // the first file was finished
    EXPECT_EQ(h.Status(), "second.map");
    EXPECT_EQ(h.Rows("LBresults").size(), 7u);
    EXPECT_EQ(PngsStartingWith(dir, "second"), 1u);
    EXPECT_TRUE(h.messages.empty());
  }
}

// Quitting while a conversion yields: the conversion unwinds, what waits in
// the queue is dropped, no partial file stays, and nothing is reported.
TEST(ShellGui, ClosingTheMainWindowDuringAConversionQuitsCleanly) {
  TempDir dir;
  const std::string first = WriteMap(dir, "first.map", 64, {"C1", "O1"});
  const std::string second = WriteMap(dir, "second.map", 8, {"N1"});
  ProgramHarness h;
  mapconv::Main* w = h.main();
  bool closed = false;
  fw::SetYieldHook([&] {
    // During the second image, with the first one saved.
    if (!closed && w->LBresults()->ListCount() == 7) {
      closed = true;
      ProgramHarness::Drop(w, {second});
      w->Host()->close();
    }
  });
  ProgramHarness::Drop(w, {first});
  ProgramHarness::Settle();
  fw::SetYieldHook(nullptr);

  ASSERT_TRUE(closed);
  EXPECT_TRUE(fw::Quitting());
  EXPECT_EQ(fw::ExitCode(), 0);
  EXPECT_TRUE(h.reports.empty());
  EXPECT_EQ(h.main(), nullptr);
  EXPECT_EQ(PngsStartingWith(dir, "first"), 1u);
  EXPECT_EQ(PngsStartingWith(dir, "second"), 0u);
  EXPECT_EQ(dir.Names().size(), 3u);  // the two inputs and one finished picture
}

}  // namespace
