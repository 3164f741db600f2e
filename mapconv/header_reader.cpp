#include "mapconv/header_reader.h"

#include "framework/numbers.h"
#include "framework/strings.h"
#include "framework/text_input_stream.h"

namespace mapconv {

namespace {

constexpr int64_t kTwoGiB = int64_t{1} << 31;

bool Holds(const std::string& line, const char* key) { return fw::InStr(line, key) != 0; }

std::string Field(const std::string& line, int n) { return fw::NthField(line, " ", n); }

int32_t IntField(const std::string& line, int n) { return fw::ToInt32(fw::Val(Field(line, n))); }

}  // namespace

bool EndsHeader(const std::string& line) { return fw::InStr(line, "eof") != 0; }

void ReadHeaderLine(const std::string& line, HeaderValues& v) {
  if (Holds(line, "NoMapPixelsXY:")) {
    v.hpixelsize = IntField(line, 2);
    v.vpixelsize = IntField(line, 3);
  }
  if (Holds(line, "EBeamScanIncXY:")) {
    v.hasMicron = true;
    v.hstep = fw::Val(Field(line, 2));
    v.vstep = fw::Val(Field(line, 3));
  }
  if (Holds(line, "NoSpectralReg:")) v.nb_images = IntField(line, 2);
  if (Holds(line, "SpectralRegDef:")) v.speciesname.push_back(Field(line, 4));
}

HeaderValues ReadHeader(fw::TextInputStream& text, const std::function<void(const std::string&)>& onLine) {
  HeaderValues header;
  bool atEnd = text.EndOfFile();
  std::string line = text.ReadLine();
  for (int count = 0; !atEnd && !text.ReadFailed() && !EndsHeader(line) && count < kMaxHeaderLines; ++count) {
    ReadHeaderLine(line, header);
    onLine(line);
    atEnd = text.EndOfFile();
    line = text.ReadLine();
  }
  header.readFailed = text.ReadFailed();
  return header;
}

int32_t RaisedImageCount(int32_t nb_images) { return fw::ToInt32(fw::Max(1.0, nb_images)); }

const char* SizeCheckMessage(SizeCheck outcome) {
  switch (outcome) {
    case SizeCheck::Ok: return "";
    case SizeCheck::FileTooLarge: return kFileTooLarge;
    case SizeCheck::HeaderSizeWrong: return kHeaderSizeWrong;
    case SizeCheck::WrongNumberOfImages: return kWrongNumberOfImages;
    case SizeCheck::PixelSizeWrong: return kPixelSizeWrong;
  }
  return "";
}

bool TooLargeToRead(int64_t length) { return length >= kTwoGiB; }

SizeCheck CheckSizes(int64_t length, int32_t nb_images, int32_t hpixelsize, int32_t vpixelsize,
                     std::size_t nameCount, FileSizes& sizes) {
  sizes.filesize = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(length)));
  sizes.headersize = 0;
  if (TooLargeToRead(length)) return SizeCheck::FileTooLarge;
  nb_images = RaisedImageCount(nb_images);
  // Up to 2^95 in magnitude: 128 bits hold every product of three Int32 and 4.
  const __int128 block = static_cast<__int128>(nb_images) * 4 * hpixelsize * vpixelsize;
  // A negative block (one size negative) fits any file; the pixel-size check
  // below refuses it, after the name count has had its say.
  if (block > length) return SizeCheck::HeaderSizeWrong;
  if (nameCount != static_cast<std::size_t>(nb_images)) return SizeCheck::WrongNumberOfImages;
  if (hpixelsize < 1 || vpixelsize < 1) return SizeCheck::PixelSizeWrong;
  sizes.headersize = static_cast<int32_t>(length - static_cast<int64_t>(block));
  return SizeCheck::Ok;
}

std::string PixelSizeRow(int32_t w, int32_t h) {
  return "Pixel Size: " + fw::Str(w) + "(w) x " + fw::Str(h) + "(h)";
}

std::string MicronSizeRow(double w, double h) {
  return "Micron Size: " + fw::Format(w, "0.0") + "(w) x " + fw::Format(h, "0.0") + "(h)";
}

}  // namespace mapconv
