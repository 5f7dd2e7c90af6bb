// The ring clock: slot counts, slot angles and current slots, what each tick redraws (second
// cells, the minute rings, everything on a new hour or a new date), the moon icons' phases and the
// season names, checked on the clock's own pixels.
#include <gtest/gtest.h>

#include <array>
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
  // Sum of the channels of the clock pixel in the ring between the fractions, at slot `i` of `n`,
  // near the slot's start edge (clear of the label in its middle and the outlines at its edges).
  int slotPixel(double outer, double inner, int i, int n) {
    const int c = clock->fwidth / 2;
    const double R = c * (outer * 0.55 + inner * 0.45), a = (i + 0.15) / n * 2 * std::numbers::pi;
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

TEST_F(FancyClock, SlotAnglesRunOverTheYearAndTheMoonRingRunsBackFromTheBottom) {
  clock->hour = -1;
  ASSERT_TRUE(clock->setTime(at(2024, 2, 29, 13, 5, 7)));
  ASSERT_EQ(clock->daysInYear, 366);
  const double turn = 2 * std::numbers::pi, pi = std::numbers::pi;
  const struct {
    const char* id;
    int option, n, M;
    double start, end;
  } cases[] = {
      {"January", r_month, 0, 12, 0, 31 / 366.0 * turn},
      {"December ends at the 1st of January", r_month, 11, 12, 335 / 366.0 * turn, 0},
      {"Aries from 21 March", r_zodiac, 0, 12, 80 / 366.0 * turn, 110 / 366.0 * turn},
      {"Capricorn over the new year", r_zodiac, 9, 12, 356 / 366.0 * turn, 19 / 366.0 * turn},
      {"moon slot 0 beside the bottom", r_moon, 0, 100, pi - 0.01 * turn, pi},
      {"moon slot 50 at the top", r_moon, 50, 100, pi - 0.51 * turn, pi - 0.5 * turn},
      {"hour 13", r_hour, 13, 24, 13 / 24.0 * turn, 14 / 24.0 * turn},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    double a0 = 0, a1 = 0;
    clock->getAngles(c.option, c.n, c.M, a0, a1);
    EXPECT_NEAR(a0, c.start, 1e-9);
    EXPECT_NEAR(a1, c.end, 1e-9);
  }
  // The March equinox is the vernal one in the north, the autumnal one south of the equator
  // (the equator included).
  EXPECT_EQ(TfancyClock::seasonTerms(51.5),
            (std::array<std::string, 4>{"vernal equinox", "summer solstice", "autumnal equinox", "winter solstice"}));
  EXPECT_EQ(TfancyClock::seasonTerms(0),
            (std::array<std::string, 4>{"autumnal equinox", "winter solstice", "vernal equinox", "summer solstice"}));
}

TEST_F(FancyClock, MoonIconsShowTheirSlotsPhaseLitOnOppositeSidesOfTheRing) {
  clock->setwidth(400);
  clock->hour = -1;
  ASSERT_TRUE(clock->setTime(at(2024, 2, 28, 10, 20, 30)));
  const int L = clock->slots(r_moon).L, c = clock->fwidth / 2;
  const double outer = 0.94 - 0.32 / 6 - 0.06, inner = outer - 0.06;  // the moon ring
  const double R = (std::lround(c * outer) + std::lround(c * inner)) / 2.0;
  const int d = int(std::lround(clock->fwidth * 0.008));
  auto brightness = [&](int slot, int dx) {
    double a0 = 0, a1 = 0;
    clock->getAngles(r_moon, slot, 100, a0, a1);
    const double m = (a0 + a1) / 2;
    uint8_t r = 0, g = 0, b = 0;
    clock->bm->getPixel(c + int(std::lround(R * std::sin(m))) + dx, c - int(std::lround(R * std::cos(m))), r, g, b);
    return r + g + b;
  };
  // Slot i shows a moon 100 - |99 - 2i| % lit: dark near the bottom, light near the top; half
  // lit on the left of the icon on the ring's right side (slot 25) and on its right on the left.
  const struct {
    int slot, dx;
    bool light;
  } cases[] = {{2, 0, false}, {97, 0, false}, {48, 0, true}, {53, 0, true},
               {25, -d / 2, true}, {25, d / 2, false}, {74, d / 2, true}, {74, -d / 2, false}};
  for (const auto& k : cases) {
    if (std::abs(k.slot - L) <= 1) continue;  // the current moon is drawn over its slot
    SCOPED_TRACE(testing::Message() << "slot " << k.slot << " dx " << k.dx);
    if (k.light) EXPECT_GT(brightness(k.slot, k.dx), 450);
    else EXPECT_LT(brightness(k.slot, k.dx), 150);
  }
}

TEST_F(FancyClock, SeasonNamesStandJustOutsideTheDayOfYearRing) {
  clock->hour = -1;
  ASSERT_TRUE(clock->setTime(at(2024, 2, 28, 10, 20, 30)));
  const int c = clock->fwidth / 2, R1 = int(std::lround(c * 0.96)), R2 = int(std::lround(c * 0.94));
  for (int day : {clock->eq1, clock->sol1, clock->eq2, clock->sol2}) {
    SCOPED_TRACE(day);
    const double a = day / double(clock->daysInYear) * 2 * std::numbers::pi;
    int yellow = 0;
    for (int rad = R1 + 2; rad <= 2 * R1 - R2 + 8; ++rad)
      for (int k = -20; k <= 20; ++k) {
        const double t = a + k / double(rad);
        uint8_t r = 0, g = 0, b = 0;
        clock->bm->getPixel(c + int(std::lround(rad * std::sin(t))), c - int(std::lround(rad * std::cos(t))), r, g, b);
        yellow += r > 150 && g > 150 && b < 100;
      }
    EXPECT_GT(yellow, 5);
  }
}
}  // namespace
