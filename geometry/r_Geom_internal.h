// Small helpers shared by the r_Geom sources; not part of the module's interface.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/Tutil.h"

template <typename L>
[[nodiscard]] inline int32_t count(const L& list) {
  return static_cast<int32_t>(list.size());
}

namespace geom {

// Parameter of the foot of the perpendicular from (x, y); 0 on a segment of no length.
inline double footU(double x, double y, double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1, dy = y2 - y1;
  const double l2 = dx * dx + dy * dy;
  return l2 > 0 ? ((x - x1) * dx + (y - y1) * dy) / l2 : 0;
}

// Distance from the infinite line through (x1, y1)-(x2, y2), its foot (u, xc, yc) and the side
// (right of the direction, y up).
inline double distanceToInfiniteLine(double x, double y, double x1, double y1, double x2, double y2, double& u,
                                     double& xc, double& yc, bool& rightofline) {
  u = footU(x, y, x1, y1, x2, y2);
  xc = x1 + u * (x2 - x1);
  yc = y1 + u * (y2 - y1);
  const double s = (y - y1) * (x2 - x1) - (x - x1) * (y2 - y1);
  rightofline = s < 0;
  // A point line has no side: measure to the point rather than call it on the line.
  if (s == 0 && (x1 != x2 || y1 != y2)) return 0;
  return std::hypot(x - xc, y - yc);
}

// Ascending insert; an equal value goes after the existing ones, or is refused without duplicates.
inline void addAscending(Tdlist& list, double value, bool allowDuplicates) {
  auto at = std::upper_bound(list.begin(), list.end(), value);
  if (!allowDuplicates && at != list.begin() && *(at - 1) == value) return;
  list.insert(at, value);
}

// Restores a value when the scope ends, whatever the exit.
template <typename T>
class Restore {
 public:
  Restore(T& ref, T value) : ref_(ref), saved_(ref) { ref_ = value; }
  ~Restore() { ref_ = saved_; }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  T& ref_;
  T saved_;
};

}  // namespace geom
