// The TIFF writer: the resolution and Software fields at their limits, a
// read-back through libtiff as an independent check, and what cannot be written.
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

uint32_t U32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (size_t k = 0; k < 4; ++k) v = v << 8 | uint8_t(b.at(at + k));
  return v;
}

class Tiff : public testing::Test {
 protected:
  void TearDown() override { fw::SetYieldHook(nullptr); }
  fw::FolderItemRef Item(const std::string& name) { return fw::FolderItem::FromPath(dir_.File(name)); }
  // Writes a 2 x 2 picture over the same file and gives its bytes.
  std::string Save(double xres, double yres, const std::string& soft) {
    mapconv::SaveAsTIFF(Picture(2, 2), Item("out.tif"), xres, yres, soft);
    return testsupport::ReadBytes(dir_.File("out.tif"));
  }
  testsupport::TempDir dir_;
};

// The resolution is stored as a fraction over 10000, the Software text in 15
// Latin-1 characters padded with blanks; the Mac codes go where the file
// system keeps user attributes.
TEST_F(Tiff, ResolutionSoftwareAndMacCodes) {
  const struct {
    const char* name;
    std::string soft;
    double xres, yres;
    std::string bytes;
    uint32_t xnum, ynum;
  } rows[] = {
      {"empty", "", 72, 72, std::string(15, ' '), 720000, 720000},
      {"cut", "Orvistella 1.0 for maps", 300.5, 0.5, "Orvistella 1.0 ", 3005000, 5000},
      {"truncated", "a", 72.00009, 1e-5, "a" + std::string(14, ' '), 720000, 0},
      {"wide characters", "\xC3\xA9\xE2\x82\xAC!", 1e9, -1, "\xE9?!" + std::string(12, ' '), 0x7FFFFFFF,
       uint32_t(-10000)},
  };
  mapconv::SaveAsTIFF(Picture(3, 2), Item("out.tif"), 72, 72, "");  // a longer file, for the first row to cut
  for (const auto& r : rows) {
    const std::string c = Save(r.xres, r.yres, r.soft);
    EXPECT_EQ(c.size(), 260u) << "the file written before is cut";
    EXPECT_EQ(c.substr(216, 16), r.bytes + '\0') << r.name;
    EXPECT_EQ(U32(c, 200), r.xnum) << r.name;
    EXPECT_EQ(U32(c, 208), r.ynum) << r.name;
    EXPECT_EQ(U32(c, 204), 10000u) << r.name;
  }
  const auto f = Item("out.tif");
  if (setxattr(f->Path().c_str(), "user.probe", "1", 1, 0) == 0) {
    EXPECT_EQ(f->MacCreator(), "GKON");
    EXPECT_EQ(f->MacType(), "TIFF");
  }
}

#ifdef ORV_HAVE_LIBTIFF
TEST_F(Tiff, LibtiffReadsBackEveryPixel) {
  TIFFSetWarningHandler(nullptr);
  for (auto [w, h] : {std::pair{37, 23}, std::pair{5, 1}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    const auto p = Picture(w, h);
    mapconv::SaveAsTIFF(p, Item("check.tif"), 72, 120.25, "Orvistella");
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
    EXPECT_EQ(std::vector<double>({double(tw), double(th), double(spp), double(bps), xr, yr, double(unit)}),
              std::vector<double>({double(w), double(h), 3, 8, 72, 120.25, RESUNIT_INCH}));
    EXPECT_STREQ(software, "Orvistella     ");
    std::string row(3 * w, '\0');
    int differing = 0;
    for (int y = 0; y < h; ++y) {
      ASSERT_EQ(TIFFReadScanline(tif, row.data(), y, 0), 1);
      for (int x = 0; x < w; ++x) differing += (U32(row + '\0', 3 * x) >> 8) != p->Pixel(x, y);
    }
    EXPECT_EQ(differing, 0);
    TIFFClose(tif);
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
