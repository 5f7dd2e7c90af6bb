// What the window system adds to the services object: the registered message, the monitor list
// and DPI at start, the error box of a failed free, delayed frees and timers.
#include <gtest/gtest.h>

#include "core/r_base.h"
#include "platform/system.h"
#include "platform/windows.h"

namespace {
using namespace platform;

class Tbad {
 public:
  ~Tbad() noexcept(false) { throw std::runtime_error("cannot let go"); }
};

class Tcounted {
 public:
  explicit Tcounted(int* alive) : falive(alive) { ++*falive; }
  ~Tcounted() { --*falive; }

 private:
  int* falive;
};

class OsWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    auto b = std::make_unique<THeadlessBackend>();
    TDisplay d;
    d.name = "Panel";
    d.box = Bounds(0, 0, 2880, 1620);
    d.workArea = d.box;
    d.mmWidth = 508;  // 144 DPI
    d.mmHeight = 286;
    d.primary = true;
    b->setDisplays({d});
    resetDesktop(std::move(b));
    createOs();
    recorded().clear();
  }
  void TearDown() override { freeOs(); }
};

TEST_F(OsWindows, StartUpRegistersTheMessageAndMeasuresTheScreen) {
  EXPECT_EQ(wm_ombrant, RegisterWindowMessage("wm_ombrant"));
  ASSERT_TRUE(os->monitors);
  EXPECT_EQ(os->monitors->count(), 1);
  EXPECT_EQ(os->monitors->fullname(0), "1 Panel  (2880 x 1620)");
  EXPECT_NEAR(os->screenDPI(), 144, 0.5);
  EXPECT_NEAR(os->fffontMagnification, 1.5, 0.01);
  EXPECT_NEAR(os->RawScreenPpmm(), 144 / 25.4, 0.01);
  EXPECT_EQ(os->gp(10), 15);
  ASSERT_TRUE(os->screenInfo());
  EXPECT_FALSE(os->fontname().empty());
}

TEST_F(OsWindows, AFailedFreeShowsThePlatformBoxUnlessAskedNot) {
  auto bad = std::make_unique<Tbad>();
  EXPECT_FALSE(os->unassign(bad, true, "closing"));
  ASSERT_EQ(recorded().size(), 1u);
  EXPECT_EQ(recorded()[0].rfind("box Ombrant|context: closing\runassign: Tbad \r", 0), 0u) << recorded()[0];
  auto quiet = std::make_unique<Tbad>();
  EXPECT_FALSE(os->unassign(quiet, false));
  EXPECT_EQ(recorded().size(), 1u);
}

TEST_F(OsWindows, DelayedFreeClearsNowAndFreesWhenTheLoopRunsTheTimer) {
  int alive = 0;
  auto ob = std::make_unique<Tcounted>(&alive);
  os->unassign(ob, 100);
  EXPECT_FALSE(ob);
  EXPECT_EQ(alive, 1);
  desktop().processMessages();
  EXPECT_EQ(alive, 1);
  desktop().waitMessage(100);
  desktop().processMessages();
  EXPECT_EQ(alive, 0);
}

TEST_F(OsWindows, UnassignTimerStopsAndFrees) {
  int ticks = 0;
  auto t = std::make_unique<TTimer>();
  t->SetInterval(10);
  t->SetOnTimer([&](TTimer*) { ++ticks; });
  desktop().waitMessage(10);
  desktop().processMessages();
  EXPECT_EQ(ticks, 1);
  os->unassignTimer(t);
  EXPECT_FALSE(t);
  desktop().waitMessage(50);
  desktop().processMessages();
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(desktop().nextTimerIn(), -1);
}

TEST_F(OsWindows, DesignWidthScalesByThePrimaryScreen) {
  os->designwidth(1920);
  EXPECT_DOUBLE_EQ(os->fauto, 1.5);
  os->designwidth(-1);
  EXPECT_EQ(os->fauto, 0);
}
}  // namespace
