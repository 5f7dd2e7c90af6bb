// A settings-page note: 2,000 characters laid out character by character and drawn (aim: under
// 2 ms together).
#include <benchmark/benchmark.h>

#include <string>

#include "core/r_Font.h"
#include "ui/r_wordWrap.h"

using namespace platform;

static void BM_WordWrapLayoutAndDraw(benchmark::State& st) {
  TBitmap bm;
  bm.SetSize(600, 800);
  bm.Canvas().Font.setName("Open Sans");
  bm.Canvas().Font.setSize(9);
  std::string note;
  while (note.size() < 2000) note += "The clock shows sunrise and sunset for every place you add. ||";
  note.resize(2000);
  TwordWrapLite w;
  w.canvas = &bm.Canvas();
  w.setWidth(400);
  w.hangingIndent = 10;
  for (auto _ : st) {
    w.setValue(note);
    w.draw(10, 10);
    benchmark::DoNotOptimize(w.height());
  }
}
BENCHMARK(BM_WordWrapLayoutAndDraw)->Unit(benchmark::kMillisecond);
