// A test suite fixture for core and above: one date manager (year 2024, no zone offset) for the
// whole suite, its log going to the test's temporary folder.
#pragma once
#include <gtest/gtest.h>

#include "core/r_date.h"
#include "core/r_log.h"
#include "tests/support/testenv.h"

namespace testenv {

struct DateManSuite : ::testing::Test {
  static void SetUpTestSuite() {
    loggingdir = tempDir();
    dm = new TdateMan(2024, 0);
  }
  static void TearDownTestSuite() {
    delete dm;
    dm = nullptr;
    loggingdir.clear();  // the next suite logs where its own services object says
  }
  inline static TdateMan* dm = nullptr;
};

}  // namespace testenv
