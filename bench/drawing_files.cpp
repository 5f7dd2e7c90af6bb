// The binary drawing file. Aims: 100,000 polygons of 20 vertices with 3 columns written ≤ 500 ms
// and read back by the fast reader ≤ 150 ms; the 6-byte real at 10 million conversions a second
// each way.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>

#include "bench/bench_home.h"
#include "core/r_base.h"
#include "drawing/r_Dra.h"
#include "storage/r_Data.h"

namespace {
constexpr int kObjects = 100000;

std::string file() { return benchhome::path("bench.dra"); }

void build(TgobArray& d) {
  for (int c = 0; c < 3; ++c) d.addColumn("column " + std::to_string(c), "", ftString);
  for (int i = 0; i < kObjects; ++i) {
    const double cx = (i % 316) * 10.0 + 5, cy = (i / 316) * 10.0 + 5;
    Txyvalues ring;
    for (int k = 0; k < 19; ++k) ring.push_back({cx + 4 * std::cos(-2 * M_PI * k / 19), cy + 4 * std::sin(-2 * M_PI * k / 19)});
    ring.push_back(ring.front());
    Tgob& g = *d.slot(d.add(-1, o_polyGon, TpolyXyValues{std::move(ring)}));
    g.setcol(0, "name " + std::to_string(i));
    g.setcol(1, std::to_string(i % 13));
    g.setcol(2, "x");
  }
}

struct World {
  World() { createOs(); }
  ~World() { freeOs(); }
};

void Write100k(benchmark::State& state) {
  World w;
  TgobArray d;
  build(d);
  for (auto _ : state) benchmark::DoNotOptimize(SaveDraFile(d, file()));
  unlink(file().c_str());
}
BENCHMARK(Write100k)->Unit(benchmark::kMillisecond)->Iterations(3);

void FastRead100k(benchmark::State& state) {
  World w;
  {
    TgobArray d;
    build(d);
    SaveDraFile(d, file());
  }
  for (auto _ : state) {
    TveryFastDra r;
    r.create(file());
    int64_t points = 0;
    while (r.getnext()) points += static_cast<int64_t>(r.xy[0].size());
    benchmark::DoNotOptimize(points);
  }
  unlink(file().c_str());
}
BENCHMARK(FastRead100k)->Unit(benchmark::kMillisecond)->Iterations(5);

void Real48Write(benchmark::State& state) {
  uint8_t b[6];
  double v = 1.0;
  for (auto _ : state) {
    v += 0.37;
    benchmark::DoNotOptimize(doubleToReal48(v, b));
    benchmark::DoNotOptimize(b);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Real48Write);

void Real48Read(benchmark::State& state) {
  uint8_t b[6];
  doubleToReal48(123.456, b);
  for (auto _ : state) {
    b[1]++;
    benchmark::DoNotOptimize(real48ToDouble(b));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Real48Read);
}  // namespace
