#pragma once
// A picture of 32-bit pixels held in memory, with per-pixel access.
#include <cstdint>
#include <memory>
#include <vector>

namespace fw {

// A colour as 0x00RRGGBB.
using Color = uint32_t;
inline constexpr Color RGB(int r, int g, int b) {
  return (Color(r & 255) << 16) | (Color(g & 255) << 8) | Color(b & 255);
}

class Picture;

class RGBSurface {
 public:
  explicit RGBSurface(Picture& picture) : picture_(picture) {}
  Color Pixel(int x, int y) const;
  void SetPixel(int x, int y, Color c);

 private:
  Picture& picture_;
};

class Picture {
 public:
  Picture(int width, int height);
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  int Width() const { return width_; }
  int Height() const { return height_; }
  int HorizontalResolution() const { return hres_; }
  int VerticalResolution() const { return vres_; }
  void SetHorizontalResolution(int dpi) { hres_ = dpi; }
  void SetVerticalResolution(int dpi) { vres_ = dpi; }
  RGBSurface* Surface() { return &surface_; }

  // Pixels outside the picture read as 0 and are not written.
  Color Pixel(int x, int y) const {
    return (x >= 0 && y >= 0 && x < width_ && y < height_) ? pixels_[size_t(y) * width_ + x] : 0;
  }
  void SetPixel(int x, int y, Color c) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[size_t(y) * width_ + x] = c & 0xFFFFFF;
  }
  // Row y, Width() pixels, for encoders.
  const Color* Row(int y) const { return pixels_.data() + size_t(y) * width_; }
  // Row y for writing whole rows at once; the caller stays within Width().
  Color* MutableRow(int y) { return pixels_.data() + size_t(y) * width_; }

 private:
  int width_, height_;
  int hres_ = 72, vres_ = 72;
  std::vector<Color> pixels_;
  RGBSurface surface_{*this};
};

using PictureRef = std::shared_ptr<Picture>;

// nil when the size is below 1 in either direction, the depth is not 32, or
// the memory cannot be had.
PictureRef NewPicture(int width, int height, int depth);

inline Color RGBSurface::Pixel(int x, int y) const { return picture_.Pixel(x, y); }
inline void RGBSurface::SetPixel(int x, int y, Color c) { picture_.SetPixel(x, y, c); }

}  // namespace fw
