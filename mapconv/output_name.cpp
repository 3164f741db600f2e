#include "mapconv/output_name.h"

#include "framework/strings.h"
#include "mapconv/clean_string.h"

namespace mapconv {

bool HasImageSuffix(const std::string& displayName) {
  const std::string suffix = fw::Right(displayName, 4);
  return fw::StrEqual(suffix, ".sem") || fw::StrEqual(suffix, ".map");
}

std::string OutputName(const std::string& inputDisplayName, const std::string& species, const std::string& sizeLabel) {
  const std::string base = fw::Left(inputDisplayName, fw::Len(inputDisplayName) - 4);
  return CleanString(base) + " " + CleanString(species) + " " + CleanString(sizeLabel) + ".png";
}

}  // namespace mapconv
