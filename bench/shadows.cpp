// Speed of the Shadows tab at 51.5 N: a sun-path draw (about 24,000 sun positions, recorded and
// played into a 1200 × 600 box), a shadow diagram the same way, the 2000-pixel image exports, and
// writing the EMF file.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/bench_home.h"
#include "astro/r_Sun.h"
#include "astro/r_SunLoc.h"
#include "clock/r_Shadows.h"
#include "core/r_base.h"
#include "core/r_date.h"
#include "platform/canvas.h"
#include "platform/metafile.h"

namespace {
using namespace platform;

struct Tscene {
  std::string dir = benchhome::path("shadows/");
  std::unique_ptr<TsunBase> base;
  std::unique_ptr<Tshadows> shadows;
  TBitmap screen;
  explicit Tscene(int option) {
    createOs();
    createDateman();
    std::filesystem::create_directories(dir);
    base = std::make_unique<TsunBase>(dir + "sky.db", 1920);
    base->observer().setlat(51.5);
    base->observer().setlong(-0.12);
    base->observer().setTZ(0);
    shadows = std::make_unique<Tshadows>(*base);
    shadows->option = option;
    shadows->onBadge = [](const std::string&, const std::string&) {};  // the export alone, no badge
    screen.SetPixelFormat(pf24bit);
    screen.SetSize(1200, 600);
    shadows->draw(screen.Canvas(), {0, 0, 1200, 600});
  }
};

void BM_SunPathDraw(benchmark::State& state) {  // aim: under 150 ms
  Tscene s(1);
  for (auto _ : state) s.shadows->draw(s.screen.Canvas(), {0, 0, 1200, 600});
}
void BM_ShadowDiagramDraw(benchmark::State& state) {  // aim: under 100 ms
  Tscene s(2);
  for (auto _ : state) s.shadows->draw(s.screen.Canvas(), {0, 0, 1200, 600});
}
void BM_SaveAsJpeg(benchmark::State& state) {  // aim: under 300 ms
  Tscene s(1);
  for (auto _ : state) s.shadows->saveAs(s.dir + "sun path.jpg");
}
void BM_SaveAsTiff(benchmark::State& state) {
  Tscene s(1);
  for (auto _ : state) s.shadows->saveAs(s.dir + "sun path.tif");
}
void BM_SaveAsBmp(benchmark::State& state) {
  Tscene s(1);
  for (auto _ : state) s.shadows->saveAs(s.dir + "sun path.bmp");
}
void BM_WriteEmf(benchmark::State& state) {  // aim: under 30 ms
  Tscene s(1);
  for (auto _ : state) benchmark::DoNotOptimize(enhMetaFileBytes(*s.shadows->metafile()));
}
void BM_SaveEmfFile(benchmark::State& state) {
  Tscene s(1);
  for (auto _ : state) s.shadows->saveAs(s.dir + "sun path.emf");
}
}  // namespace

BENCHMARK(BM_SunPathDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShadowDiagramDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveAsJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveAsTiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveAsBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteEmf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveEmfFile)->Unit(benchmark::kMillisecond);
