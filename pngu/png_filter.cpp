#include "pngu/png_filter.h"

#include <algorithm>

namespace pngu {

namespace {

// Bytes that have a left neighbour and a row above: a plain loop over
// unaliased rows with a fixed pixel size, which the compiler vectorises.
template <size_t Bpp>
void AverageInner(const uint8_t* __restrict row, const uint8_t* __restrict prev, size_t begin, size_t end,
                  uint8_t* __restrict out) {
  out -= begin;
  for (size_t i = begin; i < end; ++i) {
    const uint8_t a = row[i - Bpp], b = prev[i];
    out[i] = uint8_t(row[i] - uint8_t((a & b) + ((a ^ b) >> 1)));  // (a + b) / 2 within 8 bits
  }
}

}  // namespace

void AverageFilterStretch(const uint8_t* row, const uint8_t* prev, size_t begin, size_t end, size_t bpp,
                          uint8_t* out) {
  if (!prev) {  // above the first row lie zeros: half the left byte
    for (size_t i = begin; i < end; ++i) out[i - begin] = uint8_t(row[i] - (i >= bpp ? row[i - bpp] >> 1 : 0));
    return;
  }
  // The first pixel's bytes have zeros to their left.
  for (size_t i = begin; i < std::min(end, bpp); ++i) out[i - begin] = uint8_t(row[i] - (prev[i] >> 1));
  const size_t from = std::max(begin, bpp);
  if (from >= end) return;
  if (bpp == 1) {
    AverageInner<1>(row, prev, from, end, out + (from - begin));
  } else {
    AverageInner<3>(row, prev, from, end, out + (from - begin));
  }
}

}  // namespace pngu
