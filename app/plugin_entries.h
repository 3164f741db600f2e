#pragma once
// The table of plug-in entry points, filled at start-up.

namespace app {

// Makes the framework's one-entry table and looks the PNG plug-in up into it;
// the converter calls it through the framework (fw::CallSavePicture).
void InitPluginEntrypoints();

}  // namespace app
