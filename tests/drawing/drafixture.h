// Shared pieces of the drawing tests: the services object for every test, and small shapes.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "core/r_base.h"
#include "drawing/r_Dra.h"
#include "tests/support/testenv.h"

namespace drafix {

struct DraTest : ::testing::Test {
  void SetUp() override { createOs(); }
  void TearDown() override {
    freeCustomSymbols();
    freeOs();
  }
  static std::string path(const std::string& name) { return testenv::tempDir() + name; }
};

// A ring of the rectangle (x1, y1)-(x2, y2), clockwise with y up, closed.
inline Txyvalues box(double x1, double y1, double x2, double y2) {
  return {{x1, y1}, {x1, y2}, {x2, y2}, {x2, y1}, {x1, y1}};
}
inline Txyvalues reversed(Txyvalues xy) {
  std::reverse(xy.begin(), xy.end());
  return xy;
}

inline bool have(const std::string& probe) { return std::system((probe + " >/dev/null 2>&1").c_str()) == 0; }
inline std::string run(const std::string& cmd, int* status = nullptr) { return testenv::runCommand(cmd, status); }

}  // namespace drafix
