#include "pngu/png_saver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <thread>

#include "framework/exceptions.h"
#include "framework/plugins.h"
#include "framework/yield.h"
#include "pngu/new_file.h"
#include "pngu/png_encoder.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/png_reader.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

enum class Fill { Constant, Random, Ramp };

std::vector<uint8_t> Bytes(Fill fill, size_t count) {
  std::vector<uint8_t> bytes(count, 77);
  std::mt19937 rng(7);
  for (size_t i = 0; i < count && fill != Fill::Constant; ++i) bytes[i] = fill == Fill::Random ? uint8_t(rng()) : uint8_t(i / 5);
  return bytes;
}

class VectorRows : public pngu::PixelRows {
 public:
  VectorRows(const std::vector<uint8_t>& bytes, size_t rowBytes) : bytes_(bytes), rowBytes_(rowBytes) {}
  void Copy(uint32_t y, size_t begin, size_t end, uint8_t* out) const override {
    std::copy(bytes_.begin() + ptrdiff_t(y * rowBytes_ + begin), bytes_.begin() + ptrdiff_t(y * rowBytes_ + end), out);
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t rowBytes_;
};

// What zlib and the PNG format themselves check, apart from libpng: every
// chunk's CRC, and the IDAT chunks joined into one zlib stream (adler32
// included) that inflates to exactly `filteredSize` bytes. "" when all hold.
std::string CheckChunks(const std::string& file, uint64_t filteredSize) {
  if (file.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0) return "no PNG signature";
  std::string idat, last;
  for (size_t at = 8; at < file.size(); at += 12) {
    if (file.size() - at < 12) return "a cut chunk";
    const auto* p = reinterpret_cast<const uint8_t*>(file.data() + at);
    const uint32_t length = uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
    if (file.size() - at - 12 < length) return "a cut chunk";
    const uint8_t* crc = p + 8 + length;
    if (crc32(0, p + 4, length + 4) != (uint32_t(crc[0]) << 24 | crc[1] << 16 | crc[2] << 8 | crc[3]))
      return "a wrong CRC in " + file.substr(at + 4, 4);
    last = file.substr(at + 4, 4);
    if (last == "IDAT") idat.append(file, at + 8, length);
    at += length;
  }
  if (last != "IEND") return "no IEND at the end";
  z_stream z{};
  inflateInit(&z);
  std::vector<uint8_t> out(size_t(filteredSize) + 1);
  z.next_in = reinterpret_cast<Bytef*>(idat.data());
  z.avail_in = uInt(idat.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  const int rc = inflate(&z, Z_FINISH);
  const uint64_t inflated = z.total_out;
  inflateEnd(&z);
  if (rc != Z_STREAM_END) return "zlib: " + std::string(z.msg ? z.msg : "stream not ended");
  return inflated == filteredSize ? "" : "inflates to " + std::to_string(inflated) + " bytes";
}

class PngSaverTest : public testing::Test {
 protected:
  void TearDown() override {
    fw::SetYieldHook(nullptr);
    fw::ResetQuitRequest();
  }
  std::string PathOf(const std::string& name) const { return tmp_.File(name); }
  fw::FolderItemRef FileNamed(const std::string& name) const { return fw::FolderItem::FromPath(PathOf(name)); }
  Names Entries() const { return tmp_.Names(); }  // hidden ones included

  testsupport::TempDir tmp_;
};

TEST_F(PngSaverTest, AwkwardShapesDecodeToEveryPixelWithTheSameBytesOnAnyNumberOfThreads) {
  struct Row {
    const char* name;
    uint32_t width, height;
    bool grey;
    Fill fill;
    uint32_t maxChunk = 0x7FFFFFFF;
  };
  const Row rows[] = {
      {"one pixel", 1, 1, true, Fill::Random},
      {"one column, many bands", 1, 100000, true, Fill::Ramp},
      {"one row across bands", 200000, 1, true, Fill::Random},
      {"rows just under a band", 65534, 3, true, Fill::Random},
      {"rows of a band exactly", 65535, 3, true, Fill::Random},
      {"rows just over a band", 65536, 3, true, Fill::Ramp},
      {"one band", 100, 100, true, Fill::Random},
      {"many bands", 1000, 1000, true, Fill::Random},
      {"constant", 1500, 700, true, Fill::Constant},
      {"RGB", 257, 300, false, Fill::Random},
      {"RGB row across bands", 70000, 2, false, Fill::Ramp},
      {"IDAT split in many chunks", 300, 200, true, Fill::Random, 1000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const size_t rowBytes = size_t(row.width) * (row.grey ? 1 : 3);
    const std::vector<uint8_t> pixels = Bytes(row.fill, rowBytes * row.height);
    std::string first;
    for (unsigned threads : {1u, 2u, 8u}) {
      const std::string path = PathOf(std::string(row.name) + "-" + std::to_string(threads) + ".png");
      pngu::NewFile file(path);
      pngu::EncodeOptions options;
      options.threads = threads;
      options.maxChunkBytes = row.maxChunk;
      ASSERT_TRUE(pngu::EncodePng(file.Fd(), {row.width, row.height, row.grey}, VectorRows(pixels, rowBytes), options));
      ASSERT_TRUE(file.Commit());
      const std::string bytes = ReadBytes(path);
      if (first.empty()) first = bytes;
      EXPECT_EQ(bytes, first) << threads << " threads";
    }
    EXPECT_EQ(CheckChunks(first, uint64_t(rowBytes + 1) * row.height), "");
    const auto png = ReadPng(PathOf(std::string(row.name) + "-8.png"));
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(png->width, int(row.width));
    EXPECT_EQ(png->height, int(row.height));
    EXPECT_EQ(png->colorType, row.grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB);
    EXPECT_TRUE(png->pixels == pixels);
  }
}

TEST_F(PngSaverTest, PicturesAreGreyUnlessAPixelIsNotWithGammaOnlyAboveZero) {
  struct Row {
    const char* name;
    fw::Color odd;  // drawn at the last pixel
    float gamma;
    int colorType;
    double fileGamma;  // 0: no gAMA chunk
  };
  const Row rows[] = {
      {"grey, as the converter saves it", fw::RGB(9, 9, 9), -1.0f, PNG_COLOR_TYPE_GRAY, 0},
      {"grey, gamma 0", fw::RGB(9, 9, 9), 0.0f, PNG_COLOR_TYPE_GRAY, 0},
      {"grey, display gamma 2.2", fw::RGB(9, 9, 9), 2.2f, PNG_COLOR_TYPE_GRAY, 0.45455},
      {"one coloured pixel", fw::RGB(200, 10, 90), -1.0f, PNG_COLOR_TYPE_RGB, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string name = std::string(row.name) + " (2.5\u00B5m).png";
    auto picture = fw::NewPicture(37, 21, 32);
    std::vector<uint8_t> expected;
    for (int y = 0; y < 21; ++y)
      for (int x = 0; x < 37; ++x) {
        const fw::Color c = x == 36 && y == 20 ? row.odd : fw::RGB(x * 7 + y, x * 7 + y, x * 7 + y);
        picture->SetPixel(x, y, c);
        for (int shift : {16, 8, 0})
          if (row.colorType == PNG_COLOR_TYPE_RGB || shift == 0) expected.push_back(uint8_t(c >> shift));
      }
    ASSERT_TRUE(pngu::SavePicture(FileNamed(name), picture, row.gamma));
    const auto png = ReadPng(PathOf(name));
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(png->colorType, row.colorType);
    EXPECT_FALSE(png->hasPhys);
    EXPECT_EQ(png->hasGama, row.fileGamma > 0);
    if (png->hasGama) EXPECT_NEAR(png->fileGamma, row.fileGamma, 1e-5);
    EXPECT_EQ(png->pixels, expected);
    struct stat st;
    ASSERT_EQ(::stat(PathOf(name).c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);
    fs::remove(PathOf(name));
    EXPECT_EQ(Entries(), Names{});
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
    EXPECT_FALSE(pngu::SavePicture(FileNamed(name), fw::NewPicture(4, 4, 32), -1.0f));
    for (bool unnamed : {true, false}) {  // taken while the file was written
      pngu::NewFile file(PathOf(name), unnamed);
      ASSERT_GE(file.Fd(), 0);
      EXPECT_FALSE(file.Commit());
    }
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
      {"nil file", nullptr, fw::NewPicture(2, 2, 32)},
      {"nil picture", FileNamed("a.png"), nullptr},
      {"folder does not exist", FileNamed("missing/a.png"), fw::NewPicture(2, 2, 32)},
      {"parent is a file", FileNamed("plain/a.png"), fw::NewPicture(2, 2, 32)},
      {"no name", FileNamed("a.png/"), fw::NewPicture(2, 2, 32)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(pngu::SavePicture(row.file, row.picture, -1.0f));
    EXPECT_EQ(Entries(), Names{"plain"});
  }
  const int readOnly = ::open(PathOf("plain").c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_FALSE(pngu::EncodePng(readOnly, {300, 300}, VectorRows(Bytes(Fill::Random, 90000), 300)));
  ::close(readOnly);
}

// Whether every thread of this process but the calling one sleeps.
bool OtherThreadsAsleep() {
  for (const auto& task : fs::directory_iterator("/proc/self/task")) {
    if (task.path().filename() == std::to_string(::gettid())) continue;
    std::string stat = ReadBytes((task.path() / "stat").string());
    const size_t paren = stat.rfind(')');
    if (paren != std::string::npos && stat.size() > paren + 2 && stat[paren + 2] == 'R') return false;
  }
  return true;
}

TEST_F(PngSaverTest, StopDuringTheDeflateLeavesNoFileAndNoTaskRunning) {
  auto picture = fw::NewPicture(2048, 2048, 32);
  const std::vector<uint8_t> noise = Bytes(Fill::Random, 2048 * 2048);
  std::copy(noise.begin(), noise.end(), picture->MutableGreyRow(0));
  struct Row {
    const char* name;
    void (*atFirstYield)();
    bool quit;
  };
  const Row rows[] = {{"user quits", [] { fw::RequestQuitUnwind(); }, true},
                      {"yield throws", [] { throw std::runtime_error("test hook"); }, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    int calls = 0;
    fw::SetYieldHook([&] {
      if (++calls == 1) row.atFirstYield();
    });
    bool quit = false, other = false;
    try {
      pngu::SavePicture(FileNamed("out.png"), picture, -1.0f);
    } catch (const fw::QuitUnwind&) {
      quit = true;
    } catch (const std::runtime_error&) {
      other = true;
    }
    fw::SetYieldHook(nullptr);
    fw::ResetQuitRequest();
    EXPECT_EQ(quit, row.quit);
    EXPECT_EQ(other, !row.quit);
    bool asleep = false;
    for (int i = 0; i < 100 && !(asleep = OtherThreadsAsleep()); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_TRUE(asleep) << "a worker still runs";
    EXPECT_EQ(Entries(), Names{});
  }
}

TEST_F(PngSaverTest, KilledWhileWritingLeavesNoFile) {
  const std::vector<uint8_t> noise = Bytes(Fill::Random, size_t(8192) * 4096);
  const std::string path = PathOf("large.png");
  const pid_t child = ::fork();
  if (child == 0) {
    // One thread: the pool's workers of this process do not exist in the child.
    pngu::WriteGreyPngFile(path, 8192, 4096, noise.data(), 1);
    ::_exit(0);
  }
  ASSERT_GT(child, 0);
  // Under way once the child holds a file in the folder open (unnamed: "<folder>/#123 (deleted)").
  const std::string fds = "/proc/" + std::to_string(child) + "/fd";
  bool writing = false;
  for (int i = 0; i < 20000 && !writing; ++i) {
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator(fds, ec))
      writing |= fs::read_symlink(fd.path(), ec).string().rfind(tmp_.path().string() + "/", 0) == 0;
    if (!writing) std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(writing) << "the child never started writing";
  EXPECT_TRUE(WIFSIGNALED(status)) << "the child finished before it was killed";
  EXPECT_EQ(Entries(), Names{});
}

TEST_F(PngSaverTest, NewFileAppearsWholeOrNotAtAll) {
  for (bool unnamed : {true, false}) {
    SCOPED_TRACE(unnamed ? "unnamed" : "hidden name");
    const std::string name = std::string(250, 'n') + (unnamed ? "u" : "h");  // a hidden name must still fit
    {
      pngu::NewFile file(PathOf(name), unnamed);
      ASSERT_GE(file.Fd(), 0);
      EXPECT_EQ(::write(file.Fd(), "partial", 7), 7);
      if (!unnamed) EXPECT_EQ(Entries().size(), 1u);
    }
    EXPECT_EQ(Entries(), Names{});
    pngu::NewFile file(PathOf(name), unnamed);
    EXPECT_EQ(file.Unnamed(), unnamed);
    EXPECT_EQ(::write(file.Fd(), "whole", 5), 5);
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(Entries(), Names{name});
    EXPECT_EQ(ReadBytes(PathOf(name)), "whole");
    fs::remove(PathOf(name));
  }
  for (auto move : {&pngu::MoveNoReplace, &pngu::LinkNoReplace}) {
    WriteBytes(PathOf(".tmp"), "newer");
    WriteBytes(PathOf("taken"), "old");
    errno = 0;
    EXPECT_FALSE(move(PathOf(".tmp"), PathOf("taken")));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadBytes(PathOf("taken")), "old");
    EXPECT_TRUE(move(PathOf(".tmp"), PathOf("free")));
    EXPECT_EQ(Entries(), (Names{"free", "taken"}));
    fs::remove(PathOf("free"));
  }
}

TEST_F(PngSaverTest, RegistryFindsPluginByItsSignature) {
  pngu::RegisterPlugin();
  fw::PluginEntry entry = fw::LookupPluginFunction(
      "PNGu.SavePicture(file As FolderItem, image As Picture, gamma As Single = 0.0) As Boolean");
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(reinterpret_cast<pngu::SavePictureFn>(entry)(FileNamed("via registry.png"), fw::NewPicture(5, 5, 32), -1.0f));
  EXPECT_TRUE(ReadPng(PathOf("via registry.png")).has_value());
  EXPECT_EQ(fw::LookupPluginFunction("PNGu.SavePicture(file As FolderItem, image As Picture, gamma As Single) As Boolean"),
            nullptr);
}

}  // namespace
