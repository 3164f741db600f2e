// Conversions watched from inside their own yields: a drop that arrives
// meanwhile waits its turn, the lists fill as images finish, and a quit stops
// the work at once without leaving a broken or temporary file behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <QCoreApplication>

#include "framework/application.h"
#include "framework/dispatch.h"
#include "framework/yield.h"
#include "mapconv/main_window.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/file_being_written.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"
#include "tests/support/png_reader.h"

namespace {

using testsupport::MapSpec;
using testsupport::ProgramHarness;
using testsupport::TempDir;
using Names = std::vector<std::string>;

// Rows of the results list once image 0 is listed with its file name, that
// is while image 1 is being converted.
constexpr int kRowsAfterImage0 = 7;
constexpr int kRowsAfterImage1Read = 9;

MapSpec BigSpec() {
  MapSpec spec;
  spec.width = spec.height = 128;
  spec.species = {"O1", "C1", "N1"};
  spec.sample = [](int k, int x, int y) { return float(k * 1000 + x * 3 + y) * 0.25f; };
  return spec;
}

// The PNG files of the folder, in name order.
Names PngNames(const TempDir& dir) {
  Names pngs;
  for (const auto& name : dir.Names())
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) pngs.push_back(name);
  return pngs;
}

void ExpectPngOf(const std::string& path, const MapSpec& spec, int image) {
  const auto png = ReadPng(path);
  ASSERT_TRUE(png.has_value()) << path;
  ASSERT_EQ(png->width, spec.width);
  ASSERT_EQ(png->height, spec.height);
  EXPECT_TRUE(png->pixels == testsupport::ExpectedGreyLevels(spec, image)) << path;
}

}  // namespace

TEST(ConverterReentrancy, DropDuringAConversionWaitsItsTurnAndListsFillMeanwhile) {
  TempDir dir;
  const MapSpec big = BigSpec();
  MapSpec small;
  small.width = 3;
  small.height = 2;
  small.species = {"Si"};
  small.sample = [](int, int x, int y) { return float(x * y); };
  testsupport::WriteMapFile(dir.File("big.map"), big);
  testsupport::WriteMapFile(dir.File("small.map"), small);
  const Names bigPngs = {"big C1 (1.3µm).png", "big N1 (1.3µm).png", "big O1 (1.3µm).png"};

  ProgramHarness h;
  fw::Listbox* results = h.main()->LBresults();
  bool dropped = false, secondStarted = false, image0Decoded = false;
  Names rowsDuringImage1, namesWhenSecondStarted;
  fw::SetYieldHook([&] {
    if (!dropped && results->ListCount() == kRowsAfterImage0) {
      dropped = true;
      rowsDuringImage1 = h.Rows("LBresults");
      image0Decoded = ReadPng(dir.File(rowsDuringImage1.back())).has_value();
      ProgramHarness::Drop(h.main(), {dir.File("small.map")});
      // What the event loop does at the next slice; the drop must still wait.
      QCoreApplication::processEvents();
      fw::RunQueuedActions();
    }
    if (dropped && !secondStarted && h.Status() == "small.map") {
      secondStarted = true;
      namesWhenSecondStarted = dir.Names();
    }
  });
  ProgramHarness::Drop(h.main(), {dir.File("big.map")});
  ProgramHarness::Settle();
  fw::SetYieldHook(nullptr);

  ASSERT_TRUE(dropped);
  ASSERT_EQ(rowsDuringImage1.size(), size_t(kRowsAfterImage0));
  EXPECT_EQ(rowsDuringImage1[4], "Min: 0 Max: 127");
  EXPECT_EQ(rowsDuringImage1[6], "big O1 (1.3µm).png");
  EXPECT_TRUE(image0Decoded);
  ASSERT_TRUE(secondStarted) << "the second drop was lost";
  EXPECT_EQ(namesWhenSecondStarted,
            (Names{"big C1 (1.3µm).png", "big N1 (1.3µm).png", "big O1 (1.3µm).png", "big.map", "small.map"}));
  EXPECT_EQ(h.Status(), "small.map");
  EXPECT_EQ(h.Rows("LBraw"), testsupport::MapHeaderLines(small));
  EXPECT_EQ(h.Rows("LBresults").back(), "small Si (30nmw).png");
  EXPECT_EQ(PngNames(dir), (Names{"big C1 (1.3µm).png", "big N1 (1.3µm).png", "big O1 (1.3µm).png",
                                  "small Si (30nmw).png"}));
  ExpectPngOf(dir.File("big O1 (1.3µm).png"), big, 0);
  ExpectPngOf(dir.File("big C1 (1.3µm).png"), big, 1);
  ExpectPngOf(dir.File("big N1 (1.3µm).png"), big, 2);
  ExpectPngOf(dir.File("small Si (30nmw).png"), small, 0);
  EXPECT_TRUE(h.messages.empty());
  EXPECT_TRUE(h.reports.empty());
}

TEST(ConverterReentrancy, QuitDuringAConversionStopsItAndLeavesOnlyWholeFiles) {
  struct Row {
    const char* name;
    // Asked at every yield; true when the quit is to come now.
    std::function<bool(fw::Listbox* results, const TempDir& dir, int& calls)> quitNow;
    size_t rowsLeft;
  };
  const std::vector<Row> rows = {
      {"while image 1 reads its samples",
       [](fw::Listbox* results, const TempDir&, int& calls) {
         return results->ListCount() == kRowsAfterImage0 && ++calls == 500;
       },
       size_t(kRowsAfterImage0)},
      {"while image 1's PNG file is being written",
       [](fw::Listbox* results, const TempDir& dir, int& calls) {
         return results->ListCount() == kRowsAfterImage1Read && ++calls % 4 == 0 && testsupport::FileBeingWrittenIn(dir.path());
       },
       size_t(kRowsAfterImage1Read)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const MapSpec big = BigSpec();
    testsupport::WriteMapFile(dir.File("big.map"), big);
    testsupport::WriteMapFile(dir.File("later.map"), big);
    testsupport::WriteMapFile(dir.File("queued.map"), big);
    ProgramHarness h;
    fw::Listbox* results = h.main()->LBresults();
    int calls = 0;
    bool quit = false;
    fw::SetYieldHook([&] {
      if (!quit && row.quitNow(results, dir, calls)) {
        quit = true;
        ProgramHarness::Drop(h.main(), {dir.File("queued.map")});  // waits, then is dropped by the quit
        fw::Quit(0);
      }
    });
    // The second file of the drop is never started once the quit has come.
    ProgramHarness::Drop(h.main(), {dir.File("big.map"), dir.File("later.map")});
    ProgramHarness::Settle();
    fw::SetYieldHook(nullptr);

    ASSERT_TRUE(quit) << "the quit point was never reached";
    EXPECT_EQ(results->ListCount(), int(row.rowsLeft));  // nothing more after the quit
    EXPECT_EQ(h.Status(), "big.map");
    EXPECT_EQ(dir.Names(), (Names{"big O1 (1.3µm).png", "big.map", "later.map", "queued.map"}));
    ExpectPngOf(dir.File("big O1 (1.3µm).png"), big, 0);
    EXPECT_TRUE(fw::Quitting());
    EXPECT_EQ(fw::ExitCode(), 0);
    EXPECT_TRUE(h.reports.empty());
  }
}
