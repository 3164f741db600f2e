// The menu bar: its items as the user sees them, and where each choice goes.
// Edit > Copy on a selected row is the keyboard menu's test.
#include <gtest/gtest.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "framework/application.h"
#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"

using testsupport::ProgramHarness;

namespace {

void BringToFront(fw::Window* w) {
  w->Host()->activateWindow();
  ProgramHarness::Settle();
  ASSERT_EQ(fw::FrontWindow(), w);
}

// One row per item of the main window's menu bar, in order: its menu, its
// text and the key that chooses it from any window. With no list focused,
// the Edit items are disabled.
TEST(Menus, TheMainWindowShowsEveryItemWithItsShortcut) {
  ProgramHarness h;
  std::vector<std::string> shown;
  for (QAction* menu : h.main()->Host()->menuBar()->actions())
    for (QAction* item : menu->menu()->actions()) {
      shown.push_back(menu->text().toStdString() + " > " + (item->isSeparator() ? "-" : item->text().toStdString()) +
                      " " + item->shortcut().toString().toStdString());
      EXPECT_TRUE(item->isSeparator() || item->shortcutContext() == Qt::ApplicationShortcut) << shown.back();
    }
  EXPECT_EQ(shown, (std::vector<std::string>{"&File > Close Ctrl+W", "&File > Quit Ctrl+Q", "&Edit > &Undo Ctrl+Z",
                                             "&Edit > - ", "&Edit > Cu&t Ctrl+X", "&Edit > &Copy Ctrl+C",
                                             "&Edit > &Paste Ctrl+V", "&Edit > Clear ", "Tools > Add Images... Ctrl+A"}));
  for (const char* name : {"EditUndo", "EditCut", "EditCopy", "EditPaste", "EditClear"})
    EXPECT_FALSE(ProgramHarness::MenuEnabled(name)) << name;
}

// With Add Images in front, "Close" is disabled and the other commands work,
// by menu and by key; the main window in front takes "Close" again.
TEST(Menus, ChoicesGoToTheFrontWindowElseTheApplication) {
  ProgramHarness h;
  BringToFront(h.main());
  QTest::keyClick(h.main()->Host(), Qt::Key_A, Qt::ControlModifier);
  ProgramHarness::Settle();
  fw::Window* addImages = fw::GetImplicitWindow("AddImages.AddImages");
  ASSERT_NE(addImages, nullptr) << "Ctrl+A did not reach the Tools command";
  BringToFront(addImages);
  EXPECT_FALSE(ProgramHarness::MenuEnabled("FileClose"));
  EXPECT_TRUE(ProgramHarness::MenuEnabled("ToolsAddImages"));
  QTest::keyClick(addImages->Host(), Qt::Key_W, Qt::ControlModifier);
  ProgramHarness::ChooseMenu("FileClose");
  EXPECT_FALSE(fw::Quitting());
  EXPECT_TRUE(addImages->IsOpen());

  BringToFront(h.main());
  EXPECT_TRUE(ProgramHarness::MenuEnabled("FileClose"));
  BringToFront(addImages);
  QTest::keyClick(addImages->Host(), Qt::Key_Q, Qt::ControlModifier);
  ProgramHarness::Settle();
  EXPECT_TRUE(fw::Quitting());
  EXPECT_EQ(fw::ExitCode(), 0);
}

}  // namespace
