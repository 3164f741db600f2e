// The sample pipeline without a window: named shapes written by the generator
// and read back through both passes, on one worker and on eight, against the
// values worked out from the generator's samples alone.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "framework/folder_item.h"
#include "framework/read_only_file.h"
#include "mapconv/image_stats.h"
#include "mapconv/sample_reader.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/map_file_generator.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::MapSpec;
using SampleFn = std::function<float(int, int, int)>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Shape {
  const char* name;
  int w, h;
  SampleFn sample;
  const char* minMaxRow;  // "" where the generator's values say all
};

}  // namespace

TEST(SamplePipeline, StatisticsAndGreyLevelsOfEveryShape) {
  const std::vector<Shape> shapes = {
      {"ramp, wider than high", 5, 3, [](int, int x, int y) { return float(10 * x + y); }, "Min: 0 Max: 42"},
      {"levels 0 85 170 255", 4, 1, [](int, int x, int) { return float(x); }, "Min: 0 Max: 3"},
      // -0 and +0 are equal but differ in their bytes: the first one read is kept.
      {"smallest twice, -0 read first", 1, 3, [](int, int, int y) { return y == 0 ? -0.0f : y == 1 ? 0.0f : 1.0f; },
       "Min: -0 Max: 1"},
      {"NaN and infinities ignored and black", 3, 2,
       [](int, int x, int y) { return y == 0 ? (x == 0 ? kNaN : x == 1 ? kInf : -kInf) : float(x == 0 ? 1 : x == 1 ? 3 : 2); },
       "Min: 1 Max: 3"},
      {"no finite sample", 2, 1, [](int, int, int) { return kNaN; }, "Min: nan Max: nan"},
      {"flat image is black", 3, 3, [](int, int, int) { return 7.25f; }, "Min: 7.25 Max: 7.25"},
      {"one pixel", 1, 1, [](int, int, int) { return -3.0f; }, "Min: -3 Max: -3"},
      {"extremes of the float range", 2, 1, [](int, int x, int) { return x ? 3.4e38f : -3.4e38f; }, ""},
      // Blocks of whole columns over two waves; the largest is -0 at (0, 0) and
      // +0 once in every later column, in the same block and in later ones.
      {"blocks of whole columns", 700, 1000,
       [](int, int x, int y) {
         const int v = (x * 7919 + y * 104729) % 1000;
         return (v == 0 && x > 0 ? 0.0f : -float(v)) - (x == 650 && y == 3 ? 2000.0f : 0.0f);
       },
       "Min: -2537 Max: -0"},
      // Columns longer than a block, over more than one wave of blocks; the
      // largest lies in the second column's last block and again after it;
      // the smallest is +0 at (0, 0) and -0 further on, in this block and later ones.
      {"columns longer than a block", 2, 2200000,
       [](int, int x, int y) {
         const int v = (x + y) % 4093;
         return x == 1 && (y == 2199990 || y == 2199999) ? 5e6f : v == 0 && y > 0 ? -0.0f : float(v);
       },
       "Min: 0 Max: 5000000"},
  };
  testsupport::TempDir dir;
  const std::string path = dir.File("s.map");
  for (const Shape& s : shapes) {
    SCOPED_TRACE(s.name);
    const MapSpec spec{.width = s.w, .height = s.h, .species = {"S"}, .sample = s.sample};
    testsupport::WriteMapFile(path, spec);
    const mapconv::ImagePlace place{int64_t(std::filesystem::file_size(path)) - 4 * int64_t(s.w) * s.h, s.w, s.h};
    const auto file = fw::FolderItem::FromPath(path)->OpenForReading();
    ASSERT_TRUE(file);
    const auto expected = testsupport::ExpectedGreyLevels(spec, 0);
    std::vector<uint8_t> grey(expected.size(), 99);
    mapconv::ImageStats stats;
    for (unsigned threads : {1u, 8u}) {
      ASSERT_TRUE(mapconv::ReadImageStats(*file, place, stats, threads));
      if (*s.minMaxRow) {
        EXPECT_EQ(mapconv::MinMaxRow(stats.smallest, stats.largest), s.minMaxRow);
      }
      EXPECT_EQ(mapconv::MaxBytesRow(stats.maxBits), testsupport::ExpectedMaxBytesRow(spec, 0));
      uint32_t atMaxpos = 0;
      ASSERT_TRUE(file->ReadAt(stats.maxpos, &atMaxpos, 4));
      EXPECT_EQ(atMaxpos, stats.maxBits) << "maxpos is not where the largest lies";
      ASSERT_TRUE(mapconv::ReadGreyLevels(*file, place, stats, grey.data(), threads));
      ASSERT_TRUE(grey == expected) << threads << " threads";
    }
    // The open file became shorter: neither pass reads it.
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 1);
    EXPECT_FALSE(mapconv::ReadGreyLevels(*file, place, stats, grey.data()));
    EXPECT_FALSE(mapconv::ReadImageStats(*file, place, stats));
  }
}

TEST(SamplePipeline, GreyLevelsRoundHalfAwayFromZeroAndNonFiniteIsBlack) {
  struct Row {
    double v;  // (sample - smallest) * scale, made with sample 1, smallest 0
    int grey;
  };
  const std::vector<Row> rows = {{0.0, 0},       {0.49999999999999994, 0}, {0.5, 1},   {254.5, 255},
                                 {-0.5, 255},    {std::nan(""), 0},        {INFINITY, 0}, {-INFINITY, 0},
                                 {2147483647.0, 255}, {-3e9, 0},           {1e300, 255}};
  for (const Row& r : rows) {
    EXPECT_EQ(int(mapconv::GreyByte(1.0f, 0.0, r.v)), r.grey) << r.v;
    // The block form, four at a time and in its tail, gives the same.
    const std::vector<float> ones(7, 1.0f);
    std::vector<uint8_t> out(7);
    mapconv::GreyBytes(ones.data(), ones.size(), 0.0, r.v, out.data());
    for (uint8_t g : out) EXPECT_EQ(int(g), r.grey) << r.v;
  }
}
