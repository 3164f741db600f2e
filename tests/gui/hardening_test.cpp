// The main window used as a keyboard user and a small screen use it: Edit >
// Copy chosen through the menu opened by its mnemonic, and a message box wide
// enough for its title.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "framework/dialogs.h"
#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"

using testsupport::ProgramHarness;

namespace {

// Opens the Edit menu with Alt+E and picks "Copy" with the arrow keys and
// Return, as a keyboard user does; the keys skip a disabled "Copy", and then
// Escape closes the menu. False when the menu did not open.
bool CopyThroughTheMenu(QMainWindow* host) {
  QTest::keyClick(host, Qt::Key_E, Qt::AltModifier);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (!menu) return false;
  // Undo, the separator, Cut, then Copy: three steps down from the top.
  QTest::keyClick(menu, Qt::Key_Home);
  for (int i = 0; i < 3 && menu->activeAction() && menu->activeAction()->text() != "&Copy"; ++i)
    QTest::keyClick(menu, Qt::Key_Down);
  const bool onCopy = menu->activeAction() && menu->activeAction()->text() == "&Copy";
  QTest::keyClick(menu, onCopy ? Qt::Key_Return : Qt::Key_Escape);
  ProgramHarness::Settle();
  return true;
}

}  // namespace

TEST(KeyboardMenu, EditCopyChosenFromTheMenuCopiesTheSelectedRowAndFollowsTheSelection) {
  ProgramHarness h;
  QMainWindow* host = h.main()->Host();
  auto* list = qobject_cast<QListWidget*>(h.main()->LBraw()->Widget());
  host->activateWindow();
  list->setFocus();
  ProgramHarness::Settle();
  ASSERT_EQ(QApplication::focusWidget(), list) << "the offscreen platform gave no focus";

  struct Step {
    const char* name;
    int row;  // -1: no selection
    const char* copied;
  };
  const Step steps[] = {
      {"a selected row", 2, "Program to open .map and .sem"},
      {"another row, chosen again after the first", 3, "data files from PHI"},
      {"no selection: Copy disabled, nothing copied", -1, "unchanged"},
      {"a row selected after an empty choice", 5, "Click 'Open...' to open a single file"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    host->activateWindow();  // a window manager gives the window back its activation
    if (step.row < 0)
      list->clearSelection();
    else
      list->setCurrentRow(step.row);
    ProgramHarness::Settle();
    QApplication::clipboard()->setText("unchanged");
    ASSERT_TRUE(CopyThroughTheMenu(host)) << "Alt+E opened no menu";
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), step.copied);
  }
}

TEST(WindowSizes, AMessageBoxIsWideEnoughForItsTitle) {
  ProgramHarness h;
  fw::SetMsgBoxPresenter(nullptr);  // the real box
  int width = 0, titleWidth = 0, textWidth = 0;
  QObject inspector;  // takes the timer with it even if the box never shows
  QTimer::singleShot(0, &inspector, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    width = box->width();
    titleWidth = box->fontMetrics().horizontalAdvance(box->windowTitle());
    textWidth = box->fontMetrics().horizontalAdvance(box->text());
    box->accept();
  });
  fw::MsgBox("file too large");
  ASSERT_GT(titleWidth, 0) << "no message box was shown";
  // A title bar holds the title and, beside it, the window's buttons.
  EXPECT_GE(width, titleWidth + 3 * 24);
  EXPECT_GE(width, textWidth);
}
