// TfontMan, text along arcs and at angles: each character is drawn in a frame turned to follow
// the circle (a left-multiplied world transform, restored after the character), so the canvas
// may carry a transform of its own. Angles: radians clockwise from straight up.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/r_Font.h"
#include "platform/numbers.h"
#include "platform/text.h"

using namespace platform;

namespace {
constexpr double kPi = std::numbers::pi;

// Upright (clockwise, tops outward) or flipped (counter-clockwise, tops inward).
bool writesUpright(double& angle, bool invert) {
  while (angle > kPi) angle -= 2 * kPi;
  bool near = std::abs(angle) <= kPi / 2;
  return near != invert;
}

TPoint pointOn(int cx, int cy, double radius, double theta) {
  return {cx + Round32(radius * std::sin(theta)), cy - Round32(radius * std::cos(theta))};
}

// Runs draw with character coordinates turned by (c, sn) and moved to (px, py), then mapped by the
// transform already in force; the transform and graphics mode are restored afterwards.
template <class Draw>
void inFrame(TDeviceContext& dc, double px, double py, double c, double sn, Draw const& draw) {
  GraphicsMode mode = dc.graphicsMode();
  dc.setGraphicsMode(GraphicsMode::Advanced);
  XFORM keep = dc.worldTransform();
  XFORM turn{float(c), float(sn), float(-sn), float(c), float(px), float(py)};
  dc.modifyWorldTransform(&turn, MWT_LEFTMULTIPLY);
  draw();
  dc.setWorldTransform(keep);
  dc.setGraphicsMode(mode);
}

std::vector<std::string> characters(std::string const& s) {
  std::vector<std::string> out;
  for (char32_t c : toUtf32(s)) out.push_back(fromCodePoint(c));
  return out;
}
}  // namespace

void TfontMan::placeChar(TCanvas& canvas, int px, int py, double c, double sn, std::string const& ch, bool vcentred) {
  if (!canvas.Handle()) return;
  inFrame(*canvas.Handle(), px, py, c, sn, [&] {
    if (vcentred) VCentredText(canvas, 0, 0, ch);
    else canvas.TextOut(0, 0, ch);
  });
}

void TfontMan::ArcText(TCanvas& canvas, int cx, int cy, double radius, double angle, double gap, std::string const& s) {
  Arctext2(canvas, cx, cy, radius, angle, gap, s, false);
}

void TfontMan::Arctext2(TCanvas& canvas, int cx, int cy, double radius, double angle, double gap, std::string const& s,
                        bool invert) {
  Arctext3(canvas, cx, cy, radius, angle, gap, 0, s, invert);
}

void TfontMan::Arctext3(TCanvas& canvas, int cx, int cy, double radius, double angle, double gap,
                        double maxAngularExtent, std::string const& s, bool invert) {
  std::vector<std::string> chars = characters(s);
  size_t n = chars.size();
  if (n == 0 || !canvas.Handle() || !(radius > 0)) return;
  canvas.applyFont();
  std::vector<TKerningPair> pairs = canvas.Handle()->kerningPairs();
  std::u32string cps = toUtf32(s);
  std::vector<int> w(n), k(n, 0);
  int total = 0;
  for (size_t i = 0; i < n; ++i) {
    w[i] = canvas.TextWidth(chars[i] == " " ? std::string("#") : chars[i]);
    total += w[i];
    if (i + 1 < n)
      for (auto const& p : pairs)
        if (p.first == cps[i] && p.second == cps[i + 1]) k[i] = p.amount;  // the last match wins
  }
  int size = std::abs(canvas.Font.Size());
  if (maxAngularExtent > 0 && n > 1) {
    double room = (maxAngularExtent * radius - total) / double(n - 1);
    gap = room >= 0 ? std::min(gap, size > 0 ? room / size : gap) : 0;
  }
  canvas.Handle()->setTextAlign(TA_BASELINE | TA_CENTER);
  canvas.Handle()->setBkMode(BkMode::Transparent);
  double v = VisualFontHeight(canvas);
  int drop = Round32(v / 2);
  int d = Round32(size * gap);
  double extent = ((double(n) - 1) * d + total) / radius;
  bool upright = writesUpright(angle, invert);
  double theta = upright ? angle - extent / 2 : angle + extent / 2;
  for (size_t i = 0; i < n; ++i) {
    double at = upright ? theta + (w[i] / 2) / radius : theta - (w[i] / 2) / radius;
    TPoint p = pointOn(cx, cy, radius, at);
    double c = upright ? std::cos(at) : -std::cos(at), sn = upright ? std::sin(at) : -std::sin(at);
    // The baseline drop pixels towards the centre (upright) or away from it (flipped).
    inFrame(*canvas.Handle(), p.X, p.Y, c, sn, [&] { canvas.TextOut(0, drop, chars[i]); });
    double step = (w[i] + k[i] + d) / radius;
    theta += upright ? step : -step;
  }
}

void TfontMan::ArcText(TCanvas& canvas, int cx, int cy, double radius, double angle, double gap, std::string const& s,
                       bool invert) {
  Arctext(canvas, cx, cy, radius, angle, gap, s, "", "", invert);
}

void TfontMan::Arctext(TCanvas& canvas, int cx, int cy, double radius, double angle, double gap, std::string const& s,
                       std::string const& prefix, std::string const& prefixfont, bool invert) {
  std::vector<std::string> chars = characters(s), pre = characters(prefix);
  if (chars.empty() || !canvas.Handle() || !(radius > 0)) return;  // the run is centred by its first character
  int d = Round32(canvas.Font.Size() * gap);
  double total = canvas.TextWidth(s) + (double(chars.size()) - 1) * d;
  double first = canvas.TextWidth(chars[0]);
  std::string face = canvas.Font.Name();
  if (!pre.empty()) {
    canvas.Font.setName(prefixfont);
    total = canvas.TextWidth(prefix) + double(pre.size()) * d + total;
    first = canvas.TextWidth(pre[0]);
  }
  double extent = total / radius, half = first / (2 * radius);
  canvas.Handle()->setTextAlign(TA_CENTER);
  bool upright = writesUpright(angle, invert);
  double theta = upright ? angle - extent / 2 + half : angle + extent / 2 - half;
  auto put = [&](std::string const& ch) {
    TPoint p = pointOn(cx, cy, radius, theta);
    double c = upright ? std::cos(theta) : -std::cos(theta), sn = upright ? std::sin(theta) : -std::sin(theta);
    placeChar(canvas, p.X, p.Y, c, sn, ch, true);
    double step = (canvas.TextWidth(ch) + d) / radius;
    theta += upright ? step : -step;
  };
  for (auto const& ch : pre) put(ch);
  if (!pre.empty()) canvas.Font.setName(face);
  for (auto const& ch : chars) put(ch);
}

void TfontMan::Arctext(TCanvas& canvas, int cx, int cy, double radius, double angle, std::vector<double> const& gaps,
                       std::string const& s, bool invert) {
  std::vector<std::string> chars = characters(s);
  if (chars.empty() || !canvas.Handle() || !(radius > 0)) return;
  int size = canvas.Font.Size();
  // A gap the caller did not give counts as none.
  auto gapAfter = [&](size_t i) { return i < gaps.size() ? Round32(size * gaps[i]) : 0; };
  int sum = 0;
  for (size_t i = 0; i + 1 < chars.size(); ++i) sum += gapAfter(i);
  double total = canvas.TextWidth(s) + sum, first = canvas.TextWidth(chars[0]);
  double extent = total / radius, half = first / (2 * radius);
  canvas.Handle()->setTextAlign(TA_CENTER);
  bool upright = writesUpright(angle, invert);
  double theta = upright ? angle - extent / 2 + half : angle + extent / 2 - half;
  for (size_t i = 0; i < chars.size(); ++i) {
    TPoint p = pointOn(cx, cy, radius, theta);
    double c = upright ? std::cos(theta) : -std::cos(theta), sn = upright ? std::sin(theta) : -std::sin(theta);
    placeChar(canvas, p.X, p.Y, c, sn, chars[i], true);
    double step = (canvas.TextWidth(chars[i]) + gapAfter(i)) / radius;
    theta += upright ? step : -step;
  }
}

void TfontMan::AngleText(TCanvas& canvas, int cx, int cy, int hjustify, int vjustify, double angle, double gapPercent,
                         std::string const& s) {
  if (!canvas.Handle()) return;
  canvas.Handle()->setTextAlign(TA_BASELINE | TA_CENTER);
  canvas.Handle()->setBkMode(BkMode::Transparent);
  double v = VisualFontHeight(canvas);
  fontSpace(canvas, Round32(gapPercent));
  double w = canvas.TextWidth(s);
  double sn = std::sin(angle), c = std::cos(angle);
  double px = cx, py = cy;
  if (vjustify == 0) {
    px -= sn * v;
    py += c * v;
  } else if (vjustify == 6) {
    px -= sn * v / 2;
    py += c * v / 2;
  }
  if (hjustify == 0) {
    px += (w / 2) * c;
    py += (w / 2) * sn;
  } else if (hjustify == 2) {
    px -= (w / 2) * c;
    py -= (w / 2) * sn;
  }
  inFrame(*canvas.Handle(), px, py, c, sn, [&] { canvas.TextOut(0, 0, s); });
  fontSpace(canvas, 0);
}
