#pragma once
// Plug-in functions, found by their signature string, and the program's table
// of the entry points it looked up at start-up.
#include <cstddef>
#include <string>

#include "framework/folder_item.h"
#include "framework/picture.h"

namespace fw {

using PluginEntry = void (*)();

// Makes a function known under its full signature string.
void RegisterPluginFunction(const std::string& signature, PluginEntry entry);
// The function registered under that signature, or nullptr.
PluginEntry LookupPluginFunction(const std::string& signature);

template <class Fn>
void RegisterPlugin(const std::string& signature, Fn* fn) {
  RegisterPluginFunction(signature, reinterpret_cast<PluginEntry>(fn));
}

// The entry table: slot kSavePictureEntry holds the PNG plug-in's
// SavePicture(file, image, gamma) once start-up has found it.
inline constexpr size_t kSavePictureEntry = 0;
void SetPluginEntries(size_t count);
void SetPluginEntry(size_t slot, PluginEntry entry);
PluginEntry PluginEntryAt(size_t slot);  // nullptr when empty or out of range

// Calls the table's SavePicture; an empty slot saves nothing and gives false.
bool CallSavePicture(const FolderItemRef& file, const PictureRef& image, float gamma);

}  // namespace fw
