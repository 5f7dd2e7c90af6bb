// The drop-down list and the done badge on a real display (our own Xvfb, clicks sent with
// xdotool): the list opens below the face and a click chooses and closes it; the badge shows,
// fades and is gone while a timer of the main window keeps its pace.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "platform/x11.h"
#include "tests/support/xvfb.h"
#include "tests/ui/xvfb_support.h"
#include "ui/r_comboBox.h"
#include "ui/r_controlMan.h"
#include "ui/r_listBox.h"

namespace {
using namespace platform;
using testenv::have;
using testenv::pollUntil;
using testenv::run;

class ControlsOnXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!have("xdotool") || !have("Xvfb") || !have("xwd")) GTEST_SKIP() << "xdotool, xwd or Xvfb is missing";
    server = std::make_unique<testenv::Xvfb>("800x600x24", std::vector<std::string>{"-noreset"});
    ASSERT_FALSE(server->display().empty()) << "Xvfb did not start";
    setenv("DISPLAY", server->display().c_str(), 1);
    auto backend = makeSdlBackend();
    ASSERT_TRUE(backend);
    resetDesktop(std::move(backend));
    createOs();
  }
  void TearDown() override {
    if (!server) return;
    freeOs();
    resetDesktop(std::make_unique<THeadlessBackend>());
  }
  std::unique_ptr<testenv::Xvfb> server;
};

TEST_F(ControlsOnXvfb, ComboListOpensBelowTheFaceAndAClickChoosesAndClosesIt) {
  TForm form;
  form.SetBounds(0, 0, 800, 600);
  form.Show();
  TcomboBox cb(&form);
  cb.SetBounds(100, 100, 200, 22);
  for (int i = 0; i < 6; ++i) cb.add("item " + std::to_string(i), i);
  pollUntil(300, [] { return false; });
  const TPoint arrow = cb.downBut->ClientToScreen(TPoint{cb.downBut->Width() / 2, cb.downBut->Height() / 2});
  run(server->display(), "xdotool mousemove " + std::to_string(arrow.X) + " " + std::to_string(arrow.Y) + " click 1");
  ASSERT_TRUE(pollUntil(3000, [&] { return cb.droppedDown(); }));
  EXPECT_EQ(cb.listForm()->Top(), 122);
  // The list's window is on the screen below the face: its selection row is drawn there.
  TlistBox* l = cb.list();
  const TRect row = l->itemRect(4);
  const TPoint at = l->ClientToScreen(TPoint{30, row.Top + row.height() / 2});
  run(server->display(), "xdotool mousemove " + std::to_string(at.X) + " " + std::to_string(at.Y) + " click 1");
  EXPECT_TRUE(pollUntil(3000, [&] { return !cb.droppedDown() && cb.itemIndex() == 4; })) << cb.itemIndex();
}

TEST_F(ControlsOnXvfb, BadgeShowsFadesAndGoesWhileTheMainTimerKeepsItsPace) {
  TForm form;
  form.Color = 0x00FF00;
  form.SetBounds(0, 0, 800, 600);
  form.Show();
  pollUntil(300, [] { return false; });
  std::vector<uint32_t> ticks;
  TTimer timer;
  timer.SetInterval(100);
  timer.SetOnTimer([&](TTimer*) { ticks.push_back(desktop().now()); });
  // The screen is read by another thread: the interface thread must go on meanwhile.
  TSurface during;
  std::thread reader;
  TTimer look;
  look.SetInterval(300);
  look.SetOnTimer([&](TTimer* t) {
    t->SetEnabled(false);
    reader = std::thread([&] { x11::grabScreen(Rect(400, 300, 540, 440), during); });
  });
  done();
  if (reader.joinable()) reader.join();
  ASSERT_EQ(during.width(), 140);
  // The disc's centre is not the form's green; its corner still shows the form.
  const bool shown = during.pixel(70, 70) != TColor(0x00FF00) && during.pixel(1, 1) == TColor(0x00FF00);
  EXPECT_TRUE(shown) << std::hex << during.pixel(70, 70) << " " << during.pixel(1, 1);
  pollUntil(300, [] { return false; });
  auto after = testenv::grabScreen(server->display(), "after.xwd");
  ASSERT_GT(after.width, 0) << after.error;
  EXPECT_EQ(after.at(470, 370), 0x00FF00u);  // gone: the form shows again
  ASSERT_GE(ticks.size(), 10u);
  for (size_t i = 1; i < ticks.size(); ++i) EXPECT_LE(ticks[i] - ticks[i - 1], 150u) << i;
}

}  // namespace
