#include "pngu/png_saver.h"

#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <stdexcept>

#include "framework/exceptions.h"
#include "framework/plugins.h"
#include "framework/yield.h"
#include "pngu/png_encoder.h"
#include "pngu/staged_file.h"
#include "tests/support/png_reader.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace fs = std::filesystem;

fw::PictureRef GreyPicture(int width, int height) {
  auto picture = fw::NewPicture(width, height, 32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int v = (x * 7 + y * 13) & 255;
      picture->SetPixel(x, y, fw::RGB(v, v, v));
    }
  return picture;
}

// The bytes a decoder gives for the picture: one per pixel for grey, else R, G, B.
std::vector<uint8_t> ExpectedPixels(const fw::Picture& picture, bool grey) {
  std::vector<uint8_t> bytes;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      fw::Color c = picture.Pixel(x, y);
      if (grey) {
        bytes.push_back(uint8_t(c));
      } else {
        bytes.insert(bytes.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
      }
    }
  return bytes;
}

unsigned CurrentUmask() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

class PngSaverTest : public testing::Test {
 protected:
  void TearDown() override {
    fw::SetYieldHook(nullptr);
    fw::ResetQuitRequest();
  }
  std::string PathOf(const std::string& name) const { return dir_ + "/" + name; }
  fw::FolderItemRef FileNamed(const std::string& name) const { return fw::FolderItem::FromPath(PathOf(name)); }
  // Every entry of the folder, hidden ones included, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  using Names = std::vector<std::string>;

  testsupport::TempDir tmp_;
  std::string dir_ = tmp_.path().string();
};

struct GammaCase {
  const char* name;
  float gamma;
  bool hasGama;
  double fileGamma;
};
void PrintTo(const GammaCase& c, std::ostream* os) { *os << c.name; }

class PngSaverGammaTest : public PngSaverTest, public testing::WithParamInterface<GammaCase> {};

TEST_P(PngSaverGammaTest, GreyPictureRoundTrips) {
  const std::string kName = "scan01 O1 (2.5\u00B5m).png";
  auto picture = GreyPicture(37, 21);
  ASSERT_TRUE(pngu::SavePicture(FileNamed(kName), picture, GetParam().gamma));

  auto png = ReadPng(PathOf(kName));
  ASSERT_TRUE(png.has_value());
  EXPECT_EQ(png->width, 37);
  EXPECT_EQ(png->height, 21);
  EXPECT_EQ(png->colorType, PNG_COLOR_TYPE_GRAY);
  EXPECT_EQ(png->bitDepth, 8);
  EXPECT_FALSE(png->hasPhys);
  EXPECT_EQ(png->hasGama, GetParam().hasGama);
  if (GetParam().hasGama) {
    EXPECT_NEAR(png->fileGamma, GetParam().fileGamma, 1e-5);
  }
  EXPECT_EQ(png->pixels, ExpectedPixels(*picture, true));
  EXPECT_EQ(Entries(), Names{kName});
  struct stat st;
  ASSERT_EQ(::stat(PathOf(kName).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u & ~CurrentUmask());
}

INSTANTIATE_TEST_SUITE_P(Png, PngSaverGammaTest,
                         testing::Values(GammaCase{"ConverterPassesMinusOne", -1.0f, false, 0.0},
                                         GammaCase{"DeclaredDefaultZero", 0.0f, false, 0.0},
                                         GammaCase{"Display22", 2.2f, true, 0.45455}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PngSaverTest, PictureWithAnyColouredPixelIsRgb) {
  struct Row {
    const char* name;
    int x, y;
  };
  for (Row row : {Row{"first pixel", 0, 0}, Row{"last pixel", 8, 4}}) {
    SCOPED_TRACE(row.name);
    auto picture = GreyPicture(9, 5);
    picture->SetPixel(row.x, row.y, fw::RGB(200, 10, 90));
    std::string name = std::string(row.name) + ".png";
    ASSERT_TRUE(pngu::SavePicture(FileNamed(name), picture, -1.0f));
    auto png = ReadPng(PathOf(name));
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(png->colorType, PNG_COLOR_TYPE_RGB);
    EXPECT_EQ(png->bitDepth, 8);
    EXPECT_FALSE(png->hasPhys);
    EXPECT_EQ(png->pixels, ExpectedPixels(*picture, false));
  }
}

TEST_F(PngSaverTest, TakenNameIsLeftAlone) {
  const std::string kept = "an older file that must survive";
  WriteBytes(PathOf("file.png"), kept);
  fs::create_directory(PathOf("folder.png"));
  fs::create_symlink(PathOf("nowhere"), PathOf("dangling.png"));
  const Names before = Entries();

  for (const char* name : {"file.png", "folder.png", "dangling.png"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(pngu::SavePicture(FileNamed(name), GreyPicture(4, 4), -1.0f));
    EXPECT_FALSE(pngu::WriteGreyPngFile(PathOf(name), 1, 1, std::vector<uint8_t>{7}.data()));
  }
  EXPECT_EQ(ReadBytes(PathOf("file.png")), kept);
  EXPECT_TRUE(fs::is_empty(PathOf("folder.png")));
  EXPECT_EQ(Entries(), before);
}

TEST_F(PngSaverTest, NothingToSaveOrNowhereToSaveIt) {
  WriteBytes(PathOf("plain"), "x");
  struct Row {
    const char* name;
    fw::FolderItemRef file;
    fw::PictureRef picture;
  };
  const Row rows[] = {
      {"nil file", nullptr, GreyPicture(2, 2)},
      {"nil picture", FileNamed("a.png"), nullptr},
      {"folder does not exist", FileNamed("missing/a.png"), GreyPicture(2, 2)},
      {"parent is a file", FileNamed("plain/a.png"), GreyPicture(2, 2)},
      {"no name", FileNamed("a.png/"), GreyPicture(2, 2)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(pngu::SavePicture(row.file, row.picture, -1.0f));
    EXPECT_EQ(Entries(), Names{"plain"});
  }
}

struct StopCase {
  const char* name;
  void (*onThirdYield)();
  bool expectQuit;
};
void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class PngSaverStopTest : public PngSaverTest, public testing::WithParamInterface<StopCase> {};

TEST_P(PngSaverStopTest, ExceptionFromYieldLeavesNoFile) {
  int calls = 0;
  fw::SetYieldHook([&calls] {
    if (++calls == 3) GetParam().onThirdYield();
  });
  bool quit = false, other = false;
  try {
    pngu::SavePicture(FileNamed("out.png"), GreyPicture(50, 100), -1.0f);
  } catch (const fw::QuitUnwind&) {
    quit = true;
  } catch (const std::runtime_error&) {
    other = true;
  }
  EXPECT_EQ(quit, GetParam().expectQuit);
  EXPECT_EQ(other, !GetParam().expectQuit);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(Entries(), Names{});
}

INSTANTIATE_TEST_SUITE_P(
    Png, PngSaverStopTest,
    testing::Values(StopCase{"HookThrows", [] { throw std::runtime_error("test hook"); }, false},
                    StopCase{"UserQuits", [] { fw::RequestQuitUnwind(); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PngSaverTest, YieldsBetweenRows) {
  int calls = 0;
  fw::SetYieldHook([&calls] { ++calls; });
  ASSERT_TRUE(pngu::SavePicture(FileNamed("out.png"), GreyPicture(3, 100), -1.0f));
  EXPECT_GE(calls, 99);
}

TEST_F(PngSaverTest, RegistryFindsPluginByItsSignature) {
  pngu::RegisterPlugin();
  fw::PluginEntry entry = fw::LookupPluginFunction(
      "PNGu.SavePicture(file As FolderItem, image As Picture, gamma As Single = 0.0) As Boolean");
  ASSERT_NE(entry, nullptr);
  auto save = reinterpret_cast<pngu::SavePictureFn>(entry);
  EXPECT_TRUE(save(FileNamed("via registry.png"), GreyPicture(5, 5), -1.0f));
  EXPECT_TRUE(ReadPng(PathOf("via registry.png")).has_value());
  EXPECT_EQ(fw::LookupPluginFunction("PNGu.SavePicture(file As FolderItem, image As Picture, gamma As Single) As Boolean"),
            nullptr);
}

TEST_F(PngSaverTest, GreyFileWriterMatchesPlugin) {
  auto picture = GreyPicture(64, 48);
  std::vector<uint8_t> grey = ExpectedPixels(*picture, true);
  ASSERT_TRUE(pngu::SavePicture(FileNamed("plugin.png"), picture, -1.0f));
  ASSERT_TRUE(pngu::WriteGreyPngFile(PathOf("floor.png"), 64, 48, grey.data()));
  EXPECT_EQ(ReadBytes(PathOf("floor.png")), ReadBytes(PathOf("plugin.png")));
}

TEST_F(PngSaverTest, EncoderReportsAWriteThatFails) {
  WriteBytes(PathOf("read-only"), "");
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(PathOf("read-only").c_str(), "rb"), &std::fclose);
  ASSERT_NE(in, nullptr);
  pngu::PngLayout layout;
  layout.width = layout.height = 300;
  std::vector<uint8_t> row(pngu::RowBytes(layout));
  auto noise = [](void*, int y, uint8_t* bytes) {
    for (int x = 0; x < 300; ++x) bytes[x] = uint8_t((x * 131 + y * 71) ^ (x * y));
    return true;
  };
  EXPECT_FALSE(pngu::EncodePng(in.get(), layout, pngu::RowSource{noise, nullptr}, row.data()));
}

TEST_F(PngSaverTest, MovesIntoPlaceOnlyOntoFreeNames) {
  struct Row {
    const char* name;
    bool (*move)(const std::string&, const std::string&);
  };
  for (Row row : {Row{"rename", &pngu::MoveNoReplace}, Row{"link and unlink", &pngu::LinkNoReplace}}) {
    SCOPED_TRACE(row.name);
    fs::create_directory(dir_);
    WriteBytes(PathOf(".tmp"), "new");
    ASSERT_TRUE(row.move(PathOf(".tmp"), PathOf("free")));
    EXPECT_EQ(Entries(), (Names{"free"}));
    EXPECT_EQ(ReadBytes(PathOf("free")), "new");

    WriteBytes(PathOf(".tmp"), "newer");
    errno = 0;
    EXPECT_FALSE(row.move(PathOf(".tmp"), PathOf("free")));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadBytes(PathOf("free")), "new");
    EXPECT_EQ(ReadBytes(PathOf(".tmp")), "newer");
    fs::remove_all(dir_);
  }
}

TEST_F(PngSaverTest, StagedFileLeavesNothingUnlessCommitted) {
  {
    pngu::StagedFile file(PathOf("a.png"));
    ASSERT_NE(file.Stream(), nullptr);
    EXPECT_EQ(fs::path(file.TempPath()).filename().string().rfind(".a.png.", 0), 0u);
    std::fputs("partial", file.Stream());
  }
  EXPECT_EQ(Entries(), Names{});
  const std::string longName(300, 'n');  // the temporary name must still fit
  pngu::StagedFile file(PathOf(longName.substr(0, 250)));
  ASSERT_NE(file.Stream(), nullptr);
  std::fputs("whole", file.Stream());
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(Entries(), Names{longName.substr(0, 250)});
}

}  // namespace
