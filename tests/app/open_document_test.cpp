// Documents handed over by the desktop: only ".sem" and ".map" names reach the
// main window; anything else is ignored without a trace.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <QTimer>
#include <filesystem>

#include "app/implicit.h"
#include "framework/application.h"
#include "framework/dispatch.h"
#include "framework/window.h"
#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"

using testsupport::ProgramHarness;
using testsupport::TempDir;

namespace {

const std::vector<std::string> kHelpRows = {"", "", "Program to open .map and .sem", "data files from PHI", "",
                                            "Click 'Open...' to open a single file", "", "-OR-", "",
                                            "Drag one or more files into this ", "window"};

std::string WriteMap(const TempDir& dir, const std::string& name) {
  testsupport::MapSpec spec;
  spec.width = 4;
  spec.height = 3;
  spec.species = {"Si1"};
  testsupport::WriteMapFile(dir.File(name), spec);
  return dir.File(name);
}

std::vector<std::string> HeaderRows() {
  testsupport::MapSpec spec;
  spec.width = 4;
  spec.height = 3;
  spec.species = {"Si1"};
  return testsupport::MapHeaderLines(spec);
}

size_t PngCount(const TempDir& dir) {
  size_t n = 0;
  for (const auto& name : dir.Names()) n += name.size() > 4 && name.substr(name.size() - 4) == ".png";
  return n;
}

// Runs the event loop until every queued action has run, then quits.
void RunLoopUntilIdle() {
  QTimer idle;
  QObject::connect(&idle, &QTimer::timeout, [] {
    if (!fw::ActionsPending() && !fw::ActionRunning()) fw::Quit(0);
  });
  idle.start(1);
  fw::RuntimeRun();
}

TEST(OpenDocumentRouting, ImageSuffixesAreOpenedInTheMainWindow) {
  for (const char* name : {"scan.sem", "scan.map", "SCAN.MAP", "Scan.Sem", ".map"}) {
    SCOPED_TRACE(name);
    TempDir dir;
    ProgramHarness h;
    fw::PostOpenDocument(fw::FolderItem::FromPath(WriteMap(dir, name)));
    ProgramHarness::Settle();
    EXPECT_EQ(h.Status(), name);
    EXPECT_EQ(h.Rows("LBraw"), HeaderRows());
    const auto results = h.Rows("LBresults");
    ASSERT_FALSE(results.empty());
    EXPECT_EQ(results[0], "Pixel Size: 4(w) x 3(h)");
    EXPECT_EQ(PngCount(dir), 1u);
    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(fw::OpenWindows().size(), 1u);
  }
}

TEST(OpenDocumentRouting, OtherNamesChangeNothingAtAll) {
  for (const char* name : {"map", "ab", "x.txt", "scan.mapx", "scan.ma", "scanmap", "scan.png"}) {
    SCOPED_TRACE(name);
    TempDir dir;
    ProgramHarness h;
    fw::PostOpenDocument(fw::FolderItem::FromPath(WriteMap(dir, name)));
    ProgramHarness::Settle();
    EXPECT_EQ(h.Rows("LBraw"), kHelpRows);
    EXPECT_TRUE(h.Rows("LBresults").empty());
    EXPECT_EQ(h.Status(), "");
    EXPECT_TRUE(h.messages.empty());
    EXPECT_TRUE(h.reports.empty());
    EXPECT_EQ(fw::OpenWindows().size(), 1u);
    EXPECT_EQ(dir.Names().size(), 1u);
  }
}

TEST(OpenDocumentRouting, WithoutAMainWindowOneIsMadeFirst) {
  TempDir dir;
  ProgramHarness h;
  fw::CloseAllWindows();
  ASSERT_EQ(h.main(), nullptr);
  fw::PostOpenDocument(fw::FolderItem::FromPath(WriteMap(dir, "late.map")));
  ProgramHarness::Settle();
  ASSERT_NE(h.main(), nullptr);
  EXPECT_TRUE(h.main()->Host()->isVisible());
  EXPECT_EQ(h.Status(), "late.map");
  EXPECT_EQ(PngCount(dir), 1u);
}

// Arguments that name no file (missing, a folder, empty) are passed over.
TEST(OpenDocumentRouting, ArgumentsThatAreExistingFilesAreOpenedInOrder) {
  TempDir dir;
  const std::string first = WriteMap(dir, "first.map");
  const std::string second = WriteMap(dir, "second.sem");
  std::filesystem::create_directory(dir.File("folder.map"));
  ProgramHarness h;
  fw::SetDocumentArguments({dir.File("missing.map"), first, dir.File("folder.map"), "", second});
  RunLoopUntilIdle();
  EXPECT_EQ(fw::ExitCode(), 0);
  EXPECT_EQ(h.Status(), "second.sem");
  EXPECT_EQ(PngCount(dir), 2u);
  EXPECT_TRUE(h.messages.empty());
  EXPECT_TRUE(h.reports.empty());
}

}  // namespace
