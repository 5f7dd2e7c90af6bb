// Speed of the astronomy model: one sun position, one moon position, and one day's sunrise and
// sunset search, each for a fresh moment so that no cache answers.
#include <benchmark/benchmark.h>

#include "astro/r_Sun.h"

namespace {
void setup(Tobserver& ob) {
  ob.setlat(51.5);
  ob.setlong(-0.13);
  ob.setTZ(1);
  ob.setYear(2024);
  ob.setMonth(6);
  ob.setDay(21);
  ob.setTime(10);
}

void SunPosition(benchmark::State& state) {
  Tobserver ob;
  Tsun sun(ob);
  setup(ob);
  double t = 0;
  for (auto _ : state) {
    ob.setTime(t);
    t = t < 24 ? t + 0.001 : 0;
    benchmark::DoNotOptimize(sun.getSunE());
  }
}
BENCHMARK(SunPosition);

void MoonPosition(benchmark::State& state) {
  Tobserver ob;
  Tsun sun(ob);
  setup(ob);
  double t = 0;
  for (auto _ : state) {
    ob.setTime(t);
    t = t < 24 ? t + 0.001 : 0;
    benchmark::DoNotOptimize(sun.getMoonE());
  }
}
BENCHMARK(MoonPosition);

void SunRiseSetOfADay(benchmark::State& state) {
  Tobserver ob;
  Tsun sun(ob);
  setup(ob);
  TDateTime rise = 0, set = 0;
  double riseB = 0, setB = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sun.sunRiseSetDT(rise, set, riseB, setB));
  }
}
BENCHMARK(SunRiseSetOfADay);
}  // namespace
