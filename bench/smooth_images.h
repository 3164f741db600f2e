#pragma once
// Smooth, noise-free sample images for the benchmark's size comparison:
// gradients, ripples, blobs and steps, as a lab's test patterns and
// simulated maps look. image % 4 picks the kind.
#include <cmath>

namespace bench {

inline float SmoothSample(int image, int x, int y, int width, int height) {
  const double u = double(x) / width, v = double(y) / height;
  switch (image % 4) {
    case 0:  // a diagonal gradient
      return float(100.0 + 900.0 * (0.7 * u + 0.3 * v));
    case 1: {  // rings about the centre
      const double r = std::hypot(u - 0.5, v - 0.5);
      return float(500.0 + 400.0 * std::cos(40.0 * r) * std::exp(-2.0 * r));
    }
    case 2: {  // a few broad blobs
      const double cx[] = {0.25, 0.7, 0.5, 0.8}, cy[] = {0.3, 0.25, 0.7, 0.8}, s[] = {0.08, 0.15, 0.1, 0.05};
      double sum = 50.0;
      for (int k = 0; k < 4; ++k) {
        const double d2 = (u - cx[k]) * (u - cx[k]) + (v - cy[k]) * (v - cy[k]);
        sum += 800.0 * std::exp(-d2 / (2 * s[k] * s[k]));
      }
      return float(sum);
    }
    default:  // terraces: steps along x, a gentle slope along y
      return float(100.0 * std::floor(8.0 * u) + 40.0 * v);
  }
}

}  // namespace bench
