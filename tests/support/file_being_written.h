#pragma once
// Whether a PNG is under way in a folder: the plug-in writes it unnamed (a
// file that the process holds open but the folder does not list yet), or,
// where the file system has no unnamed files, under a hidden name.
#include <sys/types.h>

#include <filesystem>

namespace testsupport {

// pid 0: this process.
bool FileBeingWrittenIn(const std::filesystem::path& folder, pid_t pid = 0);

}  // namespace testsupport
