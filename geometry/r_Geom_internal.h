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

// Sorts finite and infinite values (no NaN) ascending: the order std::sort gives, by radix on
// the values' bits for long lists, where comparison sorts fall far behind.
void sortValues(Tdlist& values);

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

// Adds p unless it repeats the last point exactly.
inline void addPoint(Txyvalues& line, const xyrec& p) {
  if (line.empty() || !(line.back() == p)) line.push_back(p);
}

// Appends source (from its end when reverse) without repeating a shared end point exactly.
inline void appendLine(Txyvalues& line, const Txyvalues& source, bool reverse = false) {
  if (source.empty()) return;
  if (!reverse) {
    auto from = source.begin();
    if (!line.empty() && line.back() == *from) ++from;
    line.insert(line.end(), from, source.end());
  } else {
    auto from = source.rbegin();
    if (!line.empty() && line.back() == *from) ++from;
    line.insert(line.end(), from, source.rend());
  }
}

inline Txyvalues reversed(Txyvalues line) {
  std::reverse(line.begin(), line.end());
  return line;
}

// The point at fraction u along segment vertex (the point itself when u is 0).
inline xyrec pointAt(const Txyvalues& line, int32_t vertex, double u) {
  const xyrec& p = line[static_cast<size_t>(vertex)];
  if (u == 0) return p;
  const xyrec& q = line[static_cast<size_t>(vertex) + 1];
  return {p.x + (q.x - p.x) * u, p.y + (q.y - p.y) * u};
}

// Holds the position vertex + u to a line of n points: a position before or beyond it goes to
// the nearer end, a fraction outside 0..1 to its own segment. False for NaN or no points.
inline bool holdPosition(int32_t n, int32_t& vertex, double& u) {
  if (n <= 0 || std::isnan(u)) return false;
  if (u >= 0 && u < 1 && vertex >= 0 && vertex < n - 1) return true;
  const double p = std::clamp(static_cast<double>(vertex) + u, 0.0, static_cast<double>(n - 1));
  vertex = static_cast<int32_t>(p);
  u = p - vertex;
  if (vertex >= n - 1) {
    vertex = n - 1;
    u = 0;
  }
  return true;
}

// How many rings hold ring i, following parents (-1 for none); a ring outside the list is at 0.
inline int32_t nestingDepth(const TiList& parents, int32_t i) {
  int32_t depth = 0;
  // Holders are strictly larger, so the chain ends; the bound only guards a list made elsewhere.
  for (int32_t p = i >= 0 && i < count(parents) ? parents[i] : -1; p >= 0 && p < count(parents) && depth <= count(parents);
       p = parents[p])
    ++depth;
  return depth;
}

// One segment of a ring against the upward ray from (x, y): 1 when it crosses above, 0 when it
// takes no part, -1 when the point lies on the boundary (on the segment's first point, on it when
// vertical, or within eq of the crossing's height). A segment takes part when x lies from its
// lower x (included) to its upper x (excluded).
inline int32_t rayStep(double x, double y, const xyrec& p, const xyrec& q, double eq) {
  // Most segments lie wholly to one side of x, beyond the tolerance: none of the tests below can
  // hold for them.
  const double dp = x - p.x, dq = x - q.x, e = eq > 0 ? eq : 0;
  if ((dp > e && dq > e) || (dp < -e && dq < -e)) return 0;
  if (std::abs(dp) <= eq && std::abs(y - p.y) <= eq) return -1;
  if (p.x == q.x) return x == p.x && std::min(p.y, q.y) <= y && y < std::max(p.y, q.y) ? -1 : 0;
  if (!((p.x <= x && x < q.x) || (q.x <= x && x < p.x))) return 0;
  const double yc = p.y + (q.y - p.y) * (x - p.x) / (q.x - p.x);
  if (yc > y + eq) return 1;
  return yc >= y - eq ? -1 : 0;
}

// The pairs (i, j), i < j - 1, of segments of xy whose extents meet when one is grown by margin,
// ordered by i and then j; found through a segment tree, so long lines need not pair every segment.
std::vector<std::pair<int32_t, int32_t>> segmentPairs(const Txyvalues& xy, double margin);
// The pairs (i, j) of a segment i of a and a segment j of b whose extents meet within margin,
// ordered by i and then j.
std::vector<std::pair<int32_t, int32_t>> segmentPairs(const Txyvalues& a, const Txyvalues& b, double margin);

}  // namespace geom
