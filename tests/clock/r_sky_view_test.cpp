// TskyView on the headless desktop with a tiny sky database and a pinned clock: which ticks
// redraw, how a drag turns the view, the 300-pixel floor, and the home place taken afresh.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "astro/r_Sun.h"
#include "astro/r_SunLoc.h"
#include "clock/r_sky.h"
#include "core/r_date.h"
#include "platform/datetime.h"
#include "tests/clock/skydb.h"
#include "tests/support/headless_os.h"

namespace {
using namespace platform;

TDateTime at(int hh, int mm, int ss) {
  TDateTime dt = 0, t = 0;
  tryEncodeDate(2026, 6, 21, dt);
  tryEncodeTime(hh, mm, ss, 0, t);
  return dt + t;
}

class SkyViewTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    locationsDir.clear();
    createDateman();
    setClockForTesting(at(11, 0, 0));
    base = std::make_unique<TsunBase>(skytest::makeSkyDb("view"), 1920);
    page = std::make_unique<TskyView>(nullptr, *base);
    page->Handle();  // a window of its own, so sizes arrive as they do on the main window
  }
  void TearDown() override {
    page.reset();
    base.reset();
    setClockForTesting(0);
    HeadlessOsTest::TearDown();
  }
  std::unique_ptr<TsunBase> base;
  std::unique_ptr<TskyView> page;
  int timer = 0;  // stands for the main window's timer as the tick's sender
};

TEST_F(SkyViewTest, TicksRedrawOnFifthSecondsAndWhenForced) {
  page->SetBounds(0, 0, 600, 400);
  const int start = page->redraws;
  EXPECT_EQ(start, 1) << "sizing the page draws it";
  const struct {
    int second;
    bool forced;
    bool redraws;
  } cases[] = {{5, false, true}, {6, false, false}, {7, false, false}, {9, false, false},
               {10, false, true}, {15, false, true}, {7, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.second) + (c.forced ? " forced" : ""));
    setClockForTesting(at(11, 0, c.second));
    const int before = page->redraws;
    page->dosecond(c.forced ? nullptr : &timer);
    EXPECT_EQ(page->redraws - before, c.redraws ? 1 : 0);
    EXPECT_NEAR(base->observer().getDT(), at(11, 0, c.second), 1e-7) << "the observer follows every tick";
  }
}

std::vector<uint8_t> viewPixels(TBitmap& bm) {
  std::vector<uint8_t> out;
  for (int y = 0; y < bm.Height(); ++y) {
    const uint8_t* row = bm.ScanLine(y);
    out.insert(out.end(), row, row + size_t(bm.Width()) * 3);
  }
  return out;
}

// The pixels of b with no pixel of a like them (every channel within 32) at most one pixel away.
int pixelsFurtherThanOneAway(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int w, int h) {
  int far = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* q = &b[(size_t(y) * w + x) * 3];
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy)
        for (int dx = -1; dx <= 1 && !near; ++dx) {
          const int u = x + dx, v = y + dy;
          if (u < 0 || v < 0 || u >= w || v >= h) continue;
          const uint8_t* p = &a[(size_t(v) * w + u) * 3];
          near = std::abs(p[0] - q[0]) <= 32 && std::abs(p[1] - q[1]) <= 32 && std::abs(p[2] - q[2]) <= 32;
        }
      far += !near;
    }
  return far;
}

TEST_F(SkyViewTest, TicksKeepThePictureOnlyWhileARedrawWouldMatchIt) {
  page->SetBounds(0, 0, 600, 400);
  page->dosecond(nullptr);  // turns the view to the sun
  // Edges of anti-aliased marks may move by a shade more than a pixel's tolerance allows.
  const int few = 600 * 400 / 2000;
  const struct {
    int minute, second;
    bool kept;
  } cases[] = {{0, 5, true}, {0, 10, true}, {1, 0, false} /* the caption's minute */, {1, 5, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.minute) + ":" + std::to_string(c.second));
    setClockForTesting(at(11, c.minute, c.second));
    const int kept = page->keptPictures, before = page->redraws;
    page->dosecond(&timer);
    EXPECT_EQ(page->redraws - before, 1);
    EXPECT_EQ(page->keptPictures - kept, c.kept ? 1 : 0);
    if (!c.kept) continue;
    const std::vector<uint8_t> shown = viewPixels(*page->bm);
    page->dosecond(nullptr);  // a forced tick always draws
    EXPECT_EQ(page->keptPictures - kept, 1);
    const std::vector<uint8_t> fresh = viewPixels(*page->bm);
    ASSERT_EQ(shown.size(), fresh.size());
    EXPECT_LE(pixelsFurtherThanOneAway(shown, fresh, 600, 400), few)
        << "the kept picture is the sky a redraw shows, to the pixel";
  }
  const std::vector<uint8_t> before = viewPixels(*page->bm);
  setClockForTesting(at(11, 10, 0));
  page->dosecond(nullptr);
  EXPECT_GT(pixelsFurtherThanOneAway(before, viewPixels(*page->bm), 600, 400), few)
      << "ten minutes on, the sky has moved beyond the tolerance";
}

TEST_F(SkyViewTest, DragAcrossTheWidthTurnsTheViewByItsShareOf240Degrees) {
  page->SetBounds(0, 0, 1200, 400);
  page->doMouseDown(100);
  page->doMouseUp(400);
  EXPECT_DOUBLE_EQ(page->longshift, 60);
  base->sun().sun();
  EXPECT_NEAR(page->sky->centreLong, base->sun().getSunB() - 60, 1e-9);
  EXPECT_EQ(page->sky->centreLat, 40);
  const int before = page->redraws;
  page->doMouseDown(500);
  page->doMouseUp(500);
  EXPECT_DOUBLE_EQ(page->longshift, 60);
  EXPECT_EQ(page->redraws, before + 1) << "a release where pressed redraws without turning";
  page->SetBounds(0, 0, 1000, 400);
  page->doMouseDown(10);
  page->doMouseUp(11);
  EXPECT_NEAR(page->longshift, 60.24, 1e-12);
  setClockForTesting(at(11, 0, 20));
  page->dosecond(&timer);
  EXPECT_NEAR(page->sky->centreLong, base->sun().getSunB() - 60.24, 1e-9) << "the turn survives ticks";
}

TEST_F(SkyViewTest, PagesBelowThreeHundredPixelsAreNotDrawn) {
  page->SetBounds(0, 0, 600, 299);
  EXPECT_EQ(page->redraws, 0);
  page->dosecond(nullptr);
  EXPECT_EQ(page->redraws, 0);
  page->SetBounds(0, 0, 600, 300);
  EXPECT_EQ(page->redraws, 1);
  EXPECT_EQ(page->bm->Height(), 300);
}

TEST_F(SkyViewTest, ReenteringTakesTheHomePlaceAfresh) {
  Tlocations& l = base->locations();
  const int other = l.add();
  l.getLoc(other).name = "Quito";
  l.getLoc(other).lat = -0.22;
  l.getLoc(other).long_ = -78.5;
  base->observer().setlat(10);  // another page moved the observer
  page->reenter();
  EXPECT_NEAR(base->observer().getlat(), 51.5, 1e-9);
  l.setHome(other);
  page->reenter();
  EXPECT_NEAR(base->observer().getlat(), -0.22, 1e-9);
  EXPECT_NEAR(base->observer().getlong(), -78.5, 1e-9);
}

}  // namespace
