#include "app/plugin_entries.h"

#include "framework/plugins.h"
#include "framework/recorder.h"
#include "pngu/png_saver.h"

namespace app {

void InitPluginEntrypoints() {
  fw::SetPluginEntries(1);
  const fw::PluginEntry entry = fw::LookupPluginFunction(pngu::kSavePictureSignature);
  fw::SetPluginEntry(fw::kSavePictureEntry, entry);
  fw::Record(entry ? "PluginLookup found" : "PluginLookup missing");
}

}  // namespace app
