#include "mapconv/header_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using mapconv::HeaderValues;
using mapconv::ReadHeaderLine;
using mapconv::SizeCheck;

HeaderValues ReadLines(const std::vector<std::string>& lines) {
  HeaderValues v;
  for (const auto& line : lines) {
    if (mapconv::EndsHeader(line)) break;
    ReadHeaderLine(line, v);
  }
  return v;
}

TEST(HeaderKeys, EachLineSetsItsKeys) {
  struct Row {
    const char* name;
    std::vector<std::string> lines;
    int32_t w, h, count;
    double hstep, vstep;
    std::vector<std::string> species;
  };
  const double inf = INFINITY;
  const std::vector<Row> rows = {
      {"plain header; nothing after eof", {"Version: 4", "NoMapPixelsXY: 256 128", "EBeamScanIncXY: 0.01 0.02",
        "NoSpectralReg: 2", "SpectralRegDef: 1 0 O1 500", "SpectralRegDef: 2 0 C1 270", "eof", "NoMapPixelsXY: 9 9"},
       256, 128, 2, 0.01, 0.02, {"O1", "C1"}},
      {"missing keys leave defaults", {"Version: 4", "Comment: nothing here"}, -1, -1, -1, 0, 0, {}},
      {"one line with two keys sets both", {"NoMapPixelsXY: 64 32 NoSpectralReg: 5"}, 64, 32, 64, 0, 0, {}},
      {"a blank before the key shifts the fields", {" NoMapPixelsXY: 64 32", " SpectralRegDef: 1 0 O1 500"}, 0, 64,
       -1, 0, 0, {"0"}},
      {"two blanks empty a field", {"NoMapPixelsXY:  64 32", "EBeamScanIncXY: 0.5  0.25"}, 0, 64, -1, 0.5, 0, {}},
      {"a later line overrides; names add up", {"NoMapPixelsXY: 64 32", "NoMapPixelsXY: 8 4", "SpectralRegDef: 1 0 O1",
        "SpectralRegDef: 1 0 O1", "SpectralRegDef: 2 0  500"}, 8, 4, -1, 0, 0, {"O1", "O1", ""}},
      {"out of range and odd numbers", {"NoMapPixelsXY: 1e20 -3.9", "NoSpectralReg: 2.7", "EBeamScanIncXY: x 1e999"},
       INT32_MAX, -3, 2, 0, inf, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const auto v = ReadLines(r.lines);
    EXPECT_EQ(v.hpixelsize, r.w);
    EXPECT_EQ(v.vpixelsize, r.h);
    EXPECT_EQ(v.nb_images, r.count);
    EXPECT_EQ(v.hstep, r.hstep);
    EXPECT_EQ(v.vstep, r.vstep);
    EXPECT_EQ(v.speciesname, r.species);
  }
}

TEST(HeaderKeys, EofEndsTheHeaderInAnyCaseAndInsideWords) {
  for (const char* line : {"EOFH", "eof", "$EoF", "geofield: 3"}) EXPECT_TRUE(mapconv::EndsHeader(line)) << line;
  for (const char* line : {"", "e o f", "NoMapPixelsXY: 4 4"}) EXPECT_FALSE(mapconv::EndsHeader(line)) << line;
}

TEST(HeaderKeys, RaisedImageCount) {
  EXPECT_EQ(mapconv::RaisedImageCount(-1), 1);
  EXPECT_EQ(mapconv::RaisedImageCount(0), 1);
  EXPECT_EQ(mapconv::RaisedImageCount(3), 3);
}

struct SizeCase {
  const char* name;
  int64_t length;
  int32_t nb, w, h;
  std::size_t names;
  SizeCheck expected;
  int32_t headersize;
};

class HeaderSizeCheck : public testing::TestWithParam<SizeCase> {};

TEST_P(HeaderSizeCheck, Outcome) {
  const auto& c = GetParam();
  mapconv::FileSizes sizes;
  const SizeCheck got = mapconv::CheckSizes(c.length, c.nb, c.w, c.h, c.names, sizes);
  EXPECT_EQ(got, c.expected);
  if (got == SizeCheck::Ok) {
    EXPECT_EQ(sizes.headersize, c.headersize);
    EXPECT_EQ(sizes.filesize, static_cast<int32_t>(c.length));
  }
}

constexpr int64_t kGiB = int64_t{1} << 30;

INSTANTIATE_TEST_SUITE_P(
    Table, HeaderSizeCheck,
    testing::Values(
        SizeCase{"ThreeByteFileWithNoHeader", 3, 1, -1, -1, 0, SizeCheck::HeaderSizeWrong, 0},
        SizeCase{"FirstLineEofFourBytes", 4, 1, -1, -1, 0, SizeCheck::WrongNumberOfImages, 0},
        SizeCase{"NoSpectralRegNeedsOneName", 1000, -1, 4, 4, 2, SizeCheck::WrongNumberOfImages, 0},
        SizeCase{"StatedZeroImagesIsOne", 1000, 0, 4, 4, 1, SizeCheck::Ok, 1000 - 64},
        SizeCase{"WidthZero", 1000, 1, 0, 4, 1, SizeCheck::PixelSizeWrong, 0},
        SizeCase{"WidthMinusOneHeightFive", 1000, 1, -1, 5, 1, SizeCheck::PixelSizeWrong, 0},
        SizeCase{"NamesCheckedBeforePixelSize", 1000, 2, 0, 4, 1, SizeCheck::WrongNumberOfImages, 0},
        SizeCase{"ExactlyTheBlock", 2 * 4 * 10 * 20, 2, 10, 20, 2, SizeCheck::Ok, 0},
        SizeCase{"OneByteShort", 2 * 4 * 10 * 20 - 1, 2, 10, 20, 2, SizeCheck::HeaderSizeWrong, 0},
        SizeCase{"HeaderBeforeBlock", 1600 + 517, 2, 10, 20, 2, SizeCheck::Ok, 517},
        SizeCase{"ProductBeyond32Bits", 4096, 1, 65536, 65536, 1, SizeCheck::HeaderSizeWrong, 0},
        SizeCase{"ProductWrapsToZeroIn32Bits", 4096, 16, 65536, 1024, 16, SizeCheck::HeaderSizeWrong, 0},
        SizeCase{"LargestSizes", 4096, INT32_MAX, INT32_MAX, INT32_MAX, 1, SizeCheck::HeaderSizeWrong, 0},
        SizeCase{"NegativeProductOfLargeSizes", 4096, 1, INT32_MIN, INT32_MAX, 1, SizeCheck::PixelSizeWrong, 0},
        SizeCase{"TwoGiBTooLarge", 2 * kGiB, 1, 4, 4, 1, SizeCheck::FileTooLarge, 0},
        SizeCase{"TooLargeComesFirst", 5 * kGiB, 3, 0, 0, 0, SizeCheck::FileTooLarge, 0},
        SizeCase{"JustBelowTwoGiB", 2 * kGiB - 1, 1, 16384, 32767, 1, SizeCheck::Ok,
                 static_cast<int32_t>(2 * kGiB - 1 - int64_t{4} * 16384 * 32767)}),
    [](const testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

TEST(HeaderSizeMessages, Texts) {
  EXPECT_STREQ(mapconv::SizeCheckMessage(SizeCheck::HeaderSizeWrong), "headersize wrong");
  EXPECT_STREQ(mapconv::SizeCheckMessage(SizeCheck::WrongNumberOfImages), "Wrong number of images");
  EXPECT_STREQ(mapconv::SizeCheckMessage(SizeCheck::FileTooLarge), "file too large");
  EXPECT_STREQ(mapconv::SizeCheckMessage(SizeCheck::PixelSizeWrong), "pixel size wrong");
  EXPECT_STREQ(mapconv::SizeCheckMessage(SizeCheck::Ok), "");
}

TEST(HeaderRows, SizeRows) {
  EXPECT_EQ(mapconv::PixelSizeRow(256, 256), "Pixel Size: 256(w) x 256(h)");
  EXPECT_EQ(mapconv::PixelSizeRow(-1, -1), "Pixel Size: -1(w) x -1(h)");
  EXPECT_EQ(mapconv::MicronSizeRow(2.56, 0.25), "Micron Size: 2.6(w) x 0.3(h)");
  EXPECT_EQ(mapconv::MicronSizeRow(-0.0, 0), "Micron Size: 0.0(w) x 0.0(h)");
}

TEST(HeaderRows, ImageStartOffset) {
  EXPECT_EQ(mapconv::ImageStartOffset(100, 0, 10, 20), 100);
  EXPECT_EQ(mapconv::ImageStartOffset(100, 2, 10, 20), 100 + 2 * 800);
}

}  // namespace
