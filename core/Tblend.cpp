// Tblend: the blending core with its column strips, the percent blends and the tints.
// Masks are one-bit bitmaps; a one-bit source copied into colour shows its 0 bits in the
// target's text colour and its 1 bits in the target's background colour, so every mask
// operation first sets those to black and white.
#include "core/Tblend.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/os_drawing.h"

using platform::TBitmap;
using platform::TCanvas;
using platform::TDeviceContext;
using platform::TRect;

namespace {
constexpr platform::TRop kDestAndNotSource = 0x00220326;
constexpr platform::TRop kSourceWhereBlack = 0xCCAA0029;  // destination where the mask is white
constexpr platform::TRop kSourceWhereWhite = 0xAACC0020;  // destination where the mask is black

void makeBitmap(std::unique_ptr<TBitmap>& bm, platform::TPixelFormat format) {
  bm = std::make_unique<TBitmap>();
  bm->SetPixelFormat(format);
}

// Text black, background white, so that a one-bit source copies as black and white; the previous
// colours are put back when the scope ends.
class MonoColours {
 public:
  explicit MonoColours(TDeviceContext& dc)
      : fdc(dc), ftext(dc.setTextColor(platform::clBlack)), fbk(dc.setBkColor(platform::clWhite)) {}
  ~MonoColours() {
    fdc.setTextColor(ftext);
    fdc.setBkColor(fbk);
  }
  MonoColours(MonoColours const&) = delete;
  MonoColours& operator=(MonoColours const&) = delete;

 private:
  TDeviceContext& fdc;
  platform::TColor ftext, fbk;
};
}  // namespace

Tblend::Tblend()
    : alphaBlendEntry([](TDeviceContext& t, int x, int y, int w, int h, TDeviceContext const& s, int sx, int sy, int sw,
                         int sh, platform::TBlendFunction bf) { return platform::AlphaBlend(t, x, y, w, h, s, sx, sy, sw, sh, bf); }) {
  makeBitmap(tiny, platform::pf24bit);
  tiny->SetSize(200, 200);
  makeBitmap(temp, platform::pf24bit);
  makeBitmap(tempGray, platform::pf8bit);
  makeBitmap(tempmask, platform::pf1bit);
}

Tblend::~Tblend() = default;

uint8_t Tblend::opacityOf(double percent) {
  double p = std::fabs(percent);
  if (!(p <= 100)) p = std::isnan(percent) ? 0 : 100;
  return static_cast<uint8_t>(std::nearbyint(p * 255 / 100));
}

void Tblend::grow(TBitmap& bm, int width, int height) {
  if (bm.Width() < width || bm.Height() < height) bm.SetSize(std::max(bm.Width(), width), std::max(bm.Height(), height));
}

// ---- the blending core --------------------------------------------------------------------------

bool Tblend::AlphaBlend(TDeviceContext& tdc, int tleft, int ttop, int twidth, int theight, TDeviceContext const& sdc,
                        int sleft, int stop, int swidth, int sheight, platform::TBlendFunction bf) {
  if (!alphaBlendEntry) return false;
  if (twidth == 0) return true;
  if (theight <= 0 || twidth < 0) return false;  // no strip can be cut from it
  // At least one column per strip, so that a very tall copy still advances.
  const int n = int(std::min<int64_t>(twidth, std::max<int64_t>(1, int64_t(maxsize) / theight)));
  const double f = double(swidth) / twidth;
  bool ok = true;
  for (int o = 0; ok && o < twidth;) {
    const int m = std::min(n, twidth - o);
    const int s0 = int(std::trunc(o * f)), s1 = int(std::trunc((o + m) * f));
    ok = alphaBlendEntry(tdc, tleft + o, ttop, m, theight, sdc, sleft + s0, stop, s1 - s0, sheight, bf);
    o += m;
  }
  return ok;
}

bool Tblend::PercentBlend(TDeviceContext& tdc, int tLeft, int tTop, int twidth, int theight, TDeviceContext const& sdc,
                          int sleft, int sTop, int swidth, int sheight, double percent) {
  const platform::TBlendFunction bf{platform::AC_SRC_OVER, 0, opacityOf(percent), 0};
  return AlphaBlend(tdc, tLeft, tTop, twidth, theight, sdc, sleft, sTop, swidth, sheight, bf);
}

bool Tblend::Blend32(TDeviceContext& tdc, int tLeft, int tTop, int twidth, int theight, TDeviceContext const& sdc,
                     int sleft, int sTop, int swidth, int sheight) {
  const platform::TBlendFunction bf{platform::AC_SRC_OVER, 0, 255, platform::AC_SRC_ALPHA};
  return AlphaBlend(tdc, tLeft, tTop, twidth, theight, sdc, sleft, sTop, swidth, sheight, bf);
}

bool Tblend::PercentBlend(TCanvas& target, TCanvas const& source, int width, int height, double percent) {
  return PercentBlend(target, source, TRect{0, 0, width, height}, percent);
}

bool Tblend::PercentBlend(TCanvas& target, TCanvas const& source, TRect box, double percent) {
  if (!target.Handle() || !source.Handle()) return false;
  return PercentBlend(*target.Handle(), box.Left, box.Top, box.width(), box.height(), *source.Handle(), box.Left,
                      box.Top, box.width(), box.height(), percent);
}

bool Tblend::PercentBlend(TCanvas& target, TBitmap const& source, int x, int y, double percent) {
  return PercentBlend(target, source, x, y, source.Width(), source.Height(), percent);
}

bool Tblend::PercentBlend(TCanvas& target, TBitmap const& source, int x, int y, int width, int height, double percent) {
  if (!target.Handle()) return false;
  return PercentBlend(*target.Handle(), x, y, width, height, source.dc(), 0, 0, width, height, percent);
}

void Tblend::PercentBlend(TCanvas& target, TBitmap const& source, int x, int y, double percent, TBitmap const* mask,
                          bool invertMask) {
  PercentBlend(target, source.Canvas(), TRect{x, y, x + source.Width(), y + source.Height()}, percent, mask,
               invertMask);
}

void Tblend::PercentBlend(TCanvas& target, TCanvas const& source, TRect box, double percent, int maskOffsetX,
                          int maskOffsetY, TBitmap const* mask, bool invertMask, bool grayscale) {
  TDeviceContext* tdc = target.Handle();
  TDeviceContext const* sdc = source.Handle();
  const int w = box.width(), h = box.height();
  if (!tdc || !sdc || w <= 0 || h <= 0) return;
  if (!mask) {
    if (grayscale) {
      // The source through the grey palette, from its (0, 0), then blended at percent.
      grow(*tempGray, w, h);
      tempGray->surface().setPalette(graypalette());
      platform::BitBlt(tempGray->dc(), 0, 0, w, h, sdc, 0, 0, platform::SRCCOPY);
      PercentBlend(*tdc, box.Left, box.Top, w, h, tempGray->dc(), 0, 0, w, h, percent);
      return;
    }
    PercentBlend(*tdc, box.Left, box.Top, w, h, *sdc, box.Left, box.Top, w, h, percent);
    return;
  }
  grow(*temp, w, h);
  TDeviceContext& work = temp->dc();
  if (percent < 100) {
    platform::BitBlt(work, 0, 0, w, h, tdc, box.Left, box.Top, platform::SRCCOPY);
    PercentBlend(work, 0, 0, w, h, *sdc, maskOffsetX, maskOffsetY, w, h, percent);
  } else {
    platform::BitBlt(work, 0, 0, w, h, sdc, maskOffsetX, maskOffsetY, platform::SRCCOPY);
  }
  if (grayscale) {
    grow(*tempGray, w, h);
    tempGray->surface().setPalette(graypalette());
    platform::BitBlt(tempGray->dc(), 0, 0, w, h, &work, 0, 0, platform::SRCCOPY);
    platform::BitBlt(work, 0, 0, w, h, &tempGray->dc(), 0, 0, platform::SRCCOPY);
  }
  MonoColours keepWork(work), keepTarget(*tdc);
  TDeviceContext const* m = &mask->dc();
  if (!invertMask) {
    platform::BitBlt(work, 0, 0, w, h, m, maskOffsetX, maskOffsetY, platform::SRCAND);
    platform::BitBlt(*tdc, box.Left, box.Top, w, h, m, maskOffsetX, maskOffsetY, kDestAndNotSource);
  } else {
    platform::BitBlt(*tdc, box.Left, box.Top, w, h, m, maskOffsetX, maskOffsetY, platform::SRCAND);
    platform::BitBlt(work, 0, 0, w, h, m, maskOffsetX, maskOffsetY, kDestAndNotSource);
  }
  platform::BitBlt(*tdc, box.Left, box.Top, w, h, &work, 0, 0, platform::SRCPAINT);
}

void Tblend::PercentBlend(TCanvas& target, int width, int height, int percent,
                          std::function<void(TCanvas&)> const& onDraw) {
  if (!target.Handle() || width <= 0 || height <= 0) return;
  temp->SetSize(width, height);
  platform::BitBlt(temp->dc(), 0, 0, width, height, target.Handle(), 0, 0, platform::SRCCOPY);
  if (onDraw) onDraw(temp->Canvas());
  PercentBlend(*target.Handle(), 0, 0, width, height, temp->dc(), 0, 0, width, height, percent);
}

// ---- tints --------------------------------------------------------------------------------------

void Tblend::greyTint(TCanvas& canvas, TRect box, int percent) {
  // Exactly the box: its right column and bottom row stay as they are.
  for (int y = box.Top; y < box.Bottom; ++y)
    for (int x = box.Left; x < box.Right; ++x) {
      const platform::TColor c = canvas.Pixels(x, y);
      if (c == platform::CLR_INVALID) continue;
      int grey = (platform::GetRValue(c) + platform::GetGValue(c) + platform::GetBValue(c)) / 3;
      if (grey < 255) grey += int(std::nearbyint(percent * (255.0 - grey) / 100));
      grey = std::clamp(grey, 0, 255);
      canvas.SetPixels(x, y, platform::RGB(uint8_t(grey), uint8_t(grey), uint8_t(grey)));
    }
}

void Tblend::Tint(TCanvas& canvas, TRect box, int32_t colour, int percent) {
  box = box.normalized();
  if (box.width() < 1 || box.height() < 1 || !canvas.Handle()) return;
  if (colour < 0) {
    greyTint(canvas, box, percent);
    return;
  }
  if (customBM) {
    PercentBlend(*canvas.Handle(), box.Left, box.Top, box.width(), box.height(), customBM->dc(), 0, 0, box.width(),
                 box.height(), percent);
    return;
  }
  tiny->Canvas().Brush.Color = platform::TColor(colour);
  tiny->Canvas().Brush.Style = platform::bsSolid;
  tiny->Canvas().FillRect({0, 0, tiny->Width(), tiny->Height()});
  PercentBlend(*canvas.Handle(), box.Left, box.Top, box.width(), box.height(), tiny->dc(), 0, 0, tiny->Width(),
               tiny->Height(), percent);
}

void Tblend::maskedTint(TCanvas& canvas, TRect box, int32_t colour, int percent, TBitmap const& mask, int maskx,
                        int masky, platform::TRop rop) {
  const int w = box.width(), h = box.height();
  if (w <= 0 || h <= 0 || !canvas.Handle()) return;
  grow(*temp, w, h);
  if (percent == 100 && colour >= 0) {
    temp->Canvas().Brush.Color = platform::TColor(colour);
    temp->Canvas().Brush.Style = platform::bsSolid;
    temp->Canvas().FillRect({0, 0, w, h});
  } else {
    platform::BitBlt(temp->dc(), 0, 0, w, h, canvas.Handle(), box.Left, box.Top, platform::SRCCOPY);
    Tint(temp->Canvas(), TRect{0, 0, w, h}, colour, percent);
  }
  platform::MaskBlt(*canvas.Handle(), box.Left, box.Top, w, h, &temp->dc(), 0, 0, &mask.surface(), maskx, masky, rop);
}

void Tblend::Tint(TCanvas& canvas, int width, int height, int32_t colour, int percent, TBitmap const& mask,
                  bool invertmask) {
  maskedTint(canvas, TRect{0, 0, width, height}, colour, std::min(percent, 100), mask, 0, 0,
             invertmask ? kSourceWhereBlack : kSourceWhereWhite);
}

void Tblend::Tint(TCanvas& canvas, TRect box, int32_t colour, int percent, TBitmap const* mask, bool invertmask,
                  TRect const* maskBox) {
  if (!mask) {
    Tint(canvas, box, colour, percent);
    return;
  }
  const TRect& from = maskBox ? *maskBox : box;
  maskedTint(canvas, box, colour, percent, *mask, from.Left, from.Top,
             invertmask ? kSourceWhereWhite : kSourceWhereBlack);
}

void Tblend::Tint(TCanvas& canvas, TRect box, std::span<const platform::TPoint> a, std::span<const int> polys,
                  int32_t colour, int percent) {
  Tint(canvas, box, a, polys, colour, colour, 0, false, percent);
}

void Tblend::polygonMask(int width, int height, std::span<const platform::TPoint> a, std::span<const int> polys) {
  tempmask->SetSize(std::max(width, 0), std::max(height, 0));
  TDeviceContext& m = tempmask->dc();
  m.resetClip();
  m.fillRect({0, 0, width, height}, platform::solidBrush(platform::clWhite));
  m.setPen(platform::makePen(platform::PenStyle::Null, 1, 0));
  m.setBrush(platform::solidBrush(platform::clBlack));
  if (polys.size() > 1) m.polyPolygon(a, polys);
  else m.polygon(a);
}

void Tblend::Tint(TCanvas& canvas, TRect box, std::span<const platform::TPoint> a, std::span<const int> polys,
                  int32_t colour, int32_t edgecolour, int edgewidth, bool graded, int percent) {
  if (a.size() < 4 || polys.empty() || !canvas.Handle()) return;
  // Only whole rings that the points hold.
  std::vector<int> rings;
  size_t total = 0;
  for (int n : polys) {
    if (n < 0 || total + size_t(n) > a.size()) break;
    rings.push_back(n);
    total += size_t(n);
  }
  if (total == 0) return;
  const auto pts = a.first(total);
  TRect ibox{pts[0].X, pts[0].Y, pts[0].X, pts[0].Y};
  for (auto const& p : pts) {
    ibox.Left = std::min(ibox.Left, p.X);
    ibox.Top = std::min(ibox.Top, p.Y);
    ibox.Right = std::max(ibox.Right, p.X);
    ibox.Bottom = std::max(ibox.Bottom, p.Y);
  }
  ibox.intersect(box);
  if (ibox.isEmpty()) return;
  polygonMask(box.Right, box.Bottom, pts, rings);
  edgewidth /= 2;
  if (colour == edgecolour || edgewidth < 1) {
    Tint(canvas, ibox, colour, percent, tempmask.get(), false);
    return;
  }
  if (!polybm) makeBitmap(polybm, platform::pf24bit);
  polybm->SetSize(ibox.width(), ibox.height());
  TDeviceContext& pdc = polybm->dc();
  pdc.fillRect({0, 0, ibox.width(), ibox.height()}, platform::solidBrush(platform::TColor(colour)));
  const platform::TPoint oldOrg = pdc.setWindowOrg({ibox.Left, ibox.Top});
  auto strokeRings = [&](int width, int32_t c) {
    pdc.setPen(platform::makePen(platform::PenStyle::Solid, width, platform::TColor(c)));
    if (rings.size() > 1) {
      size_t at = 0;
      for (int n : rings) {
        pdc.polyline(pts.subspan(at, size_t(n)));
        at += size_t(n);
      }
    } else {
      pdc.polyline(pts);
    }
  };
  if (graded)
    for (int w = edgewidth; w >= 1; --w)
      strokeRings(2 * w, TosDrawing::FadeColour(edgecolour, colour, double(w - 1) / edgewidth * 100));
  else
    strokeRings(2 * edgewidth, edgecolour);
  pdc.setWindowOrg(oldOrg);
  customBM = polybm.get();
  Tint(canvas, ibox, colour, percent == 100 ? 101 : percent, tempmask.get(), false);
  customBM = nullptr;
}

void Tblend::MonoAsColour(TCanvas& canvas, TRect box, int32_t colour, TBitmap const& mono) {
  TDeviceContext* dc = canvas.Handle();
  if (!dc) return;
  canvas.Brush.Color = platform::TColor(colour);
  canvas.Brush.Style = platform::bsSolid;
  const platform::TBrushDesc old = dc->setBrush(platform::solidBrush(platform::TColor(colour)));
  platform::MaskBlt(*dc, box.Left, box.Top, box.width(), box.height(), nullptr, 0, 0, &mono.surface(), box.Left, box.Top, 0xF0AA0029);
  dc->setBrush(old);
}
