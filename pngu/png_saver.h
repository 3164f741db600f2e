#pragma once
// The PNG plug-in: PNGu.SavePicture, found by its signature string.
#include <cstdint>
#include <string>

#include "framework/folder_item.h"
#include "framework/picture.h"

namespace pngu {

inline constexpr const char* kSavePictureSignature =
    "PNGu.SavePicture(file As FolderItem, image As Picture, gamma As Single = 0.0) As Boolean";

using SavePictureFn = bool (*)(const fw::FolderItemRef&, const fw::PictureRef&, float);

// Writes the picture as a new PNG file at file->Path(): 8-bit greyscale when
// every pixel has red = green = blue, else 8-bit RGB; no pHYs chunk. A gamma
// above 0 is the exponent of the display the values are meant for (2.2 for a
// usual screen) and is stored as a gAMA chunk of 1 / gamma; 0 or below writes
// none. Never replaces an existing file and never leaves a partial one:
// false, with nothing left behind, on any failure (nil file or picture, a
// folder that cannot be reached, the name taken, a write error); errno is
// EEXIST when the name was taken, before or while the file was written. Deflates on
// worker threads while the calling thread yields; an exception from the
// yield (quit) stops the workers, removes the unfinished file and propagates.
bool SavePicture(const fw::FolderItemRef& file, const fw::PictureRef& image, float gamma = 0.0f);

// Makes SavePicture known to the framework under kSavePictureSignature.
void RegisterPlugin();

// SavePicture's encoding and file handling for a row-major 8-bit grey image,
// for callers without a picture (the benchmark); threads 0 takes every core
// the process may use, and the bytes written are the same for any number.
bool WriteGreyPngFile(const std::string& path, int width, int height, const uint8_t* grey, unsigned threads = 0);

}  // namespace pngu
