// Lines and filled shapes of the device context. Cosmetic lines step along the major axis and leave
// out their last pixel; wide pens are stroked as bands, caps and joins into a coverage mask; closed
// curved shapes take the pixels whose centres lie inside, row by row, and their one-pixel outline
// is the shape's rim (inside pixels with a 4-neighbour outside).
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/gdi.h"
#include "platform/metafile.h"
#include "platform/gdi_raster.h"

namespace platform {

using detail::FPoint;
using detail::Mask;
using detail::Painter;

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// On-off lengths of the cosmetic styles, in pixels along the major axis.
std::vector<int> stylePattern(TPenDesc const& pen) {
  switch (pen.style) {
    case PenStyle::Dash: return {18, 6};
    case PenStyle::Dot: return {3, 3};
    case PenStyle::DashDot: return {9, 6, 3, 6};
    case PenStyle::DashDotDot: return {9, 3, 3, 3, 3, 3};
    case PenStyle::Alternate: return {1, 1};
    case PenStyle::UserStyle: {
      std::vector<int> p = pen.dashes;
      if (p.size() % 2) p.insert(p.end(), pen.dashes.begin(), pen.dashes.end());  // odd: repeat to pair
      return p;
    }
    default: return {};
  }
}

// Walks a style pattern pixel by pixel; the position carries over from segment to segment.
class Styler {
 public:
  explicit Styler(std::vector<int> pattern) : fpat(std::move(pattern)) {
    for (int d : fpat) fperiod += std::max(0, d);
    if (fperiod == 0) fpat.clear();
  }
  [[nodiscard]] bool solid() const { return fpat.empty(); }
  // Whether the pixel at the current position is ink, then one step on.
  bool next() {
    if (solid()) return true;
    int p = fpos;
    fpos = (fpos + 1) % fperiod;
    for (size_t i = 0; i < fpat.size(); ++i) {
      if (p < fpat[i]) return i % 2 == 0;
      p -= std::max(0, fpat[i]);
    }
    return false;
  }
  void skip(int64_t n) {
    if (!solid()) fpos = int((fpos + n % fperiod) % fperiod);
  }

 private:
  std::vector<int> fpat;
  int fperiod = 0;
  int fpos = 0;
};

// Gaps of a styled line show the background colour in opaque mode; the alternate pen sets every
// other pixel and leaves the rest as they are.
bool gapsShow(TDeviceContext const& dc) {
  return dc.bkMode() == BkMode::Opaque && dc.pen().style != PenStyle::Alternate;
}

bool isWide(TPenDesc const& pen) { return pen.type == PenType::Geometric && pen.width > 1; }
bool isNull(TPenDesc const& pen) { return pen.style == PenStyle::Null; }

// A one-pixel line in device coordinates from a to b, the last pixel left out.
void cosmeticLine(Painter& p, TPoint a, TPoint b, uint32_t ink, uint32_t gap, bool drawGaps,
                  Styler& st) {
  int64_t dx = int64_t(b.X) - a.X, dy = int64_t(b.Y) - a.Y;
  int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  bool xMajor = adx >= ady;
  int64_t n = xMajor ? adx : ady;
  if (n == 0) return;
  // Only the steps whose major coordinate can be visible are walked.
  TRect cb = p.clipBounds();
  int64_t lo = xMajor ? cb.Left : cb.Top, hi = xMajor ? cb.Right - 1 : cb.Bottom - 1;
  int64_t start = xMajor ? a.X : a.Y;
  int s = xMajor ? sx : sy;
  int64_t i0 = s > 0 ? lo - start : start - hi, i1 = s > 0 ? hi - start : start - lo;
  i0 = std::max<int64_t>(i0, 0);
  i1 = std::min<int64_t>(i1, n - 1);
  if (i0 > i1) return;
  st.skip(i0);
  int64_t minor = xMajor ? ady : adx;
  for (int64_t i = i0; i <= i1; ++i) {
    // The minor coordinate rounded to nearest, halves away from the start.
    int64_t m = int64_t((__int128(2) * i * minor + n) / (__int128(2) * n));
    int64_t x = xMajor ? a.X + sx * i : a.X + sx * m;
    int64_t y = xMajor ? a.Y + sy * m : a.Y + sy * i;
    bool on = st.next();
    if (on) p.plot(int(x), int(y), ink);
    else if (drawGaps) p.plot(int(x), int(y), gap);
  }
  st.skip(n - 1 - i1);
}

// Dashes of a geometric pen: the on-parts of the path, each an open sub-path. Only the parts of
// segments that cross `near` (the visible box grown by the pen) are walked dash by dash; the
// rest only moves the pattern on, so a path far longer than the surface costs no more.
std::vector<std::vector<FPoint>> dashPieces(std::span<FPoint const> path, std::vector<int> const& pat,
                                            TRect const& near) {
  std::vector<std::vector<FPoint>> out;
  double period = 0;
  for (int d : pat) period += std::max(0, d);
  if (period <= 0 || path.empty()) {
    out.emplace_back(path.begin(), path.end());
    return out;
  }
  size_t idx = 0;
  double left = std::max(0, pat[0]);
  bool on = true;
  std::vector<FPoint> cur;
  auto flush = [&]() {
    if (on && cur.size() > 1) out.push_back(cur);
    cur.clear();
  };
  auto nextDash = [&]() {
    idx = (idx + 1) % pat.size();
    left = std::max(0, pat[idx]);
    on = idx % 2 == 0;
  };
  // Moves the pattern on by a distance without drawing.
  auto skip = [&](double dist) {
    flush();
    dist = std::fmod(dist, period);
    while (dist > 0) {
      if (dist < left) { left -= dist; break; }
      dist -= left;
      nextDash();
    }
  };
  // Walks a stretch from a to b, t from t0 to t1 of the segment, drawing dashes.
  auto walk = [&](FPoint a, FPoint b, double len, double t0, double t1) {
    FPoint q0{a.x + (b.x - a.x) * t0, a.y + (b.y - a.y) * t0};
    if (on) cur = {q0};
    double done = t0 * len, end = t1 * len;
    while (done < end) {
      double step = std::min(left, end - done);
      done += step;
      left -= step;
      double t = done / len;
      FPoint q{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
      if (on) cur.push_back(q);
      if (left <= 0) {
        flush();
        nextDash();
        if (on) cur.push_back(q);
      }
    }
  };
  cur.push_back(path[0]);
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    FPoint a = path[i], b = path[i + 1];
    double len = std::hypot(b.x - a.x, b.y - a.y);
    if (len == 0) continue;
    // The part of the segment inside `near` (Liang-Barsky).
    double t0 = 0, t1 = 1;
    double dx = b.x - a.x, dy = b.y - a.y;
    double pq[4][2] = {{-dx, a.x - near.Left}, {dx, near.Right - a.x}, {-dy, a.y - near.Top}, {dy, near.Bottom - a.y}};
    bool inside = true;
    for (auto const& e : pq) {
      if (e[0] == 0) { if (e[1] < 0) inside = false; continue; }
      double r = e[1] / e[0];
      if (e[0] < 0) t0 = std::max(t0, r); else t1 = std::min(t1, r);
    }
    if (!inside || t0 >= t1) {
      skip(len);
      continue;
    }
    if (t0 > 0) skip(t0 * len);
    walk(a, b, len, t0, t1);
    if (t1 < 1) skip((1 - t1) * len);
  }
  flush();
  return out;
}

std::vector<int> geometricPattern(TPenDesc const& pen) {
  int w = std::max(1, pen.width);
  switch (pen.style) {
    case PenStyle::Dash: return {3 * w, w};
    case PenStyle::Dot: return {w, w};
    case PenStyle::DashDot: return {3 * w, w, w, w};
    case PenStyle::DashDotDot: return {3 * w, w, w, w, w, w};
    case PenStyle::UserStyle: return stylePattern(pen);
    default: return {};
  }
}

// A wide pen along a device path through pixel centres.
void wideStroke(Painter& p, TPenDesc const& pen, std::span<FPoint const> path, bool closed) {
  if (path.empty()) return;
  double half = pen.width / 2.0 + 1;
  TRect box{};
  for (auto const& q : path) {
    TRect r{int(std::floor(q.x - half)), int(std::floor(q.y - half)), int(std::ceil(q.x + half)) + 1,
            int(std::ceil(q.y + half)) + 1};
    box.unite(r);
  }
  box.intersect(p.clipBounds());
  if (box.isEmpty()) return;
  Mask m(box);
  std::vector<int> pat = geometricPattern(pen);
  if (pat.empty()) {
    detail::strokeWide(m, path, closed, pen);
  } else {
    std::vector<FPoint> full(path.begin(), path.end());
    if (closed && !full.empty()) full.push_back(full.front());
    TRect near{box.Left - 2 * pen.width, box.Top - 2 * pen.width, box.Right + 2 * pen.width, box.Bottom + 2 * pen.width};
    for (auto const& piece : dashPieces(full, pat, near)) detail::strokeWide(m, piece, false, pen);
  }
  uint32_t ink = p.value(pen.color);
  m.runs([&](int y, int a, int b) { p.span(y, a, b, ink); });
}

FPoint centreOf(TPoint d) { return {d.X + 0.5, d.Y + 0.5}; }

// A box shape with elliptic corners of radii rw, rh (0: square corners; half the box: an ellipse).
struct RoundBox {
  double l, t, r, b, rw, rh;
  // Pixels of row y inside the shape: centres within the box (right and bottom edges open) and
  // within the corner ellipses. [first, second); empty when first >= second.
  [[nodiscard]] std::pair<int, int> rowSpan(int y) const {
    double Y = y + 0.5;
    if (Y < t || Y >= b) return {0, 0};
    double lo = l, hi = r;
    if (rw > 0 && rh > 0) {
      double cx = (l + r) / 2, cy = (t + b) / 2;
      double ey = std::max(0.0, std::abs(Y - cy) - ((b - t) / 2 - rh));
      double q = 1 - (ey / rh) * (ey / rh);
      if (q < 0) return {0, 0};
      double d = ((r - l) / 2 - rw) + rw * std::sqrt(q);
      lo = std::max(l, cx - d);
      hi = std::min(r, cx + d);
      // Centres in [lo, hi], the right box edge itself left out.
      int a = int(std::ceil(lo - 0.5)), z = int(std::floor(hi - 0.5)) + 1;
      if (double(z) - 0.5 >= r) z = int(std::ceil(r - 0.5));
      return {a, z};
    }
    return {int(std::ceil(lo - 0.5)), int(std::ceil(hi - 0.5))};
  }
  // The outline's path through the centres of the rim pixels, clockwise from the top left.
  [[nodiscard]] std::vector<FPoint> rimPath() const {
    double L = l + 0.5, T = t + 0.5, R = r - 0.5, B = b - 0.5;
    double ax = std::max(0.0, std::min(rw - 0.5, (R - L) / 2)), ay = std::max(0.0, std::min(rh - 0.5, (B - T) / 2));
    std::vector<FPoint> out;
    if (ax <= 0 || ay <= 0) return {{L, T}, {R, T}, {R, B}, {L, B}};
    int steps = std::clamp(int(std::ceil((ax + ay) * 0.8)), 4, 2048);
    auto corner = [&](double cx, double cy, double from) {
      for (int i = 0; i <= steps; ++i) {
        double a = from + (std::numbers::pi / 2) * i / steps;
        out.push_back({cx + ax * std::cos(a), cy + ay * std::sin(a)});
      }
    };
    corner(L + ax, T + ay, std::numbers::pi);
    corner(R - ax, T + ay, 1.5 * std::numbers::pi);
    corner(R - ax, B - ay, 0);
    corner(L + ax, B - ay, 0.5 * std::numbers::pi);
    return out;
  }
};

// Row spans of a shape, worked out row by row as asked (a shape may be far taller than the
// surface, so nothing is laid out in advance).
class RowSpans {
 public:
  explicit RowSpans(RoundBox const& rb) : frb(rb) {}
  [[nodiscard]] std::pair<int, int> at(int y) const { return frb.rowSpan(y); }
  [[nodiscard]] bool in(int x, int y) const {
    auto [a, b] = at(y);
    return x >= a && x < b;
  }
  // Inside, with a 4-neighbour outside.
  [[nodiscard]] bool rim(int x, int y) const {
    return in(x, y) && (!in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1));
  }
  // The run of row y whose pixels are not on the rim: [first, second).
  [[nodiscard]] std::pair<int, int> interior(int y) const {
    auto [a, b] = at(y);
    auto [ua, ub] = at(y - 1);
    auto [da, db] = at(y + 1);
    return {std::max({a + 1, ua, da}), std::min({b - 1, ub, db})};
  }

 private:
  RoundBox frb;
};

// Angle of a point about the centre, counter-clockwise as seen on the screen, in [0, 2π).
double screenAngle(double dx, double dy) {
  double a = std::atan2(-dy, dx);
  return a < 0 ? a + kTwoPi : a;
}

struct ArcSpan {
  double from = 0, sweep = kTwoPi;  // counter-clockwise from `from`
  [[nodiscard]] bool contains(double a) const {
    double d = a - from;
    while (d < 0) d += kTwoPi;
    while (d >= kTwoPi) d -= kTwoPi;
    return d <= sweep + 1e-12;
  }
};

// The three shapes cut from an ellipse by two rays.
enum class ArcKind { Arc, Pie, Chord };

}  // namespace

// ---- lines ---------------------------------------------------------------------------------------

namespace {
// Figures of logical points into the path being recorded.
void recordFigure(TDeviceContext& dc, std::span<TPoint const> pts, bool closed) {
  std::vector<FPoint> f;
  for (auto q : pts) f.push_back(dc.toDeviceF(q.X, q.Y));
  dc.pathAddFigure(f, closed);
}

void drawPolyline(TDeviceContext& dc, std::span<TPoint const> pts, bool closed) {
  if (dc.pathOpen()) {
    if (pts.size() >= 2) recordFigure(dc, pts, closed);
    return;
  }
  if (TMetafileRecorder* rec = dc.recorder()) {
    if (pts.size() < 2) return;
    rec->syncState(dc);
    std::vector<TPoint> d;
    for (auto q : pts) d.push_back(dc.toDevice(q));
    if (closed) d.push_back(d.front());
    rec->polyline(d);
    return;
  }
  TPenDesc const& pen = dc.pen();
  if (isNull(pen) || pts.size() < 2) return;
  Painter p(dc);
  if (!p.ready()) return;
  if (isWide(pen)) {
    std::vector<FPoint> path;
    for (auto q : pts) path.push_back(centreOf(dc.toDevice(q)));
    wideStroke(p, pen, path, closed);
    return;
  }
  Styler st(stylePattern(pen));
  uint32_t ink = p.value(pen.color), gap = p.value(dc.bkColor());
  bool gaps = gapsShow(dc);
  size_t n = pts.size();
  for (size_t i = 0; i + 1 < n + (closed ? 1 : 0); ++i)
    cosmeticLine(p, dc.toDevice(pts[i]), dc.toDevice(pts[(i + 1) % n]), ink, gap, gaps, st);
}
}  // namespace

void TDeviceContext::lineTo(int x, int y) {
  if (pathOpen()) {
    if (fpath.empty() || fpath.back().closed) pathMoveTo(toDeviceF(fstate.current.X, fstate.current.Y));
    pathLineTo(toDeviceF(x, y));
    fstate.current = {x, y};
    return;
  }
  TPoint pts[2] = {fstate.current, {x, y}};
  drawPolyline(*this, pts, false);
  fstate.current = {x, y};
}

void TDeviceContext::polyline(std::span<TPoint const> pts) { drawPolyline(*this, pts, false); }

void TDeviceContext::polylineTo(std::span<TPoint const> pts) {
  if (pts.empty()) return;
  std::vector<TPoint> all{fstate.current};
  all.insert(all.end(), pts.begin(), pts.end());
  drawPolyline(*this, all, false);
  fstate.current = pts.back();
}

// ---- polygons ------------------------------------------------------------------------------------

void TDeviceContext::polyPolygon(std::span<TPoint const> pts, std::span<int const> counts) {
  if (pathOpen()) {
    size_t at = 0;
    for (int c : counts) {
      if (c < 0 || at + size_t(c) > pts.size()) break;
      if (c >= 2) recordFigure(*this, pts.subspan(at, size_t(c)), true);
      at += size_t(c);
    }
    return;
  }
  if (frecorder) {
    frecorder->syncState(*this);
    std::vector<TPoint> d;
    for (auto q : pts) d.push_back(toDevice(q));
    frecorder->polyPolygon(d, counts);
    return;
  }
  Painter p(*this);
  if (!p.ready()) return;
  std::vector<std::vector<FPoint>> rings;
  size_t at = 0;
  for (int c : counts) {
    if (c < 0 || at + size_t(c) > pts.size()) break;  // counts beyond the points are ignored
    std::vector<FPoint> ring;
    for (int i = 0; i < c; ++i) {
      TPoint d = toDevice(pts[at + size_t(i)]);
      ring.push_back({double(d.X), double(d.Y)});
    }
    at += size_t(c);
    if (c >= 2) rings.push_back(std::move(ring));
  }
  TRect cb = p.clipBounds();
  TBrushDesc const& br = fstate.brush;
  if (br.style != BrushStyle::Clear)
    detail::scanPolygon(rings, fstate.fillMode, cb.Top, cb.Bottom,
                        [&](int y, int a, int b) { p.brushSpan(y, a, b, br); });
  at = 0;
  for (int c : counts) {
    if (c < 0 || at + size_t(c) > pts.size()) break;
    drawPolyline(*this, pts.subspan(at, size_t(c)), true);
    at += size_t(c);
  }
}

void TDeviceContext::polygon(std::span<TPoint const> pts) {
  int n = int(pts.size());
  polyPolygon(pts, std::span<int const>(&n, 1));
}

// ---- box shapes ----------------------------------------------------------------------------------

namespace {
struct Box {
  int l, t, r, b;
};

// Shapes live in a 28-bit device space, as the platform's own did: sizes never overflow.
constexpr int kCoordLimit = 1 << 27;
int limited(int v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

Box normalBox(TDeviceContext const& dc, int l, int t, int r, int b) {
  TPoint a = dc.toDevice({l, t}), z = dc.toDevice({r, b});
  TRect n = TRect{limited(a.X), limited(a.Y), limited(z.X), limited(z.Y)}.normalized();
  return {n.Left, n.Top, n.Right, n.Bottom};
}

// Brush inside, pen round the rim, for a shape given by its row spans. `keep` (optional) cuts the
// filled part further (pie sector, chord side); `onRim` (optional) limits the one-pixel rim to the
// swept part; `rim` is the outline as a path through rim pixel centres for wide pens;
// `extraLines` are straight outline parts (pie radii, chord) drawn as lines.
void paintClosed(TDeviceContext& dc, Box bx, RowSpans const& shape, std::function<bool(int, int)> const& keep,
                 std::function<bool(int, int)> const& onRim, std::vector<FPoint> const& rim,
                 bool rimClosed, std::vector<std::pair<TPoint, TPoint>> const& extraLines,
                 FPoint centre, double startAngle) {
  Painter p(dc);
  if (!p.ready()) return;
  TPenDesc const& pen = dc.pen();
  TBrushDesc const& br = dc.brush();
  TRect area = TRect{bx.l, bx.t, bx.r, bx.b}.intersected(p.clipBounds());
  bool solidRim = !isNull(pen) && !isWide(pen) && stylePattern(pen).empty();
  bool penRim = !isNull(pen);
  auto rimPixel = [&](int x, int y) { return shape.rim(x, y) && (!onRim || onRim(x, y)); };
  // Calls f(x) for the rim pixels of row y inside the area (the span less its interior run).
  auto forRim = [&](int y, auto const& f) {
    auto [a, b] = shape.at(y);
    auto [ia, ib] = shape.interior(y);
    a = std::max(a, area.Left);
    b = std::min(b, area.Right);
    if (ia >= ib) ia = ib = b;
    for (int x = a; x < std::min(ia, b); ++x)
      if (!onRim || onRim(x, y)) f(x);
    for (int x = std::max(ib, a); x < b; ++x)
      if (!onRim || onRim(x, y)) f(x);
  };
  for (int y = area.Top; y < area.Bottom && br.style != BrushStyle::Clear; ++y) {
    auto [a, b] = shape.at(y);
    a = std::max(a, area.Left);
    b = std::min(b, area.Right);
    if (a >= b) continue;
    if (!keep && !onRim) {
      if (penRim) std::tie(a, b) = std::pair{std::max(a, shape.interior(y).first), std::min(b, shape.interior(y).second)};
      if (a < b) p.brushSpan(y, a, b, br);
      continue;
    }
    int runStart = -1;
    for (int x = a; x <= b; ++x) {
      bool fill = x < b && (!keep || keep(x, y)) && !(penRim && rimPixel(x, y));
      if (fill && runStart < 0) runStart = x;
      if (!fill && runStart >= 0) {
        p.brushSpan(y, runStart, x, br);
        runStart = -1;
      }
    }
  }
  if (isNull(pen)) return;
  if (solidRim) {
    uint32_t ink = p.value(pen.color);
    for (int y = area.Top; y < area.Bottom; ++y) forRim(y, [&](int x) { p.plot(x, y, ink); });
    Styler st({});
    for (auto const& [a, b] : extraLines) {
      cosmeticLine(p, a, b, ink, ink, false, st);
      p.plot(b.X, b.Y, ink);
    }
    return;
  }
  if (isWide(pen)) {
    if (!rim.empty()) wideStroke(p, pen, rim, rimClosed);
    for (auto const& [a, b] : extraLines) {
      FPoint seg[2] = {centreOf(a), centreOf(b)};
      wideStroke(p, pen, seg, false);
    }
    return;
  }
  // Styled one-pixel pens: the rim pixels in order round the centre, counter-clockwise from the
  // start angle, so that the pattern runs along the outline.
  Styler st(stylePattern(pen));
  uint32_t ink = p.value(pen.color), gap = p.value(dc.bkColor());
  bool gaps = gapsShow(dc);
  std::vector<std::pair<double, TPoint>> order;
  for (int y = area.Top; y < area.Bottom; ++y)
    forRim(y, [&](int x) {
      double a = screenAngle(x + 0.5 - centre.x, y + 0.5 - centre.y) - startAngle;
      if (a < 0) a += kTwoPi;
      order.push_back({a, TPoint{x, y}});
    });
  std::sort(order.begin(), order.end(), [](auto const& a, auto const& b) { return a.first < b.first; });
  for (auto const& [a, q] : order) {
    if (st.next()) p.plot(q.X, q.Y, ink);
    else if (gaps) p.plot(q.X, q.Y, gap);
  }
  for (auto const& [a, b] : extraLines) cosmeticLine(p, a, b, ink, gap, gaps, st);
}

// Null pens leave the right and bottom rim out: the filled area is one pixel smaller.
Box fillBox(TDeviceContext const& dc, Box b) {
  if (isNull(dc.pen())) return {b.l, b.t, b.r - 1, b.b - 1};
  return b;
}


RoundBox roundBoxOf(Box b, double rw, double rh) { return {double(b.l), double(b.t), double(b.r), double(b.b), rw, rh}; }

// Inset for pens drawn inside the frame: the outer edge of a wide pen meets the box.
Box frameBox(TDeviceContext const& dc, Box b) {
  TPenDesc const& pen = dc.pen();
  if (pen.style != PenStyle::InsideFrame || !isWide(pen)) return b;
  int in = pen.width / 2;
  return {b.l + in, b.t + in, b.r - in, b.b - in};
}
}  // namespace

void TDeviceContext::rectangle(int l, int t, int r, int b) {
  if (frecorder && !pathOpen() && transformIsShift()) {
    frecorder->syncState(*this);
    TPoint a = toDevice({l, t}), z = toDevice({r, b});
    frecorder->rectangle(a.X, a.Y, z.X, z.Y);
    return;
  }
  if (pathOpen() || !transformIsShift()) {
    // A turned or scaled box is a polygon; in a path the box's corners make the figure.
    TPoint c[4] = {{l, t}, {r, t}, {r, b}, {l, b}};
    polygon(c);
    return;
  }
  Box bx = normalBox(*this, l, t, r, b);
  Painter p(*this);
  if (!p.ready()) return;
  TBrushDesc const& br = fstate.brush;
  TPenDesc const& pen = fstate.pen;
  if (isNull(pen)) {
    TRect f = TRect{bx.l, bx.t, bx.r - 1, bx.b - 1}.intersected(p.clipBounds());
    for (int y = f.Top; y < f.Bottom; ++y) p.brushSpan(y, f.Left, f.Right, br);
    return;
  }
  Box fb = frameBox(*this, bx);
  TRect inner = TRect{fb.l + 1, fb.t + 1, fb.r - 1, fb.b - 1}.intersected(p.clipBounds());
  for (int y = inner.Top; y < inner.Bottom; ++y) p.brushSpan(y, inner.Left, inner.Right, br);
  if (bx.r - bx.l < 1 || bx.b - bx.t < 1) return;
  if (isWide(pen)) {
    double in = pen.style == PenStyle::InsideFrame ? pen.width / 2.0 : 0.5;
    std::vector<FPoint> path{{bx.l + in, bx.t + in}, {bx.r - in, bx.t + in}, {bx.r - in, bx.b - in}, {bx.l + in, bx.b - in}};
    wideStroke(p, pen, path, true);
    return;
  }
  Styler st(stylePattern(pen));
  uint32_t ink = p.value(pen.color), gap = p.value(fstate.bkColor);
  bool gaps = gapsShow(*this);
  int R = bx.r - 1, B = bx.b - 1;
  if (R == bx.l || B == bx.t) {  // one pixel wide or high: a single line of the box
    cosmeticLine(p, {bx.l, bx.t}, {R + (R == bx.l ? 0 : 1), B + (R == bx.l ? 1 : 0)}, ink, gap, gaps, st);
    return;
  }
  TPoint c[4] = {{bx.l, bx.t}, {R, bx.t}, {R, B}, {bx.l, B}};
  for (int i = 0; i < 4; ++i) cosmeticLine(p, c[i], c[(i + 1) % 4], ink, gap, gaps, st);
}

void TDeviceContext::roundRect(int l, int t, int r, int b, int cw, int ch) {
  if (pathOpen() || !transformIsShift() || frecorder) {
    TRect n = TRect{l, t, r, b}.normalized();
    double rw = std::min(std::abs(cw) / 2.0, n.width() / 2.0), rh = std::min(std::abs(ch) / 2.0, n.height() / 2.0);
    std::vector<TPoint> pts;
    int steps = std::clamp(int(std::ceil((rw + rh) * 0.6)), 2, 180);
    auto corner = [&](double cx, double cy, double from) {
      for (int i = 0; i <= steps; ++i) {
        double a = from + (std::numbers::pi / 2) * i / steps;
        pts.push_back({int(std::nearbyint(cx + rw * std::cos(a))), int(std::nearbyint(cy + rh * std::sin(a)))});
      }
    };
    corner(n.Left + rw, n.Top + rh, std::numbers::pi);
    corner(n.Right - rw, n.Top + rh, 1.5 * std::numbers::pi);
    corner(n.Right - rw, n.Bottom - rh, 0);
    corner(n.Left + rw, n.Bottom - rh, 0.5 * std::numbers::pi);
    polygon(pts);
    return;
  }
  Box bx = fillBox(*this, normalBox(*this, l, t, r, b));
  bx = frameBox(*this, bx);
  double rw = std::min(std::abs(cw) / 2.0, (bx.r - bx.l) / 2.0);
  double rh = std::min(std::abs(ch) / 2.0, (bx.b - bx.t) / 2.0);
  RoundBox rb = roundBoxOf(bx, rw, rh);
  RowSpans spans(rb);
  paintClosed(*this, bx, spans, {}, {}, rb.rimPath(), true, {}, {(bx.l + bx.r) / 2.0, (bx.t + bx.b) / 2.0}, 0);
}

void TDeviceContext::ellipse(int l, int t, int r, int b) {
  if (frecorder && !pathOpen() && transformIsShift()) {
    frecorder->syncState(*this);
    TPoint a = toDevice({l, t}), z = toDevice({r, b});
    frecorder->ellipse(a.X, a.Y, z.X, z.Y);
    return;
  }
  if (pathOpen() || !transformIsShift()) {
    double cx = (l + r) / 2.0, cy = (t + b) / 2.0, rx = std::abs(r - l) / 2.0, ry = std::abs(b - t) / 2.0;
    int n = std::clamp(int(std::ceil((rx + ry) * 0.8)), 16, 720);
    std::vector<TPoint> pts;
    for (int i = 0; i < n; ++i) {
      double a = kTwoPi * i / n;
      pts.push_back({int(std::nearbyint(cx + rx * std::cos(a))), int(std::nearbyint(cy + ry * std::sin(a)))});
    }
    polygon(pts);
    return;
  }
  Box bx = frameBox(*this, fillBox(*this, normalBox(*this, l, t, r, b)));
  RoundBox rb = roundBoxOf(bx, (bx.r - bx.l) / 2.0, (bx.b - bx.t) / 2.0);
  RowSpans spans(rb);
  paintClosed(*this, bx, spans, {}, {}, rb.rimPath(), true, {}, {(bx.l + bx.r) / 2.0, (bx.t + bx.b) / 2.0}, 0);
}

namespace {
// Arc, pie and chord share the ellipse and the two rays.
void arcShape(TDeviceContext& dc, ArcKind kind, int l, int t, int r, int b, int x1, int y1, int x2,
              int y2) {
  Box bx = normalBox(dc, l, t, r, b);
  // An arc has no fill, so a null pen makes it nothing rather than smaller.
  bx = frameBox(dc, kind == ArcKind::Arc ? bx : fillBox(dc, bx));
  RoundBox rb = roundBoxOf(bx, (bx.r - bx.l) / 2.0, (bx.b - bx.t) / 2.0);
  double cx = (bx.l + bx.r) / 2.0, cy = (bx.t + bx.b) / 2.0;
  TPoint s = dc.toDevice({x1, y1}), e = dc.toDevice({x2, y2});
  double a1 = screenAngle(s.X - cx, s.Y - cy), a2 = screenAngle(e.X - cx, e.Y - cy);
  if (dc.arcDirection() == ArcDirection::Clockwise) std::swap(a1, a2);
  ArcSpan span{a1, a2 - a1};
  if (span.sweep < 0) span.sweep += kTwoPi;
  if (span.sweep == 0 && s == e) span.sweep = kTwoPi;  // the same ray both ways: the whole ellipse
  // Where a ray meets the rim (through pixel centres).
  double ax = std::max(0.0, (bx.r - bx.l) / 2.0 - 0.5), ay = std::max(0.0, (bx.b - bx.t) / 2.0 - 0.5);
  auto rimPoint = [&](double a) {
    // The ray at screen angle a meets the ellipse x²/ax² + y²/ay² = 1.
    double c = std::cos(a), sn = -std::sin(a);
    double k = (ax > 0 && ay > 0) ? 1.0 / std::sqrt((c * c) / (ax * ax) + (sn * sn) / (ay * ay)) : 0;
    return FPoint{cx + k * c, cy + k * sn};
  };
  // Rim points land on pixel edges where the box is even; a hair of slack keeps cos(π) on the edge.
  auto pix = [](FPoint q) { return TPoint{int(std::floor(q.x + 1e-9)), int(std::floor(q.y + 1e-9))}; };
  FPoint p1 = rimPoint(span.from), p2 = rimPoint(span.from + span.sweep);
  auto angleOf = [&](int x, int y) { return screenAngle(x + 0.5 - cx, y + 0.5 - cy); };
  // The rim path along the arc, for wide and styled pens.
  std::vector<FPoint> rim;
  int steps = std::clamp(int(std::ceil((ax + ay) * span.sweep * 0.6)), 8, 8192);
  for (int i = 0; i <= steps; ++i) {
    double a = span.from + span.sweep * i / steps;
    FPoint q = rimPoint(a);
    rim.push_back({q.x, q.y});
  }
  // The centre pixel: the one holding the box's centre point (right and down on a pixel edge,
  // as the rim points are).
  TPoint centre = pix({cx, cy});
  RowSpans spans(rb);
  auto onArc = [&](int x, int y) { return span.contains(angleOf(x, y)); };
  std::vector<std::pair<TPoint, TPoint>> lines;
  if (kind == ArcKind::Arc) {
    // The open arc: rim pixels within the sweep, no fill.
    TBrushDesc keep = dc.setBrush(clearBrush());
    paintClosed(dc, bx, spans, {}, onArc, rim, false, {}, {cx, cy}, span.from);
    dc.setBrush(keep);
    return;
  }
  if (kind == ArcKind::Pie) {
    bool full = span.sweep >= kTwoPi;

    if (!full) lines = {{centre, pix(p1)}, {centre, pix(p2)}};
    std::function<bool(int, int)> part;
    if (!full) part = onArc;
    paintClosed(dc, bx, spans, part, part, rim, full, lines, {cx, cy}, span.from);
    return;
  }
  // Chord: the part of the ellipse on the arc's side of the line p1-p2.
  double nx = p2.x - p1.x, ny = p2.y - p1.y;
  FPoint mid = rimPoint(span.from + span.sweep / 2);
  double sideMid = nx * (mid.y - p1.y) - ny * (mid.x - p1.x);
  auto beyond = [&](int x, int y) {
    double s2 = nx * (y + 0.5 - p1.y) - ny * (x + 0.5 - p1.x);
    return sideMid >= 0 ? s2 >= 0 : s2 <= 0;
  };
  bool full = span.sweep >= kTwoPi;
  std::function<bool(int, int)> side, arcPart;
  if (!full) {
    side = beyond;
    arcPart = onArc;
  }
  if (!full) lines = {{pix(p1), pix(p2)}};
  paintClosed(dc, bx, spans, side, arcPart, rim, full, lines, {cx, cy}, span.from);
}
}  // namespace

namespace {
// Points of an elliptic arc in logical coordinates, for turned frames and paths: from the ray
// through (x1, y1) to the ray through (x2, y2), counter-clockwise on the screen unless the
// context draws arcs clockwise.
std::vector<TPoint> arcPoints(TDeviceContext const& dc, int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  double cx = (l + r) / 2.0, cy = (t + b) / 2.0, rx = std::abs(r - l) / 2.0, ry = std::abs(b - t) / 2.0;
  double a1 = screenAngle(x1 - cx, y1 - cy), a2 = screenAngle(x2 - cx, y2 - cy);
  double sweep = a2 - a1;
  bool cw = dc.arcDirection() == ArcDirection::Clockwise;
  if (cw) sweep = -sweep;
  if (sweep <= 0) sweep += kTwoPi;
  int n = std::clamp(int(std::ceil((rx + ry) * sweep * 0.4)), 8, 720);
  std::vector<TPoint> pts;
  for (int i = 0; i <= n; ++i) {
    double a = a1 + (cw ? -sweep : sweep) * i / n;
    pts.push_back({int(std::nearbyint(cx + rx * std::cos(a))), int(std::nearbyint(cy - ry * std::sin(a)))});
  }
  return pts;
}

// A metafile being recorded takes curves as the polygons they become in a path.
bool asPolygons(TDeviceContext const& dc) { return dc.pathOpen() || !dc.transformIsShift() || dc.recorder(); }
}  // namespace

void TDeviceContext::arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  if (asPolygons(*this)) {
    polyline(arcPoints(*this, l, t, r, b, x1, y1, x2, y2));
    return;
  }
  arcShape(*this, ArcKind::Arc, l, t, r, b, x1, y1, x2, y2);
}
void TDeviceContext::pie(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  if (asPolygons(*this)) {
    std::vector<TPoint> pts = arcPoints(*this, l, t, r, b, x1, y1, x2, y2);
    pts.push_back({(l + r) / 2, (t + b) / 2});
    polygon(pts);
    return;
  }
  arcShape(*this, ArcKind::Pie, l, t, r, b, x1, y1, x2, y2);
}
void TDeviceContext::chord(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  if (asPolygons(*this)) {
    polygon(arcPoints(*this, l, t, r, b, x1, y1, x2, y2));
    return;
  }
  arcShape(*this, ArcKind::Chord, l, t, r, b, x1, y1, x2, y2);
}

// ---- paths ---------------------------------------------------------------------------------------

namespace {
void strokeFigures(TDeviceContext& dc, std::vector<TDeviceContext::Figure> const& figs) {
  TPenDesc const& pen = dc.pen();
  if (isNull(pen)) return;
  Painter p(dc);
  if (!p.ready()) return;
  if (isWide(pen)) {
    // Path points are pixel corners; the stroker works through pixel centres.
    for (auto const& f : figs) {
      std::vector<FPoint> path;
      for (auto const& q : f.pts) path.push_back({q.x + 0.5, q.y + 0.5});
      wideStroke(p, pen, path, f.closed);
    }
    return;
  }
  Styler st(stylePattern(pen));
  uint32_t ink = p.value(pen.color), gap = p.value(dc.bkColor());
  bool gaps = dc.bkMode() == BkMode::Opaque;
  auto pix = [](FPoint q) {
    return TPoint{int(std::clamp(std::nearbyint(q.x), -1e9, 1e9)), int(std::clamp(std::nearbyint(q.y), -1e9, 1e9))};
  };
  for (auto const& f : figs) {
    size_t n = f.pts.size();
    if (n < 2) continue;
    for (size_t i = 0; i + 1 < n + (f.closed ? 1 : 0); ++i)
      cosmeticLine(p, pix(f.pts[i]), pix(f.pts[(i + 1) % n]), ink, gap, gaps, st);
  }
}

void fillFigures(TDeviceContext& dc, std::vector<TDeviceContext::Figure> const& figs) {
  Painter p(dc);
  if (!p.ready()) return;
  std::vector<std::vector<FPoint>> rings;
  for (auto const& f : figs)
    if (f.pts.size() >= 3) rings.push_back(f.pts);
  TRect cb = p.clipBounds();
  TBrushDesc const& br = dc.brush();
  if (br.style == BrushStyle::Clear) return;
  p.setRop(Rop2::CopyPen);
  detail::scanPolygon(rings, dc.polyFillMode(), cb.Top, cb.Bottom, [&](int y, int a, int b) { p.brushSpan(y, a, b, br); });
}
}  // namespace

bool TDeviceContext::strokePath() {
  if (!hasPath()) return false;
  strokeFigures(*this, takePath());
  return true;
}

bool TDeviceContext::fillPath() {
  if (!hasPath()) return false;
  fillFigures(*this, takePath());
  return true;
}

bool TDeviceContext::strokeAndFillPath() {
  if (!hasPath()) return false;
  auto figs = takePath();
  fillFigures(*this, figs);
  strokeFigures(*this, figs);
  return true;
}

// ---- fills ---------------------------------------------------------------------------------------

void TDeviceContext::fillRect(TRect const& r, TBrushDesc const& br) {
  if (frecorder) {
    TPoint a = toDevice({r.Left, r.Top}), z = toDevice({r.Right, r.Bottom});
    frecorder->fillRect({a.X, a.Y, z.X, z.Y}, br);
    return;
  }
  Painter p(*this);
  if (!p.ready()) return;
  p.setRop(Rop2::CopyPen);
  TPoint a = toDevice({r.Left, r.Top}), z = toDevice({r.Right, r.Bottom});
  TRect d = TRect{a.X, a.Y, z.X, z.Y}.intersected(p.clipBounds());
  for (int y = d.Top; y < d.Bottom; ++y) p.brushSpan(y, d.Left, d.Right, br);
}

void TDeviceContext::frameRect(TRect const& r, TBrushDesc const& br) {
  if (r.isEmpty()) return;
  fillRect({r.Left, r.Top, r.Right, r.Top + 1}, br);
  fillRect({r.Left, r.Bottom - 1, r.Right, r.Bottom}, br);
  fillRect({r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1}, br);
  fillRect({r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}, br);
}

void TDeviceContext::invertRect(TRect const& r) {
  Painter p(*this);
  if (!p.ready()) return;
  p.setRop(Rop2::Not);
  TPoint a = toDevice({r.Left, r.Top}), z = toDevice({r.Right, r.Bottom});
  TRect d = TRect{a.X, a.Y, z.X, z.Y}.intersected(p.clipBounds());
  for (int y = d.Top; y < d.Bottom; ++y) p.span(y, d.Left, d.Right, 0);
}

}  // namespace platform
