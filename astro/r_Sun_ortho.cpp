// Tortho: the sun object's orthographic projection of a sphere, centred on (mapCentreLong,
// mapCentreLat). Degrees at the interface; ER is the sphere radius in output units (metres of a
// 6378137 m sphere after orthoInit). Used with bearing and elevation as longitude and latitude.
#include <algorithm>
#include <cmath>

#include "astro/r_Sun.h"
#include "astro/sun_math.h"
#include "platform/gdi.h"
#include "platform/numbers.h"

using namespace sunmath;
using platform::TPoint;

namespace {
constexpr double kEarthRadius = 6378137;
}

void Tortho::orthoInit() {
  ER = kEarthRadius;
  hidden = false;
}

void Tortho::setreflong(double degrees) {
  if (degrees < -180) degrees += 360;
  if (degrees > 180) degrees -= 360;
  mapCentreLong = degrees;
  initialized = false;
}

void Tortho::setreflat(double degrees) {
  mapCentreLat = degrees;
  initialized = false;
}

bool Tortho::CentreLL(double& Long, double& lat) {
  if (!(lat >= -90 && lat <= 90)) return false;
  orthoInit();
  Long -= mapCentreLong;
  double p = lat * kRad, l = Long * kRad;
  double r = std::sqrt(std::pow(std::cos(l) * std::cos(p), 2) + std::pow(std::sin(p), 2));
  double theta = std::atan2(std::sin(p), std::cos(p) * std::cos(l)) - mapCentreLat * kRad;
  lat = std::asin(std::sin(theta) * r);
  Long = std::atan2(std::sin(l) * std::cos(p), r * std::cos(theta));
  return true;
}

bool Tortho::getXY(double Long, double lat, double& x, double& y) {
  if (!CentreLL(Long, lat)) return false;
  hidden = Long < -kPi / 2 || Long > kPi / 2;
  y = ER * std::sin(lat);
  x = ER * std::sin(Long) * std::cos(lat);
  if (hidden) {  // onto the rim in the same direction
    double a = std::atan2(x, y);
    x = ER * std::sin(a);
    y = ER * std::cos(a);
  }
  x += refeasting;
  y += refnorthing;
  return true;
}

bool Tortho::doOrthoLL(double& Long, double& lat, double x, double y) {
  orthoInit();
  double c = ER * std::sin(std::acos(std::clamp(x / ER, -1.0, 1.0)));  // half chord at x
  double f = (c == 0 ? 0 : ArcSin(y / c)) + mapCentreLat * kRad;
  f = inPi(f);
  double latR = ArcSin(c * std::sin(f) / ER);
  lat = latR * kDeg;
  double cl = ER * std::cos(latR);
  // At a pole every longitude is the same point: report the centre's.
  Long = std::fabs(cl) < 1e-9 ? 0 : ArcSin(x / cl) * kDeg;
  if (std::fabs(f) > kPi / 2) Long = (Long > 0 ? 180 : -180) - Long;
  Long += mapCentreLong;
  if (Long > 180) Long -= 360;
  if (Long < -180) Long += 360;
  return true;
}

// Before any orthoInit only the centre lies inside the disc (ER is still 0).
bool Tortho::getLL(double& Long, double& lat, double x, double y) {
  x -= refeasting;
  y -= refnorthing;
  if (x * x + y * y <= ER * ER) return doOrthoLL(Long, lat, x, y);
  Long = 0;
  lat = 0;
  return false;
}

double Tortho::OrthoBearing(double long0, double lat0, double long1, double lat1) {
  long0 = in180(long0);
  long1 = in180(long1);
  if (!(lat0 >= -90 && lat0 <= 90) || !(lat1 >= -90 && lat1 <= 90)) return 0;
  setreflong(long0);
  setreflat(lat0);
  orthoInit();
  double x = 0, y = 0;
  getXY(long1, lat1, x, y);
  x -= refeasting;
  y -= refnorthing;
  forthodistance = std::sqrt(x * x + y * y) / ER * 100;
  return std::atan2(x, y) * kDeg;
}

void Tortho::OrthoPerimeter(double& Long, double& lat, double bearing) {
  orthoInit();
  double b = bearing * kRad;
  doOrthoLL(Long, lat, ER * std::sin(b), ER * std::cos(b));
}

void Tortho::OrthoPerimeter(double& Long, double& lat, double bearing, double factor) {
  orthoInit();
  double b = bearing * kRad;
  doOrthoLL(Long, lat, factor * ER * std::sin(b), factor * ER * std::cos(b));
  const double centreLong = mapCentreLong, centreLat = mapCentreLat;
  setreflong(centreLong + 180);
  setreflat(-centreLat);
  orthoInit();
  doOrthoLL(hiddenLong, hiddenLat, -ER * std::sin(b), ER * std::cos(b));
  setreflong(centreLong);
  setreflat(centreLat);
}

// One-degree parallels, then meridians, 2 x scope either side of the centre. The projection
// resets ER to the Earth's radius, so each point is scaled to the grid's pixel radius here.
std::vector<std::vector<TPoint>> Tortho::orthoGridLines(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                                        double elevation, double bearing, double scope) {
  std::vector<std::vector<TPoint>> lines;
  const double radius = (x2 - x1) / 2.0 / std::sin(scope * kRad);
  if (!std::isfinite(radius) || !std::isfinite(elevation) || !std::isfinite(bearing) || !(scope > 0 && scope <= 90))
    return lines;
  setreflong(bearing);
  setreflat(elevation);
  orthoInit();
  ER = radius;
  const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
  const auto rowFrom = platform::Round(std::trunc(elevation) - 2 * scope);
  const auto rowTo = platform::Round(std::trunc(elevation) + 2 * scope + 1);
  const auto colFrom = platform::Round(std::trunc(bearing) - 2 * scope);
  const auto colTo = platform::Round(std::trunc(bearing) + 2 * scope + 1);

  auto point = [&](int64_t col, int64_t row, std::vector<TPoint>& line) {
    double Long = static_cast<double>(col), lat = static_cast<double>(row);
    if (lat > 90) {
      lat = 180 - lat;
      Long += 180;
    }
    Long = in180(Long);
    double x = 0, y = 0;
    if (!getXY(Long, lat, x, y) || hidden) return;  // hidden points do not break the line
    x *= radius / ER;
    y *= radius / ER;
    line.push_back({platform::Round32(cx + x), platform::Round32(cy - y)});
  };
  for (int pass = 0; pass < 2; ++pass) {
    const bool parallels = pass == 0;
    for (auto a = parallels ? rowFrom : colFrom; a <= (parallels ? rowTo : colTo); ++a) {
      std::vector<TPoint> line;
      for (auto b = parallels ? colFrom : rowFrom; b <= (parallels ? colTo : rowTo); ++b)
        parallels ? point(b, a, line) : point(a, b, line);
      if (line.size() >= 2) lines.push_back(std::move(line));
    }
  }
  ER = kEarthRadius;
  return lines;
}

void Tortho::orthoGrid(platform::TDeviceContext& dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2, double elevation,
                       double bearing, double scope) {
  for (const auto& line : orthoGridLines(x1, y1, x2, y2, elevation, bearing, scope)) {
    dc.moveTo(line.front().X, line.front().Y);
    for (size_t k = 1; k < line.size(); ++k) dc.lineTo(line[k].X, line[k].Y);
  }
}
