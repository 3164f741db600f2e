// make_fuzz_corpus FOLDER: writes the seed inputs of the fuzz target, small
// files of a few KB that reach every way through the reader: good files with
// each line end, odd samples, and headers that each size check refuses.
#include <cstdio>
#include <exception>
#include <limits>
#include <stdexcept>
#include <string>

#include "tests/support/map_file_generator.h"

namespace {

using testsupport::MapSpec;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

MapSpec Good(int w, int h, std::vector<std::string> species) {
  MapSpec spec;
  spec.width = w;
  spec.height = h;
  spec.species = std::move(species);
  return spec;
}

void Put(const std::string& folder, const std::string& name, const std::string& bytes) {
  const std::string path = folder + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
    throw std::runtime_error("cannot write " + path);
}

void Put(const std::string& folder, const std::string& name, const MapSpec& spec) {
  Put(folder, name, testsupport::BuildMapFile(spec));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_corpus FOLDER\n");
    return 2;
  }
  const std::string out = argv[1];
  try {
    Put(out, "good-crlf-4x4", Good(4, 4, {"O1"}));
    MapSpec lf = Good(8, 3, {"C1", "Fe2"});
    lf.lineEnd = "\n";
    Put(out, "good-lf-8x3-two-images", lf);
    MapSpec cr = Good(5, 7, {"Si1"});
    cr.lineEnd = "\r";
    cr.hstep = 0.35;
    cr.vstep = 0.5;
    Put(out, "good-cr-5x7", cr);
    Put(out, "one-pixel", Good(1, 1, {"N1"}));
    MapSpec tall = Good(1, 200, {"Au4"});
    tall.hstep = tall.vstep = 12.5;
    Put(out, "one-column", tall);

    MapSpec odd = Good(6, 6, {"O1", "C1"});
    odd.sample = [](int k, int x, int y) {
      if ((x + y) % 5 == 0) return kNaN;
      if (x == 2 && y == 3) return k ? -kInf : kInf;
      return float(x * 7 - y);
    };
    Put(out, "nan-and-infinity", odd);
    MapSpec allNaN = Good(3, 3, {"Ni2"});
    allNaN.sample = [](int, int x, int) { return x ? kNaN : kInf; };
    Put(out, "no-finite-sample", allNaN);
    MapSpec flat = Good(4, 2, {"Cu2"});
    flat.sample = [](int, int, int) { return 3.0f; };
    Put(out, "flat", flat);

    MapSpec noCount = Good(3, 3, {"O1"});
    noCount.writeNoSpectralReg = false;
    Put(out, "no-image-count", noCount);
    MapSpec zeroCount = Good(3, 3, {"O1", "C1"});
    zeroCount.writeNoSpectralReg = false;
    zeroCount.extraHeaderLines = {"NoSpectralReg: 0"};
    Put(out, "count-zero-two-names", zeroCount);
    MapSpec sameName = Good(2, 2, {"O1", "O1", "O1"});
    Put(out, "same-name-three-times", sameName);
    MapSpec oddNames = Good(2, 3, {"", "Fe/Ni", "Maß_µ", "-x"});
    Put(out, "odd-species-names", oddNames);

    Put(out, "header-only", "NoMapPixelsXY: 64 64\r\nNoSpectralReg: 1\r\nSpectralRegDef: 1 0 O1\r\neof\r\n");
    Put(out, "eof-on-first-line", "EOFH\nNoMapPixelsXY: 1 1\n" + std::string(16, '\x01'));
    Put(out, "three-bytes", "abc");
    Put(out, "no-pixel-line", "EBeamScanIncXY: 0.5 0.5\nNoSpectralReg: 1\nSpectralRegDef: 1 0 O1\neof\n" +
                                   std::string(8, '\x40'));
    Put(out, "sizes-zero-negative-words",
        "NoMapPixelsXY: 0 -3\nNoMapPixelsXY:  x 1e10\nNoSpectralReg: -2\nSpectralRegDef: 1 0 O1\neof\n");
    Put(out, "size-wraps-32-bits", "NoMapPixelsXY: 65536 16384\nSpectralRegDef: 1 0 O1\neof\n" + std::string(64, 'z'));
    Put(out, "size-1e10", "NoMapPixelsXY: 1e10 1e10\nNoSpectralReg: 1e10\nSpectralRegDef: 1 0 O1\neof\n");
    const std::string shortHead = "NoMapPixelsXY: 40 40\nSpectralRegDef: 1 0 O1\neof\n";
    Put(out, "block-one-byte-short", shortHead + std::string(40 * 40 * 4 - 1 - shortHead.size(), '\x3f'));
    MapSpec junk = Good(2, 2, {"O1"});
    junk.junk = std::string("\x00\xff\xfe\x80\x81 eof? no\x00\x01\x02", 17);
    junk.lineEnd = "\n";
    Put(out, "junk-between-regions", junk);
    std::string noEof = "NoMapPixelsXY: 2 2\nSpectralRegDef: 1 0 O1\n";
    for (int i = 0; i < 64; ++i) noEof += static_cast<char>((i * 37 + 11) & 0xFF);
    Put(out, "no-eof-binary-junk", noEof);
    Put(out, "keys-shifted-by-blanks",
        " NoMapPixelsXY: 2 2\nNoMapPixelsXY:  2  2\nNoMapPixelsXY: 2 2 EBeamScanIncXY: 1 1\nSpectralRegDef: 1 0 O1\neof\n" +
            std::string(16, '\x41'));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_fuzz_corpus: %s\n", e.what());
    return 1;
  }
  return 0;
}
