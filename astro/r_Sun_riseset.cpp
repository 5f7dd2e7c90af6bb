// Tsun rise and set: searches that step the observer through time, recompute the body and watch
// its centre's elevation (degrees, no refraction) cross a threshold, then put the observer back.
// Every search is bounded; one that sees no crossing (polar day or night, a circumpolar body, an
// unknown planet) reports false instead of a made-up time.
#include <cmath>

#include "astro/r_Sun.h"
#include "astro/sun_math.h"
#include "platform/numbers.h"

using namespace sunmath;

namespace {
constexpr double kSecond = 1.0 / 86400;    // of a day
constexpr double kClassicHorizon = -0.71;  // degrees
constexpr double kJulianMoonHorizon = -0.26;
constexpr double kDateTimeHorizon = -0.8266666666666667;  // -49.6 arcminutes
constexpr double kCoarseStep = 3000 * kSecond;
constexpr double kFinestStep = 0.1 * kSecond;
constexpr int kRefineScanSteps = 200;                          // a refining scan finds its crossing within ~16 steps
constexpr double kHorizonEventFinest = 0.0016666666666666668;  // hours
constexpr int kHorizonEventSteps = 31 * 24 + 200;              // a month of hourly steps, then the refinement

struct ScanResult {
  double value = 0;
  bool found = false;
};

// The refine loop of the date-time searches: scan, then a tenth of the step after backing off
// one and a half of the previous step, until the step is 0.1 s or less (last scan at 0.3 s).
template <typename Scan>
ScanResult refine(double start, double step, Scan scan) {
  ScanResult r{start, false};
  int level = 0;
  do {
    r = scan(r.value, step, level == 0 ? 0 : kRefineScanSteps);
    step /= 10;
    ++level;
    if (std::fabs(step) > kFinestStep) r.value -= 15 * step;
  } while (r.found && std::fabs(step) > kFinestStep);
  return r;
}
}  // namespace

bool Tsun::SunRiseSet(double& sunRiseTime, double& sunSetTime, double& sunRiseBearing, double& sunSetBearing) {
  return sunRiseSetEx(sunRiseTime, sunSetTime, sunRiseBearing, sunSetBearing, false);
}

// Local hours on the observer's date. The times are those of the scanned range when no crossing
// is seen (the end, less a second); the result then is false.
bool Tsun::sunRiseSetEx(double& sunRiseTime, double& sunSetTime, double& sunRiseBearing, double& sunSetBearing,
                        bool precise) {
  const double s = precise ? 5 : 60;
  const double h = useZeroHorizon ? 0 : kClassicHorizon;
  const double saved = ob.gmt();
  double bearing = fSunB;
  ob.setLocal(12);

  // Walks t from `from` to `to` seconds after local midnight; returns the first t where `hit`
  // holds, or `to` when none does. `bearing` keeps fSunB from before the last step.
  auto walk = [&](double from, double to, double step, auto hit, bool& found) {
    found = false;
    const long count = std::lround((to - from) / step);
    for (long k = 0; k <= count; ++k) {
      double t = from + k * step;
      bearing = fSunB;
      ob.setLocal(t / 3600);
      if (hit(getSunE())) {
        found = true;
        return t;
      }
    }
    return to;
  };
  auto above = [&](double e) { return e >= h; };
  auto below = [&](double e) { return e <= h; };

  bool coarse = false, fine = false;
  double t = walk(0, 43200 - 3600, 3600, above, coarse);
  double n = coarse ? t / 3600 : 12;
  bool riseFound = coarse && n >= 1;  // up at midnight: no rise seen on this date
  t = walk((n - 1) * 3600, n * 3600, s, above, fine);
  riseFound = riseFound && fine;
  sunRiseTime = (t - 1) / 3600;
  sunRiseBearing = bearing;

  t = walk(43200, 86400 - 3600, 3600, below, coarse);
  n = coarse ? t / 3600 : 24;
  bool setFound = coarse && n > 12;  // down at noon: no set seen on this date
  t = walk((n - 1) * 3600, n * 3600, s, below, fine);
  setFound = setFound && fine;
  sunSetTime = (t - 1) / 3600;
  sunSetBearing = bearing;

  ob.setTime(saved);
  return riseFound && setFound;
}

// Scans by `step` days from `start` (at most one day) until `stop` holds for the body's
// elevation; the moment of that step, or found false.
static ScanResult julianScan(Tobserver& ob, double start, double step, const std::function<bool()>& stop) {
  const int limit = static_cast<int>(std::lround(1.0 / std::fabs(step)));
  for (int k = 1; k < limit; ++k) {
    double j = start + k * step;
    ob.setJday(j);
    if (stop()) return {j, true};
  }
  return {start + limit * step, false};
}

bool Tsun::sunRiseSetEx2(double& sunRiseJdate, double& sunSetJdate, double& sunRiseBearing, double& sunSetBearing,
                         bool precise) {
  const double s = (precise ? 5 : 60) * kSecond;
  const double h = kClassicHorizon;
  const double save = ob.getJDate();
  // The sun at the starting moment, refreshed when stale: a stored elevation of another moment
  // would send the rise search the wrong way.
  const bool up = getSunE() > h;
  auto isBelow = [&] {
    sun();
    return !(fSunE > h);
  };
  auto isAbove = [&] {
    sun();
    return fSunE > h;
  };
  ScanResult rise = up ? julianScan(ob, save, -s, isBelow) : julianScan(ob, save, s, isAbove);
  sunRiseJdate = rise.value;
  sunRiseBearing = fSunB;
  bool found = false;
  if (rise.found) {
    ScanResult set = julianScan(ob, rise.value, s, isBelow);
    sunSetJdate = set.value;
    sunSetBearing = fSunB;
    found = set.found;
  }
  ob.setJday(save);
  sun();
  return found;
}

bool Tsun::moonRiseSetEx2(double& moonRiseJdate, double& moonSetJdate, double& moonRiseBearing, double& moonSetBearing,
                          bool precise) {
  (void)precise;  // the moon always steps half an hour
  const double s = 1800 * kSecond;
  const double h = kJulianMoonHorizon;
  const double save = ob.getJDate();
  const bool up = getMoonE() > h;
  auto isBelow = [&] {
    Moon();
    return !(fMoonE > h);
  };
  auto isAbove = [&] {
    Moon();
    return fMoonE > h;
  };
  ScanResult rise = up ? julianScan(ob, save, -s, isBelow) : julianScan(ob, save, s, isAbove);
  moonRiseJdate = rise.value;
  moonRiseBearing = fMoonB;
  bool found = false;
  if (rise.found) {
    ScanResult set = julianScan(ob, rise.value, s, isBelow);
    moonSetJdate = set.value;
    moonSetBearing = fMoonB;
    found = set.found;
  }
  if (!found && beep) beep();
  ob.setJday(save);
  Moon();
  return found;
}

namespace {
enum class Extreme { Highest, Lowest };

// The whole second in [lo, hi] where `elevation` is highest (lowest), by ternary search: the
// caller gives a range holding one extreme only.
template <typename Elevation>
long extremeSecond(Elevation elevation, long lo, long hi, Extreme which) {
  const double sign = which == Extreme::Highest ? 1 : -1;
  while (hi - lo > 2) {
    long m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
    if (sign * elevation(m1) < sign * elevation(m2))
      lo = m1 + 1;
    else
      hi = m2 - 1;
  }
  long best = lo;
  for (long s = lo + 1; s <= hi; ++s)
    if (sign * elevation(s) > sign * elevation(best)) best = s;
  return best;
}

// Bisects whole seconds between `up` (elevation at or above h) and `down` (below h) and answers
// the second below h next to the crossing.
template <typename Elevation>
long crossingSecond(Elevation elevation, long up, long down, double h) {
  while (std::labs(down - up) > 1) {
    long mid = up + (down - up) / 2;
    if (elevation(mid) >= h)
      up = mid;
    else
      down = mid;
  }
  return down;
}
}  // namespace

// The daylight of the observer's local day: the one around the sun's upper transit between local
// midnight and the next. Each crossing is bisected inside the half-day between that transit and
// a lower transit, where the elevation only falls (or rises), so the rise comes before the set and
// a day or a night shorter than any scanning step is still seen.
bool Tsun::sunRiseSetDT(TDateTime& sunRisedate, TDateTime& sunSetdate, double& sunRiseBearing, double& sunSetBearing) {
  constexpr long kHour = 3600, kHalfDay = 43200;
  const TDateTime save = ob.getDT();
  const double diff = ob.timeZone() / 24;
  const double noon = std::floor(save + diff) + 0.5 - diff;  // local noon of the local day, as GMT
  const double h = kDateTimeHorizon;
  auto elevation = [&](long second) {
    ob.setDT(noon + second * kSecond);
    sun();
    return fSunE;
  };

  long transit = 0;  // seconds from local noon
  double highest = elevation(0);
  for (long s = -kHalfDay; s <= kHalfDay; s += kHour) {
    double e = elevation(s);
    if (e > highest) highest = e, transit = s;
  }
  transit = extremeSecond(elevation, transit - kHour, transit + kHour, Extreme::Highest);
  const long lowBefore = extremeSecond(elevation, transit - kHalfDay - 2 * kHour, transit - kHalfDay + 2 * kHour,
                                       Extreme::Lowest);
  const long lowAfter =
      extremeSecond(elevation, transit + kHalfDay - 2 * kHour, transit + kHalfDay + 2 * kHour, Extreme::Lowest);

  // Polar night: down at the transit; midnight sun: up at a lower transit.
  const bool found = elevation(transit) >= h && elevation(lowBefore) < h && elevation(lowAfter) < h;
  if (found) {
    long rise = crossingSecond(elevation, transit, lowBefore, h);
    elevation(rise);
    sunRisedate = noon + rise * kSecond + diff;
    sunRiseBearing = fSunB;
    long set = crossingSecond(elevation, transit, lowAfter, h);
    elevation(set);
    sunSetdate = noon + set * kSecond + diff;
    sunSetBearing = fSunB;
  }
  ob.setDT(save);
  sun();
  return found;
}

namespace {
// A moon scan that stops at a crossing of the threshold in the wanted direction.
struct MoonCrossing {
  Tsun& sun;
  Tobserver& ob;
  bool upward;
  ScanResult operator()(double value, double step, int maxSteps) const {
    const double h = kDateTimeHorizon;
    const double from = value;
    double previous = sun.fMoonE;
    for (int k = 1;; ++k) {
      value = from + k * step;
      ob.setDT(value);
      sun.Moon();
      double e = sun.fMoonE;
      bool crossed = upward ? (e >= h && previous < h) : (e < h && previous >= h);
      if (crossed) return {value, true};
      previous = e;
      if (std::fabs(value - from) >= 1 || (maxSteps > 0 && k >= maxSteps)) return {value, false};
    }
  }
};
}  // namespace

// A rise without a set within a day after it (the moon then stays up) reports false too.
bool Tsun::moonRiseSetDT(TDateTime& moonRisedate, TDateTime& moonSetdate, double& moonRiseBearing,
                         double& moonSetBearing, bool allowPreviousDay) {
  const TDateTime save = ob.getDT();
  const double diff = ob.timeZone() / 24;
  double start = std::floor(save + diff) - diff;  // midnight starting the local day, as GMT
  ob.setDT(start);
  sun();
  Moon();
  ScanResult rise = refine(start, kCoarseStep, MoonCrossing{*this, ob, true});
  if (!rise.found && allowPreviousDay) {
    start -= 0.5;
    ob.setDT(start);
    sun();
    Moon();
    rise = refine(start, kCoarseStep, MoonCrossing{*this, ob, true});
  }
  bool found = false;
  if (rise.found) {
    moonRisedate = rise.value + diff;
    moonRiseBearing = fMoonB;
    ScanResult set = refine(rise.value, kCoarseStep, MoonCrossing{*this, ob, false});
    moonSetdate = set.value + diff;
    moonSetBearing = fMoonB;
    found = set.found;
  }
  ob.setDT(save);
  sun();
  Moon();
  return found;
}

bool Tsun::NextMoonRiseDT(TDateTime& moonRisedate, double& moonRiseBearing) {
  const TDateTime save = ob.getDT();
  sun();
  Moon();
  ScanResult r = refine(ob.getDT(), kCoarseStep, MoonCrossing{*this, ob, true});
  moonRisedate = r.value;
  moonRiseBearing = fMoonB;
  ob.setDT(save);
  sun();
  Moon();
  return r.found;
}

bool Tsun::NextMoonSetDT(TDateTime& moonSetdate, double& moonSetBearing) {
  const TDateTime save = ob.getDT();
  sun();
  Moon();
  ScanResult r = refine(ob.getDT(), kCoarseStep, MoonCrossing{*this, ob, false});
  moonSetdate = r.value;
  moonSetBearing = fMoonB;
  ob.setDT(save);
  sun();
  Moon();
  return r.found;
}

bool Tsun::GetNextMoonRiseSet(int32_t& day, int32_t& month, int32_t& year, double& hours, bool& rise) {
  return GetHorizonEvent(true, "", day, month, year, hours, rise);
}

bool Tsun::GetLastMoonRiseSet(int32_t& day, int32_t& month, int32_t& year, double& hours, bool& rise) {
  bool found = GetHorizonEvent(false, "", day, month, year, hours, rise);
  if (found) rise = !rise;
  return found;
}

// Walks the GMT hours by an hour, then back and forth by tenths down to 0.01 hours. The moon (an
// empty name) or a planet; the observer's date and hours are put back afterwards.
bool Tsun::GetHorizonEvent(bool next, const std::string& name, int32_t& day, int32_t& month, int32_t& year,
                           double& hours, bool& rise) {
  if (!name.empty() && !isPlanet(name)) return false;
  const double save = ob.gmt();
  const int32_t d0 = ob.day(), m0 = ob.month(), y0 = ob.year();
  auto isUp = [&] {
    if (name.empty()) return getMoonE() > 0;
    double e = 0, b = 0;
    NamedPlanet(e, b, name);
    return e > 0;
  };
  bool up = isUp();
  const bool startRise = !up;
  double step = next ? 1 : -1;
  bool found = true;
  int steps = 0;
  while (found && std::fabs(step) >= kHorizonEventFinest) {
    for (;;) {
      if (++steps > kHorizonEventSteps) {
        found = false;
        break;
      }
      ob.setTime(ob.gmt() + step);
      if (isUp() != up) break;
    }
    step = -step / 10;
    up = !up;
  }
  if (found) {
    hours = ob.gmt();
    day = ob.day();
    month = ob.month();
    year = ob.year();
    rise = startRise;
    if (hours >= 24) {
      auto n = static_cast<int32_t>(std::trunc(hours / 24));
      hours = platform::Frac(hours / 24) * 24;
      Tobserver::addDays(n, day, month, year);
    } else if (hours < 0) {
      int32_t n = 0;
      while (hours < 0) {
        hours += 24;
        --n;
      }
      Tobserver::addDays(n, day, month, year);
    }
  }
  if (ob.day() != d0) ob.setDay(d0);
  if (ob.month() != m0) ob.setMonth(m0);
  if (ob.year() != y0) ob.setYear(y0);
  ob.setTime(save);
  return found;
}

double Tsun::riseSet(double dec, double& riseBearing, double& setbearing) {
  const double p = ob.flat;
  double b = ArcCos(std::sin(dec) / std::cos(p));
  riseBearing = b * kDeg;
  setbearing = 360 - b * kDeg;
  double sinD = std::cos(p) * std::cos(b);  // the declination again, from b
  double h = ArcCos((0 - std::sin(p) * sinD) / (std::cos(dec) * std::cos(p)));
  if (std::sin(b) > 0) h = k2Pi - h;
  return h;
}
