#pragma once
// Every text the converter shows, in one place: the rows of the results list
// and the message boxes.
#include <string>

namespace mapconv {

inline constexpr const char* kWorking = "working...";
inline constexpr const char* kOnlyMapAndSem1 = "This program can only open";
inline constexpr const char* kOnlyMapAndSem2 = ".map and .sem files.";
inline constexpr const char* kFilesCreated = "Files Created:";
inline constexpr const char* kCouldNotRead = "Could not read this file.";
inline constexpr const char* kCouldNotSave = "Could not save ";

// Message boxes.
inline constexpr const char* kFileTooLarge = "file too large";
inline constexpr const char* kHeaderSizeWrong = "headersize wrong";
inline constexpr const char* kWrongNumberOfImages = "Wrong number of images";
inline constexpr const char* kPixelSizeWrong = "pixel size wrong";
inline constexpr const char* kIncrementMessage = "filename increment reaches 1000";

inline std::string CouldNotSaveRow(const std::string& name) { return kCouldNotSave + name; }

}  // namespace mapconv
