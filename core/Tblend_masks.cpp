// Tblend: drawing through masks, textures, feathered edges, strip-cut copies, palettes and
// regions from masks. A mask bit of 1 is white.
#include <algorithm>
#include <cmath>

#include "core/Tblend.h"

using platform::TBitmap;
using platform::TCanvas;
using platform::TDeviceContext;
using platform::TRect;

namespace {
constexpr platform::TRop kSourceWhereBlack = 0xCCAA0029;
constexpr platform::TRop kMergeWhereBlack = 0xC0AA0029;
}  // namespace

// ---- masks, textures, edges ---------------------------------------------------------------------

bool Tblend::MaskDraw(TCanvas& canvas, TRect box, TBitmap const& bm, TBitmap const& mask) {
  // One masked copy: bm where the mask is black. (Platforms before Windows 2000 lacked it and
  // composed the same picture of four plain copies.)
  if (!canvas.Handle()) return false;
  return platform::MaskBlt(*canvas.Handle(), box.Left, box.Top, box.width(), box.height(), &bm.dc(), 0, 0, &mask.surface(), 0,
                    0, kSourceWhereBlack);
}

bool Tblend::ColourMaskDraw(TCanvas& canvas, TRect box, TBitmap const& bm, int32_t colour) {
  TBitmap& source = const_cast<TBitmap&>(bm);  // only its background colour is borrowed
  ColourToMono(source, *tempmask, colour);
  return MaskDraw(canvas, box, bm, *tempmask);
}

void Tblend::WhiteMaskDraw(TCanvas& canvas, TRect box, TBitmap const& bm, bool asMerge) {
  if (!canvas.Handle()) return;
  ColourToMono(const_cast<TBitmap&>(bm), *tempmask, 0xFFFFFF);
  TDeviceContext& dc = *canvas.Handle();
  const platform::TBrushDesc old = dc.setBrush(canvas.Brush.desc());
  platform::MaskBlt(dc, box.Left, box.Top, box.width(), box.height(), &bm.dc(), 0, 0, &tempmask->surface(), 0, 0,
             asMerge ? kMergeWhereBlack : kSourceWhereBlack);
  dc.setBrush(old);
}

void Tblend::Texture(TBitmap& target24, TBitmap const& graybm, int x, int y, int width, int height, int opacity,
                     int32_t colour) {
  if (target24.PixelFormat() != platform::pf24bit) return;
  const int gbytes = graybm.PixelFormat() == platform::pf24bit ? 3 : 1;
  if (gbytes == 1 && graybm.PixelFormat() != platform::pf8bit) return;
  const double c[3] = {double((colour >> 16) & 0xFF), double((colour >> 8) & 0xFF), double(colour & 0xFF)};
  for (int row = 0; row < height && row < graybm.Height(); ++row) {
    const int ty = y + row;
    if (ty < 0 || ty >= target24.Height()) continue;
    uint8_t const* g = graybm.ScanLine(row);
    uint8_t* t = target24.ScanLine(ty);
    for (int i = 0; i < width && i < graybm.Width(); ++i) {
      const int tx = x + i;
      if (tx < 0 || tx >= target24.Width()) continue;
      const int level = g[i * gbytes];
      if (level == 0) continue;
      uint8_t* p = t + 3 * tx;
      for (int k = 0; k < 3; ++k)
        p[k] = uint8_t(std::clamp(std::nearbyint((c[k] - p[k]) * level / 256 * opacity / 100 + p[k]), 0.0, 255.0));
    }
  }
}

void Tblend::Texture(TCanvas& target, TBitmap const& graybm, int x, int y, int width, int height, int opacity,
                     int32_t colour) {
  if (!target.Handle() || width <= 0 || height <= 0) return;
  grow(*temp, width, height);
  platform::BitBlt(temp->dc(), 0, 0, width, height, target.Handle(), x, y, platform::SRCCOPY);
  Texture(*temp, graybm, 0, 0, width, height, opacity, colour);
  platform::BitBlt(*target.Handle(), x, y, width, height, &temp->dc(), 0, 0, platform::SRCCOPY);
}

void Tblend::FeatherEdge(TCanvas& canvas, int width, int height, std::span<const platform::TPoint> a,
                         std::span<const int> polys, int32_t colour, int bandwidth, int percent, int steps) {
  TDeviceContext* dc = canvas.Handle();
  if (!dc || width <= 0 || height <= 0 || a.empty()) return;
  if (steps <= 0) steps = 1;
  std::vector<int> rings(polys.begin(), polys.end());
  if (rings.empty()) rings.push_back(int(a.size()));
  temp->SetSize(width, height);
  TDeviceContext& work = temp->dc();
  platform::BitBlt(work, 0, 0, width, height, dc, 0, 0, platform::SRCCOPY);
  polygonMask(width, height, a, rings);
  auto strokeRings = [&](int penWidth) {
    work.setPen(platform::makePen(platform::PenStyle::Solid, penWidth, platform::TColor(colour)));
    size_t at = 0;
    for (int n : rings) {
      if (n < 0 || at + size_t(n) > a.size()) break;
      auto ring = a.subspan(at, size_t(n));
      std::vector<platform::TPoint> closed(ring.begin(), ring.end());
      if (!closed.empty()) closed.push_back(closed.front());
      work.polyline(closed);
      at += size_t(n);
    }
  };
  if (steps == 1) {
    strokeRings(2 * bandwidth);
    PercentBlend(work, 0, 0, width, height, *dc, 0, 0, width, height, 100 - percent);
  } else {
    for (int count = 0; count < steps; ++count) {
      strokeRings(int(std::nearbyint(double(steps - count) * bandwidth * 2 / steps)));
      PercentBlend(work, 0, 0, width, height, *dc, 0, 0, width, height,
                   std::nearbyint(double(count + 1) * (100 - percent) / steps));
    }
  }
  platform::MaskBlt(*dc, 0, 0, width, height, &work, 0, 0, &tempmask->surface(), 0, 0, kSourceWhereBlack);
}

void Tblend::MaskPolygon(TCanvas& canvas, int width, int height, std::span<const platform::TPoint> a,
                         std::span<const int> polys, int percent,
                         std::function<void(TCanvas&)> const& onWantDraw) {
  TDeviceContext* dc = canvas.Handle();
  if (!dc || width <= 0 || height <= 0 || a.empty()) return;
  temp->SetSize(width, height);
  platform::BitBlt(temp->dc(), 0, 0, width, height, dc, 0, 0, platform::SRCCOPY);
  std::vector<int> rings(polys.begin(), polys.end());
  if (rings.empty()) rings.push_back(int(a.size()));
  polygonMask(width, height, a, rings);
  if (onWantDraw) onWantDraw(temp->Canvas());
  PercentBlend(temp->dc(), 0, 0, width, height, *dc, 0, 0, width, height, 100 - percent);
  platform::MaskBlt(*dc, 0, 0, width, height, &temp->dc(), 0, 0, &tempmask->surface(), 0, 0, kSourceWhereBlack);
}

// ---- copies -------------------------------------------------------------------------------------

namespace {
// Columns per strip: maxsize div height, at least one.
int stripWidth(uint32_t maxsize, int width, int height) {
  return int(std::min<int64_t>(std::max(width, 1), std::max<int64_t>(1, int64_t(maxsize) / std::max(height, 1))));
}
}  // namespace

bool Tblend::BitBlt(TCanvas& target, int left, int top, int width, int height, TCanvas const& source, int sourcex,
                    int sourcey, platform::TRop copymode) {
  if (!target.Handle()) return false;
  TDeviceContext& dc = *target.Handle();
  dc.setStretchBltMode(platform::StretchMode::Halftone);
  const int n = stripWidth(maxsize, width, height);
  bool ok = true;
  for (int o = 0; ok && o < width; o += n)
    ok = platform::BitBlt(dc, left + o, top, std::min(n, width - o), height, source.Handle(), sourcex + o, sourcey,
                          copymode);
  return ok;
}

void Tblend::StretchBlt(TCanvas& target, int left, int top, int width, int height, TCanvas const& source, int sleft,
                        int stop, int swidth, int sheight, platform::TRop copymode) {
  StretchBlt(target, left, top, width, height, source, sleft, stop, swidth, sheight, copymode,
             width < swidth ? platform::StretchMode::Halftone : platform::StretchMode::ColorOnColor);
}

bool Tblend::StretchBlt(TCanvas& target, int left, int top, int width, int height, TCanvas const& source, int sleft,
                        int stop, int swidth, int sheight, platform::TRop copymode, platform::StretchMode mode) {
  if (!target.Handle()) return false;
  TDeviceContext& dc = *target.Handle();
  dc.setStretchBltMode(mode);
  if (mode == platform::StretchMode::Halftone) dc.setBrushOrg({0, 0});
  if (width == 0) return true;
  if (height <= 0 || width < 0) return false;
  const int n = stripWidth(maxsize, width, height);
  const double f = double(swidth) / width;
  bool ok = true;
  for (int o = 0; ok && o < width; o += n) {
    const int m = std::min(n, width - o);
    const int s0 = int(std::trunc(o * f)), s1 = int(std::trunc((o + m) * f));
    ok = platform::StretchBlt(dc, left + o, top, m, height, source.Handle(), sleft + s0, stop, s1 - s0, sheight,
                              copymode);
  }
  return ok;
}

void Tblend::CopyRect(TCanvas& target, TCanvas const& source, TRect targetBox, int sourcex, int sourcey) {
  BitBlt(target, targetBox.Left, targetBox.Top, targetBox.width(), targetBox.height(), source, sourcex, sourcey,
         platform::SRCCOPY);
}

bool Tblend::MaskBlt(TCanvas& target, int left, int top, int width, int height, TCanvas const* source, int sourcex,
                     int sourcey, TBitmap const& MonoMask, int maskx, int masky, platform::TRop copymode) {
  if (!target.Handle()) return false;
  const int n = stripWidth(maxsize, width, height);
  bool ok = true;
  for (int o = 0; ok && o < width; o += n)
    ok = platform::MaskBlt(*target.Handle(), left + o, top, std::min(n, width - o), height,
                    source ? source->Handle() : nullptr, sourcex + o, sourcey, &MonoMask.surface(), maskx + o, masky,
                    copymode);
  return ok;
}

bool Tblend::PlgBlt(TCanvas& target, std::span<const platform::TPoint, 3> targetPg, TCanvas const& source, int sleft,
                    int stop, int swidth, int sheight, TBitmap const* MonoMask, int maskx, int masky) {
  if (!target.Handle() || !source.Handle()) return false;
  return platform::PlgBlt(*target.Handle(), targetPg, *source.Handle(), sleft, stop, swidth, sheight,
                          MonoMask ? &MonoMask->surface() : nullptr, maskx, masky);
}

// ---- palettes and regions -----------------------------------------------------------------------

void Tblend::ColourToMono(TBitmap& colourBm, TBitmap& monoBm, int32_t colour) {
  monoBm.SetPixelFormat(platform::pf1bit);
  monoBm.SetSize(colourBm.Width(), colourBm.Height());
  colourBm.dc().setBkColor(platform::TColor(colour));
  platform::BitBlt(monoBm.dc(), 0, 0, colourBm.Width(), colourBm.Height(), &colourBm.dc(), 0, 0, platform::SRCCOPY);
  colourBm.dc().setBkColor(platform::clBlack);
}

bool Tblend::MaskToRgn(TBitmap const& mono, bool overlapping, platform::TRegion& out) {
  out.clear();
  if (mono.PixelFormat() != platform::pf1bit) return false;
  const int grow = overlapping ? 1 : 0;
  for (int row = 0; row < mono.Height(); ++row) {
    uint8_t const* bits = mono.ScanLine(row);
    int col = 0;
    while (col < mono.Width()) {
      auto set = [bits](int c) { return (bits[c >> 3] >> (7 - (c & 7))) & 1; };
      if (!set(col)) {
        ++col;
        continue;
      }
      const int s = col;
      while (col < mono.Width() && set(col)) ++col;
      out.unite(TRect{s, row, col + grow, row + 1 + grow});
    }
  }
  return !out.isEmpty();
}

std::vector<platform::TColor> Tblend::graypalette() {
  std::vector<platform::TColor> p(256);
  for (int i = 0; i < 256; ++i) p[size_t(i)] = platform::RGB(uint8_t(i), uint8_t(i), uint8_t(i));
  return p;
}

std::vector<platform::TColor> Tblend::tintPalette(int BlackRed, int BlackGreen, int BlackBlue) {
  std::vector<platform::TColor> p(256);
  auto ch = [](int i, int c) { return uint8_t(std::clamp(std::nearbyint(i / 255.0 * (255 - c) + c), 0.0, 255.0)); };
  for (int i = 0; i < 256; ++i) p[size_t(i)] = platform::RGB(ch(i, BlackRed), ch(i, BlackGreen), ch(i, BlackBlue));
  return p;
}
