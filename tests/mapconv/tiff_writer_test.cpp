// The TIFF writer: read back through libtiff with its fields at their limits,
// and what cannot be written.
#include "mapconv/tiff_writer.h"

#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/exceptions.h"
#include "framework/yield.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/temp_dir.h"

#ifdef ORV_HAVE_LIBTIFF
#include <tiffio.h>
#endif

namespace {

fw::PictureRef Picture(int w, int h) {
  auto p = fw::NewPicture(w, h, 32);
  uint32_t seed = 7;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p->SetPixel(x, y, (seed = seed * 1664525u + 1013904223u) >> 8);
  return p;
}

class Tiff : public testing::Test {
 protected:
  void TearDown() override { fw::SetYieldHook(nullptr); }
  fw::FolderItemRef Item(const std::string& name) { return fw::FolderItem::FromPath(dir_.File(name)); }
  testsupport::TempDir dir_;
};

#ifdef ORV_HAVE_LIBTIFF
// Read back by libtiff, the one reader that is not ours: the pixels, the
// resolution (a fraction over 10000) and the Software text (15 Latin-1
// characters padded with blanks), written over a longer file each time.
TEST_F(Tiff, LibtiffReadsBackPixelsResolutionAndSoftware) {
  TIFFSetWarningHandler(nullptr);
  const struct {
    const char* name;
    int w, h;
    std::string soft;
    double xres, yres;
    std::string storedSoft;
    float xr, yr;
  } rows[] = {
      {"plain", 37, 23, "Orvistella", 72, 120.25, "Orvistella     ", 72, 120.25},
      {"empty", 5, 1, "", 72, 72, std::string(15, ' '), 72, 72},
      {"cut", 2, 2, "Orvistella 1.0 for maps", 300.5, 0.5, "Orvistella 1.0 ", 300.5, 0.5},
      {"truncated", 2, 1, "a", 72.00009, 1e-5, "a" + std::string(14, ' '), 72, 0},
      {"wide characters", 1, 2, "\xC3\xA9\xE2\x82\xAC!", 1e9, -1, "\xE9?!" + std::string(12, ' '),
       0x7FFFFFFF / 1e4f, 4294957296 / 1e4f},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const auto p = Picture(r.w, r.h);
    mapconv::SaveAsTIFF(p, Item("check.tif"), r.xres, r.yres, r.soft);
    EXPECT_EQ(std::filesystem::file_size(dir_.File("check.tif")), mapconv::TiffFileSize(r.w, r.h));
    TIFF* tif = TIFFOpen(dir_.File("check.tif").c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint32_t tw = 0, th = 0;
    uint16_t spp = 0, bps = 0, unit = 0;
    float xr = 0, yr = 0;
    char* software = nullptr;
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &tw) && TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &th) &&
                TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &spp) && TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bps) &&
                TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xr) && TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yr) &&
                TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit) && TIFFGetField(tif, TIFFTAG_SOFTWARE, &software));
    EXPECT_EQ(std::vector<int>({int(tw), int(th), spp, bps, unit}), std::vector<int>({r.w, r.h, 3, 8, RESUNIT_INCH}));
    EXPECT_FLOAT_EQ(xr, r.xr);
    EXPECT_FLOAT_EQ(yr, r.yr);
    EXPECT_EQ(std::string(software), r.storedSoft);
    std::vector<uint8_t> row(3 * r.w);
    int differing = 0;
    for (int y = 0; y < r.h; ++y) {
      ASSERT_EQ(TIFFReadScanline(tif, row.data(), y, 0), 1);
      for (int x = 0; x < r.w; ++x)
        differing += fw::Color(row[3 * x] << 16 | row[3 * x + 1] << 8 | row[3 * x + 2]) != p->Pixel(x, y);
    }
    EXPECT_EQ(differing, 0);
    TIFFClose(tif);
  }
  // The Mac codes go where the file system keeps user attributes.
  const auto f = Item("check.tif");
  if (setxattr(f->Path().c_str(), "user.probe", "1", 1, 0) == 0) {
    EXPECT_EQ(f->MacCreator(), "GKON");
    EXPECT_EQ(f->MacType(), "TIFF");
  }
}
#endif

TEST_F(Tiff, WhatCannotBeWrittenLeavesNoFile) {
  EXPECT_NO_THROW(mapconv::SaveAsTIFF(Picture(2, 2), nullptr, 72, 72, "x"));
  EXPECT_THROW(mapconv::SaveAsTIFF(nullptr, Item("p.tif"), 72, 72, "x"), fw::NilObjectException);
  EXPECT_THROW(mapconv::SaveAsTIFF(Picture(2, 2), Item("no/f.tif"), 72, 72, "x"), fw::NilObjectException);
  std::filesystem::create_directory(dir_.File("d.tif"));
  EXPECT_THROW(mapconv::SaveAsTIFF(Picture(2, 2), Item("d.tif"), 72, 72, "x"), fw::NilObjectException);
  for (auto [w, h] : {std::pair{65536, 1}, std::pair{1, 65536}})
    EXPECT_THROW(mapconv::SaveAsTIFF(fw::NewPicture(w, h, 32), Item("big.tif"), 72, 72, ""), fw::RuntimeException);
  // The largest picture whose file still fits signed 32-bit offsets, and the next row.
  EXPECT_LE(mapconv::TiffFileSize(65535, 10922), 2147483647);
  EXPECT_GT(mapconv::TiffFileSize(65535, 10923), 2147483647);
  // Stopped half-way (a quit in a yield): no partial file.
  int yields = 0;
  fw::SetYieldHook([&] {
    if (++yields == 20) throw fw::RuntimeException("stopped");
  });
  EXPECT_THROW(mapconv::SaveAsTIFF(Picture(3, 2), Item("cut.tif"), 72, 72, ""), fw::RuntimeException);
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"d.tif"});
}

}  // namespace
