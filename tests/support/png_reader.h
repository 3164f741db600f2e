#pragma once
// A small PNG decoder over libpng, for checking what the program wrote.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct DecodedPng {
  int width = 0, height = 0;
  int colorType = -1;  // as stored: PNG_COLOR_TYPE_GRAY (0), PNG_COLOR_TYPE_RGB (2), ...
  int bitDepth = 0;    // as stored
  bool hasPhys = false, hasGama = false;
  std::vector<uint8_t> pixels;  // row-major, 1 byte per pixel for grey, 3 for RGB
};

// nullopt when the file cannot be opened or is not exactly one complete PNG
// that libpng reads without a warning.
// Pixels come out as 8 bits: palettes become RGB, 16-bit samples and alpha
// are dropped. Interlaced files (the program writes none) do not decode to
// their pixels.
std::optional<DecodedPng> ReadPng(const std::string& path);
