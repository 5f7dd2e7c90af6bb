// The per-minute work of the day/night map on 1920 x 960 buffers: blending the next month's day
// image into this month's, and reading one frame out of the map image container.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "bench/bench_home.h"
#include "core/r_bitmapRaw.h"

namespace {
constexpr int kW = 1920, kH = 960;

void randomFill(TrawBitmap24& b, unsigned seed) {
  std::mt19937 rng(seed);
  uint8_t* p = b.imageData();
  for (int i = 0; i < b.imageSize(); ++i) p[i] = uint8_t(rng());
}

void BM_Blend1920x960(benchmark::State& state) {
  TrawBitmap24 day, next;
  day.setsize(kW, kH);
  next.setsize(kW, kH);
  randomFill(day, 1);
  randomFill(next, 2);
  for (auto _ : state) {
    day.blend(next, 43.3);
    benchmark::DoNotOptimize(day.imageData());
  }
}
BENCHMARK(BM_Blend1920x960)->Unit(benchmark::kMillisecond);

void BM_ExtractFrame1920(benchmark::State& state) {
  const std::string dir = benchhome::path("pixels/");
  std::filesystem::create_directories(dir);
  {
    TrawBitmap24 frame;
    frame.setsize(kW, kH);
    randomFill(frame, 3);
    frame.savetofile(dir + "f.bmp");
    TStringList files;
    for (int i = 0; i < 3; ++i) files.add(dir + "f.bmp");
    TbitmapBin::MakeFromFiles(dir + "1920.bin", kW, kH, 24, files);
  }
  TbitmapBin bin;
  bin.open(dir + "1920.bin");
  TrawBitmap24 rb;
  for (auto _ : state) {
    bin.extract(rb, 1);
    benchmark::DoNotOptimize(rb.imageData());
  }
  bin.close();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ExtractFrame1920)->Unit(benchmark::kMillisecond);
}  // namespace
