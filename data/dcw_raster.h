// Even-odd scanline fill of rings onto an equirectangular map: see dcw.h.
#pragma once
#include <algorithm>
#include <cmath>
#include <limits>

namespace kdata {

template <class Fn>
void rasterise(const TpolyXyValues& rings, int width, Fn&& setPixel) {
  const int height = width / 2;
  const double scale = width / 360.0;
  double top = std::numeric_limits<double>::max(), bottom = -top;
  for (const auto& r : rings)
    for (const auto& p : r) {
      top = std::min(top, (90.0 - p.y) * scale);
      bottom = std::max(bottom, (90.0 - p.y) * scale);
    }
  const int y0 = std::max(0, int(std::floor(top))), y1 = std::min(height - 1, int(std::ceil(bottom)));
  std::vector<double> xs;
  for (int y = y0; y <= y1; ++y) {
    const double cy = y + 0.5;
    xs.clear();
    for (const auto& r : rings) {
      const size_t n = r.size();
      for (size_t i = 0; i < n; ++i) {
        const xyrec& a = r[i];
        const xyrec& b = r[(i + 1) % n];
        const double ay = (90.0 - a.y) * scale, by = (90.0 - b.y) * scale;
        if ((ay <= cy) == (by <= cy)) continue;
        const double t = (cy - ay) / (by - ay);
        xs.push_back(((a.x + (b.x - a.x) * t) + 180.0) * scale);
      }
    }
    std::sort(xs.begin(), xs.end());
    for (size_t i = 0; i + 1 < xs.size(); i += 2) {
      const int c0 = int(std::ceil(xs[i] - 0.5)), c1 = int(std::ceil(xs[i + 1] - 0.5));
      for (int c = c0; c < c1; ++c) setPixel(((c % width) + width) % width, y);
    }
  }
  // A ring too small to hold a pixel centre (a small island) still takes the pixel it lies in.
  for (const auto& r : rings) {
    if (r.empty()) continue;
    double x0 = std::numeric_limits<double>::max(), x1 = -x0, ya = x0, yb = -x0;
    for (const auto& p : r) {
      x0 = std::min(x0, (p.x + 180.0) * scale);
      x1 = std::max(x1, (p.x + 180.0) * scale);
      ya = std::min(ya, (90.0 - p.y) * scale);
      yb = std::max(yb, (90.0 - p.y) * scale);
    }
    const bool holdsColumn = std::ceil(x0 - 0.5) < std::ceil(x1 - 0.5);
    const bool holdsRow = std::ceil(ya - 0.5) < std::ceil(yb - 0.5);
    if (holdsColumn && holdsRow) continue;
    const int c = int(std::floor((x0 + x1) / 2)), row = int(std::floor((ya + yb) / 2));
    if (row >= 0 && row < height) setPixel(((c % width) + width) % width, row);
  }
}

}  // namespace kdata
