// Data-type codes: display names, reading names back, and the generic families.
#include "core/os_datatypes.h"

#include <gtest/gtest.h>

#include <string>

namespace {
TEST(TosDataTypes, NamesAndFamiliesOfEveryCode) {
  struct Case { int code; const char* name; int family; } cases[] = {
      {0, "", 1}, {1, "string", 1}, {2, "smallint", 3}, {3, "integer", 3}, {4, "word", 3}, {5, "boolean", 1},
      {6, "double", 6}, {7, "cardinal", 3}, {8, "", 1}, {9, "date", 1}, {10, "time", 1}, {11, "datetime", 1},
      {12, "", 1}, {13, "", 1}, {14, "", 1}, {15, "blob", 15}, {16, "memo", 1}, {17, "image", 15},
      {18, "", 1}, {19, "multi-line string", 1}, {20, "", 1}, {21, "coordinate", 1}, {22, "", 1},
      {24, "string", 1}, {25, "", 1}, {26, "linear dimension", 6}, {27, "area", 6},
      {28, "paper dimension", 6}, {29, "notes", 15}, {50, "", 1}, {51, "colour", 1}, {52, "percent", 3},
      {53, "", 1}, {54, "filename", 15}, {55, "", 1}, {59, "long-lat", 1}, {61, "coordinates", 15},
      {62, "jpeg image", 1}, {66, "fuzzy", 1}, {67, "coordinates", 15}, {69, "filepath", 1}, {78, "", 1},
      {100, "", 1}, {101, "group", 1}, {1000, "", 1}, {-1, "", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(TosDataTypes::dataTypeStr(c.code), c.name);
    EXPECT_EQ(TosDataTypes::genericType(c.code), c.family);
  }
}

TEST(TosDataTypes, NamesReadBackExactlyForSixCodes) {
  for (int c = 0; c <= 101; ++c) {
    SCOPED_TRACE(c);
    bool roundTrips = c == 1 || c == 3 || c == 5 || c == 6 || c == 9 || c == 11 || c == 19;
    EXPECT_EQ(TosDataTypes::dataTypeFromStr(TosDataTypes::dataTypeStr(c)) == c, roundTrips);
  }
  EXPECT_EQ(TosDataTypes::dataTypeFromStr("Integer"), ftString);  // letter case counts
  EXPECT_EQ(TosDataTypes::dataTypeFromStr("memo"), ftString);
  EXPECT_EQ(TosDataTypes::dataTypeFromStr(""), ftString);
}
}  // namespace
