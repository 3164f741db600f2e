#include "mapconv/tiff_writer.h"

#include "framework/binary_stream.h"
#include "framework/exceptions.h"
#include "framework/numbers.h"
#include "framework/strings.h"
#include "framework/yield.h"

namespace mapconv {

namespace {

enum FieldType { kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

// The fixed part: header, directory, and the data areas before the strip tables.
constexpr int32_t kDirectoryOffset = 8;
constexpr int kEntryCount = 15;
constexpr int32_t kBitsPerSampleOffset = 194;
constexpr int32_t kXResolutionOffset = 200;
constexpr int32_t kYResolutionOffset = 208;
constexpr int32_t kSoftwareOffset = 216;
constexpr int32_t kStripTablesOffset = 232;
constexpr int kSoftwareChars = 15;
constexpr int32_t kResolutionDenominator = 10000;
constexpr int kMaxSide = 65535;  // ImageWidth and ImageLength are SHORTs
constexpr int64_t kMaxFileSize = 2147483647;  // offsets are signed 32-bit

void EntryShort(fw::BinaryStream& s, int tag, int value) {
  s.WriteShort(tag);
  s.WriteShort(kShort);
  s.WriteLong(1);
  s.WriteShort(value);
  s.WriteShort(0);
}

void EntryLong(fw::BinaryStream& s, int tag, int type, int32_t count, int32_t value) {
  s.WriteShort(tag);
  s.WriteShort(type);
  s.WriteLong(count);
  s.WriteLong(value);
}

// A Software character as one byte; a code point above 255 has no single byte.
int SoftwareByte(int codePoint) { return codePoint >= 0 && codePoint <= 255 ? codePoint : '?'; }

void WriteFile(fw::BinaryStream& s, const fw::Picture& p, fw::RGBSurface& surface, int32_t h, int32_t w3,
               double xres, double yres, const std::string& soft) {
  s.SetLittleEndian(false);
  s.WriteByte(0x4D);
  s.WriteByte(0x4D);
  s.WriteShort(42);
  s.WriteLong(kDirectoryOffset);

  s.WriteShort(kEntryCount);
  EntryLong(s, 254, kLong, 1, 0);  // NewSubfileType
  EntryShort(s, 256, p.Width());   // ImageWidth
  EntryShort(s, 257, p.Height());  // ImageLength
  EntryLong(s, 258, kShort, 3, kBitsPerSampleOffset);
  EntryShort(s, 259, 1);  // Compression: none
  EntryShort(s, 262, 2);  // PhotometricInterpretation: RGB
  const int32_t pixelsOffset = kStripTablesOffset + 8 * h;
  // One strip: its offset and byte count fit in the value fields themselves.
  EntryLong(s, 273, kLong, h, h == 1 ? pixelsOffset : kStripTablesOffset);  // StripOffsets
  EntryShort(s, 277, 3);  // SamplesPerPixel
  EntryShort(s, 278, 1);  // RowsPerStrip
  EntryLong(s, 279, kLong, h, h == 1 ? w3 : kStripTablesOffset + 4 * h);  // StripByteCounts
  EntryLong(s, 282, kRational, 1, kXResolutionOffset);
  EntryLong(s, 283, kRational, 1, kYResolutionOffset);
  EntryShort(s, 284, 1);  // PlanarConfiguration: samples of a pixel together
  EntryShort(s, 296, 2);  // ResolutionUnit: inch
  EntryLong(s, 305, kAscii, kSoftwareChars + 1, kSoftwareOffset);
  s.WriteLong(0);  // no next directory

  for (int i = 0; i < 3; ++i) s.WriteShort(8);
  s.WriteLong(fw::ToInt32(xres * 10000.0));
  s.WriteLong(kResolutionDenominator);
  s.WriteLong(fw::ToInt32(yres * 10000.0));
  s.WriteLong(kResolutionDenominator);

  const std::string text = soft + std::string(16, ' ');
  for (int i = 1; i <= kSoftwareChars; ++i) {
    s.WriteByte(SoftwareByte(fw::Asc(fw::Mid(text, i, 1))));
    fw::RuntimeBackgroundTask();
  }
  s.WriteByte(0);

  for (int32_t i = 0; i < h; ++i) {
    s.WriteLong(pixelsOffset + w3 * i);
    fw::RuntimeBackgroundTask();
  }
  for (int32_t i = 0; i < h; ++i) {
    s.WriteLong(w3);
    fw::RuntimeBackgroundTask();
  }

  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) {
      fw::Color c = surface.Pixel(x, y);
      s.WriteByte((c >> 16) & 255);
      s.WriteByte((c >> 8) & 255);
      s.WriteByte(c & 255);
      fw::RuntimeBackgroundTask();
    }
    fw::RuntimeBackgroundTask();
  }
}

}  // namespace

int64_t TiffFileSize(int64_t width, int64_t height) {
  return kStripTablesOffset + 8 * height + 3 * width * height;
}

void SaveAsTIFF(const fw::PictureRef& p, const fw::FolderItemRef& f, double xres, double yres,
                const std::string& soft) {
  fw::Picture& picture = fw::Deref(p);
  const int h = picture.Height();
  const int w = picture.Width();
  fw::RGBSurface& surface = *picture.Surface();
  if (!f) return;

  if (w > kMaxSide || h > kMaxSide) {
    throw fw::RuntimeException("A TIFF file cannot hold a picture of " + fw::Str(w) + " x " +
                               fw::Str(h) + " pixels: at most 65535 in each direction.");
  }
  if (TiffFileSize(w, h) > kMaxFileSize) {
    throw fw::RuntimeException("A TIFF file of a picture of " + fw::Str(w) + " x " + fw::Str(h) +
                               " pixels would pass 2147483647 bytes.");
  }

  auto stream = f->CreateBinaryFile("image/x-tiff");
  fw::BinaryStream& s = fw::Deref(stream);
  try {
    WriteFile(s, picture, surface, h, 3 * w, xres, yres, soft);
  } catch (...) {
    // A file cut off in the middle is no TIFF file: leave none behind.
    stream.reset();
    f->Delete();
    throw;
  }
  s.Close();
  f->SetMacCreator("GKON");
  f->SetMacType("TIFF");
}

}  // namespace mapconv
