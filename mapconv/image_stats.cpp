#include "mapconv/image_stats.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
// The first sample equal to v (-0 equals +0); the bounds come from these
// very samples, so one is there, and the search never passes the last.
size_t FirstEqual(const float* samples, size_t n, float v) {
  size_t i = 0;
  while (i + 1 < n && !(samples[i] == v)) ++i;
  return i;
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
  const size_t at = FirstEqual(samples, n, FromKey(hi));
  stats.largest = samples[at];
  stats.maxpos = offset + 4 * int64_t(at);
  std::memcpy(&stats.maxBits, &samples[at], 4);
  stats.smallest = FromKey(lo);
  if (stats.smallest == 0) stats.smallest = samples[FirstEqual(samples, n, 0.0f)];
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

void GreyBytes(const float* samples, size_t n, double smallest, double scale, uint8_t* out) {
  size_t i = 0;
#ifdef __SSE2__
  // GreyByte's arithmetic, in double, two lanes at a time. Values in
  // [0, 255.5) round the same way as there; a non-finite one is black. A
  // finite value outside that range (which scaling between an image's own
  // bounds does not give) sends its four samples through GreyByte itself.
  const __m128d low = _mm_set1_pd(smallest), factor = _mm_set1_pd(scale);
  const __m128d zero = _mm_setzero_pd(), top = _mm_set1_pd(255.5), half = _mm_set1_pd(0.5);
  const auto levels = [&](__m128d sample, bool& odd) {
    const __m128d v = _mm_mul_pd(_mm_sub_pd(sample, low), factor);
    const __m128d inRange = _mm_and_pd(_mm_cmpge_pd(v, zero), _mm_cmplt_pd(v, top));
    const __m128d finite = _mm_cmpeq_pd(_mm_sub_pd(v, v), zero);
    odd = odd || _mm_movemask_pd(_mm_andnot_pd(inRange, finite)) != 0;
    const __m128d c = _mm_and_pd(v, inRange);
    const __m128i whole = _mm_cvttpd_epi32(c);
    const __m128d up = _mm_cmpge_pd(_mm_sub_pd(c, _mm_cvtepi32_pd(whole)), half);
    // whole - (-1) where the fraction is a half or more; lanes 0 and 1.
    return _mm_sub_epi32(whole, _mm_shuffle_epi32(_mm_castpd_si128(up), _MM_SHUFFLE(3, 3, 2, 0)));
  };
  for (; i + 4 <= n; i += 4) {
    const __m128 four = _mm_loadu_ps(samples + i);
    bool odd = false;
    const __m128i first = levels(_mm_cvtps_pd(four), odd);
    const __m128i second = levels(_mm_cvtps_pd(_mm_movehl_ps(four, four)), odd);
    if (odd) {
      for (size_t j = i; j < i + 4; ++j) out[j] = GreyByte(samples[j], smallest, scale);
      continue;
    }
    const __m128i words = _mm_packs_epi32(_mm_unpacklo_epi64(first, second), _mm_setzero_si128());
    const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(out + i, &bytes, 4);
  }
#endif
  for (; i < n; ++i) out[i] = GreyByte(samples[i], smallest, scale);
}

std::string MinMaxRow(double smallest, double largest) {
  return "Min: " + fw::Str(smallest) + " Max: " + fw::Str(largest);
}

std::string MaxBytesRow(uint32_t bits) {
  std::string row = "Max:";
  for (int shift = 0; shift < 32; shift += 8) {
    row += ' ';
    row += ByteHex(int32_t((bits >> shift) & 0xFF));
  }
  return row;
}

}  // namespace mapconv
