// dBase tables. Aims: appending 100,000 records × 10 fields through the typed setters ≤ 2 s;
// reading every value of that table ≤ 1 s; InsertColumn on it ≤ 1 s.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "bench/bench_home.h"
#include "core/os_datatypes.h"
#include "core/r_base.h"
#include "storage/r_dbase.h"

namespace {
constexpr int kRows = 100000;

std::string file() { return benchhome::path("bench.dbf"); }

void makeTable(const std::string& f) {
  TdbfMake m;
  for (int c = 0; c < 10; ++c) m.add("F" + std::to_string(c), c % 2 ? 'N' : 'C', 12, c % 4 == 1 ? 2 : 0);
  m.save(f);
}

void fill(Tdbf& t) {
  for (int r = 0; r < kRows; ++r) {
    int row = t.addrow();
    for (int c = 0; c < 10; ++c) {
      if (c % 2) t.setDoubleValue(c, row, r * 0.5 + c);
      else t.setStringValue(c, row, "text " + std::to_string(r));
    }
  }
}

void Append100k(benchmark::State& state) {
  createOs();
  for (auto _ : state) {
    makeTable(file());
    Tdbf t;
    t.setfname(file());
    fill(t);
  }
  unlink(file().c_str());
  freeOs();
}
BENCHMARK(Append100k)->Unit(benchmark::kMillisecond)->Iterations(1);

void ReadEveryValue(benchmark::State& state) {
  createOs();
  makeTable(file());
  Tdbf t;
  t.setfname(file());
  fill(t);
  for (auto _ : state)
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < 10; ++c) benchmark::DoNotOptimize(t.getString(c, r));
  unlink(file().c_str());
  freeOs();
}
BENCHMARK(ReadEveryValue)->Unit(benchmark::kMillisecond)->Iterations(1);

void InsertColumn100k(benchmark::State& state) {
  createOs();
  makeTable(file());
  Tdbf t;
  t.setfname(file());
  fill(t);
  for (auto _ : state) t.InsertColumn(0, ftInteger, 0, 0, "NEW");
  unlink(file().c_str());
  freeOs();
}
BENCHMARK(InsertColumn100k)->Unit(benchmark::kMillisecond)->Iterations(1);
}  // namespace
