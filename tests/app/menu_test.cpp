// The menu bar: its items as the user sees them, and where each choice goes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "app/implicit.h"
#include "app/menu_bar1.h"
#include "framework/application.h"
#include "framework/menu.h"
#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"

using testsupport::ProgramHarness;

namespace {

fw::MenuItem* Item(const std::string& name) {
  fw::MenuBar* bar = app::implicit::MenuBar1();
  for (int i = 0; i < bar->Count(); ++i)
    if (fw::MenuItem* item = bar->Item(i)->Child(name)) return item;
  return nullptr;
}

bool Enabled(const std::string& name) {
  fw::UpdateMenuEnabling();
  return Item(name)->Action()->isEnabled();
}

void BringToFront(fw::Window* w) {
  w->Host()->activateWindow();
  ProgramHarness::Settle();
  ASSERT_EQ(fw::FrontWindow(), w);
}

// One row per item of the main window's menu bar, in order: its menu, its
// text and the key that chooses it from any window.
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
  EXPECT_FALSE(Enabled("FileClose"));
  EXPECT_TRUE(Enabled("ToolsAddImages"));
  QTest::keyClick(addImages->Host(), Qt::Key_W, Qt::ControlModifier);
  ProgramHarness::ChooseMenu("FileClose");
  ProgramHarness::Settle();
  EXPECT_FALSE(fw::Quitting());
  EXPECT_TRUE(addImages->IsOpen());

  BringToFront(h.main());
  EXPECT_TRUE(Enabled("FileClose"));
  BringToFront(addImages);
  QTest::keyClick(addImages->Host(), Qt::Key_Q, Qt::ControlModifier);
  ProgramHarness::Settle();
  EXPECT_TRUE(fw::Quitting());
  EXPECT_EQ(fw::ExitCode(), 0);
}

TEST(Menus, EditItemsAreDisabledButCopyTakesTheSelectedRowOfTheFocusedList) {
  ProgramHarness h;
  for (const char* name : {"EditUndo", "EditCut", "EditCopy", "EditPaste", "EditClear"})
    EXPECT_FALSE(Enabled(name)) << name;
  auto* list = qobject_cast<QListWidget*>(h.main()->LBraw()->Widget());
  ASSERT_NE(list, nullptr);
  h.main()->Host()->activateWindow();
  list->setFocus();
  ProgramHarness::Settle();
  ASSERT_EQ(QApplication::focusWidget(), list) << "the offscreen platform gave no focus";
  EXPECT_FALSE(Enabled("EditCopy")) << "focused, nothing selected";
  list->setCurrentRow(2);
  ProgramHarness::ChooseMenu("EditCopy");
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "Program to open .map and .sem");
  EXPECT_FALSE(Enabled("EditPaste"));
  list->setCurrentRow(3);
  QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
  ProgramHarness::Settle();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "data files from PHI");
}

}  // namespace
