// The line manager's inner loops against their aims: segment crossings (20 million pairs/s or
// more), point in polygon and point-line distance on a 100k-vertex ring (1 ms a point), the seed
// point of a 100k-vertex polygon (5 ms), and point and box hits over 10,000 stored 100-vertex
// polygons that passed the caller's box test (10 ms).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "geometry/r_Geom.h"

namespace {

// A wavy clockwise ring of n vertices around (cx, cy), closed.
Txyvalues wavyRing(double cx, double cy, double radius, int n) {
  Txyvalues ring;
  for (int i = 0; i < n; ++i) {
    const double a = -2 * M_PI * i / n;
    const double r = radius * (1 + 0.1 * std::sin(17 * a));
    ring.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  ring.push_back(ring[0]);
  return ring;
}

void BM_LinesCross(benchmark::State& state) {
  TlineMan& lm = createLineman();
  std::mt19937 rnd(1);
  std::uniform_real_distribution<double> u(0, 100);
  std::vector<double> c(4096 * 8);
  for (double& v : c) v = u(rnd);
  size_t i = 0;
  int32_t crossed = 0;
  for (auto _ : state) {
    const double* p = &c[i];
    crossed += lm.linesCross(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]) ? 1 : 0;
    i = (i + 8) % c.size();
  }
  benchmark::DoNotOptimize(crossed);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LinesCross);

void BM_InPolygon100k(benchmark::State& state) {
  TlineMan& lm = createLineman();
  const TpolyXyValues poly{wavyRing(0, 0, 1000, 100000)};
  for (auto _ : state) benchmark::DoNotOptimize(lm.inPolygon(12.5, 7.25, poly));
}
BENCHMARK(BM_InPolygon100k)->Unit(benchmark::kMicrosecond);

void BM_DistanceTo100k(benchmark::State& state) {
  TlineMan& lm = createLineman();
  const Txyvalues ring = wavyRing(0, 0, 1000, 100000);
  for (auto _ : state) benchmark::DoNotOptimize(lm.DistanceTo(12.5, 7.25, ring));
}
BENCHMARK(BM_DistanceTo100k)->Unit(benchmark::kMicrosecond);

void BM_SeedPoint100k(benchmark::State& state) {
  TlineMan& lm = createLineman();
  const TpolyXyValues poly{wavyRing(0, 0, 1000, 100000)};
  double x = 0, y = 0;
  for (auto _ : state) benchmark::DoNotOptimize(lm.seedPoint(x, y, poly));
}
BENCHMARK(BM_SeedPoint100k)->Unit(benchmark::kMicrosecond);

// 10,000 stored polygons of 100 vertices whose boxes all hold the query.
struct Stored {
  std::vector<TpolyXyValues> polys;
  std::vector<boxrec> boxes;
  Stored() {
    for (int k = 0; k < 10000; ++k) {
      polys.push_back({wavyRing(0.001 * k, 0, 10, 100)});
      boxrec b;
      createLineman().bounds(b.left, b.bottom, b.right, b.top, polys.back());
      boxes.push_back(b);
    }
  }
};

void BM_PointHit10k(benchmark::State& state) {
  TlineMan& lm = createLineman();
  static const Stored stored;
  for (auto _ : state)
    for (size_t k = 0; k < stored.polys.size(); ++k) {
      const boxrec& b = stored.boxes[k];
      benchmark::DoNotOptimize(lm.PointHit(stored.polys[k], o_polyGon, b.left, b.bottom, b.right, b.top, 5, 3, 0.01));
    }
}
BENCHMARK(BM_PointHit10k)->Unit(benchmark::kMillisecond);

void BM_BoxHit10k(benchmark::State& state) {
  TlineMan& lm = createLineman();
  static const Stored stored;
  for (auto _ : state)
    for (const auto& p : stored.polys) benchmark::DoNotOptimize(lm.BoxHit(p, o_polyGon, 0, 0, 0, 0, 5, 3, 5.5, 3.5));
}
BENCHMARK(BM_BoxHit10k)->Unit(benchmark::kMillisecond);

}  // namespace
