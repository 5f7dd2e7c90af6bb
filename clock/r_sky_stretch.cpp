// Tstretch: one affine triangle copy per piece. The source triangle's bounding box is mapped
// through the images of its centroid and of the box's sides (found from the medians) onto a
// parallelogram, blitted with the target triangle as the clip.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "clock/r_sky.h"
#include "clock/r_sky_lines.h"
#include "platform/numbers.h"

using namespace platform;

namespace {
int least(int a, int b, int c) { return std::min({a, b, c}); }
int greatest(int a, int b, int c) { return std::max({a, b, c}); }
int rnd(double v) {
  if (!std::isfinite(v)) return v > 0 ? INT32_MAX : INT32_MIN;
  return static_cast<int>(std::clamp(std::nearbyint(v), double(INT32_MIN), double(INT32_MAX)));
}

struct Tpt {
  double x = 0, y = 0;
};

// The crossing of the median from a to the middle of b, c with the one from b to the middle of
// a, c; false when they do not cross (a degenerate triangle).
bool centroid(const Tpt& a, const Tpt& b, const Tpt& c, Tpt& g) {
  return skylines::linesCross(a.x, a.y, (b.x + c.x) / 2, (b.y + c.y) / 2, b.x, b.y, (a.x + c.x) / 2,
                              (a.y + c.y) / 2, g.x, g.y);
}
}  // namespace

Tstretch::Tstretch() : temp(std::make_unique<TBitmap>()), b(std::make_unique<Tblend>()) {
  temp->SetPixelFormat(pf24bit);
}

Tstretch::~Tstretch() = default;

void Tstretch::triD(TCanvas& source, TCanvas& target, double sx1, double sy1, double sx2, double sy2, double sx3,
                    double sy3, double tx1, double ty1, double tx2, double ty2, double tx3, double ty3) {
  tri(source, target, rnd(sx1), rnd(sy1), rnd(sx2), rnd(sy2), rnd(sx3), rnd(sy3), rnd(tx1), rnd(ty1), rnd(tx2),
      rnd(ty2), rnd(tx3), rnd(ty3));
}

void Tstretch::tri(TCanvas& source, TCanvas& target, int sx1, int sy1, int sx2, int sy2, int sx3, int sy3, int tx1,
                   int ty1, int tx2, int ty2, int tx3, int ty3) {
  // Edge adjustment: the top and left vertices move out one pixel, so neighbouring pieces meet.
  // Worked in 64 bits: the projection's far sentinels sit at the ends of the integer range.
  int64_t t[6] = {tx1, ty1, tx2, ty2, tx3, ty3};
  int64_t y0 = std::min({t[1], t[3], t[5]});
  for (int k = 1; k < 6; k += 2)
    if (t[k] == y0) --t[k];
  --y0;
  int64_t x0 = std::min({t[0], t[2], t[4]});
  for (int k = 0; k < 6; k += 2)
    if (t[k] == x0) --t[k];
  --x0;
  const int64_t w = std::max({t[0], t[2], t[4]}) - x0, h = std::max({t[1], t[3], t[5]}) - y0;
  // A box far outside the target (more than the target's size beyond an edge) is not drawn:
  // points at the camera project to the integer range's ends and would be cut into millions.
  if (TDeviceContext* dc = target.Handle(); dc && dc->surface()) {
    const int64_t W = dc->surface()->width(), H = dc->surface()->height();
    if (x0 < -W || y0 < -H || x0 + w > 2 * W || y0 + h > 2 * H) return;
  }
  xi = int(x0);
  yi = int(y0);
  wi = int(w);
  hi = int(h);
  if (box && (box->Right < xi || box->Bottom < yi || xi + wi < box->Left || yi + hi < box->Top)) return;

  if (steps != 1 && (wi > 500 || hi > 500)) {
    steps = std::max(wi, hi) / 300 + 1;
    const int n = steps;
    const int s[6] = {sx1, sy1, sx2, sy2, sx3, sy3};
    const int64_t* c = t;
    // P(i, j) = c1 + (c2 - c1) i / n + (c3 - c2) j / n, for a coordinate k (0: x, 1: y).
    auto P = [n](auto const* v, int i, int j, int k) {
      return rnd(double(v[k]) + double(v[2 + k] - v[k]) * i / n + double(v[4 + k] - v[2 + k]) * j / n);
    };
    for (int i = 0; i < n; ++i)
      for (int j = 0; j <= i; ++j) {
        tri(source, target, P(s, i, j, 0), P(s, i, j, 1), P(s, i + 1, j, 0), P(s, i + 1, j, 1), P(s, i + 1, j + 1, 0),
            P(s, i + 1, j + 1, 1), P(c, i, j, 0), P(c, i, j, 1), P(c, i + 1, j, 0), P(c, i + 1, j, 1),
            P(c, i + 1, j + 1, 0), P(c, i + 1, j + 1, 1));
        if (j < i)
          tri(source, target, P(s, i, j, 0), P(s, i, j, 1), P(s, i + 1, j + 1, 0), P(s, i + 1, j + 1, 1),
              P(s, i, j + 1, 0), P(s, i, j + 1, 1), P(c, i, j, 0), P(c, i, j, 1), P(c, i + 1, j + 1, 0),
              P(c, i + 1, j + 1, 1), P(c, i, j + 1, 0), P(c, i, j + 1, 1));
      }
    return;
  }
  const int a[6] = {int(t[0]), int(t[1]), int(t[2]), int(t[3]), int(t[4]), int(t[5])};
  if (percent >= 100) {
    dotri(source, target, sx1, sy1, sx2, sy2, sx3, sy3, a[0], a[1], a[2], a[3], a[4], a[5], true);
    return;
  }
  temp->SetSize(std::max(1, wi), std::max(1, hi));
  temp->Canvas().FillRect({0, 0, wi, hi});
  try {
    dotri(source, target, sx1, sy1, sx2, sy2, sx3, sy3, a[0], a[1], a[2], a[3], a[4], a[5], false);
  } catch (...) {
    // A translucent copy that fails leaves the target as it was.
  }
}

void Tstretch::dotri(TCanvas& source, TCanvas& target, int sx1, int sy1, int sx2, int sy2, int sx3, int sy3, int tx1,
                     int ty1, int tx2, int ty2, int tx3, int ty3, bool direct) {
  ++copies;
  const Tpt s[3] = {{double(sx1), double(sy1)}, {double(sx2), double(sy2)}, {double(sx3), double(sy3)}};
  const Tpt t[3] = {{double(tx1), double(ty1)}, {double(tx2), double(ty2)}, {double(tx3), double(ty3)}};
  const int sx = least(sx1, sx2, sx3), sy = least(sy1, sy2, sy3);
  const int sw = greatest(sx1, sx2, sx3) - sx, sh = greatest(sy1, sy2, sy3) - sy;
  if (sw == 0 || sh == 0) return;
  Tpt G, T;
  if (!centroid(s[0], s[1], s[2], G)) return;
  const double ux = (G.x - sx) / sw, uy = (G.y - sy) / sh;
  // Vertex roles: the first of least y, greatest y, least x, greatest x.
  int top = 0, bottom = 0, left = 0, right = 0;
  for (int k = 1; k < 3; ++k) {
    if (s[k].y < s[top].y) top = k;
    if (s[k].y > s[bottom].y) bottom = k;
    if (s[k].x < s[left].x) left = k;
    if (s[k].x > s[right].x) right = k;
  }
  const double kx = (G.y - s[top].y) / (s[bottom].y - s[top].y);
  const double dx = G.x - (s[top].x + (s[bottom].x - s[top].x) * kx);
  const double ky = (G.x - s[left].x) / (s[right].x - s[left].x);
  const double dy = G.y - (s[left].y + (s[right].y - s[left].y) * ky);
  if (dx == 0 || dy == 0) return;
  if (!centroid(t[0], t[1], t[2], T)) return;
  const Tpt Z{t[top].x + (t[bottom].x - t[top].x) * kx, t[top].y + (t[bottom].y - t[top].y) * kx};
  const Tpt Z2{t[left].x + (t[right].x - t[left].x) * ky, t[left].y + (t[right].y - t[left].y) * ky};
  const Tpt ex{(T.x - Z.x) * sw / dx, (T.y - Z.y) * sw / dx};
  const Tpt ey{(T.x - Z2.x) * sh / dy, (T.y - Z2.y) * sh / dy};
  int ox = 0, oy = 0;
  if (direct) xi = yi = 0;
  else ox = xi, oy = yi;
  auto corner = [&](double fu, double fv) {
    return TPoint{rnd(T.x + fu * ex.x + fv * ey.x) - ox, rnd(T.y + fu * ex.y + fv * ey.y) - oy};
  };
  const std::array<TPoint, 3> pg = {corner(1 - ux, 1 - uy), corner(-ux, 1 - uy), corner(1 - ux, -uy)};

  TDeviceContext* dc = target.Handle();
  if (!dc) return;
  target.BeginPath();
  target.MoveTo(tx1, ty1);
  target.LineTo(tx2, ty2);
  target.LineTo(tx3, ty3);
  target.LineTo(tx1, ty1);
  target.EndPath();
  dc->selectClipPath(RGN_COPY);
  if (widen) {
    const int oldWidth = target.Pen.Width;
    auto band = [&](std::initializer_list<TPoint> pts) {
      target.Pen.Width = 3;
      target.BeginPath();
      bool first = true;
      for (TPoint p : pts) {
        if (first) target.MoveTo(p.X, p.Y);
        else target.LineTo(p.X, p.Y);
        first = false;
      }
      target.EndPath();
      dc->widenPath();
      dc->selectClipPath(RGN_OR);
    };
    band({{tx1, ty1}, {tx2, ty2}, {tx3, ty3}});
    band({{tx1, ty1}, {tx3, ty3}});
    (void)oldWidth;
    target.Pen.Width = 1;
  }
  if (direct) {
    b->PlgBlt(target, pg, source, sx + sw, sy + sh, -sw, -sh, nullptr, 0, 0);
  } else {
    temp->SetSize(std::max(1, wi), std::max(1, hi));
    temp->Canvas().Brush.Color = clWhite;
    temp->Canvas().FillRect({0, 0, wi, hi});
    b->PlgBlt(temp->Canvas(), pg, source, sx + sw, sy + sh, -sw, -sh, nullptr, 0, 0);
    b->PercentBlend(target, *temp, xi, yi, wi, hi, percent);
  }
  dc->selectClipRegion(nullptr);
}
