// Tbm24: the canvas-backed pixel buffer. Polygons are filled through a one-bit mask of the
// polygon laid over the buffer's own fill, so the fill keeps the buffer's opacity rules.
#include "core/Tbm24.h"

#include <algorithm>
#include <climits>
#include <vector>

using platform::TPoint;
using platform::TRect;

Tbm24::Tbm24() {
  onChangeSize = [this](TrawBitmap24* sender) { doChangeSize(sender); };
}

Tbm24::~Tbm24() { cv.reset(); }

platform::TCanvas& Tbm24::canvas() {
  if (!cv) cv = std::make_unique<platform::TCanvas>(&dc());
  else if (!cv->Handle()) cv->bind(&dc());
  return *cv;
}

void Tbm24::contextReleased() {
  if (cv) cv->bind(nullptr);
}

void Tbm24::doChangeSize(TrawBitmap24*) {
  if (cv) cv->bind(&dc());
}

void Tbm24::Draw(platform::TCanvas& target, int x, int y) {
  if (target.Handle()) TrawBitmap24::Draw(*target.Handle(), x, y);
}

void Tbm24::DrawExtract(platform::TCanvas& target, const TRect& source, const TRect& targetBox) {
  if (target.Handle()) TrawBitmap24::DrawExtract(*target.Handle(), source, targetBox);
}

void Tbm24::fillPolygon(std::span<const TPoint> a, std::span<const int> polys, int opacity) {
  if (a.empty()) return;
  TRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (const TPoint& p : a) {
    box.Left = std::min(box.Left, p.X);
    box.Top = std::min(box.Top, p.Y);
    box.Right = std::max(box.Right, p.X);
    box.Bottom = std::max(box.Bottom, p.Y);
  }
  box = TRect{std::max(box.Left, 0), std::max(box.Top, 0), std::min(box.Right, width()), std::min(box.Bottom, height())};
  if (box.Right <= box.Left || box.Bottom <= box.Top) {
    dc().resetClip();
    return;
  }
  // The polygon as a mask of the fill box, filled as the canvas fills it (alternate).
  TbitmapMono mask;
  mask.setSize(box.Right - box.Left, box.Bottom - box.Top);
  mask.fillBlack();
  mask.dc().setPen(platform::makePen(platform::PenStyle::Null, 1, 0));
  mask.whiteBrush();
  std::vector<TPoint> shifted(a.begin(), a.end());
  for (TPoint& p : shifted) {
    p.X = int(std::clamp<int64_t>(int64_t(p.X) - box.Left, INT_MIN / 2, INT_MAX / 2));
    p.Y = int(std::clamp<int64_t>(int64_t(p.Y) - box.Top, INT_MIN / 2, INT_MAX / 2));
  }
  if (polys.size() < 2) mask.dc().polygon(shifted);
  else mask.dc().polyPolygon(shifted, polys);
  const Tbgr colour = bgr(int32_t(canvas().Brush.Color & 0xFFFFFF));
  fillRectWhere(box, colour, opacity, [&](int col, int row) { return mask.isWhite(col - box.Left, row - box.Top); });
  dc().resetClip();
}
