#include "pngu/png_saver.h"

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

#include "framework/parallel.h"
#include "framework/plugins.h"
#include "framework/yield.h"
#include "pngu/new_file.h"
#include "pngu/png_encoder.h"

namespace pngu {

static_assert(std::is_same_v<decltype(&SavePicture), SavePictureFn>);

namespace {

class GreyRows : public PixelRows {
 public:
  GreyRows(const uint8_t* pixels, size_t width) : pixels_(pixels), width_(width) {}
  void Copy(uint32_t y, size_t begin, size_t end, uint8_t* out) const override {
    std::memcpy(out, pixels_ + y * width_ + begin, end - begin);
  }

 private:
  const uint8_t* pixels_;
  size_t width_;
};

// A widened picture, as grey levels (its blue byte) or as R, G, B.
class ColorRows : public PixelRows {
 public:
  ColorRows(const fw::Picture& picture, bool grey) : picture_(picture), grey_(grey) {}
  void Copy(uint32_t y, size_t begin, size_t end, uint8_t* out) const override {
    const fw::Color* row = picture_.ColorRow(int(y));
    if (grey_) {
      for (size_t i = begin; i < end; ++i) *out++ = uint8_t(row[i]);
      return;
    }
    for (size_t i = begin; i < end; ++i) *out++ = uint8_t(row[i / 3] >> (16 - 8 * (i % 3)));
  }

 private:
  const fw::Picture& picture_;
  bool grey_;
};

// Whether every pixel of a widened picture is grey; rows checked on the
// workers, so that a large picture keeps the window live.
bool AllGrey(const fw::Picture& picture) {
  constexpr int kRowsPerTask = 64;
  const size_t width = size_t(picture.Width());
  std::atomic<bool> colour{false};
  fw::ParallelFor((size_t(picture.Height()) + kRowsPerTask - 1) / kRowsPerTask, [&](size_t task) {
    const int y0 = int(task) * kRowsPerTask, y1 = std::min(picture.Height(), y0 + kRowsPerTask);
    for (int y = y0; y < y1 && !colour.load(std::memory_order_relaxed); ++y) {
      const fw::Color* row = picture.ColorRow(y);
      bool mismatch = false;
      for (size_t x = 0; x < width; ++x) mismatch |= !fw::IsGreyColor(row[x]);
      if (mismatch) colour = true;
    }
  });
  return !colour;
}

bool WriteNewPngFile(const std::string& path, const PngImage& image, const PixelRows& rows, unsigned threads) {
  struct stat existing;
  if (::lstat(path.c_str(), &existing) == 0) {  // taken: spare the encoding
    errno = EEXIST;
    return false;
  }
  int error = ENOMEM;
  try {
    NewFile file(path);
    EncodeOptions options;
    options.threads = threads;
    if (file.Fd() >= 0 && EncodePng(file.Fd(), image, rows, options)) {
      // A quit that came while the last bands were written leaves no file.
      fw::RuntimeBackgroundTask();
      if (file.Commit()) return true;
    }
    error = errno;
  } catch (const std::bad_alloc&) {
  }
  errno = error;  // as the failure left it, not as the cleanup did
  return false;
}

}  // namespace

bool SavePicture(const fw::FolderItemRef& file, const fw::PictureRef& image, float gamma) {
  if (!file || !image || image->Width() < 1 || image->Height() < 1) return false;
  PngImage png;
  png.width = uint32_t(image->Width());
  png.height = uint32_t(image->Height());
  png.fileGamma = (gamma > 0.0f && std::isfinite(gamma)) ? 1.0 / double(gamma) : 0.0;
  if (image->IsGrey()) return WriteNewPngFile(file->Path(), png, GreyRows(image->GreyRow(0), png.width), 0);
  png.grey = AllGrey(*image);
  return WriteNewPngFile(file->Path(), png, ColorRows(*image, png.grey), 0);
}

void RegisterPlugin() { fw::RegisterPlugin(kSavePictureSignature, &SavePicture); }

bool WriteGreyPngFile(const std::string& path, int width, int height, const uint8_t* grey, unsigned threads) {
  if (!grey || width < 1 || height < 1) return false;
  PngImage png;
  png.width = uint32_t(width);
  png.height = uint32_t(height);
  return WriteNewPngFile(path, png, GreyRows(grey, size_t(width)), threads);
}

}  // namespace pngu
