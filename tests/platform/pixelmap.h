// Text pictures of small surfaces for pixel-exact checks: one character per pixel, rows joined
// by newlines, top row first.
#pragma once
#include <map>
#include <string>

#include "platform/surface.h"

namespace pixelmap {
// Colours not in the legend show as '?'.
inline std::string draw(platform::TSurface const& s, std::map<platform::TColor, char> const& legend) {
  std::string out;
  for (int y = 0; y < s.height(); ++y) {
    for (int x = 0; x < s.width(); ++x) {
      auto it = legend.find(s.pixel(x, y));
      out += it == legend.end() ? '?' : it->second;
    }
    out += '\n';
  }
  return out;
}

// Joins picture rows written one per string literal.
template <class... Rows>
std::string rows(Rows... r) {
  return ((std::string(r) + "\n") + ...);
}
}  // namespace pixelmap
