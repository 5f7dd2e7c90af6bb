// Speed of the day/night map at the 1920-pixel container size: a minute's rebuild (blend, marks,
// five labels and the hours strip), the elevation map of a new day, and painting into windows of
// 1280 × 640 and 2560 × 1280.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "astro/r_sunLite.h"
#include "core/r_base.h"
#include "core/r_date.h"

namespace {
constexpr int kW = 1920, kH = 960;

// A renderer on synthetic day and night images (no container needed), with five labels.
std::unique_ptr<TsunLite> makeRenderer() {
  createOs();
  createDateman();
  const std::string dir = std::filesystem::temp_directory_path().string() + "/kestrova-bench-daynight/";
  std::filesystem::create_directories(dir);
  os->setconfig(dir);
  std::ofstream(dir + "locations.ini", std::ios::binary)
      << "[settings]\r\nshow locations=yes\r\n\r\n"
         "[location 1]\r\nname=London\r\nwindows name=GMT Standard Time\r\nlat=51.5\r\nlong=-0.12\r\n\r\n"
         "[location 2]\r\nname=New York\r\nwindows name=Eastern Standard Time\r\nlat=40.7\r\nlong=-74\r\n\r\n"
         "[location 3]\r\nname=Tokyo\r\nwindows name=Tokyo Standard Time\r\nlat=35.7\r\nlong=139.7\r\n"
         "hjustify=right\r\n\r\n"
         "[location 4]\r\nname=Sydney\r\nwindows name=AUS Eastern Standard Time\r\nlat=-33.9\r\nlong=151.2\r\n"
         "vjustify=bottom\r\n\r\n"
         "[location 5]\r\nname=Cape Town\r\nwindows name=South Africa Standard Time\r\nlat=-33.9\r\nlong=18.4\r\n"
         "single line=1\r\n\r\n";
  auto r = std::make_unique<TsunLite>(dir, WithTimezones::Yes, kW, 1.0);
  r->rb->setsize(kW, kH);
  r->night->setsize(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      r->rb->setPixel(x, y, Tbgr{uint8_t(x), uint8_t(y), 120});
      r->night->setPixel(x, y, Tbgr{60, uint8_t(x / 8), 10});
    }
  r->toprb->setsize(kW, kH);
  r->refreshImage(RefreshBy::Force);
  return r;
}

void MinuteRebuild(benchmark::State& state) {
  auto r = makeRenderer();
  for (auto _ : state) {
    r->lastMinute = -1;  // as if the minute had turned
    benchmark::DoNotOptimize(r->refreshImage(RefreshBy::Tick));
  }
}
BENCHMARK(MinuteRebuild)->Unit(benchmark::kMillisecond);

void ElevationMapOfANewDay(benchmark::State& state) {
  TsunEle se;
  se.setSunLat(23.4);
  for (auto _ : state) {
    se.eleMap(kW);
    benchmark::DoNotOptimize(se.buf.data());
  }
}
BENCHMARK(ElevationMapOfANewDay)->Unit(benchmark::kMillisecond);

void Paint(benchmark::State& state) {
  auto r = makeRenderer();
  const int w = static_cast<int>(state.range(0)), h = w / 2;
  TrawBitmap24 window;
  window.setsize(w, h);
  for (auto _ : state) benchmark::DoNotOptimize(r->draw(window.dc(), platform::TRect{0, 0, w, h}));
}
BENCHMARK(Paint)->Arg(1280)->Arg(2560)->Unit(benchmark::kMillisecond);
}  // namespace
// The rebuild's three largest parts on their own.
namespace {
void BlendPart(benchmark::State& state) {
  auto r = makeRenderer();
  for (auto _ : state) r->se->applyMap(*r->toprb, *r->rb, *r->night);
}
BENCHMARK(BlendPart)->Unit(benchmark::kMillisecond);

void StripPart(benchmark::State& state) {
  auto r = makeRenderer();
  for (auto _ : state) r->refreshStrip();
}
BENCHMARK(StripPart)->Unit(benchmark::kMillisecond);

void LabelsPart(benchmark::State& state) {
  auto r = makeRenderer();
  for (auto _ : state) r->locations().draw(kW, r->ob->getDT());
}
BENCHMARK(LabelsPart)->Unit(benchmark::kMillisecond);
}  // namespace
