// Colour fades on channel bytes; rounding is halves to even as everywhere in the system.
#include "core/r_ColourBase.h"

#include <cmath>

#include "platform/numbers.h"

uint8_t fadeByte(int original, int target, double percent) {
  if (percent > 100) percent = 100;
  int64_t v = platform::Round(original + (target - original) * percent / 100.0);
  if (v > 255) return 255;
  if (v < 0) return 0;  // only a negative percent gets here; no caller passes one
  return static_cast<uint8_t>(v);
}

namespace {
double clampPercent(double percent) {
  if (std::isnan(percent)) return 100;
  if (percent < 0) return 0;
  if (percent > 100) return 100;
  return percent;
}
}  // namespace

void FadeColour(uint8_t r1, uint8_t g1, uint8_t b1, uint8_t r2, uint8_t g2, uint8_t b2, double percent,
                uint8_t& r, uint8_t& g, uint8_t& b) {
  percent = clampPercent(percent);
  r = fadeByte(r1, r2, percent);
  g = fadeByte(g1, g2, percent);
  b = fadeByte(b1, b2, percent);
}

void FadeColour(Tbgr c1, Tbgr c2, double percent, Tbgr& c) {
  percent = clampPercent(percent);
  c.red = fadeByte(c1.red, c2.red, percent);
  c.green = fadeByte(c1.green, c2.green, percent);
  c.blue = fadeByte(c1.blue, c2.blue, percent);
}

Tbgr bgr(int32_t colour) {
  auto u = static_cast<uint32_t>(colour);
  return Tbgr{static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u)};
}

int32_t colouri(Tbgr c) { return c.red + c.green * 256 + c.blue * 65536; }
