// Documents handed over by the desktop: only ".sem" and ".map" names reach the
// main window (made first when there is none); anything else is ignored
// without a trace.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <filesystem>

#include "framework/application.h"
#include "framework/dispatch.h"
#include "framework/window.h"
#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"
#include "tests/support/program_files.h"

using testsupport::ProgramHarness;
using testsupport::TempDir;

namespace {

TEST(OpenDocument, ImageSuffixesOpenInTheMainWindowOthersChangeNothing) {
  const struct {
    const char* name;
    bool opened;
    bool withoutMainWindow = false;
  } rows[] = {
      {"scan.sem", true}, {"SCAN.MAP", true},   {".map", true},   {"late.map", true, true},
      {"map", false},     {"scan.mapx", false}, {"x.txt", false}, {"scan.png", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::string path = testsupport::WriteSmallMap(dir, row.name, 4, 3, {"Si1"});
    ProgramHarness h;
    if (row.withoutMainWindow) fw::CloseAllWindows();
    fw::PostOpenDocument(fw::FolderItem::FromPath(path));
    ProgramHarness::Settle();
    EXPECT_TRUE(h.messages.empty());
    EXPECT_TRUE(h.reports.empty());
    EXPECT_EQ(fw::OpenWindows().size(), 1u);
    ASSERT_NE(h.main(), nullptr);
    EXPECT_TRUE(h.main()->Host()->isVisible());
    EXPECT_EQ(h.Status(), row.opened ? row.name : "");
    EXPECT_EQ(dir.Names().size(), row.opened ? 2u : 1u) << "one PNG file for an opened document";
    EXPECT_TRUE(row.opened || h.Rows("LBraw") == testsupport::kHelpRows);
  }
}

// Arguments that name no existing file (missing, a folder, empty) are passed
// over wherever they stand among the documents.
TEST(OpenDocument, ArgumentsThatAreNoExistingFileArePassedOver) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("folder.map"));
  ProgramHarness h;
  fw::OpenDocumentPaths({dir.File("missing.map"), testsupport::WriteSmallMap(dir, "a.map", 4, 3, {"Si1"}), "",
                         testsupport::WriteSmallMap(dir, "b.map", 4, 3, {"Si1"}), dir.File("folder.map")});
  ProgramHarness::Settle();
  EXPECT_EQ(h.Status(), "b.map");
  EXPECT_EQ(testsupport::CountPngs(dir), 2u);
  EXPECT_TRUE(h.messages.empty());
  EXPECT_TRUE(h.reports.empty());
}

}  // namespace
