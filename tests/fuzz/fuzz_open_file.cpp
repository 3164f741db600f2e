// libFuzzer target over the reading and conversion of one file, without a
// window: the input is written as a file, opened once, and taken through the
// converter's own functions: the size of the file, the header, the size
// checks, both passes over every image's samples, and the PNG writer. Any
// crash, sanitizer report or hang is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/folder_item.h"
#include "framework/picture.h"
#include "framework/read_only_file.h"
#include "framework/text_input_stream.h"
#include "mapconv/header_reader.h"
#include "mapconv/image_stats.h"
#include "mapconv/sample_reader.h"
#include "pngu/png_saver.h"
#include "tests/support/temp_dir.h"

namespace {

testsupport::TempDir* g_dir = nullptr;

void Convert(const fw::FolderItemRef& input) {
  const auto file = input->OpenForReading();
  if (!file || mapconv::TooLargeToRead(file->Length())) return;
  const auto text = file->OpenText();
  if (!text) return;
  const mapconv::HeaderValues header = mapconv::ReadHeader(*text, [](const std::string&) {});
  const int32_t count = mapconv::RaisedImageCount(header.nb_images);
  mapconv::FileSizes sizes;
  if (mapconv::CheckSizes(file->Length(), count, header.hpixelsize, header.vpixelsize, header.speciesname.size(),
                          sizes) != mapconv::SizeCheck::Ok)
    return;
  for (int32_t k = 0; k < count; ++k) {
    const mapconv::ImagePlace place{
        mapconv::ImageStartOffset(sizes.headersize, k, header.hpixelsize, header.vpixelsize), header.hpixelsize,
        header.vpixelsize};
    mapconv::ImageStats stats;
    if (!mapconv::ReadImageStats(*file, place, stats)) std::abort();  // the file did not change
    (void)mapconv::MinMaxRow(stats.smallest, stats.largest);
    (void)mapconv::MaxBytesRow(stats.maxBits);
    const fw::PictureRef picture = fw::NewPicture(place.width, place.height, 32);
    if (!picture) return;
    if (!mapconv::ReadGreyLevels(*file, place, stats, picture->MutableGreyRow(0))) std::abort();
    const auto out = fw::FolderItem::FromPath(g_dir->File("out" + std::to_string(k) + ".png"));
    if (!pngu::SavePicture(out, picture, -1.0f)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_dir = new testsupport::TempDir;
  std::atexit([] { delete g_dir; });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = g_dir->File("fuzz.map");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || (size && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) std::abort();
  Convert(fw::FolderItem::FromPath(path));
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(g_dir->path(), ec)) std::filesystem::remove_all(e.path(), ec);
  return 0;
}
