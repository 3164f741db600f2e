#include "tests/support/map_file_generator.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "mapconv/header_reader.h"

namespace {

// The header as the converter takes it: lines ended by CR LF, LF or CR, up to
// the one holding "eof".
mapconv::HeaderValues ReadHeader(const std::string& file, std::vector<std::string>& lines) {
  mapconv::HeaderValues v;
  std::size_t pos = 0;
  while (pos < file.size()) {
    const std::size_t end = file.find_first_of("\r\n", pos);
    const std::string line = file.substr(pos, end - pos);
    if (mapconv::EndsHeader(line)) break;
    lines.push_back(line);
    mapconv::ReadHeaderLine(line, v);
    if (end == std::string::npos) break;
    pos = end + (file.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return v;
}

float SampleAt(const std::string& file, int64_t offset) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= uint32_t(static_cast<unsigned char>(file[offset + i])) << (8 * i);
  return std::bit_cast<float>(bits);
}

class HeaderGeneratedFile : public testing::TestWithParam<const char*> {};

TEST_P(HeaderGeneratedFile, RoundTrip) {
  testsupport::MapSpec spec;
  spec.width = 5;
  spec.height = 3;
  spec.species = {"O1", "Fe2", "C1"};
  spec.hstep = 0.125;
  spec.vstep = 0.25;
  spec.lineEnd = GetParam();
  spec.extraHeaderLines = {"Comment: generated"};
  spec.sample = [](int k, int x, int y) { return static_cast<float>(k * 100 + x * 10 + y) + 0.5f; };
  const std::string file = testsupport::BuildMapFile(spec);

  std::vector<std::string> lines;
  const auto v = ReadHeader(file, lines);
  EXPECT_EQ(lines, testsupport::MapHeaderLines(spec));
  EXPECT_EQ(lines.back(), "Comment: generated");
  EXPECT_EQ(v.hpixelsize, 5);
  EXPECT_EQ(v.vpixelsize, 3);
  EXPECT_EQ(v.nb_images, 3);
  EXPECT_DOUBLE_EQ(v.hstep, 0.125);
  EXPECT_DOUBLE_EQ(v.vstep, 0.25);
  EXPECT_EQ(v.speciesname, spec.species);

  mapconv::FileSizes sizes;
  ASSERT_EQ(mapconv::CheckSizes(static_cast<int64_t>(file.size()), v.nb_images, v.hpixelsize, v.vpixelsize,
                                v.speciesname.size(), sizes),
            mapconv::SizeCheck::Ok);
  EXPECT_EQ(sizes.headersize, static_cast<int32_t>(file.size()) - 3 * 4 * 5 * 3);
  // Column by column, the row index fastest.
  for (int k = 0; k < 3; ++k)
    for (int x = 0; x < 5; ++x)
      for (int y = 0; y < 3; ++y)
        EXPECT_EQ(SampleAt(file, mapconv::ImageStartOffset(sizes.headersize, k, 5, 3) + 4 * (x * 3 + y)),
                  spec.sample(k, x, y));
}

INSTANTIATE_TEST_SUITE_P(LineEnds, HeaderGeneratedFile, testing::Values("\r\n", "\n", "\r"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.index == 0 ? "CRLF" : info.index == 1 ? "LF" : "CR");
                         });

TEST(HeaderGeneratedFileOptions, WithoutImageCountAndDefaultSamples) {
  testsupport::MapSpec spec;
  spec.width = 2;
  spec.height = 2;
  spec.species = {"O1"};
  spec.writeNoSpectralReg = false;
  const std::string file = testsupport::BuildMapFile(spec);
  std::vector<std::string> lines;
  const auto v = ReadHeader(file, lines);
  EXPECT_EQ(v.nb_images, -1);
  mapconv::FileSizes sizes;
  EXPECT_EQ(mapconv::CheckSizes(static_cast<int64_t>(file.size()), v.nb_images, v.hpixelsize, v.vpixelsize,
                                v.speciesname.size(), sizes),
            mapconv::SizeCheck::Ok);
  EXPECT_EQ(file.size() - static_cast<std::size_t>(sizes.headersize), 16u);
}

}  // namespace
