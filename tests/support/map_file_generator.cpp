#include "tests/support/map_file_generator.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <stdexcept>

#include "mapconv/header_reader.h"

namespace testsupport {

namespace {

// Locale-independent, as the program reads numbers.
template <typename T>
std::string Number(T x) {
  std::array<char, 64> buf{};
  auto res = std::to_chars(buf.data(), buf.data() + buf.size(), x);
  return std::string(buf.data(), res.ptr);
}

float DefaultSample(int image, int x, int y) {
  return static_cast<float>(image * 1000 + x * 3 + y);
}

void AppendSample(std::string& out, float value) {
  const auto bits = std::bit_cast<uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((bits >> shift) & 0xFF);
}

// Hands the sample block to sink in pieces of about 1 MiB.
template <typename Sink>
void EmitSamples(const MapSpec& spec, Sink&& sink) {
  const auto& sample = spec.sample ? spec.sample : std::function<float(int, int, int)>(DefaultSample);
  std::string chunk;
  for (int k = 0; k < static_cast<int>(spec.species.size()); ++k)
    for (int x = 0; x < spec.width; ++x) {
      for (int y = 0; y < spec.height; ++y) AppendSample(chunk, sample(k, x, y));
      if (chunk.size() >= (1u << 20)) {
        sink(chunk);
        chunk.clear();
      }
    }
  if (!chunk.empty()) sink(chunk);
}

}  // namespace

std::vector<std::string> MapHeaderLines(const MapSpec& spec) {
  std::vector<std::string> lines = {
      "Version: 4",
      "FileType: Synthetic Auger map",
      "NoMapPixelsXY: " + Number(spec.width) + " " + Number(spec.height),
  };
  if (spec.writeStep) lines.push_back("EBeamScanIncXY: " + Number(spec.hstep) + " " + Number(spec.vstep));
  lines.push_back("NoSpectralReg: " + Number(spec.species.size()));
  // Field 1 is the key, 2 the region number, 3 its kind, 4 the species name.
  for (std::size_t k = 0; k < spec.species.size(); ++k)
    lines.push_back("SpectralRegDef: " + Number(k + 1) + " 0 " + spec.species[k] + " 500.0 520.0 0.5");
  return lines;
}

// The header, then bytes that belong to neither the header nor the samples.
std::string MapFileHead(const MapSpec& spec) {
  std::string out;
  for (const auto& line : MapHeaderLines(spec)) out += line + "\r\n";
  return out + "EOFH\r\n" + std::string("\x00\x01\xFE\xFF junk\n\r\x7F", 12);
}

int MaxMapImages() { return mapconv::kMaxHeaderLines - static_cast<int>(MapHeaderLines(MapSpec{}).size()); }

std::string BuildMapFile(const MapSpec& spec) {
  std::string out = MapFileHead(spec);
  EmitSamples(spec, [&out](const std::string& chunk) { out += chunk; });
  return out;
}

void WriteMapFile(const std::string& path, const MapSpec& spec) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const auto write = [&out](const std::string& bytes) { out.write(bytes.data(), std::streamsize(bytes.size())); };
  write(MapFileHead(spec));
  EmitSamples(spec, write);
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace testsupport
