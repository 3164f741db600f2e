#include "framework/picture.h"

#include <cstdint>
#include <new>
#include <stdexcept>

namespace fw {

Picture::Picture(int width, int height)
    : width_(width > 0 && height > 0 ? width : 0), height_(width > 0 && height > 0 ? height : 0) {
  // Zeroed: a new picture is black.
  grey_.reset(new uint8_t[size_t(width_) * size_t(height_)]());
}

bool Picture::SetPixel(int x, int y, Color c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return true;
  c &= 0xFFFFFF;
  const size_t i = size_t(y) * size_t(width_) + size_t(x);
  if (grey_) {
    if (IsGreyColor(c)) {
      grey_[i] = uint8_t(c);
      return true;
    }
    if (!Widen()) return false;
  }
  colors_[i] = c;
  return true;
}

bool Picture::Widen() {
  const size_t n = size_t(width_) * size_t(height_);
  try {
    colors_.resize(n);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  for (size_t i = 0; i < n; ++i) colors_[i] = Color(grey_[i]) * 0x010101u;
  grey_.reset();
  return true;
}

PictureRef NewPicture(int width, int height, int depth) {
  if (width < 1 || height < 1 || depth != 32) return nullptr;
  // Both factors are below 2^31, so the product cannot wrap in 64 bits.
  const uint64_t pixels = uint64_t(width) * uint64_t(height);
  if (pixels > uint64_t(PTRDIFF_MAX) / sizeof(Color)) return nullptr;
  try {
    return std::make_shared<Picture>(width, height);
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

}  // namespace fw
