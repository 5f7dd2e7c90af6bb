// Colour fades on channel bytes and the pixel record of the 24-bit buffers.
// Colour integers are 0x00BBGGRR (red in the low byte); percentages run 0..100.
// Not interchangeable with the services object's fade on colour integers.
#pragma once
#include <cstdint>

// One pixel as it lies in a 24-bit buffer: blue, green, red.
struct Tbgr {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  friend bool operator==(const Tbgr&, const Tbgr&) = default;
};
static_assert(sizeof(Tbgr) == 3, "Tbgr must lie exactly as three pixel bytes");

// round(original + (target - original) * percent / 100) with percent capped at 100,
// the result kept in 0..255.
[[nodiscard]] uint8_t fadeByte(int original, int target, double percent);
// Fades each channel from the first colour toward the second; percent clamped into 0..100,
// a NaN counts as 100.
void FadeColour(uint8_t r1, uint8_t g1, uint8_t b1, uint8_t r2, uint8_t g2, uint8_t b2, double percent,
                uint8_t& r, uint8_t& g, uint8_t& b);
void FadeColour(Tbgr c1, Tbgr c2, double percent, Tbgr& c);

[[nodiscard]] Tbgr bgr(int32_t colour);
[[nodiscard]] int32_t colouri(Tbgr c);
