// Speed of the astronomical data tab at a page height of 1080 (clock bitmap 2160 x 2160): a full
// redraw on a new hour, a minute update, a second update (two cells and their copy), and the
// text panel with its planet positions; and the whole page on a headless desktop as the
// one-second tick leaves it: the tick and the paint of what it invalidated.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/bench_home.h"
#include "astro/r_SunLoc.h"
#include "clock/r_Kestrova.h"
#include "clock/r_SunGlobe.h"
#include "core/Tbm24.h"
#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "core/r_date.h"
#include "platform/controls.h"
#include "platform/datetime.h"
#include "platform/windows.h"

namespace {
using namespace platform;

TDateTime at(int hh, int mm, int ss) { return createDateman().EncodeDateTime(2026, 6, 21, hh, mm, ss); }

struct Tscene {
  std::unique_ptr<TsunBase> base;
  TrawBitmap24 world;
  std::unique_ptr<TfancyClock> clock;
  TBitmap screen;
  Tscene() {
    createOs();
    createDateman();
    const std::string dir = benchhome::path("astro/");
    std::filesystem::create_directories(dir);
    base = std::make_unique<TsunBase>(dir + "sky.db", 1920);
    world.setsize(600, 300);
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 600; ++x) world.setPixel(x, y, Tbgr{uint8_t(x / 3), uint8_t(120 + y / 3), 60});
    clock = std::make_unique<TfancyClock>(*base);
    clock->globe->fixedGmt = at(12, 0, 0);
    clock->setImage(&world);
    clock->setwidth(1080);
    screen.SetPixelFormat(pf24bit);
    screen.SetSize(1080, 1080);
    clock->Draw(screen.Canvas(), 0, 0);
  }
};

void BM_ClockFullRedraw(benchmark::State& state) {  // aim: under 250 ms
  Tscene s;
  int h = 0;
  for (auto _ : state) s.clock->setTime(at(h++ % 24, 0, 0));
}
void BM_ClockMinute(benchmark::State& state) {  // aim: under 40 ms
  Tscene s;
  s.clock->setTime(at(10, 0, 0));
  int m = 1;
  for (auto _ : state) s.clock->setTime(at(10, m++ % 60, 0));
}
void BM_ClockSecond(benchmark::State& state) {  // aim: under 3 ms
  Tscene s;
  s.clock->setTime(at(10, 0, 0));
  int sec = 1;
  for (auto _ : state) s.clock->setTime(at(10, 0, sec++ % 60));
}
void BM_TextPanel(benchmark::State& state) {  // aim: under 10 ms
  Tscene s;
  TclockPage page(nullptr, *s.base);
  page.astroBm->SetSize(840, 1080);
  page.moonbox = platform::TRect{240, 108, 600, 468};
  page.moonTemp->setsize(360, 360);
  for (auto _ : state) page.DrawAstroData();
}
// The page at 1920 x 1058 with a world picture and a moon picture in its data folder: each
// iteration is one tick a second later and the paint it causes. Aim: under 1 ms.
void BM_PageSecond(benchmark::State& state) {
  createOs();
  createDateman();
  platform::resetDesktop(std::make_unique<platform::THeadlessBackend>());
  const std::string dir = benchhome::path("astro-page/");
  std::filesystem::create_directories(dir);
  TrawBitmap24 world, moon;
  world.setsize(600, 300);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 600; ++x) world.setPixel(x, y, Tbgr{uint8_t(x / 3), uint8_t(120 + y / 3), 60});
  world.savetofile(dir + "world 600.bmp");
  moon.setsize(400, 400);
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 400; ++x) moon.setPixel(x, y, Tbgr{uint8_t(100 + (x * y) % 90), uint8_t(110 + x % 70), 120});
  moon.savetofile(dir + "moon.bmp");
  {
    TsunBase base(dir + "sky.db", 1920);
    TclockPage page(nullptr, base);
    page.Handle();
    const TDateTime start = at(10, 0, 0);
    setClockForTesting(start);
    page.SetBounds(0, 0, 1920, 1058);
    page.Show();
    page.Update();
    int tick = 0;  // one minute of seconds, then again (the minute's redraw is not timed)
    for (auto _ : state) {
      ++tick;
      if (tick % 60 == 0) {
        state.PauseTiming();
        setClockForTesting(start + tick / 86400.0);
        page.doMoment(nullptr);
        page.Update();
        ++tick;
        state.ResumeTiming();
      }
      setClockForTesting(start + tick / 86400.0);
      page.doMoment(nullptr);
      page.Update();
    }
    setClockForTesting(0);
  }
  platform::resetDesktop(std::make_unique<platform::THeadlessBackend>());
}
BENCHMARK(BM_PageSecond)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextPanel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClockFullRedraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClockMinute)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClockSecond)->Unit(benchmark::kMillisecond);

}  // namespace
