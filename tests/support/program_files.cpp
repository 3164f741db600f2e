#include "tests/support/program_files.h"

#include <fstream>

#include "tests/support/map_file_generator.h"

namespace testsupport {

const std::vector<std::string> kHelpRows = {"", "", "Program to open .map and .sem", "data files from PHI", "",
                                            "Click 'Open...' to open a single file", "", "-OR-", "",
                                            "Drag one or more files into this ", "window"};

std::string WriteSmallMap(const TempDir& dir, const std::string& name, int width, int height,
                          const std::vector<std::string>& species) {
  WriteMapFile(dir.File(name), {.width = width, .height = height, .species = species, .sample = nullptr});
  return dir.File(name);
}

std::vector<std::string> TouchFiles(const TempDir& dir, const std::vector<std::string>& names) {
  std::vector<std::string> paths;
  for (const std::string& name : names) {
    std::ofstream(dir.File(name)) << "x";
    paths.push_back(dir.File(name));
  }
  return paths;
}

size_t CountPngs(const TempDir& dir, const std::string& prefix) {
  size_t n = 0;
  for (const std::string& name : dir.Names())
    n += name.starts_with(prefix) && name.ends_with(".png");
  return n;
}

}  // namespace testsupport
