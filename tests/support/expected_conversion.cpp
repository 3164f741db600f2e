#include "tests/support/expected_conversion.h"

#include <bit>
#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testsupport {

namespace {

std::string HexByte(unsigned v) {
  const char* digits = "0123456789ABCDEF";
  return {digits[(v >> 4) & 15], digits[v & 15]};
}

}  // namespace

std::vector<uint8_t> ExpectedGreyLevels(const MapSpec& spec, int image) {
  double lo = INFINITY, hi = -INFINITY;
  for (int x = 0; x < spec.width; ++x)
    for (int y = 0; y < spec.height; ++y) {
      const double s = spec.sample(image, x, y);
      if (std::isfinite(s)) {
        lo = std::min(lo, s);
        hi = std::max(hi, s);
      }
    }
  std::vector<uint8_t> grey(static_cast<size_t>(spec.width) * spec.height, 0);
  if (!(hi > lo)) return grey;  // no finite sample, or a flat image
  const double scale = 255.0 / (hi - lo);
  for (int x = 0; x < spec.width; ++x)
    for (int y = 0; y < spec.height; ++y) {
      const double s = spec.sample(image, x, y);
      if (std::isfinite(s)) grey[static_cast<size_t>(y) * spec.width + x] = uint8_t(std::round((s - lo) * scale));
    }
  return grey;
}

std::string ExpectedMaxBytesRow(const MapSpec& spec, int image) {
  float best = spec.sample(image, 0, 0);
  bool any = false;
  for (int x = 0; x < spec.width; ++x)
    for (int y = 0; y < spec.height; ++y) {
      const float s = spec.sample(image, x, y);
      if (std::isfinite(s) && (!any || s > best)) best = s;
      any = any || std::isfinite(s);
    }
  const auto bits = std::bit_cast<uint32_t>(best);
  return "Max: " + HexByte(bits) + " " + HexByte(bits >> 8) + " " + HexByte(bits >> 16) + " " + HexByte(bits >> 24);
}

void WriteFileWithHeader(const std::string& path, const std::vector<std::string>& headerLines,
                         const MapSpec& spec) {
  std::string bytes;
  for (const auto& line : headerLines) bytes += line + "\r\n";
  const std::string file = BuildMapFile(spec);
  WriteBytes(path, bytes + file.substr(file.size() - size_t{4} * spec.width * spec.height * spec.species.size()));
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace testsupport
