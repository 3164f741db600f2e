#pragma once
// The samples of one image, read from the open file in bounded blocks, in
// parallel where it pays: pass 1 finds the statistics, pass 2 the grey levels.
// No window is needed; each pass yields once per wave of blocks, and the
// calling thread yields while the workers run.
#include <cstdint>

#include "framework/read_only_file.h"
#include "mapconv/image_stats.h"

namespace mapconv {

// Image k of a file: its first sample's offset and its size in pixels. The
// samples lie column after column, row 0 first within a column.
struct ImagePlace {
  int64_t start = 0;
  int32_t width = 0, height = 0;
};

// Pass 1. False when the file no longer holds every sample of the image (it
// became shorter, or a read failed); stats is then meaningless.
bool ReadImageStats(const fw::ReadOnlyFile& file, const ImagePlace& image, ImageStats& stats,
                    unsigned threads = 0);

// Pass 2: the grey level of every sample into `grey`, row-major, width bytes
// per row. False as above; what was written then is incomplete.
bool ReadGreyLevels(const fw::ReadOnlyFile& file, const ImagePlace& image, const ImageStats& stats,
                    uint8_t* grey, unsigned threads = 0);

}  // namespace mapconv
