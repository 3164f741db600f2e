// make_map OUT.map W H N [seed]: writes a synthetic map file of N images of
// W x H smooth pseudo-random samples, the same bytes for the same arguments.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/map_file_generator.h"

namespace {

bool ParseInt(std::string_view text, long long& out) {
  auto res = std::from_chars(text.data(), text.data() + text.size(), out);
  return res.ec == std::errc() && res.ptr == text.data() + text.size();
}

struct Wave {
  double amplitude, fx, fy, phase;
};

// std::mt19937's output is fixed by the standard, unlike the distributions.
double Unit(std::mt19937& rng) { return rng() / 4294967296.0; }

std::vector<std::vector<Wave>> MakeWaves(int images, uint32_t seed) {
  std::vector<std::vector<Wave>> waves(images);
  for (int k = 0; k < images; ++k) {
    std::mt19937 rng(seed * 7919u + static_cast<uint32_t>(k));
    for (int i = 0; i < 4; ++i)
      waves[k].push_back({100.0 * (1 + Unit(rng)), 1 + 3 * Unit(rng), 1 + 3 * Unit(rng),
                          6.283185307179586 * Unit(rng)});
  }
  return waves;
}

}  // namespace

int main(int argc, char** argv) {
  long long w = 0, h = 0, n = 0, seed = 1;
  if (argc < 5 || argc > 6 || !ParseInt(argv[2], w) || !ParseInt(argv[3], h) ||
      !ParseInt(argv[4], n) || (argc == 6 && !ParseInt(argv[5], seed)) || w < 1 || h < 1 ||
      n < 1 || w > 65535 || h > 65535 || n > 1000) {
    std::fprintf(stderr, "usage: make_map OUT.map W H N [seed]\n");
    return 2;
  }
  static const char* const kSpecies[] = {"O1", "C1", "Fe2", "Ni2", "Si1", "Au4", "Cu2", "N1"};
  testsupport::MapSpec spec;
  spec.width = static_cast<int>(w);
  spec.height = static_cast<int>(h);
  for (long long k = 0; k < n; ++k) {
    std::string name = kSpecies[k % 8];
    if (k >= 8) name += "-" + std::to_string(k / 8);
    spec.species.push_back(name);
  }
  const auto waves = MakeWaves(static_cast<int>(n), static_cast<uint32_t>(seed));
  const double tw = 6.283185307179586 / static_cast<double>(w);
  const double th = 6.283185307179586 / static_cast<double>(h);
  spec.sample = [&](int k, int x, int y) {
    double v = 1000.0 + 50.0 * k;
    for (const Wave& wv : waves[k]) v += wv.amplitude * std::sin(wv.fx * tw * x + wv.fy * th * y + wv.phase);
    return static_cast<float>(v);
  };
  try {
    testsupport::WriteMapFile(argv[1], spec);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_map: %s\n", e.what());
    return 1;
  }
  return 0;
}
