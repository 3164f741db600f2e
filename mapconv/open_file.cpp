// OpenFile: one ".sem" or ".map" file from its header to its PNG files. The
// file is opened once; its header and its samples come from that one open
// file, whatever happens to its name meanwhile.
#include "framework/dialogs.h"
#include "framework/plugins.h"
#include "framework/read_only_file.h"
#include "framework/text_input_stream.h"
#include "framework/yield.h"
#include "mapconv/converter_texts.h"
#include "mapconv/file_name_increment.h"
#include "mapconv/header_reader.h"
#include "mapconv/image_stats.h"
#include "mapconv/main_window.h"
#include "mapconv/output_name.h"
#include "mapconv/sample_reader.h"
#include "mapconv/size_label.h"

namespace mapconv {

namespace {
fw::PictureRef (*g_newPicture)(int, int, int) = fw::NewPicture;
}

void SetNewPictureForTest(fw::PictureRef (*make)(int width, int height, int depth)) {
  g_newPicture = make ? make : fw::NewPicture;
}

// What one call holds for its image loop. The loop works on its own copies of
// the sizes, so nothing that happens during a yield can change them.
class ImageJob {
 public:
  fw::FolderItemRef file;
  std::unique_ptr<fw::ReadOnlyFile> input;
  int32_t width = 0, height = 0, headersize = 0;
  std::vector<std::string> species;
  std::string sizeLabel;
};

void Main::OpenFile(const fw::FolderItemRef& f) {
  LBraw()->DeleteAllRows();
  LBresults()->DeleteAllRows();
  STfilename()->SetText(kWorking);
  Refresh(true);
  if (!f) return;  // the open dialog was cancelled

  const std::string name = f->DisplayName();
  if (!HasImageSuffix(name)) {
    LBresults()->AddRow(kOnlyMapAndSem1);
    LBresults()->AddRow(kOnlyMapAndSem2);
    STfilename()->SetText("");
    Refresh(true);
    return;
  }

  speciesname.clear();
  hpixelsize = vpixelsize = nb_images = -1;
  // A header without a field step must not inherit the previous file's.
  hmicronsize = vmicronsize = 0.0;

  ImageJob job;
  job.file = f;
  job.input = f->OpenForReading();
  STfilename()->SetText(name);
  std::unique_ptr<fw::TextInputStream> text = job.input ? job.input->OpenText() : nullptr;
  if (!text) {
    LBresults()->AddRow(kCouldNotRead);
    return;
  }
  // The length when the file was opened decides, before any header line.
  const int64_t length = job.input->Length();
  if (TooLargeToRead(length)) {
    fw::MsgBox(kFileTooLarge);
    return;
  }

  HeaderValues header = ReadHeader(*text, [this](const std::string& line) {
    LBraw()->AddRow(line);
    fw::RuntimeBackgroundTask();
  });
  text.reset();
  if (header.readFailed) {
    LBresults()->AddRow(kCouldNotRead);
    return;
  }
  hpixelsize = header.hpixelsize;
  vpixelsize = header.vpixelsize;
  nb_images = RaisedImageCount(header.nb_images);
  speciesname = std::move(header.speciesname);
  if (header.hasMicron) {
    hmicronsize = header.hstep;
    vmicronsize = header.vstep;
  }
  hmicronsize *= hpixelsize;
  vmicronsize *= vpixelsize;

  LBresults()->AddRow(PixelSizeRow(hpixelsize, vpixelsize));
  LBresults()->AddRow(MicronSizeRow(hmicronsize, vmicronsize));
  job.sizeLabel = SizeLabel(hmicronsize, vmicronsize);

  FileSizes sizes;
  const SizeCheck check = CheckSizes(length, nb_images, hpixelsize, vpixelsize, speciesname.size(), sizes);
  filesize = sizes.filesize;
  if (check != SizeCheck::Ok) {
    fw::MsgBox(SizeCheckMessage(check));
    return;
  }
  headersize = sizes.headersize;

  LBresults()->AddRow(" ");
  LBresults()->AddRow(kFilesCreated);

  job.width = hpixelsize;
  job.height = vpixelsize;
  job.headersize = headersize;
  job.species = speciesname;
  const int32_t count = nb_images;
  for (int32_t k = 0; k <= count - 1; ++k) {
    if (!ConvertImage(job, k)) return;
    Refresh(true);  // this image's rows show while the next one is converted
    fw::RuntimeBackgroundTask();
  }
}

bool Main::ConvertImage(ImageJob& job, int32_t k) {
  const ImagePlace place{ImageStartOffset(job.headersize, k, job.width, job.height), job.width, job.height};
  // A file rewritten in place between the passes (same length, other
  // samples) would give a picture of neither version.
  const auto version = job.input->CurrentVersion();
  ImageStats stats;
  if (!ReadImageStats(*job.input, place, stats)) {
    LBresults()->AddRow(kCouldNotRead);
    return false;
  }
  LBresults()->AddRow(MinMaxRow(stats.smallest, stats.largest));
  LBresults()->AddRow(MaxBytesRow(stats.maxBits));

  fw::PictureRef picture = g_newPicture(job.width, job.height, 32);
  if (!picture) {
    // The name the picture would have had, where auto-save forms one.
    LBresults()->AddRow(CB_autosave()->Value()
                            ? CouldNotSaveRow(OutputName(job.file->DisplayName(), job.species[k], job.sizeLabel))
                            : kCouldNotRead);
    return false;
  }
  picture->SetHorizontalResolution(72);
  picture->SetVerticalResolution(120);
  // A file that changed since its statistics were read gives no picture.
  if (!ReadGreyLevels(*job.input, place, stats, picture->MutableGreyRow(0)) || !version ||
      job.input->CurrentVersion() != version) {
    LBresults()->AddRow(kCouldNotRead);
    return false;
  }

  if (!CB_autosave()->Value()) return true;
  return SaveImage(job, k, picture);
}

bool Main::SaveImage(ImageJob& job, int32_t k, const fw::PictureRef& picture) {
  const std::string outName = OutputName(job.file->DisplayName(), job.species[k], job.sizeLabel);
  fw::FolderItemRef folder = job.file->Parent();
  const fw::FolderItemRef wanted = folder ? folder->Child(outName) : nullptr;
  bool limitShown = false;
  const auto numbered = [&] {
    return mapconv::FileNameIncrement(wanted, [&] {
      if (!limitShown) fw::MsgBox(kIncrementMessage);
      limitShown = true;
    });
  };
  fw::FolderItemRef out = numbered();
  if (!out) {
    LBresults()->AddRow(CouldNotSaveRow(outName));
    return false;
  }
  // The writer never replaces a file. A name taken meanwhile (by another
  // program, or another copy of this one) is no failure: the next free
  // number is tried. Anything else is.
  while (!fw::CallSavePicture(out, picture, -1.0f)) {
    fw::FolderItemRef next = out->Exists() ? numbered() : nullptr;
    if (!next || next->Path() == out->Path()) {
      LBresults()->AddRow(CouldNotSaveRow(out->DisplayName()));
      return true;
    }
    out = next;
  }
  LBresults()->AddRow(out->DisplayName());
  out->SetMacCreator("GKON");
  out->SetMacType("PNGf");
  return true;
}

}  // namespace mapconv
