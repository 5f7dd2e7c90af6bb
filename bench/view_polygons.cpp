// The view's polygon conversion into reused arrays and the trigonometry distance tests, the two
// inner loops of drawing and hit-testing many objects.
#include <benchmark/benchmark.h>

#include <cmath>

#include "core/Ttrig.h"
#include "core/Tview.h"

namespace {
TpolyXyValues ringsAround(double cx, double cy, int rings, int vertices) {
  TpolyXyValues poly;
  for (int r = 0; r < rings; ++r) {
    Txyvalues ring;
    const double radius = 100.0 / (r + 1);
    for (int i = 0; i <= vertices; ++i) {
      const double a = 2 * 3.14159265358979 * i / vertices;
      ring.push_back({cx + radius * std::sin(a), cy + radius * std::cos(a)});
    }
    poly.push_back(ring);
  }
  return poly;
}

void BM_PolygonToPixelsReused(benchmark::State& state) {
  Tview v;
  v.box = {0, 0, 1920, 1080};
  v.setmp(0.5);
  const TpolyXyValues poly = ringsAround(0, 0, 4, static_cast<int>(state.range(0)));
  Tpoints a;
  TiList polys;
  int32_t aCnt = 0, pCnt = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(v.screenXY(poly, a, polys, aCnt, pCnt));
    benchmark::DoNotOptimize(aCnt);
  }
  state.SetItemsProcessed(state.iterations() * 4 * state.range(0));
}
BENCHMARK(BM_PolygonToPixelsReused)->Arg(64)->Arg(4096);

void BM_SegmentDistanceRejects(benchmark::State& state) {
  Ttrig t;
  double x = 0;
  for (auto _ : state) {
    // Most candidate segments lie far away: the box test answers before any square root.
    benchmark::DoNotOptimize(t.DistanceLessThan(x, 5.0, 100, 100, 200, 150, 2.0));
    x += 0.001;
  }
}
BENCHMARK(BM_SegmentDistanceRejects);

void BM_SegmentDistanceNear(benchmark::State& state) {
  Ttrig t;
  for (auto _ : state) benchmark::DoNotOptimize(t.DistanceLessThan(5.0, 1.0, 0, 0, 10, 0, 2.0));
}
BENCHMARK(BM_SegmentDistanceNear);
}  // namespace
