// The busy window and the recent-files store. Aims: a painter frame (caption, dots, bar, sprite)
// at 400 × 90 under 2 ms; the painter under 2 % of a core while shown (measured over 10 s, the
// counter cpu_percent); getGroupEx over 1,000 stored files without existence checks under 20 ms;
// fileExistsEx on a missing local file under 1 ms.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "bench/bench_home.h"
#include "core/r_base.h"
#include "platform/windows.h"
#include "ui/r_baseForm.h"
#include "ui/r_recent2.h"
#include "ui/r_wait2.h"

namespace {
using namespace platform;

// A headless desktop and the services object over a fresh home of their own.
struct World {
  World() {
    dir = benchhome::freshHome();
    setenv("KESTROVA_HEADLESS", "1", 1);
    resetDesktop(std::make_unique<THeadlessBackend>());
    createOs();
  }
  ~World() {
    freeOs();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string dir;
};

double processSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
}  // namespace

static void BM_WaitFrame400x90(benchmark::State& st) {
  World w;
  TwaitFrame frame(os->fontname());
  std::vector<std::unique_ptr<TrawBitmap24>> sprite;
  for (int k = 0; k < 5; ++k) {
    auto bm = std::make_unique<TrawBitmap24>();
    bm->setsize(12, 14);
    bm->fillAll(Tbgr{0, 0, uint8_t(50 * k)});
    sprite.push_back(std::move(bm));
  }
  frame.setSprite(std::move(sprite));
  TwaitFrameState s;
  s.caption = "Finding files";
  s.caption2 = "Reading the folder";
  s.withPercent = true;
  s.percent = 42.7;
  s.width = 400;
  s.height = 90;
  int cnt = 0;
  for (auto _ : st) {
    frame.paint(s, cnt++);
    benchmark::DoNotOptimize(frame.buffer().imageData());
  }
}
BENCHMARK(BM_WaitFrame400x90)->Unit(benchmark::kMillisecond);

// The whole process while the interface thread sleeps and the window is shown: only the painter works.
static void BM_PainterShareOfACore(benchmark::State& st) {
  World w;
  TbaseForm form;
  form.start();
  form.SetBounds(0, 0, 1280, 720);
  waitFramePause = 200;
  for (auto _ : st) {
    wait("Finding files", 42.7);
    const double before = processSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    st.counters["cpu_percent"] = (processSeconds() - before) / 10.0 * 100.0;
    waitHide();
  }
  waitShutDown();
}
BENCHMARK(BM_PainterShareOfACore)->Iterations(1)->Unit(benchmark::kSecond);

static void BM_GetGroupEx1000(benchmark::State& st) {
  World w;
  std::filesystem::current_path(w.dir);
  {
    Trecent r;
    for (auto _ : st) {
      st.PauseTiming();
      r.ini->EraseSection("maps");
      TStringList& sec = r.ini->getOrCreateSection("maps");
      for (int i = 0; i < 1000; ++i)
        sec.add("/data/maps/file" + std::to_string(i) + ".dra=2024-0" + std::to_string(1 + i % 9) + "-1" +
                std::to_string(i % 10) + " 10:" + std::to_string(10 + i % 50) + ":00");
      st.ResumeTiming();
      benchmark::DoNotOptimize(r.getGroup("maps").count());
    }
  }
  std::filesystem::current_path("/");
}
BENCHMARK(BM_GetGroupEx1000)->Unit(benchmark::kMillisecond);

static void BM_FileExistsExMissing(benchmark::State& st) {
  World w;
  const std::string missing = w.dir + "/no such file.dra";
  for (auto _ : st) benchmark::DoNotOptimize(fileExistsEx(missing, 500));
}
BENCHMARK(BM_FileExistsExMissing)->Unit(benchmark::kMicrosecond);
