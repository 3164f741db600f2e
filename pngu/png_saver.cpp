#include "pngu/png_saver.h"

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <exception>
#include <new>
#include <type_traits>
#include <vector>

#include "framework/plugins.h"
#include "framework/yield.h"
#include "pngu/png_encoder.h"
#include "pngu/staged_file.h"

namespace pngu {

static_assert(std::is_same_v<decltype(&SavePicture), SavePictureFn>);

namespace {

// zlib's default level (6) with libpng's default adaptive filters: on 512 x 512
// map pictures level 1 saves only 0.5-2 ms of 8-10 ms and gives files 1-40%
// larger; level 9 costs as much and gains nothing on noisy maps.
constexpr int kZlibLevel = -1;

struct PictureRows {
  const fw::Picture* picture;
  bool grey;
  bool foundColour = false;    // a grey encoding met a pixel that is not grey
  std::exception_ptr stopped;  // what the yield threw; rethrown once the file is gone
};

bool FetchPictureRow(void* context, int y, uint8_t* row) {
  auto& rows = *static_cast<PictureRows*>(context);
  if (y > 0) {
    try {
      fw::RuntimeBackgroundTask(static_cast<uint32_t>(rows.picture->Width()));
    } catch (...) {
      rows.stopped = std::current_exception();
      return false;
    }
  }
  const int width = rows.picture->Width();
  if (rows.picture->IsGrey()) {
    std::memcpy(row, rows.picture->GreyRow(y), size_t(width));
    return true;
  }
  const fw::Color* pixels = rows.picture->ColorRow(y);
  if (rows.grey) {
    // A widened picture may still be grey: it is first written as grey, and
    // written again as RGB only when one of its pixels is not grey.
    fw::Color mismatch = 0;
    for (int x = 0; x < width; ++x) {
      const fw::Color c = pixels[x];
      row[x] = uint8_t(c);
      mismatch |= c ^ ((c & 255) * 0x010101u);
    }
    if (mismatch) {
      rows.foundColour = true;
      return false;
    }
  } else {
    for (int x = 0; x < width; ++x, row += 3) {
      row[0] = uint8_t(pixels[x] >> 16);
      row[1] = uint8_t(pixels[x] >> 8);
      row[2] = uint8_t(pixels[x]);
    }
  }
  return true;
}

struct GreyRows {
  const uint8_t* pixels;
  size_t width;
};

bool FetchGreyRow(void* context, int y, uint8_t* row) {
  const auto& rows = *static_cast<const GreyRows*>(context);
  std::memcpy(row, rows.pixels + size_t(y) * rows.width, rows.width);
  return true;
}

bool WriteNewPngFile(const std::string& path, const PngLayout& layout, const RowSource& source) {
  try {
    struct stat existing;
    if (::lstat(path.c_str(), &existing) == 0) return false;  // taken: spare the encoding
    StagedFile file(path);
    if (!file.Stream()) return false;
    std::vector<uint8_t> row(RowBytes(layout));
    return EncodePng(file.Stream(), layout, source, row.data()) && file.Commit();
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

bool SavePicture(const fw::FolderItemRef& file, const fw::PictureRef& image, float gamma) {
  if (!file || !image || image->Width() < 1 || image->Height() < 1) return false;
  PictureRows rows{image.get(), true};
  PngLayout layout;
  layout.width = image->Width();
  layout.height = image->Height();
  layout.fileGamma = (gamma > 0.0f && std::isfinite(gamma)) ? 1.0 / double(gamma) : 0.0;
  layout.zlibLevel = kZlibLevel;
  bool written = WriteNewPngFile(file->Path(), layout, RowSource{&FetchPictureRow, &rows});
  if (!written && rows.foundColour && !rows.stopped) {
    rows.grey = layout.grey = false;
    written = WriteNewPngFile(file->Path(), layout, RowSource{&FetchPictureRow, &rows});
  }
  if (rows.stopped) std::rethrow_exception(rows.stopped);
  return written;
}

void RegisterPlugin() { fw::RegisterPlugin(kSavePictureSignature, &SavePicture); }

bool WriteGreyPngFile(const std::string& path, int width, int height, const uint8_t* grey) {
  if (!grey || width < 1 || height < 1) return false;
  PngLayout layout;
  layout.width = width;
  layout.height = height;
  layout.grey = true;
  layout.zlibLevel = kZlibLevel;
  GreyRows rows{grey, size_t(width)};
  return WriteNewPngFile(path, layout, RowSource{&FetchGreyRow, &rows});
}

}  // namespace pngu
