// Tsun planets, equinoxes and solstices, moon shading, the sun-moon angle, the terminator and
// refraction. Planets come from mean elements of the epoch 1980 January 0.0 (degrees, AU,
// tropical years); equatorial coordinates use the fixed obliquity 23.441884 degrees.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "astro/r_Sun.h"
#include "astro/sun_math.h"
#include "platform/canvas.h"
#include "platform/numbers.h"

using namespace sunmath;
using platform::TPoint;

namespace {
constexpr double kEpochJD = 2444238.5;
constexpr double kDailyMotion = 0.017202791208627007;  // 2pi / 365.2422, radians a day
constexpr double kFixedObliquity = 0.40913805867057845;
constexpr double kAUkm = 1.495985e8;
constexpr int kEquinoxSteps = 1000;  // the search needs about a hundred

struct PlanetRow {
  const char* name;
  double Tp, Le, Lw, Ec, a, i, omega;
};
constexpr PlanetRow kPlanets[] = {
    {"mercury", 0.24085, 231.2973, 77.1442128, 0.2056306, 0.3870986, 7.0043579, 48.0941733},
    {"venus", 0.61521, 355.73352, 131.2895792, 0.0067826, 0.7233316, 3.394435, 76.4997524},
    {"mars", 1.88089, 126.30783, 335.6908166, 0.0933865, 1.5236883, 1.8498011, 49.4032001},
    {"jupiter", 11.86224, 146.966365, 14.0095493, 0.0484658, 5.202561, 1.3041819, 100.2520175},
    {"saturn", 29.45771, 165.322242, 92.6653974, 0.0556155, 9.554747, 2.4893741, 113.4888341},
    {"uranus", 84.01247, 228.0708551, 172.7363288, 0.0463232, 19.21814, 0.7729895, 73.8768642},
    {"neptune", 164.76558, 260.3578998, 47.8672148, 0.0090021, 30.10957, 1.7716017, 131.5606494},
};

const PlanetRow* findPlanet(const std::string& name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const auto& row : kPlanets)
    if (lower == row.name) return &row;
  return nullptr;
}
}  // namespace

bool Tsun::isPlanet(const std::string& name) { return findPlanet(name) != nullptr; }

double Tsun::planetRADEC(double& ra, double& de, double Tp, double Le, double Lw, double Ec, double a, double inc,
                         double omega) {
  const double d = ob.getJDate() - kEpochJD;
  Le *= kRad, Lw *= kRad, inc *= kRad, omega *= kRad;
  double np = kDailyMotion * d / Tp;                  // mean motion since the epoch
  double mp = np + (Le - Lw);                         // mean anomaly
  double l = in2pi(np + 2 * Ec * std::sin(mp) + Le);  // heliocentric longitude
  double vp = l - Lw;                                 // true anomaly
  double r = a * (1 - Ec * Ec) / (1 + Ec * std::cos(vp));

  // The Earth.
  double ne = d / 1.00004 * kDailyMotion;
  double me = ne + (98.833540 - 102.596403) * kRad;
  double bigL = ne + 0.033436 * std::sin(me) + 98.833540 * kRad;
  double ve = bigL - 102.596403 * kRad;
  double bigR = (1 - 0.016718 * 0.016718) / (1 + 0.016718 * std::cos(ve));

  double psi = std::asin(std::sin(l - omega) * std::sin(inc));  // heliocentric latitude
  double y = std::sin(l - omega) * std::cos(inc);
  double x = std::cos(l - omega);
  double t = arcTan(std::fabs(y), std::fabs(x));
  if (y < 0 && x > 0) t = -t;
  if (y > 0 && x < 0) t = kPi - t;
  if (y < 0 && x < 0) t = -(kPi - t);
  double lp = t + omega;  // projected longitude

  double rp = r * std::cos(psi);
  double aa = std::atan2(rp * std::sin(bigL - lp), bigR - rp * std::cos(bigL - lp));
  double lambda = kPi + bigL + aa;  // geocentric ecliptic longitude
  double beta = std::atan2(rp * std::tan(psi) * std::sin(lambda - lp), bigR * std::sin(lp - bigL));
  if (beta > kPi / 2) beta -= kPi;
  if (beta < -kPi / 2) beta += kPi;

  double se = std::sin(kFixedObliquity), ce = std::cos(kFixedObliquity);
  ra = std::atan2(std::sin(lambda) * ce - std::tan(beta) * se, std::cos(lambda));
  de = std::asin(std::sin(beta) * ce + std::cos(beta) * se * std::sin(lambda));
  double rho = std::sqrt(bigR * bigR + r * r - 2 * bigR * r * std::cos(l - bigL));
  return kAUkm * rho * 1000;
}

// Leaves the observer at j: callers moving a planet through time read the sidereal time of j.
double Tsun::NamedPlanet(double& ra, double& de, double j, const std::string& name) {
  ob.setJday(j);
  const PlanetRow* p = findPlanet(name);
  if (!p) return 0;
  double dist = planetRADEC(ra, de, p->Tp, p->Le, p->Lw, p->Ec, p->a, p->i, p->omega);
  ob.setJday(j);
  return dist;
}

// An unknown name gives 0 and leaves the elevation and bearing as they were.
double Tsun::NamedPlanet(double& planetE, double& planetB, const std::string& name) {
  if (!isPlanet(name)) return 0;
  double ra = 0, de = 0;
  double dist = NamedPlanet(ra, de, ob.getJDate(), name);
  GetBearingElevation(ra, de, planetE, planetB);
  return dist;
}

// Walks the observer's cached Julian date from the 15th by whole days until the sun's right
// ascension passes `value`, then back and forth by tenths to 1e-6 day; restores the observer.
double Tsun::doEquinox(int32_t year, int32_t month, double value) {
  const double save = ob.getJDate();
  ob.setYear(year);
  ob.setMonth(month);
  ob.setDay(15);
  ob.setTime(0);
  auto compute = [&] {
    double g = GetGamma(0.016718, wg, eg);
    GetRADEC(SunRA, SunDec, g, 0);
    if (month == 3 && SunRA > kPi) SunRA -= k2Pi;
  };
  compute();  // also makes the observer's cache valid, so it can be stepped directly
  bool side = value > SunRA;
  double step = 1;
  bool done = false;
  for (int k = 0; k < kEquinoxSteps && !done; ++k) {
    ob.fDate += step;
    compute();
    if ((value > SunRA) != side) {
      step = -step / 10;
      side = !side;
    }
    done = std::fabs(step) < 1e-6;
  }
  TDateTime result = done ? Tobserver::DateTimeFromJulian(ob.fDate) : 0;
  ob.setJday(save);
  return result;
}

TDateTime Tsun::vernalEquinox(int32_t year) { return doEquinox(year, 3, 0); }
TDateTime Tsun::summerSolstice(int32_t year) { return doEquinox(year, 6, kPi / 2); }
TDateTime Tsun::autumnalEquinox(int32_t year) { return doEquinox(year, 9, kPi); }
TDateTime Tsun::winterSolstice(int32_t year) { return doEquinox(year, 12, 3 * kPi / 2); }

double Tsun::moonShadeRotation() {
  double theta = ortho->OrthoBearing(getMoonB(), getMoonE(), getSunB(), getSunE());
  return -kPi / 2 - theta * kRad;
}

// Half the limb closed by the terminator, an ellipse of half-width f: phase 0 covers the disc,
// 50 half of it, 100 nothing (the two halves of the outline trace the same path).
std::vector<TPoint> Tsun::moonShadePolygon(int32_t xi, int32_t yi, double radius, double phase, double rotation,
                                           MoonPart part) const {
  const double f = -(phase - 50) / 50;
  std::vector<TPoint> points(181);
  for (int k = 0; k <= 180; ++k) {
    double a = k * 2 * kRad;
    double y = std::cos(a);
    double x = std::sin(a);
    if (part == MoonPart::Dark && k < 90) x = std::sin(a) * f;
    if (part == MoonPart::Lit && k > 90) x = -std::sin(a) * f;
    double d = std::sqrt(x * x + y * y);
    double t = std::atan2(x, y) - rotation;
    x = d * std::sin(t);
    y = d * std::cos(t);
    points[k] = {xi - platform::Round32(x * radius), yi + platform::Round32(y * radius)};
  }
  return points;
}

double Tsun::moonShade(platform::TCanvas& canvas, int32_t xi, int32_t yi, double radius, double phase) {
  return moonShade(canvas, xi, yi, radius, phase, moonShadeRotation());
}

double Tsun::moonShade(platform::TCanvas& canvas, int32_t xi, int32_t yi, double radius, double phase, double rotation,
                       MoonPart part) {
  std::vector<TPoint> points = moonShadePolygon(xi, yi, radius, phase, rotation, part);
  canvas.Polygon(points);
  return rotation;
}

// The angle between the two directions, from their cross and dot products so that opposite
// directions give 180 (the law of cosines on the three points gives 0 there).
double Tsun::sunMoonAngle() {
  auto unit = [](double bearing, double elevation, double out[3]) {
    double b = bearing * kRad, e = elevation * kRad;
    out[0] = std::sin(b) * std::cos(e);
    out[1] = std::cos(b) * std::cos(e);
    out[2] = std::sin(e);
  };
  double s[3], m[3];
  unit(getSunB(), getSunE(), s);
  unit(getMoonB(), getMoonE(), m);
  double cx = s[1] * m[2] - s[2] * m[1], cy = s[2] * m[0] - s[0] * m[2], cz = s[0] * m[1] - s[1] * m[0];
  double dot = s[0] * m[0] + s[1] * m[1] + s[2] * m[2];
  return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), dot) * kDeg;
}

double Tsun::terminator(double longitude, double sunlat, double sunlong) {
  double a = longitude + sunlong + 180;
  if (a > 360) a -= 360;
  if (a < 0) a += 360;
  double b = std::fabs(a - 180);
  if (sunlat == 0) return b <= 90 ? 90 : -90;
  double d = 90 - std::fabs(std::atan(std::tan(sunlat * kRad) / std::cos(b * kRad)) * kDeg);
  return b <= 90 ? d : -d;
}

double Tsun::Refraction(double ele) {
  double angle = (ele + 10.3 / (ele + 5.11)) * kRad;
  return 1.02 / std::tan(angle) / 60 * 34 / 32;
}
