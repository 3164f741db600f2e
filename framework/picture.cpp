#include "framework/picture.h"

#include <cstdint>
#include <new>
#include <stdexcept>

namespace fw {

Picture::Picture(int width, int height)
    : width_(width > 0 && height > 0 ? width : 0),
      height_(width > 0 && height > 0 ? height : 0),
      pixels_(size_t(width_) * size_t(height_), Color(0)) {}

PictureRef NewPicture(int width, int height, int depth) {
  if (width < 1 || height < 1 || depth != 32) return nullptr;
  // Both factors are below 2^31, so the product of the three cannot wrap in 64 bits.
  uint64_t bytes = uint64_t(width) * uint64_t(height) * sizeof(Color);
  if (bytes > uint64_t(PTRDIFF_MAX)) return nullptr;
  try {
    return std::make_shared<Picture>(width, height);
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

}  // namespace fw
