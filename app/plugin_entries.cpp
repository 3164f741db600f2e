#include "app/plugin_entries.h"

#include <vector>

#include "framework/recorder.h"
#include "pngu/png_saver.h"

namespace app {

namespace {
std::vector<fw::PluginEntry> g_entries;

// Entry 0, the PNG plug-in; nullptr when it was not found.
fw::PluginEntry SavePictureEntry() { return g_entries.empty() ? nullptr : g_entries[0]; }
}  // namespace

void InitPluginEntrypoints() {
  g_entries.assign(1, nullptr);
  g_entries[0] = fw::LookupPluginFunction(pngu::kSavePictureSignature);
  fw::Record(g_entries[0] ? "PluginLookup found" : "PluginLookup missing");
}

bool CallSavePicture(const fw::FolderItemRef& file, const fw::PictureRef& image, float gamma) {
  fw::PluginEntry entry = SavePictureEntry();
  if (!entry) return false;
  return reinterpret_cast<pngu::SavePictureFn>(entry)(file, image, gamma);
}

}  // namespace app
