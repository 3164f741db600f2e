#include "pngu/png_filter.h"

#include <algorithm>
#include <cstdlib>

namespace pngu {

namespace {

inline uint8_t PaethPredictor(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return uint8_t(a);
  return pb <= pc ? uint8_t(b) : uint8_t(c);
}

// One filter over [begin, end) where every byte has a left neighbour and a
// row above: plain loops over unaliased rows with a fixed pixel size, which
// the compiler vectorises.
template <size_t Bpp>
void FilterInner(RowFilter filter, const uint8_t* __restrict row, const uint8_t* __restrict prev, size_t begin,
                 size_t end, uint8_t* __restrict out) {
  out -= begin;
  switch (filter) {
    case RowFilter::None:
      std::copy(row + begin, row + end, out + begin);
      break;
    case RowFilter::Sub:
      for (size_t i = begin; i < end; ++i) out[i] = uint8_t(row[i] - row[i - Bpp]);
      break;
    case RowFilter::Up:
      for (size_t i = begin; i < end; ++i) out[i] = uint8_t(row[i] - prev[i]);
      break;
    case RowFilter::Average:
      // (a + b) >> 1 without leaving 8 bits: (a & b) + ((a ^ b) >> 1).
      for (size_t i = begin; i < end; ++i) {
        const uint8_t a = row[i - Bpp], b = prev[i];
        out[i] = uint8_t(row[i] - uint8_t((a & b) + ((a ^ b) >> 1)));
      }
      break;
    case RowFilter::Paeth:
      for (size_t i = begin; i < end; ++i)
        out[i] = uint8_t(row[i] - PaethPredictor(row[i - Bpp], prev[i], prev[i - Bpp]));
      break;
  }
}

}  // namespace

void FilterRowStretch(RowFilter filter, const uint8_t* row, const uint8_t* prev, size_t begin, size_t end,
                      size_t bpp, uint8_t* out) {
  if (!prev) {
    // Above the first row lie zeros: Up is None, Paeth is Sub, Average halves the left byte.
    if (filter == RowFilter::Up) filter = RowFilter::None;
    if (filter == RowFilter::Paeth) filter = RowFilter::Sub;
    if (filter == RowFilter::Average) {
      for (size_t i = begin; i < end; ++i) out[i - begin] = uint8_t(row[i] - (i >= bpp ? row[i - bpp] >> 1 : 0));
      return;
    }
  }
  // The first pixel's bytes have zeros to their left.
  for (size_t i = begin; i < std::min(end, bpp); ++i) {
    const int up = prev ? prev[i] : 0;
    const int predicted = filter == RowFilter::Sub || filter == RowFilter::None ? 0
                          : filter == RowFilter::Average                           ? up >> 1
                                                                                   : up;  // Up, Paeth
    out[i - begin] = uint8_t(row[i] - (filter == RowFilter::None ? 0 : predicted));
  }
  const size_t from = std::max(begin, bpp);
  if (from >= end) return;
  if (bpp == 1) {
    FilterInner<1>(filter, row, prev, from, end, out + (from - begin));
  } else {
    FilterInner<3>(filter, row, prev, from, end, out + (from - begin));
  }
}

}  // namespace pngu
