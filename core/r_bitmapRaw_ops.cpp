// TrawBitmap24: whole-image pixel operations and drawing into another buffer.
// All arithmetic follows the pixel access rules: plain writes drop pixels outside, reads clamp,
// the mixing write takes round(old + (new - old) * p / 100) per channel.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "core/r_bitmapRaw.h"
#include "platform/numbers.h"

using platform::Round;
using platform::TRect;

TpercentMix::TpercentMix(double percent) {
  for (int o = 0; o < 256; ++o)
    for (int n = 0; n < 256; ++n) t[o * 256 + n] = static_cast<uint8_t>(Round(o + (n - o) * percent / 100.0) & 0xFF);
}

namespace {
// Box clipped to (0, 0, width, height), right and bottom exclusive; empty when nothing is left.
TRect clipTo(const TRect& box, int width, int height) {
  TRect r{std::max(box.Left, 0), std::max(box.Top, 0), std::min(box.Right, width), std::min(box.Bottom, height)};
  if (r.Right <= r.Left || r.Bottom <= r.Top) return TRect{0, 0, 0, 0};
  return r;
}

bool sameColour(const Tbgr& c, int32_t colour) { return colouri(c) == colour; }
}  // namespace

// A point of this buffer is visible unless a clip region selected into its context leaves it out.
bool TrawBitmap24::visibleInDc(int col, int row) {
  if (!fdc || !fdc->hasClip()) return true;
  const platform::TPoint d{col - fdc->windowOrg().X + fdc->viewportOrg().X,
                           row - fdc->windowOrg().Y + fdc->viewportOrg().Y};
  for (const TRect& r : fdc->clipRegion().rects())
    if (r.contains(d)) return true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Fills and lines

void TrawBitmap24::fillWhite() { fillRect(fboxPlus, Tbgr{255, 255, 255}, 100); }
void TrawBitmap24::fillBlack() { fillRect(fboxPlus, Tbgr{0, 0, 0}, 100); }

void TrawBitmap24::fillAll(Tbgr colour) {
  if (!createPixels()) return;
  uint8_t* top = rowPt(0);
  for (int col = 0; col < fwidth; ++col) std::memcpy(top + 3 * col, &colour, 3);
  for (int row = 1; row < fheight; ++row) std::memcpy(rowPt(row), top, size_t(fwidth) * 3);
}

// The box is clipped to the whole buffer, so the last row and column can be filled too.
void TrawBitmap24::fillRect(const TRect& box, Tbgr colour, int percent) { fillRectWhere(box, colour, percent, {}); }

void TrawBitmap24::fillRectWhere(const TRect& box, Tbgr colour, int percent,
                                 const std::function<bool(int, int)>& inside) {
  const TRect r = clipTo(box, fwidth, fheight);
  if (r.Right <= r.Left || !createPixels()) return;
  const bool clipped = fdc && fdc->hasClip();
  auto wanted = [&](int col, int row) {
    return (!clipped || visibleInDc(col, row)) && (!inside || inside(col, row));
  };
  if (percent >= 100) {
    for (int row = r.Top; row < r.Bottom; ++row)
      for (int col = r.Left; col < r.Right; ++col)
        if (wanted(col, row)) setPixel(col, row, colour);
    return;
  }
  // Constant opacity round(|percent| * 255 / 100) of 255, source over destination.
  const int64_t alpha = Round(std::abs(double(percent)) * 255.0 / 100.0);
  auto over = [alpha](uint8_t dst, uint8_t src) {
    return uint8_t(Round((src * alpha + dst * (255 - alpha)) / 255.0));
  };
  for (int row = r.Top; row < r.Bottom; ++row)
    for (int col = r.Left; col < r.Right; ++col) {
      if (!wanted(col, row)) continue;
      uint8_t* p = pixelAt(col, row);
      p[0] = over(p[0], colour.blue);
      p[1] = over(p[1], colour.green);
      p[2] = over(p[2], colour.red);
    }
}

void TrawBitmap24::setLine(int x1, int y1, int x2, int y2, Tbgr c) {
  const int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
  if (std::llabs(dy) > std::llabs(dx)) {
    // By rows; only rows inside the buffer can change anything.
    const int64_t lo = std::max<int64_t>(std::min(y1, y2), 0), hi = std::min<int64_t>(std::max(y1, y2), fheight - 1);
    for (int64_t y = lo; y <= hi; ++y) {
      const int64_t x = Round(x1 + double(dx) * double(y - y1) / double(dy));
      if (x >= 0 && x < fwidth) setPixel(int(x), int(y), c);
    }
  } else if (dx == 0) {
    setPixel(x1, y1, c);
  } else {
    const int64_t lo = std::max<int64_t>(std::min(x1, x2), 0), hi = std::min<int64_t>(std::max(x1, x2), fwidth - 1);
    for (int64_t x = lo; x <= hi; ++x) {
      const int64_t y = Round(y1 + double(dy) * double(x - x1) / double(dx));
      if (y >= 0 && y < fheight) setPixel(int(x), int(y), c);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Tone

// Above 100 the pixel is as dark as it gets: black, never a wrapped byte.
void TrawBitmap24::darken(int col, int row, double percent) {
  if (!(percent > 0)) return;
  uint8_t* p = pixelAt(col, row);
  if (!p) return;
  const double keep = 1 - std::min(percent, 100.0) / 100.0;
  for (int i = 0; i < 3; ++i) p[i] = static_cast<uint8_t>(Round(p[i] * keep) & 0xFF);
}

void TrawBitmap24::darken(double percent) {
  for (int row = 0; row < fheight; ++row)
    for (int col = 0; col < fwidth; ++col) setPixel(col, row, percent, 0, 0, 0);
}

void TrawBitmap24::lighten(int col, int row, double percent) { setPixel(col, row, percent, 255, 255, 255); }

void TrawBitmap24::lighten(double percent) {
  for (int row = 0; row < fheight; ++row)
    for (int col = 0; col < fwidth; ++col) setPixel(col, row, percent, 255, 255, 255);
}

void TrawBitmap24::makeGrey(int col, int row) {
  if (uint8_t* p = pixelAt(col, row)) {
    const auto grey = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
    p[0] = p[1] = p[2] = grey;
  }
}

void TrawBitmap24::makeGrey() {
  for (int row = 0; row < fheight; ++row)
    for (int col = 0; col < fwidth; ++col) makeGrey(col, row);
}

void TrawBitmap24::makeMonochrome(int32_t colour) {
  if (colour == 0) {
    makeGrey();
    return;
  }
  const Tbgr tint = bgr(colour), white{255, 255, 255};
  for (int row = 0; row < fheight; ++row)
    for (int col = 0; col < fwidth; ++col) {
      uint8_t* p = pixelAt(col, row);
      if (!p) return;
      const int grey = (p[0] + p[1] + p[2]) / 3;
      Tbgr c;
      FadeColour(white, tint, (255 - grey) / 255.0 * 100.0, c);
      p[0] = c.blue;
      p[1] = c.green;
      p[2] = c.red;
    }
}

// ---------------------------------------------------------------------------------------------
// Blending a buffer of the same size in

void TrawBitmap24::blend(TrawBitmap24& source, double percent) {
  if (source.fwidth != fwidth || source.fheight != fheight || !(percent > 0)) return;
  if (!createPixels() || !source.createPixels()) return;
  const size_t rowBytes = size_t(fwidth) * 3;
  if (percent >= 100) {
    for (int row = 0; row < fheight; ++row) std::memcpy(rowPt(row), source.rowPt(row), rowBytes);
    return;
  }
  const TpercentMix mix(percent);
  for (int row = 0; row < fheight; ++row) {
    uint8_t* d = rowPt(row);
    const uint8_t* s = source.rowPt(row);
    for (size_t i = 0; i < rowBytes; ++i) d[i] = mix(d[i], s[i]);
  }
}

void TrawBitmap24::fadeRows(const uint8_t* from, const uint8_t* to, const TpercentMix& mix, int first, int last) {
  uint8_t* pixels = imageData();
  if (!pixels || !from || !to) return;
  first = std::max(first, 0);
  last = std::min(last, fheight);
  const size_t rowBytes = size_t(fwidth) * 3;
  for (int row = first; row < last; ++row) {
    const size_t at = size_t(row) * size_t(rowL);
    uint8_t* __restrict d = pixels + at;
    const uint8_t* __restrict a = from + at;
    const uint8_t* __restrict b = to + at;
    for (size_t i = 0; i < rowBytes; ++i) d[i] = mix(a[i], b[i]);
  }
}

void TrawBitmap24::blend(TrawBitmap24& source, double percent, bool whiteIsTransparent, int left, int top) {
  blend(source, percent, whiteIsTransparent ? 0xFFFFFF : -1, left, top);
}

void TrawBitmap24::blend(TrawBitmap24& source, double percent, int32_t transparentColour, int left, int top) {
  if (source.fwidth != fwidth || source.fheight != fheight) return;
  for (int row = 0; row < source.fheight; ++row)
    for (int col = 0; col < source.fwidth; ++col) {
      const int64_t x = int64_t(left) + col, y = int64_t(top) + row;
      if (x < 0 || y < 0 || x >= fwidth || y >= fheight) continue;
      Tbgr c;
      source.getPixel(col, row, c);
      if (transparentColour >= 0 && sameColour(c, transparentColour)) continue;
      setPixel(int(x), int(y), percent, c.red, c.green, c.blue);
    }
}

// ---------------------------------------------------------------------------------------------
// Drawing into another buffer

void TrawBitmap24::Draw(TrawBitmap24& target, int x, int y, int percent, int32_t transparentColour) {
  for (int row = 0; row < fheight; ++row) {
    const int64_t ty = int64_t(y) + row;
    if (ty < 0 || ty >= target.fheight) continue;
    for (int col = 0; col < fwidth; ++col) {
      const int64_t tx = int64_t(x) + col;
      if (tx < 0 || tx >= target.fwidth || !target.visibleInDc(int(tx), int(ty))) continue;
      Tbgr c;
      getPixel(col, row, c);
      if (transparentColour >= 0 && sameColour(c, transparentColour)) continue;
      target.setPixel(int(tx), int(ty), c, percent);
    }
  }
}

namespace {
double tameOffset(double v) { return std::isnan(v) ? 0 : std::clamp(v, -2147483648.0, 2147483647.0); }
}  // namespace

// The sample at a fractional position is blended with what the target shows (its pixel is the
// initial colour), so the edges fade in; the result is written at the requested opacity
// whatever the number of samples the read took.
void TrawBitmap24::DrawD(TrawBitmap24& target, double x, double y, int percent, int32_t transparentColour) {
  x = tameOffset(x);
  y = tameOffset(y);
  const int64_t xi = platform::Trunc(x), yi = platform::Trunc(y);
  const double fx = platform::Frac(x), fy = platform::Frac(y);
  const int64_t rowLo = std::max<int64_t>(0, -yi), rowHi = std::min<int64_t>(fheight, target.fheight - 1 - yi);
  const int64_t colLo = std::max<int64_t>(0, -xi), colHi = std::min<int64_t>(fwidth, target.fwidth - 1 - xi);
  for (int64_t row = rowLo; row <= rowHi; ++row)
    for (int64_t col = colLo; col <= colHi; ++col) {
      const int tx = int(xi + col), ty = int(yi + row);
      if (!target.visibleInDc(tx, ty)) continue;
      Tbgr c;
      target.getPixel(tx, ty, c);
      getPixelD(double(col) - fx, double(row) - fy, c.red, c.green, c.blue, true);
      if (transparentColour >= 0 && sameColour(c, transparentColour)) continue;
      target.setPixel(tx, ty, c, percent);
    }
}

void TrawBitmap24::DrawD(TrawBitmap24& target, double x, double y, double multiply, int percent) {
  if (!(multiply > 0) || !std::isfinite(multiply)) return;
  x = tameOffset(x);
  y = tameOffset(y);
  const int64_t xi = platform::Trunc(x), yi = platform::Trunc(y);
  const double fx = platform::Frac(x), fy = platform::Frac(y);
  const int64_t rows = Round(fheight * multiply), cols = Round(fwidth * multiply);
  const int64_t rowLo = std::max<int64_t>(0, -yi), rowHi = std::min<int64_t>(rows, target.fheight - 1 - yi);
  const int64_t colLo = std::max<int64_t>(0, -xi), colHi = std::min<int64_t>(cols, target.fwidth - 1 - xi);
  for (int64_t row = rowLo; row <= rowHi; ++row)
    for (int64_t col = colLo; col <= colHi; ++col) {
      const int tx = int(xi + col), ty = int(yi + row);
      if (!target.visibleInDc(tx, ty)) continue;
      Tbgr c;
      target.getPixel(tx, ty, c);
      getPixelD(double(col) / multiply - fx, double(row) / multiply - fy, c.red, c.green, c.blue, true);
      target.setPixel(tx, ty, c, percent);
    }
}

void TrawBitmap24::Draw(TrawBitmap24& target, const TRect& box, int percent) {
  const TRect r = clipTo(box, target.fwidth, target.fheight);
  if (r.Right <= r.Left) return;
  const double bw = double(box.Right) - box.Left, bh = double(box.Bottom) - box.Top;
  for (int row = r.Top; row < r.Bottom; ++row)
    for (int col = r.Left; col < r.Right; ++col) {
      Tbgr s;
      getPixelD((col - box.Left) / bw * fwidth, (row - box.Top) / bh * fheight, s);
      if (percent < 100) {
        Tbgr t;
        target.getPixel(col, row, t);
        FadeColour(t, s, percent, s);
      }
      target.setPixel(col, row, s);
    }
}
