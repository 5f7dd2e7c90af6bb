// The file picker. Aims: listing a folder of 10,000 files through an extension filter under
// 200 ms; the first display (the tree walked to the starting folder, the list filled) under
// 300 ms; the preview of a shapefile of 100,000 squares (made by ogr2ogr) under 1 s.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "bench/bench_home.h"
#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/folders.h"
#include "platform/windows.h"
#include "ui/r_modal.h"
#include "ui/r_pick.h"
#include "ui/r_recent2.h"
#include "ui/r_shellList.h"

namespace {
using namespace platform;
namespace fs = std::filesystem;

// A headless desktop and the services object over a home of their own, the current folder in
// it (where the recent-files store lies), and a form to own the picker.
struct World {
  World() {
    dir = benchhome::freshHome();
    setenv("KESTROVA_HEADLESS", "1", 1);
    was = fs::current_path();
    fs::current_path(dir);
    resetDesktop(std::make_unique<THeadlessBackend>());
    createOs();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 1200, 800);
    form->Show();
  }
  ~World() {
    form.reset();
    recentShutDown();
    freeOs();
    fs::current_path(was);
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  // A folder below the documents folder with n files of each of the extensions.
  std::string folderOf(const std::string& rel, int n, std::initializer_list<const char*> exts) {
    const std::string f = documentsFolder() + rel;
    fs::create_directories(f);
    for (int i = 0; i < n; ++i)
      for (const char* e : exts) std::ofstream(f + "/file " + std::to_string(i) + "." + e) << "x";
    return f;
  }
  std::string dir;
  fs::path was;
  std::unique_ptr<TForm> form;
};

// Runs the step inside the picker's dialog once its tree and list show, then closes it.
void insideDialog(Tpick& p, std::function<void()> step) {
  auto id = std::make_shared<uintptr_t>(0);
  *id = desktop().setTimer(1, [id, &p, step] {
    if (!p.dlg || !p.ready()) return;
    desktop().killTimer(0, *id);
    step();
    p.dlg->cancel();
  });
}
}  // namespace

// 5,000 drawings among 5,000 text files: the list keeps the drawings.
static void BM_PickerListTenThousandFiltered(benchmark::State& st) {
  World w;
  const std::string big = w.folderOf("maps", 5000, {"dra", "txt"});
  const std::string small = w.folderOf("small", 1, {"dra"});
  Tpick p(w.form.get());
  p.setInitialdir(small);
  insideDialog(p, [&] {
    for (auto _ : st) {
      p.setPath(big);
      st.PauseTiming();
      if (p.fileList->count() != 5000) st.SkipWithError("not 5,000 drawings listed");
      p.setPath(small);
      st.ResumeTiming();
    }
  });
  p.Open("bench", file_dra);
}
BENCHMARK(BM_PickerListTenThousandFiltered)->Unit(benchmark::kMillisecond);

// From the question to the tree at a folder four levels down and its 500 drawings listed.
static void BM_PickerFirstDisplay(benchmark::State& st) {
  World w;
  const std::string start = w.folderOf("projects/2024/survey/maps", 500, {"dra", "bmp"});
  for (auto _ : st) {
    Tpick p(w.form.get());
    p.setInitialdir(start);
    insideDialog(p, [&] {
      if (p.fileList->count() != 500) st.SkipWithError("not 500 drawings listed");
    });
    p.Open("bench", file_dra);
  }
}
BENCHMARK(BM_PickerFirstDisplay)->Unit(benchmark::kMillisecond);

// 100,000 squares on a grid of 316 x 316 cells.
static void BM_PickerPreviewShapefile(benchmark::State& st) {
  World w;
  const std::string csv = w.dir + "/squares.csv", shp = w.dir + "/squares.shp";
  {
    std::ofstream out(csv);
    out << "WKT,id\n";
    for (int i = 0; i < 100000; ++i) {
      const int x = (i % 316) * 10, y = (i / 316) * 10;
      out << "\"POLYGON((" << x << " " << y << "," << x << " " << y + 8 << "," << x + 8 << " " << y + 8 << "," << x + 8
          << " " << y << "," << x << " " << y << "))\"," << i << "\n";
    }
  }
  if (std::system(("ogr2ogr -f 'ESRI Shapefile' '" + shp + "' '" + csv + "' >/dev/null 2>&1").c_str()) != 0) {
    st.SkipWithError("ogr2ogr could not make the shapefile");
    return;
  }
  TpickPreview pp(w.form.get());
  pp.SetBounds(0, 0, 274, 330);
  for (auto _ : st) {
    pp.setname(shp);
    st.PauseTiming();
    pp.setname("");
    st.ResumeTiming();
  }
}
BENCHMARK(BM_PickerPreviewShapefile)->Unit(benchmark::kMillisecond);
