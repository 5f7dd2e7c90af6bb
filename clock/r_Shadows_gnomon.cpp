// The shadow diagram: a plan view, north up, of where the tip of a vertical gnomon's shadow falls,
// in millimetres around the gnomon's foot at the centre of a 630 × 420 mm page, over rings in
// fractions of the gnomon height and rays every 5 degrees.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "clock/r_Shadows_work.h"
#include "core/Ttrig.h"
#include "core/r_Font.h"
#include "core/r_date.h"
#include "platform/numbers.h"

using namespace platform;

namespace {
constexpr double kLowestSun = 89;     // zenith distance: the sun at least 1 degree up
constexpr double kCaptionRing = 1.04;  // captions stand just outside the outer ring
std::string word(const std::string& s) { return os ? os->wd("Shadows", s) : s; }
}  // namespace

double TshadowsWork::TshadowPoint::x() const { return std::sin(a) * L; }
double TshadowsWork::TshadowPoint::y() const { return std::cos(a) * L; }

bool TshadowsWork::shadowPoint(TshadowPoint& p) {
  const double z = 90 - sun.getSunE();
  if (!(z < kLowestSun)) return false;
  const double L = std::tan(z * std::numbers::pi / 180) * gnomon;
  if (!(L < W)) return false;
  p.a = (sun.getSunB() + 180) * std::numbers::pi / 180;
  p.L = L;
  return true;
}

void TshadowsWork::drawLine2() {
  std::vector<TPoint> pts;
  pts.reserve(list.size());
  for (auto const& q : list) pts.push_back({dw.px(std::sin(q.x) * q.y), dw.py(std::cos(q.x) * q.y)});
  if (pts.size() < 2) return;
  // Curves run out to shadows of 630 mm: they are cut at the page, their captions are not.
  TDeviceContext* dc = cv.Handle();
  dc->saveDC();
  dc->intersectClipRect(0, 0, dw.pix(W), dw.pix(H));
  cv.Polyline(pts);
  dc->restoreDC(-1);
  cv.bind(dc);  // the canvas selects its pen and brush afresh
}

void TshadowsWork::doHour2(int h) {
  list.clear();
  prevY = 1;
  for (int d = 0; d <= 365; ++d) {
    sunAtDayOfYear(d, h);
    TshadowPoint p;
    if (shadowPoint(p)) add(p.a, p.L);
  }
  drawLine2();
}

void TshadowsWork::doDay2(int month, int day, const std::string& caption) {
  TfontMan& fm = createFontMan();
  ob.setDT(createDateman().EncodeDateTime(Tshadows::kYear, month, day, 12.0));
  list.clear();
  prevY = 1;
  int state = 0;  // 0 outside before the ring, 1 inside, 2 outside after it
  TshadowPoint PA, PB, PC, PD;
  double offset = 1;
  for (int q = 0; q <= 96; ++q) {
    ob.setLocal(q / 4.0);
    sun.sun();
    TshadowPoint p;
    if (!shadowPoint(p)) continue;
    add(p.a, p.L);
    if (state == 0) {
      if (p.L < R) state = 1, PB = PC = p;
      else PA = p;
    } else if (state == 1) {
      if (p.L <= R) PC = p;
      else state = 2, PD = p;
    }
    if ((q % 4 == 0 || highlight) && p.L < R) {
      cv.Brush.Color = cv.Pen.Color;
      cv.Brush.Style = bsSolid;
      disc(p.x(), p.y(), highlight && q % 4 == 0 ? 1.0 : 0.6);
      const std::string hour = std::to_string(q / 4);
      if (highlight && q % 4 == 0) fm.BaseTextOut(cv, dw.px(p.x()), dw.py(p.y() + 2), hour);
      if (solstice) {
        if (lat > 0) fm.TopTextOut(cv, dw.px(p.x()), dw.py(p.y() - 4), hour);
        else fm.BaseTextOut(cv, dw.px(p.x()), dw.py(p.y() + 4), hour);
      }
    }
  }
  drawLine2();
  if (caption.empty() || sh.date != 0) return;
  if (caption == "EQUINOX") {
    doCaption(PA, PB, 3, offset, word("Vernal Equinox"));
    doCaption(PC, PD, 9, offset, word("Autumnal Equinox"));
  } else if (caption == "SOLSTICE") {
    const bool june = month == 6;
    const std::string name = word(june == (lat > 0) ? "Summer Solstice" : "Winter Solstice");
    if (june) doCaption(PA, PB, month, 2, name);
    else doCaption(PC, PD, month, -2, name);
  } else if (month <= 6) {
    doCaption(PA, PB, month, offset, caption);
  } else {
    doCaption(PC, PD, month, offset, caption);
  }
}

void TshadowsWork::doCaption(const TshadowPoint& p1, const TshadowPoint& p2, int month, double offset,
                             const std::string& text) {
  // Two points of equal length cross no ring between them: no caption rather than a division by 0.
  if (p1.L == 0 || p2.L == 0 || p1.L == p2.L) return;
  const double t = (kCaptionRing * R - p1.L) / (p2.L - p1.L);
  const double x = p1.x() + t * (p2.x() - p1.x()), y = p1.y() + t * (p2.y() - p1.y());
  const double angle = createTrig().arcTan(p2.y() - p1.y(), p2.x() - p1.x()) * 180 / std::numbers::pi;
  align(month <= 6 ? TA_RIGHT : TA_LEFT);
  cv.Font.Color = cv.Pen.Color;
  withAngleFont(dw.pv(9), Round32(-angle * 10), [&] {
    TfontMan& fm = createFontMan();
    if (offset >= 0) fm.TopTextOut(cv, dw.px(x), dw.py(y - offset), text);
    else fm.BaseTextOut(cv, dw.px(x), dw.py(y - offset), text);
  });
}

void TshadowsWork::doAnglestr(const std::string& text, int x, int y, double angle) {
  // Labels on the southern half are turned half a circle so that they stay upright.
  const int angle10 = angle <= 90 || angle >= 270 ? Round32(angle * 10) : Round32(angle * 10 + 1800);
  withAngleFont(dw.pv(6), angle10, [&] { createFontMan().BaseTextOut(cv, x, y, text); });
}

void TshadowsWork::shadowDiagram() {
  TfontMan& fm = createFontMan();
  TdateMan& dm = createDateman();
  // The grid: n gnomon heights out to R, k rings to each.
  gnomon = std::clamp(sh.gnomon, 5.0, 200.0);
  n = std::max(1, int(Trunc(200 / gnomon)));
  R = n * gnomon;
  k = gnomon > 40 ? 10 : gnomon >= 20 ? 8 : 4;
  yT = (lat > 0 ? -1 : 1) * (n - 0.5) * gnomon;
  // 1: the rings, outermost first, each filled white.
  cv.Pen.Width = dw.pv(0.25);
  cv.Brush.Color = clWhite;
  cv.Brush.Style = bsSolid;
  for (int i = n * k; i >= 1; --i) {
    cv.Pen.Color = i % k == 0 ? 0xC0C0C0 : i % (k / 2) == 0 ? 0xD7D7D7 : 0xF5EBE1;
    disc(0, 0, i * gnomon / k);
  }
  // 2: the rays every 5 degrees, labelled every 30.
  fontSize(2.2);
  cv.Font.Color = 0x808080;
  align(TA_CENTER);
  for (int i = 0; i <= 71; ++i) {
    const double a = i * 2 * std::numbers::pi / 72, s = std::sin(a), c = std::cos(a);
    const bool major = i % 6 == 0;
    cv.Pen.Color = major ? 0x808080 : 0xC0C0C0;
    cv.Pen.Width = dw.pv(major ? 0.35 : 0.25);
    const double r0 = i % 18 == 0 ? 1 : major ? 5 : i % 3 == 0 ? gnomon : 2 * gnomon;
    line(s * r0, c * r0, s * R, c * R);
    if (major && i != 0 && i != 36) {
      const int deg = 5 * i;
      const double r = deg < 91 || deg > 269 ? R + 1 : R + 6;
      doAnglestr(std::to_string(deg) + "°", dw.px(s * r), dw.py(c * r), deg);
    }
  }
  // 3: the foot.
  cv.Pen.Color = clBlack;
  cv.Brush.Color = clBlack;
  disc(0, 0, 1);
  // 4, 5: north and the ring labels.
  fontSize(5);
  cv.Font.Color = 0x808080;
  align(TA_CENTER);
  fm.BaseTextOut(cv, dw.px(0), dw.py(R + 1.5), word("NORTH"));
  align(TA_LEFT);
  for (int i = 1; i <= n; ++i)
    fm.VCentredText(cv, dw.px(2), dw.py(-i * gnomon),
                    std::to_string(i) + (i < n ? "x" : word("x height of gnomon")));
  // 6: the curves' pen and font (each curve is cut at the page as it is drawn).
  align(TA_CENTER);
  cv.Pen.Color = clBlack;
  cv.Pen.Width = dw.pv(0.3);
  fontSize(7);
  // 7: the first day of every month.
  for (int m = 12; m >= 1; --m) {
    if (m == 12) cv.Pen.Color = clBlue;
    if (m == 6) cv.Pen.Color = clBlack;
    doDay2(m, 1, dm.MonthName(m - 1));
  }
  // 8: the hours through the year.
  fontSize(7);
  align(TA_CENTER);
  cv.Font.Color = clBlack;
  cv.Pen.Color = clBlack;
  cv.Pen.Width = dw.pv(0.3);
  for (int h = 0; h <= 23; ++h) doHour2(h);
  // 9: the solstices and the equinox; the hemisphere's summer solstice gets its hours.
  cv.Pen.Color = clRed;
  cv.Pen.Width = dw.pv(0.5);
  solstice = lat > 0 && sh.date == 0;
  doDay2(6, 21, "SOLSTICE");
  solstice = lat <= 0 && sh.date == 0;
  doDay2(12, 21, "SOLSTICE");
  solstice = false;
  doDay2(3, 21, "EQUINOX");
  // 10: the text block.
  fontSize(5);
  cv.Font.Color = clBlack;
  align(TA_CENTER);
  fm.VCentredText(cv, dw.px(0), dw.py(yT), placeLine());
  fontSize(3.5);
  fm.TopTextOut(cv, dw.px(0), dw.py(yT) + dw.pv(6),
                word("The hours should be adjusted for daylight saving time where necessary."));
  fontSize(7);
  fm.TopTextOut(cv, dw.px(0), dw.py(yT) - dw.pv(12), word("SHADOW DIAGRAM"));
  // 11: the highlighted day.
  if (sh.date > 0) {
    cv.Pen.Width = dw.pv(0.7);
    int y = 0, month = 1, day = 1, hh = 0, mi = 0, ss = 0;
    dm.DecodeDateTime(sh.date, y, month, day, hh, mi, ss);
    highlight = true;
    cv.Font.Color = clRed;
    fontSize(9);
    fm.VCentredText(cv, dw.px(0), dw.py(yT + (lat > 0 ? gnomon : -gnomon)),
                    std::to_string(day) + " " + dm.MonthName(month - 1));
    doDay2(month, day, "");
    highlight = false;
  }
}
