// The PDF writer and print jobs. Aims: BMtoPDF of a 2000 × 1000 bitmap ≤ 150 ms; an A4 page at
// 600 dpi (4961 × 7016) from a metafile to a finished PDF ≤ 3 s. Without a print server the page
// has the no-printer state's 300 dpi: there the aim scales to about 0.75 s.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>

#include "bench/bench_home.h"
#include "core/TQYini.h"
#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "imaging/r_PDF.h"
#include "imaging/r_print.h"
#include "platform/canvas.h"
#include "platform/metafile.h"

namespace {

std::string target(const char* name) { return benchhome::path(std::string(name) + ".pdf"); }

void BMtoPDF_2000x1000(benchmark::State& state) {
  TrawBitmap24 bm;
  bm.setsize(2000, 1000);
  for (int y = 0; y < 1000; ++y)
    for (int x = 0; x < 2000; ++x) bm.setPixel(x, y, Tbgr{uint8_t(x), uint8_t(y), uint8_t(x ^ y)});
  std::string file = target("bench-bm");
  for (auto _ : state) {
    TPDF pdf;
    benchmark::DoNotOptimize(pdf.BMtoPDF(bm, 200, file));
  }
  unlink(file.c_str());
}
BENCHMARK(BMtoPDF_2000x1000)->Unit(benchmark::kMillisecond);

void MetafileToA4At600Dpi(benchmark::State& state) {
  setenv("CUPS_SERVER", "/nonexistent/cups.sock", 1);  // the no-printer state, whatever the machine has
  createOs();
  settings().writeInteger("settings", "max printer dpi", 600);
  platform::TMetafile emf;
  {
    platform::TMetafileCanvas mc(emf, 630, 300, 1.0);
    for (int i = 0; i < 300; i += 10) {
      mc.canvas().MoveTo(0, i);
      mc.canvas().LineTo(630, 300 - i);
    }
    mc.canvas().Ellipse(100, 50, 500, 250);
  }
  TPrint p;
  std::string file = target("bench-a4");
  p.targetPDFfile = file;
  for (auto _ : state) benchmark::DoNotOptimize(p.printEMF(emf, 0, 0, 10, true));
  unlink(file.c_str());
  freeOs();
}
BENCHMARK(MetafileToA4At600Dpi)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
