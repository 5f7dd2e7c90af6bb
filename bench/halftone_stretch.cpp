// HALFTONE stretching of a 24-bit map-sized surface, as every paint of the world map does it:
// 1920 × 960 reduced to 1280 × 640 and enlarged to 2560 × 1280. Goal: each under 10 ms.
#include <benchmark/benchmark.h>

#include "platform/gdi.h"

using namespace platform;

namespace {
void fillPattern(TSurface& s) {
  for (int y = 0; y < s.height(); ++y) {
    uint8_t* r = s.row(y);
    for (int x = 0; x < s.stride(); ++x) r[x] = uint8_t(x * 7 + y * 13);
  }
}

void stretch(benchmark::State& state, int dw, int dh) {
  TSurface src, dst;
  src.create(1920, 960, 24);
  dst.create(dw, dh, 24);
  fillPattern(src);
  TDeviceContext sdc(&src), ddc(&dst);
  ddc.setStretchBltMode(StretchMode::Halftone);
  for (auto _ : state) {
    StretchBlt(ddc, 0, 0, dw, dh, &sdc, 0, 0, 1920, 960, SRCCOPY);
    benchmark::DoNotOptimize(dst.bits());
  }
}
}  // namespace

BENCHMARK_CAPTURE(stretch, reduce_1280x640, 1280, 640)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(stretch, enlarge_2560x1280, 2560, 1280)->Unit(benchmark::kMillisecond);
