#include "tests/support/png_reader.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace {

// A warning fails the read too: libpng only warns of a wrong CRC in an
// ancillary chunk, a wrong zlib checksum, or image data to spare.
[[noreturn]] void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Owns nothing with a destructor: libpng leaves it by longjmp on bad input.
// out lives in the caller's frame.
bool Decode(FILE* in, DecodedPng* out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngError);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, in);
  png_read_info(png, info);
  out->width = int(png_get_image_width(png, info));
  out->height = int(png_get_image_height(png, info));
  out->colorType = png_get_color_type(png, info);
  out->bitDepth = png_get_bit_depth(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  if (rowBytes * size_t(out->height) > (size_t(1) << 30)) png_error(png, "too large for a test");
  out->pixels.assign(rowBytes * size_t(out->height), 0);
  for (int y = 0; y < out->height; ++y) png_read_row(png, out->pixels.data() + rowBytes * size_t(y), nullptr);
  png_read_end(png, info);
  if (std::fgetc(in) != EOF) png_error(png, "bytes after IEND");
  out->hasPhys = png_get_valid(png, info, PNG_INFO_pHYs) != 0;
  out->hasGama = png_get_valid(png, info, PNG_INFO_gAMA) != 0;
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

std::optional<DecodedPng> ReadPng(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!in) return std::nullopt;
  DecodedPng decoded;
  if (!Decode(in.get(), &decoded)) return std::nullopt;
  return decoded;
}
