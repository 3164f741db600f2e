#pragma once
// Files a test of the whole program makes and looks for: small generated
// maps, empty stand-ins and the PNG files written.
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace testsupport {

// The rows the main window's raw list shows before any file is opened.
extern const std::vector<std::string> kHelpRows;

// A generated map of width x height pixels, one image per species, written
// to dir under name; gives its path.
std::string WriteSmallMap(const TempDir& dir, const std::string& name, int width, int height,
                          const std::vector<std::string>& species);
// Files of one byte each, for tests that look at names only; gives their paths.
std::vector<std::string> TouchFiles(const TempDir& dir, const std::vector<std::string>& names);
// How many files in dir end in ".png" and begin with prefix.
size_t CountPngs(const TempDir& dir, const std::string& prefix = "");

}  // namespace testsupport
