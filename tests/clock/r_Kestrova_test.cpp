// The ring clock: slot counts and current slots, and what each tick redraws (second cells, the
// minute rings, everything on a new hour or a new date), checked on the clock's own pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "astro/r_Sun.h"
#include "astro/r_SunLoc.h"
#include "clock/r_Kestrova.h"
#include "clock/r_SunGlobe.h"
#include "core/Tbm24.h"
#include "platform/datetime.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"

namespace {

platform::TDateTime at(int y, int m, int d, int h, int mi, int s) {
  platform::TDateTime t = 0;
  EXPECT_TRUE(platform::tryEncodeDate(y, m, d, t));
  return t + (h + mi / 60.0 + s / 3600.0) / 24;
}

class FancyClock : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    testenv::HeadlessOsTest::SetUp();
    base = std::make_unique<TsunBase>(testenv::tempDir() + "/nodata/sky.db", 1920);
    world.setsize(72, 36);
    for (int r = 0; r < 36; ++r)
      for (int c = 0; c < 72; ++c) world.setPixel(c, r, uint8_t(40), uint8_t(120), uint8_t(200));
    clock = std::make_unique<TfancyClock>(*base);
    clock->globe->fixedGmt = at(2024, 2, 28, 12, 0, 0);
    clock->setImage(&world);
  }
  void TearDown() override {
    clock.reset();
    base.reset();
    testenv::HeadlessOsTest::TearDown();
  }
  // Red of the clock pixel in the ring between the fractions, at slot `i` of `n`, near the
  // slot's start edge (clear of the label in its middle).
  int slotPixel(double outer, double inner, int i, int n) {
    const int c = clock->fwidth / 2;
    const double R = c * (outer * 0.8 + inner * 0.2), a = (i + 0.15) / n * 2 * std::numbers::pi;
    uint8_t r = 0, g = 0, b = 0;
    clock->bm->getPixel(c + int(std::lround(R * std::sin(a))), c - int(std::lround(R * std::cos(a))), r, g, b);
    return r + g + b;
  }
  std::unique_ptr<TsunBase> base;
  TrawBitmap24 world;
  std::unique_ptr<TfancyClock> clock;
};

TEST_F(FancyClock, SlotCountsAndCurrentSlots) {
  clock->hour = -1;
  clock->setTime(at(2024, 2, 29, 13, 5, 7));
  EXPECT_EQ(clock->slots(r_dayofyear).M, 366);
  EXPECT_EQ(clock->slots(r_dayofyear).L, 59);
  EXPECT_EQ(clock->slots(r_day).M, 29);
  EXPECT_EQ(clock->slots(r_day).L, 28);
  EXPECT_EQ(clock->slots(r_dayofweek).L, 3) << "a Thursday, Monday first";
  EXPECT_EQ(clock->slots(r_hour).L, 13);
  EXPECT_EQ(clock->slots(r_sec).L, 7);
  clock->setTime(at(2023, 2, 5, 13, 5, 7));
  EXPECT_EQ(clock->slots(r_dayofyear).M, 365);
  EXPECT_EQ(clock->slots(r_day).M, 28);
  EXPECT_EQ(clock->slots(r_dayofweek).L, 6) << "a Sunday";
  std::vector<int> labels;
  for (int i = 0; i < 24; ++i) labels.push_back(TfancyClock::hourLabel(i, true));
  EXPECT_EQ(labels, (std::vector<int>{12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(TfancyClock::hourLabel(13, false), 13);
  const TringSlots moon = clock->slots(r_moon);
  const int k = int(std::lround(clock->sun.getMoonPhase() / 2));
  EXPECT_EQ(moon.L, clock->sun.getWaxing() ? 100 - k : k);
}

TEST_F(FancyClock, TicksRedrawSecondsMinutesAndEverythingOnNewHourOrDate) {
  clock->setwidth(300);
  clock->hour = -1;
  const int full = clock->redraws + 1;
  ASSERT_TRUE(clock->setTime(at(2024, 2, 28, 10, 20, 30)));
  EXPECT_EQ(clock->redraws, full);
  EXPECT_EQ(slotPixel(clock->r5, clock->r6, 30, 60), 3 * 255) << "the selected second is white";
  EXPECT_LT(slotPixel(clock->r5, clock->r6, 31, 60), 3 * 255);
  ASSERT_TRUE(clock->setTime(at(2024, 2, 28, 10, 20, 31)));
  EXPECT_EQ(clock->secondUpdates, 1);
  EXPECT_EQ(slotPixel(clock->r5, clock->r6, 31, 60), 3 * 255);
  EXPECT_LT(slotPixel(clock->r5, clock->r6, 30, 60), 3 * 255) << "the old cell is plain again";
  ASSERT_TRUE(clock->setTime(at(2024, 2, 28, 10, 21, 0)));
  EXPECT_EQ(clock->minuteUpdates, 1);
  EXPECT_EQ(clock->redraws, full);
  EXPECT_EQ(slotPixel(clock->r1, clock->r2, 27, 29), 3 * 255) << "the 28th on the day ring";
  // One day later at the same hour and minute: every ring is redrawn on the new date.
  ASSERT_TRUE(clock->setTime(at(2024, 2, 29, 10, 21, 0)));
  EXPECT_EQ(clock->redraws, full + 1);
  EXPECT_EQ(slotPixel(clock->r1, clock->r2, 28, 29), 3 * 255);
  EXPECT_LT(slotPixel(clock->r1, clock->r2, 27, 29), 3 * 255);
  EXPECT_FALSE(clock->abort);
}

TEST_F(FancyClock, ZeroWidthLeavesAnEmptyBitmapAndTicksDoNothing) {
  clock->setwidth(0);
  EXPECT_EQ(clock->bm->width(), 0);
  EXPECT_TRUE(clock->setTime(at(2024, 2, 28, 10, 20, 30)));
  EXPECT_EQ(clock->localtime(), 0);
  clock->setwidth(100);
  EXPECT_EQ(clock->width(), 100);
}
}  // namespace
