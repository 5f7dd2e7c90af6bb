// Speed of the day/night map: a minute's rebuild (blend, marks, five labels and the hours strip),
// the elevation map of a new day, the blend on its own on each build of its loop, and painting.
// The minute's rebuild runs on the built data folder's container where it is there (build/bin/ of
// the source tree, or KESTROVA_DATA_DIR; 3840.bin is made by kestrova_data --3840), else on
// synthetic images; its label says which.
// Aims (a quiet machine of this kind; compare runs taken in turn, never in timed tests):
//   MinuteRebuild/1920 ≤ 2 ms, MinuteRebuild/3840 ≤ 8 ms on the data folder;
//   ElevationMapOfANewDay/1920 ≤ 15 ms, ElevationMapOfANewDay/3840 ≤ 60 ms.
// The Path benchmarks take the loop's build as their second argument (0 plain x86-64, 1 AVX2,
// 2 AVX-512; skipped where the processor has none) and the number of bands as their third.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bench/bench_home.h"
#include "astro/r_sunLite.h"
#include "core/r_base.h"
#include "core/r_date.h"

namespace {
// The built data folder, ending in "/".
std::string dataFolder() {
  const char* env = std::getenv("KESTROVA_DATA_DIR");
  std::string dir = env && *env ? env : std::string(KESTROVA_SOURCE_DIR) + "/build/bin/";
  if (dir.back() != '/') dir += '/';
  return dir;
}

enum class Images { Synthetic, DataFolder };

// A renderer with five labels: on the data folder's container of width w when asked and there,
// else on synthetic day and night images (no container needed).
std::unique_ptr<TsunLite> makeRenderer(int w, Images images = Images::Synthetic, bool* fromDataFolder = nullptr) {
  const int h = w / 2;
  createOs();
  createDateman();
  const std::string dir = benchhome::path("daynight/");
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
  if (images == Images::DataFolder && std::filesystem::exists(dataFolder() + std::to_string(w) + ".bin")) {
    auto r = std::make_unique<TsunLite>(dataFolder(), WithTimezones::Yes, w, 1.0);
    if (r->toprb->width() == w) {
      if (fromDataFolder) *fromDataFolder = true;
      return r;
    }
  }
  auto r = std::make_unique<TsunLite>(dir, WithTimezones::Yes, w, 1.0);
  r->rb->setsize(w, h);
  r->night->setsize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      r->rb->setPixel(x, y, Tbgr{uint8_t(x), uint8_t(y), 120});
      r->night->setPixel(x, y, Tbgr{60, uint8_t(x / 8), 10});
    }
  r->toprb->setsize(w, h);
  r->refreshImage(RefreshBy::Force);
  return r;
}

void MinuteRebuild(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  bool fromDataFolder = false;
  auto r = makeRenderer(w, Images::DataFolder, &fromDataFolder);
  state.SetLabel(fromDataFolder ? "data folder " + dataFolder() + std::to_string(w) + ".bin" : "synthetic images");
  for (auto _ : state) {
    r->lastMinute = -1;  // as if the minute had turned
    benchmark::DoNotOptimize(r->refreshImage(RefreshBy::Tick));
  }
}
BENCHMARK(MinuteRebuild)->Arg(1920)->Arg(3840)->Unit(benchmark::kMillisecond);

void ElevationMapOfANewDay(benchmark::State& state) {
  TsunEle se;
  se.setSunLat(23.4);
  for (auto _ : state) {
    se.eleMap(static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(se.buf.data());
  }
}
BENCHMARK(ElevationMapOfANewDay)->Arg(1920)->Arg(3840)->Unit(benchmark::kMillisecond);

void Paint(benchmark::State& state) {
  auto r = makeRenderer(1920);
  const int w = static_cast<int>(state.range(0)), h = w / 2;
  TrawBitmap24 window;
  window.setsize(w, h);
  for (auto _ : state) benchmark::DoNotOptimize(r->draw(window.dc(), platform::TRect{0, 0, w, h}));
}
BENCHMARK(Paint)->Arg(1280)->Arg(2560)->Unit(benchmark::kMillisecond);

// ---- the rebuild's parts on their own

bool choosePath(benchmark::State& state, TsunEle& se) {
  const TsunEle::Tpath paths[] = {TsunEle::Tpath::Baseline, TsunEle::Tpath::Avx2, TsunEle::Tpath::Avx512};
  se.path = paths[state.range(1)];
  se.threads = static_cast<int>(state.range(2));
  if (TsunEle::pathSupported(se.path)) return true;
  state.SkipWithError("this processor has no such build");
  return false;
}

void BlendPath(benchmark::State& state) {
  auto r = makeRenderer(static_cast<int>(state.range(0)));
  if (!choosePath(state, *r->se)) return;
  for (auto _ : state) r->se->applyMap(*r->toprb, *r->rb, *r->night);
}
BENCHMARK(BlendPath)
    ->ArgsProduct({{1920}, {0, 1, 2}, {1, 0}})
    ->ArgsProduct({{3840}, {2}, {1, 0}})
    ->Unit(benchmark::kMillisecond);

void ElevationPath(benchmark::State& state) {
  TsunEle se;
  if (!choosePath(state, se)) return;
  se.setSunLat(23.4);
  for (auto _ : state) {
    se.eleMap(static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(se.buf.data());
  }
}
BENCHMARK(ElevationPath)->ArgsProduct({{1920}, {0, 1, 2}, {1, 0}})->Unit(benchmark::kMillisecond);

// The renderer made on the real data folder (build/bin/ of the source tree, or KESTROVA_DATA_DIR):
// container, day image, elevation map and first map, as the wall clock makes it at start.
void FirstMapFromTheDataFolder(benchmark::State& state) {
  const std::string dir = dataFolder();
  if (!std::filesystem::exists(dir + "1920.bin")) {
    state.SkipWithError("no data folder built");
    return;
  }
  createOs();
  createDateman();
  for (auto _ : state) {
    TsunLite r(dir, WithTimezones::No, static_cast<int>(state.range(0)), 1.0);
    benchmark::DoNotOptimize(r.toprb->imageData());
  }
}
BENCHMARK(FirstMapFromTheDataFolder)->Arg(1920)->Unit(benchmark::kMillisecond);

void StripPart(benchmark::State& state) {
  auto r = makeRenderer(1920);
  for (auto _ : state) r->refreshStrip();
}
BENCHMARK(StripPart)->Unit(benchmark::kMillisecond);

void LabelsPart(benchmark::State& state) {
  auto r = makeRenderer(1920);
  for (auto _ : state) r->locations().draw(1920, r->ob->getDT());
}
BENCHMARK(LabelsPart)->Unit(benchmark::kMillisecond);
}  // namespace
