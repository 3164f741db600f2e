#include "mapconv/image_stats.h"

#include "framework/numbers.h"
#include "framework/strings.h"

namespace mapconv {

std::string ByteHex(int32_t n) {
  if (n < 0 || n > 255) return "--";
  return fw::Right("00" + fw::Hex(n), 2);
}

std::string MinMaxRow(double smallest, double largest) {
  return "Min: " + fw::Str(smallest) + " Max: " + fw::Str(largest);
}

std::string MaxBytesRow(int b1, int b2, int b3, int b4) {
  return "Max: " + ByteHex(b1) + " " + ByteHex(b2) + " " + ByteHex(b3) + " " + ByteHex(b4);
}

}  // namespace mapconv
