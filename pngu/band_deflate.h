#pragma once
// One band of a zlib stream deflated on its own: a raw deflate stream primed
// with the bytes before it, so that bands deflated side by side join into one
// stream that any inflater reads.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pngu {

// Appends to out the raw deflate of data[0, size) as it continues a stream
// whose last dictSize bytes (at most 32 KiB) were dict, ended with a sync
// flush (byte aligned, more may follow) or, for the last band, with the final
// block. ISA-L's fastest level does the noisy bands; a band it shrinks below
// a quarter (smooth pictures) is deflated again by zlib at level 6, which
// finds the long matches that ISA-L misses. The result depends on the bytes
// only. False when a deflate library fails (no memory).
bool DeflateBand(const uint8_t* dict, size_t dictSize, const uint8_t* data, size_t size, bool last,
                 std::vector<uint8_t>& out);

// Tests: the next `count` zlib set-ups fail, as when memory runs out.
void FailZlibSetUps(int count);

}  // namespace pngu
