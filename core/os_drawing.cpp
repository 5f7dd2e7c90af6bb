// TosDrawing: colour fades, the bilinear colour sample, pixel writes, pens, hatches, the page with
// its shadow and the small marks. Rounding is to nearest with halves to even; div truncates.
#include "core/os_drawing.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/Tunits.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "core/units_seams.h"
#include "platform/numbers.h"

using platform::TCanvas;
using platform::TPenDesc;
using platform::TRect;

namespace {
int32_t rnd(double v) { return platform::Round32(v); }
uint8_t clampByte(double v) { return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0)); }
int byteOf(int32_t colour, int shift) { return (colour >> shift) & 0xFF; }
}  // namespace

// ---- colours ------------------------------------------------------------------------------------

uint8_t TosDrawing::fadeByte(uint8_t value, uint8_t target, double percent) {
  double v = std::nearbyint((double(target) - value) * percent / 100 + value);
  return clampByte(std::isnan(v) ? value : v);
}

void TosDrawing::FadeColour(int32_t colour, int32_t target, double percent, uint8_t& r, uint8_t& g, uint8_t& b) {
  if (!(percent <= 100)) percent = 100;  // NaN as well
  if (percent < 0) percent = 0;
  auto one = [&](int shift) {
    const int c = byteOf(colour, shift), t = byteOf(target, shift);
    return clampByte(std::nearbyint(c + (t - c) * percent / 100));
  };
  r = one(0);
  g = one(8);
  b = one(16);
}

int32_t TosDrawing::FadeColour(int32_t colour, int32_t target, double percent) {
  if (target < 0) return -1;
  uint8_t r = 0, g = 0, b = 0;
  FadeColour(colour, target, percent, r, g, b);
  return r | (g << 8) | (b << 16);
}

int32_t TosDrawing::levelcolour(double x) const {
  const Tos& self = static_cast<const Tos&>(*this);
  return FadeColour(self.baseColourHigh, self.basecolour, x * 3);
}

int32_t TosDrawing::SmoothenColour(platform::TBitmap const* bm, double x, double y, bool continuous) {
  constexpr int32_t white = 0xFFFFFF;
  if (!bm || !(x >= 0) || !(y >= 0) || x >= bm->Width() || y >= bm->Height()) return white;
  const int w = bm->Width(), h = bm->Height();
  auto whole = [](double v) {
    double r = std::nearbyint(v);
    return static_cast<int>(r > v ? r - 1 : r);
  };
  const int ix = whole(x), iy = whole(y);
  const double fx = x - ix, fy = y - iy;
  auto inside = [continuous](int v, int n) {
    if (v < 0) return continuous ? n - 1 : 0;
    if (v >= n) return continuous ? 0 : n - 1;
    return v;
  };
  struct Sample { int dx, dy; double weight; } samples[4] = {
      {0, 0, (1 - fy) * (1 - fx)}, {1, 0, (1 - fy) * fx}, {0, 1, fy * (1 - fx)}, {1, 1, fy * fx}};
  double sum[3] = {0, 0, 0}, weights = 0;
  for (const Sample& s : samples) {
    const platform::TColor c = bm->Canvas().Pixels(inside(ix + s.dx, w), inside(iy + s.dy, h));
    for (int k = 0; k < 3; ++k) sum[k] += std::nearbyint(((c >> (8 * k)) & 0xFF) * s.weight);
    weights += s.weight;
  }
  if (weights <= 0) return white;
  int32_t out = 0;
  for (int k = 0; k < 3; ++k) out |= std::min(255, rnd(sum[k] / weights)) << (8 * k);
  return out;
}

namespace {
void blendPixel(uint8_t* p, uint8_t r, uint8_t g, uint8_t b, int percent) {
  auto mix = [percent](uint8_t old, uint8_t now) {
    return clampByte(std::nearbyint(old + (double(now) - old) * percent / 100));
  };
  p[0] = mix(p[0], b);
  p[1] = mix(p[1], g);
  p[2] = mix(p[2], r);
}
bool inBitmap(platform::TBitmap const& bm, int x, int y) {
  return x >= 0 && y >= 0 && x < bm.Width() && y < bm.Height();
}
}  // namespace

void TosDrawing::setPixel24(platform::TBitmap& bm, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  if (!inBitmap(bm, x, y) || bm.PixelFormat() != platform::pf24bit) return;
  uint8_t* p = bm.ScanLine(y) + 3 * x;
  p[0] = b;
  p[1] = g;
  p[2] = r;
}

void TosDrawing::setPixel24(platform::TBitmap& bm, int x, int y, uint8_t r, uint8_t g, uint8_t b, int percent) {
  if (!inBitmap(bm, x, y) || bm.PixelFormat() != platform::pf24bit) return;
  blendPixel(bm.ScanLine(y) + 3 * x, r, g, b, percent);
}

void TosDrawing::setPixel24(platform::TBitmap const& bm, uint8_t* bits, int rowLength, int x, int y, uint8_t r,
                            uint8_t g, uint8_t b, int percent) {
  if (!bits || !inBitmap(bm, x, y)) return;
  blendPixel(bits + ptrdiff_t(bm.Height() - y - 1) * rowLength + ptrdiff_t(x) * 3, r, g, b, percent);
}

// ---- pens ---------------------------------------------------------------------------------------

namespace {
TPenDesc userPen(int32_t colour, int width, std::initializer_list<int> dashes) {
  std::vector<int> d(dashes);
  return platform::makeExtPen(platform::PenType::Geometric, platform::PenStyle::UserStyle, width,
                              platform::TColor(colour), platform::PenEndCap::Flat, platform::PenJoin::Round, d);
}
}  // namespace

TPenDesc TosDrawing::dottedpen(int32_t colour) {
  return platform::makeExtPen(platform::PenType::Cosmetic, platform::PenStyle::Alternate, 1, platform::TColor(colour),
                              platform::PenEndCap::Round, platform::PenJoin::Round);
}
TPenDesc TosDrawing::dottedpen(int32_t colour, int width, int gap) { return userPen(colour, width, {width, gap}); }
TPenDesc TosDrawing::dashpen(int32_t colour, int width, int dash, int gap) { return userPen(colour, width, {dash, gap}); }
TPenDesc TosDrawing::dashDotPen(int32_t colour, int width, int dash, int dot, int gap) {
  return userPen(colour, width, {dash, gap, dot, gap});
}
TPenDesc TosDrawing::solidpen(int32_t colour) {
  return platform::makeExtPen(platform::PenType::Cosmetic, platform::PenStyle::Solid, 1, platform::TColor(colour),
                              platform::PenEndCap::Round, platform::PenJoin::Round);
}
TPenDesc TosDrawing::solidpen(int32_t colour, int width) {
  return platform::makeExtPen(platform::PenType::Geometric, platform::PenStyle::Solid, width, platform::TColor(colour),
                              platform::PenEndCap::Round, platform::PenJoin::Round);
}
TPenDesc TosDrawing::solidpenSquare(int32_t colour, int width) {
  return platform::makeExtPen(platform::PenType::Geometric, platform::PenStyle::Solid, width, platform::TColor(colour),
                              platform::PenEndCap::Flat, platform::PenJoin::Round);
}

// ---- fills --------------------------------------------------------------------------------------

void TosDrawing::dotBox(TCanvas& canvas, int32_t colour, TRect box) {
  platform::TDeviceContext* dc = canvas.Handle();
  if (!dc) return;
  canvas.Brush.Style = platform::bsClear;
  const TPenDesc old = dc->setPen(dottedpen(colour));
  const platform::TBrushDesc oldBrush = dc->setBrush(platform::clearBrush());
  dc->rectangle(box.Left, box.Top, box.Right, box.Bottom);
  dc->setBrush(oldBrush);
  dc->setPen(old);
  canvas.Brush.Style = platform::bsSolid;
}

void TosDrawing::NullFill(TCanvas& canvas, TRect box, int32_t colour, int32_t backColour) {
  platform::TDeviceContext* dc = canvas.Handle();
  if (!dc) return;
  canvas.Brush.Style = platform::bsCross;
  canvas.Brush.Color = platform::TColor(colour);
  // Straight through the context: the framework canvas would draw a hatch transparent, and the
  // background colour is meant to show between the hatch lines.
  dc->setBkColor(platform::TColor(backColour));
  dc->setBkMode(platform::BkMode::Opaque);
  dc->fillRect(box, canvas.Brush.desc());
  canvas.Brush.Style = platform::bsSolid;
}

void TosDrawing::drawHatch(TCanvas& canvas, TRect box, int hatch, int gap) {
  if (gap <= 0) return;  // a step of zero would never advance
  const int h = box.Bottom - box.Top;
  const int step = (hatch >= 2 && hatch <= 4) ? std::max(1, rnd(std::sqrt(2.0) * gap)) : gap;
  auto first = [step](int reference) { return step * (reference / step + 1); };
  auto diagonals = [&](bool down, bool up) {
    for (int a = first(box.Left - h); a < box.Right; a += step) {
      if (down) {
        canvas.MoveTo(a, box.Top);
        canvas.LineTo(a + h, box.Bottom);
      }
      if (up) {
        canvas.MoveTo(a, box.Bottom);
        canvas.LineTo(a + h, box.Top);
      }
    }
  };
  auto verticals = [&] {
    for (int a = first(box.Left); a < box.Right; a += step) {
      canvas.MoveTo(a, box.Top);
      canvas.LineTo(a, box.Bottom);
    }
  };
  auto horizontals = [&] {
    for (int a = first(box.Top); a < box.Bottom; a += step) {
      canvas.MoveTo(box.Left, a);
      canvas.LineTo(box.Right, a);
    }
  };
  switch (hatch) {
    case 2: diagonals(true, false); break;
    case 3: diagonals(false, true); break;
    case 4: diagonals(true, true); break;
    case 5: verticals(); break;
    case 6: horizontals(); break;
    case 7: verticals(); horizontals(); break;
    default: break;
  }
}

void TosDrawing::drawPage(TCanvas& canvas, TRect viewbox, TRect page) {
  constexpr int32_t base = 0x786450, white = 0xFFFFFF;
  NullFill(canvas, viewbox, FadeColour(base, white, 75), FadeColour(base, white, 80));
  TRect r = page.offsetted(16, 16);
  for (int i = 0; i <= 7; ++i) {
    NullFill(canvas, r, FadeColour(base, white, 70 - 2 * i), FadeColour(base, white, 76 - 2 * i));
    r.Right -= 2;
    r.Bottom -= 2;
  }
  canvas.Brush.Style = platform::bsSolid;
  canvas.Brush.Color = white;
  canvas.FillRect(page);
}

// ---- marks --------------------------------------------------------------------------------------

using unitsSeam::gp;

void TosDrawing::tick(TCanvas& canvas, int x, int y) {
  for (int d : {0, -1, 1}) {
    canvas.MoveTo(x, y + gp(7) + d);
    canvas.LineTo(x + gp(2), y + gp(9) + d);
    canvas.LineTo(x + gp(7), y + gp(1) + d);
  }
}

namespace {
struct RightEnd {
  int cx, cy;
};
// The centre of the square at the right end of the box; the pen takes the font colour, width 2.
RightEnd rightEnd(TCanvas& canvas, TRect const& box) {
  canvas.Pen.Color = canvas.Font.Color;
  canvas.Pen.Width = 2;
  return {box.Right - (box.Bottom - box.Top) / 2, (box.Top + box.Bottom) / 2};
}
}  // namespace

TRect TosDrawing::tick(TCanvas& canvas, TRect box) {
  const auto [cx, cy] = rightEnd(canvas, box);
  const int a = gp(4), c = 2 * a / 3;
  canvas.MoveTo(cx - a, cy);
  canvas.LineTo(cx - a + c, cy + a);
  canvas.LineTo(cx + a, cy - a);
  canvas.Pen.Width = 1;
  return {cx - c, cy - a - 2, cx + a + 2, cy + a + 2};
}

void TosDrawing::anchor(TCanvas& canvas, int x, int y) {
  canvas.MoveTo(x, y - 8);
  canvas.LineTo(x, y + 10);
  const platform::TPoint arc[] = {{x - 7, y + 5}, {x - 5, y + 7}, {x, y + 8}, {x + 5, y + 7}, {x + 8, y + 5}};
  canvas.Polyline(arc);
  canvas.MoveTo(x - 6, y - 4);
  canvas.LineTo(x + 6, y - 4);
  canvas.MoveTo(x - 1, y - 8);
  canvas.LineTo(x + 2, y - 8);
}

TRect TosDrawing::drawCloseCross(TCanvas& canvas, TRect box, int semiwidth) {
  const auto [cx, cy] = rightEnd(canvas, box);
  const int a = gp(semiwidth);
  canvas.MoveTo(cx - a, cy - a);
  canvas.LineTo(cx + a, cy + a);
  canvas.MoveTo(cx - a, cy + a);
  canvas.LineTo(cx + a, cy - a);
  canvas.Pen.Width = 1;
  return {cx - a - 2, cy - a - 2, cx + a + 2, cy + a + 2};
}

namespace {
// A pointer character centred on x, its capitals centred on the box's middle line.
TRect pointerAtRightEnd(TCanvas& canvas, TRect box, const char* utf8) {
  const int cy = (box.Top + box.Bottom) / 2;
  const std::string oldName = canvas.Font.Name();
  canvas.Font.setName("Arial");
  canvas.Font.setSize(unitsSeam::fontsize(7));
  platform::TDeviceContext* dc = canvas.Handle();
  if (dc) {
    const unsigned oldAlign = dc->setTextAlign(platform::TA_CENTER | platform::TA_TOP);
    if (fontman) {
      fontman->VCentredText(canvas, box.Right - gp(8), cy, utf8);
    } else {  // without the font manager: the capitals centred by the face's own cap height
      canvas.applyFont();
      dc->setTextAlign(platform::TA_CENTER | platform::TA_BASELINE);
      canvas.TextOut(box.Right - gp(8), cy + (dc->textMetrics().capHeight + 1) / 2, utf8);
    }
    dc->setTextAlign(oldAlign);
  }
  canvas.Font.setName(oldName);
  box.Left = box.Right - gp(16);
  return box;
}
}  // namespace

TRect TosDrawing::drawRightArrow(TCanvas& canvas, TRect box, Open open) {
  return pointerAtRightEnd(canvas, box, open == Open::Yes ? "\u25C4" : "\u25BA");
}

TRect TosDrawing::drawDownArrow(TCanvas& canvas, TRect box, Open open) {
  return pointerAtRightEnd(canvas, box, open == Open::Yes ? "\u25B2" : "\u25BC");
}

int TosDrawing::DrawMiniScaleBar(TCanvas& canvas, int x, int y, int maxwidth, double scale, bool isLL) const {
  const double p = unitsSeam::screenPPMM();
  int32_t n = 0;
  const double g = Tunits::appropriateGrid(scale, maxwidth / p, n);
  const double unitsPerPixel = scale / (p * 1000);
  const double len = unitsPerPixel > 0 ? std::nearbyint(g / unitsPerPixel) : 0;
  const int L = std::isfinite(len) ? static_cast<int>(std::clamp(len, 0.0, 1e6)) : 0;
  canvas.Pen.Width = 1;
  canvas.MoveTo(x, y - 7);
  const platform::TPoint bar[] = {{x, y}, {x + L, y}, {x + L, y - 7}};
  for (const auto& q : bar) canvas.LineTo(q.X, q.Y);
  if (n > 1)
    for (int i = 1; i < n; ++i) {
      const int xi = rnd(double(L) / n * i + x);
      canvas.MoveTo(xi, y);
      canvas.LineTo(xi, (n == 10 && i == 5) ? y - 6 : y - 4);
    }
  canvas.Font.setName(unitsSeam::programFontName());
  canvas.Font.setSize(unitsSeam::fontsize(8));
  canvas.Font.setStyle(0);
  canvas.Font.Color = canvas.Pen.Color;
  const std::string label = MiniScaleBarLabel(g, isLL);
  if (platform::TDeviceContext* dc = canvas.Handle()) {
    if (fontman) {
      dc->setTextAlign(platform::TA_CENTER | platform::TA_TOP);
      fontman->BaseTextOut(canvas, x, y - 9, "0");
      fontman->BaseTextOut(canvas, x + L, y - 9, label);
    } else {
      dc->setTextAlign(platform::TA_CENTER | platform::TA_BASELINE);
      canvas.TextOut(x, y - 9, "0");
      canvas.TextOut(x + L, y - 9, label);
    }
    dc->setTextAlign(platform::TA_LEFT | platform::TA_TOP);
  }
  return L;
}

std::string TosDrawing::MiniScaleBarLabel(double g, bool isLL) {
  if (isLL) return unitsSeam::DoubleToString(g, g < 0.01 ? 6 : 3) + "\u00B0";
  if (g < 2000) return unitsSeam::DoubleToString(g, 2) + "m";
  return unitsSeam::DoubleToString(g / 1000, 2) + "km";
}

namespace {
constexpr const char* kBracketOpen = "  [";
}

int TosDrawing::TextWidthBracket(TCanvas& canvas, std::string const& value, std::string const& bracketvalue) {
  int w = canvas.TextWidth(value);
  if (!bracketvalue.empty()) w += canvas.TextWidth(kBracketOpen + bracketvalue + "]");
  return w;
}

void TosDrawing::TextOutBracket(TCanvas& canvas, int x, int y, std::string const& value,
                                std::string const& bracketvalue) {
  platform::TDeviceContext* dc = canvas.Handle();
  if (!dc) return;
  if (bracketvalue.empty()) {
    canvas.TextOut(x, y, value);
    return;
  }
  const unsigned oldAlign = dc->setTextAlign(platform::TA_LEFT | platform::TA_TOP);
  const platform::TColor oldColour = canvas.Font.Color;
  const int w1 = canvas.TextWidth(value + kBracketOpen), w2 = canvas.TextWidth(bracketvalue),
            wb = canvas.TextWidth("]");
  if ((oldAlign & platform::TA_CENTER) == platform::TA_CENTER) x -= rnd((w1 + w2 + wb) / 2.0);
  canvas.TextOut(x, y, value + kBracketOpen);
  canvas.Font.Color = 0xFF0000;
  canvas.TextOut(x + w1, y, bracketvalue);
  canvas.Font.Color = oldColour;
  canvas.TextOut(x + w1 + w2, y, "]");
  dc->setTextAlign(oldAlign);
}
