// Text on the device context: glyphs laid out along the escapement, placed by the alignment,
// mapped by the world transform, and either painted (coverage blended in the text colour over an
// optional opaque cell) or, inside a path bracket, added to the path as outlines.
// Glyph frame: x along the baseline, y downward; the escapement turns it counter-clockwise.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "platform/gdi.h"
#include "platform/gdi_raster.h"
#include "platform/metafile.h"
#include "platform/text.h"

namespace platform {

HFONT TDeviceContext::selectFont(HFONT f) { return std::exchange(fstate.font, std::move(f)); }

std::shared_ptr<TRealizedFont const> TDeviceContext::realized() const {
  if (fstate.font) return realizeFont(*fstate.font);
  return realizeFont(TLogFont{});
}

unsigned TDeviceContext::setTextAlign(unsigned a) { return std::exchange(fstate.textAlign, a); }
int TDeviceContext::setTextCharacterExtra(int e) { return std::exchange(fstate.charExtra, e); }

TTextMetric TDeviceContext::textMetrics() const { return realized()->metrics(); }
std::vector<TKerningPair> TDeviceContext::kerningPairs() const { return realized()->kerningPairs(); }
std::vector<TUnicodeRange> TDeviceContext::fontUnicodeRanges() const { return realized()->unicodeRanges(); }

TSize TDeviceContext::textExtent(std::string_view s) const {
  auto f = realized();
  int64_t w = 0;
  for (char32_t c : toUtf32(s)) w += f->advance(c) + fstate.charExtra;
  return {int(std::clamp<int64_t>(w, INT32_MIN, INT32_MAX)), f->metrics().height};
}

namespace {
// Blends one glyph's coverage in a colour into the visible rectangles.
void blendCoverage(TSurface& s, std::vector<TRect> const& clip, TGlyphCoverage const& g, int ox, int oy, TColor colour) {
  TRect box = Bounds(ox + g.left, oy + g.top, g.width, g.height);
  int bpp = s.bitsPerPixel();
  uint8_t cr = GetRValue(colour), cg = GetGValue(colour), cb = GetBValue(colour);
  uint32_t index = bpp <= 8 ? uint32_t(s.nearestIndex(colour)) : 0;
  for (auto const& r : clip) {
    TRect in = box.intersected(r);
    for (int y = in.Top; y < in.Bottom; ++y) {
      uint8_t const* a = &g.alpha[size_t(y - box.Top) * size_t(g.width)];
      for (int x = in.Left; x < in.Right; ++x) {
        unsigned al = a[x - box.Left];
        if (al == 0) continue;
        if (bpp <= 8) {
          if (al >= 128) detail::writeDevice(s, x, y, index);
          continue;
        }
        uint8_t* p = s.row(y) + size_t(x) * size_t(bpp / 8);
        auto mix = [al](uint8_t d, uint8_t c) { return uint8_t((d * (255 - al) + c * al + 127) / 255); };
        p[0] = mix(p[0], cb);
        p[1] = mix(p[1], cg);
        p[2] = mix(p[2], cr);
        if (bpp == 32) p[3] = 0;
      }
    }
  }
}
}  // namespace

bool TDeviceContext::textOut(int x, int y, std::string_view text) {
  if (frecorder && !pathOpen()) {
    frecorder->syncState(*this);
    const bool updateCp = (fstate.textAlign & TA_UPDATECP) != 0;
    const TPoint at = toDevice(updateCp ? fstate.current : TPoint{x, y});
    frecorder->textOut(at.X, at.Y, text);
    if (updateCp) fstate.current.X += textExtent(text).cx;
    return true;
  }
  auto f = realized();
  TTextMetric const& tm = f->metrics();
  std::u32string cps = toUtf32(text);
  unsigned align = fstate.textAlign;
  bool updateCp = (align & TA_UPDATECP) != 0;
  TPoint start = updateCp ? fstate.current : TPoint{x, y};

  double esc = (fstate.font ? fstate.font->escapement : 0) / 10.0 * std::numbers::pi / 180.0;
  double ux = std::cos(esc), uy = -std::sin(esc);  // along the baseline
  double vx = std::sin(esc), vy = std::cos(esc);   // downward in the glyph frame
  if (esc == 0) ux = 1, uy = 0, vx = 0, vy = 1;

  std::vector<int> adv;
  int64_t width = 0;
  for (char32_t c : cps) {
    adv.push_back(f->advance(c) + fstate.charExtra);
    width += adv.back();
  }
  double dx = 0, dy = 0;
  if ((align & TA_CENTER) == TA_CENTER) dx = -double(width / 2);
  else if (align & TA_RIGHT) dx = -double(width);
  if ((align & TA_BASELINE) == TA_BASELINE) dy = 0;
  else if (align & TA_BOTTOM) dy = -tm.descent;
  else dy = tm.ascent;
  double ox = start.X + dx * ux + dy * vx, oy = start.Y + dx * uy + dy * vy;

  if (updateCp) {
    double move = (align & TA_CENTER) == TA_CENTER ? 0.0 : (align & TA_RIGHT) ? -double(width) : double(width);
    fstate.current = {int(std::nearbyint(start.X + move * ux)), int(std::nearbyint(start.Y + move * uy))};
  }

  // The glyph frame's axes on the device.
  XFORM const& w = fstate.xform;
  double m[4] = {ux * w.eM11 + uy * w.eM21, ux * w.eM12 + uy * w.eM22, vx * w.eM11 + vy * w.eM21,
                 vx * w.eM12 + vy * w.eM22};
  auto dev = [&](double along, double down) { return toDeviceF(ox + along * ux + down * vx, oy + along * uy + down * vy); };
  auto devQuad = [&](double a0, double d0, double a1, double d1) {
    return std::vector<TFPoint>{dev(a0, d0), dev(a1, d0), dev(a1, d1), dev(a0, d1)};
  };

  if (pathOpen()) {
    double along = 0;
    double reach = std::max({std::abs(m[0]), std::abs(m[1]), std::abs(m[2]), std::abs(m[3])}) * tm.height;
    for (size_t i = 0; i < cps.size(); ++i) {
      TFPoint o = dev(along, 0);
      along += adv[i];
      // Outlines thrown beyond any sensible plane are left out rather than overflow the filler.
      if (!std::isfinite(o.x) || !std::isfinite(o.y) || std::abs(o.x) > 1e8 || std::abs(o.y) > 1e8 || !(reach < 1e7)) continue;
      for (auto const& ring : f->outline(cps[i])) {
        std::vector<TFPoint> pts;
        pts.reserve(ring.size());
        for (auto const& q : ring) pts.push_back({o.x + q.x * m[0] + q.y * m[2], o.y + q.x * m[1] + q.y * m[3]});
        pathAddFigure(pts, true);
      }
    }
    return true;
  }

  detail::Painter painter(*this);
  if (!painter.ready()) return fsurface != nullptr;
  painter.setRop(Rop2::CopyPen);
  auto fillQuad = [&](std::vector<TFPoint> const& q, TColor c) {
    std::vector<TFPoint> const rings[1] = {q};
    uint32_t v = painter.value(c);
    TRect cb = painter.clipBounds();
    detail::scanPolygon(rings, PolyFillMode::Winding, cb.Top, cb.Bottom, [&](int yy, int a, int b) { painter.span(yy, a, b, v); });
  };
  if (fstate.bkMode == BkMode::Opaque && width > 0) fillQuad(devQuad(0, -tm.ascent, double(width), tm.descent), fstate.bkColor);

  bool antialias = !fstate.font || fstate.font->quality != NONANTIALIASED_QUALITY;
  std::vector<TRect> clip = detail::clipRects(*this);
  double along = 0;
  for (size_t i = 0; i < cps.size(); ++i) {
    TFPoint o = dev(along, 0);
    along += adv[i];
    if (!std::isfinite(o.x) || !std::isfinite(o.y) || std::abs(o.x) > 1e8 || std::abs(o.y) > 1e8) continue;
    double fx = std::floor(o.x), fy = std::floor(o.y);
    TGlyphCoverage g = f->coverage(cps[i], m, o.x - fx, o.y - fy, antialias);
    if (g.width > 0 && g.height > 0) blendCoverage(*fsurface, clip, g, int(fx), int(fy), fstate.textColor);
  }
  if (fstate.font && (fstate.font->underline || fstate.font->strikeOut) && width > 0) {
    int t = f->lineThickness();
    if (fstate.font->underline) fillQuad(devQuad(0, f->underlinePosition(), double(width), f->underlinePosition() + t), fstate.textColor);
    if (fstate.font->strikeOut) fillQuad(devQuad(0, f->strikeOutPosition(), double(width), f->strikeOutPosition() + t), fstate.textColor);
  }
  return true;
}

}  // namespace platform
