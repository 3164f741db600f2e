#pragma once
// PNG row filters, worked on any stretch of a row so that a band of the
// filtered stream can start or end inside a very wide row.
#include <cstddef>
#include <cstdint>

namespace pngu {

enum class RowFilter : uint8_t { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

// Filters bytes [begin, end) of row `row` (its bytes from 0) into out[0 ...
// end - begin), with `prev` the unfiltered row above (nullptr for the first
// row, which PNG treats as zeros) and bpp bytes per pixel (1 or 3). out
// shares no byte with the rows.
void FilterRowStretch(RowFilter filter, const uint8_t* row, const uint8_t* prev, size_t begin, size_t end,
                      size_t bpp, uint8_t* out);

}  // namespace pngu
