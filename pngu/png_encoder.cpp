#include "pngu/png_encoder.h"

#include <png.h>

namespace pngu {

namespace {

[[noreturn]] void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

}  // namespace

size_t RowBytes(const PngLayout& layout) {
  return layout.width < 1 ? 0 : size_t(layout.width) * (layout.grey ? 1 : 3);
}

bool EncodePng(FILE* out, const PngLayout& layout, const RowSource& source, uint8_t* rowBuffer) {
  if (!out || !rowBuffer || layout.width < 1 || layout.height < 1) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  // png and info are not changed between here and a longjmp back.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, out);
  png_set_IHDR(png, info, png_uint_32(layout.width), png_uint_32(layout.height), 8,
               layout.grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (layout.fileGamma > 0.0) png_set_gAMA(png, info, layout.fileGamma);
  png_set_compression_level(png, layout.zlibLevel);
  png_write_info(png, info);
  for (int y = 0; y < layout.height; ++y) {
    if (!source.fetch(source.context, y, rowBuffer)) {
      png_destroy_write_struct(&png, &info);
      return false;
    }
    png_write_row(png, rowBuffer);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace pngu
