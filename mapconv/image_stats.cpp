#include "mapconv/image_stats.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/numbers.h"
#include "framework/strings.h"

namespace mapconv {

std::string ByteHex(int32_t n) {
  if (n < 0 || n > 255) return "--";
  return fw::Right("00" + fw::Hex(n), 2);
}

ImageStats FirstSampleStats(uint32_t bits, int64_t startOffset) {
  float first;
  std::memcpy(&first, &bits, 4);
  return ImageStats{first, first, startOffset, bits, false};
}

namespace {
// Finite floats as integers in the same order (except that -0 comes before +0,
// which the look-ups below settle): integer bounds vectorise where float
// ones do not, since a float minimum must keep NaN's rules.
int32_t OrderKey(uint32_t bits) { return int32_t(bits ^ (uint32_t(int32_t(bits) >> 31) & 0x7FFFFFFFu)); }
float FromKey(int32_t key) {
  const auto k = uint32_t(key);
  const uint32_t bits = k ^ (uint32_t(int32_t(k) >> 31) & 0x7FFFFFFFu);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}
}  // namespace

ImageStats ScanSamples(const float* samples, size_t n, int64_t offset) {
  // First the bounds alone, in a loop without an early exit; then the first
  // place of the largest, and of a smallest zero, whose sign is that of its
  // first occurrence.
  int32_t lo = INT32_MAX, hi = INT32_MIN;
  for (size_t i = 0; i < n; ++i) {
    uint32_t bits;
    std::memcpy(&bits, samples + i, 4);
    const int32_t finite = -int32_t((bits & 0x7F800000u) != 0x7F800000u);  // all ones when finite
    const int32_t key = OrderKey(bits);
    lo = std::min(lo, (key & finite) | (INT32_MAX & ~finite));
    hi = std::max(hi, (key & finite) | (INT32_MIN & ~finite));
  }
  ImageStats stats;
  if (hi == INT32_MIN) return stats;  // no finite sample (no finite key is that low)
  stats.anyFinite = true;
  const float largest = FromKey(hi);
  size_t at = 0;
  while (!(samples[at] == largest)) ++at;
  stats.largest = samples[at];
  stats.maxpos = offset + 4 * int64_t(at);
  std::memcpy(&stats.maxBits, &samples[at], 4);
  stats.smallest = FromKey(lo);
  if (stats.smallest == 0) {
    size_t zero = 0;
    while (!(samples[zero] == 0)) ++zero;
    stats.smallest = samples[zero];
  }
  return stats;
}

void MergeStats(ImageStats& acc, const ImageStats& later) {
  if (!later.anyFinite) return;
  if (!acc.anyFinite) {
    acc = later;
    return;
  }
  // Strict comparisons: an equal value keeps its first occurrence.
  if (later.largest > acc.largest) {
    acc.largest = later.largest;
    acc.maxpos = later.maxpos;
    acc.maxBits = later.maxBits;
  }
  if (later.smallest < acc.smallest) acc.smallest = later.smallest;
}

double GreyScale(double smallest, double largest) {
  const double range = largest - smallest;
  if (!std::isfinite(range) || range == 0) return 0;
  const double scale = 255.0 / range;
  return std::isfinite(scale) ? scale : 0;
}

std::string MinMaxRow(double smallest, double largest) {
  return "Min: " + fw::Str(smallest) + " Max: " + fw::Str(largest);
}

std::string MaxBytesRow(uint32_t bits) {
  std::string row = "Max:";
  for (int shift = 0; shift < 32; shift += 8) row += " " + ByteHex(int32_t((bits >> shift) & 0xFF));
  return row;
}

}  // namespace mapconv
