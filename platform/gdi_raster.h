// Inside the rasteriser (not for callers): pixel access by device value, the painter that writes
// clipped spans with a ROP2 mix, a coverage mask for shapes that must touch each pixel once, and
// the scanline polygon filler. Device values: palette index for 1 and 8 bits, 0x00RRGGBB for 24
// and 32 bits (blue in the low byte, as stored).
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/gdi.h"

namespace platform::detail {

[[nodiscard]] uint32_t deviceValue(TSurface const&, TColor);
[[nodiscard]] TColor colorOfDeviceValue(TSurface const&, uint32_t);
[[nodiscard]] uint32_t readDevice(TSurface const&, int x, int y);
void writeDevice(TSurface&, int x, int y, uint32_t);
[[nodiscard]] uint32_t mixRop2(Rop2, uint32_t pen, uint32_t dst);
// The 8×8 hatch pattern bit at pattern position (px, py), each 0..7.
[[nodiscard]] bool hatchBit(HatchStyle, int px, int py);

// The visible rectangles of a context, in device pixels.
[[nodiscard]] std::vector<TRect> clipRects(TDeviceContext const&);

class Painter {
 public:
  explicit Painter(TDeviceContext const&);
  [[nodiscard]] bool ready() const { return fs != nullptr && !fclip.empty(); }
  [[nodiscard]] TSurface& surface() { return *fs; }
  [[nodiscard]] TRect clipBounds() const { return fbounds; }
  [[nodiscard]] uint32_t value(TColor c) const { return deviceValue(*fs, c); }

  // Device coordinates; clipped; the context's ROP2 mix applies.
  void plot(int x, int y, uint32_t v);
  // Pixels x0 .. x1 − 1 of row y.
  void span(int y, int x0, int x1, uint32_t v);
  // The same with a brush: its pattern anchored at the brush origin, hatch gaps in the background
  // colour when the background mode is opaque.
  void brushSpan(int y, int x0, int x1, TBrushDesc const&);
  // Fills and block copies write without the ROP2 mix of pens.
  void setRop(Rop2 r) { frop = r; }

 private:
  TSurface* fs = nullptr;
  std::vector<TRect> fclip;
  TRect fbounds;
  Rop2 frop = Rop2::CopyPen;
  TPoint forg;
  bool fopaque = true;
  TColor fbk = 0xFFFFFF;
};

// One byte per pixel over a box: shapes are drawn into it, then painted once.
class Mask {
 public:
  explicit Mask(TRect const& box);
  [[nodiscard]] TRect box() const { return fbox; }
  void set(int x, int y);
  [[nodiscard]] bool get(int x, int y) const;
  void span(int y, int x0, int x1);
  // Calls f(y, x0, x1) for each run of set pixels.
  void runs(std::function<void(int, int, int)> const& f) const;

 private:
  TRect fbox;
  std::vector<uint8_t> fbits;
};

using FPoint = TFPoint;

// Fills rings by sampling pixel centres (pixel (x, y) is inside when (x + 0.5, y + 0.5) is);
// a centre on a left or top edge counts, on a right or bottom edge does not. Only rows
// rowTop .. rowBottom − 1 are visited. Calls f(y, x0, x1) for pixels x0 .. x1 − 1.
void scanPolygon(std::span<std::vector<FPoint> const> rings, PolyFillMode, int rowTop, int rowBottom,
                 std::function<void(int, int, int)> const& f);

// Pixels whose centres lie within radius of the point (continuous coordinates).
void fillDisc(Mask&, FPoint centre, double radius);

// Wide-pen outline of a path in continuous coordinates (pixel centres at .5) into a mask.
void strokeWide(Mask&, std::span<FPoint const> path, bool closed, TPenDesc const&);

}  // namespace platform::detail
