// The monitor list on a fake display list: stored names found again, boxes kept usable, each
// monitor's own DPI and scale factor, and measurements that never divide by zero millimetres.
#include "core/r_Monitors.h"

#include <gtest/gtest.h>

#include "platform/windows.h"

namespace {
using namespace platform;

TDisplay display(std::string name, TRect box, int mmw = 0, int mmh = 0, int modeW = 0, bool primary = false) {
  TDisplay d;
  d.name = std::move(name);
  d.box = box;
  d.workArea = box;
  d.mmWidth = mmw;
  d.mmHeight = mmh;
  d.modeWidth = modeW ? modeW : box.width();
  d.modeHeight = box.height();
  d.primary = primary;
  return d;
}

class Monitors : public ::testing::Test {
 protected:
  void use(std::vector<TDisplay> list) {
    auto b = std::make_unique<THeadlessBackend>();
    b->setDisplays(std::move(list));
    resetDesktop(std::move(b));
  }
};

TEST_F(Monitors, StoredNamesAreFoundExactlyOrByTheirNameWithoutNumber) {
  use({display("Dell U2415", Bounds(0, 0, 1920, 1200), 0, 0, 0, true), display("Generic PnP Monitor", Bounds(1920, 0, 1920, 1080)),
       display("Generic PnP Monitor", Bounds(3840, 0, 1920, 1080))});
  TmyMonitors m;
  ASSERT_EQ(m.count(), 3);
  EXPECT_EQ(m.fullname(1), "2 Generic PnP Monitor  (1920 x 1080)");
  struct Case {
    const char* id;
    std::string stored;
    int expect;
  } cases[] = {
      {"exact, second of two alike", "3 Generic PnP Monitor  (1920 x 1080)", 2},
      {"number changed", "7 Dell U2415  (1920 x 1200)", 0},
      {"number changed, alike monitors: the first", "9 Generic PnP Monitor  (1920 x 1080)", 1},
      {"resolution changed", "1 Dell U2415  (2560 x 1440)", 0},
      {"empty", "", 0},
      {"no blank at all", "Generic", 1},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(m.findFromFullName(c.stored), c.expect);
  }
}

TEST_F(Monitors, AMonitorGoneFallsBackToTheCutName) {
  use({display("Generic PnP Monitor", Bounds(0, 0, 1920, 1080), 0, 0, 0, true)});
  TmyMonitors m;
  EXPECT_EQ(m.findFromFullName("2 Generic PnP Monitor  (1920 x 1080)"), 0);
  EXPECT_EQ(m.fullname(5), "1 Generic PnP Monitor  (1920 x 1080)");  // out of range means monitor 0
}

TEST_F(Monitors, BoxesAreAtLeast500By400AndOutOfRangeMeansTheFirst) {
  use({display("Small", Bounds(10, 20, 400, 300), 0, 0, 0, true), display("Big", Bounds(410, 0, 1920, 1080))});
  TmyMonitors m;
  EXPECT_EQ(m.box(0), Bounds(10, 20, 500, 400));
  EXPECT_EQ(m.box(5), m.box(0));
  EXPECT_EQ(m.box(-1), m.box(0));
  EXPECT_EQ(m.box(1), Bounds(410, 0, 1920, 1080));
}

TEST_F(Monitors, WithNoMonitorTheDefaultsStand) {
  use({});
  TmyMonitors m;
  EXPECT_EQ(m.count(), 0);
  EXPECT_EQ(m.box(0), Rect(0, 0, 1920, 960));
  EXPECT_EQ(m.widthPx(), 1920);
  EXPECT_EQ(m.findFromFullName("1 Anything  (1 x 1)"), 0);
  EXPECT_EQ(m.fullname(0), "");
}

TEST_F(Monitors, DpiAndScaleFactorAreEachMonitorsOwn) {
  // 1920 px over 508 mm is 96 DPI; 3840 over 508 is 192; a display without millimetres counts
  // as 96; the second runs a mode twice its desktop box (a scaled desktop).
  use({display("A", Bounds(0, 0, 1920, 1080), 508, 286, 0, true), display("B", Bounds(1920, 0, 1920, 1080), 254, 143, 3840),
       display("C", Bounds(3840, 0, 1280, 1024))});
  TmyMonitors m;
  EXPECT_EQ(m.item(0).dpi, 96);
  EXPECT_EQ(m.item(1).dpi, 192);
  EXPECT_EQ(m.item(2).dpi, 96);
  EXPECT_DOUBLE_EQ(m.item(0).scalefactor, 1.0);
  EXPECT_DOUBLE_EQ(m.item(1).scalefactor, 2.0);
  EXPECT_DOUBLE_EQ(m.item(2).scalefactor, 1.0);
  EXPECT_TRUE(m.item(0).primary);
  EXPECT_EQ(m.item(1).name, "B");
}

TEST_F(Monitors, MeasuringAMonitorWithoutMillimetresUses96Dpi) {
  use({display("A", Bounds(0, 0, 1920, 1080), 508, 286, 0, true), display("No size", Bounds(1920, 0, 960, 600))});
  TmyMonitors m;
  int changes = 0;
  m.onChange = [&](TmyMonitors*) { ++changes; };
  m.setIndex(1);
  EXPECT_NEAR(m.screenInfo().ppmm(), 96 / 25.4, 1e-9);
  EXPECT_EQ(m.screenInfo().pixelWidth(), 960);
  EXPECT_EQ(m.widthPx(), 960);
  EXPECT_EQ(m.screenInfo().px(10), 38);
  // Out of range: the measurements stay, the change event fires all the same.
  m.setIndex(7);
  EXPECT_EQ(m.screenInfo().pixelWidth(), 960);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(m.widthPx(), 1920);  // an index out of range reads as monitor 0
}

}  // namespace
