#pragma once
// Where a window's controls go when the window is resized (each keeps its
// distance to the edges it is locked to), and how small the window may get
// before they would overlap or vanish. Pure: no window is needed.
#include <vector>

namespace fw {

struct Box {
  int x = 0, y = 0, width = 0, height = 0;
};

struct PlacedControl {
  Box design;  // place and size in the designed content area
  bool lockLeft = false, lockTop = false, lockRight = false, lockBottom = false;
  // The least size the control is usable at, for the sides that stretch.
  int minWidth = 1, minHeight = 1;
};

// The control's box in a content area dx wider and dy taller than designed.
Box PlaceControl(const PlacedControl& control, int dx, int dy);

// The smallest content size, from `floor` up to the designed size, at which
// every control lies inside the window, at its least size or more, and apart
// from every other. `floor` itself when even the designed size fails.
Box FittingMinimum(const std::vector<PlacedControl>& controls, int designWidth, int designHeight, Box floor);

}  // namespace fw
