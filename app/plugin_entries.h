#pragma once
// The table of plug-in entry points, filled at start-up.
#include "framework/folder_item.h"
#include "framework/picture.h"
#include "framework/plugins.h"

namespace app {

// Allocates the one-entry table and looks the PNG plug-in up into entry 0.
void InitPluginEntrypoints();
// Calls entry 0. A missing plug-in saves nothing and gives false.
bool CallSavePicture(const fw::FolderItemRef& file, const fw::PictureRef& image, float gamma);

}  // namespace app
