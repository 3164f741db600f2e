#include "mapconv/header_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "framework/folder_item.h"
#include "framework/read_only_file.h"
#include "framework/text_input_stream.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/temp_dir.h"

namespace {

using mapconv::SizeCheck;
using Lines = std::vector<std::string>;

TEST(HeaderKeys, TheHeaderIsReadForItsKeysUpToItsEnd) {
  struct Row {
    const char* name;
    Lines lines;
    size_t listed;  // the first lines that are the header
    int32_t w, h, count;
    double hstep, vstep;
    Lines species;
  };
  Lines thousand = {"NoMapPixelsXY: 2 2"};
  while (thousand.size() < 1000) thousand.push_back("Comment: line " + std::to_string(thousand.size() + 1));
  thousand.push_back("NoMapPixelsXY: 1 1");
  testsupport::MapSpec most;  // the map maker's largest image count
  most.species.assign(size_t(testsupport::MaxMapImages()), "O1");
  const Lines mostLines = testsupport::MapHeaderLines(most);
  const double inf = INFINITY;
  const std::vector<Row> rows = {
      {"plain header; nothing after eof", {"Version: 4", "NoMapPixelsXY: 256 128", "EBeamScanIncXY: 0.01 0.02",
        "NoSpectralReg: 2", "SpectralRegDef: 1 0 O1 500", "SpectralRegDef: 2 0 C1 270", "eof", "NoMapPixelsXY: 9 9"},
       6, 256, 128, 2, 0.01, 0.02, {"O1", "C1"}},
      {"the end of the file ends it; missing keys leave defaults", {"Version: 4", "Comment: nothing here"}, 2, -1, -1,
       -1, 0, 0, {}},
      {"an empty file", {}, 0, -1, -1, -1, 0, 0, {}},
      {"1000 lines at most", thousand, 1000, 2, 2, -1, 0, 0, {}},
      {"the map maker's largest header", mostLines, mostLines.size(), 0, 0, int32_t(most.species.size()), 0.01, 0.01,
       most.species},
      {"one line with two keys sets both", {"NoMapPixelsXY: 64 32 NoSpectralReg: 5"}, 1, 64, 32, 64, 0, 0, {}},
      {"a blank before the key shifts the fields", {" NoMapPixelsXY: 64 32", " SpectralRegDef: 1 0 O1 500"}, 2, 0,
       64, -1, 0, 0, {"0"}},
      {"two blanks empty a field", {"NoMapPixelsXY:  64 32", "EBeamScanIncXY: 0.5  0.25"}, 2, 0, 64, -1, 0.5, 0, {}},
      {"a later line overrides; names add up", {"NoMapPixelsXY: 64 32", "NoMapPixelsXY: 8 4", "SpectralRegDef: 1 0 O1",
        "SpectralRegDef: 1 0 O1", "SpectralRegDef: 2 0  500"}, 5, 8, 4, -1, 0, 0, {"O1", "O1", ""}},
      {"out of range and odd numbers", {"NoMapPixelsXY: 1e20 -3.9", "NoSpectralReg: 2.7", "EBeamScanIncXY: x 1e999"},
       3, INT32_MAX, -3, 2, 0, inf, {}},
  };
  testsupport::TempDir dir;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string text;
    for (const auto& line : r.lines) text += line + "\n";
    testsupport::WriteBytes(dir.File("h.map"), text);
    const auto file = fw::FolderItem::FromPath(dir.File("h.map"))->OpenForReading();
    Lines listed;
    const auto v = mapconv::ReadHeader(*file->OpenText(), [&](const std::string& line) { listed.push_back(line); });
    EXPECT_EQ(listed, Lines(r.lines.begin(), r.lines.begin() + long(r.listed)));
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

TEST(HeaderSizeCheck, ChecksInTheirOrderWithoutOverflow) {
  constexpr int64_t kGiB = int64_t{1} << 30;
  const struct {
    const char* name;
    int64_t length;
    int32_t nb, w, h;
    size_t names;
    SizeCheck expected;
    int32_t headersize;
  } rows[] = {
      {"three-byte file with no header", 3, 1, -1, -1, 0, SizeCheck::HeaderSizeWrong, 0},
      {"first line eof, four bytes", 4, 1, -1, -1, 0, SizeCheck::WrongNumberOfImages, 0},
      {"no image count needs one name", 1000, -1, 4, 4, 2, SizeCheck::WrongNumberOfImages, 0},
      {"stated zero images is one", 1000, 0, 4, 4, 1, SizeCheck::Ok, 1000 - 64},
      {"width zero", 1000, 1, 0, 4, 1, SizeCheck::PixelSizeWrong, 0},
      {"width -1, height 5", 1000, 1, -1, 5, 1, SizeCheck::PixelSizeWrong, 0},
      {"names checked before pixel size", 1000, 2, 0, 4, 1, SizeCheck::WrongNumberOfImages, 0},
      {"exactly the block", 2 * 4 * 10 * 20, 2, 10, 20, 2, SizeCheck::Ok, 0},
      {"one byte short", 2 * 4 * 10 * 20 - 1, 2, 10, 20, 2, SizeCheck::HeaderSizeWrong, 0},
      {"header before the block", 1600 + 517, 2, 10, 20, 2, SizeCheck::Ok, 517},
      {"product wraps to 0 in 32 bits", 4096, 16, 65536, 1024, 16, SizeCheck::HeaderSizeWrong, 0},
      {"largest sizes", 4096, INT32_MAX, INT32_MAX, INT32_MAX, 1, SizeCheck::HeaderSizeWrong, 0},
      {"negative product of large sizes", 4096, 1, INT32_MIN, INT32_MAX, 1, SizeCheck::PixelSizeWrong, 0},
      {"2 GiB is too large", 2 * kGiB, 1, 4, 4, 1, SizeCheck::FileTooLarge, 0},
      {"too large comes first", 5 * kGiB, 3, 0, 0, 0, SizeCheck::FileTooLarge, 0},
      {"just below 2 GiB", 2 * kGiB - 1, 1, 16384, 32767, 1, SizeCheck::Ok,
       int32_t(2 * kGiB - 1 - int64_t{4} * 16384 * 32767)},
  };
  for (const auto& r : rows) {
    mapconv::FileSizes sizes;
    EXPECT_EQ(mapconv::CheckSizes(r.length, r.nb, r.w, r.h, r.names, sizes), r.expected) << r.name;
    if (r.expected == SizeCheck::Ok) {
      EXPECT_EQ(sizes.headersize, r.headersize) << r.name;
    }
  }
}

}  // namespace
