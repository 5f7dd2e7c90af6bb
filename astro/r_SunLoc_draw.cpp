// Tlocations' own label drawer: a box per location coloured by its local time of day (green
// through the morning, red through the afternoon), with name, time, weekday and a yellow pointer.
// Text sizes follow the map width with 3840 pixels as the reference. Images get the label through
// the 500 × 200 label image, copied pixel by pixel with its black background as a shade.
#include <algorithm>
#include <cmath>

#include "astro/r_SunLoc.h"
#include "core/r_ColourBase.h"
#include "core/r_date.h"
#include "platform/fonts.h"
#include "platform/numbers.h"

using platform::TPoint;

namespace {
constexpr int kLarge = 30, kSmall = 24;  // font sizes at a 3840-pixel map
constexpr int kLabelW = 500, kLabelH = 200;

int rnd(double v) { return static_cast<int>(platform::Round(v)); }

platform::TColor fade(platform::TColor from, platform::TColor to, double percent) {
  Tbgr c;
  FadeColour(bgr(static_cast<int32_t>(from)), bgr(static_cast<int32_t>(to)), percent, c);
  return static_cast<platform::TColor>(colouri(c));
}
}  // namespace

void Tlocations::Draw(platform::TCanvas& canvas, int width) {
  if (!showLocations) return;
  for (int i = 0; i < getcount(); ++i) doDraw(&canvas, width, i, nullptr, nullptr);
}

void Tlocations::Draw(Tbm24& rb, int index) {
  if (showLocations) doDraw(nullptr, rb.width(), index, &rb, nullptr);
}

void Tlocations::DrawRaw(TrawBitmap& rb, int index) {
  if (showLocations) doDraw(nullptr, rb.width(), index, nullptr, &rb);
}

void Tlocations::doDraw(platform::TCanvas* canvas, int width, int index, Tbm24* tbm, TrawBitmap* raw) {
  if (index < 0 || index >= getcount() || width <= 0) return;
  const Tloc& l = *a[static_cast<size_t>(index)];
  const bool image = tbm || raw;
  if (!image && (!canvas || !canvas->Handle())) return;
  // Images are drawn through the label image (also a raw bitmap, which is never cleared).
  platform::TDeviceContext& d = image ? bm->dc() : *canvas->Handle();
  dc = &d;
  const int saved = d.saveDC();

  auto makeFont = [&](int size) {
    platform::TLogFont lf;
    const double magnification = os ? os->fffontMagnification : 1.0;
    lf.height = -rnd(magnification * size * width / 3840.0);
    lf.weight = platform::FW_NORMAL;
    lf.clipPrecision = platform::CLIP_LH_ANGLES;
    lf.quality = platform::ANTIALIASED_QUALITY;
    lf.pitchAndFamily = 4;
    lf.charSet = 0;
    lf.faceName = fontname;
    return platform::CreateFontIndirect(lf);
  };
  const platform::HFONT large = makeFont(kLarge), small = makeFont(kSmall);
  d.setTextColor(0xFFFFFF);
  d.setBkMode(platform::BkMode::Transparent);
  d.setTextAlign(platform::TA_LEFT | platform::TA_TOP);
  d.selectFont(large);

  // Texts and layout.
  TdateMan& dm = createDateman();
  const platform::DateParts p = platform::decodeDateTime(l.dt);
  int weekday = dm.dayOfWeek(p.year, p.month, p.day) - 1;  // Monday 0
  if (weekday < 0) weekday += 7;
  const std::string dayText = dm.DayName(weekday) + " " + std::to_string(p.day);
  const std::string time = useAmPm ? dm.TimeStrDTampm(l.dt, false) : dm.TimeStrDT(l.dt, false);
  const double dayPart = platform::Frac(l.dt);
  const bool morning = dayPart < 0.5;
  int T, cy, c1 = 0;
  if (l.singleLine) {
    const platform::TSize e = d.textExtent(l.name + "  " + time);
    c1 = e.cx;
    cy = e.cy;
    d.selectFont(small);
    T = c1 + d.textExtent("  " + dayText).cx;
    d.selectFont(large);
  } else {
    T = std::max(d.textExtent(l.name).cx, d.textExtent(time).cx);
    cy = d.textExtent(l.name).cy;
    d.selectFont(small);
    T = std::max(T, d.textExtent(dayText).cx);
    d.selectFont(large);
  }
  const int m = cy / 3, k = m / 2;
  int L = T + 2 * m;
  int U = l.singleLine ? 2 * k + cy : 3 * cy;
  if (image) {  // a label larger than the label image is cut to it
    L = std::min(L, kLabelW);
    U = std::min(U, kLabelH);
  }
  const int x = l.hjustify == kJustifyRight ? l.xi - L : l.hjustify == kJustifyCentre ? l.xi - L / 2 : l.xi;
  const int y = l.vjustify == kJustifyBottom ? l.yi - U : l.vjustify == kJustifyCentre ? l.yi - U / 2 : l.yi;
  lastBox = TlabelBox{x, y, L, U, m, k};

  // The anchor mark and a clean label image.
  if (tbm || raw) {
    for (int r = l.yi - 3; r <= l.yi + 2; ++r)
      for (int c = l.xi - 3; c <= l.xi + 2; ++c) {
        if (tbm) tbm->setPixel(c, r, uint8_t{255}, uint8_t{0}, uint8_t{0});
        else raw->setcolour24(c, r, 255, 0, 0);
      }
    d.fillRect(platform::TRect{0, 0, kLabelW, kLabelH}, platform::solidBrush(0));
  } else {
    d.setViewportOrg(TPoint{d.viewportOrg().X + x, d.viewportOrg().Y + y});
  }
  const platform::TRect inner{k, k, L - k, U - k};
  d.fillRect(inner, platform::solidBrush(image ? 0x808080 : 0x0000FF));

  // Pointer.
  const int H = U / 2, C = L / 2;
  std::vector<TPoint> tri;
  const int hj = l.hjustify, vj = l.vjustify;
  if (hj == kJustifyLeft && vj == kJustifyTop) tri = {{0, 0}, {4 * m, 2 * k}, {2 * k, 4 * m}};
  else if (hj == kJustifyLeft && vj == kJustifyCentre) tri = {{0, H}, {2 * m, H - m}, {2 * m, H + m}};
  else if (hj == kJustifyLeft && vj == kJustifyBottom) tri = {{0, U}, {4 * m, U - 2 * k}, {2 * k, U - 4 * m}};
  else if (hj == kJustifyRight && vj == kJustifyTop) tri = {{L, 0}, {L - 2 * k, 4 * m}, {L - 4 * m, 2 * k}};
  else if (hj == kJustifyRight && vj == kJustifyCentre) tri = {{L, H}, {L - 2 * m, H - m}, {L - 2 * m, H + m}};
  else if (hj == kJustifyRight && vj == kJustifyBottom) tri = {{L, U}, {L - 2 * k, U - 4 * m}, {L - 4 * m, U - 2 * k}};
  else if (hj == kJustifyCentre && vj == kJustifyTop) tri = {{C, -1}, {C + 4 * m, 4 * m}, {C - 4 * m, 4 * m}};
  else if (hj == kJustifyCentre && vj == kJustifyBottom) tri = {{C, U + 1}, {C + 4 * m + 1, U - 4 * m}, {C - 4 * m, U - 4 * m}};
  if (!tri.empty()) {
    const platform::TBrushDesc oldBrush = d.setBrush(platform::solidBrush(0x00FFFF));
    const platform::TPenDesc oldPen = d.setPen(platform::makePen(platform::PenStyle::Null, 1, 0));
    d.polygon(tri);
    d.setPen(oldPen);
    d.setBrush(oldBrush);
  }

  // The box by the time of day: dark green at midnight to green at noon, red at noon to dark red.
  platform::TColor boxColour = 0;
  if (!image)
    boxColour = morning ? fade(0x002800, 0x00B400, dayPart * 200) : fade(0x000028, 0x0000FF, (1 - dayPart) * 200);
  d.fillRect(inner, platform::solidBrush(boxColour));

  if (l.singleLine) {
    d.textOut(m, k, l.name + "  " + time);
    d.selectFont(small);
    d.textOut(m + c1, k + 6, "  " + dayText);
  } else {
    int tx = m;
    if (hj == kJustifyRight) {
      tx = L - m;
      d.setTextAlign(platform::TA_RIGHT | platform::TA_TOP);
    }
    d.textOut(tx, k, l.name);
    d.textOut(tx, k + rnd(0.8 * cy), time);
    d.selectFont(small);
    d.textOut(tx, k + rnd(1.6 * cy), dayText);
  }

  if (image) {
    for (int r = 0; r < U; ++r)
      for (int c = 0; c < L; ++c) {
        const platform::TColor px = d.getPixel(c, r);
        const Tbgr lc = bgr(static_cast<int32_t>(px));
        const int tx = x + c, ty = y + r;
        if (px != 0) {
          if (tbm) tbm->setPixel(tx, ty, lc);
          else raw->setcolour24(tx, ty, lc.red, lc.green, lc.blue);
        } else if (tbm) {
          Tbgr t, o;
          if (!tbm->inRange(tx, ty)) continue;
          tbm->getPixel(tx, ty, t);
          FadeColour(t, Tbgr{0, 0, 0}, 55, o);
          tbm->setPixel(tx, ty, o);
        } else if (tx >= 0 && ty >= 0 && tx < raw->width() && ty < raw->height()) {
          uint8_t rr = 0, gg = 0, bb = 0;
          raw->getcolour24(tx, ty, rr, gg, bb);
          uint8_t r2 = 0, g2 = 0, b2 = 0;
          FadeColour(rr, gg, bb, 0, 0, 0, 45, r2, g2, b2);
          raw->setcolour24(tx, ty, r2, g2, b2);
        }
      }
  }
  d.restoreDC(saved);
}
