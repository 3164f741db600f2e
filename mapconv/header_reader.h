#pragma once
// The text header of a ".sem"/".map" file: the four keys it is read for, and
// the checks that tie its sizes to the length of the file.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "mapconv/converter_texts.h"

namespace fw {
class TextInputStream;
}

namespace mapconv {

// At most this many lines make the header when none of them holds "eof".
inline constexpr int kMaxHeaderLines = 1000;

// What the header says. Sizes stay -1 and the steps 0 when their key is absent.
struct HeaderValues {
  int32_t hpixelsize = -1, vpixelsize = -1, nb_images = -1;
  bool hasMicron = false;  // an "EBeamScanIncXY:" line was seen
  double hstep = 0, vstep = 0;  // micrometres from one pixel to the next
  std::vector<std::string> speciesname;
  bool readFailed = false;  // a read error, not the end of the file, cut it short
};

// The line that holds "eof" anywhere (letter case folded) ends the header and
// is itself neither listed nor read for keys.
bool EndsHeader(const std::string& line);

// Reads every key the line holds; the keys are tested independently, so one
// line can set several of them, and a later line overrides an earlier one.
void ReadHeaderLine(const std::string& line, HeaderValues& v);

// Reads the header from the start of the file: up to the line holding "eof",
// 1000 lines, the end of the file or a read error. onLine gets every header
// line, after it was read for keys.
HeaderValues ReadHeader(fw::TextInputStream& text, const std::function<void(const std::string&)>& onLine);

// A stated count below 1 (or none at all) means one image.
int32_t RaisedImageCount(int32_t nb_images);

enum class SizeCheck { Ok, FileTooLarge, HeaderSizeWrong, WrongNumberOfImages, PixelSizeWrong };

// The message box text of a failed check; "" for Ok.
const char* SizeCheckMessage(SizeCheck outcome);

struct FileSizes {
  int32_t filesize = 0;    // low 32 bits of the file's length
  int32_t headersize = 0;  // offset of the sample block; meaningful only when Ok
};

// A file of 2 GiB or more is refused from its length alone, before its
// header is read.
bool TooLargeToRead(int64_t length);

// Checks, in this order: a file of 2 GiB or more; a sample block (computed
// without overflow) longer than the file; a name count that differs from the
// image count; a width or height below 1. nb_images is raised to at least 1
// here as well.
// When Ok, every offset into the file fits 32 bits.
SizeCheck CheckSizes(int64_t length, int32_t nb_images, int32_t hpixelsize, int32_t vpixelsize,
                     std::size_t nameCount, FileSizes& sizes);

// Byte offset of image k's first sample; only meaningful after CheckSizes gave Ok.
inline int64_t ImageStartOffset(int32_t headersize, int32_t k, int32_t hpixelsize,
                                int32_t vpixelsize) {
  return int64_t{headersize} + int64_t{k} * 4 * hpixelsize * vpixelsize;
}

std::string PixelSizeRow(int32_t w, int32_t h);
std::string MicronSizeRow(double w, double h);

}  // namespace mapconv
