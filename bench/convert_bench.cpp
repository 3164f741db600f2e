// Conversion speed against the floor (libpng alone writing the same pictures
// with the same settings through the same temporary-file-and-move), the
// window's liveness during a conversion, and the conversion's peak memory.
//
//   build/bench/bench_convert            all sizes, then the summary of targets
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/runtime.h"
#include "mapconv/main_window.h"
#include "pngu/png_saver.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"

namespace fs = std::filesystem;
using testsupport::ProgramHarness;
using testsupport::TempDir;

namespace {

struct Case {
  int width, height, images;
  std::string Name() const {
    return std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(images);
  }
};
const Case kCases[] = {{512, 512, 10}, {2048, 2048, 4}};

float Sample(int image, int x, int y) {
  return static_cast<float>(1000.0 + 300.0 * std::sin(0.01 * x * (image + 1)) * std::cos(0.013 * y) +
                            0.5 * ((x * 7919 + y * 104729 + image) % 97));
}

TempDir& Folder() {
  static TempDir dir;
  return dir;
}

std::string InputFile(const Case& c) {
  const std::string path = Folder().File("bench" + c.Name() + ".map");
  if (!fs::exists(path)) {
    testsupport::MapSpec spec;
    spec.width = c.width;
    spec.height = c.height;
    for (int k = 0; k < c.images; ++k) spec.species.push_back("E" + std::to_string(k));
    spec.sample = Sample;
    testsupport::WriteMapFile(path, spec);
  }
  return path;
}

// The grey pictures of a case, computed as the converter does, row-major.
std::vector<std::vector<uint8_t>> GreyPictures(const Case& c) {
  std::vector<std::vector<uint8_t>> pictures;
  for (int k = 0; k < c.images; ++k) {
    double lo = Sample(k, 0, 0), hi = lo;
    for (int x = 0; x < c.width; ++x)
      for (int y = 0; y < c.height; ++y) lo = std::min<double>(lo, Sample(k, x, y)), hi = std::max<double>(hi, Sample(k, x, y));
    std::vector<uint8_t> grey(size_t(c.width) * c.height);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        grey[size_t(y) * c.width + x] = static_cast<uint8_t>(std::round((Sample(k, x, y) - lo) * 255.0 / (hi - lo)));
    pictures.push_back(std::move(grey));
  }
  return pictures;
}

void RemovePngs() {
  for (const auto& e : fs::directory_iterator(Folder().path()))
    if (e.path().extension() == ".png") fs::remove(e.path());
}

std::unique_ptr<ProgramHarness>& ProgramSlot() {
  static std::unique_ptr<ProgramHarness> harness;
  return harness;
}
ProgramHarness& Program() {
  if (!ProgramSlot()) ProgramSlot() = std::make_unique<ProgramHarness>();
  return *ProgramSlot();
}

void BM_Convert(benchmark::State& state) {
  const Case& c = kCases[state.range(0)];
  const auto file = fw::FolderItem::FromPath(InputFile(c));
  mapconv::Main* main = Program().main();
  for (auto _ : state) {
    state.PauseTiming();
    RemovePngs();
    state.ResumeTiming();
    main->OpenFile(file);
  }
  state.SetLabel(c.Name());
}

void BM_Floor(benchmark::State& state) {
  const Case& c = kCases[state.range(0)];
  const auto pictures = GreyPictures(c);
  for (auto _ : state) {
    state.PauseTiming();
    RemovePngs();
    state.ResumeTiming();
    for (size_t k = 0; k < pictures.size(); ++k)
      pngu::WriteGreyPngFile(Folder().File("floor" + std::to_string(k) + ".png"), c.width, c.height,
                             pictures[k].data());
  }
  state.SetLabel(c.Name());
}

BENCHMARK(BM_Convert)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Floor)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Conversion and floor timed alternately, so that the machine's noise falls on
// both alike; the ratio of the fastest runs.
double PairedRatio(const Case& c, int rounds) {
  const auto file = fw::FolderItem::FromPath(InputFile(c));
  const auto pictures = GreyPictures(c);
  using Clock = std::chrono::steady_clock;
  double bestConvert = 1e300, bestFloor = 1e300;
  for (int r = 0; r < rounds; ++r) {
    RemovePngs();
    auto t0 = Clock::now();
    Program().main()->OpenFile(file);
    auto t1 = Clock::now();
    RemovePngs();
    auto t2 = Clock::now();
    for (size_t k = 0; k < pictures.size(); ++k)
      pngu::WriteGreyPngFile(Folder().File("floor" + std::to_string(k) + ".png"), c.width, c.height,
                             pictures[k].data());
    auto t3 = Clock::now();
    bestConvert = std::min(bestConvert, std::chrono::duration<double>(t1 - t0).count());
    bestFloor = std::min(bestFloor, std::chrono::duration<double>(t3 - t2).count());
  }
  std::printf("  %-14s fastest conversion %.0f ms, fastest floor %.0f ms\n", c.Name().c_str(), bestConvert * 1e3,
              bestFloor * 1e3);
  return bestConvert / bestFloor;
}

long StatusKiB(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
  return -1;
}

// The longest gap between two ticks of a 10 ms timer while one file converts.
double LongestTickGapMs(const Case& c) {
  const auto file = fw::FolderItem::FromPath(InputFile(c));
  RemovePngs();
  QElapsedTimer clock;
  qint64 last = 0, longest = 0;
  QTimer timer;
  timer.setInterval(10);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  clock.start();
  timer.start();
  Program().main()->OpenFile(file);
  longest = std::max(longest, clock.elapsed() - last);
  timer.stop();
  return static_cast<double>(longest);
}

// Peak memory of one conversion above the idle window's, in MiB.
double PeakAboveIdleMiB(const Case& c) {
  const auto file = fw::FolderItem::FromPath(InputFile(c));
  RemovePngs();
  ProgramHarness::Settle();
  std::ofstream("/proc/self/clear_refs") << "5";  // resets VmHWM to the current RSS
  const long idle = StatusKiB("VmRSS:");
  Program().main()->OpenFile(file);
  const long peak = StatusKiB("VmHWM:");
  return (peak - idle) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  fw::RuntimeInit(argc, argv);
  for (const Case& c : kCases) InputFile(c);
  Program();

  benchmark::RunSpecifiedBenchmarks();

  std::printf("\nTargets\n");
  bool ok = true;
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const Case& c = kCases[i];
    std::fflush(stdout);
    const double ratio = PairedRatio(c, i == 0 ? 7 : 3);
    ok &= ratio <= 1.25;
    std::printf("  %-14s conversion / floor = %.2f (target <= 1.25)\n", c.Name().c_str(), ratio);
    const double gap = LongestTickGapMs(c);
    ok &= gap <= 50;
    std::printf("  %-14s longest gap between 10 ms ticks = %.0f ms (target <= 50)\n", c.Name().c_str(), gap);
  }
  const double peak = PeakAboveIdleMiB(kCases[1]);
  ok &= peak <= 64;
  std::printf("  %-14s peak memory above the idle window = %.1f MiB (target <= 64)\n", kCases[1].Name().c_str(), peak);
  std::printf("%s\n", ok ? "All targets met." : "Some targets missed.");
  std::fflush(stdout);
  RemovePngs();
  ProgramSlot().reset();  // the windows go before the runtime
  benchmark::Shutdown();
  fw::RuntimeExit();
  return ok ? 0 : 1;
}
