// Tbm24: a 24-bit pixel buffer with a framework canvas bound to its own device context, so the
// same pixels take pens, brushes and shapes as well as pixel-by-pixel work.
#pragma once
#include <memory>
#include <span>

#include "core/r_bitmapRaw.h"
#include "platform/canvas.h"

class Tbm24 : public TrawBitmap24 {
 public:
  Tbm24();
  ~Tbm24() override;

  // Made on first use; follows every size change of the buffer, and after a load, an extract or
  // clear() binds to the new context the next time it is asked for (never to a freed one).
  platform::TCanvas& canvas();
  TrawBitmap24& raw() { return *this; }
  void doChangeSize(TrawBitmap24* sender);

  // Unscaled block copy at (0, 0) or (x, y) of the canvas.
  void Draw(platform::TCanvas& target) { Draw(target, 0, 0); }
  void Draw(platform::TCanvas& target, int x, int y);
  void DrawExtract(platform::TCanvas& target, const platform::TRect& source, const platform::TRect& targetBox);
  // Fills the polygon (rings of the given lengths; fewer than two: one ring) with the canvas's
  // brush colour at opacity percent, inside the polygon's bounding box; leaves no clip behind.
  void fillPolygon(std::span<const platform::TPoint> a, std::span<const int> polys, int opacity);

  using TrawBitmap24::Draw;
  using TrawBitmap24::DrawExtract;

 protected:
  void contextReleased() override;

 private:
  std::unique_ptr<platform::TCanvas> cv;
};
