#include "mapconv/image_stats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using mapconv::ImageStats;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Feeds an image whose samples lie 4 bytes apart from offset start.
ImageStats Scan(const std::vector<double>& samples, int64_t start = 100) {
  ImageStats s = ImageStats::Begin(samples.front(), start);
  for (std::size_t i = 0; i < samples.size(); ++i) s.Add(samples[i], start + 4 * static_cast<int64_t>(i));
  return s;
}

struct StatsCase {
  const char* name;
  std::vector<double> samples;
  double smallest, largest;
  int64_t maxpos;
  bool anyFinite;
};

class StatsTable : public testing::TestWithParam<StatsCase> {};

TEST_P(StatsTable, Values) {
  const auto& c = GetParam();
  const ImageStats s = Scan(c.samples);
  auto same = [](double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; };
  EXPECT_TRUE(same(s.smallest, c.smallest)) << s.smallest;
  EXPECT_TRUE(same(s.largest, c.largest)) << s.largest;
  EXPECT_EQ(s.maxpos, c.maxpos);
  EXPECT_EQ(s.anyFinite, c.anyFinite);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StatsTable,
    testing::Values(StatsCase{"FirstSampleLargest", {9, 1, 2, 3}, 1, 9, 100, true},
                    StatsCase{"LargestTwiceKeepsFirst", {1, 7, 3, 7}, 1, 7, 104, true},
                    StatsCase{"LargestLast", {1, 2, 3, 4}, 1, 4, 112, true},
                    StatsCase{"NaNIgnored", {kNaN, 2, kNaN, 5, 1}, 1, 5, 112, true},
                    StatsCase{"InfinitiesIgnored", {kInf, 3, -kInf, 4}, 3, 4, 112, true},
                    StatsCase{"AllNaN", {kNaN, kNaN}, kNaN, kNaN, 100, false},
                    StatsCase{"AllInfinite", {kInf, -kInf}, kInf, kInf, 100, false},
                    StatsCase{"NegativeSamples", {-1, -5, -0.5}, -5, -0.5, 108, true},
                    StatsCase{"OneSample", {42}, 42, 42, 100, true}),
    [](const testing::TestParamInfo<StatsCase>& info) { return std::string(info.param.name); });

TEST(StatsGrey, ZeroToThreeGivesQuarterSteps) {
  const double scale = mapconv::GreyScale(0, 3);
  EXPECT_DOUBLE_EQ(scale, 85);
  std::vector<int> levels;
  for (double s : {0.0, 1.0, 2.0, 3.0}) levels.push_back(mapconv::GreyLevel(s, 0, scale));
  EXPECT_EQ(levels, (std::vector<int>{0, 85, 170, 255}));
}

TEST(StatsGrey, ExtremesMapToBlackAndWhite) {
  const double lo = -3.4e38, hi = 3.4e38;
  const double scale = mapconv::GreyScale(lo, hi);
  EXPECT_EQ(mapconv::GreyLevel(lo, lo, scale), 0);
  EXPECT_EQ(mapconv::GreyLevel(hi, lo, scale), 255);
  const double tiny = std::numeric_limits<float>::denorm_min();
  EXPECT_EQ(mapconv::GreyLevel(tiny, 0, mapconv::GreyScale(0, tiny)), 255);
}

TEST(StatsGrey, FlatOrNonFiniteImagesAreBlack) {
  EXPECT_EQ(mapconv::GreyScale(5, 5), 0);
  EXPECT_EQ(mapconv::GreyScale(kNaN, kNaN), 0);
  EXPECT_EQ(mapconv::GreyScale(kInf, kInf), 0);
  EXPECT_EQ(mapconv::GreyLevel(5, 5, 0), 0);
  EXPECT_EQ(mapconv::GreyLevel(kNaN, 0, 85), 0);
  EXPECT_EQ(mapconv::GreyLevel(kInf, 0, 85), 0);
  EXPECT_EQ(mapconv::GreyLevel(-kInf, 0, 85), 0);
  EXPECT_EQ(mapconv::GreyLevel(kNaN, kNaN, 0), 0);
}

TEST(StatsRows, ByteHex) {
  EXPECT_EQ(mapconv::ByteHex(0), "00");
  EXPECT_EQ(mapconv::ByteHex(10), "0A");
  EXPECT_EQ(mapconv::ByteHex(255), "FF");
  EXPECT_EQ(mapconv::ByteHex(-1), "--");
  EXPECT_EQ(mapconv::ByteHex(256), "--");
  EXPECT_EQ(mapconv::ByteHex(INT32_MIN), "--");
}

TEST(StatsRows, Rows) {
  EXPECT_EQ(mapconv::MaxBytesRow(0x00, 0x00, 0x00, 0x40), "Max: 00 00 00 40");
  EXPECT_EQ(mapconv::MinMaxRow(0, 3), "Min: 0 Max: 3");
  EXPECT_EQ(mapconv::MinMaxRow(kNaN, kInf), "Min: nan Max: inf");
  EXPECT_EQ(mapconv::MinMaxRow(-1.5, 1234567.8), "Min: -1.5 Max: 1234568");
}

}  // namespace
