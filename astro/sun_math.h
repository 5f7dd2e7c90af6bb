// Small angle helpers of the r_Sun module: the shared trigonometry service's wrapping and arc
// functions (remainder-based, so an infinity or a huge angle returns at once), and degrees.
#pragma once
#include <cmath>
#include <numbers>

#include "core/Ttrig.h"

namespace sunmath {
constexpr double kPi = std::numbers::pi;
constexpr double k2Pi = 2 * std::numbers::pi;
constexpr double kRad = std::numbers::pi / 180.0;  // degrees to radians
constexpr double kDeg = 180.0 / std::numbers::pi;  // radians to degrees

inline double in2pi(double a) { return createTrig().in2pi(a); }
inline double inPi(double a) { return createTrig().inPi(a); }
inline double arcTan(double opposite, double adjacent) { return createTrig().arcTan(opposite, adjacent); }
inline double ArcCos(double x) { return static_cast<double>(createTrig().ArcCos(x)); }
inline double ArcSin(double x) { return static_cast<double>(createTrig().ArcSin(x)); }

// Into -180..180 degrees by whole turns.
inline double in180(double a) {
  if (a >= -180 && a <= 180) return a;
  double r = std::fmod(a + 180, 360.0);
  if (r < 0) r += 360;
  return r - 180;
}
}  // namespace sunmath
