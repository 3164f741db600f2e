#include "mapconv/output_name.h"

#include "framework/strings.h"
#include "mapconv/clean_string.h"

namespace mapconv {

bool HasImageSuffix(const std::string& displayName) {
  return fw::EndsWith(displayName, ".sem") || fw::EndsWith(displayName, ".map");
}

std::string OutputName(const std::string& inputDisplayName, const std::string& species, const std::string& sizeLabel) {
  const std::string base = fw::Left(inputDisplayName, fw::Len(inputDisplayName) - 4);
  return CleanString(base) + " " + CleanString(species) + " " + CleanString(sizeLabel) + ".png";
}

}  // namespace mapconv
