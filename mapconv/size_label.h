#pragma once
// The short text that states the width of the scanned field in output names.
#include <string>

namespace mapconv {

// "(350nm)", "(2.5µm)", or with a trailing "w" when the height differs from
// the width in any bit: "(12µmw)". Widths that round below 1000 nm, negative
// ones included, are given in nanometres.
std::string SizeLabel(double wMicron, double hMicron);

}  // namespace mapconv
