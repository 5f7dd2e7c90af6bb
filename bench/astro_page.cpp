// Speed of the astronomical data tab at a page height of 1080 (clock bitmap 2160 x 2160): a full
// redraw on a new hour, a minute update, a second update (two cells and their copy), and the
// text panel with its planet positions.
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
BENCHMARK(BM_TextPanel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClockFullRedraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClockMinute)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClockSecond)->Unit(benchmark::kMillisecond);

}  // namespace
