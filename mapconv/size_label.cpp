#include "mapconv/size_label.h"

#include "framework/numbers.h"

namespace mapconv {

std::string SizeLabel(double wMicron, double hMicron) {
  const std::string nanometres = fw::Format(wMicron * 1000, "0");
  std::string size;
  std::string unit;
  // Decided on the rounded text, so 999.6 nm already counts as a micrometre.
  if (fw::Val(nanometres) < 1000) {
    size = nanometres;
    unit = "nm";
  } else {
    size = fw::Format(wMicron, "0.0");
    if (size.size() >= 2 && size.compare(size.size() - 2, 2, ".0") == 0) size.resize(size.size() - 2);
    unit = "µm";  // micro sign U+00B5
  }
  return "(" + size + unit + (wMicron == hMicron ? ")" : "w)");
}

}  // namespace mapconv
