// The main window as a user first meets it: its tab order (passing over the
// file-name label), and resized with its control locks, larger and down to
// its minimum, where every control still shows whole and apart.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QTest>

#include "framework/window.h"
#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"
#include "tests/support/program_files.h"

using testsupport::ProgramHarness;

TEST(MainWindowGui, FirstStateAndResizingWithTheLocks) {
  ProgramHarness h;
  mapconv::Main* w = h.main();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Title(), "Orvistella");
  EXPECT_EQ(h.Rows("LBraw"), testsupport::kHelpRows);
  EXPECT_TRUE(h.Rows("LBresults").empty());
  EXPECT_EQ(h.Status(), "");
  EXPECT_TRUE(w->CB_autosave()->Value());
  EXPECT_EQ(w->CB_autosave()->Caption(), "Auto-save PNG Files");
  EXPECT_EQ(w->PushButton1()->Caption(), "Open...");

  const auto resize = [&](QSize grow) {
    w->Host()->resize((w->Host()->size() + grow).expandedTo({1, 1}));
    ProgramHarness::Settle();
    const QList<QWidget*> controls = w->Content()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* a : controls) {
      const std::string name = a->objectName().toStdString();
      EXPECT_TRUE(w->Content()->rect().contains(a->geometry()) && !a->geometry().isEmpty()) << name << " is cut off";
      for (QWidget* b : controls)
        EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
            << name << " overlaps " << b->objectName().toStdString();
    }
    // The header list keeps at least a few rows' height.
    auto* header = qobject_cast<QListWidget*>(w->LBraw()->Widget());
    EXPECT_GE(header->height(), header->minimumSizeHint().height());
  };
  resize({100, 50});  // the content starts at 300 x 600
  ASSERT_EQ(std::pair(w->Width(), w->Height()), std::pair(400, 650));
  const struct {
    const char* control;
    QRect geometry;
  } rows[] = {
      {"LBraw", QRect(20, 74, 360, 256)},      // all four locks: grows both ways
      {"LBresults", QRect(20, 342, 360, 288)},  // follows the bottom at its height
      {"PushButton1", QRect(20, 14, 69, 20)},
      {"STfilename", QRect(101, 43, 140, 20)},
      {"CB_autosave", QRect(110, 14, 140, 20)},
  };
  for (const auto& row : rows) EXPECT_EQ(w->ControlByName(row.control)->Widget()->geometry(), row.geometry) << row.control;

  resize({-5000, -5000});  // held at its minimum, below the stored size
  EXPECT_GE(w->Width(), 300);
  EXPECT_GE(w->Height(), 300);
  EXPECT_LE(w->Height(), 600);

  w->Host()->activateWindow();
  w->PushButton1()->Widget()->setFocus(Qt::TabFocusReason);
  ProgramHarness::Settle();
  if (QApplication::focusWidget() != w->PushButton1()->Widget())
    GTEST_SKIP() << "the platform gives no keyboard focus (a button may not take tab focus here)";
  std::vector<std::string> tabbed;
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    tabbed.push_back(QApplication::focusWidget()->objectName().toStdString());
  }
  EXPECT_EQ(tabbed, (std::vector<std::string>{"LBraw", "LBresults", "CB_autosave", "PushButton1"}));
}
