// Speed of the Settings tab: creating and laying out the page on a "places.db" the size of the
// real one (23,000 places in 250 countries) with its "zones.db", and leaving it, which writes 100
// locations to "locations.ini".
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/bench_home.h"
#include "astro/r_SunLoc.h"
#include "clock/r_SunLocPage.h"
#include "clock/r_tzPlaces2.h"
#include "core/r_base.h"
#include "core/r_date.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "storage/r_sqlite.h"
#include "ui/r_QYcontrols.h"

namespace {
using namespace platform;
namespace fs = std::filesystem;

constexpr int kCountries = 250, kPlacesEach = 92;  // 23,000 rows

struct Tworld {
  std::string dir = benchhome::path("settings/");
  std::unique_ptr<TsunBase> base;
  std::unique_ptr<TForm> form;
  Tworld() {
    resetDesktop(std::make_unique<THeadlessBackend>());
    createOs();
    initControlSet();
    createDateman();
    fs::create_directories(dir);
    makeDatabases();
    locationsDir = dir;
    base = std::make_unique<TsunBase>(dir + "sky.db", 1920);
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 1280, 800);
  }
  ~Tworld() {
    form.reset();
    base.reset();
    locationsDir.clear();
  }
  void makeDatabases() const {
    fs::remove(dir + "places.db");
    fs::remove(dir + "zones.db");
    auto places = TliteDB::createForWriting();
    places->setfile(dir + "places.db");
    places->ExecSQL("CREATE TABLE `places` (`code` TEXT, `name` TEXT, `long` DOUBLE, `lat` DOUBLE)");
    auto zones = TliteDB::createForWriting();
    zones->setfile(dir + "zones.db");
    zones->ExecSQL("CREATE TABLE `timezones` (`code` TEXT, `tz` TEXT)");
    places->beginUpdate();
    for (int c = 0; c < kCountries; ++c) {
      const std::string code = "C" + std::to_string(1000 + c);
      zones->ExecParams("INSERT INTO `timezones` VALUES (?, ?)",
                        {TsqlParam::ofText(code), TsqlParam::ofText("W. Europe Standard Time")});
      for (int p = 0; p < kPlacesEach; ++p)
        places->ExecParams("INSERT INTO `places` VALUES (?, ?, ?, ?)",
                           {TsqlParam::ofText(code),
                            TsqlParam::ofText((p == 0 ? "Country " : "Town ") + std::to_string(c * kPlacesEach + p)),
                            TsqlParam::ofReal(-180.0 + c * 1.4 + p * 0.01), TsqlParam::ofReal(-60.0 + p * 1.3)});
    }
    places->endUpdate();
  }
};

void BM_CreatePage(benchmark::State& state) {  // aim: under 400 ms
  Tworld w;
  for (auto _ : state) {
    TlocPage page(w.form.get(), *w.base);
    page.SetBounds(0, 0, 1280, 780);
    page.doResize();
    state.counters["places"] = page.tzListBox->count();
  }
}

void BM_LeaveWrites100Locations(benchmark::State& state) {  // aim: under 20 ms
  Tworld w;
  Tlocations& l = w.base->locations();
  l.clear();
  for (int i = 0; i < 100; ++i) {
    Tloc& loc = l.getLoc(l.add());
    loc.name = "Location " + std::to_string(i);
    loc.lat = -60 + i * 1.2;
    loc.long_ = -170 + i * 3.4;
  }
  TlocPage page(w.form.get(), *w.base);
  for (auto _ : state) page.leave();
}

BENCHMARK(BM_CreatePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LeaveWrites100Locations)->Unit(benchmark::kMillisecond);
}  // namespace
