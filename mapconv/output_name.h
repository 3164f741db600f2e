#pragma once
// The names the converter takes and gives: which inputs it reads, and the name
// of each picture it saves.
#include <string>

namespace mapconv {

// Whether the display name ends in ".sem" or ".map" (letter case folded).
bool HasImageSuffix(const std::string& displayName);

// "<input less its suffix> <species> <size label>.png", each part cleaned.
std::string OutputName(const std::string& inputDisplayName, const std::string& species, const std::string& sizeLabel);

}  // namespace mapconv
