// The menu bar: its tree, its toolkit actions and where each choice goes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "addimages/add_images_window.h"
#include "app/app_object.h"
#include "app/implicit.h"
#include "app/menu_bar1.h"
#include "framework/application.h"
#include "framework/menu.h"
#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"

using testsupport::ProgramHarness;

namespace {

struct MenuRow {
  const char* parent;  // nullptr: a menu of the bar
  const char* name;
  const char* text;
  const char* shortcut;  // as stored
  const char* keys;      // the toolkit's key sequence
  bool quitItem;
};

const MenuRow kMenuTable[] = {
    {nullptr, "FileMenu", "&File", "", "", false},
    {"FileMenu", "FileClose", "Close", "Cmd+w", "Ctrl+W", false},
    {"FileMenu", "FileQuit", "Quit", "Cmd+Q", "Ctrl+Q", true},
    {nullptr, "EditMenu", "&Edit", "", "", false},
    {"EditMenu", "EditUndo", "&Undo", "Cmd+Z", "Ctrl+Z", false},
    {"EditMenu", "UntitledMenu0", "-", "", "", false},  // the separator: its shortcut is never set
    {"EditMenu", "EditCut", "Cu&t", "Cmd+X", "Ctrl+X", false},
    {"EditMenu", "EditCopy", "&Copy", "Cmd+C", "Ctrl+C", false},
    {"EditMenu", "EditPaste", "&Paste", "Cmd+V", "Ctrl+V", false},
    {"EditMenu", "EditClear", "Clear", "", "", false},
    {nullptr, "ToolsMenu", "Tools", "", "", false},
    {"ToolsMenu", "ToolsAddImages", "Add Images...", "Cmd+A", "Ctrl+A", false},
};

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

TEST(MenuBar1Tree, IsBuiltOnceExactlyAsTheTable) {
  ProgramHarness h;
  app::MenuBar1* bar = app::implicit::MenuBar1();
  ASSERT_EQ(app::implicit::MenuBar1(), bar);
  EXPECT_EQ(app::implicit::App()->GetMenuBar(), bar);
  EXPECT_EQ(h.main()->GetMenuBar(), bar);
  ASSERT_EQ(bar->Count(), 3);  // a second build would append three more menus

  // Walk the bar in order and compare it row by row with the table.
  std::vector<const fw::MenuItem*> walked;
  std::vector<std::string> parents;
  for (int i = 0; i < bar->Count(); ++i) {
    walked.push_back(bar->Item(i));
    parents.push_back("");
    for (int j = 0; j < bar->Item(i)->Count(); ++j) {
      walked.push_back(bar->Item(i)->Item(j));
      parents.push_back(bar->Item(i)->Name());
      EXPECT_EQ(bar->Item(i)->Item(j)->Count(), 0);
    }
  }
  ASSERT_EQ(walked.size(), std::size(kMenuTable));
  for (size_t r = 0; r < walked.size(); ++r) {
    const MenuRow& row = kMenuTable[r];
    const fw::MenuItem* item = walked[r];
    SCOPED_TRACE(row.name);
    EXPECT_EQ(parents[r], row.parent ? row.parent : "");
    EXPECT_EQ(item->Name(), row.name);
    EXPECT_EQ(item->Text(), row.text);
    EXPECT_EQ(item->KeyboardShortcut(), row.shortcut);
    EXPECT_TRUE(item->AutoEnable());
    EXPECT_EQ(dynamic_cast<const fw::QuitMenuItem*>(item) != nullptr, row.quitItem);
  }
  // The window's accessors find the same item objects by name.
  EXPECT_EQ(h.main()->FileQuit(), Item("FileQuit"));
  EXPECT_EQ(h.main()->ToolsMenu(), bar->Item(2));
}

TEST(MenuBar1Tree, ActionsCarryTheShortcutsAndShowInTheMainWindow) {
  ProgramHarness h;
  for (const MenuRow& row : kMenuTable) {
    if (!row.parent) continue;
    SCOPED_TRACE(row.name);
    QAction* action = Item(row.name)->Action();
    EXPECT_EQ(action->text().toStdString(), row.text);
    EXPECT_EQ(action->shortcut().toString().toStdString(), row.keys);
    EXPECT_EQ(action->shortcutContext(), Qt::ApplicationShortcut);
    EXPECT_EQ(action->isSeparator(), std::string(row.text) == "-");
  }
  // The main window's menu bar shows the menus, holding the very same actions.
  const QList<QAction*> menus = h.main()->Host()->menuBar()->actions();
  ASSERT_EQ(menus.size(), 3);
  const char* const titles[] = {"&File", "&Edit", "Tools"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(menus[i]->text().toStdString(), titles[i]);
    fw::MenuItem* menu = app::implicit::MenuBar1()->Item(i);
    const QList<QAction*> items = menus[i]->menu()->actions();
    ASSERT_EQ(items.size(), menu->Count());
    for (int j = 0; j < menu->Count(); ++j) EXPECT_EQ(items[j], menu->Item(j)->Action());
  }
}

TEST(MenuRouting, CloseWithTheMainWindowInFrontQuitsWithCodeZeroAndReturnsFalse) {
  ProgramHarness h;
  EXPECT_TRUE(Enabled("FileClose"));
  ProgramHarness::ChooseMenu("FileClose");
  EXPECT_TRUE(fw::Quitting());
  EXPECT_EQ(fw::ExitCode(), 0);
  const fw::Delegate* handler = h.main()->MenuHandler("FileClose");
  ASSERT_NE(handler, nullptr);
  EXPECT_EQ(handler->signature, "(  ) as Boolean");
  EXPECT_FALSE(handler->call());
}

TEST(MenuRouting, WithAddImagesInFrontCloseIsDisabledAndTheOthersWork) {
  ProgramHarness h;
  const fw::Delegate* tools = app::implicit::App()->MenuHandler("ToolsAddImages");
  ASSERT_NE(tools, nullptr);
  EXPECT_FALSE(tools->call());  // shows the window; the result is False
  fw::Window* addImages = fw::GetImplicitWindow("AddImages.AddImages");
  ASSERT_NE(addImages, nullptr);
  ProgramHarness::Settle();
  ASSERT_EQ(fw::FrontWindow(), addImages);

  EXPECT_FALSE(Enabled("FileClose"));
  EXPECT_TRUE(Enabled("ToolsAddImages"));
  EXPECT_TRUE(Enabled("FileQuit"));
  ProgramHarness::ChooseMenu("FileClose");
  EXPECT_FALSE(fw::Quitting());
  EXPECT_TRUE(addImages->IsOpen());

  ProgramHarness::ChooseMenu("ToolsAddImages");
  EXPECT_EQ(fw::GetImplicitWindow("AddImages.AddImages"), addImages);
  EXPECT_EQ(fw::OpenWindows().size(), 2u);
  EXPECT_EQ(h.Rows("LBraw").size(), 11u);  // the main window keeps its content

  // The main window back in front takes "Close" again.
  h.main()->Host()->activateWindow();
  ProgramHarness::Settle();
  EXPECT_EQ(fw::FrontWindow(), h.main());
  EXPECT_TRUE(Enabled("FileClose"));
  addImages->Host()->activateWindow();
  ProgramHarness::Settle();
  EXPECT_FALSE(Enabled("FileClose"));

  ProgramHarness::ChooseMenu("FileQuit");
  EXPECT_TRUE(fw::Quitting());
  EXPECT_EQ(fw::ExitCode(), 0);
}

TEST(MenuRouting, ShortcutsWorkFromEveryWindow) {
  ProgramHarness h;
  h.main()->Host()->activateWindow();
  ProgramHarness::Settle();
  QTest::keyClick(h.main()->Host(), Qt::Key_A, Qt::ControlModifier);
  ProgramHarness::Settle();
  fw::Window* addImages = fw::GetImplicitWindow("AddImages.AddImages");
  ASSERT_NE(addImages, nullptr) << "Ctrl+A did not reach the Tools command";
  addImages->Host()->activateWindow();
  ProgramHarness::Settle();
  ASSERT_EQ(fw::FrontWindow(), addImages);
  QTest::keyClick(addImages->Host(), Qt::Key_W, Qt::ControlModifier);  // Close is disabled here
  ProgramHarness::Settle();
  EXPECT_FALSE(fw::Quitting());
  QTest::keyClick(addImages->Host(), Qt::Key_Q, Qt::ControlModifier);
  ProgramHarness::Settle();
  EXPECT_TRUE(fw::Quitting());
  EXPECT_EQ(fw::ExitCode(), 0);
}

TEST(MenuRouting, EditItemsAreDisabledAndCopyTakesTheSelectedRowOfTheFocusedList) {
  ProgramHarness h;
  for (const char* name : {"EditUndo", "EditCut", "EditCopy", "EditPaste", "EditClear"})
    EXPECT_FALSE(Enabled(name)) << name;

  auto* list = qobject_cast<QListWidget*>(h.main()->LBraw()->Widget());
  ASSERT_NE(list, nullptr);
  h.main()->Host()->activateWindow();
  list->setFocus();
  ProgramHarness::Settle();
  ASSERT_EQ(QApplication::focusWidget(), list) << "the offscreen platform gave no focus";
  EXPECT_FALSE(Enabled("EditCopy"));  // focused, nothing selected
  list->setCurrentRow(2);
  ASSERT_TRUE(Enabled("EditCopy"));
  QApplication::clipboard()->setText("before");
  ProgramHarness::ChooseMenu("EditCopy");
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "Program to open .map and .sem");
  for (const char* name : {"EditUndo", "EditCut", "EditPaste", "EditClear"}) EXPECT_FALSE(Enabled(name)) << name;

  // The same by the keyboard, from another row.
  list->setCurrentRow(3);
  QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
  ProgramHarness::Settle();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "data files from PHI");
  EXPECT_FALSE(fw::Quitting());
}

}  // namespace
