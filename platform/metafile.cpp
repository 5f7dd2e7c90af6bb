// Metafile records and their playback: every coordinate and size is kept in 0.01 mm as a double
// and mapped into the play box at play time, rounded to the nearest pixel (halves to even).
#include "platform/metafile.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/text.h"

namespace platform {

void TMetafile::setMMSize(int width, int height) {
  fmmWidth = std::max(0, width);
  fmmHeight = std::max(0, height);
}

// ---- recording ----------------------------------------------------------------------------------

TMetafileRecorder::TMetafileRecorder(TMetafile& m, int width, int height, double ppmm)
    : fmeta(m), funit(ppmm > 0 ? 100.0 / ppmm : 100.0 / (96.0 / 25.4)) {
  fmeta.setMMSize(int(std::nearbyint(width * funit)), int(std::nearbyint(height * funit)));
}

void TMetafileRecorder::add(TMetafile::Record&& r) {
  fmeta.frecords.push_back(std::make_shared<TMetafile::Record const>(std::move(r)));
}

namespace {
using Kind = TMetafile::Record::Kind;
}

void TMetafileRecorder::setPen(TPenDesc const& p) {
  TMetafile::Record r;
  r.kind = Kind::Pen;
  r.pen = p;
  r.size = p.width * funit;
  for (int d : p.dashes) r.dashes.push_back(d * funit);
  add(std::move(r));
}

void TMetafileRecorder::setBrush(TBrushDesc const& b) {
  TMetafile::Record r;
  r.kind = Kind::Brush;
  r.brush = b;
  add(std::move(r));
}

void TMetafileRecorder::setTextColor(TColor c) {
  TMetafile::Record r;
  r.kind = Kind::TextColor;
  r.colour = c;
  add(std::move(r));
}

void TMetafileRecorder::setBkColor(TColor c) {
  TMetafile::Record r;
  r.kind = Kind::BkColor;
  r.colour = c;
  add(std::move(r));
}

void TMetafileRecorder::setBkMode(BkMode m) {
  TMetafile::Record r;
  r.kind = Kind::BkMode;
  r.value = unsigned(m);
  add(std::move(r));
}

void TMetafileRecorder::setTextAlign(unsigned a) {
  TMetafile::Record r;
  r.kind = Kind::TextAlign;
  r.value = a;
  add(std::move(r));
}

void TMetafileRecorder::selectFont(TLogFont const& f) {
  TMetafile::Record r;
  r.kind = Kind::Font;
  r.font = f;
  r.size = f.height * funit;
  add(std::move(r));
}

namespace {
TMetafile::Record shape(Kind k, std::span<TPoint const> pts, double unit) {
  TMetafile::Record r;
  r.kind = k;
  for (auto const& p : pts) r.pts.push_back({p.X * unit, p.Y * unit});
  return r;
}
}  // namespace

void TMetafileRecorder::moveTo(int x, int y) {
  TPoint p[] = {{x, y}};
  add(shape(Kind::MoveTo, p, funit));
}
void TMetafileRecorder::lineTo(int x, int y) {
  TPoint p[] = {{x, y}};
  add(shape(Kind::LineTo, p, funit));
}
void TMetafileRecorder::polyline(std::span<TPoint const> pts) { add(shape(Kind::Polyline, pts, funit)); }
void TMetafileRecorder::polygon(std::span<TPoint const> pts) { add(shape(Kind::Polygon, pts, funit)); }
void TMetafileRecorder::polyPolygon(std::span<TPoint const> pts, std::span<int const> counts) {
  auto r = shape(Kind::PolyPolygon, pts, funit);
  r.counts.assign(counts.begin(), counts.end());
  add(std::move(r));
}
void TMetafileRecorder::rectangle(int l, int t, int rr, int b) {
  TPoint p[] = {{l, t}, {rr, b}};
  add(shape(Kind::Rectangle, p, funit));
}
void TMetafileRecorder::ellipse(int l, int t, int rr, int b) {
  TPoint p[] = {{l, t}, {rr, b}};
  add(shape(Kind::Ellipse, p, funit));
}
void TMetafileRecorder::fillRect(TRect const& box, TBrushDesc const& b) {
  TPoint p[] = {{box.Left, box.Top}, {box.Right, box.Bottom}};
  auto r = shape(Kind::FillRect, p, funit);
  r.brush = b;
  add(std::move(r));
}
void TMetafileRecorder::textOut(int x, int y, std::string_view s) {
  TPoint p[] = {{x, y}};
  auto r = shape(Kind::Text, p, funit);
  r.text = s;
  add(std::move(r));
}
void TMetafileRecorder::setTextCharacterExtra(int extra) {
  TMetafile::Record r;
  r.kind = Kind::CharExtra;
  r.size = extra * funit;
  add(std::move(r));
}
void TMetafileRecorder::intersectClipRect(int l, int t, int rr, int b) {
  TPoint p[] = {{l, t}, {rr, b}};
  add(shape(Kind::ClipRect, p, funit));
}
void TMetafileRecorder::saveDC() {
  TMetafile::Record r;
  r.kind = Kind::SaveDC;
  add(std::move(r));
  fsaved.emplace_back(fsynced, flast);
}
void TMetafileRecorder::restoreDC(int levels) {
  if (levels <= 0 || size_t(levels) > fsaved.size()) return;
  TMetafile::Record r;
  r.kind = Kind::RestoreDC;
  r.value = unsigned(levels);
  add(std::move(r));
  const size_t at = fsaved.size() - size_t(levels);
  fsynced = fsaved[at].first;
  flast = std::move(fsaved[at].second);
  fsaved.resize(at);
}

void TMetafileRecorder::stretchBits(int x, int y, int width, int height, std::shared_ptr<TSurface> bits, TRop rop,
                                    StretchMode mode) {
  if (!bits || bits->empty() || width == 0 || height == 0) return;
  TPoint p[] = {{x, y}, {x + width, y + height}};
  auto r = shape(Kind::StretchBits, p, funit);
  r.bits = std::move(bits);
  r.value = rop;
  r.stretch = mode;
  add(std::move(r));
}

namespace {
bool samePen(TPenDesc const& a, TPenDesc const& b) {
  return a.style == b.style && a.width == b.width && a.color == b.color && a.type == b.type && a.cap == b.cap &&
         a.join == b.join && a.dashes == b.dashes;
}
bool sameBrush(TBrushDesc const& a, TBrushDesc const& b) {
  return a.style == b.style && a.color == b.color && a.hatch == b.hatch;
}
}  // namespace

void TMetafileRecorder::syncState(TDeviceContext const& dc) {
  const bool all = !fsynced;
  if (all || !samePen(flast.pen, dc.pen())) setPen(dc.pen());
  if (all || !sameBrush(flast.brush, dc.brush())) setBrush(dc.brush());
  if (all || flast.textColor != dc.textColor()) setTextColor(dc.textColor());
  if (all || flast.bkColor != dc.bkColor()) setBkColor(dc.bkColor());
  if (all || flast.bkMode != dc.bkMode()) setBkMode(dc.bkMode());
  // Text is recorded where it lands, so playback never follows a current position.
  if (all || flast.textAlign != dc.textAlign()) setTextAlign(dc.textAlign() & ~TA_UPDATECP);
  const TLogFont now = dc.font() ? *dc.font() : TLogFont{};
  const TLogFont was = flast.font ? *flast.font : TLogFont{};
  if (all || !(now == was)) selectFont(now);
  if (all || flast.charExtra != dc.textCharacterExtra()) setTextCharacterExtra(dc.textCharacterExtra());
  flast.pen = dc.pen();
  flast.brush = dc.brush();
  flast.textColor = dc.textColor();
  flast.bkColor = dc.bkColor();
  flast.bkMode = dc.bkMode();
  flast.textAlign = dc.textAlign();
  flast.font = dc.font();
  flast.charExtra = dc.textCharacterExtra();
  fsynced = true;
}

TMetafileCanvas::TMetafileCanvas(TMetafile& m, int width, int height, double ppmm)
    : frecorder(m, width, height, ppmm), fcanvas(std::make_unique<TCanvas>(&fdc)) {
  fdc.setTechnology(TDeviceContext::Technology::Metafile);
  fdc.setLogPixels(int(std::nearbyint(ppmm * 25.4)));
  fdc.setRecorder(&frecorder);
}

TMetafileCanvas::~TMetafileCanvas() { fdc.setRecorder(nullptr); }

std::array<TFPoint, 4> textCell(TLogFont const& font, unsigned align, double charExtra, TFPoint at, std::string_view text) {
  auto f = realizeFont(font);
  TTextMetric const& tm = f->metrics();
  const double esc = font.escapement / 10.0 * std::numbers::pi / 180.0;
  double ux = std::cos(esc), uy = -std::sin(esc);  // along the baseline
  double vx = std::sin(esc), vy = std::cos(esc);   // downward in the glyph frame
  if (font.escapement == 0) ux = 1, uy = 0, vx = 0, vy = 1;
  double width = 0;
  for (char32_t c : toUtf32(text)) width += f->advance(c) + charExtra;
  double dx = 0, dy = 0;
  if ((align & TA_CENTER) == TA_CENTER) dx = -width / 2;
  else if (align & TA_RIGHT) dx = -width;
  if ((align & TA_BASELINE) == TA_BASELINE) dy = 0;
  else if (align & TA_BOTTOM) dy = -tm.descent;
  else dy = tm.ascent;
  const double ox = at.x + dx * ux + dy * vx, oy = at.y + dx * uy + dy * vy;
  auto corner = [&](double along, double down) {
    return TFPoint{ox + along * ux + down * vx, oy + along * uy + down * vy};
  };
  return {corner(0, -tm.ascent), corner(width, -tm.ascent), corner(width, tm.descent), corner(0, tm.descent)};
}

// ---- playback -----------------------------------------------------------------------------------

bool PlayEnhMetaFile(TDeviceContext& dc, TMetafile const& m, TRect const& box) {
  if (m.MMWidth() <= 0 || m.MMHeight() <= 0 || box.isEmpty()) return false;
  const double sx = double(box.width()) / m.MMWidth(), sy = double(box.height()) / m.MMHeight();
  const double s = (sx + sy) / 2;  // for sizes that have no direction
  auto px = [](double v) { return int(std::clamp(std::nearbyint(v), -1e9, 1e9)); };
  auto map = [&](TFPoint const& p) { return TPoint{px(box.Left + p.x * sx), px(box.Top + p.y * sy)}; };
  auto mapped = [&](std::vector<TFPoint> const& pts) {
    std::vector<TPoint> out;
    out.reserve(pts.size());
    for (auto const& p : pts) out.push_back(map(p));
    return out;
  };
  const int saved = dc.saveDC();
  int depth = 0;  // the metafile's own saved levels: it never restores past them
  for (auto const& rp : m.frecords) {
    TMetafile::Record const& r = *rp;
    switch (r.kind) {
      case Kind::Pen: {
        TPenDesc p = r.pen;
        if (p.type == PenType::Geometric) {
          p.width = std::max(1, px(r.size * s));
          p.dashes.clear();
          for (double d : r.dashes) p.dashes.push_back(std::max(1, px(d * s)));
        }
        dc.setPen(p);
        break;
      }
      case Kind::Brush: dc.setBrush(r.brush); break;
      case Kind::TextColor: dc.setTextColor(r.colour); break;
      case Kind::BkColor: dc.setBkColor(r.colour); break;
      case Kind::BkMode: dc.setBkMode(BkMode(r.value)); break;
      case Kind::TextAlign: dc.setTextAlign(r.value); break;
      case Kind::Font: {
        TLogFont f = r.font;
        if (f.height != 0) {
          f.height = px(r.size * sy);
          if (f.height == 0) f.height = r.size > 0 ? 1 : -1;
        }
        dc.selectFont(CreateFontIndirect(f));
        break;
      }
      case Kind::MoveTo: {
        TPoint p = map(r.pts[0]);
        dc.moveTo(p.X, p.Y);
        break;
      }
      case Kind::LineTo: {
        TPoint p = map(r.pts[0]);
        dc.lineTo(p.X, p.Y);
        break;
      }
      case Kind::Polyline: dc.polyline(mapped(r.pts)); break;
      case Kind::Polygon: dc.polygon(mapped(r.pts)); break;
      case Kind::PolyPolygon: dc.polyPolygon(mapped(r.pts), r.counts); break;
      case Kind::Rectangle:
      case Kind::Ellipse:
      case Kind::FillRect: {
        TPoint a = map(r.pts[0]), b = map(r.pts[1]);
        if (r.kind == Kind::Rectangle) dc.rectangle(a.X, a.Y, b.X, b.Y);
        else if (r.kind == Kind::Ellipse) dc.ellipse(a.X, a.Y, b.X, b.Y);
        else dc.fillRect({a.X, a.Y, b.X, b.Y}, r.brush);
        break;
      }
      case Kind::Text: {
        TPoint p = map(r.pts[0]);
        dc.textOut(p.X, p.Y, r.text);
        break;
      }
      case Kind::CharExtra: dc.setTextCharacterExtra(px(r.size * sx)); break;
      case Kind::ClipRect: {
        TPoint a = map(r.pts[0]), b = map(r.pts[1]);
        dc.intersectClipRect(a.X, a.Y, b.X, b.Y);
        break;
      }
      case Kind::StretchBits: {
        TPoint a = map(r.pts[0]), b = map(r.pts[1]);
        TDeviceContext source(r.bits.get());
        dc.setStretchBltMode(r.stretch);
        StretchBlt(dc, a.X, a.Y, b.X - a.X, b.Y - a.Y, &source, 0, 0, r.bits->width(), r.bits->height(), r.value);
        break;
      }
      case Kind::SaveDC:
        if (dc.saveDC() > 0) ++depth;
        break;
      case Kind::RestoreDC: {
        const int levels = std::min(int(r.value), depth);
        if (levels > 0 && dc.restoreDC(-levels)) depth -= levels;
        break;
      }
    }
  }
  if (saved > 0) dc.restoreDC(saved);
  return true;
}

}  // namespace platform
