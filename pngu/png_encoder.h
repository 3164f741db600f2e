#pragma once
// The libpng core of the plug-in: one PNG image encoded from rows that the
// caller supplies one at a time. C-like on purpose: libpng reports errors by
// longjmp, so nothing here owns an object with a destructor or throws.
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace pngu {

struct PngLayout {
  int width = 0;
  int height = 0;
  bool grey = true;        // 8-bit greyscale, else 8-bit RGB
  double fileGamma = 0.0;  // stored in a gAMA chunk when above 0
  int zlibLevel = -1;      // zlib's default
};

// Fills row y: width bytes for grey, 3 x width (R, G, B) for RGB. Returning
// false stops the encoding; the caller keeps whatever reason it had.
struct RowSource {
  bool (*fetch)(void* context, int y, uint8_t* row);
  void* context;
};

size_t RowBytes(const PngLayout& layout);

// Writes the whole image to out. rowBuffer holds RowBytes(layout) bytes.
// False when libpng refuses the layout or a write fails, or the source stops.
bool EncodePng(FILE* out, const PngLayout& layout, const RowSource& source, uint8_t* rowBuffer);

}  // namespace pngu
