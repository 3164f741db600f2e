// OpenFile: one ".sem" or ".map" file from its header to its PNG files.
#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "app/plugin_entries.h"
#include "framework/binary_stream.h"
#include "framework/dialogs.h"
#include "framework/numbers.h"
#include "framework/strings.h"
#include "framework/text_input_stream.h"
#include "framework/yield.h"
#include "mapconv/header_reader.h"
#include "mapconv/image_stats.h"
#include "mapconv/main_window.h"
#include "mapconv/output_name.h"
#include "mapconv/size_label.h"

namespace mapconv {

namespace {
constexpr const char* kCouldNotRead = "Could not read this file.";
constexpr const char* kCouldNotSave = "Could not save ";
}  // namespace

// What one call holds for its image loop. The loop works on its own copies of
// the sizes, so nothing that happens during a yield can change them.
class ImageJob {
 public:
  fw::FolderItemRef file;
  std::shared_ptr<fw::BinaryStream> stream;
  int32_t width = 0, height = 0, headersize = 0;
  std::vector<std::string> species;
  std::string sizeLabel;
  // The samples of the current image, column by column. float32 samples
  // widened to double keep their value, so they are held as float.
  std::vector<float> mapdata;
};

void Main::OpenFile(const fw::FolderItemRef& f) {
  LBraw()->DeleteAllRows();
  LBresults()->DeleteAllRows();
  STfilename()->SetText("working...");
  Refresh(true);
  if (!f) return;  // the open dialog was cancelled

  const std::string name = f->DisplayName();
  if (!HasImageSuffix(name)) {
    LBresults()->AddRow("This program can only open");
    LBresults()->AddRow(".map and .sem files.");
    STfilename()->SetText("");
    Refresh(true);
    return;
  }

  speciesname.clear();
  hpixelsize = vpixelsize = nb_images = -1;
  // A header without a field step must not inherit the previous file's.
  hmicronsize = vmicronsize = 0.0;

  auto text = f->OpenAsTextFile();
  STfilename()->SetText(name);
  if (!text) {
    LBresults()->AddRow(kCouldNotRead);
    return;
  }

  HeaderValues header;
  int lineCount = 0;
  bool atEnd = text->EndOfFile();
  std::string line = text->ReadLine();
  // The header ends at its "eof" line, after 1000 lines, or at the end of the file.
  while (!atEnd && !EndsHeader(line) && lineCount < kMaxHeaderLines) {
    LBraw()->AddRow(line);
    ReadHeaderLine(line, header);
    ++lineCount;
    atEnd = text->EndOfFile();
    line = text->ReadLine();
    fw::RuntimeBackgroundTask();
  }
  hpixelsize = header.hpixelsize;
  vpixelsize = header.vpixelsize;
  nb_images = header.nb_images;
  speciesname = std::move(header.speciesname);
  if (header.hasMicron) {
    hmicronsize = header.hstep;
    vmicronsize = header.vstep;
  }

  // The length of the file being read, even if its name went meanwhile.
  const int64_t length = text->Length();
  text.reset();  // closes the header's stream
  hmicronsize *= hpixelsize;
  vmicronsize *= vpixelsize;
  nb_images = RaisedImageCount(nb_images);

  LBresults()->AddRow(PixelSizeRow(hpixelsize, vpixelsize));
  LBresults()->AddRow(MicronSizeRow(hmicronsize, vmicronsize));
  const std::string label = SizeLabel(hmicronsize, vmicronsize);

  FileSizes sizes;
  const SizeCheck check = CheckSizes(length, nb_images, hpixelsize, vpixelsize, speciesname.size(), sizes);
  filesize = sizes.filesize;
  if (check != SizeCheck::Ok) {
    fw::MsgBox(SizeCheckMessage(check));
    return;
  }
  headersize = sizes.headersize;

  LBresults()->AddRow(" ");
  LBresults()->AddRow("Files Created:");

  ImageJob job;
  job.file = f;
  job.width = hpixelsize;
  job.height = vpixelsize;
  job.headersize = headersize;
  job.species = speciesname;
  job.sizeLabel = label;
  try {
    job.mapdata.assign(static_cast<size_t>(job.width) * static_cast<size_t>(job.height), 0.0f);
  } catch (const std::bad_alloc&) {
    LBresults()->AddRow(kCouldNotRead);
    return;
  }
  job.stream = f->OpenAsBinaryFile(false);
  if (!job.stream) {
    LBresults()->AddRow(kCouldNotRead);
    return;
  }
  job.stream->SetLittleEndian(true);

  const int32_t count = nb_images;
  for (int32_t k = 0; k <= count - 1; ++k) {
    if (!ConvertImage(job, k)) return;
    Refresh(true);  // this image's rows show while the next one is converted
    fw::RuntimeBackgroundTask();
  }
}

bool Main::ConvertImage(ImageJob& job, int32_t k) {
  fw::BinaryStream& in = *job.stream;
  const int32_t w = job.width, h = job.height;
  const int64_t start = ImageStartOffset(job.headersize, k, w, h);

  in.SetPosition(static_cast<uint64_t>(start));
  ImageStats stats = ImageStats::Begin(in.ReadSingle(), start);
  in.SetPosition(static_cast<uint64_t>(start));
  float* column = job.mapdata.data();
  for (int32_t x = 0; x <= w - 1; ++x, column += h) {
    // A column is read at once; each sample then counts in reading order.
    const int64_t columnStart = static_cast<int64_t>(in.Position());
    in.ReadSingles(column, static_cast<size_t>(h));
    for (int32_t y = 0; y <= h - 1; ++y) {
      stats.Add(column[y], columnStart + 4 * static_cast<int64_t>(y));
      fw::RuntimeBackgroundTask();
    }
    fw::RuntimeBackgroundTask();
  }

  LBresults()->AddRow(MinMaxRow(stats.smallest, stats.largest));
  in.SetPosition(static_cast<uint64_t>(stats.maxpos));
  const int b1 = in.ReadByte(), b2 = in.ReadByte(), b3 = in.ReadByte(), b4 = in.ReadByte();
  LBresults()->AddRow(MaxBytesRow(b1, b2, b3, b4));

  fw::PictureRef picture = fw::NewPicture(w, h, 32);
  if (!picture) {
    if (CB_autosave()->Value())
      LBresults()->AddRow(kCouldNotSave + OutputName(job.file->DisplayName(), job.species[k], job.sizeLabel));
    return false;
  }
  picture->SetHorizontalResolution(72);
  picture->SetVerticalResolution(120);
  const double scale = GreyScale(stats.smallest, stats.largest);
  // The samples are held column by column and the picture row by row: a band
  // of columns at a time keeps both in the cache. One yield per pixel and per
  // column, as everywhere.
  constexpr int32_t kBand = 16;
  for (int32_t x0 = 0; x0 <= w - 1; x0 += kBand) {
    const int32_t x1 = std::min(w, x0 + kBand);
    for (int32_t y = 0; y <= h - 1; ++y) {
      uint8_t* row = picture->MutableGreyRow(y);
      const float* sample = job.mapdata.data() + static_cast<size_t>(x0) * h + y;
      for (int32_t x = x0; x < x1; ++x, sample += h) {
        const int g = GreyLevel(*sample, stats.smallest, scale);
        row[x] = static_cast<uint8_t>(g);
        fw::RuntimeBackgroundTask();
      }
    }
    for (int32_t x = x0; x < x1; ++x) fw::RuntimeBackgroundTask();
  }

  if (!CB_autosave()->Value()) return true;
  return SaveImage(job, k, picture);
}

bool Main::SaveImage(ImageJob& job, int32_t k, const fw::PictureRef& picture) {
  const std::string outName = OutputName(job.file->DisplayName(), job.species[k], job.sizeLabel);
  fw::FolderItemRef folder = job.file->Parent();
  fw::FolderItemRef out = folder ? folder->Child(outName) : nullptr;
  if (out) FileNameIncrement(out);
  if (!out) {
    LBresults()->AddRow(kCouldNotSave + outName);
    return false;
  }
  // The writer never replaces a file: a name taken meanwhile fails the save.
  if (!app::CallSavePicture(out, picture, -1.0f)) {
    LBresults()->AddRow(kCouldNotSave + out->DisplayName());
    return true;
  }
  LBresults()->AddRow(out->DisplayName());
  out->SetMacCreator("GKON");
  out->SetMacType("PNGf");
  return true;
}

}  // namespace mapconv
