// Rounding, truncation and date-time parts with the semantics the system relies on.
#include "platform/numbers.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/datetime.h"

TEST(Numbers, RoundHalvesToEvenAndSaturates) {
  struct Case { double in; int64_t out; } cases[] = {
      {2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.49999, 0}, {std::numeric_limits<double>::quiet_NaN(), 0},
      {std::numeric_limits<double>::infinity(), std::numeric_limits<int64_t>::max()}};
  for (auto c : cases) EXPECT_EQ(platform::Round(c.in), c.out) << c.in;
  EXPECT_EQ(platform::Round32(1e300), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(platform::Trunc(-2.7), -2);
  EXPECT_DOUBLE_EQ(platform::Frac(-2.5), -0.5);
}

TEST(DateTime, EncodeDecodeRoundTrip) {
  platform::TDateTime d = 0;
  ASSERT_TRUE(platform::tryEncodeDate(2000, 1, 1, d));
  EXPECT_DOUBLE_EQ(d, 36526.0);
  EXPECT_FALSE(platform::tryEncodeDate(2023, 2, 29, d));
  EXPECT_DOUBLE_EQ(d, 36526.0);
  auto p = platform::decodeDateTime(36526.75);
  EXPECT_EQ(p.year, 2000);
  EXPECT_EQ(p.hour, 18);
  EXPECT_EQ(platform::dayOfWeek(36526.0), 7);  // 2000-01-01 was a Saturday
  auto neg = platform::decodeDateTime(-1.25);
  EXPECT_EQ(neg.day, 29);
  EXPECT_EQ(neg.hour, 6);
}
