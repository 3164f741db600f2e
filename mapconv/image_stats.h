#pragma once
// Per-image values of the conversion: smallest and largest sample, where the
// largest lies in the file, and the grey level of each sample.
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mapconv {

// Two upper-case hexadecimal digits for 0 ... 255, "--" for anything else.
std::string ByteHex(int32_t n);

// The samples of an image (or of a run of them) in reading order.
// Non-finite samples take no part; an image without a finite one keeps its
// first sample as smallest and largest, and maxpos at its start.
struct ImageStats {
  double smallest = 0, largest = 0;
  int64_t maxpos = 0;     // file offset of the first occurrence of the largest
  uint32_t maxBits = 0;   // that sample's four bytes, the first in bits 0-7
  bool anyFinite = false;
};

// What an image starts from: its first sample, at its start offset.
ImageStats FirstSampleStats(uint32_t bits, int64_t startOffset);
// The run of n samples whose first lies at file offset `offset`.
ImageStats ScanSamples(const float* samples, size_t n, int64_t offset);
// Adds the run that follows `acc` in reading order: the same values as one
// scan over both runs.
void MergeStats(ImageStats& acc, const ImageStats& later);

// 255 / (largest - smallest); 0 for a flat image or non-finite bounds, which
// draws every pixel black.
double GreyScale(double smallest, double largest);

// The grey level of a sample: (sample - smallest) * scale rounded half away
// from zero and taken as a byte; black for a non-finite result.
inline uint8_t GreyByte(float sample, double smallest, double scale) {
  const double v = (double(sample) - smallest) * scale;
  const bool inRange = v > -2147483648.0 && v < 2147483647.0;  // false for NaN and infinities
  const double c = inRange ? v : 0.0;
  const int whole = int(c);
  const double fraction = c - double(whole);
  const int rounded = whole + (fraction >= 0.5 ? 1 : 0) - (fraction <= -0.5 ? 1 : 0);
  // Finite values beyond the Int32 range saturate, as the conversion does.
  const int saturated = v >= 2147483647.0 && v <= DBL_MAX ? 255 : 0;
  return uint8_t(inRange ? rounded : saturated);
}

// GreyByte of each of n samples, into out; four at a time where the
// processor has SSE2 (every x86-64 does).
void GreyBytes(const float* samples, size_t n, double smallest, double scale, uint8_t* out);

// "Min: " + smallest + " Max: " + largest.
std::string MinMaxRow(double smallest, double largest);
// "Max: " and the four bytes of the largest sample in file order.
std::string MaxBytesRow(uint32_t bits);

}  // namespace mapconv
