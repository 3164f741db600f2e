#include "framework/plugins.h"

#include <map>
#include <vector>

namespace fw {

namespace {
std::map<std::string, PluginEntry>& Registry() {
  static std::map<std::string, PluginEntry> registry;
  return registry;
}
std::vector<PluginEntry> g_entries;

using SavePictureFn = bool (*)(const FolderItemRef&, const PictureRef&, float);
}  // namespace

void RegisterPluginFunction(const std::string& signature, PluginEntry entry) { Registry()[signature] = entry; }

PluginEntry LookupPluginFunction(const std::string& signature) {
  auto it = Registry().find(signature);
  return it == Registry().end() ? nullptr : it->second;
}

void SetPluginEntries(size_t count) { g_entries.assign(count, nullptr); }

void SetPluginEntry(size_t slot, PluginEntry entry) {
  if (slot < g_entries.size()) g_entries[slot] = entry;
}

PluginEntry PluginEntryAt(size_t slot) { return slot < g_entries.size() ? g_entries[slot] : nullptr; }

bool CallSavePicture(const FolderItemRef& file, const PictureRef& image, float gamma) {
  const PluginEntry entry = PluginEntryAt(kSavePictureEntry);
  if (!entry) return false;
  return reinterpret_cast<SavePictureFn>(entry)(file, image, gamma);
}

}  // namespace fw
