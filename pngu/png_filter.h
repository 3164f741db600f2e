#pragma once
// The PNG row filter the encoder uses, worked on any stretch of a row so that
// a band of the filtered stream can start or end inside a very wide row.
#include <cstddef>
#include <cstdint>

namespace pngu {

// PNG's filter type byte of the Average filter: each byte less the mean of
// the byte one pixel to its left and the byte above it.
inline constexpr uint8_t kAverageFilter = 3;

// Filters bytes [begin, end) of row `row` (its bytes from 0) into out[0 ...
// end - begin) with the Average filter, with `prev` the unfiltered row above
// (nullptr for the first row, which PNG treats as zeros) and bpp bytes per
// pixel (1 or 3). out shares no byte with the rows.
void AverageFilterStretch(const uint8_t* row, const uint8_t* prev, size_t begin, size_t end, size_t bpp,
                          uint8_t* out);

}  // namespace pngu
