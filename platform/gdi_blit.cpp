// Block copies: ternary raster operations over pattern, source and destination, depth conversion,
// nearest-pixel and HALFTONE stretching, constant-alpha blending and gradient fills.
// Every copy runs row by row: the source row is made at the target's width (converted, stretched),
// then written through the target's clip with the raster operation.
#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <memory>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/gdi.h"
#include "platform/gdi_raster.h"
#include "platform/gdi_stretch.h"
#include "platform/metafile.h"

namespace platform {

using detail::readDevice;
using detail::writeDevice;

bool ropUsesSource(TRop rop) {
  uint32_t c = (rop >> 16) & 0xFF;
  // The source matters when the truth table differs between S = 0 and S = 1 somewhere.
  return ((c >> 2) & 0x33) != (c & 0x33);
}

bool ropUsesPattern(TRop rop) {
  uint32_t c = (rop >> 16) & 0xFF;
  return ((c >> 4) & 0x0F) != (c & 0x0F);
}

namespace {

// Applies the truth table bit-wise: bit i of the code is the result for P×4 + S×2 + D = i.
uint32_t ternary(uint32_t code, uint32_t p, uint32_t s, uint32_t d) {
  switch (code) {
    case 0xCC: return s;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x66: return s ^ d;
    case 0x44: return s & ~d;
    case 0x33: return ~s;
    case 0x11: return ~(s | d);
    case 0xC0: return p & s;
    case 0xBB: return ~s | d;
    case 0xF0: return p;
    case 0x5A: return p ^ d;
    case 0x55: return ~d;
    case 0x00: return 0;
    case 0xFF: return ~0u;
    case 0xAA: return d;
    case 0x22: return d & ~s;
    default: break;
  }
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((code >> i) & 1)) continue;
    uint32_t pp = (i & 4) ? p : ~p, ss = (i & 2) ? s : ~s, dd = (i & 1) ? d : ~d;
    r |= pp & ss & dd;
  }
  return r;
}

// 0x00RRGGBB as stored (blue low) from a colour integer, and back.
uint32_t bgrOf(TColor c) { return uint32_t(GetBValue(c)) | (uint32_t(GetGValue(c)) << 8) | (uint32_t(GetRValue(c)) << 16); }
TColor colorOfBgr(uint32_t v) { return RGB(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)); }

// How source pixels are brought to the target's terms: the rows read, and where the source's
// pixel (dx, dy) lies in them.
struct SourceRows {
  TSurface const* s = nullptr;  // 24 or 32 bits
  int channels = 3;
  bool wasMono = false;
  int dx = 0, dy = 0;
  TSurface converted;
};

// Makes a 24- or 32-bit view of the source for the rectangle `need` (device pixels, may reach
// beyond the source): 24 and 32 bits are read in place, unless `copy` (the source is the target
// itself); 1 and 8 bits are converted, one bit through the target's text and background colours.
// Only the part of `need` inside the source is copied or converted, so a small copy from a large
// mask stays cheap.
void prepareSource(SourceRows& out, TSurface const& src, TDeviceContext const& dst, TRect need, bool copy) {
  out.wasMono = src.bitsPerPixel() == 1;
  bool deep = src.bitsPerPixel() == 24 || src.bitsPerPixel() == 32;
  if (deep && !copy) {
    out.s = &src;
    out.channels = src.bitsPerPixel() / 8;
    return;
  }
  TRect r = need.normalized().intersected(src.bounds());
  if (r.isEmpty()) r = src.bounds();  // wholly outside: the edge pixels are what is read
  int bpp = src.bitsPerPixel() == 32 ? 32 : 24;
  out.converted.create(r.width(), r.height(), bpp);
  out.dx = r.Left;
  out.dy = r.Top;
  out.s = &out.converted;
  out.channels = bpp / 8;
  if (deep) {
    for (int y = r.Top; y < r.Bottom; ++y)
      std::memcpy(out.converted.row(y - r.Top), src.row(y) + size_t(r.Left) * size_t(out.channels),
                  size_t(r.width()) * size_t(out.channels));
    return;
  }
  TColor zero = dst.textColor(), one = dst.bkColor();
  bool mono = src.bitsPerPixel() == 1;
  if (mono && dst.surface() && dst.surface()->bitsPerPixel() == 1) { zero = 0; one = 0xFFFFFF; }
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint8_t* o = out.converted.row(y - r.Top);
    for (int x = r.Left; x < r.Right; ++x, o += 3) {
      TColor c = mono ? (readDevice(src, x, y) ? one : zero) : src.pixel(x, y);
      o[0] = GetBValue(c);
      o[1] = GetGValue(c);
      o[2] = GetRValue(c);
    }
  }
}

// Writes one row of source pixels (channels bytes each, at the target's width) to the target.
class RowWriter {
 public:
  RowWriter(TDeviceContext& dst, TDeviceContext const* src, TRop rop, bool srcWasMono)
      : fdst(*dst.surface()), fcode((rop >> 16) & 0xFF), fbrush(dst.brush()), forg(dst.brushOrg()) {
    fclip = detail::clipRects(dst);
    fmono = fdst.bitsPerPixel() == 1;
    fpal = fdst.bitsPerPixel() == 8;
    fsrcMono = srcWasMono;
    fsrcKey = src ? bgrOf(src->bkColor()) : 0;
    fpatFg = fmono ? uint32_t(fdst.nearestIndex(fbrush.color)) : bgrOf(fbrush.color);
    fpatBg = fmono ? uint32_t(fdst.nearestIndex(dst.bkColor())) : bgrOf(dst.bkColor());
    fmask = fmono ? 1u : 0xFFFFFFu;
  }

  // Row y of the target (device), pixels x0 .. x0 + n − 1; row may be null when no source is read.
  // keepAlpha: a 32-bit source copied into a 32-bit target keeps its alpha byte.
  void write(int y, int x0, int n, uint8_t const* row, int channels) {
    if (y < 0 || y >= fdst.height()) return;
    for (auto const& r : fclip) {
      if (y < r.Top || y >= r.Bottom) continue;
      int a = std::max(x0, r.Left), b = std::min(x0 + n, r.Right);
      if (a >= b) continue;
      if (fmask4) {
        for (int x = a; x < b; ++x) {
          fcode = maskBit(x - fmaskDx, y - fmaskDy) ? fforeCode : fbackCode;
          writePixel(x, y, row ? row + size_t(x - x0) * size_t(channels) : nullptr);
        }
        continue;
      }
      if (fcode == 0xCC && row && !fmono && !fpal && !fsrcMono &&
          channels * 8 == fdst.bitsPerPixel()) {
        std::memcpy(fdst.row(y) + size_t(a) * size_t(channels), row + size_t(a - x0) * size_t(channels),
                    size_t(b - a) * size_t(channels));
        continue;
      }
      for (int x = a; x < b; ++x) writePixel(x, y, row ? row + size_t(x - x0) * size_t(channels) : nullptr);
    }
  }

  // Where a plain copy of pixels x0 .. x0 + n − 1 of row y may be written straight into the target
  // (same layout, nothing clipped away, no mixing); null otherwise.
  uint8_t* directRow(int y, int x0, int n, int channels) {
    if (fcode != 0xCC || fmono || fpal || fsrcMono || fmask4 || channels * 8 != fdst.bitsPerPixel()) return nullptr;
    for (auto const& r : fclip)
      if (y >= r.Top && y < r.Bottom && x0 >= r.Left && x0 + n <= r.Right)
        return fdst.row(y) + size_t(x0) * size_t(channels);
    return nullptr;
  }

  // Four-operand copies: mask pixel (x − dx, y − dy), repeated, picks fore (1) or back (0).
  void setMask(TSurface const* mask, int64_t dx, int64_t dy, TRop rop4) {
    fmask4 = mask;
    fmaskDx = dx;
    fmaskDy = dy;
    fforeCode = (rop4 >> 16) & 0xFF;
    fbackCode = (rop4 >> 24) & 0xFF;
  }

 private:
  bool maskBit(int64_t x, int64_t y) const {
    int64_t w = fmask4->width(), h = fmask4->height();
    x = ((x % w) + w) % w;
    y = ((y % h) + h) % h;
    return readDevice(*fmask4, int(x), int(y)) != 0;
  }

  uint32_t pattern(int x, int y) const {
    if (fbrush.style == BrushStyle::Solid) return fpatFg;
    if (fbrush.style == BrushStyle::Clear) return 0;  // a clear brush brings no pattern: all bits 0
    // A hatched pattern shows the background colour between its lines, whatever the background mode.
    int px = ((x - forg.X) % 8 + 8) % 8, py = ((y - forg.Y) % 8 + 8) % 8;
    return detail::hatchBit(fbrush.hatch, px, py) ? fpatFg : fpatBg;
  }

  void writePixel(int x, int y, uint8_t const* px) {
    uint32_t s = 0;
    if (px) {
      s = uint32_t(px[0]) | (uint32_t(px[1]) << 8) | (uint32_t(px[2]) << 16);
      if (fmono) s = fsrcMono ? (s != 0 ? 1u : 0u) : (s == fsrcKey ? 1u : 0u);
    }
    uint32_t d = 0;
    if (fmono) d = readDevice(fdst, x, y);
    else if (fpal) d = bgrOf(fdst.pixel(x, y));
    else d = readDevice(fdst, x, y);
    uint32_t v = ternary(fcode, pattern(x, y), s, d) & fmask;
    if (fpal) v = uint32_t(fdst.nearestIndex(colorOfBgr(v)));
    writeDevice(fdst, x, y, v);
  }

  TSurface& fdst;
  uint32_t fcode;
  TBrushDesc fbrush;
  TPoint forg;
  std::vector<TRect> fclip;
  bool fmono = false, fpal = false, fsrcMono = false;
  uint32_t fsrcKey = 0, fpatFg = 0, fpatBg = 0, fmask = 0xFFFFFF;
  TSurface const* fmask4 = nullptr;
  int64_t fmaskDx = 0, fmaskDy = 0;
  uint32_t fforeCode = 0xCC, fbackCode = 0xCC;
};

struct Axis {
  int dst0 = 0, dstN = 0;  // target pixels dst0 .. dst0 + dstN − 1
  int src0 = 0, srcN = 0;  // source pixels
  bool mirror = false;
};

// A negative extent runs from the given pixel backwards, that pixel included: a mirrored copy
// into pixels 0 .. w − 1 starts at w − 1 with width −w.
Axis axisOf(int d, int dn, int s, int sn) {
  Axis a;
  a.dst0 = dn < 0 ? d + dn + 1 : d;
  a.dstN = dn < 0 ? -dn : dn;
  a.src0 = sn < 0 ? s + sn + 1 : s;
  a.srcN = sn < 0 ? -sn : sn;
  a.mirror = (dn < 0) != (sn < 0);
  return a;
}

// Shared body of BitBlt, StretchBlt and AlphaBlend: produces each target row from the source and
// hands it to `emit(y, x0, n, row, channels)`.
template <class Emit, class Direct>
void forEachRow(TSurface const& src, Axis ax, Axis ay, StretchMode mode, Emit const& emit, TRect visible,
                Direct const& direct) {
  int C = src.bitsPerPixel() / 8;
  // Target rows and columns outside the visible bounds are not produced.
  int yStart = std::max(ay.dst0, visible.Top), yEnd = std::min(ay.dst0 + ay.dstN, visible.Bottom);
  int xStart = std::max(ax.dst0, visible.Left), xEnd = std::min(ax.dst0 + ax.dstN, visible.Right);
  if (yStart >= yEnd || xStart >= xEnd) return;
  int n = xEnd - xStart, c0 = xStart - ax.dst0;
  bool scaled = ax.dstN != ax.srcN || ay.dstN != ay.srcN;
  std::vector<uint8_t> row(size_t(n) * size_t(C));
  if (mode == StretchMode::Halftone && scaled) {
    detail::Resampler rs(src, ax.src0, ay.src0, ax.srcN, ay.srcN, ax.dstN, ay.dstN, ax.mirror, ay.mirror,
                         c0, c0 + n, yStart - ay.dst0, yEnd - ay.dst0);
    for (int y = yStart; y < yEnd; ++y) {
      if (uint8_t* to = direct(y, xStart, n, C)) {
        rs.row(y - ay.dst0, to);
        continue;
      }
      rs.row(y - ay.dst0, row.data());
      emit(y, xStart, n, row.data(), C);
    }
    return;
  }
  // Nearest pixel: each target pixel takes the source pixel under its centre.
  std::vector<int> cols(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    int64_t i = c0 + k;
    int j = int((2 * i + 1) * ax.srcN / (2 * int64_t(ax.dstN)));
    cols[size_t(k)] = std::clamp(ax.src0 + (ax.mirror ? ax.srcN - 1 - j : j), 0, src.width() - 1);
  }
  bool identity = !scaled && !ax.mirror && ax.src0 + c0 >= 0 && ax.src0 + c0 + n <= src.width();
  for (int y = yStart; y < yEnd; ++y) {
    int64_t i = y - ay.dst0;
    int j = int((2 * i + 1) * ay.srcN / (2 * int64_t(ay.dstN)));
    int sy = std::clamp(ay.src0 + (ay.mirror ? ay.srcN - 1 - j : j), 0, src.height() - 1);
    uint8_t const* sr = src.row(sy);
    if (identity) {
      emit(y, xStart, n, sr + size_t(ax.src0 + c0) * size_t(C), C);
      continue;
    }
    for (int k = 0; k < n; ++k)
      std::memcpy(&row[size_t(k) * size_t(C)], sr + size_t(cols[size_t(k)]) * size_t(C), size_t(C));
    emit(y, xStart, n, row.data(), C);
  }
}

// Cuts the copy down to the part whose source lies inside the source surface (device pixels).
// Only for unmirrored, unscaled copies: returns false when nothing is left.
bool clipToSource(Axis& a, int srcSize) {
  int lo = std::max(0, -a.src0), hi = std::min(a.srcN, srcSize - a.src0);
  if (lo >= hi) return false;
  a.dst0 += lo;
  a.src0 += lo;
  a.dstN = a.srcN = hi - lo;
  return true;
}

struct MaskUse {
  TSurface const* mask = nullptr;
  int mx = 0, my = 0;
  TRop rop4 = 0;
};

bool blit(TDeviceContext& dst, int x, int y, int w, int h, TDeviceContext const* src, int sx, int sy,
          int sw, int sh, TRop rop, bool stretch, MaskUse const& mu = {});

// A copy under a world transform that turns, shears or scales. Upright scaling becomes a stretch
// to the mapped box; anything turned is sampled per target pixel: the nearest source pixel, or
// for HALFTONE stretches the four round the sample point weighted by nearness.
bool transformedBlit(TDeviceContext& dst, int x, int y, int w, int h, TDeviceContext const* src, int sx, int sy,
                     int sw, int sh, TRop rop, bool stretch) {
  if (!stretch) sw = w, sh = h;
  XFORM keep = dst.worldTransform();
  TPoint shift{dst.viewportOrg().X - dst.windowOrg().X, dst.viewportOrg().Y - dst.windowOrg().Y};
  auto toInt = [](double v) { return int(std::clamp(std::nearbyint(v), -1e9, 1e9)); };
  if (keep.eM12 == 0 && keep.eM21 == 0) {
    TFPoint a = dst.toDeviceF(x, y), b = dst.toDeviceF(double(x) + w, double(y) + h);
    int ax = toInt(a.x) - shift.X, ay = toInt(a.y) - shift.Y, bx = toInt(b.x) - shift.X, by = toInt(b.y) - shift.Y;
    dst.modifyWorldTransform(nullptr, MWT_IDENTITY);
    bool ok = blit(dst, ax, ay, bx - ax, by - ay, src, sx, sy, sw, sh, rop, true);
    dst.setWorldTransform(keep);
    return ok;
  }
  TSurface* ds = dst.surface();
  if (ds == nullptr || ds->empty()) return false;
  bool needSrc = ropUsesSource(rop);
  if (needSrc && (src == nullptr || src->surface() == nullptr || src->surface()->empty())) return false;
  if (w == 0 || h == 0) return true;
  std::vector<TFPoint> quad{dst.toDeviceF(x, y), dst.toDeviceF(double(x) + w, y), dst.toDeviceF(double(x) + w, double(y) + h),
                            dst.toDeviceF(x, double(y) + h)};
  double det = double(keep.eM11) * keep.eM22 - double(keep.eM12) * keep.eM21;
  if (det == 0) return false;
  SourceRows rows;
  TPoint s0{};
  if (needSrc) {
    // The whole source, copied when it is the target itself, so offsets stay those of the surface.
    TSurface const* ss = src->surface();
    prepareSource(rows, *ss, dst, ss->bounds(), ss == ds);
    s0 = src->toDevice({sx, sy});
  }
  RowWriter wr(dst, src, rop, rows.wasMono);
  bool halftone = stretch && dst.stretchBltMode() == StretchMode::Halftone && !rows.wasMono;
  std::vector<uint8_t> row;
  TRect visible = dst.visibleRegion().bounds();
  std::vector<TFPoint> const rings[1] = {quad};
  detail::scanPolygon(rings, PolyFillMode::Winding, visible.Top, visible.Bottom, [&](int yy, int a, int b) {
    a = std::max(a, visible.Left);
    b = std::min(b, visible.Right);
    if (a >= b) return;
    if (!needSrc) {
      wr.write(yy, a, b - a, nullptr, 3);
      return;
    }
    int c = rows.channels;
    int W = rows.s->width(), H = rows.s->height();
    row.assign(size_t(b - a) * size_t(c), 0);
    for (int xx = a; xx < b; ++xx) {
      // Back from the pixel's centre to the logical plane, then into the source rectangle.
      double px = xx + 0.5 - shift.X - keep.eDx, py = yy + 0.5 - shift.Y - keep.eDy;
      double lx = (px * keep.eM22 - py * keep.eM21) / det, ly = (py * keep.eM11 - px * keep.eM12) / det;
      double u = std::clamp(s0.X + (lx - x) * sw / w, -1.0, W + 1.0), v = std::clamp(s0.Y + (ly - y) * sh / h, -1.0, H + 1.0);
      uint8_t* out = &row[size_t(xx - a) * size_t(c)];
      if (halftone) {
        // Smoothed: the four source pixels round the sample point, weighted by nearness.
        double fu = u - 0.5, fv = v - 0.5;
        int x0 = int(std::floor(fu)), y0 = int(std::floor(fv));
        double tx = fu - x0, ty = fv - y0;
        int xa = std::clamp(x0, 0, W - 1), xb = std::clamp(x0 + 1, 0, W - 1);
        int ya = std::clamp(y0, 0, H - 1), yb = std::clamp(y0 + 1, 0, H - 1);
        uint8_t const *p00 = rows.s->row(ya) + size_t(xa) * size_t(c), *p10 = rows.s->row(ya) + size_t(xb) * size_t(c);
        uint8_t const *p01 = rows.s->row(yb) + size_t(xa) * size_t(c), *p11 = rows.s->row(yb) + size_t(xb) * size_t(c);
        for (int k = 0; k < c; ++k) {
          double top = p00[k] + (p10[k] - p00[k]) * tx, bottom = p01[k] + (p11[k] - p01[k]) * tx;
          out[k] = uint8_t(std::clamp(std::nearbyint(top + (bottom - top) * ty), 0.0, 255.0));
        }
      } else {
        int fx = std::clamp(int(std::floor(u)), 0, W - 1), fy = std::clamp(int(std::floor(v)), 0, H - 1);
        std::memcpy(out, rows.s->row(fy) + size_t(fx) * size_t(c), size_t(c));
      }
    }
    wr.write(yy, a, b - a, row.data(), c);
  });
  return true;
}

// A copy into a recording context (a metafile canvas): the source block is kept as 24-bit pixels
// (a one-bit source through the target's text and background colours, as the copy would show it)
// and recorded with the target box in device pixels; a mirrored source mirrors the box instead.
// A turned or sheared target, a mask, or an operation that reads no source is not recorded:
// false, as for a context without a surface.
bool recordBlit(TDeviceContext& dst, TMetafileRecorder& rec, int x, int y, int w, int h, TDeviceContext const* src,
                int sx, int sy, int sw, int sh, TRop rop, bool stretch, MaskUse const& mu) {
  if (mu.mask || !ropUsesSource(rop)) return false;
  if (src == nullptr || src->surface() == nullptr || src->surface()->empty()) return false;
  if (!stretch) sw = w, sh = h;
  if (w == 0 || h == 0 || sw == 0 || sh == 0) return true;
  const XFORM t = dst.worldTransform();
  if (t.eM12 != 0 || t.eM21 != 0) return false;
  const int64_t bw = std::abs(int64_t(sw)), bh = std::abs(int64_t(sh));
  const int64_t bx = std::min<int64_t>(sx, int64_t(sx) + sw), by = std::min<int64_t>(sy, int64_t(sy) + sh);
  if (bw > INT32_MAX || bh > INT32_MAX || bx < INT32_MIN || by < INT32_MIN) return false;
  auto bits = std::make_shared<TSurface>();
  if (!bits->create(int(bw), int(bh), 24)) return false;
  TDeviceContext copy(bits.get());
  copy.setTextColor(dst.textColor());
  copy.setBkColor(dst.bkColor());
  if (!BitBlt(copy, 0, 0, int(bw), int(bh), src, int(bx), int(by), SRCCOPY)) return false;
  const double fw = double(w) * (sw < 0 ? -1 : 1), fh = double(h) * (sh < 0 ? -1 : 1);
  const TFPoint a = dst.toDeviceF(x, y), b = dst.toDeviceF(x + fw, y + fh);
  auto toInt = [](double v) { return int(std::clamp(std::nearbyint(v), -1e9, 1e9)); };
  const int ax = toInt(a.x), ay = toInt(a.y);
  rec.syncState(dst);  // the brush, for operations that mix in the pattern
  rec.stretchBits(ax, ay, toInt(b.x) - ax, toInt(b.y) - ay, std::move(bits), rop, dst.stretchBltMode());
  return true;
}

bool blit(TDeviceContext& dst, int x, int y, int w, int h, TDeviceContext const* src, int sx, int sy,
          int sw, int sh, TRop rop, bool stretch, MaskUse const& mu) {
  if (TMetafileRecorder* rec = dst.recorder()) return recordBlit(dst, *rec, x, y, w, h, src, sx, sy, sw, sh, rop, stretch, mu);
  if (!dst.transformIsShift() && !mu.mask) return transformedBlit(dst, x, y, w, h, src, sx, sy, sw, sh, rop, stretch);
  TSurface* ds = dst.surface();
  if (ds == nullptr || ds->empty()) return false;
  bool needSrc = ropUsesSource(rop) || (mu.mask && ropUsesSource(mu.rop4 >> 8));
  TPoint d = dst.toDevice({x, y});
  // Rectangles whose far edge lies beyond the integers lie wholly outside any surface.
  auto beyond = [](int a, int n) { int64_t e = int64_t(a) + n; return e > INT32_MAX || e < INT32_MIN; };
  if (beyond(d.X, w) || beyond(d.Y, h)) return true;
  if (src && src->surface()) {
    TPoint s0 = src->toDevice({sx, sy});
    if (beyond(s0.X, stretch ? sw : w) || beyond(s0.Y, stretch ? sh : h)) return true;
  }
  TRect visible = dst.visibleRegion().bounds();
  if (!needSrc) {
    // No source: the plain rectangle between the two corners.
    Axis ax{std::min(d.X, d.X + w), std::abs(w)}, ay{std::min(d.Y, d.Y + h), std::abs(h)};
    RowWriter wr(dst, nullptr, rop, false);
    if (mu.mask) wr.setMask(mu.mask, int64_t(ax.dst0) - mu.mx, int64_t(ay.dst0) - mu.my, mu.rop4);
    int y0 = std::max(ay.dst0, visible.Top), y1 = std::min(ay.dst0 + ay.dstN, visible.Bottom);
    for (int yy = y0; yy < y1; ++yy) wr.write(yy, ax.dst0, ax.dstN, nullptr, 3);
    return true;
  }
  if (src == nullptr || src->surface() == nullptr || src->surface()->empty()) return false;
  if (w == 0 || h == 0) return true;
  TPoint s = src->toDevice({sx, sy});
  TSurface const* ss = src->surface();
  Axis ax = axisOf(d.X, w, s.X, stretch ? sw : w), ay = axisOf(d.Y, h, s.Y, stretch ? sh : h);
  if (ax.srcN == 0 || ay.srcN == 0) return true;
  bool scaled = ax.dstN != ax.srcN || ay.dstN != ay.srcN || ax.mirror || ay.mirror;
  if (!scaled) {
    if (!clipToSource(ax, ss->width()) || !clipToSource(ay, ss->height())) return true;
  }
  // A stretched source reaching beyond its surface repeats the edge pixels there. A copy within
  // one surface reads the pixels as they were before it.
  SourceRows rows;
  prepareSource(rows, *ss, dst, Bounds(ax.src0, ay.src0, ax.srcN, ay.srcN), ss == ds);
  ax.src0 -= rows.dx;
  ay.src0 -= rows.dy;
  RowWriter wr(dst, src, rop, rows.wasMono);
  // The mask lines up with the target rectangle as given (before any cut to the source).
  if (mu.mask) wr.setMask(mu.mask, int64_t(d.X) - mu.mx, int64_t(d.Y) - mu.my, mu.rop4);
  StretchMode mode = stretch ? dst.stretchBltMode() : StretchMode::ColorOnColor;
  forEachRow(
      *rows.s, ax, ay, mode, [&](int yy, int x0, int n, uint8_t const* row, int c) { wr.write(yy, x0, n, row, c); },
      visible, [&](int yy, int x0, int n, int c) { return wr.directRow(yy, x0, n, c); });
  return true;
}

}  // namespace

bool BitBlt(TDeviceContext& dst, int x, int y, int w, int h, TDeviceContext const* src, int sx, int sy,
            TRop rop) {
  return blit(dst, x, y, w, h, src, sx, sy, w, h, rop, false);
}

bool StretchBlt(TDeviceContext& dst, int x, int y, int w, int h, TDeviceContext const* src, int sx,
                int sy, int sw, int sh, TRop rop) {
  return blit(dst, x, y, w, h, src, sx, sy, sw, sh, rop, true);
}

bool MaskBlt(TDeviceContext& dst, int x, int y, int w, int h, TDeviceContext const* src, int sx, int sy,
             TSurface const* mask, int mx, int my, TRop rop4) {
  TRop fore = rop4 & 0x00FFFFFFu;
  if (mask == nullptr) return blit(dst, x, y, w, h, src, sx, sy, w, h, fore, false);
  if (mask->bitsPerPixel() != 1 || mask->empty() || mask->width() == 0 || mask->height() == 0) return false;
  if (w < 0 || h < 0) return false;
  return blit(dst, x, y, w, h, src, sx, sy, w, h, fore, false, MaskUse{mask, mx, my, rop4});
}

bool PatBlt(TDeviceContext& dst, int x, int y, int w, int h, TRop rop) {
  if (ropUsesSource(rop)) return false;
  return blit(dst, x, y, w, h, nullptr, 0, 0, 0, 0, rop, false);
}

// ---- parallelograms ------------------------------------------------------------------------------

namespace {
// std::lround, inlined: exact for every finite value within the int range, since the part a
// truncation leaves is exact.
// Without branches: which way a blend's value rounds is a coin toss.
inline int roundHalfAway(double v) {
  const int i = int(v);
  const double f = v - i;
  return i + int(f >= 0.5) - int(f <= -0.5);
}

// The parallelogram's map from target pixels back to source pixels.
struct PlgRows {
  double p0x, p0y, ax, ay, bx, by, det;
  int sw, sh;
  double sx, sy;  // the source corner in device pixels
  int sW, sH;     // the source's size
};

#if defined(__SSE2__)
// Bytes as doubles by table: a load rather than a conversion that waits on its register.
struct ByteDoubles {
  double v[256];
  constexpr ByteDoubles() : v{} {
    for (int i = 0; i < 256; ++i) v[i] = i;
  }
};
constexpr ByteDoubles kByteDoubles{};

// The low 32 bits of each 64-bit lane of a comparison's mask (-1 or 0), in the two low ints.
inline __m128i laneInts(__m128d mask) {
  return _mm_shuffle_epi32(_mm_castpd_si128(mask), _MM_SHUFFLE(0, 0, 2, 0));
}

// int(v), then one less where that lies above v: floor, as the scalar loop makes it.
inline __m128i floorInts(__m128d v) {
  const __m128i i = _mm_cvttpd_epi32(v);
  return _mm_add_epi32(i, laneInts(_mm_cmplt_pd(v, _mm_cvtepi32_pd(i))));
}

// roundHalfAway on both lanes.
inline __m128i roundInts(__m128d v) {
  const __m128i i = _mm_cvttpd_epi32(v);
  const __m128d f = _mm_sub_pd(v, _mm_cvtepi32_pd(i));
  const __m128i up = laneInts(_mm_cmpge_pd(f, _mm_set1_pd(0.5))), down = laneInts(_mm_cmple_pd(f, _mm_set1_pd(-0.5)));
  return _mm_add_epi32(_mm_sub_epi32(i, up), down);
}

inline int lane1(__m128i v) { return _mm_cvtsi128_si32(_mm_shuffle_epi32(v, _MM_SHUFFLE(1, 1, 1, 1))); }

// The HALFTONE copy two target pixels at a time, one to a lane: plgRow's operations in the same
// order on both lanes at once, in the same double precision and rounding, so the same bytes.
// Answers where it stopped: the last pixel of an odd run is left to the scalar loop.
template <int C>
int plgPairs(PlgRows const& m, TSurface const& ss, uint8_t* drow, double Ybx, double axY, int x, int right) {
  const __m128d half = _mm_set1_pd(0.5), one = _mm_set1_pd(1.0), zero = _mm_setzero_pd();
  const __m128d p0x = _mm_set1_pd(m.p0x), by = _mm_set1_pd(m.by), ay = _mm_set1_pd(m.ay), det = _mm_set1_pd(m.det);
  const __m128d vYbx = _mm_set1_pd(Ybx), vaxY = _mm_set1_pd(axY), sx = _mm_set1_pd(m.sx), sy = _mm_set1_pd(m.sy);
  const __m128d uw = _mm_set1_pd(std::abs(m.sw)), vh = _mm_set1_pd(std::abs(m.sh));
  const __m128d flipU = m.sw < 0 ? _mm_set1_pd(-0.0) : zero, flipV = m.sh < 0 ? _mm_set1_pd(-0.0) : zero;
  double const* byte = kByteDoubles.v;
  for (; x + 1 < right; x += 2) {
    const __m128d X = _mm_sub_pd(_mm_add_pd(_mm_cvtepi32_pd(_mm_set_epi32(0, 0, x + 1, x)), half), p0x);
    const __m128d u = _mm_div_pd(_mm_sub_pd(_mm_mul_pd(X, by), vYbx), det);
    const __m128d v = _mm_div_pd(_mm_sub_pd(vaxY, _mm_mul_pd(ay, X)), det);
    const __m128d uu = _mm_xor_pd(u, flipU), vv = _mm_xor_pd(v, flipV);
    const int lanes = _mm_movemask_pd(_mm_and_pd(_mm_and_pd(_mm_cmpge_pd(uu, zero), _mm_cmplt_pd(uu, uw)),
                                                 _mm_and_pd(_mm_cmpge_pd(vv, zero), _mm_cmplt_pd(vv, vh))));
    if (lanes == 0) continue;
    const __m128d fu = _mm_sub_pd(_mm_add_pd(sx, u), half), fv = _mm_sub_pd(_mm_add_pd(sy, v), half);
    const __m128i ix = floorInts(fu), iy = floorInts(fv);
    const __m128d tx = _mm_sub_pd(fu, _mm_cvtepi32_pd(ix)), ty = _mm_sub_pd(fv, _mm_cvtepi32_pd(iy));
    const __m128d wx0 = _mm_sub_pd(one, tx), wy0 = _mm_sub_pd(one, ty);
    // Lanes outside the source read clamped pixels like the others and are not written.
    const int ixa = _mm_cvtsi128_si32(ix), ixb = lane1(ix), iya = _mm_cvtsi128_si32(iy), iyb = lane1(iy);
    const size_t a0 = size_t(std::clamp(ixa, 0, m.sW - 1)) * C, a1 = size_t(std::clamp(ixa + 1, 0, m.sW - 1)) * C;
    const size_t b0 = size_t(std::clamp(ixb, 0, m.sW - 1)) * C, b1 = size_t(std::clamp(ixb + 1, 0, m.sW - 1)) * C;
    uint8_t const* ra0 = ss.row(std::clamp(iya, 0, m.sH - 1));
    uint8_t const* ra1 = ss.row(std::clamp(iya + 1, 0, m.sH - 1));
    uint8_t const* rb0 = ss.row(std::clamp(iyb, 0, m.sH - 1));
    uint8_t const* rb1 = ss.row(std::clamp(iyb + 1, 0, m.sH - 1));
    __m128i out[3];
    for (int k = 0; k < 3; ++k) {
      const __m128d p00 = _mm_set_pd(byte[rb0[b0 + k]], byte[ra0[a0 + k]]);
      const __m128d p01 = _mm_set_pd(byte[rb0[b1 + k]], byte[ra0[a1 + k]]);
      const __m128d p10 = _mm_set_pd(byte[rb1[b0 + k]], byte[ra1[a0 + k]]);
      const __m128d p11 = _mm_set_pd(byte[rb1[b1 + k]], byte[ra1[a1 + k]]);
      const __m128d top = _mm_add_pd(_mm_mul_pd(p00, wx0), _mm_mul_pd(p01, tx));
      const __m128d bot = _mm_add_pd(_mm_mul_pd(p10, wx0), _mm_mul_pd(p11, tx));
      out[k] = roundInts(_mm_add_pd(_mm_mul_pd(top, wy0), _mm_mul_pd(bot, ty)));
    }
    if (lanes & 1) {
      uint8_t* d = drow + size_t(x) * 3;
      d[0] = uint8_t(_mm_cvtsi128_si32(out[0])), d[1] = uint8_t(_mm_cvtsi128_si32(out[1]));
      d[2] = uint8_t(_mm_cvtsi128_si32(out[2]));
    }
    if (lanes & 2) {
      uint8_t* d = drow + size_t(x + 1) * 3;
      d[0] = uint8_t(lane1(out[0])), d[1] = uint8_t(lane1(out[1])), d[2] = uint8_t(lane1(out[2]));
    }
  }
  return x;
}
#endif

// One clipped target row of a copy onto a 24-bit target without a mask. Each pixel's arithmetic
// is the general loop's, in the same order, so the bytes are the same; only the choices that
// hold for the whole copy are made once. A mirrored axis reads s - (-u) where the general loop
// does, which is s + u exactly.
template <bool Smooth, int C>
void plgRow(PlgRows const& m, TSurface const& ss, uint8_t* drow, int y, int left, int right) {
  const double Y = y + 0.5 - m.p0y, Ybx = Y * m.bx, axY = m.ax * Y;
  const int uw = std::abs(m.sw), vh = std::abs(m.sh);
  const bool flipU = m.sw < 0, flipV = m.sh < 0;
  int x = left;
#if defined(__SSE2__)
  if constexpr (Smooth) x = plgPairs<C>(m, ss, drow, Ybx, axY, x, right);
#endif
  for (; x < right; ++x) {
    const double X = x + 0.5 - m.p0x;
    const double u = (X * m.by - Ybx) / m.det, v = (axY - m.ay * X) / m.det;
    const double uu = flipU ? -u : u, vv = flipV ? -v : v;
    if (!(uu >= 0 && uu < uw && vv >= 0 && vv < vh)) continue;
    uint8_t* d = drow + size_t(x) * 3;
    if constexpr (Smooth) {
      const double fu = (m.sx + u) - 0.5, fv = (m.sy + v) - 0.5;
      int ix = int(fu), iy = int(fv);
      if (fu < ix) --ix;
      if (fv < iy) --iy;
      const double tx = fu - ix, ty = fv - iy;
      const size_t x0 = size_t(std::clamp(ix, 0, m.sW - 1)) * C, x1 = size_t(std::clamp(ix + 1, 0, m.sW - 1)) * C;
      uint8_t const* r0 = ss.row(std::clamp(iy, 0, m.sH - 1));
      uint8_t const* r1 = ss.row(std::clamp(iy + 1, 0, m.sH - 1));
      for (int k = 0; k < 3; ++k) {
        const double top = r0[x0 + k] * (1 - tx) + r0[x1 + k] * tx;
        const double bot = r1[x0 + k] * (1 - tx) + r1[x1 + k] * tx;
        d[k] = uint8_t(roundHalfAway(top * (1 - ty) + bot * ty));
      }
    } else {
      const int iu = int(uu), iv = int(vv);
      const int64_t px0 = int64_t(m.sx) + (flipU ? -iu - 1 : iu), py0 = int64_t(m.sy) + (flipV ? -iv - 1 : iv);
      if (px0 < 0 || py0 < 0 || px0 >= m.sW || py0 >= m.sH) continue;
      uint8_t const* sp = ss.row(int(py0)) + size_t(px0) * C;
      d[0] = sp[0], d[1] = sp[1], d[2] = sp[2];
    }
  }
}
}  // namespace

bool PlgBlt(TDeviceContext& dst, std::span<TPoint const, 3> pts, TDeviceContext const& src, int sx, int sy,
            int sw, int sh, TSurface const* mask, int mx, int my) {
  TSurface* ds = dst.surface();
  TSurface const* ss0 = src.surface();
  if (ds == nullptr || ds->empty() || ss0 == nullptr || ss0->empty()) return false;
  if (mask && (mask->bitsPerPixel() != 1 || mask->width() == 0 || mask->height() == 0)) return false;
  if (sw == 0 || sh == 0) return true;
  TPoint s = src.toDevice({sx, sy});
  SourceRows rows;
  prepareSource(rows, *ss0, dst, TRect{s.X, s.Y, s.X + sw, s.Y + sh}, ss0 == ds);
  s.X -= rows.dx;
  s.Y -= rows.dy;
  TSurface const& ss = *rows.s;
  int C = rows.channels;
  // Target point = P0 + u·(P1 − P0)/sw + v·(P2 − P0)/sh, u and v in source pixels.
  double p0x = dst.toDevice(pts[0]).X, p0y = dst.toDevice(pts[0]).Y;
  double ax = (dst.toDevice(pts[1]).X - p0x) / sw, ay = (dst.toDevice(pts[1]).Y - p0y) / sw;
  double bx = (dst.toDevice(pts[2]).X - p0x) / sh, by = (dst.toDevice(pts[2]).Y - p0y) / sh;
  double det = ax * by - ay * bx;
  if (det == 0) return true;
  TRect box;
  for (double u : {0.0, double(sw)})
    for (double v : {0.0, double(sh)}) {
      double X = p0x + u * ax + v * bx, Y = p0y + u * ay + v * by;
      box.unite({int(std::floor(std::max(-1e9, X))) - 1, int(std::floor(std::max(-1e9, Y))) - 1,
                 int(std::ceil(std::min(1e9, X))) + 1, int(std::ceil(std::min(1e9, Y))) + 1});
    }
  bool smooth = dst.stretchBltMode() == StretchMode::Halftone;
  int uw = std::abs(sw), vh = std::abs(sh);
  // Per row, the products of the row's Y are made once; each pixel's arithmetic is otherwise
  // the same, so the pixels are too.
  const bool plain24 = ds->bitsPerPixel() == 24;
  const int sW = ss.width(), sH = ss.height();
  const auto clips = detail::clipRects(dst);
  if (plain24 && !mask) {
    PlgRows m{p0x, p0y, ax, ay, bx, by, det, sw, sh, double(s.X), double(s.Y), sW, sH};
    const bool rgb = C == 3;
    for (auto const& clip : clips) {
      const TRect r = box.intersected(clip);
      for (int y = r.Top; y < r.Bottom; ++y) {
        if (smooth && rgb) plgRow<true, 3>(m, ss, ds->row(y), y, r.Left, r.Right);
        else if (smooth) plgRow<true, 4>(m, ss, ds->row(y), y, r.Left, r.Right);
        else if (rgb) plgRow<false, 3>(m, ss, ds->row(y), y, r.Left, r.Right);
        else plgRow<false, 4>(m, ss, ds->row(y), y, r.Left, r.Right);
      }
    }
    return true;
  }
  for (auto const& clip : clips) {
    TRect r = box.intersected(clip);
    for (int y = r.Top; y < r.Bottom; ++y) {
      const double Y = y + 0.5 - p0y, Ybx = Y * bx, axY = ax * Y;
      uint8_t* drow = ds->row(y);
      for (int x = r.Left; x < r.Right; ++x) {
        double X = x + 0.5 - p0x;
        double u = (X * by - Ybx) / det, v = (axY - ay * X) / det;
        // u, v in source pixels from the given corner, negative sizes running backwards.
        double uu = sw < 0 ? -u : u, vv = sh < 0 ? -v : v;
        if (!(uu >= 0 && uu < uw && vv >= 0 && vv < vh)) continue;
        int iu = int(uu), iv = int(vv);
        if (mask) {
          int64_t mw = mask->width(), mh = mask->height();
          int64_t mxp = ((int64_t(mx) + iu) % mw + mw) % mw, myp = ((int64_t(my) + iv) % mh + mh) % mh;
          if (!readDevice(*mask, int(mxp), int(myp))) continue;
        }
        int64_t px0 = int64_t(s.X) + (sw < 0 ? -iu - 1 : iu), py0 = int64_t(s.Y) + (sh < 0 ? -iv - 1 : iv);
        uint8_t c[4] = {0, 0, 0, 0};
        if (smooth) {
          double fu = (sw < 0 ? s.X - uu : s.X + uu) - 0.5, fv = (sh < 0 ? s.Y - vv : s.Y + vv) - 0.5;
          int ix = int(std::floor(fu)), iy = int(std::floor(fv));
          double tx = fu - ix, ty = fv - iy;
          // The four neighbours, the edge pixels repeated beyond the source.
          const size_t x0 = size_t(std::clamp(ix, 0, sW - 1)) * size_t(C), x1 = size_t(std::clamp(ix + 1, 0, sW - 1)) * size_t(C);
          uint8_t const* r0 = ss.row(std::clamp(iy, 0, sH - 1));
          uint8_t const* r1 = ss.row(std::clamp(iy + 1, 0, sH - 1));
          for (int k = 0; k < C; ++k) {
            double top = r0[x0 + size_t(k)] * (1 - tx) + r0[x1 + size_t(k)] * tx;
            double bot = r1[x0 + size_t(k)] * (1 - tx) + r1[x1 + size_t(k)] * tx;
            c[k] = uint8_t(roundHalfAway(top * (1 - ty) + bot * ty));
          }
        } else {
          if (px0 < 0 || py0 < 0 || px0 >= sW || py0 >= sH) continue;
          uint8_t const* sp = ss.row(int(py0)) + size_t(px0) * size_t(C);
          for (int k = 0; k < C; ++k) c[k] = sp[k];
        }
        if (plain24) {
          uint8_t* d = drow + size_t(x) * 3;
          d[0] = c[0], d[1] = c[1], d[2] = c[2];
        } else if (ds->bitsPerPixel() >= 24) {
          writeDevice(*ds, x, y, uint32_t(c[0]) | (uint32_t(c[1]) << 8) | (uint32_t(c[2]) << 16));
          if (ds->bitsPerPixel() == 32 && C == 4) ds->row(y)[4 * x + 3] = c[3];
        } else {
          ds->setPixel(x, y, RGB(c[2], c[1], c[0]));
        }
      }
    }
  }
  return true;
}

// ---- alpha blending ------------------------------------------------------------------------------

bool AlphaBlend(TDeviceContext& dst, int x, int y, int w, int h, TDeviceContext const& src, int sx,
                int sy, int sw, int sh, TBlendFunction bf) {
  TSurface* ds = dst.surface();
  TSurface const* ss = src.surface();
  if (ds == nullptr || ds->empty() || ss == nullptr || ss->empty()) return false;
  if (w < 0 || h < 0 || sw < 0 || sh < 0 || bf.BlendOp != AC_SRC_OVER) return false;
  TPoint s = src.toDevice({sx, sy});
  if (s.X < 0 || s.Y < 0 || int64_t(s.X) + sw > ss->width() || int64_t(s.Y) + sh > ss->height()) return false;
  TPoint d0 = dst.toDevice({x, y});
  if (int64_t(d0.X) + w > INT32_MAX || int64_t(d0.Y) + h > INT32_MAX) return true;  // wholly outside
  if (w == 0 || h == 0 || sw == 0 || sh == 0) return true;
  bool perPixel = (bf.AlphaFormat & AC_SRC_ALPHA) && ss->bitsPerPixel() == 32;
  SourceRows rows;
  prepareSource(rows, *ss, dst, Bounds(s.X, s.Y, sw, sh), ss == ds);
  TPoint d = dst.toDevice({x, y});
  Axis ax = axisOf(d.X, w, s.X - rows.dx, sw), ay = axisOf(d.Y, h, s.Y - rows.dy, sh);
  auto clip = detail::clipRects(dst);
  uint32_t sca = bf.SourceConstantAlpha;
  bool dstPlain = ds->bitsPerPixel() >= 24;
  int dC = ds->bitsPerPixel() / 8;
  auto emit = [&](int yy, int x0, int n, uint8_t const* row, int C) {
    for (auto const& r : clip) {
      if (yy < r.Top || yy >= r.Bottom) continue;
      int a = std::max(x0, r.Left), b = std::min(x0 + n, r.Right);
      uint8_t* drow = ds->row(yy);
      if (dC == 3 && C == 3 && !perPixel) {
        // 24 bits on 24 bits: the same sum for each byte of the run in turn.
        uint8_t const* sp = row + size_t(a - x0) * 3;
        uint8_t* dp = drow + size_t(a) * 3;
        size_t i = 0;
        const size_t e = size_t(std::max(0, b - a)) * 3;
#if defined(__SSE2__)
        // Sixteen bytes at a time: the sums stay under 65,153, where (t + 1 + t / 256) / 256
        // is t / 255 exactly.
        const __m128i zero = _mm_setzero_si128(), va = _mm_set1_epi16(int16_t(sca)),
                      vb = _mm_set1_epi16(int16_t(255 - sca)), v127 = _mm_set1_epi16(127), v1 = _mm_set1_epi16(1);
        auto blend8 = [&](__m128i s8, __m128i d8) {
          const __m128i t = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(s8, va), _mm_mullo_epi16(d8, vb)), v127);
          return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, v1), _mm_srli_epi16(t, 8)), 8);
        };
        for (; i + 16 <= e; i += 16) {
          const __m128i sv = _mm_loadu_si128(reinterpret_cast<__m128i const*>(sp + i));
          const __m128i dv = _mm_loadu_si128(reinterpret_cast<__m128i const*>(dp + i));
          const __m128i lo = blend8(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero));
          const __m128i hi = blend8(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(dp + i), _mm_packus_epi16(lo, hi));
        }
#endif
        for (; i < e; ++i)
          dp[i] = uint8_t((uint32_t(sp[i]) * sca + uint32_t(dp[i]) * (255 - sca) + 127) / 255);
        continue;
      }
      for (int xx = a; xx < b; ++xx) {
        uint8_t const* sp = row + size_t(xx - x0) * size_t(C);
        uint8_t dpx[4] = {0, 0, 0, 0};
        uint8_t* dp = drow + size_t(xx) * size_t(dC);
        if (dstPlain) {
          // Byte by byte rather than a copy of a size known only at run time: a call per pixel.
          dpx[0] = dp[0], dpx[1] = dp[1], dpx[2] = dp[2];
          if (dC == 4) dpx[3] = dp[3];
        } else {
          TColor c = ds->pixel(xx, yy);
          dpx[0] = GetBValue(c); dpx[1] = GetGValue(c); dpx[2] = GetRValue(c);
        }
        uint8_t out[4];
        if (perPixel) {
          // Premultiplied source scaled by the constant alpha, then over the target.
          uint32_t sa = (uint32_t(sp[3]) * sca + 127) / 255;
          for (int k = 0; k < 3; ++k) {
            uint32_t sc = (uint32_t(sp[k]) * sca + 127) / 255;
            out[k] = uint8_t(std::min<uint32_t>(255, sc + (uint32_t(dpx[k]) * (255 - sa) + 127) / 255));
          }
          out[3] = uint8_t(std::min<uint32_t>(255, sa + (uint32_t(dpx[3]) * (255 - sa) + 127) / 255));
        } else {
          for (int k = 0; k < 3; ++k)
            out[k] = uint8_t((uint32_t(sp[k]) * sca + uint32_t(dpx[k]) * (255 - sca) + 127) / 255);
          out[3] = uint8_t((uint32_t(C == 4 ? sp[3] : 0) * sca + uint32_t(dpx[3]) * (255 - sca) + 127) / 255);
        }
        if (dstPlain) {
          dp[0] = out[0], dp[1] = out[1], dp[2] = out[2];
          if (dC == 4) dp[3] = out[3];
        } else {
          ds->setPixel(xx, yy, RGB(out[2], out[1], out[0]));
        }
      }
    }
  };
  forEachRow(*rows.s, ax, ay, dst.stretchBltMode(), emit, dst.visibleRegion().bounds(),
             [](int, int, int, int) -> uint8_t* { return nullptr; });
  return true;
}

// ---- gradients -----------------------------------------------------------------------------------

namespace {
inline uint8_t gradientChannel(double v) { return uint8_t(std::clamp(int(v) >> 8, 0, 255)); }

#if defined(__SSE2__)
// A triangle's span on a 24-bit row two pixels at a time, one to a lane: the scalar loop's
// operations in the same order and precision, so the same bytes; the saturating packs clamp to
// 0..255 as gradientChannel does. Answers where it stopped.
int gradientPairs(detail::FPoint const* P, double den, TTriVertex const* const* tv, uint8_t* row, double Y, int x,
                  int right) {
  const __m128d half = _mm_set1_pd(0.5), one = _mm_set1_pd(1.0), vden = _mm_set1_pd(den);
  const __m128d p2x = _mm_set1_pd(P[2].x), k0 = _mm_set1_pd(P[1].y - P[2].y), k1 = _mm_set1_pd(P[2].y - P[0].y);
  const __m128d e0 = _mm_set1_pd((P[2].x - P[1].x) * (Y - P[2].y)), e1 = _mm_set1_pd((P[0].x - P[2].x) * (Y - P[2].y));
  auto channel = [&](__m128d w0, __m128d w1, __m128d w2, uint16_t TTriVertex::*m) {
    const __m128d mix = _mm_add_pd(_mm_add_pd(_mm_mul_pd(w0, _mm_set1_pd(tv[0]->*m)), _mm_mul_pd(w1, _mm_set1_pd(tv[1]->*m))),
                                   _mm_mul_pd(w2, _mm_set1_pd(tv[2]->*m)));
    const __m128i v = _mm_srai_epi32(_mm_cvttpd_epi32(mix), 8);
    return _mm_packus_epi16(_mm_packs_epi32(v, v), _mm_setzero_si128());  // bytes 0 and 1
  };
  for (; x + 1 < right; x += 2) {
    const __m128d dX = _mm_sub_pd(_mm_add_pd(_mm_cvtepi32_pd(_mm_set_epi32(0, 0, x + 1, x)), half), p2x);
    const __m128d w0 = _mm_div_pd(_mm_add_pd(_mm_mul_pd(k0, dX), e0), vden);
    const __m128d w1 = _mm_div_pd(_mm_add_pd(_mm_mul_pd(k1, dX), e1), vden);
    const __m128d w2 = _mm_sub_pd(_mm_sub_pd(one, w0), w1);
    const int b = _mm_cvtsi128_si32(channel(w0, w1, w2, &TTriVertex::Blue));
    const int g = _mm_cvtsi128_si32(channel(w0, w1, w2, &TTriVertex::Green));
    const int r = _mm_cvtsi128_si32(channel(w0, w1, w2, &TTriVertex::Red));
    uint8_t* d = row + size_t(x) * 3;
    d[0] = uint8_t(b), d[1] = uint8_t(g), d[2] = uint8_t(r);
    d[3] = uint8_t(b >> 8), d[4] = uint8_t(g >> 8), d[5] = uint8_t(r >> 8);
  }
  return x;
}
#endif

void gradientPixel(TSurface& s, int x, int y, double r, double g, double b, double a) {
  auto ch = gradientChannel;
  TColor c = RGB(ch(r), ch(g), ch(b));
  if (s.bitsPerPixel() >= 24) {
    writeDevice(s, x, y, bgrOf(c));
    if (s.bitsPerPixel() == 32) s.row(y)[4 * x + 3] = ch(a);
  } else {
    s.setPixel(x, y, c);
  }
}
}  // namespace

bool GradientFill(TDeviceContext& dc, std::span<TTriVertex const> v, std::span<TGradientRect const> rects,
                  GradientMode mode) {
  TSurface* s = dc.surface();
  if (s == nullptr || s->empty() || mode == GradientMode::Triangle) return false;
  for (auto const& gr : rects)
    if (gr.UpperLeft >= v.size() || gr.LowerRight >= v.size()) return false;
  auto clip = detail::clipRects(dc);
  for (auto const& gr : rects) {
    TTriVertex const& a = v[gr.UpperLeft];
    TTriVertex const& b = v[gr.LowerRight];
    TPoint p = dc.toDevice({a.x, a.y}), q = dc.toDevice({b.x, b.y});
    // Colours run from the first vertex to the second, whichever way round the corners are.
    bool flipX = q.X < p.X, flipY = q.Y < p.Y;
    TRect box = TRect{p.X, p.Y, q.X, q.Y}.normalized();
    int len = mode == GradientMode::RectH ? box.width() : box.height();
    if (len <= 0) continue;
    for (auto const& c : clip) {
      TRect r = box.intersected(c);
      for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) {
          int i = mode == GradientMode::RectH ? (flipX ? box.Right - 1 - x : x - box.Left)
                                              : (flipY ? box.Bottom - 1 - y : y - box.Top);
          double t = double(i) / len;
          gradientPixel(*s, x, y, a.Red + (double(b.Red) - a.Red) * t, a.Green + (double(b.Green) - a.Green) * t,
                        a.Blue + (double(b.Blue) - a.Blue) * t, a.Alpha + (double(b.Alpha) - a.Alpha) * t);
        }
    }
  }
  return true;
}

bool GradientFill(TDeviceContext& dc, std::span<TTriVertex const> v, std::span<TGradientTriangle const> tris) {
  TSurface* s = dc.surface();
  if (s == nullptr || s->empty()) return false;
  for (auto const& t : tris)
    if (t.Vertex1 >= v.size() || t.Vertex2 >= v.size() || t.Vertex3 >= v.size()) return false;
  auto clip = detail::clipRects(dc);
  TRect cb;
  for (TRect const& c : clip) cb.unite(c);
  for (auto const& t : tris) {
    TTriVertex const* tv[3] = {&v[t.Vertex1], &v[t.Vertex2], &v[t.Vertex3]};
    detail::FPoint P[3];
    for (int i = 0; i < 3; ++i) {
      TPoint d = dc.toDevice({tv[i]->x, tv[i]->y});
      P[i] = {double(d.X), double(d.Y)};
    }
    double den = (P[1].y - P[2].y) * (P[0].x - P[2].x) + (P[2].x - P[1].x) * (P[0].y - P[2].y);
    if (den == 0) continue;
    std::vector<detail::FPoint> const ring[1] = {{P[0], P[1], P[2]}};
    const bool plain24 = s->bitsPerPixel() == 24;
    // A span is cut by the clip's rectangles once, not tested pixel by pixel; the rectangles are
    // disjoint, so each pixel is still made once, by the same arithmetic.
    detail::scanPolygon(ring, PolyFillMode::Alternate, cb.Top, cb.Bottom, [&](int y, int x0, int x1) {
      const double Y = y + 0.5;
      for (TRect const& c : clip) {
        if (y < c.Top || y >= c.Bottom) continue;
        const int a = std::max(x0, c.Left), b = std::min(x1, c.Right);
        uint8_t* row = s->row(y);
        int x = a;
#if defined(__SSE2__)
        if (plain24) x = gradientPairs(P, den, tv, row, Y, x, b);
#endif
        for (; x < b; ++x) {
          double X = x + 0.5;
          double w0 = ((P[1].y - P[2].y) * (X - P[2].x) + (P[2].x - P[1].x) * (Y - P[2].y)) / den;
          double w1 = ((P[2].y - P[0].y) * (X - P[2].x) + (P[0].x - P[2].x) * (Y - P[2].y)) / den;
          double w2 = 1 - w0 - w1;
          auto mix = [&](uint16_t TTriVertex::*m) {
            return w0 * (tv[0]->*m) + w1 * (tv[1]->*m) + w2 * (tv[2]->*m);
          };
          if (plain24) {
            uint8_t* d = row + size_t(x) * 3;
            d[0] = gradientChannel(mix(&TTriVertex::Blue));
            d[1] = gradientChannel(mix(&TTriVertex::Green));
            d[2] = gradientChannel(mix(&TTriVertex::Red));
          } else {
            gradientPixel(*s, x, y, mix(&TTriVertex::Red), mix(&TTriVertex::Green), mix(&TTriVertex::Blue),
                          mix(&TTriVertex::Alpha));
          }
        }
      }
    });
  }
  return true;
}

}  // namespace platform
