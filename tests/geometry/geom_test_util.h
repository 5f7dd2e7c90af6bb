// Helpers shared by the geometry tests.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/Tutil.h"
#include "geometry/r_Geom.h"

namespace geomtest {

// A committed reference table: one record a line, words separated by blanks; '#' lines are notes.
struct Table {
  std::vector<std::vector<std::string>> rows;
  explicit Table(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream words(line);
      std::vector<std::string> row;
      for (std::string w; words >> w;) row.push_back(w);
      rows.push_back(std::move(row));
    }
  }
};

// Reads a row's numbers in order: a line is "n x y ...", a polygon or a set of lines "n line...",
// a set of polygons "n polygon...".
struct Reader {
  const std::vector<std::string>& row;
  size_t at;
  double num() { return std::stod(row.at(at++)); }
  Txyvalues line() {
    const int n = static_cast<int>(num());
    Txyvalues xy;
    for (int i = 0; i < n; ++i) {
      const double x = num();
      xy.push_back({x, num()});
    }
    return xy;
  }
  TpolyXyValues poly() {
    TpolyXyValues rings(static_cast<size_t>(num()));
    for (auto& ring : rings) ring = line();
    return rings;
  }
  TpolyPolyXYvalues polys() {
    TpolyPolyXYvalues all(static_cast<size_t>(num()));
    for (auto& p : all) p = poly();
    return all;
  }
  std::vector<double> nums() {
    std::vector<double> v(static_cast<size_t>(num()));
    for (double& d : v) d = num();
    return v;
  }
};

// The same points within 1e-12 each.
inline void expectLine(const Txyvalues& got, const Txyvalues& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(got[i].x, want[i].x, 1e-12);
    EXPECT_NEAR(got[i].y, want[i].y, 1e-12);
  }
}

// A square with its corner at (x, y), clockwise with y up (an outer ring), closed.
// The square (0,0)-(10,10), clockwise as the kernel's outer rings run.
inline const Txyvalues kSquare{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}};

// Areas of the polygons (outer rings less holes), in ascending order.
inline std::vector<double> sortedAreas(TlineMan& lm, const TpolyPolyXYvalues& polys) {
  std::vector<double> a;
  for (const TpolyXyValues& p : polys) a.push_back(lm.area(p));
  std::sort(a.begin(), a.end());
  return a;
}

inline Txyvalues square(double x, double y, double s) {
  return {{x, y}, {x, y + s}, {x + s, y + s}, {x + s, y}, {x, y}};
}
// The same anticlockwise (a hole).
inline Txyvalues anti(double x, double y, double s) {
  Txyvalues r = square(x, y, s);
  std::reverse(r.begin(), r.end());
  return r;
}

// n points of a sine wave, step apart in x, both coordinates moved by shift.
inline Txyvalues wave(int n, double step, double amplitude, double k, double phase, double shift) {
  Txyvalues xy;
  for (int i = 0; i < n; ++i) xy.push_back({shift + i * step, shift + amplitude * std::sin(k * i + phase)});
  return xy;
}

// Every point of the lines moved by d in both x and y.
inline TpolyXyValues shifted(TpolyXyValues lines, double d) {
  for (Txyvalues& line : lines)
    for (xyrec& p : line) {
      p.x += d;
      p.y += d;
    }
  return lines;
}

}  // namespace geomtest
