#pragma once
// Per-image values of the conversion: smallest and largest sample, where the
// largest lies in the file, and the grey level of each sample.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace mapconv {

// Two upper-case hexadecimal digits for 0 ... 255, "--" for anything else.
std::string ByteHex(int32_t n);

// Fed every sample of one image in reading order. Non-finite samples take no
// part; the values start from the first finite sample. An image without one
// keeps its first sample as smallest and largest, and maxpos at its start.
struct ImageStats {
  double smallest = 0, largest = 0;
  int64_t maxpos = 0;  // file offset of the first occurrence of the largest
  bool anyFinite = false;

  static ImageStats Begin(double firstSample, int64_t startOffset) {
    return ImageStats{firstSample, firstSample, startOffset, false};
  }

  void Add(double sample, int64_t offset) {
    if (anyFinite) {
      // NaN compares false both ways; an infinity passes a comparison but
      // fails the range test behind it.
      if (sample > largest) {
        if (sample <= std::numeric_limits<double>::max()) {
          largest = sample;  // strictly: a repeat keeps the first occurrence
          maxpos = offset;
        }
      } else if (sample < smallest && sample >= -std::numeric_limits<double>::max()) {
        smallest = sample;
      }
      return;
    }
    if (!std::isfinite(sample)) return;
    anyFinite = true;
    smallest = largest = sample;
    maxpos = offset;
  }
};

// 255 / (largest - smallest); 0 for a flat image or non-finite bounds, which
// draws every pixel black.
inline double GreyScale(double smallest, double largest) {
  const double range = largest - smallest;
  if (!std::isfinite(range) || range == 0) return 0;
  const double scale = 255.0 / range;
  return std::isfinite(scale) ? scale : 0;
}

// The grey level 0 ... 255 of a sample, rounded half away from zero; black
// for a non-finite sample or result.
inline int GreyLevel(double sample, double smallest, double scale) {
  const double v = (sample - smallest) * scale;
  if (!std::isfinite(v)) return 0;
  if (v >= 0 && v < 2147483647.0) {
    // The common case without a call into the maths library: the whole part,
    // plus one when the fraction is a half or more.
    const int whole = static_cast<int>(v);
    return whole + (v - whole >= 0.5 ? 1 : 0);
  }
  const double r = std::round(v);  // half away from zero, as the runtime's Round
  if (r <= -2147483648.0) return INT32_MIN;
  if (r >= 2147483647.0) return INT32_MAX;
  return static_cast<int>(r);
}

// "Min: " + smallest + " Max: " + largest.
std::string MinMaxRow(double smallest, double largest);
// "Max: " and the four bytes of the largest sample in file order.
std::string MaxBytesRow(int b1, int b2, int b3, int b4);

}  // namespace mapconv
