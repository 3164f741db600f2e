// The converter against the numpy+Pillow script (peer.py) on the same
// files in the same run, from outside: the program started as a desktop starts
// it, with the files' paths, timed until its last PNG is in place; the script
// once per file. On every core, then both pinned to two. Then, in this
// process: the PNG encoder alone against the script's own PNG time, the
// window's longest pause during a conversion, and the peak memory of one;
// and from outside, the program's answers on its session socket during a
// conversion and its end after SIGTERM part-way through one.
//
//   build/bench/bench_convert [PEER_DIR]
//
// PEER_DIR holds noisy_map.py and peer.py: the argument, else $ORV_PEER_DIR,
// else bench/ in the source tree.
#include <sched.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/outside_runs.h"
#include "bench/session_probe.h"
#include "bench/smooth_images.h"
#include "framework/parallel.h"
#include "framework/runtime.h"
#include "mapconv/main_window.h"
#include "pngu/png_saver.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/gui_harness.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using bench::Cpus;
using testsupport::ProgramHarness;

namespace {

const std::string kPython = "/usr/bin/python3";
std::string g_peer;  // the folder of noisy_map.py and peer.py
testsupport::TempDir g_work;

std::string WorkFile(const std::string& name) { return g_work.File(name); }

// A file from noisy_map.py (seed as given), and its expected pictures when asked.
std::string GeneratedMap(const std::string& name, int w, int h, int n, int seed, bool gray8 = false) {
  const std::string path = WorkFile(name + ".map");
  std::vector<std::string> command{kPython, g_peer + "/noisy_map.py", std::to_string(w), std::to_string(h),
                                   std::to_string(n), std::to_string(seed), path};
  if (gray8) command.insert(command.end(), {"--gray8", WorkFile(name + ".gray8")});
  if (bench::RunToEnd(command, {}) < 0) {
    std::fprintf(stderr, "bench_convert: %s/noisy_map.py failed\n", g_peer.c_str());
    fw::RuntimeExit();  // the toolkit's application goes before the statics it uses
    std::exit(2);
  }
  return path;
}

// Smooth, noise-free images in noisy_map.py's file layout, so that the script reads them too.
std::string SmoothMap(int side) {
  testsupport::MapSpec spec;
  spec.width = spec.height = side;
  spec.sample = [side](int k, int x, int y) { return bench::SmoothSample(k, x, y, side, side); };
  std::vector<std::string> header = {"FileType: SyntheticMap", "NoMapPixelsXY: " + std::to_string(side) + " " +
                                                                  std::to_string(side),
                                     "EBeamScanIncXY: 0.0195 0.0195", "NoSpectralReg: 4"};
  const char* species[] = {"Grad1", "Ring1", "Blob1", "Step1"};
  for (int k = 0; k < 4; ++k) {
    spec.species.push_back(species[k]);
    header.push_back("SpectralRegDef: " + std::to_string(k + 1) + " 1 " + species[k] + " 300.0 312.0 24 0.5");
  }
  header.push_back("eof");
  const std::string path = WorkFile("smooth.map");
  testsupport::WriteFileWithHeader(path, header, spec);
  return path;
}

// The same input in a folder of the script's and one of the program's.
std::string Place(const std::string& input, const std::string& folder) {
  fs::create_directories(WorkFile(folder));
  const std::string linked = WorkFile(folder) + "/" + fs::path(input).filename().string();
  if (!fs::exists(linked)) fs::create_hard_link(input, linked);
  return linked;
}

struct Outcome {
  double peer = 1e300, program = 1e300;  // fastest seconds
  unsigned long long peerBytes = 0, programBytes = 0;
  bool failed = false;
};

// Runs the script once per file and the program once on all of them,
// alternately, and keeps the fastest of each.
Outcome Compare(const std::vector<std::string>& inputs, size_t pngs, const Cpus& cpus, int rounds) {
  Outcome out;
  std::vector<std::string> peerFiles, programFiles;
  for (const auto& input : inputs) {
    peerFiles.push_back(Place(input, "peer"));
    programFiles.push_back(Place(input, "program"));
  }
  const fs::path peerDir = WorkFile("peer"), programDir = WorkFile("program");
  for (int r = 0; r < rounds; ++r) {
    bench::RemovePngs(peerDir);
    double peer = 0;
    for (const auto& file : peerFiles) {
      const double s = bench::RunToEnd({kPython, g_peer + "/peer.py", file}, cpus);
      out.failed |= s < 0;
      peer += s;
    }
    out.peer = std::min(out.peer, peer);
    out.peerBytes = bench::PngBytes(peerDir);
    bench::RemovePngs(programDir);
    const double program = bench::TimeProgram(ORV_PROGRAM_PATH, programFiles, programDir, pngs, cpus);
    out.failed |= program < 0;
    out.program = std::min(out.program, program);
    out.programBytes = bench::PngBytes(programDir);
  }
  bench::RemovePngs(peerDir);
  bench::RemovePngs(programDir);
  for (const auto& f : peerFiles) fs::remove(f);
  for (const auto& f : programFiles) fs::remove(f);
  return out;
}

bool Report(const char* name, const char* cores, const Outcome& o, double timeTarget, double bytesTarget) {
  const double speed = o.peer / o.program, bytes = double(o.programBytes) / double(o.peerBytes);
  const bool ok = !o.failed && (timeTarget <= 0 || speed >= timeTarget) && bytes <= bytesTarget;
  std::printf("| %-22s | %-5s | %7.0f ms | %7.0f ms | %5.1fx%s | %10llu | %10llu | %5.3f (<= %.2f) |%s\n", name,
              cores, o.peer * 1e3, o.program * 1e3, speed,
              timeTarget > 0 ? (" (>= " + std::to_string(int(timeTarget)) + "x)").c_str() : "", o.peerBytes,
              o.programBytes, bytes, bytesTarget, ok ? "" : " MISSED");
  std::fflush(stdout);
  return ok;
}

// The script's own PNG time (its --profile) against our encoder writing the
// same pictures (noisy_map.py's expected ones) with all usable cores and with two threads.
bool EncoderAlone(const std::string& map, const std::string& gray8, int side, int images) {
  const std::string err = WorkFile("profile.txt");
  const std::string placed = Place(map, "peer");
  bench::RunToEnd({kPython, g_peer + "/peer.py", placed, "--profile"}, {}, err);
  bench::RemovePngs(WorkFile("peer"));
  fs::remove(placed);
  std::ifstream profile(err);
  std::string word, last;
  double peerPng = -1;
  while (profile >> word) {
    if (last == "png") peerPng = std::atof(word.c_str());
    last = word;
  }
  std::vector<uint8_t> pixels(size_t(side) * side * images);
  std::ifstream(gray8, std::ios::binary).read(reinterpret_cast<char*>(pixels.data()), std::streamsize(pixels.size()));
  bool ok = peerPng > 0;
  for (unsigned threads : {0u, 2u}) {
    double best = 1e300;
    for (int r = 0; r < 5; ++r) {
      bench::RemovePngs(g_work.path());
      const auto t0 = std::chrono::steady_clock::now();
      for (int k = 0; k < images; ++k)
        ok &= pngu::WriteGreyPngFile(WorkFile("enc" + std::to_string(k) + ".png"), side, side,
                                     pixels.data() + size_t(k) * side * side, threads);
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::printf("  encoder alone, %d x %d x %d, %u threads: %.1f ms; the script's PNG time %.0f ms: %.0fx\n", side,
                side, images, threads ? threads : fw::UsableCores(), best * 1e3, peerPng * 1e3, peerPng / best);
  }
  bench::RemovePngs(g_work.path());
  return ok;
}

// Pins every thread of this process (the workers too) to the CPUs, or frees it.
void PinProcess(const std::vector<int>& cpus) {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (cpus.empty()) {
    for (int c = 0; c < CPU_SETSIZE; ++c) CPU_SET(c, &set);
  }
  for (int c : cpus) CPU_SET(c, &set);
  for (const auto& task : fs::directory_iterator("/proc/self/task"))
    sched_setaffinity(pid_t(std::stoi(task.path().filename().string())), sizeof set, &set);
}

// The longest gap between two ticks of a 10 ms timer while one file converts.
double LongestTickGapMs(ProgramHarness& program, const std::string& input) {
  const auto file = fw::FolderItem::FromPath(input);
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
  program.main()->OpenFile(file);
  longest = std::max(longest, clock.elapsed() - last);
  timer.stop();
  bench::RemovePngs(fs::path(input).parent_path());
  return double(longest);
}

long StatusKiB(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
  return -1;
}

// Peak memory of one conversion above the idle window's, in MiB.
double PeakAboveIdleMiB(ProgramHarness& program, const std::string& input) {
  const auto file = fw::FolderItem::FromPath(input);
  ProgramHarness::Settle();
  std::ofstream("/proc/self/clear_refs") << "5";  // resets VmHWM to the current RSS
  const long idle = StatusKiB("VmRSS:");
  program.main()->OpenFile(file);
  const long peak = StatusKiB("VmHWM:");
  bench::RemovePngs(fs::path(input).parent_path());
  return (peak - idle) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* env = std::getenv("ORV_PEER_DIR");
  g_peer = argc > 1 ? argv[1] : env ? env : std::string(ORV_SOURCE_DIR) + "/bench";
  for (const char* script : {"noisy_map.py", "peer.py"})
    if (!fs::is_regular_file(g_peer + "/" + script)) {
      std::fprintf(stderr, "bench_convert: no %s in %s (usage: bench_convert [PEER_DIR])\n", script, g_peer.c_str());
      return 2;
    }
  // As the tests do: without a screen, the windows of this process run offscreen.
  const auto unset = [](const char* name) { return !std::getenv(name) || !*std::getenv(name); };
  if (unset("DISPLAY") && unset("WAYLAND_DISPLAY")) ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  fw::RuntimeInit(argc, argv);
  std::printf("Preparing files (noisy_map.py in %s) ...\n", g_peer.c_str());
  std::fflush(stdout);
  const std::string big = GeneratedMap("big", 2048, 2048, 4, 2, true);
  std::vector<std::string> ten;
  for (int i = 0; i < 10; ++i) ten.push_back(GeneratedMap("drop" + std::to_string(i), 512, 512, 10, 2 + i));
  const std::string smooth = SmoothMap(1024);

  bool ok = true;
  std::printf("\n| case | cores | script | program | speed | script bytes | program bytes | bytes ratio |\n");
  std::printf("|---|---|---|---|---|---|---|---|\n");
  for (const Cpus& cpus : {Cpus{""}, Cpus{"0,1"}}) {
    const char* cores = cpus.list.empty() ? "all" : "2";
    ok &= Report("2048 x 2048 x 4, seed 2", cores, Compare({big}, 4, cpus, 3), cpus.list.empty() ? 25 : 12, 1.10);
    ok &= Report("ten 512 x 512 x 10", cores, Compare(ten, 100, cpus, 2), cpus.list.empty() ? 20 : 0, 1.10);
    ok &= Report("smooth 1024 x 1024 x 4", cores, Compare({smooth}, 4, cpus, 1), 0, 1.30);
  }
  std::printf("(all = %u cores)\n\n", fw::UsableCores());
  ok &= EncoderAlone(big, WorkFile("big.gray8"), 2048, 4);

  {
    // Noisy waves, which deflate like the instrument's maps.
    const auto waves = [](int side, int images) {
      testsupport::MapSpec spec;
      spec.width = spec.height = side;
      for (int k = 0; k < images; ++k) spec.species.push_back("E" + std::to_string(k));
      spec.sample = [](int k, int x, int y) {
        const double wave = 300.0 * std::sin(0.01 * x * (k + 1)) * std::cos(0.013 * y);
        return float(1000.0 + wave + (x * 7919 + y * 104729 + k) % 97);
      };
      const std::string path = WorkFile("waves" + std::to_string(side) + ".map");
      testsupport::WriteMapFile(path, spec);
      return path;
    };
    const std::string huge = waves(4096, 8), square = waves(16000, 1);
    const std::pair<const char*, std::string> live[] = {
        {"2048 x 2048 x 4", Place(big, "live")}, {"4096 x 4096 x 8", huge}, {"16000 x 16000 x 1", square}};
    ProgramHarness program;
    const double peak = PeakAboveIdleMiB(program, huge);  // first: later runs leave memory to the heap
    ok &= peak <= 64;
    std::printf("  peak memory above the idle window converting 4096 x 4096 x 8: %.1f MiB (target <= 64)\n", peak);
    for (const std::vector<int>& cpus : {std::vector<int>{}, std::vector<int>{0, 1}}) {
      PinProcess(cpus);
      for (const auto& [name, input] : live) {
        const double gap = LongestTickGapMs(program, input);
        ok &= gap <= 30;
        std::printf("  longest pause of the window converting %s, %s cores: %.0f ms (target <= 30)\n", name,
                    cpus.empty() ? "all" : "2", gap);
        std::fflush(stdout);
      }
    }
    PinProcess({});
    // The same from outside: the program's answers on its session socket, and quits part-way.
    for (const auto& [name, input, pngs] : {std::tuple{"4096 x 4096 x 8", huge, 8}, {"16000 x 16000 x 1", square, 1}}) {
      const std::string placed = Place(input, "outside" + std::to_string(pngs));
      for (const Cpus& cpus : {Cpus{""}, Cpus{"0,1"}}) {
        const bench::OutsideLook look = bench::LookFromOutside(ORV_PROGRAM_PATH, placed, pngs, cpus);
        ok &= look.longestAnswerMs >= 0 && look.longestAnswerMs <= 30 && look.quitMs >= 0 && look.quitMs <= 200 &&
              look.quitStatus == 0 && look.onlyWholePngs;
        std::printf("  from outside, %s, %s cores: slowest answer on the session socket %.1f ms (target <= 30); "
                    "SIGTERM at 1/4, 1/2, 3/4: slowest end %.0f ms (target <= 200), status %d, %s\n",
                    name, cpus.list.empty() ? "all" : "2", look.longestAnswerMs, look.quitMs, look.quitStatus,
                    look.onlyWholePngs ? "only whole PNGs left" : "A PARTIAL OR HIDDEN FILE LEFT");
        std::fflush(stdout);
      }
    }
  }
  std::printf("%s\n", ok ? "All targets met." : "Some targets missed.");
  fw::RuntimeExit();
  return ok ? 0 : 1;
}
