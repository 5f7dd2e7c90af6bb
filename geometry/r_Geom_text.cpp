// TlineMan text outlines: a label's outline as the canvas's path, at a point with a rotation or
// letter by letter along the smooth curve through a line, and that outline's world box.
// Screen pixels, y down; rotations clockwise on the screen. Capitals are TextHeight pixels tall
// (the face's capital height); a text is counted and measured by code points.
#include <algorithm>
#include <cmath>

#include "core/Ttrans.h"
#include "core/Tview.h"
#include "geometry/r_Geom.h"
#include "geometry/r_Geom_internal.h"
#include "platform/canvas.h"
#include "platform/numbers.h"
#include "platform/text.h"

using namespace platform;

namespace {

constexpr int kCapProbeHeight = 1000;  // the capital height is read at this cell height, for precision
constexpr int kMaxCellHeight = 4096;   // beyond what any canvas shows
constexpr int kWorkPixels = 100;       // the bounds are measured on capitals this many pixels tall

// Where the baseline stands below the anchor, in pixels.
int baselineOffset(int32_t vJustify, int32_t textHeight) {
  if (vJustify == 0) return textHeight / 2;
  if (vJustify >= 100 && vJustify <= 499) return -Round32((vJustify - 100) / 100.0 * textHeight);
  if (vJustify >= 500 && vJustify <= 899) return textHeight + Round32((vJustify - 500) / 100.0 * textHeight);
  return 0;
}

// Where the text starts relative to the anchor, for a text w pixels wide.
int startOffset(int32_t hJustify, int w) {
  if (hJustify == 0) return -(w / 2);
  if (hJustify == 2) return -w;
  return 0;
}

// Puts the state the outline needs on the context and takes it back at the end.
class TextState {
 public:
  explicit TextState(TDeviceContext& dc)
      : dc_(dc), align_(dc.setTextAlign(TA_BASELINE | TA_LEFT)), extra_(dc.setTextCharacterExtra(0)) {
    dc.setBkMode(BkMode::Transparent);
  }
  ~TextState() {
    dc_.setTextCharacterExtra(extra_);
    dc_.setTextAlign(align_);
  }
  TextState(const TextState&) = delete;
  TextState& operator=(const TextState&) = delete;

 private:
  TDeviceContext& dc_;
  unsigned align_;
  int extra_;
};

}  // namespace

// Steps: a the canvas and the text, b the font, c the layout along the curve, d the text at
// its point.
bool TlineMan::GetTextPath(TCanvas& canvas, const std::string& fontname, const Tpoints& a, int32_t TextHeight,
                           int32_t hJustify, int32_t vJustify, double rotation, const std::string& value,
                           const Tview& view, double maxgap, const Txyvalues& original) {
  TprocScope proc(*this, "GetTextPath");
  seterr("a");
  TDeviceContext* dc = canvas.Handle();
  if (!dc) {
    log("GetTextPath a: the canvas has no device context");
    return false;
  }
  // Whatever happens, the caller finds a path of this call's making, if an empty one.
  canvas.BeginPath();
  struct EndPath {
    TCanvas& c;
    ~EndPath() { c.EndPath(); }
  } endPath{canvas};
  const std::u32string text = toUtf32(value);
  if (text.empty() || TextHeight <= 0 || a.empty()) {
    seterr("");
    return false;
  }
  if (a.size() >= 2) rotation = std::atan2(double(a[1].Y - a[0].Y), double(a[1].X - a[0].X));
  if (!std::isfinite(maxgap)) maxgap = 0;

  seterr("b");
  canvas.Font.setName(fontname);
  canvas.Font.setHeight(kCapProbeHeight);
  canvas.applyFont();
  // The capital height at a cell height of 100 pixels.
  const double cap = dc->textMetrics().capHeight * 100.0 / kCapProbeHeight;
  if (!(cap > 0)) {
    log("GetTextPath b: the face has no capital height");
    return false;
  }
  const double cell = std::min(TextHeight * 100.0 / cap, double(kMaxCellHeight));
  canvas.Font.setHeight(std::max(1, Round32(cell)));
  canvas.applyFont();
  TextState state(*dc);
  const auto n = static_cast<int32_t>(text.size());
  if (hJustify >= 0 && hJustify <= 2 && maxgap != 0 && n > 1)
    dc->setTextCharacterExtra(Round32(std::clamp(TextHeight / 100.0 * maxgap, -1e6, 1e6)));
  const int yi = baselineOffset(vJustify, TextHeight);
  Ttrans trans;

  if (hJustify >= 1000 && a.size() >= 2) {
    seterr("c");
    curve->setXY(original);
    const double length = curve->totalLength(), fmp = view.mp();
    if (!(length > 0) || !std::isfinite(length) || !(fmp > 0)) {
      seterr("");
      return false;
    }
    std::vector<std::string> letters(text.size());
    std::vector<int> widths(text.size());
    double w = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      letters[i] = fromCodePoint(text[i]);
      widths[i] = canvas.TextWidth(letters[i]);
      w += widths[i];
    }
    const double textLength = w * fmp, heightWorld = TextHeight * fmp;
    double gap = 0, lead = 0;
    // Spread over the whole curve when that needs no more than maxgap percent of the text
    // height between letters; otherwise that gap, and the free length shared out by hJustify.
    bool spread = false;
    if (n >= 2) {
      gap = (length - textLength) / (n - 1);
      spread = maxgap >= gap / heightWorld * 100;
    }
    if (!spread) {
      gap = n >= 2 ? maxgap / 100 * heightWorld : 0;
      lead = (hJustify - 1000) / 100.0 * (length - textLength - (n - 1) * gap) / 2;
    }
    const double turn = view.rotation * deg2rad;
    double before = 0;
    for (int32_t i = 0; i < n; ++i) {
      const double cw = widths[i] * fmp;
      const double u = (lead + before + cw / 2) / length;
      before += cw + gap;
      double x = 0, y = 0, sx = 0, sy = 0;
      curve->getXY(x, y, u);
      view.screenXYd(x, y, sx, sy);
      if (!std::isfinite(sx) || !std::isfinite(sy)) continue;
      trans.move(canvas, sx, sy, curve->getDirection(u) + turn);
      canvas.TextOut(-Round32(widths[i] / 2.0), yi, letters[i]);
      trans.clear();
    }
  } else {
    seterr("d");
    const int w = canvas.TextWidth(value);
    trans.move(canvas, a[0].X, a[0].Y, rotation);
    canvas.TextOut(startOffset(hJustify, w), yi, value);
    trans.clear();
  }
  seterr("");
  return true;
}

// Steps: a the work view, b the outline on a work bitmap, c reading it back.
bool TlineMan::GetTextBounds(const std::string& fontname, double TextHeight, int32_t hJustify, int32_t vJustify,
                             double rotation, const std::string& value, double maxgap, const Txyvalues& xy,
                             double& x1, double& y1, double& x2, double& y2) {
  TprocScope proc(*this, "GetTextBounds");
  seterr("a");
  x1 = x2 = xy.empty() ? 0 : xy[0].x;
  y1 = y2 = xy.empty() ? 0 : xy[0].y;
  if (xy.empty() || value.empty() || !(TextHeight > 0) || !std::isfinite(TextHeight) || !std::isfinite(x1) ||
      !std::isfinite(y1)) {
    seterr("");
    return false;
  }
  Tview view;
  view.setmp(TextHeight / kWorkPixels);
  view.centrex = xy[0].x;
  view.centrey = xy[0].y;
  view.box = {};
  const double fmp = view.mp();
  Tpoints anchors;
  anchors.reserve(xy.size());
  for (const xyrec& p : xy) {
    int32_t xi = 0, yi = 0;
    view.screenXY(p.x, p.y, xi, yi);
    anchors.push_back({xi, yi});
  }

  seterr("b");
  TBitmap work;
  work.SetSize(kWorkPixels, kWorkPixels);
  const int32_t height = Round32(std::clamp(TextHeight / fmp, 0.0, 1e6));
  if (!GetTextPath(work.Canvas(), fontname, anchors, height, hJustify, vJustify, rotation, value, view, maxgap, xy)) {
    seterr("");
    return false;
  }

  seterr("c");
  std::vector<TPoint> points;
  std::vector<uint8_t> kinds;
  if (!work.Canvas().FlattenPath() || !work.Canvas().GetPath(points, kinds) || points.empty()) {
    seterr("");
    return false;
  }
  // Every point counts, those that close a figure too: each lies on the outline.
  int minx = points[0].X, maxx = minx, miny = points[0].Y, maxy = miny;
  for (const TPoint& p : points) {
    minx = std::min(minx, p.X);
    maxx = std::max(maxx, p.X);
    miny = std::min(miny, p.Y);
    maxy = std::max(maxy, p.Y);
  }
  const double ox = xy[0].x, oy = xy[0].y;
  x1 = minx * fmp + ox;
  y1 = oy - maxy * fmp;
  x2 = maxx * fmp + ox;
  y2 = oy - miny * fmp;
  seterr("");
  return true;
}
