#include "pngu/png_saver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>
#include <thread>

#include "framework/exceptions.h"
#include "framework/yield.h"
#include "pngu/band_deflate.h"
#include "pngu/new_file.h"
#include "pngu/png_encoder.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/png_reader.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::ReadBytes;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

enum class Fill { Constant, Random, Ramp };

std::vector<uint8_t> Bytes(Fill fill, size_t count) {
  std::vector<uint8_t> bytes(count, 77);
  std::mt19937 rng(7);
  for (size_t i = 0; i < count && fill != Fill::Constant; ++i)
    bytes[i] = fill == Fill::Random ? uint8_t(rng()) : uint8_t(i / 5);
  return bytes;
}

uint32_t Big32(const std::string& s, size_t at) { return png_get_uint_32(reinterpret_cast<const png_byte*>(&s[at])); }

// A PNG file's chunk data by type, joined, as stored: each length within
// maxChunk (PNG's 2^31 - 1), each CRC right, IEND last.
std::map<std::string, std::string> Chunks(const std::string& file, uint32_t maxChunk = 0x7FFFFFFF) {
  std::map<std::string, std::string> chunks;
  size_t at = 8;
  for (uint32_t length; !chunks.count("IEND") && at + 12 <= file.size(); at += 12 + length) {
    length = Big32(file, at);
    EXPECT_LE(length, maxChunk);
    if (length > file.size() - at - 12) break;
    EXPECT_EQ(Big32(file, at + 8 + length), crc32(0, reinterpret_cast<const Bytef*>(&file[at + 4]), 4 + length));
    chunks[file.substr(at + 4, 4)] += file.substr(at + 8, length);
  }
  EXPECT_TRUE(chunks.count("IEND") && at == file.size());
  return chunks;
}

struct VectorRows : pngu::PixelRows {
  VectorRows(const std::vector<uint8_t>& bytes, size_t rowBytes) : bytes(bytes), rowBytes(rowBytes) {}
  void Copy(uint32_t y, size_t begin, size_t end, uint8_t* out) const override {
    std::copy(bytes.data() + y * rowBytes + begin, bytes.data() + y * rowBytes + end, out);
  }
  const std::vector<uint8_t>& bytes;
  size_t rowBytes;
};

class PngSaverTest : public testing::Test {
 protected:
  void TearDown() override {
    fw::SetYieldHook(nullptr);
    fw::ResetQuitRequest();
    pngu::SetFileCallHook(nullptr);
  }
  fw::FolderItemRef FileNamed(const std::string& name) const { return fw::FolderItem::FromPath(tmp_.File(name)); }

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
      const std::string path = tmp_.File(std::string(row.name) + "-" + std::to_string(threads) + ".png");
      pngu::NewFile file(path);
      ASSERT_TRUE(pngu::EncodePng(file.Fd(), {row.width, row.height, row.grey}, VectorRows(pixels, rowBytes),
                                  {threads, row.maxChunk}));
      ASSERT_TRUE(file.Commit());
      if (first.empty()) first = ReadBytes(path);
      EXPECT_EQ(ReadBytes(path), first) << threads << " threads";
    }
    const DecodedPng png = ReadPng(tmp_.File(std::string(row.name) + "-8.png")).value();
    EXPECT_EQ(std::make_pair(png.width, png.height), std::make_pair(int(row.width), int(row.height)));
    EXPECT_EQ(png.colorType, row.grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB);
    EXPECT_TRUE(png.pixels == pixels);
    const std::string idat = Chunks(first, row.maxChunk)["IDAT"];
    // Each band primed with the rows before it: within a fifth of one zlib stream of the same filtered rows.
    std::vector<uint8_t> filtered((rowBytes + 1) * row.height), one(compressBound(filtered.size()));
    uLongf filteredSize = filtered.size(), oneSize = one.size();
    ASSERT_EQ(uncompress(filtered.data(), &filteredSize, reinterpret_cast<const Bytef*>(&idat[0]), idat.size()), Z_OK);
    ASSERT_EQ(compress2(one.data(), &oneSize, filtered.data(), filteredSize, 6), Z_OK);
    EXPECT_LE(idat.size() * 5, oneSize * 6);
  }
}

TEST_F(PngSaverTest, NothingToSaveNowhereToSaveItTheNameTakenOrAFailureWhileWritingChangesNothing) {
  testsupport::WriteBytes(tmp_.File("file.png"), "kept");
  const Names before = tmp_.Names();
  const auto picture = fw::NewPicture(4, 4, 32);
  const std::pair<std::string, fw::FolderItemRef> rows[] = {
      {"nil file", nullptr},
      {"folder does not exist", FileNamed("missing/a.png")},
      {"parent is a file", FileNamed("file.png/a.png")},
      {"no name", FileNamed("a.png/")},
      {"taken", FileNamed("file.png")},
  };
  for (const auto& [what, file] : rows) {
    SCOPED_TRACE(what);
    errno = 0;
    EXPECT_FALSE(pngu::SavePicture(file, picture, -1.0f));
    EXPECT_EQ(errno == EEXIST, what == "taken") << "errno " << errno;
    EXPECT_EQ(tmp_.Names(), before);
  }
  EXPECT_EQ(ReadBytes(tmp_.File("file.png")), "kept");
  const int readOnly = ::open(tmp_.File("file.png").c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_FALSE(pngu::EncodePng(readOnly, {300, 300}, VectorRows(Bytes(Fill::Random, 90000), 300)));
  ::close(readOnly);
  std::thread([&] {  // a failed zlib set-up fails its picture (on one thread too) and one band, not later ones
    const std::vector<uint8_t> smooth = Bytes(Fill::Constant, 65536);
    const int fd = ::open(tmp_.File("set-up.png").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    pngu::FailZlibSetUps(1);
    EXPECT_FALSE(pngu::EncodePng(fd, {256, 256}, VectorRows(smooth, 256), {.threads = 1}));
    ::close(fd);
    std::vector<uint8_t> out;
    pngu::FailZlibSetUps(1);
    EXPECT_FALSE(pngu::DeflateBand(nullptr, 0, smooth.data(), smooth.size(), true, out));
    EXPECT_TRUE(pngu::DeflateBand(nullptr, 0, smooth.data(), smooth.size(), true, out));
  }).join();
}

// Whether every thread of this process but the calling one falls asleep. A
// worker looks for work a moment before it sleeps; on a loaded machine a
// thread waits its turn in the same state, hence the long deadline.
bool OtherThreadsFallAsleep() {
  for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
    bool running = false;
    for (const auto& task : fs::directory_iterator("/proc/self/task"))  // stat: "tid (name) state ..."
      running |= task.path().filename() != std::to_string(::gettid()) &&
                 ReadBytes(task.path() / "stat").find(") R ") != std::string::npos;
    if (!running) return true;
  }
  return false;
}

// Every way a file is made, as file systems that lack calls lead to it; and
// pictures are grey unless a pixel is not, with a gAMA chunk only for a gamma above 0.
TEST_F(PngSaverTest, EveryWayOfMakingTheFileWritesItWholeOrLeavesNothingAndNeverReplaces) {
  struct Row {
    const char* way;
    std::array<int, 4> refused;  // the errno of each pngu::FileCall that the file system lacks; 0: has it
    fw::Color odd;  // drawn at the last pixel
    float gamma;
    uint32_t gama;  // the gAMA chunk's value; 0: none
  };
  const Row rows[] = {
      {"unnamed, grey for a display of gamma 2.2", {}, fw::RGB(9, 9, 9), 2.2f, 45455},
      {"hidden name: a kernel before unnamed files; a pixel in colour", {EISDIR}, fw::RGB(200, 10, 90), -1.0f, 0},
      {"hidden name, moved by a link", {EOPNOTSUPP, 0, EINVAL}, fw::RGB(9, 9, 9), -1.0f, 0},
      {"the name itself (O_EXCL): FAT through FUSE", {EOPNOTSUPP, ENOSYS, EINVAL, EPERM}, fw::RGB(9, 9, 9), 0.0f, 0},
  };
  const std::string name = std::string(242, 'n') + " (2.5\u00B5m).png";  // 255 bytes: a hidden name must still fit
  auto noisy = fw::NewPicture(2048, 2048, 32);  // keeps the workers busy
  std::ranges::copy(Bytes(Fill::Random, 2048 * 2048), noisy->MutableGreyRow(0));
  const mode_t mask = ::umask(0);
  ::umask(mask);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.way);
    pngu::SetFileCallHook([&row](pngu::FileCall call) { return row.refused[size_t(call)]; });
    // A quit, or a handler that fails, while the picture is deflated.
    fw::SetYieldHook([] { fw::RequestQuitUnwind(); });
    EXPECT_THROW(pngu::SavePicture(FileNamed(name), noisy, -1.0f), fw::QuitUnwind);
    fw::ResetQuitRequest();
    fw::SetYieldHook([] { throw std::runtime_error("a handler failed"); });
    EXPECT_THROW(pngu::SavePicture(FileNamed(name), noisy, -1.0f), std::runtime_error);
    fw::SetYieldHook(nullptr);
    EXPECT_TRUE(OtherThreadsFallAsleep()) << "a worker still runs";
    EXPECT_EQ(tmp_.Names(), Names{}) << "a file is left";

    auto picture = fw::NewPicture(37, 21, 32);
    std::vector<uint8_t> expected;
    for (int i = 0; i < 37 * 21; ++i) {
      const fw::Color c = i == 37 * 21 - 1 ? row.odd : fw::RGB(i * 7, i * 7, i * 7);
      picture->SetPixel(i % 37, i / 37, c);
      for (int shift : {16, 8, 0})
        if (!fw::IsGreyColor(row.odd) || shift == 0) expected.push_back(uint8_t(c >> shift));
    }
    ASSERT_TRUE(pngu::SavePicture(FileNamed(name), picture, row.gamma));
    {
      pngu::NewFile late(tmp_.File(name));  // another file for the name, finished later
      EXPECT_FALSE(late.Fd() >= 0 && late.Commit());
      EXPECT_EQ(errno, EEXIST);  // the converter numbers on
    }
    const DecodedPng png = ReadPng(tmp_.File(name)).value();
    EXPECT_EQ(png.colorType, fw::IsGreyColor(row.odd) ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB);
    EXPECT_EQ(png.pixels, expected);
    EXPECT_FALSE(png.hasPhys);
    const std::string gama = Chunks(ReadBytes(tmp_.File(name)))["gAMA"];
    EXPECT_EQ(gama.empty() ? 0 : Big32(gama, 0), row.gama);
    EXPECT_EQ(unsigned(fs::status(tmp_.File(name)).permissions()), 0666u & ~mask);
    EXPECT_EQ(tmp_.Names(), Names{name});
    fs::remove(tmp_.File(name));
  }
}

}  // namespace
