#include "framework/control_layout.h"

#include <algorithm>

namespace fw {

namespace {
bool Overlap(const Box& a, const Box& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

bool FitsAt(const std::vector<PlacedControl>& controls, int width, int height, int dx, int dy) {
  std::vector<Box> boxes;
  for (const PlacedControl& c : controls) {
    const Box b = PlaceControl(c, dx, dy);
    const int leastWidth = c.lockLeft && c.lockRight ? c.minWidth : c.design.width;
    const int leastHeight = c.lockTop && c.lockBottom ? c.minHeight : c.design.height;
    if (b.width < std::max(leastWidth, 1) || b.height < std::max(leastHeight, 1)) return false;
    if (b.x < 0 || b.y < 0 || b.x + b.width > width || b.y + b.height > height) return false;
    for (const Box& other : boxes)
      if (Overlap(b, other)) return false;
    boxes.push_back(b);
  }
  return true;
}
}  // namespace

Box PlaceControl(const PlacedControl& c, int dx, int dy) {
  Box b = c.design;
  if (c.lockRight) (c.lockLeft ? b.width : b.x) += dx;
  if (c.lockBottom) (c.lockTop ? b.height : b.y) += dy;
  b.width = std::max(b.width, 0);
  b.height = std::max(b.height, 0);
  return b;
}

Box FittingMinimum(const std::vector<PlacedControl>& controls, int designWidth, int designHeight, Box floor) {
  auto fits = [&](int w, int h) { return FitsAt(controls, w, h, w - designWidth, h - designHeight); };
  if (floor.width >= designWidth && floor.height >= designHeight) return floor;
  if (!fits(designWidth, designHeight)) return floor;
  int width = std::min(floor.width, designWidth);
  while (width < designWidth && !fits(width, designHeight)) ++width;
  int height = std::min(floor.height, designHeight);
  while (height < designHeight && !fits(width, height)) ++height;
  return {0, 0, std::max(width, floor.width), std::max(height, floor.height)};
}

}  // namespace fw
