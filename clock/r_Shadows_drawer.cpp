// Tdrawer: a metafile page in millimetres. The metafile canvas records in hundredths of a
// millimetre, so every conversion is a multiplication by 100, rounded halves to even, and the
// recorded coordinates are the logical units themselves.
#include "clock/r_Shadows.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "geometry/r_Geom.h"
#include "platform/numbers.h"

using namespace platform;

Tdrawer::Tdrawer(double acx, double acy, double width, double height)
    : pageHeightmm(height), pagewidthmm(width), cx(acx), cy(acy) {
  createLineman();
}

Tdrawer::~Tdrawer() { mc.reset(); }

void Tdrawer::start() {
  mc.reset();
  femf = std::make_unique<TMetafile>();
  // One logical unit is 0.01 mm: a reference of 100 units per millimetre.
  mc = std::make_unique<TMetafileCanvas>(*femf, Round32(pagewidthmm * 100), Round32(pageHeightmm * 100), 100.0);
  TCanvas& c = mc->canvas();
  c.Pen.Width = pv(0.2);
  c.Font.setName("Calibri");
  c.Font.setSize(pv(2.5));
}

void Tdrawer::finish() { mc.reset(); }

TCanvas& Tdrawer::getCanvas() {
  if (!mc) throw std::logic_error("Tdrawer: draw between start and finish");
  return mc->canvas();
}

int Tdrawer::pix(double mm) const { return Round32(mm * 100); }
int Tdrawer::pv(double mm) const { return Round32(scaled(mm) * 100); }
int Tdrawer::px(double mm) const { return Round32((scaled(mm) + cx) * 100); }
int Tdrawer::py(double mm) const { return Round32((pageHeightmm - (scaled(mm) + cy)) * 100); }

void Tdrawer::doPolygon(std::span<const TPoint> points) { getCanvas().Polygon(points); }

namespace {
using Kind = TMetafile::Record::Kind;
int unit(double v) { return int(std::clamp(std::nearbyint(v), -2e9, 2e9)); }
}  // namespace

TRect Tdrawer::drawnBounds() const {
  TRect all;
  if (!femf) return all;
  double halfPen = 0;
  TLogFont font;
  unsigned align = TA_LEFT | TA_TOP;
  double extra = 0;
  TFPoint at;
  std::optional<TRect> clip;
  std::vector<std::optional<TRect>> saved;
  auto add = [&](double l, double t, double r, double b) {
    TRect box{unit(std::floor(l)), unit(std::floor(t)), unit(std::ceil(r)) + 1, unit(std::ceil(b)) + 1};
    if (clip) box.intersect(*clip);
    all.unite(box);
  };
  auto addPoints = [&](const std::vector<TFPoint>& pts, double grow) {
    if (pts.empty()) return;
    double l = pts[0].x, t = pts[0].y, r = l, b = t;
    for (const TFPoint& p : pts) l = std::min(l, p.x), t = std::min(t, p.y), r = std::max(r, p.x), b = std::max(b, p.y);
    add(l - grow, t - grow, r + grow, b + grow);
  };
  for (const auto& rp : femf->records()) {
    const TMetafile::Record& r = *rp;
    switch (r.kind) {
      case Kind::Pen: halfPen = r.pen.style == PenStyle::Null ? 0 : std::max(1.0, r.size) / 2; break;
      case Kind::Font: font = r.font, font.height = unit(r.size); break;
      case Kind::TextAlign: align = r.value; break;
      case Kind::CharExtra: extra = r.size; break;
      case Kind::MoveTo: at = r.pts[0]; break;
      case Kind::LineTo:
        addPoints({at, r.pts[0]}, halfPen);
        at = r.pts[0];
        break;
      case Kind::Polyline: case Kind::Polygon: case Kind::PolyPolygon: case Kind::Rectangle: case Kind::Ellipse:
        addPoints(r.pts, halfPen);
        break;
      case Kind::FillRect: addPoints(r.pts, 0); break;
      case Kind::Text: {
        const auto cell = textCell(font, align, extra, r.pts[0], r.text);
        addPoints({cell.begin(), cell.end()}, 0);
        break;
      }
      case Kind::ClipRect: {
        const TRect c{unit(r.pts[0].x), unit(r.pts[0].y), unit(r.pts[1].x), unit(r.pts[1].y)};
        clip = clip ? clip->intersected(c) : c;
        break;
      }
      case Kind::SaveDC: saved.push_back(clip); break;
      case Kind::RestoreDC:
        if (r.value > 0 && r.value <= saved.size()) {
          clip = saved[saved.size() - r.value];
          saved.resize(saved.size() - r.value);
        }
        break;
      default: break;
    }
  }
  return all;
}

void Tdrawer::fitPage(double marginMm) {
  if (!femf || mc) return;
  TRect need{0, 0, pix(pagewidthmm), pix(pageHeightmm)};
  need.unite(drawnBounds());
  const int m = pix(marginMm);
  const int dx = m - need.Left, dy = m - need.Top;
  const int width = need.width() + 2 * m, height = need.height() + 2 * m;
  // The records again, moved by (dx, dy) onto the larger page.
  auto moved = std::make_unique<TMetafile>();
  {
    TMetafileRecorder rec(*moved, width, height, 100.0);
    auto pts = [&](const TMetafile::Record& r) {
      std::vector<TPoint> out;
      out.reserve(r.pts.size());
      for (const TFPoint& p : r.pts) out.push_back({unit(p.x) + dx, unit(p.y) + dy});
      return out;
    };
    for (const auto& rp : femf->records()) {
      const TMetafile::Record& r = *rp;
      switch (r.kind) {
        case Kind::Pen: rec.setPen(r.pen); break;
        case Kind::Brush: rec.setBrush(r.brush); break;
        case Kind::TextColor: rec.setTextColor(r.colour); break;
        case Kind::BkColor: rec.setBkColor(r.colour); break;
        case Kind::BkMode: rec.setBkMode(BkMode(r.value)); break;
        case Kind::TextAlign: rec.setTextAlign(r.value); break;
        case Kind::Font: rec.selectFont(r.font); break;
        case Kind::CharExtra: rec.setTextCharacterExtra(unit(r.size)); break;
        case Kind::MoveTo: rec.moveTo(pts(r)[0].X, pts(r)[0].Y); break;
        case Kind::LineTo: rec.lineTo(pts(r)[0].X, pts(r)[0].Y); break;
        case Kind::Polyline: rec.polyline(pts(r)); break;
        case Kind::Polygon: rec.polygon(pts(r)); break;
        case Kind::PolyPolygon: rec.polyPolygon(pts(r), r.counts); break;
        case Kind::Rectangle: { const auto p = pts(r); rec.rectangle(p[0].X, p[0].Y, p[1].X, p[1].Y); break; }
        case Kind::Ellipse: { const auto p = pts(r); rec.ellipse(p[0].X, p[0].Y, p[1].X, p[1].Y); break; }
        case Kind::FillRect: { const auto p = pts(r); rec.fillRect({p[0].X, p[0].Y, p[1].X, p[1].Y}, r.brush); break; }
        case Kind::Text: rec.textOut(pts(r)[0].X, pts(r)[0].Y, r.text); break;
        case Kind::ClipRect: { const auto p = pts(r); rec.intersectClipRect(p[0].X, p[0].Y, p[1].X, p[1].Y); break; }
        case Kind::SaveDC: rec.saveDC(); break;
        case Kind::RestoreDC: rec.restoreDC(int(r.value)); break;
      }
    }
  }
  const double oldHeight = pageHeightmm;
  femf = std::move(moved);
  pagewidthmm = width / 100.0;
  pageHeightmm = height / 100.0;
  cx += dx / 100.0;
  cy += pageHeightmm - oldHeight - dy / 100.0;
}
