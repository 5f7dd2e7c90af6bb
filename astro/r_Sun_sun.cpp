// Tsun core: the sun and the moon for one observer, and the coordinate conversions.
// Low-precision model on the epoch 1980 January 0.0 (JD 2444238.5): a Keplerian sun, a moon with
// evection, annual equation, equation of the centre, variation and a moving node, then parallax.
// No nutation, aberration or refraction.
#include <cmath>

#include "astro/r_Sun.h"
#include "astro/sun_math.h"
#include "core/Tyo.h"
#include "platform/numbers.h"

using namespace sunmath;

namespace {
constexpr double kEpochJD = 2444238.5;      // 1980 January 0.0
constexpr double kTropicalYear = 365.2422;  // days
constexpr double kSunEcc = 0.016718;        // eccentricity of the sun's (the Earth's) orbit
constexpr double kMoonEcc = 0.0549;
constexpr double kMoonMeanKm = 384401;  // the moon's mean distance
constexpr double kAUkm = 1.495985e8;
constexpr double kSunDiaAt1AU = 0.533128;                // degrees
constexpr double kFixedObliquity = 0.40913805867057845;  // 23.441884 degrees, the fixed conversions'
constexpr double kGalPoleRA = 192.25 * kRad, kGalPoleDec = 27.4 * kRad, kGalNode = 33 * kRad;
constexpr int kKeplerSteps = 50;  // Newton converges in a handful for these eccentricities

// The observer's listener: a functor so the sun object can tell its own from another's.
struct SunListener {
  Tsun* sun;
  void operator()(Tobserver*) const { sun->onNewTime(); }
};
}  // namespace

Tsun::Tsun(Tobserver& observer) : ob(observer) {
  beep = [] { ::beep(); };
  ob.onChange = SunListener{this};
  eg = 278.833540 * kRad;
  wg = 282.596403 * kRad;
  L0 = 64.975464 * kRad;
  P0 = 349.383063 * kRad;
  n0 = 151.950429 * kRad;
  i = 5.145396 * kRad;
  theta0 = 0.5181 * kRad;
  pi0 = 0.9507 * kRad;
  useZeroHorizon = false;
  sqrecc = kSunEcc * kSunEcc;
  ortho = std::make_unique<Tortho>();
}

// Leaves no listener behind that would call a freed object.
Tsun::~Tsun() {
  if (auto* l = ob.onChange.target<SunListener>(); l && l->sun == this) ob.onChange = nullptr;
}

double Tsun::GetM(double PerigeeLong, double EpochLong) {
  double d = ob.getJDate() - kEpochJD;
  double raw = d * k2Pi / kTropicalYear + EpochLong - PerigeeLong;
  if (raw >= 0) return raw - k2Pi * std::trunc(raw / k2Pi);
  return raw - k2Pi * std::trunc(raw / k2Pi - 1);
}

double Tsun::GetGamma(double ThisEc, double PerigeeLong, double EpochLong) {
  double m = GetM(PerigeeLong, EpochLong);
  double e = m;
  double delta = e - ThisEc * std::sin(e) - m;
  for (int k = 0; k < kKeplerSteps && std::fabs(delta) > 1e-7; ++k) {
    e -= delta / (1 - ThisEc * std::cos(e));
    delta = e - ThisEc * std::sin(e) - m;
  }
  v = 2 * arcTan(std::sqrt((1 + ThisEc) / (1 - ThisEc)) * std::tan(e / 2), 1);
  return in2pi(v + PerigeeLong);
}

void Tsun::GetRADEC(double& ra, double& dec, double thisGamma, double thisBeta) {
  if (currentYear != ob.year()) {
    // Julian centuries from 1900 January 0.5 to the start of the observer's year.
    double t = (ob.getJDate() - ob.getDayOfYear() - 2415020) / 36525;
    computedObl = (23.452294 - (46.845 * t + 0.0059 * t * t - 0.00181 * t * t * t) / 3600) * kRad;
    currentYear = ob.year();
  }
  // An imposed angle, and its removal, take effect at once.
  obl = imposedAngleToEcliptic != 0 ? imposedAngleToEcliptic * kRad : computedObl;
  double se = std::sin(obl), ce = std::cos(obl);
  ra = in2pi(std::atan2(std::sin(thisGamma) * ce - std::tan(thisBeta) * se, std::cos(thisGamma)));
  dec = std::asin(std::sin(thisBeta) * ce + std::cos(thisBeta) * se * std::sin(thisGamma));
}

double Tsun::GetConstantB() {
  double t = (ob.getJDate() - ob.getDayOfYear() - 2415020) / 36525;
  double r = 6.6460656 + 2400.051262 * t + 0.00002581 * t * t;
  LastConstantB = 24 - r + 24.0 * (ob.year() - 1900);
  return LastConstantB;
}

double Tsun::correctedTime(double t) {
  if (t >= 0 && t < 24) return t;
  double r = std::fmod(t, 24.0);
  if (r < 0) r += 24;
  return r >= 24 ? 0 : r;
}

// Day number from 0 on 1 January and B at 1 January 00:00: both one day off the usual
// January 0 convention, and the two differences cancel. GMT hours outside 0..24 (a local time
// before the zone's offset, a walk past midnight) count as whole days plus hours: a sidereal
// day is not 24 hours, so adding them as hours would be four minutes a day wrong.
double Tsun::GetLocalST() {
  double b = GetConstantB();
  double gmt = ob.gmt();
  double days = std::floor(gmt / 24);  // 0 for hours within the day
  double doy = std::round(ob.getDayOfYear() - gmt / 24) + days;
  gmt -= 24 * days;
  return correctedTime(ob.flong * 12 / kPi + doy * 0.0657098 - b + gmt * 1.002738);
}

void Tsun::GetBearingElevation(double ThisRA, double ThisDec, double& thisElevation, double& ThisBearing) {
  double h = correctedTime(GetLocalST() - ThisRA * 24 / k2Pi) * 15 * kRad;
  lastRA = ThisRA;
  lastDec = ThisDec;
  lastHourA = h;
  double p = ob.flat;
  double sp = std::sin(p), cp = std::cos(p), sd = std::sin(ThisDec), cd = std::cos(ThisDec);
  thisElevation = std::asin(sd * sp + cd * cp * std::cos(h));
  double den = cp * std::cos(thisElevation);
  double b = 0;
  if (std::fabs(cp) < 1e-12) {
    // At a pole every direction is south (north at the south pole); a bearing is the direction
    // along a meridian, measured from the observer's own: the body lies along the meridian of its
    // hour angle, so at 90 N the bearing is 180 degrees plus the hour angle and at 90 S its negation.
    b = sp > 0 ? kPi + h : -h;
    b = std::fmod(b, k2Pi);
    if (b < 0) b += k2Pi;
  } else if (std::fabs(den) >= 1e-12) {  // a body in the zenith keeps bearing 0
    b = ArcCos((sd - sp * std::sin(thisElevation)) / den);
    if (std::sin(h) > 0) b = k2Pi - b;  // west of the meridian
  }
  if (b >= k2Pi) b = 0;
  ThisBearing = b;
}

void Tsun::BearingElevationToRAdec(double& RAhours, double& dec, double elevation, double bearing) {
  double p = ob.flat;
  double sp = std::sin(p), cp = std::cos(p);
  dec = std::asin(std::sin(elevation) * sp + std::cos(elevation) * cp * std::cos(bearing));
  double den = std::cos(dec) * cp;
  double h = 0;
  if (std::fabs(cp) < 1e-12) {
    h = std::fmod(sp > 0 ? bearing - kPi : -bearing, k2Pi);  // the inverse of the bearing at a pole
    if (h < 0) h += k2Pi;
  } else if (std::fabs(den) >= 1e-12) {
    h = ArcCos((std::sin(elevation) - std::sin(dec) * sp) / den);
    if (std::sin(bearing) > 0) h = k2Pi - h;
  }
  RAhours = GetLocalST() - h * kDeg / 15;
  if (RAhours < 0) RAhours += 24;
}

void Tsun::BearingElevationToGalactic(double& Long, double& lat, double elevation, double bearing) {
  double raHours = 0, dec = 0;
  BearingElevationToRAdec(raHours, dec, elevation, bearing);
  RAdecToGalactic(Long, lat, raHours, dec);
}

void Tsun::EclipticToRADEC(double Long, double lat, double& RA, double& DEC) {
  double se = std::sin(kFixedObliquity), ce = std::cos(kFixedObliquity);
  RA = std::atan2(std::sin(Long) * ce - std::tan(lat) * se, std::cos(Long));
  DEC = std::asin(std::sin(lat) * ce + std::cos(lat) * se * std::sin(Long));
}

void Tsun::GalacticToRADEC(double Long, double lat, double& RA, double& DEC) {
  double cb = std::cos(lat), sb = std::sin(lat), sl = std::sin(Long - kGalNode);
  DEC = std::asin(cb * std::cos(kGalPoleDec) * sl + sb * std::sin(kGalPoleDec));
  RA = in2pi(std::atan2(cb * std::cos(Long - kGalNode), sb * std::cos(kGalPoleDec) - cb * std::sin(kGalPoleDec) * sl) +
             kGalPoleRA);
}

void Tsun::RAdecToGalactic(double& Long, double& lat, double RAhours, double dec) {
  double a = RAhours * 15 * kRad;
  double b = std::asin(std::cos(a - kGalPoleRA) * std::cos(dec) * std::cos(kGalPoleDec) +
                       std::sin(dec) * std::sin(kGalPoleDec));
  Long = in2pi(std::atan2(std::sin(dec) - std::sin(b) * std::sin(kGalPoleDec),
                          std::cos(dec) * std::sin(a - kGalPoleRA) * std::cos(kGalPoleDec)) +
               kGalNode);
  lat = b;
}

void Tsun::sun() {
  double lambda = GetGamma(kSunEcc, wg, eg);
  GetRADEC(SunRA, SunDec, lambda, 0);
  GetBearingElevation(SunRA, SunDec, fSunE, fSunB);
  sunHourA = lastHourA;
  fSunE *= kDeg;
  fSunB *= kDeg;
  double rho = (1 - kSunEcc * kSunEcc) / (1 + kSunEcc * std::cos(v));
  double previous = fDistanceToSun;
  fDistanceToSun = kAUkm * rho * 1000;
  double j = ob.getJDate();
  if (fLastJD != 0 && fLastJD != j) fVelocityFromSun = (fDistanceToSun - previous) / ((j - fLastJD) * 24 * 1000);
  fSunDia = kSunDiaAt1AU / rho;
  sunValid = true;
  fLastJD = j;
}

void Tsun::Moon() {
  double j = ob.getJDate();
  double d = j - kEpochJD;
  double ms = GetM(wg, eg);            // the sun's mean anomaly
  gamma0 = GetGamma(kSunEcc, wg, eg);  // the sun's longitude
  double lambda = gamma0;
  double l = in2pi(13.1763966 * kRad * d + L0);                 // mean longitude
  double mm = in2pi(l - 0.1114041 * kRad * d - P0);             // mean anomaly
  double n = in2pi(n0 - 0.0529539 * kRad * d);                  // ascending node
  double ev = 1.2739 * kRad * std::sin(2 * (l - lambda) - mm);  // evection
  double ae = 0.1858 * kRad * std::sin(ms);                     // annual equation
  double a3 = 0.37 * kRad * std::sin(ms);
  double mm1 = mm + ev - ae - a3;
  double ec = 6.2886 * kRad * std::sin(mm1);  // equation of the centre
  double rho = (1 - kMoonEcc * kMoonEcc) / (1 + kMoonEcc * std::cos(mm1 + ec));
  double previous = fDistanceToMoon;
  fDistanceToMoon = kMoonMeanKm * rho * 1000;
  if (flastMoonJD != 0 && flastMoonJD != j)
    fVelocityFromMoon = (fDistanceToMoon - previous) / ((j - flastMoonJD) * 24 * 1000);
  flastMoonJD = j;
  double a4 = 0.214 * kRad * std::sin(2 * mm1);
  double l1 = l + ev + ec - ae + a4;
  double var = 0.6583 * kRad * std::sin(2 * (l1 - lambda));  // variation
  double l2 = l1 + var;
  double n1 = n - 0.16 * kRad * std::sin(ms);
  GammaM = std::atan2(std::sin(l2 - n1) * std::cos(i), std::cos(l2 - n1)) + n1;
  BetaM = std::asin(std::sin(l2 - n1) * std::sin(i));
  uncorrectedGM = GammaM;
  UncorrectedBM = BetaM;

  double phaseAngle = l2 - lambda;
  fPhase = (1 - std::cos(phaseAngle)) * 50;
  age = in2pi(phaseAngle) * 29.5306 / k2Pi;
  fwaxing = in2pi(phaseAngle) < kPi;

  Mdia = theta0 / rho * kDeg;
  MHorizParallax = pi0 / rho;
  fpenumbraRadius = MHorizParallax * kDeg + 0.27;
  fumbraradius = MHorizParallax * kDeg - 0.27;

  double ra = 0, dec = 0;
  GetRADEC(ra, dec, GammaM, BetaM);  // geocentric

  // Parallax for the observer on the flattened Earth.
  double p = ob.flat;
  double h = correctedTime(GetLocalST() - ra * 12 / kPi) * 15 * kRad;
  double u = std::atan(0.996647 * std::tan(p));
  double ht = ob.altitude / 6378140;
  double rs = 0.996647 * std::sin(u) + ht * std::sin(p);
  double rc = std::cos(u) + ht * std::cos(p);
  double r = kMoonMeanKm * rho / 6378.16;  // Earth radii
  double delta = std::atan2(rc * std::sin(h), r * std::cos(dec) - rc * std::cos(h));
  double h1 = in2pi(h + delta);
  double ra1 = ra - delta;
  double dec1 = std::atan(std::cos(h1) * (r * std::sin(dec) - rs) / (r * std::cos(dec) * std::cos(h) - rc));

  double se = std::sin(obl), ce = std::cos(obl);
  GammaM = in2pi(std::atan2(std::sin(ra1) * ce + std::tan(dec1) * se, std::cos(ra1)));
  BetaM = std::asin(std::sin(dec1) * ce - std::cos(dec1) * se * std::sin(ra1));

  GetBearingElevation(ra1, dec1, fMoonE, fMoonB);
  MoonRA = ra1;
  MoonDec = dec1;
  MoonHourA = lastHourA;
  fMoonE *= kDeg;
  fMoonB *= kDeg;
  moonValid = true;
}

double Tsun::getSunE() {
  if (!sunValid) sun();
  return fSunE;
}
double Tsun::getSunB() {
  if (!sunValid) sun();
  return fSunB;
}
double Tsun::getSunD() {
  if (!sunValid) sun();
  return fDistanceToSun;
}
double Tsun::getSunDia() {
  if (!sunValid) sun();
  return fSunDia;
}
double Tsun::getMoonE() {
  if (!moonValid) Moon();
  return fMoonE;
}
double Tsun::getMoonB() {
  if (!moonValid) Moon();
  return fMoonB;
}
double Tsun::getMoonD() {
  if (!moonValid) Moon();
  return fDistanceToMoon;
}
double Tsun::getMoonPhase() {
  if (!moonValid) Moon();
  return fPhase;
}
bool Tsun::getWaxing() {
  if (!moonValid) Moon();
  return fwaxing;
}
