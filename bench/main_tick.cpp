// The main program's one-second tick on a page that is not redrawn: the world map in a minute
// that has not turned (the common second), on a headless 1920 × 1080 desktop with a map container
// of the real size. Aim: under 0.5 ms.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bench/bench_home.h"
#include "clock/Kestrova8main.h"
#include "clock/r_SunHD2.h"
#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "platform/TStringList.h"
#include "platform/datetime.h"
#include "platform/folders.h"
#include "platform/windows.h"

namespace {
using namespace platform;
namespace fs = std::filesystem;

// A data folder holding only a 1920 × 960 container of fifteen frames, made once.
std::string dataFolder() {
  const std::string dir = benchhome::path("tick/");
  if (fs::exists(dir + "1920.bin")) return dir;
  fs::create_directories(dir);
  TStringList files;
  for (int f = 0; f < 15; ++f) {
    TrawBitmap24 b;
    b.setsize(1920, 960);
    for (int y = 0; y < 960; ++y)
      for (int x = 0; x < 1920; ++x) b.setPixel(x, y, Tbgr{uint8_t(x + f), uint8_t(y), uint8_t(f < 12 ? 160 : 20)});
    const std::string name = dir + "frame" + std::to_string(f) + ".bmp";
    b.savetofile(name);
    files.add(name);
  }
  TbitmapBin::MakeFromFiles(dir + "1920.bin", 1920, 960, 24, files);
  for (int f = 0; f < 15; ++f) fs::remove(dir + "frame" + std::to_string(f) + ".bmp");
  return dir;
}

void MapPageTickWithoutRedraw(benchmark::State& state) {
  auto b = std::make_unique<THeadlessBackend>();
  TDisplay d;
  d.name = "Bench";
  d.box = d.workArea = Rect(0, 0, 1920, 1080);
  d.modeWidth = 1920;
  d.modeHeight = 1080;
  d.primary = true;
  b->setDisplays({d});
  resetDesktop(std::move(b));
  TDateTime noon = 0;
  tryEncodeDate(2026, 6, 21, noon);
  noon += 0.5;
  setClockForTesting(noon);
  createOs();
  const std::string cfg = configFolderFor(os->documents.empty() ? documentsFolder() : os->documents);
  fs::create_directories(cfg);
  std::ofstream(cfg + "locations.ini", std::ios::binary)
      << "[settings]\r\nbase directory=" << dataFolder() << "\r\n\r\n"
      << "[location 1]\r\nname=Oslo\r\nlat=59.9\r\nlong=10.75\r\nwindows name=W. Europe Standard Time\r\n\r\n"
      << "[location 2]\r\nname=Tokyo\r\nlat=35.7\r\nlong=139.7\r\nwindows name=Tokyo Standard Time\r\n\r\n";
  {
    auto win = std::make_unique<TKestrova8Win>();
    win->FormCreate();
    desktop().processMessages();
    int s = 0;
    const int ticksBefore = win->ticks;
    for (auto _ : state) {
      setClockForTesting(noon + (1 + s++ % 50) / 86400.0);  // seconds 1 to 50 of the same minute
      win->doTimer(win->timer.get());
      desktop().processMessages();
    }
    if (!win->mapPage || !win->mapPage->sunLite || win->ticks - ticksBefore != int(state.iterations()))
      state.SkipWithError("no world-map page was ticked");
    else if (win->mapPage->sunLite->lastMinute != 720)
      state.SkipWithError("the map was rebuilt within the minute");
  }
  freeOs();
  setClockForTesting(0);
}
BENCHMARK(MapPageTickWithoutRedraw)->Unit(benchmark::kMicrosecond);
}  // namespace
