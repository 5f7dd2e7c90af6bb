// Small angle and calendar helpers private to the r_Sun module.
// Angle wrapping uses a remainder, so an infinity or a huge angle returns at once (as NaN or a
// wrapped value) instead of looping.
#pragma once
#include <cmath>
#include <cstdint>
#include <numbers>

namespace sunmath {
constexpr double kPi = std::numbers::pi;
constexpr double k2Pi = 2 * std::numbers::pi;
constexpr double kRad = std::numbers::pi / 180.0;  // degrees to radians
constexpr double kDeg = 180.0 / std::numbers::pi;  // radians to degrees

// Into 0..2pi; 2pi itself stays 2pi, as the repeated-step form gives.
inline double in2pi(double a) {
  if (a >= 0 && a <= k2Pi) return a;
  double r = std::fmod(a, k2Pi);
  if (r < 0) r += k2Pi;
  return r;
}
// Into -pi..pi.
inline double inPi(double a) {
  if (a >= -kPi && a <= kPi) return a;
  double r = std::fmod(a + kPi, k2Pi);
  if (r < 0) r += k2Pi;
  return r - kPi;
}
// Into -180..180 degrees (add or subtract whole turns).
inline double in180(double a) {
  if (a >= -180 && a <= 180) return a;
  double r = std::fmod(a + 180, 360.0);
  if (r < 0) r += 360;
  return r - 180;
}
// atan2 with an exactly-zero adjacent giving +-pi/2 (opposite >= 0 gives +pi/2).
inline double arcTan(double opposite, double adjacent) {
  if (adjacent == 0) return opposite >= 0 ? kPi / 2 : -kPi / 2;
  return std::atan2(opposite, adjacent);
}
// Arc cosine with the argument limited to -1..1 (NaN counts as 1); 0 gives exactly pi/2.
inline double ArcCos(double x) {
  if (x == 0) return kPi / 2;
  if (std::isnan(x)) x = 1;
  if (x > 1) x = 1;
  if (x < -1) x = -1;
  return std::acos(x);
}
inline double ArcSin(double x) {
  if (x == 0) return 0;
  if (std::isnan(x)) x = 1;
  if (x > 1) x = 1;
  if (x < -1) x = -1;
  return std::asin(x);
}
}  // namespace sunmath
