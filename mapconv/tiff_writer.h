#pragma once
// Writes a picture as an uncompressed baseline TIFF file: big-endian, 8-bit
// RGB, one strip per row, the resolution in pixels per inch and a 15-character
// Software text.
#include <cstdint>
#include <string>

#include "framework/folder_item.h"
#include "framework/picture.h"

namespace mapconv {

// Bytes of the file for a picture of width x height: 232 + 8 height + 3 width height.
int64_t TiffFileSize(int64_t width, int64_t height);

// f nil: nothing happens. p nil, or a file that cannot be created:
// fw::NilObjectException. A picture the layout cannot hold (a side above 65535,
// or a file above 2147483647 bytes): fw::RuntimeException before any file is
// made. On success the file gets the Mac creator "GKON" and type "TIFF".
void SaveAsTIFF(const fw::PictureRef& p, const fw::FolderItemRef& f, double xres, double yres,
                const std::string& soft);

}  // namespace mapconv
