#include "pngu/png_saver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
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

uint32_t Big32(const std::string& s, size_t at) {
  return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 | uint32_t(uint8_t(s[at + 2])) << 8 |
         uint8_t(s[at + 3]);
}

// A PNG file's chunks (type, data), checked as stored: each length within
// PNG's 2^31 - 1, each CRC, and IEND last with nothing after it.
std::vector<std::pair<std::string, std::string>> Chunks(const std::string& file) {
  std::vector<std::pair<std::string, std::string>> chunks;
  size_t at = 8;
  for (; at + 12 <= file.size() && (chunks.empty() || chunks.back().first != "IEND"); at += 12 + chunks.back().second.size()) {
    const uint32_t length = Big32(file, at);
    EXPECT_LE(length, 0x7FFFFFFFu);
    if (length > file.size() - at - 12) break;
    EXPECT_EQ(Big32(file, at + 8 + length), crc32(0, reinterpret_cast<const Bytef*>(&file[at + 4]), 4 + length));
    chunks.emplace_back(file.substr(at + 4, 4), file.substr(at + 8, length));
  }
  EXPECT_EQ(at, file.size());
  EXPECT_TRUE(!chunks.empty() && chunks.back().first == "IEND");
  return chunks;
}

// What FAT through FUSE answers (tried): no unnamed files, no modes, no
// no-replace rename, no hard links.
int FatThroughFuse(pngu::FileCall call) {
  constexpr int kAnswers[] = {EOPNOTSUPP, ENOSYS, EINVAL, EPERM};  // in FileCall's order
  return kAnswers[int(call)];
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
  void TearDown() override {  // also between rows
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
    const auto png = ReadPng(tmp_.File(std::string(row.name) + "-8.png"));
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(std::make_pair(png->width, png->height), std::make_pair(int(row.width), int(row.height)));
    EXPECT_EQ(png->colorType, row.grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB);
    EXPECT_TRUE(png->pixels == pixels);
    std::string idat;
    for (const auto& [type, data] : Chunks(first)) {
      EXPECT_LE(data.size(), row.maxChunk) << type;
      if (type == "IDAT") idat += data;
    }
    // Each band primed with the rows before it: within a fifth of one zlib stream of the same filtered rows.
    std::vector<uint8_t> filtered((rowBytes + 1) * row.height), one(compressBound(filtered.size()));
    uLongf filteredSize = filtered.size(), oneSize = one.size();
    ASSERT_EQ(uncompress(filtered.data(), &filteredSize, reinterpret_cast<const Bytef*>(idat.data()), idat.size()), Z_OK);
    ASSERT_EQ(compress2(one.data(), &oneSize, filtered.data(), filteredSize, 6), Z_OK);
    EXPECT_LE(idat.size() * 5, oneSize * 6);
  }
}

TEST_F(PngSaverTest, PicturesAreGreyUnlessAPixelIsNotWithGammaOnlyAboveZero) {
  struct Row {
    const char* name;
    fw::Color odd;  // drawn at the last pixel
    float gamma;
    int colorType;
    uint32_t gama;  // 0: no gAMA chunk
  };
  const Row rows[] = {
      {"grey, display gamma 2.2", fw::RGB(9, 9, 9), 2.2f, PNG_COLOR_TYPE_GRAY, 45455},
      {"one coloured pixel", fw::RGB(200, 10, 90), -1.0f, PNG_COLOR_TYPE_RGB, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string name = std::string(row.name) + " (2.5\u00B5m).png";
    auto picture = fw::NewPicture(37, 21, 32);
    std::vector<uint8_t> expected;
    for (int i = 0; i < 37 * 21; ++i) {
      const fw::Color c = i == 37 * 21 - 1 ? row.odd : fw::RGB(i * 7, i * 7, i * 7);
      picture->SetPixel(i % 37, i / 37, c);
      for (int shift : {16, 8, 0})
        if (row.colorType == PNG_COLOR_TYPE_RGB || shift == 0) expected.push_back(uint8_t(c >> shift));
    }
    ASSERT_TRUE(pngu::SavePicture(FileNamed(name), picture, row.gamma));
    const auto png = ReadPng(tmp_.File(name));
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(png->colorType, row.colorType);
    EXPECT_FALSE(png->hasPhys);
    uint32_t gama = 0;
    for (const auto& [type, data] : Chunks(ReadBytes(tmp_.File(name))))
      if (type == "gAMA") gama = Big32(data, 0);
    EXPECT_EQ(gama, row.gama);
    EXPECT_EQ(png->pixels, expected);
    EXPECT_EQ(tmp_.Names(), Names{name});
    fs::remove(tmp_.File(name));
  }
}

TEST_F(PngSaverTest, NothingToSaveNowhereToSaveItOrTheNameTakenChangesNothing) {
  const std::string kept = "an older file that must survive";
  testsupport::WriteBytes(tmp_.File("file.png"), kept);
  fs::create_directory(tmp_.File("folder.png"));
  fs::create_symlink(tmp_.File("nowhere"), tmp_.File("dangling.png"));
  const Names before = tmp_.Names();
  const auto picture = fw::NewPicture(4, 4, 32);
  struct Row {
    const char* name;
    fw::FolderItemRef file;
    fw::PictureRef picture;
    bool taken = false;
  };
  const Row rows[] = {
      {"nil file", nullptr, picture},
      {"folder does not exist", FileNamed("missing/a.png"), picture},
      {"parent is a file", FileNamed("file.png/a.png"), picture},
      {"no name", FileNamed("a.png/"), picture},
      {"a file's name", FileNamed("file.png"), picture, true},
      {"a folder's name", FileNamed("folder.png"), picture, true},
      {"a dangling link's name", FileNamed("dangling.png"), picture, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(pngu::SavePicture(row.file, row.picture, -1.0f));
    EXPECT_TRUE(!row.taken || errno == EEXIST) << "errno " << errno;
    EXPECT_EQ(tmp_.Names(), before);
  }
  EXPECT_EQ(ReadBytes(tmp_.File("file.png")), kept);
  const int readOnly = ::open(tmp_.File("file.png").c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_FALSE(pngu::EncodePng(readOnly, {300, 300}, VectorRows(Bytes(Fill::Random, 90000), 300)));
  ::close(readOnly);
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

TEST_F(PngSaverTest, AQuitOrAnErrorDuringTheDeflateLeavesNoFileAndNoTaskRunning) {
  auto picture = fw::NewPicture(2048, 2048, 32);
  const std::vector<uint8_t> noise = Bytes(Fill::Random, 2048 * 2048);
  std::copy(noise.begin(), noise.end(), picture->MutableGreyRow(0));
  const auto expectStopped = [&] {
    TearDown();
    EXPECT_TRUE(OtherThreadsFallAsleep()) << "a worker still runs";
    EXPECT_EQ(tmp_.Names(), Names{});
  };
  for (auto refuse : {static_cast<int (*)(pngu::FileCall)>(nullptr), &FatThroughFuse}) {  // unnamed; named at once
    pngu::SetFileCallHook(refuse);
    fw::SetYieldHook([] { fw::RequestQuitUnwind(); });
    EXPECT_THROW(pngu::SavePicture(FileNamed("out.png"), picture, -1.0f), fw::QuitUnwind);
    expectStopped();
    pngu::SetFileCallHook(refuse);
    fw::SetYieldHook([] { throw std::runtime_error("a handler failed"); });
    EXPECT_THROW(pngu::SavePicture(FileNamed("out.png"), picture, -1.0f), std::runtime_error);
    expectStopped();
  }
  std::thread([] {  // a failed zlib set-up fails one band, not the thread's later ones
    const std::vector<uint8_t> smooth = Bytes(Fill::Constant, 65536);
    std::vector<uint8_t> out;
    pngu::FailZlibSetUps(1);
    EXPECT_FALSE(pngu::DeflateBand(nullptr, 0, smooth.data(), smooth.size(), true, out));
    EXPECT_TRUE(pngu::DeflateBand(nullptr, 0, smooth.data(), smooth.size(), true, out));
  }).join();
}

// Every way a file is made, as file systems that lack a call lead to it.
TEST_F(PngSaverTest, EveryWayOfMakingTheFileWritesItWholeWithOneModeAndNeverReplacesOrLeavesAFile) {
  using pngu::FileCall;
  struct Row {
    const char* name;
    int (*refuse)(FileCall);
  };
  const Row rows[] = {
      {"unnamed", nullptr},
      {"hidden name: a kernel without unnamed files", [](FileCall c) { return c == FileCall::OpenUnnamed ? EISDIR : 0; }},
      {"hidden name moved by a link", [](FileCall c) { return c == FileCall::OpenUnnamed || c == FileCall::RenameNoReplace ? FatThroughFuse(c) : 0; }},
      {"the name itself, exclusively: FAT through FUSE", &FatThroughFuse},
  };
  const std::string name(255, 'n');  // a hidden name must still fit
  auto picture = fw::NewPicture(300, 200, 32);
  const std::vector<uint8_t> noise = Bytes(Fill::Random, 300 * 200);
  std::copy(noise.begin(), noise.end(), picture->MutableGreyRow(0));
  const mode_t mask = ::umask(0);
  ::umask(mask);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    pngu::SetFileCallHook(row.refuse);
    {
      pngu::NewFile dropped(tmp_.File(name));
      EXPECT_EQ(::write(dropped.Fd(), "partial", 7), 7);
    }
    EXPECT_EQ(tmp_.Names(), Names{}) << "a dropped file is left";
    testsupport::WriteBytes(tmp_.File(name), "taken meanwhile");
    {
      pngu::NewFile late(tmp_.File(name));
      EXPECT_FALSE(late.Fd() >= 0 && late.Commit());
      EXPECT_EQ(errno, EEXIST);  // the converter numbers on
    }
    EXPECT_EQ(ReadBytes(tmp_.File(name)), "taken meanwhile");
    EXPECT_EQ(tmp_.Names(), Names{name});
    fs::remove(tmp_.File(name));
    ASSERT_TRUE(pngu::SavePicture(FileNamed(name), picture, -1.0f));
    EXPECT_EQ(ReadPng(tmp_.File(name)).value().pixels, noise);
    EXPECT_EQ(unsigned(fs::status(tmp_.File(name)).permissions()), 0666u & ~mask);
    EXPECT_EQ(tmp_.Names(), Names{name});
    fs::remove(tmp_.File(name));
  }
}

}  // namespace
