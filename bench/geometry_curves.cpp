// Smooth curves, squaring and text outlines against their aims: building a curve through 10k
// vertices (5 ms), a point on it (1 us), squaring 1,000 ten-vertex outlines (10 ms) and the
// outline of a 40-letter label along a curve (2 ms).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "core/Tview.h"
#include "geometry/r_Geom.h"
#include "platform/canvas.h"

namespace {

// A meandering line of n vertices.
Txyvalues meander(int n, double step) {
  Txyvalues xy;
  for (int i = 0; i < n; ++i) xy.push_back({i * step, 20 * std::sin(i * 0.37) + 5 * std::cos(i * 1.9)});
  return xy;
}

void BM_SinuousSetXY10k(benchmark::State& state) {
  createTrig();
  const Txyvalues xy = meander(10000, 3);
  Tsinuous curve;
  for (auto _ : state) {
    curve.setXY(xy);
    benchmark::DoNotOptimize(curve.totalLength());
  }
}
BENCHMARK(BM_SinuousSetXY10k)->Unit(benchmark::kMillisecond);

void BM_SinuousGetXY10k(benchmark::State& state) {
  createTrig();
  Tsinuous curve;
  curve.setXY(meander(10000, 3));
  std::mt19937 rnd(2);
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<double> us(4096);
  for (double& v : us) v = u(rnd);
  size_t i = 0;
  double x = 0, y = 0;
  for (auto _ : state) {
    curve.getXY(x, y, us[i]);
    benchmark::DoNotOptimize(x + y);
    i = (i + 1) % us.size();
  }
}
BENCHMARK(BM_SinuousGetXY10k);

// A U-shaped footprint of ten points (a vertex part way along its base), corners jittered.
Txyvalues footprint(std::mt19937& rnd) {
  std::uniform_real_distribution<double> jitter(-0.3, 0.3), at(-1000, 1000);
  const double ox = at(rnd), oy = at(rnd);
  const double shape[][2] = {{0, 0}, {0, 12}, {4, 12}, {4, 4}, {8, 4}, {8, 12}, {12, 12}, {12, 0}, {6, 0}};
  Txyvalues ring;
  for (const auto& p : shape) ring.push_back({ox + p[0] + jitter(rnd), oy + p[1] + jitter(rnd)});
  ring.push_back(ring.front());
  return ring;
}

void BM_MakeSquare1000(benchmark::State& state) {
  TlineMan& lm = createLineman();
  std::mt19937 rnd(3);
  std::vector<TpolyXyValues> outlines;
  for (int i = 0; i < 1000; ++i) outlines.push_back({footprint(rnd)});
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<TpolyXyValues> work = outlines;
    state.ResumeTiming();
    for (TpolyXyValues& poly : work) lm.MakeSquare(poly);
    benchmark::DoNotOptimize(work);
  }
}
BENCHMARK(BM_MakeSquare1000)->Unit(benchmark::kMillisecond);

void BM_TextPathAlongCurve40(benchmark::State& state) {
  TlineMan& lm = createLineman();
  platform::TBitmap bm;
  bm.SetSize(100, 100);
  Tview view;
  view.setmp(1);
  view.box = {};
  const Txyvalues curve = meander(60, 40);
  Tpoints screen;
  for (const xyrec& p : curve) {
    int32_t x = 0, y = 0;
    view.screenXY(p.x, p.y, x, y);
    screen.push_back({x, y});
  }
  const std::string label = "Kestrova along the river Wensum, Norfolk";  // 40 letters
  for (auto _ : state)
    benchmark::DoNotOptimize(lm.GetTextPath(bm.Canvas(), "DejaVu Sans", screen, 24, 1100, 0, 0, label, view, 10, curve));
}
BENCHMARK(BM_TextPathAlongCurve40)->Unit(benchmark::kMillisecond);

}  // namespace
