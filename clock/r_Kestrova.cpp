#include "clock/r_Kestrova.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "astro/r_Sun.h"
#include "astro/r_SunLoc.h"
#include "clock/r_SunGlobe.h"
#include "core/Tbm24.h"
#include "core/os_drawing.h"
#include "core/r_Font.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "platform/datetime.h"
#include "platform/numbers.h"
#include "platform/text.h"

namespace {
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double rr0 = 0.96, rr = rr0 - 0.02, moonBand = 0.06, zband = 0.06;
constexpr double v = (0.48 - moonBand - (1 - rr0) - zband) / 6;

int32_t fade(int32_t c, int32_t t, double p) { return Tos::FadeColour(c, t, p); }
std::string wd(const std::string& term) { return os ? os->wd("kestrova", term) : term; }
int iround(double x) { return int(platform::Round(x)); }
// 1-based.
int dayOfYear(int y, int m, int d) {
  int n = d;
  for (int k = 1; k < m; ++k) n += TdateMan::DaysInMonth(y, k);
  return n;
}
}  // namespace

TfancyClock::TfancyClock(TsunBase& sunbase)
    : TqyObject("fancy"),
      bm(std::make_unique<Tbm24>()),
      locations(sunbase.locations()),
      sun(sunbase.sun()),
      fscaled(std::make_unique<Tbm24>()) {
  globe = std::make_unique<TglobeDial>(nullptr, sunbase);  // no window: the clock shows it
  setwidth(300);
}

TfancyClock::~TfancyClock() = default;

void TfancyClock::setwidth(int value) {
  fwidth = 2 * std::max(0, value);
  bm->setsize(fwidth, fwidth);
  fscaled->setsize(width(), width());
  changedIn({0, 0, fwidth, fwidth});
  redraw();
}

void TfancyClock::setImage(TrawBitmap24* bitmap) {
  imageGiven = true;  // none at all leaves the globe in its background colour
  globe->setMini(bitmap);
  redraw();
}

int32_t TfancyClock::fill(int option) const {
  static const double O[10] = {0, 70, 75, 80, 85, 90, 95, 25, 25, 80};
  if (!mycolours) return fade(backColour, 0xFFFFFF, O[option]);
  switch (option) {
    case r_month: return fade(basecolour, 0xFFFFFF, 40);
    case r_day: return fade(basecolour, 0xFFFFFF, 67.5);
    case r_dayofweek: return fade(basecolour, 0xFFFFFF, 72);
    case r_hour: return fade(basecolour, 0xFFFFFF, 76.5);
    case r_min: return fade(basecolour, 0xFFFFFF, 40);
    case r_sec: return fade(basecolour, 0, 10);
    case r_moon: return fade(basecolour, 0, 5);
    case r_zodiac: return fade(basecolour, 0xFFFFFF, 32);
    default: return fade(basecolour, 0xFFFFFF, 80);
  }
}

int32_t TfancyClock::labelColour(int option, int32_t Q) const {
  if (!mycolours) return fade(Q, 0, 35);
  switch (option) {
    case r_month: return basecolour;
    case r_dayofweek: return fade(0x000080, 0xFFFFFF, 35);
    case r_min:
    case r_sec: return fade(Q, 0xFFFFFF, 35);
    case r_zodiac: return fade(0x000080, 0xFFFFFF, 65);
    case r_dayofyear: return 0x00FFFF;
    default: return fade(Q, 0, 35);
  }
}

int32_t TfancyClock::tickColour(int option) const {
  if (!mycolours) return 0;
  switch (option) {
    case r_month:
    case r_min: return 0xDCDCDC;
    case r_sec:
    case r_dayofyear: return 0x808080;
    default: return 0;
  }
}

TringSlots TfancyClock::slots(int option) {
  TringSlots s;
  switch (option) {
    case r_month: s = {12, month - 1}; break;
    case r_day: s = {TdateMan::DaysInMonth(year, month), day - 1}; break;
    case r_dayofweek: s = {7, dayofweek}; break;
    case r_hour: s = {24, hour}; break;
    case r_min: s = {60, minute}; break;
    case r_sec: s = {60, second}; break;
    case r_moon: {
      const double p = sun.getMoonPhase();
      const int k = iround(p / 2);
      s = {100, sun.getWaxing() ? 100 - k : k};
      break;
    }
    case r_zodiac: s = {12, createDateman().ZodiacFromDate(month, day)}; break;
    case r_dayofyear: s = {platform::isLeapYear(year) ? 366 : 365, dayOfYear(year, month, day) - 1}; break;
    default: break;
  }
  return s;
}

void TfancyClock::getAngles(int option, int n, int M, double& start, double& end) const {
  switch (option) {
    case r_month:
      start = (dayOfYear(year, n + 1, 1) - 1) / double(daysInYear) * kTwoPi;
      end = n >= 11 ? 0 : (dayOfYear(year, n + 2, 1) - 1) / double(daysInYear) * kTwoPi;
      break;
    case r_zodiac: {
      const Tzodiac* z = createDateman().getZodiac(n);
      if (!z) {
        start = double(n) / M * kTwoPi, end = double(n + 1) / M * kTwoPi;
        break;
      }
      start = (dayOfYear(year, z->startmonth, z->startday) - 1) / double(daysInYear) * kTwoPi;
      end = dayOfYear(year, z->endmonth, z->endday) / double(daysInYear) * kTwoPi;
      break;
    }
    case r_moon:  // slots run anticlockwise from the bottom: slot n's clockwise edges
      start = std::numbers::pi - double(n + 1) / M * kTwoPi;
      end = std::numbers::pi - double(n) / M * kTwoPi;
      break;
    default:
      start = double(n) / M * kTwoPi;
      end = double(n + 1) / M * kTwoPi;
      break;
  }
}

std::array<std::string, 4> TfancyClock::seasonTerms(double homeLat) {
  // In the order of eq1, sol1, eq2, sol2: the March equinox is the autumnal one in the south.
  if (homeLat > 0) return {"vernal equinox", "summer solstice", "autumnal equinox", "winter solstice"};
  return {"autumnal equinox", "winter solstice", "vernal equinox", "summer solstice"};
}

// Pixels between the two radii whose angle (from the top, clockwise) lies in [a0, a1).
void TfancyClock::band(int rOut, int rIn, double a0, double a1, int32_t colour) {
  const int c = fwidth / 2;
  if (rOut < 0) return;
  rIn = std::max(rIn, 0);
  const Tbgr col{uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour)};
  while (a1 < a0) a1 += kTwoPi;
  const double span = a1 - a0;
  const bool whole = span >= kTwoPi - 1e-12;
  a0 = std::fmod(a0, kTwoPi);
  if (a0 < 0) a0 += kTwoPi;
  const int64_t o2 = int64_t(rOut) * rOut, i2 = int64_t(rIn) * rIn;
  // Only the box round the sector is scanned: its corners and the compass points it passes.
  int x0 = -rOut, x1 = rOut, y0 = -rOut, y1 = rOut;
  if (whole) {
    // Whole rings by row spans: pixels whose centre lies between the two circles.
    for (int y = y0; y < y1; ++y) {
      if (c + y < 0 || c + y >= fwidth) continue;
      const double py = y + 0.5, o = double(o2) - py * py, i = double(i2) - py * py;
      if (o < 0) continue;
      const double xo = std::sqrt(o), xi = i > 0 ? std::sqrt(i) : -1;
      uint8_t* row = bm->rowPt(c + y);
      for (int x = std::max(-c, int(std::ceil(-xo - 0.5))); x < std::min(fwidth - c, int(std::floor(xo - 0.5)) + 1); ++x) {
        const double px = x + 0.5;
        if (xi > 0 && std::fabs(px) < xi) {
          if (px < 0) x = int(std::ceil(xi - 0.5)) - 1;  // jump over the inside
          continue;
        }
        uint8_t* p = row + size_t(c + x) * 3;
        p[0] = col.blue, p[1] = col.green, p[2] = col.red;
      }
    }
    return;
  }
  {
    double minx = 1e9, maxx = -1e9, miny = 1e9, maxy = -1e9;
    auto take = [&](double a, double r) {
      const double x = r * std::sin(a), y = -r * std::cos(a);
      minx = std::min(minx, x), maxx = std::max(maxx, x), miny = std::min(miny, y), maxy = std::max(maxy, y);
    };
    for (double r : {double(rIn), double(rOut)}) {
      take(a0, r);
      take(a0 + span, r);
    }
    for (int k = 0; k < 8; ++k) {
      const double q = k * std::numbers::pi / 2;
      if (q > a0 && q < a0 + span) take(q, rOut);
    }
    x0 = std::max(x0, int(std::floor(minx)) - 1), x1 = std::min(x1, int(std::ceil(maxx)) + 1);
    y0 = std::max(y0, int(std::floor(miny)) - 1), y1 = std::min(y1, int(std::ceil(maxy)) + 1);
  }
  // Narrow sectors by the sides of the two edge rays (no arc tangent per pixel): a point at angle
  // t has sin(t - a0) = cross(edge0, p) / |p|.
  const bool narrow = span < std::numbers::pi;
  const double s0 = std::sin(a0), c0 = std::cos(a0), s1 = std::sin(a0 + span), c1 = std::cos(a0 + span);
  for (int y = y0; y < y1; ++y) {
    if (c + y < 0 || c + y >= fwidth) continue;
    for (int x = x0; x < x1; ++x) {
      if (c + x < 0 || c + x >= fwidth) continue;
      const double px = x + 0.5, py = y + 0.5;
      const double d2 = px * px + py * py;
      if (d2 > double(o2) || d2 < double(i2)) continue;
      if (narrow) {
        if (!(c0 * px + s0 * py >= 0 && -(c1 * px + s1 * py) > 0)) continue;
      } else {
        double a = std::atan2(px, -py);
        if (a < 0) a += kTwoPi;
        double rel = a - a0;
        if (rel < 0) rel += kTwoPi;
        if (rel >= span) continue;
      }
      uint8_t* p = bm->rowPt(c + y) + size_t(c + x) * 3;
      p[0] = col.blue, p[1] = col.green, p[2] = col.red;
    }
  }
}

void TfancyClock::arcs(int rOut, int rIn, double a0, double a1, int32_t colour, int pen) {
  // A pen of width `pen` centred on each circle; at width 1 it lies just inside the band.
  const int lo = pen / 2, hi = pen - lo;
  band(rOut + lo, rOut - hi, a0, a1, colour);
  band(rIn + hi, rIn - lo, a0, a1, colour);
}

void TfancyClock::radial(double angle, double rFrom, double rTo, int32_t colour, int pen) {
  auto& cv = bm->canvas();
  const int c = fwidth / 2;
  cv.Pen.Color = platform::TColor(colour);
  cv.Pen.Width = pen;
  cv.MoveTo(c + iround(rFrom * std::sin(angle)), c - iround(rFrom * std::cos(angle)));
  cv.LineTo(c + iround(rTo * std::sin(angle)), c - iround(rTo * std::cos(angle)));
  cv.Pen.Width = 1;
}

void TfancyClock::label(const std::string& s, double angle, double radius, int32_t colour, int size) {
  if (!fontman || s.empty()) return;
  auto& cv = bm->canvas();
  cv.Font.Color = platform::TColor(colour);
  cv.Font.setSize(std::max(1, size));
  const int c = fwidth / 2;
  fontman->VCentredText(cv, c + iround(radius * std::sin(angle)), c - iround(radius * std::cos(angle)), s);
}

void TfancyClock::dotext(const std::string& s, double angle, double radius, int32_t colour, int size,
                         const std::string& prefix) {
  if (!fontman || s.empty()) return;
  auto& cv = bm->canvas();
  cv.Font.Color = platform::TColor(colour);
  cv.Font.setSize(std::max(1, size));
  const int c = fwidth / 2;
  // Letters spaced 0.4 of the font size apart, the run centred on the angle.
  if (prefix.empty()) fontman->ArcText(cv, c, c, radius, angle, 0.4, s);
  else fontman->Arctext(cv, c, c, radius, angle, 0.4, s, prefix, "WingDings");
}

void TfancyClock::doMoon(int xi, int yi, bool selected, double phase, int32_t Q) {
  const int d = iround(fwidth * 0.016 / 2);
  if (d <= 0 || !moonIcon) return;
  Tbm24& icon = *moonIcon;
  auto& ic = icon.canvas();
  r_SunGlobe::fillBitmap(icon, selected ? fade(Q, 0xFFFFFF, 55) : Q);
  ic.Pen.Style = platform::psClear;
  ic.Brush.Style = platform::bsSolid;
  ic.Brush.Color = platform::TColor(0);
  ic.Ellipse(0, 0, kMoonIcon, kMoonIcon);
  // The dark part of a moon |phase| % lit, painted light on the black disc: the icon shows a moon
  // 100 − |phase| % lit, on one side for the first half of the ring and on the other for the second.
  ic.Brush.Color = platform::TColor(selected ? 0xFFFFFF : 0xDCDCDC);
  sun.moonShade(ic, kMoonIcon / 2, kMoonIcon / 2, kMoonIcon / 2, std::fabs(phase), phase > 0 ? std::numbers::pi : 0);
  ic.Pen.Style = platform::psSolid;
  // Averaged into the icon's square, kept inside a 12-sided polygon a tenth larger than the disc.
  const int c = fwidth / 2, cx = c + xi, cy = c + yi;
  std::array<platform::TPoint, 12> poly;
  for (int k = 0; k < 12; ++k)
    poly[size_t(k)] = {cx + iround(1.1 * d * std::sin(k * kTwoPi / 12)), cy - iround(1.1 * d * std::cos(k * kTwoPi / 12))};
  auto& cv = bm->canvas();
  platform::TDeviceContext& dc = *cv.Handle();
  cv.BeginPath();
  cv.Polygon(poly);
  cv.EndPath();
  dc.selectClipPath(platform::RGN_COPY);
  icon.Draw(dc, platform::TRect{cx - d, cy - d, cx + d, cy + d});
  dc.resetClip();
}

void TfancyClock::ring(double outer, double inner, int option) {
  const int R1 = iround(fwidth / 2.0 * outer), R2 = iround(fwidth / 2.0 * inner);
  const double R = (R1 + R2) / 2.0;
  const TringSlots s = slots(option);
  if (s.M <= 0) return;
  static const double k[10] = {0, 0.27, 0.2, 0.27, 0.27, 0.17, 0.17, 0.2, 0.2, 0.6};
  const int fsize = iround(fwidth * (outer - inner) * k[option]);
  const double mag = os ? os->fontMagnification() : 1;
  const int fontSize = os ? os->fontsize(fsize / (mag > 0 ? mag : 1)) : fsize;
  if (option == r_dayofyear) {
    daysInYear = s.M;
    dayofyear = s.L + 1;
    // Each event's day in the home place's local time.
    auto doy = [&](double jd) {
      if (jd == 0) return 0;
      const platform::TDateTime t = Tobserver::DateTimeFromJulian(jd) + globe->tzDiff;
      int y = 0, m = 0, d = 0, h = 0, mi = 0, se = 0;
      createDateman().DecodeDateTime(t, y, m, d, h, mi, se);
      return dayOfYear(y, m, d) - 1;
    };
    eq1 = doy(TdateMan::springEquiox(year));
    sol1 = doy(TdateMan::summerSolstice(year));
    eq2 = doy(TdateMan::autumnEquiox(year));
    sol2 = doy(TdateMan::winterSolstice(year));
  }
  if (option == r_moon && !moonIcon) {
    moonIcon = std::make_unique<Tbm24>();
    moonIcon->setsize(kMoonIcon, kMoonIcon);
  }
  const int32_t Q = fill(option), N = labelColour(option, Q), tick = tickColour(option);
  // The band, outlined in black.
  band(R1, R2, 0, kTwoPi, Q);
  if (option == r_hour)  // the hours 12 to 24 darker
    band(R1, R2, std::numbers::pi, kTwoPi, mycolours ? fade(basecolour, 0xFFFFFF, 63.75) : fade(backColour, 0xFFFFFF, 85 * 0.85));
  if (option == r_dayofyear) {
    const int jan1 = createDateman().dayOfWeek(year, 1, 1);  // 0 = Sunday
    for (int i = 0; i < s.M; ++i)  // Saturday and Sunday shaded together
      if ((jan1 + i) % 7 == 6) band(R1, R2, i / double(s.M) * kTwoPi, (i + 2) / double(s.M) * kTwoPi, fade(Q, 0, 20));
    for (int e : {eq1, sol1, eq2, sol2}) band(R1, R2, e / double(s.M) * kTwoPi, (e + 1) / double(s.M) * kTwoPi, 0x00FFFF);
  }
  arcs(R1, R2, 0, kTwoPi, 0, 1);
  if (option == r_dayofyear) {
    const auto terms = seasonTerms(sun.ob.getlat());
    const int days[4] = {eq1, sol1, eq2, sol2};
    const int size = os ? os->fontsize(double(fsize)) : fsize;
    for (int e = 0; e < 4; ++e)
      dotext(platform::upperCase(wd(terms[size_t(e)])), days[e] / double(daysInYear) * kTwoPi, 2.0 * R1 - R2, N, size);
  }
  double a0 = 0, a1 = 0;
  if (option != r_sec && s.L >= 0) {  // the current slot
    getAngles(option, s.L, s.M, a0, a1);
    const int32_t hl = option == r_moon ? fade(Q, 0xFFFFFF, 55) : option == r_zodiac ? fade(Q, 0xFFFFFF, 50) : 0xFFFFFF;
    band(R1 - 1, R2 + 1, a0, a1, hl);
    arcs(R1 - 1, R2 + 1, a0, a1, 0, 2);
  }
  if (option == r_month || option == r_zodiac) {  // today's mark
    const double t0 = (dayofyear - 1) / double(daysInYear) * kTwoPi, t1 = dayofyear / double(daysInYear) * kTwoPi;
    band(R1 - 2, R2 + 2, t0, t1, fade(0xFFFFFF, 0xFF0000, 15));
    radial((t0 + t1) / 2, R2, R1, 0x0000FF, 1);
  }
  for (int i = 0; i < s.M; ++i) {
    if (option == r_sec) {
      doSec(i, i == s.L, outer, inner);
      continue;
    }
    getAngles(option, i, s.M, a0, a1);
    while (a0 > a1) a1 += kTwoPi;
    if (option != r_moon) {
      const bool bold = i == s.L || i == s.L + 1 || (i == 0 && s.L == s.M - 1) || (option == r_dayofyear && i == 0);
      if (bold) radial(a0, R1 - 1, R2 + 1, 0, 3);
      else radial(a0, R1, R2, tick, 1);
    }
    double m = std::remainder((a0 + a1) / 2, kTwoPi);  // into -pi .. pi
    const int32_t col = i == s.L ? 0 : N;
    switch (option) {
      case r_month: dotext(createDateman().MonthName(i), m, R, col, fontSize); break;
      case r_day: label(std::to_string(i + 1), m, R, col, fontSize); break;
      case r_dayofweek: dotext(platform::upperCase(createDateman().DayName(i)), m, R, col, fontSize); break;
      case r_hour: label(std::to_string(hourLabel(i, locations.useAmPm)), m, R, col, fontSize); break;
      case r_min: label(std::to_string(i), m, R, col, fontSize); break;
      case r_moon:
        doMoon(iround(R * std::sin(m)), iround(-R * std::cos(m)), false, 99 - 2 * i, Q);
        break;
      case r_zodiac:
        if (const Tzodiac* z = createDateman().getZodiac(i))
          dotext(" - " + platform::upperCase(z->name), m, R, col, fontSize, platform::fromCodePoint(char32_t(z->ch)));
        break;
      default: break;
    }
  }
  if (option == r_moon && s.L >= 0) {  // the moon of now, in the highlight
    const double a = (s.L + 0.5) / s.M * kTwoPi;
    doMoon(iround(R * std::sin(a)), iround(R * std::cos(a)), true, 99 - 2 * s.L, Q);
    moonIcon.reset();
  }
}

platform::TRect TfancyClock::doSec(int sec, bool selected, double outer, double inner) {
  const double a0 = sec / 60.0 * kTwoPi, a1 = (sec + 1) / 60.0 * kTwoPi;
  const int R1 = iround(fwidth / 2.0 * outer), R2 = iround(fwidth / 2.0 * inner);
  const double R = (R1 + R2) / 2.0, c = (a0 + a1) / 2;
  const int32_t f = selected ? 0xFFFFFF : fade(basecolour, 0, 10);
  band(R1, R2, a0, a1, f);
  // The cell's outline: its two arcs and its two sides.
  arcs(R1, R2, a0, a1, 0x808080, 1);
  radial(a0, R1, R2, 0x808080, 1);
  radial(a1, R1, R2, 0x808080, 1);
  const int lx = iround(R * std::sin(c)), ly = iround(-R * std::cos(c));
  const int h = iround(fwidth * (outer - inner) / 2);
  const int size = iround(fwidth * (outer - inner) * 0.17);
  label(std::to_string(sec), c, R, selected ? 0 : fade(f, 0xFFFFFF, 35), os ? os->fontsize(double(size)) : size);
  const int o = fwidth / 2;
  return {o + lx - h, o + ly - h, o + lx + h, o + ly + h};
}

void TfancyClock::doglobe(int step) {
  const int w = fwidth - 2 * (fwidth / 4);
  if (step == 0) {
    if (!mycolours) {
      globe->dialcolour = fade(backColour, 0xFFFFFF, 75);
      globe->lineColour = 0;
      globe->redringcolour = 0;
      globe->qiblahColour = 0x008000;
    }
    globe->doStep(w, w, 0);
  } else if (step == 16) {
    globe->doStep(w, w, 16);
  } else if (step == 17) {
    const int a = fwidth / 4;
    globe->doStep(*bm, a, a, fwidth - 2 * a, fwidth - 2 * a, 17);
  }
}

void TfancyClock::redraw() {
  if (!globe || !imageGiven || fwidth == 0) return;
  try {
    if (os) bm->canvas().Font.setName(os->fontname());
    r_SunGlobe::fillBitmap(*bm, backColour);
    for (int step : {0, 16, 17}) doglobe(step);
    showZodiac = true;
    r0 = rr - moonBand - zband;
    r1 = r0 - v;
    r2 = r0 - 2 * v;
    r3 = r0 - 3 * v;
    r4 = r0 - 4 * v;
    r5 = r0 - 5 * v;
    r6 = r0 - 6 * v;
    sun.Moon();
    ring(rr0, rr, r_dayofyear);
    ring(rr - v - zband, rr - v - zband - moonBand, r_moon);
    ring(rr - v, rr - v - zband, r_zodiac);
    ring(rr, rr - v, r_month);
    ring(r1, r2, r_day);
    ring(r2, r3, r_dayofweek);
    ring(r3, r4, r_hour);
    ring(r4, r5, r_min);
    ring(r5, r6, r_sec);
    changedIn({0, 0, fwidth, fwidth});
    ++redraws;
  } catch (const std::exception& e) {
    log(std::string("r_Kestrova redraw: ") + e.what());
  }
}

bool TfancyClock::setTime(double value) {
  if (fwidth == 0) return true;
  std::string marker = "a1";
  try {
    ftime = value;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    createDateman().DecodeDateTime(value, y, mo, d, h, mi, se);
    // A new date redraws every ring even when hour and minute are the same.
    const bool dateChanged = y != year || mo != month || d != day;
    const bool hourChanged = h != hour || dateChanged;
    const bool minuteChanged = mi != minute;
    const int oldSecond = second;
    hour = h;
    minute = mi;
    second = se;
    day = d;
    month = mo;
    year = y;
    dayofweek = createDateman().dayOfWeek(y, mo, d) - 1;
    if (dayofweek < 0) dayofweek = 6;
    if (hourChanged) {
      marker = "a2";
      redraw();
    } else if (minuteChanged) {
      marker = "a3";
      ring(r4, r5, r_min);
      ring(r5, r6, r_sec);
      const int c = fwidth / 2, R = iround(c * r4) + 2;  // the minute ring's box holds the second ring
      changedIn({c - R, c - R, c + R, c + R});
      ++minuteUpdates;
    } else {
      marker = "a4";
      platform::TRect a = doSec(oldSecond, false, r5, r6);
      const platform::TRect b = doSec(second, true, r5, r6);
      a = {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
      changedIn(a);
      ++secondUpdates;
      marker = "a5";
      Draw(a);
      abort = false;
      return true;
    }
    marker = "a7";
    if (fcanvas) Draw(*fcanvas, fx, fy);
    abort = false;
    return true;
  } catch (const std::exception& e) {
    // Logged, not shown in a box; the next tick tries again and clears `abort` when it succeeds.
    log(std::string("r_Kestrova.TfancyClock ") + marker + ": " + e.what());
    abort = true;
    return false;
  }
}

void TfancyClock::changedIn(const platform::TRect& drawing) {
  // Each shown pixel averages a 2 x 2 block of the drawing: the blocks the change touches, with a
  // pixel round them for the pens drawn on a cell's edges.
  platform::TRect r{(drawing.Left - 2) / 2, (drawing.Top - 2) / 2, (drawing.Right + 3) / 2, (drawing.Bottom + 3) / 2};
  r.intersect({0, 0, width(), width()});
  if (r.isEmpty()) return;
  fstale.unite(r);
  fchanged.unite(r);
}

platform::TRect TfancyClock::takeChanged() {
  const platform::TRect r = fchanged;
  fchanged = {};
  return r;
}

Tbm24& TfancyClock::scaled() {
  if (!fstale.isEmpty() && fwidth > 0) {
    const platform::TRect& r = fstale;
    fscaled->dc().setStretchBltMode(platform::StretchMode::Halftone);
    platform::StretchBlt(fscaled->dc(), r.Left, r.Top, r.width(), r.height(), &bm->dc(), 2 * r.Left, 2 * r.Top,
                         2 * r.width(), 2 * r.height(), platform::SRCCOPY);
  }
  fstale = {};
  return *fscaled;
}

void TfancyClock::Draw(platform::TCanvas& canvas, int x, int y) {
  fcanvas = &canvas;
  fx = x;
  fy = y;
  if (!canvas.Handle() || fwidth == 0) return;
  platform::BitBlt(*canvas.Handle(), x, y, width(), width(), &scaled().dc(), 0, 0, platform::SRCCOPY);
}

void TfancyClock::Draw(const platform::TRect& box) {
  if (!fcanvas || !fcanvas->Handle() || fwidth == 0) return;
  const int l = box.Left / 2, t = box.Top / 2, r = (box.Right + 1) / 2, b = (box.Bottom + 1) / 2;
  platform::BitBlt(*fcanvas->Handle(), fx + l, fy + t, r - l, b - t, &scaled().dc(), l, t, platform::SRCCOPY);
}
