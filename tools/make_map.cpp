// make_map OUT.map W H N [SEED]: writes a synthetic map file of N images of
// W x H smooth pseudo-random samples, the same bytes for the same arguments,
// which the program reads whole.
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "mapconv/header_reader.h"
#include "tests/support/map_file_generator.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

bool ParseInt(std::string_view text, long long& out) {
  auto res = std::from_chars(text.data(), text.data() + text.size(), out);
  return res.ec == std::errc() && res.ptr == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
  long long args[4] = {0, 0, 0, 1};  // W, H, N, seed
  bool ok = argc == 5 || argc == 6;
  for (int i = 2; ok && i < argc; ++i) ok = ParseInt(argv[i], args[i - 2]);
  const auto [w, h, n, seed] = args;
  const int most = testsupport::MaxMapImages();
  if (!ok || w < 1 || h < 1 || n < 1 || w > 65535 || h > 65535 || n > most) {
    std::fprintf(stderr,
                 "usage: make_map OUT.map W H N [SEED]\n"
                 "W and H from 1 to 65535, N from 1 to %d (the program reads at most %d header lines),\n"
                 "the file below 2 GiB (the program refuses larger ones)\n",
                 most, mapconv::kMaxHeaderLines);
    return 2;
  }
  static const char* const kSpecies[] = {"O1", "C1", "Fe2", "Ni2", "Si1", "Au4", "Cu2", "N1"};
  testsupport::MapSpec spec;
  spec.width = static_cast<int>(w);
  spec.height = static_cast<int>(h);
  // Four waves per image: amplitude, x and y frequency, phase. std::mt19937's
  // output is fixed by the standard, unlike the distributions.
  std::vector<std::array<double, 4>> waves;
  for (long long k = 0; k < n; ++k) {
    spec.species.push_back(kSpecies[k % 8] + (k >= 8 ? "-" + std::to_string(k / 8) : ""));
    std::mt19937 rng(static_cast<uint32_t>(seed) * 7919u + static_cast<uint32_t>(k));
    const auto unit = [&rng] { return rng() / 4294967296.0; };
    for (int i = 0; i < 4; ++i) waves.push_back({100.0 * (1 + unit()), 1 + 3 * unit(), 1 + 3 * unit(), kTwoPi * unit()});
  }
  const double tw = kTwoPi / static_cast<double>(w);
  const double th = kTwoPi / static_cast<double>(h);
  spec.sample = [&](int k, int x, int y) {
    double v = 1000.0 + 50.0 * k;
    for (int i = 0; i < 4; ++i) {
      const auto& [amplitude, fx, fy, phase] = waves[4 * k + i];
      v += amplitude * std::sin(fx * tw * x + fy * th * y + phase);
    }
    return static_cast<float>(v);
  };
  if (mapconv::TooLargeToRead(static_cast<long long>(testsupport::MapFileHead(spec).size()) + 4 * w * h * n)) {
    std::fprintf(stderr, "make_map: the file would be 2 GiB or more, which the program refuses\n");
    return 2;
  }
  try {
    testsupport::WriteMapFile(argv[1], spec);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_map: %s\n", e.what());
    return 1;
  }
  return 0;
}
