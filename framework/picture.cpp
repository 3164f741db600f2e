#include "framework/picture.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "framework/parallel.h"

namespace fw {

namespace {

// Zeroed memory without a fill on the window's thread where it counts:
// calloc takes a large block from fresh pages, which the kernel zeroes lazily
// on first touch (by the workers, see TouchPages), and fills only a block it
// reuses, which is already faulted in and quick to fill. Zero-filling 256 MiB
// here would hold the window for a tenth of a second.
uint8_t* NewZeroedBytes(size_t n) {
  void* p = std::calloc(n > 0 ? n : 1, 1);
  if (!p) throw std::bad_alloc();
  return static_cast<uint8_t*>(p);
}

// From this size on, a picture's pages are faulted in on every core, and its
// memory goes back on a thread of its own.
constexpr size_t kLarge = size_t{4} << 20;

// Faults a large picture's pages in, in order and on every core. Drawing
// fills the picture column by column, so its first columns would fault a
// page of every row, one after another, on whichever thread draws them.
void TouchPages(uint8_t* p, size_t n) {
  constexpr size_t kChunk = size_t{1} << 20;
  const size_t page = size_t(::sysconf(_SC_PAGESIZE));
  ParallelFor((n + kChunk - 1) / kChunk, [=](size_t c) {
    volatile uint8_t* chunk = p + c * kChunk;
    for (size_t i = 0; i < kChunk && c * kChunk + i < n; i += page) chunk[i] = 0;
  });
}

}  // namespace

// Unmapping hundreds of MiB takes tens of milliseconds: a thread of its own
// does it, and the window's thread only when no thread can be started.
void Picture::ReleaseGrey::operator()(uint8_t* p) const {
  if (bytes >= kLarge) {
    try {
      std::thread([p] { std::free(p); }).detach();
      return;
    } catch (const std::system_error&) {
    }
  }
  std::free(p);
}

Picture::Picture(int width, int height)
    : width_(width > 0 && height > 0 ? width : 0), height_(width > 0 && height > 0 ? height : 0) {
  // Zeroed: a new picture is black.
  const size_t bytes = size_t(width_) * size_t(height_);
  grey_ = {NewZeroedBytes(bytes), ReleaseGrey{bytes}};
  if (bytes >= kLarge) TouchPages(grey_.get(), bytes);
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
