// The line manager's inner loops against their aims: segment crossings (20 million pairs/s or
// more), point in polygon and point-line distance on a 100k-vertex ring (1 ms a point), the seed
// point of a 100k-vertex polygon (5 ms), and point and box hits over 10,000 stored 100-vertex
// polygons that passed the caller's box test (10 ms). Beside peers (bench/peers.py): the crossings
// of two 10k-vertex lines, 1,000 points in a 100k-vertex polygon through the prepared form, and
// the line edits on 100k vertices, each of which runs in linear time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

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

// 1,000 points on a 40 x 25 grid over the ring's box and a little beyond.
std::vector<xyrec> gridPoints() {
  std::vector<xyrec> points;
  for (int i = 0; i < 40; ++i)
    for (int j = 0; j < 25; ++j) points.push_back({-1150 + 2300 * (i + 0.5) / 40, -1150 + 2300 * (j + 0.5) / 25});
  return points;
}

void BM_InPolygon1000Points100k(benchmark::State& state) {
  TlineMan& lm = createLineman();
  const TpolyXyValues poly{wavyRing(0, 0, 1000, 100000)};
  const std::vector<xyrec> points = gridPoints();
  int32_t inside = 0;
  for (auto _ : state) {
    inside = 0;
    for (const xyrec& p : points) inside += lm.inPolygon(p.x, p.y, poly) ? 1 : 0;
  }
  state.counters["inside"] = inside;
}
BENCHMARK(BM_InPolygon1000Points100k)->Unit(benchmark::kMillisecond);

// The same through the prepared form, its index built inside the timing.
void BM_PreparedInPolygon1000Points100k(benchmark::State& state) {
  TlineMan& lm = createLineman();
  const TpolyXyValues poly{wavyRing(0, 0, 1000, 100000)};
  const std::vector<xyrec> points = gridPoints();
  int32_t inside = 0;
  for (auto _ : state) {
    const TpreparedPolygon prepared(poly);
    inside = 0;
    for (const xyrec& p : points) inside += lm.inPolygon(p.x, p.y, prepared) ? 1 : 0;
  }
  state.counters["inside"] = inside;
}
BENCHMARK(BM_PreparedInPolygon1000Points100k)->Unit(benchmark::kMillisecond);

// Two 10k-vertex waves along x that cross each other a few dozen times.
void BM_LinesCross10k(benchmark::State& state) {
  TlineMan& lm = createLineman();
  Txyvalues a, b;
  for (int i = 0; i < 10000; ++i) {
    a.push_back({i * 0.1, 50 * std::sin(i * 0.013)});
    b.push_back({i * 0.1, 50 * std::cos(i * 0.011)});
  }
  Tdlist ca, cb;
  for (auto _ : state) benchmark::DoNotOptimize(lm.linescross(a, b, ca, cb));
  state.counters["crossings"] = static_cast<double>(ca.size());
}
BENCHMARK(BM_LinesCross10k)->Unit(benchmark::kMillisecond);

// Line edits on n vertices (100k, and 200k to show the time grows linearly). The inputs: corners
// with a point halfway along each side, a walk with every other step 0.01 long, a sawtooth with
// an out-and-back spike at every fourth vertex, and a wave with a small zigzag.
Txyvalues zigzag(int n) {
  Txyvalues xy;
  for (int i = 0; i < n; ++i) xy.push_back({i * 1.0, 100 * std::sin(i * 0.001) + (i % 2 ? 0.01 : 0)});
  return xy;
}

// Corners turning 70 degrees or so, a point halfway along every side between them.
Txyvalues cornersAndMidpoints(int n) {
  Txyvalues xy;
  auto corner = [](int k) { return xyrec{k * 2.0, k % 2 ? 3.0 : 0.0}; };
  for (int i = 0; i < n; ++i) {
    const xyrec a = corner(i / 2), b = corner(i / 2 + 1);
    xy.push_back(i % 2 ? xyrec{(a.x + b.x) / 2, (a.y + b.y) / 2} : a);
  }
  return xy;
}

Txyvalues shortSteps(int n) {
  Txyvalues xy;
  double x = 0;
  for (int i = 0; i < n; ++i) {
    x += i % 2 ? 0.01 : 1;
    xy.push_back({x, std::sin(i * 0.01)});
  }
  return xy;
}

Txyvalues spiky(int n) {
  Txyvalues xy;
  for (int i = 0; i < n; ++i) {
    const double x = 2.0 * (i / 4);
    switch (i % 4) {
      case 0: xy.push_back({x, 0}); break;
      case 1: xy.push_back({x + 1, 2}); break;
      case 2: xy.push_back({x + 1, 7}); break;  // out
      default: xy.push_back({x + 1, 2}); break;  // and back
    }
  }
  return xy;
}

template <typename Edit>
void runEdit(benchmark::State& state, const Txyvalues& line, Edit edit) {
  Txyvalues work;
  for (auto _ : state) {
    state.PauseTiming();
    work = line;
    state.ResumeTiming();
    edit(work);
  }
  state.counters["left"] = static_cast<double>(work.size());
}

void BM_Straighten(benchmark::State& state) {
  const TlineMan& lm = createLineman();
  runEdit(state, cornersAndMidpoints(static_cast<int>(state.range(0))), [&](Txyvalues& xy) { lm.straighten(xy, 2); });
}
BENCHMARK(BM_Straighten)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_RemoveShortSegments(benchmark::State& state) {
  const TlineMan& lm = createLineman();
  runEdit(state, shortSteps(static_cast<int>(state.range(0))), [&](Txyvalues& xy) { lm.removeShortSegments(xy, 0.1); });
}
BENCHMARK(BM_RemoveShortSegments)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_EliminateSpikes(benchmark::State& state) {
  const TlineMan& lm = createLineman();
  runEdit(state, spiky(static_cast<int>(state.range(0))), [&](Txyvalues& xy) { lm.eliminateSpikes(xy); });
}
BENCHMARK(BM_EliminateSpikes)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_EliminateSpikesByAngle(benchmark::State& state) {
  const TlineMan& lm = createLineman();
  runEdit(state, spiky(static_cast<int>(state.range(0))), [&](Txyvalues& xy) { lm.eliminateSpikes(xy, 0.2); });
}
BENCHMARK(BM_EliminateSpikesByAngle)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_Resample(benchmark::State& state) {
  const TlineMan& lm = createLineman();
  runEdit(state, zigzag(static_cast<int>(state.range(0))), [&](Txyvalues& xy) { lm.resample(xy, 2, 0); });
}
BENCHMARK(BM_Resample)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

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
