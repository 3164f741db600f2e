#pragma once
// Synthetic ".map"/".sem" files for tests, the benchmark and the fuzz corpus:
// a text header, some bytes that belong to neither region, and the float32
// samples of every image at the end of the file.
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct MapSpec {
  int width = 0, height = 0;
  // One "SpectralRegDef:" line per entry; a name holding a blank would not be
  // read back whole.
  std::vector<std::string> species;
  double hstep = 0.01, vstep = 0.01;  // micrometres per pixel
  bool writeStep = true;  // false: no "EBeamScanIncXY:" line, so no field size
  // Sample of column x, row y of an image; nullptr gives a ramp that differs per image.
  std::function<float(int image, int x, int y)> sample;
};

// The whole file in memory.
std::string BuildMapFile(const MapSpec& spec);
// The same bytes, streamed to path; throws std::runtime_error when it cannot write.
void WriteMapFile(const std::string& path, const MapSpec& spec);

// The header lines BuildMapFile writes before the "EOFH" line.
std::vector<std::string> MapHeaderLines(const MapSpec& spec);
// The bytes before the sample block.
std::string MapFileHead(const MapSpec& spec);

// The most images whose header the program reads whole: one header line per
// image beside five others, and at most mapconv::kMaxHeaderLines are read.
int MaxMapImages();

}  // namespace testsupport
