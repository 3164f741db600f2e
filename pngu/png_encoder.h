#pragma once
// Our PNG encoder: 8-bit grey or RGB, no interlace, one zlib stream deflated
// in parallel bands. The band split depends on the picture's size only, so a
// picture gives the same bytes whatever the number of threads.
#include <cstddef>
#include <cstdint>


namespace pngu {

// The picture's bytes, row by row: one per pixel for grey, R, G, B for RGB.
class PixelRows {
 public:
  virtual ~PixelRows() = default;
  // Copies bytes [begin, end) of row y to out. Called from several worker
  // threads at once.
  virtual void Copy(uint32_t y, size_t begin, size_t end, uint8_t* out) const = 0;
};

struct PngImage {
  uint32_t width = 0, height = 0;
  bool grey = true;
  double fileGamma = 0.0;  // stored in a gAMA chunk when above 0
};

struct EncodeOptions {
  unsigned threads = 0;                 // 0: the cores the process may use
  uint32_t maxChunkBytes = 0x7FFFFFFF;  // an IDAT chunk's largest length (PNG's limit)
};

// Writes the PNG file from offset 0 of fd, a new regular file open for
// writing. False on a write error, a picture larger than PNG allows or no
// memory. Workers deflate, a thread of its own writes, and the calling thread
// yields meanwhile; an exception from the yield (a quit) stops them all and
// propagates.
bool EncodePng(int fd, const PngImage& image, const PixelRows& rows, const EncodeOptions& options = {});

}  // namespace pngu
