#pragma once
// A picture held in memory, with per-pixel access. It keeps one byte per
// pixel while every pixel is grey (red = green = blue), which is all this
// program draws, and widens itself to 32-bit colours the first time a pixel
// that is not grey is set.
#include <cstdint>
#include <memory>
#include <vector>

namespace fw {

// A colour as 0x00RRGGBB.
using Color = uint32_t;
inline constexpr Color RGB(int r, int g, int b) {
  return (Color(r & 255) << 16) | (Color(g & 255) << 8) | Color(b & 255);
}
inline constexpr bool IsGreyColor(Color c) { return ((c & 255) * 0x010101u) == (c & 0xFFFFFF); }

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
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const size_t i = size_t(y) * size_t(width_) + size_t(x);
    return grey_ ? Color(grey_[i]) * 0x010101u : colors_[i];
  }
  // Setting a pixel that is not grey widens the picture to 32-bit colours;
  // false (and nothing set) when the memory for that cannot be had.
  bool SetPixel(int x, int y, Color c);

  // While IsGrey(): Width() grey levels per row, for encoders and for drawing
  // whole rows at once (the caller stays within Width()).
  bool IsGrey() const { return grey_ != nullptr; }
  const uint8_t* GreyRow(int y) const { return grey_.get() + size_t(y) * size_t(width_); }
  uint8_t* MutableGreyRow(int y) { return grey_.get() + size_t(y) * size_t(width_); }
  // Once widened: Width() colours per row.
  const Color* ColorRow(int y) const { return colors_.data() + size_t(y) * size_t(width_); }

 private:
  friend std::shared_ptr<Picture> NewPicture(int, int, int);
  bool Widen();

  int width_, height_;
  int hres_ = 72, vres_ = 72;
  // The grey levels' memory, zeroed without a fill on the window's thread
  // where it counts; a large picture's goes back on a thread of its own.
  struct ReleaseGrey {
    size_t bytes;
    void operator()(uint8_t* p) const;
  };
  std::unique_ptr<uint8_t[], ReleaseGrey> grey_;  // nullptr once widened
  std::vector<Color> colors_;        // empty while grey
  RGBSurface surface_{*this};
};

using PictureRef = std::shared_ptr<Picture>;

// nil when the size is below 1 in either direction, the depth is not 32, or
// the memory cannot be had. A new picture is black.
PictureRef NewPicture(int width, int height, int depth);

inline Color RGBSurface::Pixel(int x, int y) const { return picture_.Pixel(x, y); }
inline void RGBSurface::SetPixel(int x, int y, Color c) { picture_.SetPixel(x, y, c); }

}  // namespace fw
