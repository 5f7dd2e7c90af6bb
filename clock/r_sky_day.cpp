// Tsky's day steps: the sky colours with the glow around the sun (gradient-filled 6-degree
// cells), the hourly figure-eights, the monthly and solstice day paths with their captions,
// today's path with hour dots and the sunrise and sunset marks, the sun, the moon and the
// Earth's shadow. Curves are computed by moving the shared observer, which is restored after.
#include <cmath>

#include "astro/r_Sun.h"
#include "astro/r_SunLoc.h"
#include "clock/r_sky.h"
#include "clock/r_sky_draw.h"
#include "clock/r_sky_lines.h"
#include "core/Ttrig.h"
#include "core/r_Font.h"
#include "core/r_date.h"

using namespace platform;

namespace {
constexpr double kPi = 3.14159265358979323846;
int32_t fade(int32_t c, int32_t t, double p) { return TosDrawing::FadeColour(c, t, p); }
constexpr int32_t kZenith = 0xFF6464;
}  // namespace

int32_t Tsky::getcolour(double bearing, double elevation) {
  int32_t h = 0xFFFFFF, z = kZenith;
  if (light < 100) {
    h = fade(0x400000, 0xFFFFFF, light);
    z = fade(0x200000, kZenith, light);
  }
  const int32_t base = fade(h, z, elevation * 80 / 90 + 20);
  double d = 100;
  if (sun->ortho) {
    sun->ortho->OrthoBearing(sun->getSunB(), sun->getSunE(), bearing, elevation);
    d = sun->ortho->orthodistance();
  }
  constexpr double k = 80;
  if (d >= k) return base;
  int32_t g = sunColour;
  if (light < 100 && elevation < eleUp) g = fade(0x8080D2, g, elevation / eleUp * 100);
  return fade(g, base, 100 * d / k);
}

void Tsky::DrawDaySky(TCanvas& canvas, double step) {
  sunColour = 0xFFFFFF;
  if (light < 100)
    sunColour = light <= 50 ? fade(0x000000, 0x0000FF, light * 2) : fade(0xA0A0C8, 0xFFFFFF, (light - 50) * 2);
  sun->sun();
  canvas.Brush.Color = clWhite;
  canvas.Brush.Style = bsSolid;
  canvas.FillRect({0, 0, width, height});

  const Ttrig& tr = createTrig();
  const int ni = int(std::nearbyint(360 / step)), nj = int(std::nearbyint(90 / step));
  for (int i = 0; i < ni; ++i)
    for (int j = -1; j < nj; ++j) {
      const double b1 = i * step, b2 = b1 + step, e1 = j * step, e2 = e1 + step;
      TPoint A, B, C, D;
      if (!inView(b1, e1, A.X, A.Y) || !inView(b1, e2, B.X, B.Y) || !inView(b2, e2, C.X, C.Y) ||
          !inView(b2, e1, D.X, D.Y))
        continue;
      const int32_t cA = getcolour(b1, e1), cB = getcolour(b1, e2), cC = getcolour(b2, e2), cD = getcolour(b2, e1);
      if (tr.TriangleInBox(A.X, A.Y, B.X, B.Y, C.X, C.Y, viewbox))
        grad->GradientTriangle(canvas, A.X, A.Y, cA, B.X, B.Y, cB, C.X, C.Y, cC);
      if (tr.TriangleInBox(A.X, A.Y, C.X, C.Y, D.X, D.Y, viewbox))
        grad->GradientTriangle(canvas, A.X, A.Y, cA, C.X, C.Y, cC, D.X, D.Y, cD);
    }

  Tobserver& ob = sun->ob;
  const int month = ob.month(), day = ob.day();
  const double gmt = ob.gmt();
  Txyvalues run;
  for (int hour = 1; hour <= 24; ++hour) hourLine(canvas, hour, run);
  skydraw::dottedPen(canvas, 0xDCDCDC);
  for (int m = 1; m <= 6; ++m)
    monthLine(canvas, run, m - 1, 1, m, dateman ? dateman->MonthName(m - 1) : "", 45, false, 0x808080);
  skydraw::dottedPen(canvas, 0xFFFFFF);
  for (int m = 7; m <= 12; ++m)
    monthLine(canvas, run, m - 1, 1, m, dateman ? dateman->MonthName(m - 1) : "", 50, false, 0x000000);
  skydraw::solidPen(canvas, 0x008000);
  locations->getHome();  // refreshes the home latitude
  const bool north = locations->homeLat >= 0;
  monthLine(canvas, run, 12, 21, 12, north ? "Winter solstice" : "Summer solstice", 70, north, 0x008000);
  monthLine(canvas, run, 13, 21, 6, north ? "Summer solstice" : "Winter solstice", 70, !north, 0x008000);
  skydraw::solidPen(canvas, 0x00FFFF);
  monthLine(canvas, run, 14, 21, 3, "Equinox", 70, false, 0x00FFFF);
  ob.setMonth(month);
  ob.setDay(day);
  ob.setTime(gmt);
  log("dosun");
  dosun(canvas);
  log("domoon");
  domoon(canvas);
  log("day done");
}

void Tsky::hourLine(TCanvas& canvas, int hour, Txyvalues& run) {
  (void)run;
  Tobserver& ob = sun->ob;
  skydraw::dottedPen(canvas, 0xF5F5F5);
  TrunPen pen;
  auto doit = [&](int day, int month) {
    ob.setMonth(month);
    ob.setDay(day);
    ob.setTime(hour - timediff);
    sun->sun();
    runTo(canvas, pen, sun->getSunB(), sun->getSunE());
  };
  static constexpr int days[] = {1, 6, 11, 16, 21, 26};
  for (int month = 1; month <= 12; ++month)
    for (int day : days) {
      doit(day, month);
      if (month == 6 && day == 21) skydraw::solidPen(canvas, 0xFFFFFF);  // the year's second half solid
    }
  skydraw::dottedPen(canvas, 0xF5F5F5);
  doit(1, 1);
}

void Tsky::monthLine(TCanvas& canvas, Txyvalues& run, int index, int day, int month, const std::string& caption,
                     int percent, bool below, int32_t fontcolour) {
  Tobserver& ob = sun->ob;
  ob.setMonth(month);
  ob.setDay(day);
  bool last = false;
  for (int i = 0; i <= 144; ++i) {
    ob.setLocal(i / 6.0);
    sun->sun();
    int x, y;
    const double e = sun->getSunE();
    if (e > -1 && inView(sun->getSunB(), e, x, y) && x >= -60 && y >= -60 && x < width + 60 && y < height + 60) {
      if (last) canvas.LineTo(x, y);
      else canvas.MoveTo(x, y);
      last = true;
      run.push_back({xid, yid});
    } else {
      last = false;
    }
  }
  if (run.empty()) return;
  const int n = int(run.size());
  int k = n / 2;
  if (index < 12) {
    if (percent == 45) k -= 5;
    if (percent == 50) k -= 10;
  }
  doLabel(canvas, run, k, caption, fontcolour, percent, below);
  run.clear();
}

void Tsky::doLabel(TCanvas& canvas, Txyvalues& a, int vertex, const std::string& s, int32_t colour, int percent,
                   bool below) {
  const int n = int(a.size());
  if (n <= 1) {
    a.clear();
    return;
  }
  double x = 0, y = 0, dx = 0, dy = 0;
  if (vertex < 0) {
    if (!skylines::LinePercentPoint(x, y, dx, dy, a, percent)) {
      a.clear();
      return;
    }
  } else {
    vertex = std::min(vertex, n - 1);
    x = a[size_t(vertex)].x;
    y = a[size_t(vertex)].y;
    // At either end the one neighbouring segment gives the direction.
    const size_t before = size_t(std::max(vertex - 1, 0)), after = size_t(std::min(vertex + 1, n - 1));
    dx = a[after].x - a[before].x;
    dy = a[after].y - a[before].y;
  }
  double angle = std::atan2(dy, dx);
  if (angle > kPi / 2) angle -= kPi;
  if (angle < -kPi / 2) angle += kPi;
  shift->move(canvas, x, y, angle);
  canvas.Font.Color = TColor(colour);
  canvas.Font.setSize(os ? os->fontsize(12) : 12);
  skydraw::transparentText(canvas);
  TfontMan::align(canvas, TA_CENTER | TA_TOP);
  if (fontman) {
    if (below) fontman->TopTextOut(canvas, 0, 4, skydraw::wd(s));
    else fontman->BaseTextOut(canvas, 0, -4, skydraw::wd(s));
  }
  shift->clear();
  a.clear();
}

void Tsky::DrawSunpath(TCanvas& canvas) {
  Tobserver& ob = sun->ob;
  const double savedGmt = ob.gmt();
  ob.setDT(dateman ? dateman->getgmtDt() : ob.getDT());
  ob.setTZ(timediff);
  homeTzDiff = int(std::nearbyint(timediff * 60));
  TDateTime rise = 0, set = 0;
  double riseB = 0, setB = 0, riseH = 0, setH = 0;
  const bool found = sun->sunRiseSetDT(rise, set, riseB, setB);
  if (found) {
    riseH = (rise - std::floor(rise)) * 24;
    setH = (set - std::floor(set)) * 24;
  }
  lastRiseSetFound = found;
  ob.setTZ(0);

  skydraw::solidPen(canvas, 0x0000FF);
  canvas.Font.Color = 0x0000FF;
  canvas.Font.setName(os ? os->fontname() : canvas.Font.Name());
  canvas.Font.setSize(os ? os->fontsize(9) : 9);
  TfontMan::align(canvas, TA_CENTER);
  canvas.Brush.Color = TColor(fade(0x0000FF, 0x00FFFF, 50));
  canvas.Brush.Style = bsSolid;

  // The centre hour: the visible hourly position nearest the middle of the view.
  int h0 = -1, best = 0;
  for (int h = 0; h < 24; ++h) {
    ob.setTime(h);
    sun->sun();
    int x, y;
    if (!inView(sun->getSunB(), sun->getSunE(), x, y)) continue;
    const int d = std::abs(x - width / 2);
    if (h0 < 0 || d < best) h0 = h, best = d;
  }
  lastCentreHour = h0;
  // Without a visible hour the path runs round local noon, and carries no hour numbers.
  const bool numbers = h0 >= 0;
  const double centre = numbers ? h0 : std::fmod(std::nearbyint(12 - timediff) + 48, 24.0);
  bool last = false;
  for (int i = 0; i <= 96; ++i) {
    const double t = centre + (i - 48) / 4.0;
    ob.setTime(t);
    sun->sun();
    int x, y;
    if (!inView(sun->getSunB(), sun->getSunE(), x, y)) {
      last = false;
      continue;
    }
    if (last) canvas.LineTo(x, y);
    else canvas.MoveTo(x, y);
    last = true;
    double tim = homeTzDiff / 60.0 + t;
    while (tim < 0) tim += 24;
    while (tim > 24) tim -= 24;
    const int q = int(std::nearbyint(tim * 4));
    if (q % 4 != 0) {
      canvas.Ellipse(x - 1, y - 1, x + 2, y + 2);
    } else {
      int hour = q / 4;
      if (locations->useAmPm) hour = hour % 12 == 0 ? 12 : hour % 12;
      if (q != 0 && numbers && fontman) {
        skydraw::transparentText(canvas);
        fontman->BaseTextOut(canvas, x, y - 6, std::to_string(hour));
      }
      canvas.Ellipse(x - 3, y - 3, x + 3, y + 3);
    }
    canvas.MoveTo(x, y);
  }
  const double lastE = sun->getSunE();
  // Sunrise and sunset marks only when the day has them (not in polar day or night).
  auto mark = [&](double bearing, double hours, const char* what) {
    int x, y;
    if (!inView(bearing, 0, x, y)) return;
    canvas.MoveTo(x, y);
    canvas.LineTo(x, y - 30);
    const int h = int(hours), m = int((hours - h) * 60);
    const std::string time =
        locations->useAmPm ? TdateMan::TimeStrAMPM(h, m) : (dateman ? dateman->TimeStr(h, m) : std::to_string(h));
    skydraw::transparentText(canvas);
    if (fontman) fontman->BaseTextOut(canvas, x, y - 32, skydraw::wd(what) + ": " + time);
  };
  if (found) {
    mark(riseB, riseH, "Sun rise");
    if (std::fabs(lastE) <= 1.5) canvas.Font.Color = clWhite;
    mark(setB, setH, "Sun set");
  }
  ob.setTime(savedGmt);
  sun->sun();
}

void Tsky::dosun(TCanvas& canvas) {
  DrawSunpath(canvas);
  canvas.Brush.Color = 0x00FFFF;
  canvas.Brush.Style = bsSolid;
  int x, y;
  if (!inView(sun->getSunB(), sun->getSunE(), x, y)) return;
  canvas.Ellipse(x - 6, y - 6, x + 6, y + 6);
  canvas.Font.Color = 0x0000FF;
  TfontMan::align(canvas, TA_CENTER | TA_TOP);
  skydraw::transparentText(canvas);
  if (fontman) fontman->TopTextOut(canvas, x, y + 7, skydraw::wd("Sun"));
}

void Tsky::domoon(TCanvas& canvas) {
  log(std::string("moon a ") + (fontman ? "yes" : "no"));
  int x, y;
  if (inView(sun->getSunB() + 180, -sun->getSunE(), x, y)) {
    if (sun->MoonDiameter() == 0) {
      sun->sun();
      sun->Moon();
    }
    const double mr = sun->MoonDiameter() / 2, ur = sun->UmbraRadius(), pur = sun->PenUmbraRadius();
    log("umbra " + std::to_string(ur) + " penumbra " + std::to_string(pur));
    if (mr > 0) {
      skydraw::dottedPen(canvas, 0x0000FF);
      canvas.Brush.Style = bsClear;
      const int a = int(std::nearbyint(ur / mr * 6)), c = int(std::nearbyint(pur / mr * 6));
      canvas.Ellipse(x - a, y - a, x + a, y + a);
      canvas.Ellipse(x - c, y - c, x + c, y + c);
      TfontMan::align(canvas, TA_CENTER | TA_TOP);
      skydraw::transparentText(canvas);
      if (fontman) fontman->TopTextOut(canvas, x, y + c + 1, skydraw::wd("Earth shadow"));
      canvas.Brush.Style = bsSolid;
      skydraw::solidPen(canvas, 0x0000FF);
    }
  }
  canvas.Brush.Color = clWhite;
  canvas.Brush.Style = bsSolid;
  log("moon b");
  if (inView(sun->getMoonB(), sun->getMoonE(), x, y)) {
    canvas.Ellipse(x - 6, y - 6, x + 6, y + 6);
    canvas.Font.Color = sun->getSunE() <= 0 ? clWhite : clBlack;
    TfontMan::align(canvas, TA_CENTER | TA_TOP);
    skydraw::transparentText(canvas);
    if (fontman) fontman->TopTextOut(canvas, x, y + 7, skydraw::wd("Moon"));
  }
  log("moon c");
}
