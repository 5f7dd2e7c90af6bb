// Text drawing: a map label placed by its capitals with a halo, and plain glyph output, on a
// 24-bit off-screen bitmap (the day/night map draws a dozen such labels every minute).
#include <benchmark/benchmark.h>

#include "core/r_Font.h"

using namespace platform;

static void BM_TopTextOutWithHalo(benchmark::State& st) {
  TfontMan fm;
  TBitmap bm;
  bm.SetSize(800, 400);
  bm.Canvas().Font.setName("Open Sans");
  bm.Canvas().Font.setSize(11);
  fm.VisualFontHeight(bm.Canvas());  // measure the face once, as a running program has
  for (auto _ : st) fm.TopTextOut(bm.Canvas(), 100, 100, "Wellington 14:05 Tue", 0xFFFFFF);
}
BENCHMARK(BM_TopTextOutWithHalo);

static void BM_TextOut(benchmark::State& st) {
  TBitmap bm;
  bm.SetSize(800, 400);
  bm.Canvas().Font.setName("Open Sans");
  bm.Canvas().Font.setSize(11);
  for (auto _ : st) bm.Canvas().TextOut(100, 100, "Wellington 14:05 Tue");
}
BENCHMARK(BM_TextOut);

static void BM_TopTextOut(benchmark::State& st) {
  TfontMan fm;
  TBitmap bm;
  bm.SetSize(800, 400);
  bm.Canvas().Font.setName("Open Sans");
  bm.Canvas().Font.setSize(11);
  for (auto _ : st) fm.TopTextOut(bm.Canvas(), 100, 100, "Wellington 14:05 Tue");
}
BENCHMARK(BM_TopTextOut);
