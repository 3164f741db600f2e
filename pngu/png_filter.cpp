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
// row above; plain loops the compiler vectorises.
void FilterInner(RowFilter filter, const uint8_t* row, const uint8_t* prev, size_t begin, size_t end, size_t bpp,
                 uint8_t* out) {
  out -= begin;
  switch (filter) {
    case RowFilter::None:
      std::copy(row + begin, row + end, out + begin);
      break;
    case RowFilter::Sub:
      for (size_t i = begin; i < end; ++i) out[i] = uint8_t(row[i] - row[i - bpp]);
      break;
    case RowFilter::Up:
      for (size_t i = begin; i < end; ++i) out[i] = uint8_t(row[i] - prev[i]);
      break;
    case RowFilter::Average:
      for (size_t i = begin; i < end; ++i) out[i] = uint8_t(row[i] - ((row[i - bpp] + prev[i]) >> 1));
      break;
    case RowFilter::Paeth:
      for (size_t i = begin; i < end; ++i) out[i] = uint8_t(row[i] - PaethPredictor(row[i - bpp], prev[i], prev[i - bpp]));
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
  if (from < end) FilterInner(filter, row, prev, from, end, bpp, out + (from - begin));
}

}  // namespace pngu
