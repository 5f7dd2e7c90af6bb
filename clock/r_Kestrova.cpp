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

namespace {
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double rr0 = 0.96, rr = rr0 - 0.02, moonBand = 0.06, zband = 0.06;
constexpr double v = (0.48 - moonBand - (1 - rr0) - zband) / 6;

int32_t fade(int32_t c, int32_t t, double p) { return Tos::FadeColour(c, t, p); }
int iround(double x) { return int(platform::Round(x)); }
// 1-based.
int dayOfYear(int y, int m, int d) {
  int n = d;
  for (int k = 1; k < m; ++k) n += TdateMan::DaysInMonth(y, k);
  return n;
}
}  // namespace

TfancyClock::TfancyClock(TsunBase& sunbase)
    : TqyObject("fancy"), bm(std::make_unique<Tbm24>()), locations(sunbase.locations()), sun(sunbase.sun()) {
  globe = std::make_unique<TglobeDial>(sunbase);
  setwidth(300);
}

TfancyClock::~TfancyClock() = default;

void TfancyClock::setwidth(int value) {
  fwidth = 2 * std::max(0, value);
  bm->setsize(fwidth, fwidth);
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

// Pixels between the two radii whose angle (from the top, clockwise) lies in [a0, a1).
void TfancyClock::band(int rOut, int rIn, double a0, double a1, int32_t colour) {
  const int c = fwidth / 2;
  const Tbgr col{uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour)};
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
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double d2 = px * px + py * py;
      if (d2 > double(o2) || d2 < double(i2)) continue;
      if (!whole) {
        double a = std::atan2(px, -py);
        if (a < 0) a += kTwoPi;
        double rel = a - a0;
        if (rel < 0) rel += kTwoPi;
        if (rel >= span) continue;
      }
      bm->setPixel(c + x, c + y, col);
    }
}

void TfancyClock::label(const std::string& s, double angle, double radius, int32_t colour, int size) {
  if (!fontman || s.empty()) return;
  auto& cv = bm->canvas();
  cv.Font.Color = platform::TColor(colour);
  cv.Font.setSize(std::max(1, size));
  const int c = fwidth / 2;
  fontman->VCentredText(cv, c + iround(radius * std::sin(angle)), c - iround(radius * std::cos(angle)), s);
}

void TfancyClock::ring(double outer, double inner, int option) {
  const int R1 = iround(fwidth / 2.0 * outer), R2 = iround(fwidth / 2.0 * inner);
  const double R = (R1 + R2) / 2.0;
  const TringSlots s = slots(option);
  if (s.M <= 0) return;
  if (option == r_dayofyear) {
    daysInYear = s.M;
    dayofyear = s.L + 1;
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
  const int32_t Q = fill(option);
  band(R1, R2, 0, kTwoPi, Q);
  if (option == r_hour) band(R1, R2, std::numbers::pi, kTwoPi, mycolours ? fade(basecolour, 0xFFFFFF, 63.75) : fade(backColour, 0xFFFFFF, 85 * 0.85));
  auto angles = [&](int n, double& a0, double& a1) {
    if (option == r_moon) {
      a0 = std::numbers::pi - double(n + 1) / s.M * kTwoPi;
      a1 = std::numbers::pi - double(n) / s.M * kTwoPi;
    } else if (option == r_month) {
      a0 = (dayOfYear(year, n + 1, 1) - 1) / double(daysInYear) * kTwoPi;
      a1 = n == 11 ? kTwoPi : (dayOfYear(year, n + 2, 1) - 1) / double(daysInYear) * kTwoPi;
    } else {
      a0 = double(n) / s.M * kTwoPi;
      a1 = double(n + 1) / s.M * kTwoPi;
    }
    while (a1 < a0) a1 += kTwoPi;
  };
  if (option == r_dayofyear) {
    for (int i = 0; i < s.M; ++i) {
      const int wd = createDateman().dayOfWeek(year, 1, 1);  // 0 = Sunday
      if ((wd + i) % 7 == 6) band(R1, R2, i / double(s.M) * kTwoPi, (i + 2) / double(s.M) * kTwoPi, fade(Q, 0, 20));
    }
    for (int e : {eq1, sol1, eq2, sol2}) band(R1, R2, e / double(s.M) * kTwoPi, (e + 1) / double(s.M) * kTwoPi, 0x00FFFF);
  }
  double a0 = 0, a1 = 0;
  if (option != r_sec) {
    angles(s.L, a0, a1);
    const int32_t hl = option == r_moon ? fade(Q, 0xFFFFFF, 55) : option == r_zodiac ? fade(Q, 0xFFFFFF, 50) : 0xFFFFFF;
    band(R1 - 1, R2 + 1, a0, a1, hl);
  }
  if (option == r_month || option == r_zodiac)
    band(R1 - 2, R2 + 2, (dayofyear - 1) / double(daysInYear) * kTwoPi, dayofyear / double(daysInYear) * kTwoPi,
         fade(0xFFFFFF, 0xFF0000, 15));
  const int32_t N = option == r_month ? basecolour : option == r_dayofyear ? 0x00FFFF : fade(Q, 0, 35);
  const int fsize = iround(fwidth * (outer - inner) * 0.27);
  auto& cv = bm->canvas();
  for (int i = 0; i < s.M; ++i) {
    if (option == r_sec) {
      doSec(i, i == s.L, outer, inner);
      continue;
    }
    angles(i, a0, a1);
    if (option != r_moon) {
      const bool bold = i == s.L || i == s.L + 1 || (i == 0 && s.L == s.M - 1) || (option == r_dayofyear && i == 0);
      cv.Pen.Color = platform::TColor(bold ? 0 : (option == r_month || option == r_min ? 0xDCDCDC : 0));
      cv.Pen.Width = bold ? 3 : 1;
      const int c = fwidth / 2;
      cv.MoveTo(c + iround(R1 * std::sin(a0)), c - iround(R1 * std::cos(a0)));
      cv.LineTo(c + iround(R2 * std::sin(a0)), c - iround(R2 * std::cos(a0)));
      cv.Pen.Width = 1;
    }
    const double m = (a0 + a1) / 2;
    const int32_t col = i == s.L ? 0 : N;
    std::string text;
    switch (option) {
      case r_month: text = createDateman().MonthName(i); break;
      case r_day: text = std::to_string(i + 1); break;
      case r_dayofweek: text = createDateman().DayName(i); break;
      case r_hour: text = std::to_string(hourLabel(i, locations.useAmPm)); break;
      case r_min: text = std::to_string(i); break;
      default: break;
    }
    if (option == r_dayofweek)
      for (auto& ch : text) ch = char(std::toupper(static_cast<unsigned char>(ch)));
    label(text, m, R, col, option == r_min ? iround(fwidth * (outer - inner) * 0.17) : fsize);
  }
}

platform::TRect TfancyClock::doSec(int sec, bool selected, double outer, double inner) {
  const double a0 = sec / 60.0 * kTwoPi, a1 = (sec + 1) / 60.0 * kTwoPi;
  const int R1 = iround(fwidth / 2.0 * outer), R2 = iround(fwidth / 2.0 * inner);
  const double R = (R1 + R2) / 2.0, c = (a0 + a1) / 2;
  const int32_t f = selected ? 0xFFFFFF : fade(basecolour, 0, 10);
  band(R1, R2, a0, a1, f);
  const int lx = iround(R * std::sin(c)), ly = iround(-R * std::cos(c));
  const int h = iround(fwidth * (outer - inner) / 2);
  label(std::to_string(sec), c, R, selected ? 0 : fade(f, 0xFFFFFF, 35), iround(fwidth * (outer - inner) * 0.17));
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
      ++minuteUpdates;
    } else {
      marker = "a4";
      platform::TRect a = doSec(oldSecond, false, r5, r6);
      const platform::TRect b = doSec(second, true, r5, r6);
      a = {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
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

void TfancyClock::Draw(platform::TCanvas& canvas, int x, int y) {
  fcanvas = &canvas;
  fx = x;
  fy = y;
  if (!canvas.Handle() || fwidth == 0) return;
  bm->Draw(*canvas.Handle(), platform::TRect{x, y, x + width(), y + width()});
}

void TfancyClock::Draw(const platform::TRect& box) {
  if (!fcanvas || !fcanvas->Handle()) return;
  bm->DrawExtract(*fcanvas->Handle(), box,
                  platform::TRect{fx + box.Left / 2, fy + box.Top / 2, fx + box.Right / 2, fy + box.Bottom / 2});
}
