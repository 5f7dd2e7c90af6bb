#include "clock/r_LL.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/canvas.h"
#include "platform/numbers.h"

namespace r_LL {
namespace {
constexpr double d2r = std::numbers::pi / 180.0;
constexpr double hideLimit = 1.5723671;  // a right angle plus 0.1 %

double clampedAsin(double v) { return std::asin(std::clamp(v, -1.0, 1.0)); }
double clampedAcos(double v) { return std::acos(std::clamp(v, -1.0, 1.0)); }

double into180(double v) {
  while (v > 180) v -= 360;
  while (v < -180) v += 360;
  return v;
}
}  // namespace

void Tortho::setreflong(double value) {
  if (value < -180) value += 360;
  else if (value > 180) value -= 360;
  mapCentreLong = value;
  initialized = false;
}

void Tortho::setreflat(double value) {
  mapCentreLat = value;
  initialized = false;
}

bool Tortho::CentreLL(double& Long, double& lat) {
  orthoInit();
  if (!(lat >= -90 && lat <= 90)) return false;
  const double dl = (Long - mapCentreLong) * d2r, phi = lat * d2r, R = ER;
  const double X = R * std::cos(phi) * std::cos(dl), Y = R * std::cos(phi) * std::sin(dl), Z = R * std::sin(phi);
  const double H = std::hypot(X, Z);
  const double t = std::atan2(Z, X) - mapCentreLat * d2r;
  lat = clampedAsin(std::sin(t) * H / R);
  Long = std::atan2(Y, H * std::cos(t));
  return true;
}

bool Tortho::getXY(double Long, double lat, double& x, double& y) {
  double lo = Long, la = lat;
  if (!CentreLL(lo, la)) return false;
  hidden = lo < -hideLimit || lo > hideLimit;
  double px = std::sin(lo) * std::cos(la) * ER, py = std::sin(la) * ER;
  if (hidden) {
    const double a = std::atan2(px, py);
    px = ER * std::sin(a);
    py = ER * std::cos(a);
  }
  x = px + refeasting;
  y = py + refnorthing;
  return true;
}

bool Tortho::doOrthoLL(double& Long, double& lat, double x, double y) {
  orthoInit();
  const double R = ER;
  const double rho = R * std::sin(clampedAcos(x / R));
  // At the rim (rho 0) the point lies on the reference's horizontal great circle: y / rho has no
  // value there, so its latitude term is taken as 0 instead of dividing by zero.
  double t = (rho > 0 ? clampedAsin(y / rho) : 0.0) + mapCentreLat * d2r;
  while (t > std::numbers::pi) t -= 2 * std::numbers::pi;
  while (t < -std::numbers::pi) t += 2 * std::numbers::pi;
  const double la = clampedAsin(rho * std::sin(t) / R);
  const double cl = R * std::cos(la);
  double lo = (cl > 0 ? clampedAsin(x / cl) : 0.0) / d2r;
  if (std::fabs(t) > std::numbers::pi / 2) lo = lo > 0 ? 180 - lo : -180 - lo;
  lo += mapCentreLong;
  if (lo > 180) lo -= 360;
  else if (lo < -180) lo += 360;
  lat = la / d2r;
  Long = lo;
  return true;
}

bool Tortho::getLL(double& Long, double& lat, double x, double y) {
  x -= refeasting;
  y -= refnorthing;
  if (x * x + y * y <= ER * ER) return doOrthoLL(Long, lat, x, y);
  Long = 0;
  lat = 0;
  return false;
}

double Tortho::OrthoBearing(double long0, double lat0, double long1, double lat1) {
  if (!std::isfinite(long0) || !std::isfinite(long1)) return 0;
  long0 = into180(long0);
  long1 = into180(long1);
  if (!(lat0 >= -90 && lat0 <= 90) || !(lat1 >= -90 && lat1 <= 90)) return 0;
  setreflong(long0);
  setreflat(lat0);
  orthoInit();
  const double saved = ER;
  ER = 100;
  double x = 0, y = 0;
  getXY(long1, lat1, x, y);
  ER = saved;
  return std::atan2(x - refeasting, y - refnorthing) / d2r;
}

double Tortho::OrthoBearing(double long1, double lat1) {
  const double saved = ER;
  ER = 100;
  double x = 0, y = 0;
  getXY(long1, lat1, x, y);
  ER = saved;
  double a = std::atan2(x - refeasting, y - refnorthing) / d2r;
  if (a < 0) a += 360;
  return a;
}

void Tortho::OrthoPerimeter(double& Long, double& lat, double bearing) {
  orthoInit();
  const double b = bearing * d2r;
  doOrthoLL(Long, lat, ER * std::sin(b), ER * std::cos(b));
}

void Tortho::OrthoPerimeter(double& Long, double& lat, double bearing, double factor) {
  orthoInit();
  const double b = bearing * d2r;
  doOrthoLL(Long, lat, factor * ER * std::sin(b), factor * ER * std::cos(b));
  const double cl = mapCentreLong, ca = mapCentreLat;
  mapCentreLong = into180(cl + 180);
  mapCentreLat = -ca;
  doOrthoLL(hiddenLong, hiddenLat, -ER * std::sin(b), ER * std::cos(b));
  mapCentreLong = cl;
  mapCentreLat = ca;
}

void Tortho::orthoGrid(platform::TCanvas& dc, int x1, int y1, int x2, int y2, double elevation, double bearing,
                       double scope) {
  const double s = std::sin(scope * d2r);
  if (s == 0 || !std::isfinite(elevation) || !std::isfinite(bearing)) return;
  ER = (x2 - x1) / 2.0 / s;
  setreflong(bearing);
  setreflat(elevation);
  orthoInit();
  const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
  const int la0 = int(platform::Round(std::trunc(elevation) - 2 * scope));
  const int la1 = int(platform::Round(std::trunc(elevation) + 2 * scope + 1));
  const int lo0 = int(platform::Round(std::trunc(bearing) - 2 * scope));
  const int lo1 = int(platform::Round(std::trunc(bearing) + 2 * scope + 1));
  bool first = true;
  auto point = [&](int lo, int la) {
    double Long = lo, lat = la;
    if (lat > 90) {
      lat = 180 - lat;
      Long += 180;
    }
    // Below the south pole nothing is drawn: the point is skipped as if hidden.
    if (lat < -90) return;
    Long = into180(Long);
    double x = 0, y = 0;
    if (!getXY(Long, lat, x, y) || hidden) return;
    const int px = int(platform::Round(cx + x)), py = int(platform::Round(cy - y));
    if (first) dc.MoveTo(px, py);
    else dc.LineTo(px, py);
    first = false;
  };
  for (int la = la0; la <= la1; ++la) {
    first = true;
    for (int lo = lo0; lo <= lo1; ++lo) point(lo, la);
  }
  for (int lo = lo0; lo <= lo1; ++lo) {
    first = true;
    for (int la = la0; la <= la1; ++la) point(lo, la);
  }
  ER = earthRadius;
}

void Tortho::OrthoPath(double Long, double lat, double /*bearing*/) {
  setreflong(Long);
  setreflat(lat);
  orthoInit();
}

void Tdatum::setfactor(double value) {
  if (value == sfactor) return;
  sfactor = value;
  scaled = param;
  scaled.a = param.a * value;
  scaled.b = param.b * value;
  scaled.e2 = scaled.a != 0 ? (scaled.a * scaled.a - scaled.b * scaled.b) / (scaled.a * scaled.a) : 0;
  scaled.n = param.n * value;
}

}  // namespace r_LL
