// The TIFF writer: the exact bytes of small files, the limits, and a read-back
// through libtiff as an independent check.
#include "mapconv/tiff_writer.h"

#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/exceptions.h"
#include "framework/yield.h"
#include "tests/support/temp_dir.h"

#ifdef ORV_HAVE_LIBTIFF
#include <tiffio.h>
#endif

namespace {

namespace fs = std::filesystem;

class TiffTest : public testing::Test {
 protected:
  void TearDown() override {
    fw::SetYieldHook(nullptr);
  }

  fw::FolderItemRef Item(const std::string& name) { return fw::FolderItem::FromPath(dir_ + "/" + name); }

  // Writes p to a fresh file and gives its bytes.
  std::string Save(const fw::PictureRef& p, double xres = 72, double yres = 72, const std::string& soft = "") {
    auto f = Item("out.tif");
    mapconv::SaveAsTIFF(p, f, xres, yres, soft);
    std::ifstream in(f->Path(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  static fw::PictureRef Picture(int w, int h) {
    auto p = fw::NewPicture(w, h, 32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) p->SetPixel(x, y, fw::RGB(x * 40 + 1, y * 60 + 2, (x + y) * 10 + 3));
    return p;
  }

  testsupport::TempDir tmp_;
  std::string dir_ = tmp_.path().string();
};

uint32_t U16(const std::string& b, size_t at) { return uint8_t(b.at(at)) << 8 | uint8_t(b.at(at + 1)); }
uint32_t U32(const std::string& b, size_t at) { return U16(b, at) << 16 | U16(b, at + 2); }

struct Entry {
  int tag, type;
  uint32_t count, value;
};

void ExpectDirectory(const std::string& b, int w, int h) {
  const uint32_t H = h, W3 = 3 * w;
  const Entry entries[15] = {
      {254, 4, 1, 0},
      {256, 3, 1, uint32_t(w) << 16},
      {257, 3, 1, H << 16},
      {258, 3, 3, 194},
      {259, 3, 1, 1u << 16},
      {262, 3, 1, 2u << 16},
      {273, 4, H, h == 1 ? 240u : 232u},
      {277, 3, 1, 3u << 16},
      {278, 3, 1, 1u << 16},
      {279, 4, H, h == 1 ? W3 : 232 + 4 * H},
      {282, 5, 1, 200},
      {283, 5, 1, 208},
      {284, 3, 1, 1u << 16},
      {296, 3, 1, 2u << 16},
      {305, 2, 16, 216},
  };
  EXPECT_EQ(b.substr(0, 8), std::string("MM\0\x2A\0\0\0\x08", 8));
  EXPECT_EQ(U16(b, 8), 15u);
  for (int i = 0; i < 15; ++i) {
    size_t at = 10 + 12 * i;
    const Entry& e = entries[i];
    EXPECT_EQ(U16(b, at), uint32_t(e.tag)) << "entry " << i;
    EXPECT_EQ(U16(b, at + 2), uint32_t(e.type)) << "tag " << e.tag;
    EXPECT_EQ(U32(b, at + 4), e.count) << "tag " << e.tag;
    EXPECT_EQ(U32(b, at + 8), e.value) << "tag " << e.tag;
  }
  EXPECT_EQ(U32(b, 190), 0u);
  EXPECT_EQ(b.substr(194, 6), std::string("\0\x08\0\x08\0\x08", 6));
}

TEST_F(TiffTest, TiffLayoutOfThreeByTwo) {
  auto p = Picture(3, 2);
  p->SetPixel(1, 0, 0x123456);
  std::string b = Save(p);
  ASSERT_EQ(b.size(), 266u);
  EXPECT_EQ(mapconv::TiffFileSize(3, 2), 266);
  ExpectDirectory(b, 3, 2);
  EXPECT_EQ(U32(b, 232), 248u);
  EXPECT_EQ(U32(b, 236), 257u);
  EXPECT_EQ(U32(b, 240), 9u);
  EXPECT_EQ(U32(b, 244), 9u);
  EXPECT_EQ(b.substr(251, 3), "\x12\x34\x56");
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      size_t at = 248 + 9 * y + 3 * x;
      fw::Color c = p->Pixel(x, y);
      EXPECT_EQ(uint32_t(uint8_t(b[at])) << 16 | U16(b, at + 1), c) << x << "," << y;
    }
}

TEST_F(TiffTest, TiffLayoutOfOneRow) {
  std::string b = Save(Picture(5, 1));
  ASSERT_EQ(b.size(), 232u + 8 + 15);
  ExpectDirectory(b, 5, 1);
  EXPECT_EQ(U32(b, 232), 240u);
  EXPECT_EQ(U32(b, 236), 15u);
  EXPECT_EQ(uint8_t(b[240]), 1u);  // red of the first pixel
}

TEST_F(TiffTest, TiffSoftwareAndResolution) {
  struct {
    const char* name;
    std::string soft;
    double xres, yres;
    std::string bytes;
    uint32_t xnum, ynum;
  } rows[] = {
      {"empty", "", 72, 72, std::string(15, ' '), 720000, 720000},
      {"exactly 15", "Orvistella 1.0!", 72, 120, "Orvistella 1.0!", 720000, 1200000},
      {"cut", "Orvistella 1.0 for maps", 300.5, 0.5, "Orvistella 1.0 ", 3005000, 5000},
      {"truncated", "a", 72.00009, 1e-5, "a" + std::string(14, ' '), 720000, 0},
      {"wide characters", "\xC3\xA9\xE2\x82\xAC!", 1e9, -1, "\xE9?!" + std::string(12, ' '), 0x7FFFFFFF,
       uint32_t(-10000)},
  };
  for (const auto& r : rows) {
    std::string b = Save(Picture(2, 2), r.xres, r.yres, r.soft);
    ASSERT_EQ(b.size(), 232u + 16 + 12) << r.name;
    EXPECT_EQ(b.substr(216, 16), r.bytes + '\0') << r.name;
    EXPECT_EQ(U32(b, 200), r.xnum) << r.name;
    EXPECT_EQ(U32(b, 204), 10000u) << r.name;
    EXPECT_EQ(U32(b, 208), r.ynum) << r.name;
    EXPECT_EQ(U32(b, 212), 10000u) << r.name;
    EXPECT_EQ(U16(b, 166 + 8), 2u) << "ResolutionUnit inch";
  }
}

TEST_F(TiffTest, TiffNilArguments) {
  EXPECT_NO_THROW(mapconv::SaveAsTIFF(Picture(2, 2), nullptr, 72, 72, "x"));
  EXPECT_THROW(mapconv::SaveAsTIFF(nullptr, Item("p.tif"), 72, 72, "x"), fw::NilObjectException);
  EXPECT_FALSE(fs::exists(dir_ + "/p.tif"));
  // A file that cannot be created: the folder is missing, or the name is a folder.
  EXPECT_THROW(mapconv::SaveAsTIFF(Picture(2, 2), Item("no/f.tif"), 72, 72, "x"), fw::NilObjectException);
  fs::create_directory(dir_ + "/d.tif");
  EXPECT_THROW(mapconv::SaveAsTIFF(Picture(2, 2), Item("d.tif"), 72, 72, "x"), fw::NilObjectException);
  EXPECT_EQ(Item("d.tif")->MacCreator(), "");
}

TEST_F(TiffTest, TiffRefusesWhatTheLayoutCannotHold) {
  for (auto [w, h] : {std::pair{65536, 1}, std::pair{1, 65536}}) {
    auto f = Item("big.tif");
    EXPECT_THROW(mapconv::SaveAsTIFF(fw::NewPicture(w, h, 32), f, 72, 72, ""), fw::RuntimeException);
    EXPECT_FALSE(f->Exists()) << w << " x " << h;
  }
  // The largest picture whose file still fits signed 32-bit offsets, and the next row.
  EXPECT_LE(mapconv::TiffFileSize(65535, 10922), 2147483647);
  EXPECT_GT(mapconv::TiffFileSize(65535, 10923), 2147483647);
}

TEST_F(TiffTest, TiffYieldsAndLeavesNoPartialFile) {
  int yields = 0;
  fw::SetYieldHook([&] { ++yields; });
  Save(Picture(3, 2));
  EXPECT_EQ(yields, 15 + 2 + 2 + 6 + 2);  // characters, offsets, counts, pixels, rows

  yields = 0;
  fw::SetYieldHook([&] {
    if (++yields == 20) throw fw::RuntimeException("stopped");
  });
  auto f = Item("cut.tif");
  EXPECT_THROW(mapconv::SaveAsTIFF(Picture(3, 2), f, 72, 72, ""), fw::RuntimeException);
  EXPECT_FALSE(f->Exists());
}

TEST_F(TiffTest, TiffMacCodes) {
  auto f = Item("codes.tif");
  mapconv::SaveAsTIFF(Picture(1, 1), f, 72, 72, "");
  if (setxattr(f->Path().c_str(), "user.probe", "1", 1, 0) != 0) GTEST_SKIP() << "no user attributes here";
  mapconv::SaveAsTIFF(Picture(1, 1), f, 72, 72, "");
  EXPECT_EQ(f->MacCreator(), "GKON");
  EXPECT_EQ(f->MacType(), "TIFF");
}

#ifdef ORV_HAVE_LIBTIFF
TEST_F(TiffTest, TiffReadBackWithLibtiff) {
  const int w = 37, h = 23;
  auto p = fw::NewPicture(w, h, 32);
  uint32_t seed = 7;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p->SetPixel(x, y, (seed = seed * 1664525u + 1013904223u) >> 8);
  auto f = Item("check.tif");
  mapconv::SaveAsTIFF(p, f, 72, 120.25, "Orvistella");

  TIFFSetWarningHandler(nullptr);
  TIFF* tif = TIFFOpen(f->Path().c_str(), "r");
  ASSERT_NE(tif, nullptr);
  uint32_t tw = 0, th = 0;
  uint16_t spp = 0, bps = 0, unit = 0;
  float xr = 0, yr = 0;
  char* software = nullptr;
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &tw));
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &th));
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &spp));
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bps));
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xr));
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yr));
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit));
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_SOFTWARE, &software));
  EXPECT_EQ(tw, uint32_t(w));
  EXPECT_EQ(th, uint32_t(h));
  EXPECT_EQ(spp, 3);
  EXPECT_EQ(bps, 8);
  EXPECT_FLOAT_EQ(xr, 72.0f);
  EXPECT_FLOAT_EQ(yr, 120.25f);
  EXPECT_EQ(unit, RESUNIT_INCH);
  EXPECT_STREQ(software, "Orvistella     ");
  ASSERT_EQ(TIFFScanlineSize(tif), 3 * w);
  std::string row(3 * w, '\0');
  int differing = 0;
  for (int y = 0; y < h; ++y) {
    ASSERT_EQ(TIFFReadScanline(tif, row.data(), y, 0), 1);
    for (int x = 0; x < w; ++x) {
      fw::Color c = uint32_t(uint8_t(row[3 * x])) << 16 | uint32_t(uint8_t(row[3 * x + 1])) << 8 |
                    uint8_t(row[3 * x + 2]);
      differing += c != p->Pixel(x, y);
    }
  }
  EXPECT_EQ(differing, 0);
  TIFFClose(tif);
}
#endif

}  // namespace
