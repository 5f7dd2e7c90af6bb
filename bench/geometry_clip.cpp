// Geometry kernel II against its aims: segment meetings (10 million pairs/s or more), clipping a
// 100k-vertex polygon crossing the box 10 times (50 ms) and 1,000 times (1 s), the self-crossings
// of a 10k-vertex line (200 ms), nesting and normalising 1,000 rings of 100 vertices (50 ms) and
// stitching 1,000 pieces (20 ms).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "geometry/r_Geom.h"

namespace {

void BM_SegmentIntersects(benchmark::State& state) {
  std::mt19937 rnd(1);
  std::uniform_real_distribution<double> u(0, 100);
  std::vector<double> c(4096 * 8);
  for (double& v : c) v = u(rnd);
  TlinesIntersect li;
  size_t i = 0;
  int32_t met = 0;
  for (auto _ : state) {
    const double* p = &c[i];
    li.setA(p[0], p[1], p[2], p[3]);
    li.setB(p[4], p[5], p[6], p[7]);
    met += li.intersects() ? 1 : 0;
    i = (i + 8) % c.size();
  }
  benchmark::DoNotOptimize(met);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SegmentIntersects);

// A polygon of n vertices whose top edge waves `periods` times between y 5 and 15 over x 0..1000;
// the box (-1, 0.5)-(1001, 12) cuts each wave twice and both sides once.
TpolyXyValues wavyComb(int n, int periods) {
  Txyvalues ring{{0, 0}};
  for (int i = 0; i < n - 3; ++i) {
    const double x = 1000.0 * i / (n - 4);
    ring.push_back({x, 10 + 5 * std::sin(2 * M_PI * periods * x / 1000 - M_PI / 2)});
  }
  ring.push_back({1000, 0});
  ring.push_back({0, 0});
  return {ring};
}

void BM_ClipToBox(benchmark::State& state) {
  createLineman();
  const TpolyXyValues poly = wavyComb(100000, static_cast<int>(state.range(0)));
  Tclipper c;
  int32_t code = 0;
  for (auto _ : state) code = c.clipToBox(-1, 0.5, 1001, 12, poly, o_polyGon);
  benchmark::DoNotOptimize(code);
  state.counters["pieces"] = static_cast<double>(c.results.size());
}
BENCHMARK(BM_ClipToBox)->Arg(5)->Arg(500)->Unit(benchmark::kMillisecond);

// A Lissajous figure of 10k vertices: it crosses itself a few dozen times.
Txyvalues lissajous(int n) {
  Txyvalues line;
  for (int i = 0; i < n; ++i) {
    const double t = 2 * M_PI * i / n;
    line.push_back({1000 * std::sin(3 * t), 1000 * std::sin(4 * t + 0.3)});
  }
  return line;
}

void BM_SelfCuts(benchmark::State& state) {
  TlineMan& lm = createLineman();
  const Txyvalues line = lissajous(10000);
  Tdlist u;
  for (auto _ : state) benchmark::DoNotOptimize(lm.selfcuts(line, u));
  state.counters["cuts"] = static_cast<double>(u.size());
}
BENCHMARK(BM_SelfCuts)->Unit(benchmark::kMillisecond);

void BM_SelfCutsBroken(benchmark::State& state) {
  createLineman();
  const Txyvalues line = lissajous(10000);
  TpolyIntersect pi;
  TpolyXyValues pieces;
  for (auto _ : state) benchmark::DoNotOptimize(pi.selfCuts(line, pieces));
  state.counters["pieces"] = static_cast<double>(pieces.size());
}
BENCHMARK(BM_SelfCutsBroken)->Unit(benchmark::kMillisecond);

Txyvalues circle(double cx, double cy, double r, int n, bool clockwise) {
  Txyvalues ring;
  for (int i = 0; i < n; ++i) {
    const double a = (clockwise ? -2 : 2) * M_PI * i / n;
    ring.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  ring.push_back(ring[0]);
  return ring;
}

// 500 outer rings on a grid, each with a hole, given in mixed orientations.
void BM_ParentPolysThenCheckPolygon(benchmark::State& state) {
  TlineMan& lm = createLineman();
  TpolyXyValues rings;
  for (int k = 0; k < 500; ++k) {
    const double cx = (k % 25) * 10.0, cy = (k / 25) * 10.0;
    rings.push_back(circle(cx, cy, 4, 99, k % 2 == 0));
    rings.push_back(circle(cx + 1, cy, 2, 99, k % 3 == 0));
  }
  TpolyPolyXYvalues polys;
  for (auto _ : state) {
    TpolyXyValues work = rings;
    lm.ParentPolys(work, polys, false);
    for (TpolyXyValues& p : polys) lm.CheckPolygon(p);
  }
  state.counters["polygons"] = static_cast<double>(polys.size());
}
BENCHMARK(BM_ParentPolysThenCheckPolygon)->Unit(benchmark::kMillisecond);

// A long path in 1,000 pieces of two to five points, shuffled, some reversed.
void BM_StitchLines(benchmark::State& state) {
  TlineMan& lm = createLineman();
  std::mt19937 rnd(7);
  std::uniform_real_distribution<double> step(-1, 1);
  TpolyXyValues pieces;
  xyrec at{0, 0};
  for (int k = 0; k < 1000; ++k) {
    Txyvalues piece{at};
    const int n = 1 + static_cast<int>(rnd() % 4);
    for (int i = 0; i < n; ++i) {
      at = {at.x + 1 + step(rnd), at.y + step(rnd)};
      piece.push_back(at);
    }
    if (rnd() % 2) std::reverse(piece.begin(), piece.end());
    pieces.push_back(piece);
  }
  std::shuffle(pieces.begin(), pieces.end(), rnd);
  TpolyXyValues work;
  for (auto _ : state) {
    work = pieces;
    lm.StitchLines(work);
  }
  state.counters["lines"] = static_cast<double>(work.size());
}
BENCHMARK(BM_StitchLines)->Unit(benchmark::kMillisecond);

}  // namespace
