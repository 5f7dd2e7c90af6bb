// Helpers shared by the geometry tests.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>

#include "core/Tutil.h"

namespace geomtest {

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
inline Txyvalues square(double x, double y, double s) {
  return {{x, y}, {x, y + s}, {x + s, y + s}, {x + s, y}, {x, y}};
}
// The same anticlockwise (a hole).
inline Txyvalues anti(double x, double y, double s) {
  Txyvalues r = square(x, y, s);
  std::reverse(r.begin(), r.end());
  return r;
}

}  // namespace geomtest
