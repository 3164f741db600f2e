#include "framework/picture.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "framework/parallel.h"

namespace fw {

namespace {

// From this size on, a picture's grey levels get pages of their own: the
// kernel zeroes them lazily, on the first touch by whichever thread writes
// them (the workers that draw it), where zero-filling them here would hold the
// window for a tenth of a second per 256 MiB. Smaller ones are filled here in
// a millisecond or two.
constexpr size_t kOwnPages = size_t{4} << 20;

uint8_t* NewZeroedBytes(size_t n) {
  if (n < kOwnPages) return new uint8_t[n]();
  void* p = ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  return static_cast<uint8_t*>(p);
}

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
  if (bytes < kOwnPages) {
    delete[] p;
    return;
  }
  try {
    std::thread([p, n = bytes] { ::munmap(p, n); }).detach();
  } catch (const std::system_error&) {
    ::munmap(p, bytes);
  }
}

Picture::Picture(int width, int height)
    : width_(width > 0 && height > 0 ? width : 0), height_(width > 0 && height > 0 ? height : 0) {
  // Zeroed: a new picture is black.
  const size_t bytes = size_t(width_) * size_t(height_);
  grey_ = {NewZeroedBytes(bytes), ReleaseGrey{bytes}};
  if (bytes >= kOwnPages) TouchPages(grey_.get(), bytes);
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
